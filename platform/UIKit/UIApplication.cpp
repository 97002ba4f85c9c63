#include "UIKit/UIApplication.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <map>
#include <mutex>

#include "Foundation/Dispatch.h"
#include "Foundation/MainThreadChecker.h"
#include "Foundation/NSBundle.h"
#include "Foundation/NSNotificationCenter.h"
#include "Foundation/NSRunLoop.h"
#include "UIKit/PushRegistration.h"
#include "UIKit/SoftwareKeyboard.h"
#include "UIKit/UIApplicationDelegate.h"
#include "UIKit/UIDevice.h"
#include "UIKit/UIKitLog.h"
#include "UIKit/UIUserNotificationSettings.h"
#include "UIKit/UIViewController.h"
#include "UIKit/UIWindow.h"

const std::string UIApplicationDidEnterBackgroundNotification = "UIApplicationDidEnterBackgroundNotification";
const std::string UIApplicationWillEnterForegroundNotification = "UIApplicationWillEnterForegroundNotification";
const std::string UIApplicationWillResignActiveNotification = "UIApplicationWillResignActiveNotification";
const std::string UIApplicationDidBecomeActiveNotification = "UIApplicationDidBecomeActiveNotification";
const std::string UIApplicationOpenSettingsURLString = "app-settings:";

namespace {

// The scheme of an absolute URL, lower-cased; empty when the text has none (RFC 3986:
// a letter, then letters, digits, '+', '-' or '.', then ':').
std::string urlScheme(const std::string& url)
{
    auto colon = url.find(':');
    if (colon == std::string::npos || colon == 0)
        return {};
    if (!std::isalpha(static_cast<unsigned char>(url[0])))
        return {};
    std::string scheme;
    for (size_t i = 0; i < colon; ++i) {
        auto c = static_cast<unsigned char>(url[i]);
        if (!std::isalnum(c) && c != '+' && c != '-' && c != '.')
            return {};
        scheme += static_cast<char>(std::tolower(c));
    }
    return scheme;
}

bool usesViewControllerBasedStatusBarAppearance()
{
    auto bundle = NSBundle::mainBundle();
    if (!bundle)
        return true;
    auto value = bundle->objectForInfoDictionaryKey("UIViewControllerBasedStatusBarAppearance");
    if (value.is_boolean())
        return value.get<bool>();
    if (value.is_number())
        return value.get<double>() != 0;
    return true;
}

struct DelegateClassRegistry {
    std::mutex mutex;
    std::map<std::string, UIApplication::DelegateFactory> factories;
};

// Filled while the program loads, from static initialisers of other files: made on first use.
DelegateClassRegistry& delegateClassRegistry()
{
    static DelegateClassRegistry registry;
    return registry;
}

} // namespace

bool UIApplication::registerDelegateClass(const std::string& className, DelegateFactory factory)
{
    auto& registry = delegateClassRegistry();
    std::lock_guard lock(registry.mutex);
    return registry.factories.emplace(className, std::move(factory)).second;
}

std::shared_ptr<UIApplicationDelegate> UIApplication::delegateWithClassName(const std::string& className)
{
    DelegateFactory factory;
    {
        auto& registry = delegateClassRegistry();
        std::lock_guard lock(registry.mutex);
        auto it = registry.factories.find(className);
        if (it == registry.factories.end())
            return nullptr;
        factory = it->second;
    }
    return factory ? factory() : nullptr;
}

void UIApplication::registerUserNotificationSettings(const std::shared_ptr<UIUserNotificationSettings>& notificationSettings)
{
    if (!notificationSettings) {
        UIKitLog("registerUserNotificationSettings: no settings; ignored");
        return;
    }
    auto granted = UIUserNotificationSettings::settingsForTypes_categories(
        PushRegistration::sharedInstance()->grantedTypesForRequestedTypes(notificationSettings->types()), notificationSettings->categories());
    dispatch_async(dispatch_get_main_queue(), [granted] {
        auto application = UIApplication::sharedApplication();
        application->m_notificationSettings = granted;
        auto delegate = application->delegate();
        if (delegate && delegate->respondsToApplication_didRegisterUserNotificationSettings())
            delegate->application_didRegisterUserNotificationSettings(application, granted);
    });
}

void UIApplication::registerForRemoteNotifications()
{
    PushRegistration::sharedInstance()->registerForRemoteNotifications(
        [](const std::optional<NSData>& deviceToken, const std::shared_ptr<NSError>& error) {
            auto application = UIApplication::sharedApplication();
            auto delegate = application->delegate();
            if (deviceToken) {
                application->m_registeredForRemoteNotifications = true;
                if (delegate && delegate->respondsToApplication_didRegisterForRemoteNotificationsWithDeviceToken())
                    delegate->application_didRegisterForRemoteNotificationsWithDeviceToken(application, *deviceToken);
                return;
            }
            if (delegate && delegate->respondsToApplication_didFailToRegisterForRemoteNotificationsWithError())
                delegate->application_didFailToRegisterForRemoteNotificationsWithError(application, error);
        });
}

void UIApplication::terminateWithStatus(int status)
{
    m_terminationStatus = status;
    NSRunLoop::mainRunLoop()->stop();
}

std::set<std::string> UIApplication::defaultOpenableSchemes()
{
    return {"http", "https", "mailto", "tel", "app-settings"};
}

std::shared_ptr<UIApplication> UIApplication::sharedApplication()
{
    static const auto application = std::make_shared<UIApplication>();
    return application;
}

