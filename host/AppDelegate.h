#pragma once
// The app's delegate: the native start of the app. At launch it pins the TLS public keys of
// the bank's two hosts, registers for push notifications, makes the window and starts the
// script runtime with the app's script bundle; from then on the script drives the screens.
// It keeps the push device token the platform hands over later in the user defaults
// ("deviceToken"), where the script reads it through DeviceTokenManager.
// Main thread: the application calls every operation there. Lives for the process.
#include <memory>
#include <string>

#include <nlohmann/json.hpp>

#include "Foundation/NSData.h"
#include "UIKit/UIApplicationDelegate.h"
#include "UIKit/UIResponder.h"

class AppDelegate : public UIResponder, public UIApplicationDelegate {
public:
    // The launch steps, in order: pinning, notification settings and remote registration,
    // the script bundle's location, the window, the script runtime. Answers true.
    bool application_didFinishLaunchingWithOptions(const std::shared_ptr<UIApplication>& application,
                                                   const nlohmann::json& launchOptions) override;
    // Whatever the user granted, the app registers for remote notifications again.
    void application_didRegisterUserNotificationSettings(const std::shared_ptr<UIApplication>& application,
                                                         const std::shared_ptr<UIUserNotificationSettings>& notificationSettings) override;
    bool respondsToApplication_didRegisterUserNotificationSettings() const override { return true; }
    // Stores the token's text form under "deviceToken" at once, replacing an earlier one.
    void application_didRegisterForRemoteNotificationsWithDeviceToken(const std::shared_ptr<UIApplication>& application,
                                                                     const NSData& deviceToken) override;
    bool respondsToApplication_didRegisterForRemoteNotificationsWithDeviceToken() const override { return true; }
    // A failed registration is not handled natively: the default (not answered) stands.

    // The token's bytes as one run of lower-case hexadecimal digits.
    std::string trimDeviceToken(const NSData& deviceToken) const;

    std::shared_ptr<UIWindow> window() const override { return m_window; }
    void setWindow(std::shared_ptr<UIWindow> window) { m_window = std::move(window); }
    // The TLS pinning configuration built at launch; null before.
    const nlohmann::json& pinningConfiguration() const { return m_pinningConfiguration; }

    // The pinning configuration of the bank's deployment (what launch builds).
    static nlohmann::json makePinningConfiguration();
    // Hands the configuration to the pinning package. Should the package reject it, the hosts
    // it names are refused every connection (pinned to no key), so that nothing goes out
    // unpinned.
    static void installPinning(const nlohmann::json& configuration);

private:
    std::shared_ptr<UIWindow> m_window;
    nlohmann::json m_pinningConfiguration;
};
