#include "ScriptRuntime/NavigationManager.h"

#include "Foundation/MainThreadChecker.h"
#include "Foundation/NSNotificationCenter.h"
#include "ScriptRuntime/NavigationModule.h"
#include "ScriptRuntime/ScreenController.h"
#include "ScriptRuntime/ScreenStackController.h"
#include "ScriptRuntime/ScreenTabController.h"
#include "ScriptRuntime/ScriptModuleRegistry.h"
#include "UIKit/UIApplication.h"
#include "UIKit/UIApplicationDelegate.h"
#include "UIKit/UIWindow.h"

namespace {

// Here rather than beside the module: whoever uses the manager gets the module with it.
[[maybe_unused]] const bool kNavigationModuleRegistered =
    ScriptModuleRegistry::registerModule<kvn::NavigationModule>("NavigationModule");

// The script stops with the app, while everything its thread uses is still there. The
// observation lasts as long as the program.
[[maybe_unused]] const bool kObservingTermination = [] {
    NSNotificationCenter::defaultCenter()->addObserverForName_object_queue_usingBlock(
        UIApplicationWillTerminateNotification, nullptr, nullptr,
        [](const NSNotification&) { NavigationManager::sharedInstance()->stopBridge(); });
    return true;
}();

std::string typeOf(const nlohmann::json& layout)
{
    if (!layout.is_object() || !layout.contains("type") || !layout["type"].is_string())
        return {};
    return layout["type"].get<std::string>();
}

const nlohmann::json* childrenOf(const nlohmann::json& layout, std::string& error)
{
    auto it = layout.find("children");
    if (it == layout.end() || !it->is_array() || it->empty()) {
        error = "a \"" + typeOf(layout) + "\" layout needs a non-empty list \"children\"";
        return nullptr;
    }
    return &*it;
}

// The stack the user sees on top: the selected tab's, or the root itself.
std::shared_ptr<UINavigationController> visibleStack()
{
    auto delegate = UIApplication::sharedApplication()->delegate();
    auto window = delegate ? delegate->window() : nullptr;
    auto root = window ? window->rootViewController() : nullptr;
    if (auto tabs = std::dynamic_pointer_cast<UITabBarController>(root))
        root = tabs->selectedViewController();
    return std::dynamic_pointer_cast<UINavigationController>(root);
}

} // namespace

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

NavigationManager::LayoutError NavigationManager::setRootWithLayout(const nlohmann::json& layout)
{
    KVN_ASSERT_MAIN_THREAD();
    auto delegate = UIApplication::sharedApplication()->delegate();
    auto window = delegate ? delegate->window() : nullptr;
    if (!window)
        return "the app's delegate has no window to show the screens in";
    auto globalProps = SharedGlobalProps::empty();
    if (layout.is_object() && layout.contains("globalProps")) {
        if (!layout["globalProps"].is_object())
            return "\"globalProps\" is not an object";
        globalProps = SharedGlobalProps::make(layout["globalProps"]);
    }
    std::string error;
    auto root = controllerWithLayout(layout, *globalProps, error);
    if (!root)
        return error;
    m_globalProps = globalProps;
    window->setRootViewController(root);
    window->makeKeyAndVisible();
    return std::nullopt;
}

NavigationManager::LayoutError NavigationManager::pushScreenWithLayout(const nlohmann::json& layout)
{
    KVN_ASSERT_MAIN_THREAD();
    if (typeOf(layout) != "screen")
        return "only a \"screen\" layout can be pushed";
    auto stack = visibleStack();
    if (!stack)
        return "no stack on screen to push onto";
    if (stack->viewControllers().size() >= kMaximumStackScreens)
        return "the stack holds " + std::to_string(kMaximumStackScreens) + " screens already";
    std::string error;
    auto screen = screenWithLayout(layout, *m_globalProps, error);
    if (!screen)
        return error;
    stack->pushViewController_animated(screen, true);
    return std::nullopt;
}

NavigationManager::LayoutError NavigationManager::popScreen()
{
    KVN_ASSERT_MAIN_THREAD();
    auto stack = visibleStack();
    if (!stack || stack->viewControllers().size() < 2)
        return "no screen above a stack's first to pop";
    stack->popViewControllerAnimated(true);
    return std::nullopt;
}

std::shared_ptr<UIViewController> NavigationManager::controllerWithLayout(const nlohmann::json& layout, const nlohmann::json& globalProps,
                                                                          std::string& error)
{
    const auto type = typeOf(layout);
    if (type == "screen")
        return screenWithLayout(layout, globalProps, error);
    if (type == "stack")
        return stackWithLayout(layout, globalProps, error);
    if (type != "tabs") {
        error = "a layout needs a \"type\" of \"tabs\", \"stack\" or \"screen\"";
        return nullptr;
    }
    const auto* children = childrenOf(layout, error);
    if (!children)
        return nullptr;
    if (children->size() > kMaximumTabs) {
        error = "a \"tabs\" layout has at most " + std::to_string(kMaximumTabs) + " children";
        return nullptr;
    }
    ScreenTabController::Children tabs;
    for (const auto& child : *children) {
        const auto childType = typeOf(child);
        auto tab = childType == "stack"    ? stackWithLayout(child, globalProps, error)
                   : childType == "screen" ? screenWithLayout(child, globalProps, error)
                                           : nullptr;
        if (!tab) {
            if (error.empty())
                error = "a tab is a \"stack\" or a \"screen\"";
            return nullptr;
        }
        tabs.push_back(tab);
    }
    auto controller = std::make_shared<ScreenTabController>();
    controller->initWithProps_children_globalProps_bridge(layout, tabs, globalProps, bridge());
    return controller;
}

std::shared_ptr<UIViewController> NavigationManager::screenWithLayout(const nlohmann::json& layout, const nlohmann::json& globalProps,
                                                                      std::string& error)
{
    for (const char* key : {"style", "navigatorStyle"}) {
        if (layout.contains(key) && !layout[key].is_object()) {
            error = std::string("a screen's \"") + key + "\" is not an object";
            return nullptr;
        }
    }
    if (layout.contains("texts") && !layout["texts"].is_array()) {
        error = "a screen's \"texts\" is not a list";
        return nullptr;
    }
    auto screen = ScreenController::controllerWithLayout(layout, globalProps);
    if (!screen)
        error = "the screen could not be made";
    return screen;
}

std::shared_ptr<UIViewController> NavigationManager::stackWithLayout(const nlohmann::json& layout, const nlohmann::json& globalProps,
                                                                     std::string& error)
{
    const auto* children = childrenOf(layout, error);
    if (!children)
        return nullptr;
    if (children->size() > kMaximumStackScreens) {
        error = "a \"stack\" layout has at most " + std::to_string(kMaximumStackScreens) + " children";
        return nullptr;
    }
    std::vector<std::shared_ptr<UIViewController>> screens;
    for (const auto& child : *children) {
        if (typeOf(child) != "screen") {
            error = "a stack holds \"screen\" layouts only";
            return nullptr;
        }
        auto screen = screenWithLayout(child, globalProps, error);
        if (!screen)
            return nullptr;
        screens.push_back(screen);
    }
    auto stack = std::make_shared<ScreenStackController>();
    stack->initWithLayout_screens(layout, screens);
    return stack;
}
