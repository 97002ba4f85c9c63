#pragma once
// The video screen's side of the waiting list: it answers the panel's request for a
// notification (SMS: enrol at once; push: ask the application delegate for a device token),
// registers the device token with the service, enrols the user, and then has the screen show
// the notification result and finish the session. It also listens for the application
// delegate's notifications ("KVNDeviceTokenReceived", "KVNPushNotificationNotAllowed",
// "KVNPushNotificationReceived", "KVNTokenReceivedViaURLScheme") for as long as it lives.
//
// The screen owns one and forwards its panel's delegate message to it:
//     m_enrolment = std::make_shared<kvn::WaitingListEnrolment>(kvn::WaitingListEnrolment::Host{
//         .waitingList = [weak] { ... the shown waiting-list panel or nullptr ... },
//         .showNotificationResultScreen = [weak] { kvn::WaitingListEnrolment::showNotificationResultScreen(nav); },
//         .finishIdentification = [weak] { ... the session driver's finishIdentification ... }});
//     m_enrolment->startObserving();
// A failed registration or enrolment changes nothing: the user may ask again.
// Main thread only.
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Foundation/NSNotification.h"
#include "Foundation/NSNotificationCenter.h"

class KVNRequestManager;
class KVNTimer;
class KVNWaitingListViewController;
class UINavigationController;

namespace kvn {

class WaitingListEnrolment : public std::enable_shared_from_this<WaitingListEnrolment> {
public:
    struct Host {
        std::function<std::shared_ptr<KVNWaitingListViewController>()> waitingList;
        std::function<void()> showNotificationResultScreen;
        std::function<void()> finishIdentification;
    };

    // Without a manager the process's shared one is used.
    explicit WaitingListEnrolment(Host host, std::shared_ptr<KVNRequestManager> manager = nullptr);
    ~WaitingListEnrolment();

    void startObserving();

    void waitingListPushNotificationRequested();
    void deviceTokenReceived(const NSNotification& notification);
    void enrollForWaitingList();
    void pushNotificationReceived();
    void pushNotificationNotAllowed();

    // Pushes the notification result screen when the settings ask for result screens; without
    // one, the identification's screens close and success is reported at once, as the user
    // has nothing left to do on them.
    static void showNotificationResultScreen(const std::shared_ptr<UINavigationController>& navigationController);

    // The token's text: the bytes in hexadecimal, or a text form with its "<", ">" and blanks
    // removed; nullopt for anything else.
    static std::optional<std::string> deviceTokenText(const NSNotification& notification);

    // Seconds the host has to answer "KVNPushRegistrationRequest" with a token or a refusal;
    // after that the user is told push notifications are not available and may try again.
    static constexpr double registrationAnswerTimeout = 10.0;

private:
    std::shared_ptr<KVNRequestManager> manager() const;
    void registrationRequestUnanswered();

    Host m_host;
    std::shared_ptr<KVNRequestManager> m_manager;
    std::vector<std::shared_ptr<NSNotificationObserver>> m_observers;
    // One registration and one enrolment at a time, and none once enrolled: a double tap, or a
    // host that hands over its token again, must not enrol the user twice.
    bool m_registering = false;
    bool m_enrolling = false;
    bool m_enrolled = false;
    // The user refused notifications: a token that arrives afterwards (without a new request)
    // must not enrol them by push.
    bool m_pushRefused = false;
    // A registration request is waiting for the host's answer.
    bool m_requestPending = false;
    std::shared_ptr<KVNTimer> m_answerTimer;
};

} // namespace kvn
