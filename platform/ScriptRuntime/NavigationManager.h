#pragma once
// The navigation add-on's shared manager. It owns the one script bridge of the app (the host
// starts it with the bundle's location and the launch options; it stops when the app ends)
// and turns the script's layouts into screens: a root layout replaces the root screen of the
// application delegate's window and makes that window key and visible; a screen layout can be
// pushed onto, and popped from, the stack on top (the selected tab's, or the root stack).
// Layouts (see ScreenController, ScreenStackController, ScreenTabController):
//   tabs:   {"type": "tabs", "children": [stack or screen, ...], ...}
//   stack:  {"type": "stack", "children": [screen, ...], ...}
//   screen: {"type": "screen", ...}
// with an optional "globalProps" object at the root, handed to every controller (one shared
// object, see SharedGlobalProps). The script
// reaches these as the module "Navigation": setRoot(layout), push(layout), pop().
// Threads: the bridge from any thread; the layout operations on the main thread.
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include <nlohmann/json.hpp>

#include "ScriptRuntime/ScriptBridge.h"
#include "ScriptRuntime/SharedGlobalProps.h"

class UIViewController;

class NavigationManager {
public:
    static std::shared_ptr<NavigationManager> sharedInstance();

    // Creates and starts the bridge; one that runs already is stopped first.
    void startWithBundleURL_launchOptions(const std::string& bundleURL, const nlohmann::json& launchOptions);
    // The running bridge, or null.
    std::shared_ptr<ScriptBridge> bridge() const;
    // Stops the bridge and lets it go (tests, and the app's end).
    void stopBridge();

    // What a bad layout is refused with; nullopt on success.
    using LayoutError = std::optional<std::string>;
    // Limits on what one layout may ask for, so that a script cannot make the app hold
    // screens without bound.
    static constexpr size_t kMaximumTabs = 8;
    static constexpr size_t kMaximumStackScreens = 32;

    LayoutError setRootWithLayout(const nlohmann::json& layout);
    LayoutError pushScreenWithLayout(const nlohmann::json& layout);
    LayoutError popScreen();
    // The controller made from `layout` (nothing is shown), or the reason it cannot be made.
    std::shared_ptr<UIViewController> controllerWithLayout(const nlohmann::json& layout, const nlohmann::json& globalProps,
                                                           std::string& error);

private:
    std::shared_ptr<UIViewController> screenWithLayout(const nlohmann::json& layout, const nlohmann::json& globalProps, std::string& error);
    std::shared_ptr<UIViewController> stackWithLayout(const nlohmann::json& layout, const nlohmann::json& globalProps, std::string& error);

    mutable std::mutex m_mutex;
    std::shared_ptr<ScriptBridge> m_bridge;
    // The current root layout's global props, which screens pushed later are given too.
    SharedGlobalProps::Props m_globalProps = SharedGlobalProps::empty();
};
