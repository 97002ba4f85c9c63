#pragma once
// The push service as a headless machine has it: there is no service to reach, so this local
// stand-in answers every registration for remote notifications, and the user's answer to the
// notification prompt. UIApplication asks it; the answers reach the app's delegate through the
// application. By default every registration gets the same fixed 32-byte device token and the
// user grants what the app asks for; tests choose another token, a failure, or another answer.
// Thread-safe; answers are delivered on the main queue.
#include <functional>
#include <memory>
#include <mutex>
#include <optional>

#include "Foundation/NSData.h"
#include "Foundation/NSError.h"
#include "UIKit/UIUserNotificationSettings.h"

class PushRegistration {
public:
    using Answer = std::function<void(const std::optional<NSData>& deviceToken, const std::shared_ptr<NSError>& error)>;

    static std::shared_ptr<PushRegistration> sharedInstance();
    // The token handed out unless a test chose another.
    static NSData defaultDeviceToken();

    // One registration: `answer` gets the device token, or the error, on a later turn of the
    // main queue (never inside this call).
    void registerForRemoteNotifications(Answer answer);
    // The notification types the user grants when the app asks for `requested`.
    UIUserNotificationType grantedTypesForRequestedTypes(UIUserNotificationType requested) const;
    // Registrations asked for since the start (or the last reset).
    long registrationCount() const;

    // Test controls ----------------------------------------------------------------------
    // Later registrations get this token.
    void setDeviceTokenForTesting(NSData deviceToken);
    // Later registrations fail with this error (nullptr: they succeed again).
    void setFailureForTesting(std::shared_ptr<NSError> error);
    // What the user grants when asked (nullopt: whatever is asked for).
    void setUserAnswerForTesting(std::optional<UIUserNotificationType> grantedTypes);
    // Called on the registering thread at each registration, before it is answered; tests use
    // it to see what the app had done by then (nullptr: none).
    void setRegistrationObserverForTesting(std::function<void()> observer);
    // The default token, no failure, a user who grants, count 0, no observer.
    void resetForTesting();

    PushRegistration();

private:
    mutable std::mutex m_mutex;
    NSData m_deviceToken;
    std::shared_ptr<NSError> m_failure;
    std::optional<UIUserNotificationType> m_grantedTypes;
    long m_registrations = 0;
    std::function<void()> m_registrationObserver;
};
