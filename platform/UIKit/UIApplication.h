#pragma once
// The running application: its state (active, inactive, background) with the notifications
// of each change, its windows and key window, the status bar style, the idle timer, and
// opening URLs. A headless machine has nothing to open a URL with: an openable URL (one
// whose scheme is in the openable set) is recorded and logged, and tests read what was
// opened. Tests also drive the state changes.
//
// Launching: UIApplicationMain makes the app's delegate by its class name (classes register
// with UI_APPLICATION_DELEGATE_CLASS), hands it the launch options, then runs the main run
// loop until terminateWithStatus. Push: registrations for user notification settings and for
// remote notifications are answered by the local push stand-in (PushRegistration) and reported
// to the delegate on a later turn of the main queue. Main thread only, except the class registry.
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "Foundation/NSDictionary.h"
#include "UIKit/UIStatusBarStyle.h"

class UIApplicationDelegate;
class UIEvent;
class UIUserNotificationSettings;
class UIWindow;
class UIViewController;

enum class UIApplicationState : long {
    Active = 0,
    Inactive = 1,
    Background = 2,
};

extern const std::string UIApplicationDidEnterBackgroundNotification;
extern const std::string UIApplicationWillEnterForegroundNotification;
extern const std::string UIApplicationWillResignActiveNotification;
extern const std::string UIApplicationDidBecomeActiveNotification;
// Posted by UIApplicationMain once the delegate has finished launching, and before the
// application ends. Inline, so that they are made before any observer that registers while
// the program loads reads them.
inline const std::string UIApplicationDidFinishLaunchingNotification = "UIApplicationDidFinishLaunchingNotification";
inline const std::string UIApplicationWillTerminateNotification = "UIApplicationWillTerminateNotification";
// The launch options' key of the remote notification that launched the app (its payload).
inline const std::string UIApplicationLaunchOptionsRemoteNotificationKey = "UIApplicationLaunchOptionsRemoteNotificationKey";
// The URL of the app's own page of the system settings.
extern const std::string UIApplicationOpenSettingsURLString;

class UIApplication {
public:
    static std::shared_ptr<UIApplication> sharedApplication();

    UIApplicationState applicationState() const { return m_state; }

    // The delegate, held weakly (UIApplicationMain keeps the one it makes for the process).
    std::shared_ptr<UIApplicationDelegate> delegate() const { return m_delegate.lock(); }
    void setDelegate(const std::shared_ptr<UIApplicationDelegate>& delegate) { m_delegate = delegate; }

    // Delegate classes by name, for UIApplicationMain. Registering a name twice keeps the first
    // (and answers false). Any thread.
    using DelegateFactory = std::function<std::shared_ptr<UIApplicationDelegate>()>;
    static bool registerDelegateClass(const std::string& className, DelegateFactory factory);
    // A new delegate of the class; nullptr when no class has that name.
    static std::shared_ptr<UIApplicationDelegate> delegateWithClassName(const std::string& className);

    // Push. The settings' types are asked of the user; the delegate then gets the settings the
    // user granted (application_didRegisterUserNotificationSettings). A registration for
    // remote notifications ends in application_didRegisterForRemoteNotificationsWithDeviceToken
    // or application_didFailToRegisterForRemoteNotificationsWithError. Both answer later,
    // on the main queue, and only a delegate that responds to the operation hears it.
    void registerUserNotificationSettings(const std::shared_ptr<UIUserNotificationSettings>& notificationSettings);
    // The settings the user granted last; nullptr before any registration.
    std::shared_ptr<UIUserNotificationSettings> currentUserNotificationSettings() const { return m_notificationSettings; }
    void registerForRemoteNotifications();
    // True once a registration for remote notifications has delivered a device token.
    bool isRegisteredForRemoteNotifications() const { return m_registeredForRemoteNotifications; }

    // The number on the app's icon; 0 shows none.
    long applicationIconBadgeNumber() const { return m_applicationIconBadgeNumber; }
    void setApplicationIconBadgeNumber(long number) { m_applicationIconBadgeNumber = number; }

    // The end of the app: stops the main run loop that UIApplicationMain runs, which then
    // returns `status`. The platform's apps are ended by the system; a headless run ends itself.
    void terminateWithStatus(int status);
    // The status asked for by terminateWithStatus; nullopt until the app is asked to end.
    std::optional<int> terminationStatus() const { return m_terminationStatus; }

