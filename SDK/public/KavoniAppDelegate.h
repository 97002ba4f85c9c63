#pragma once
// An application delegate a host may derive its own from, so that the library's waiting list
// can have the user called back by a push notification. The library's screens never refer to
// the host's delegate: they ask for a registration by posting "KVNPushRegistrationRequest", and
// this class answers with "KVNDeviceTokenReceived" (the token as the object and under
// "deviceToken") or "KVNPushNotificationNotAllowed". It also takes the identification's token
// ("identId") out of a push payload into the shared session.
// Main thread: the application calls every operation there and the notifications are posted
// synchronously, so their observers run there too.
#include <memory>
#include <optional>
#include <string>

#include <nlohmann/json.hpp>

#include "Foundation/NSNotificationCenter.h"
#include "UIKit/UIApplicationDelegate.h"
#include "UIKit/UIResponder.h"

extern const std::string KVNPushRegistrationRequest;
extern const std::string KVNDeviceTokenReceived;
extern const std::string KVNPushNotificationNotAllowed;
// The user-info key of the device token in "KVNDeviceTokenReceived".
extern const std::string KVNDeviceTokenKey;
// The payload key of the identification a push notification is about.
extern const std::string KVNPushIdentIdKey;

class KavoniAppDelegate : public UIResponder, public UIApplicationDelegate {
public:
    // Observes "KVNPushRegistrationRequest" from any sender for as long as the object lives.
    KavoniAppDelegate();
    ~KavoniAppDelegate() override;
    KavoniAppDelegate(const KavoniAppDelegate&) = delete;
    KavoniAppDelegate& operator=(const KavoniAppDelegate&) = delete;

    // Asks for badge, sound and alert (no categories), then registers for remote notifications.
    virtual void registerForAPNS();
    // Keeps the payload's "identId" as the token of the shared session's identification and
    // marks the session as informed by push. A payload without a well-formed token changes
    // nothing.
    virtual void readNotiticationData(const nlohmann::json& payload);

    void application_didFailToRegisterForRemoteNotificationsWithError(const std::shared_ptr<UIApplication>& application,
                                                                     const std::shared_ptr<NSError>& error) override;
    bool respondsToApplication_didFailToRegisterForRemoteNotificationsWithError() const override { return true; }
    // Anything short of all three types counts as not allowed; no second registration follows.
    void application_didRegisterUserNotificationSettings(const std::shared_ptr<UIApplication>& application,
                                                         const std::shared_ptr<UIUserNotificationSettings>& notificationSettings) override;
    bool respondsToApplication_didRegisterUserNotificationSettings() const override { return true; }
    void application_didRegisterForRemoteNotificationsWithDeviceToken(const std::shared_ptr<UIApplication>& application,
                                                                     const NSData& deviceToken) override;
    bool respondsToApplication_didRegisterForRemoteNotificationsWithDeviceToken() const override { return true; }
    // Reads a remote-notification payload in the launch options. Answers true.
    bool application_didFinishLaunchingWithOptions(const std::shared_ptr<UIApplication>& application,
                                                   const nlohmann::json& launchOptions) override;
    void application_didReceiveRemoteNotification(const std::shared_ptr<UIApplication>& application,
                                                  const nlohmann::json& userInfo) override;
    // Clears the icon's badge.
    void applicationDidBecomeActive(const std::shared_ptr<UIApplication>& application) override;

    std::shared_ptr<UIWindow> window() const override { return m_window; }
    void setWindow(std::shared_ptr<UIWindow> window) { m_window = std::move(window); }
    const std::optional<std::string>& tokenFromPushNotification() const { return m_tokenFromPushNotification; }
    void setTokenFromPushNotification(std::optional<std::string> token) { m_tokenFromPushNotification = std::move(token); }

    // Whether a push payload's identification token may become the session's transaction
    // token: a token travels into every service URL, so only the characters a token is made
    // of pass.
    static bool isWellFormedToken(const std::string& token);

private:
    std::shared_ptr<UIWindow> m_window;
    std::optional<std::string> m_tokenFromPushNotification;
};
