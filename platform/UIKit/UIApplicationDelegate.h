#pragma once
// What the application tells the app's own code: that launching has finished (with the launch
// options), which notification settings the user granted, the outcome of a registration
// for remote notifications (a device token, or an error), a remote notification that arrives
// while the app runs, and that the app became active. Every operation is optional; the
// application sends the registration outcomes only to a delegate that answers the matching
// responds… query, as the platform sends them only to a delegate that implements them.
// The delegate may also own the app's window (`window`, none by default).
// Main thread: the application calls every operation there.
#include <memory>

#include <nlohmann/json.hpp>

#include "Foundation/NSData.h"
#include "Foundation/NSError.h"

class UIApplication;
class UIUserNotificationSettings;
class UIWindow;

class UIApplicationDelegate {
public:
    virtual ~UIApplicationDelegate() = default;

    // `launchOptions` is a JSON object (empty when the app was launched without options).
    // The answer is the app's: false says it could not handle a launch by URL; nothing else reads it.
    virtual bool application_didFinishLaunchingWithOptions(const std::shared_ptr<UIApplication>& application,
                                                           const nlohmann::json& launchOptions)
    {
        return true;
    }

    virtual void application_didRegisterUserNotificationSettings(const std::shared_ptr<UIApplication>& application,
                                                                 const std::shared_ptr<UIUserNotificationSettings>& notificationSettings)
    {
    }
    virtual bool respondsToApplication_didRegisterUserNotificationSettings() const { return false; }

    virtual void application_didRegisterForRemoteNotificationsWithDeviceToken(const std::shared_ptr<UIApplication>& application,
                                                                             const NSData& deviceToken)
    {
    }
    virtual bool respondsToApplication_didRegisterForRemoteNotificationsWithDeviceToken() const { return false; }

    virtual void application_didFailToRegisterForRemoteNotificationsWithError(const std::shared_ptr<UIApplication>& application,
                                                                             const std::shared_ptr<NSError>& error)
    {
    }
    virtual bool respondsToApplication_didFailToRegisterForRemoteNotificationsWithError() const { return false; }

    // A remote notification reached the running app; `userInfo` is its payload (a JSON object).
    virtual void application_didReceiveRemoteNotification(const std::shared_ptr<UIApplication>& application,
                                                          const nlohmann::json& userInfo)
    {
    }

    // Sent after UIApplicationDidBecomeActiveNotification is posted.
    virtual void applicationDidBecomeActive(const std::shared_ptr<UIApplication>& application) {}

    // The app's main window, when the delegate keeps one.
    virtual std::shared_ptr<UIWindow> window() const { return nullptr; }
};