    // URLs.
    bool canOpenURL(const std::string& url) const;
    // Opens (records) the URL when it can be opened; answers whether it did.
    bool openURL(const std::string& url);
    // The same; the completion, when given, gets the answer on a later turn of the main queue.
    // Like the platform, it does not exist before system version 10: there it opens nothing.
    void openURL_options_completionHandler(const std::string& url, const NSDictionary& options,
                                           std::function<void(bool success)> completion);

    // Windows.
    std::shared_ptr<UIWindow> keyWindow() const { return m_keyWindow.lock(); }
    // Visible windows, in the order they were shown.
    std::vector<std::shared_ptr<UIWindow>> windows() const;

    // Hands a touch event to the key window; without one it is logged and dropped.
    void sendEvent(const std::shared_ptr<UIEvent>& event);

    // Status bar. With view-controller-based appearance the screens' preferred style is
    // applied when they ask for an update; the setter sets the style directly either way.
    UIStatusBarStyle statusBarStyle() const { return m_statusBarStyle; }
    // Hidden when the deciding screen (as for the style, through the children it names)
    // prefers it hidden.
    bool isStatusBarHidden() const { return m_statusBarHidden; }
    void setStatusBarStyle(UIStatusBarStyle style) { m_statusBarStyle = style; }
    void setStatusBarStyle_animated(UIStatusBarStyle style, bool animated) { m_statusBarStyle = style; }

    bool isIdleTimerDisabled() const { return m_idleTimerDisabled; }
    void setIdleTimerDisabled(bool disabled) { m_idleTimerDisabled = disabled; }

    // Test and host controls --------------------------------------------------------------
    // Every URL opened so far, in order.
    const std::vector<std::string>& openedURLs() const { return m_openedURLs; }
    // Schemes (lower case, without ':') that count as openable; the default is
    // http, https, mailto, tel and app-settings.
    void setOpenableURLSchemesForTesting(std::set<std::string> schemes) { m_openableSchemes = std::move(schemes); }
    // Will resign active (state Inactive), then did enter background (state Background).
    void simulateEnterBackground();
    // Will enter foreground (state Inactive), then did become active (state Active).
    void simulateEnterForeground();
    // The active/inactive half alone (a system overlay over the app).
    void simulateResignActive();
    void simulateBecomeActive();
    // A remote notification with this payload reaches the running app's delegate.
    void simulateRemoteNotification(const nlohmann::json& payload);
    // Back to the state of a fresh process: active, no windows, nothing opened, no delegate,
    // no notification settings, not registered, no badge, defaults.
    void resetForTesting();

private:
    friend class UIWindow;
    friend class UIViewController;

    void windowBecameVisible(const std::shared_ptr<UIWindow>& window);
    void windowBecameKey(const std::shared_ptr<UIWindow>& window);
    // Applies the preferred style of the key window's top-most screen when the app uses
    // view-controller-based status bar appearance.
    void updateStatusBarAppearance();
    void setState(UIApplicationState state, const std::string& notification);
    static std::set<std::string> defaultOpenableSchemes();

    UIApplicationState m_state = UIApplicationState::Active;
    std::weak_ptr<UIApplicationDelegate> m_delegate;
    std::shared_ptr<UIUserNotificationSettings> m_notificationSettings;
    bool m_registeredForRemoteNotifications = false;
    long m_applicationIconBadgeNumber = 0;
    std::optional<int> m_terminationStatus;
    std::weak_ptr<UIWindow> m_keyWindow;
    std::vector<std::weak_ptr<UIWindow>> m_windows;
    UIStatusBarStyle m_statusBarStyle = UIStatusBarStyle::Default;
    bool m_statusBarHidden = false;
    bool m_idleTimerDisabled = false;
    std::vector<std::string> m_openedURLs;
    std::set<std::string> m_openableSchemes = defaultOpenableSchemes();
};

// Registers a delegate class under its own name while the program loads; at namespace scope in
// the class's .cpp: UI_APPLICATION_DELEGATE_CLASS(AppDelegate);
#define UI_APPLICATION_DELEGATE_CLASS(ClassName)                                                                           \
    [[maybe_unused]] static const bool kUIApplicationDelegateClassRegistered_##ClassName =                               \
        ::UIApplication::registerDelegateClass(#ClassName, [] { return std::make_shared<ClassName>(); })