bool UIApplication::canOpenURL(const std::string& url) const
{
    auto scheme = urlScheme(url);
    return !scheme.empty() && m_openableSchemes.count(scheme) > 0;
}

bool UIApplication::openURL(const std::string& url)
{
    if (!canOpenURL(url)) {
        UIKitLog("cannot open URL \"%s\": no application handles it", url.c_str());
        return false;
    }
    UIKitLog("opening URL \"%s\"", url.c_str());
    m_openedURLs.push_back(url);
    return true;
}

void UIApplication::openURL_options_completionHandler(const std::string& url, const NSDictionary& options,
                                                      std::function<void(bool success)> completion)
{
    // The operation came with system 10; older systems do not have it, so nothing opens there.
    // Callers that still support them must pick the older operation themselves.
    const std::string& version = UIDevice::currentDevice()->systemVersion();
    if (std::strtol(version.c_str(), nullptr, 10) < 10) {
        UIKitLog("openURL:options:completionHandler: is not available on system %s", version.c_str());
        return;
    }
    bool success = openURL(url);
    if (completion)
        dispatch_async(dispatch_get_main_queue(), [completion = std::move(completion), success] { completion(success); });
}

void UIApplication::sendEvent(const std::shared_ptr<UIEvent>& event)
{
    KVN_ASSERT_MAIN_THREAD();
    auto window = keyWindow();
    if (!window) {
        UIKitLog("no key window to send a touch event to; dropped");
        return;
    }
    window->sendEvent(event);
}

std::vector<std::shared_ptr<UIWindow>> UIApplication::windows() const
{
    std::vector<std::shared_ptr<UIWindow>> result;
    for (const auto& weak : m_windows)
        if (auto window = weak.lock())
            result.push_back(window);
    return result;
}

void UIApplication::windowBecameVisible(const std::shared_ptr<UIWindow>& window)
{
    std::erase_if(m_windows, [](const auto& weak) { return weak.expired(); });
    for (const auto& weak : m_windows)
        if (weak.lock() == window)
            return;
    m_windows.push_back(window);
}

void UIApplication::windowBecameKey(const std::shared_ptr<UIWindow>& window)
{
    m_keyWindow = window;
}

void UIApplication::updateStatusBarAppearance()
{
    if (!usesViewControllerBasedStatusBarAppearance())
        return;
    auto window = keyWindow();
    if (!window)
        return;
    auto top = window->rootViewController();
    if (!top)
        return;
    // Screens presented over the whole window decide; alerts and other overlays do not.
    for (auto presented = top->presentedViewController(); presented; presented = presented->presentedViewController()) {
        auto style = presented->modalPresentationStyle();
        if (style != UIModalPresentationStyle::Custom && style != UIModalPresentationStyle::OverCurrentContext &&
            style != UIModalPresentationStyle::Popover)
            top = presented;
    }
    m_statusBarStyle = top->preferredStatusBarStyle();
    // A container hands the choice down to the child it names, and that child may again.
    auto decider = top;
    for (int depth = 0; depth < 64; ++depth) {
        auto child = decider->childViewControllerForStatusBarHidden();
        if (!child || child == decider)
            break;
        decider = child;
    }
    m_statusBarHidden = decider->prefersStatusBarHidden();
}

void UIApplication::setState(UIApplicationState state, const std::string& notification)
{
    m_state = state;
    NSNotificationCenter::defaultCenter()->postNotificationName_object_userInfo(notification, this);
    if (notification == UIApplicationDidBecomeActiveNotification)
        if (auto delegate = this->delegate())
            delegate->applicationDidBecomeActive(sharedApplication());
}

void UIApplication::simulateRemoteNotification(const nlohmann::json& payload)
{
    KVN_ASSERT_MAIN_THREAD();
    if (auto delegate = this->delegate())
        delegate->application_didReceiveRemoteNotification(sharedApplication(), payload);
}

void UIApplication::simulateResignActive()
{
    if (m_state == UIApplicationState::Active)
        setState(UIApplicationState::Inactive, UIApplicationWillResignActiveNotification);
}

void UIApplication::simulateBecomeActive()
{
    if (m_state == UIApplicationState::Inactive)
        setState(UIApplicationState::Active, UIApplicationDidBecomeActiveNotification);
}

void UIApplication::simulateEnterBackground()
{
    simulateResignActive();
    if (m_state == UIApplicationState::Inactive)
        setState(UIApplicationState::Background, UIApplicationDidEnterBackgroundNotification);
}

void UIApplication::simulateEnterForeground()
{
    if (m_state == UIApplicationState::Background)
        setState(UIApplicationState::Inactive, UIApplicationWillEnterForegroundNotification);
    simulateBecomeActive();
}

void UIApplication::resetForTesting()
{
    kvn::SoftwareKeyboard::shared().resetForTesting();
    m_state = UIApplicationState::Active;
    m_delegate.reset();
    m_notificationSettings.reset();
    m_registeredForRemoteNotifications = false;
    m_applicationIconBadgeNumber = 0;
    m_terminationStatus.reset();
    m_keyWindow.reset();
    m_windows.clear();
    m_statusBarStyle = UIStatusBarStyle::Default;
    m_statusBarHidden = false;
    m_idleTimerDisabled = false;
    m_openedURLs.clear();
    m_openableSchemes = defaultOpenableSchemes();
}
