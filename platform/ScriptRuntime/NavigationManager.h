#pragma once
// The navigation add-on's shared manager. For now it owns the one script bridge of the app:
// the host starts it with the bundle's location and the launch options; the add-on's screen,
// stack and tab controllers come later. Main thread.
#include <memory>
#include <mutex>
#include <string>

#include <nlohmann/json.hpp>

#include "ScriptRuntime/ScriptBridge.h"

class NavigationManager {
public:
    static std::shared_ptr<NavigationManager> sharedInstance();

    // Creates and starts the bridge; one that runs already is stopped first.
    void startWithBundleURL_launchOptions(const std::string& bundleURL, const nlohmann::json& launchOptions);
    // The running bridge, or null.
    std::shared_ptr<ScriptBridge> bridge() const;
    // Stops the bridge and lets it go (tests, and the app's end).
    void stopBridge();

private:
    mutable std::mutex m_mutex;
    std::shared_ptr<ScriptBridge> m_bridge;
};
