#include "ScriptRuntime/NavigationManager.h"

std::shared_ptr<NavigationManager> NavigationManager::sharedInstance()
{
    // Never destroyed: a bridge still running at exit must not be torn down after the run loop
    // it uses is gone.
    static auto* shared = new std::shared_ptr<NavigationManager>(std::make_shared<NavigationManager>());
    return *shared;
}

void NavigationManager::startWithBundleURL_launchOptions(const std::string& bundleURL, const nlohmann::json& launchOptions)
{
    stopBridge();
    auto bridge = std::make_shared<ScriptBridge>();
    bridge->initWithBundleURL_launchOptions(bundleURL, launchOptions);
    std::lock_guard lock(m_mutex);
    m_bridge = std::move(bridge);
}

std::shared_ptr<ScriptBridge> NavigationManager::bridge() const
{
    std::lock_guard lock(m_mutex);
    return m_bridge;
}

void NavigationManager::stopBridge()
{
    std::shared_ptr<ScriptBridge> bridge;
    {
        std::lock_guard lock(m_mutex);
        bridge = std::move(m_bridge);
        m_bridge = nullptr;
    }
    if (bridge)
        bridge->invalidate();
}
