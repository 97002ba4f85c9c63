#include "Private/Tasks/VideoIdent/Identification/WaitingListEnrolment.h"

#include <cstdio>

#include "Foundation/BindToMainQueue.h"
#include "Foundation/MainThreadChecker.h"
#include "Foundation/NSData.h"
#include "Foundation/NSLog.h"
#include "Private/Helper/KVNRequestManager.h"
#include "Private/Helper/KVNTimer.h"
#include "Private/Tasks/VideoIdent/Identification/KVNNotificationResultViewController.h"
#include "Private/Tasks/VideoIdent/Identification/KVNWaitingListViewController.h"
#include "UIKit/UINavigationController.h"
#include "models/KVNIdentification.h"
#include "public/KavoniController.h"
#include "public/KavoniSettings.h"

namespace kvn {

namespace {

bool smsChannel()
{
    return KVNIdentification::sharedIdentification()->pushNotificationChannel() == std::optional<std::string>("SMS");
}

std::shared_ptr<KavoniSettings> currentSettings()
{
    auto controller = KavoniController::currentKavoniController();
    if (controller && controller->settings())
        return controller->settings();
    return KVNIdentification::sharedIdentification()->settings();
}

} // namespace

WaitingListEnrolment::WaitingListEnrolment(Host host, std::shared_ptr<KVNRequestManager> manager)
    : m_host(std::move(host))
    , m_manager(std::move(manager))
{
}

WaitingListEnrolment::~WaitingListEnrolment()
{
    if (m_answerTimer)
        m_answerTimer->cancel();
    auto center = NSNotificationCenter::defaultCenter();
    for (const auto& observer : m_observers)
        center->removeObserver(observer);
}

std::shared_ptr<KVNRequestManager> WaitingListEnrolment::manager() const
{
    return m_manager ? m_manager : KVNRequestManager::sharedManager();
}

void WaitingListEnrolment::startObserving()
{
    KVN_ASSERT_MAIN_THREAD();
    if (!m_observers.empty())
        return;
    auto weak = weak_from_this();
    auto center = NSNotificationCenter::defaultCenter();
    auto observe = [&](const char* name, auto handler) {
        m_observers.push_back(center->addObserverForName_object_queue_usingBlock(name, nullptr, nullptr, kvn::bindToMainQueue(weak, handler)));
    };
    observe("KVNDeviceTokenReceived", [](WaitingListEnrolment& self, const NSNotification& note) { self.deviceTokenReceived(note); });
    observe("KVNPushNotificationNotAllowed", [](WaitingListEnrolment& self, const NSNotification&) { self.pushNotificationNotAllowed(); });
    observe("KVNPushNotificationReceived", [](WaitingListEnrolment& self, const NSNotification&) { self.pushNotificationReceived(); });
    observe("KVNTokenReceivedViaURLScheme", [](WaitingListEnrolment& self, const NSNotification&) {
        if (self.m_host.finishIdentification)
            self.m_host.finishIdentification();
    });
}

void WaitingListEnrolment::waitingListPushNotificationRequested()
{
    KVN_ASSERT_MAIN_THREAD();
    if (m_enrolled || m_enrolling || m_registering || m_requestPending)
        return;
    if (smsChannel()) {
        NSLog("enroll for SMS waiting list");
        enrollForWaitingList();
        return;
    }
    // Asking again is the user's answer to an earlier refusal.
    m_pushRefused = false;
    m_requestPending = true;
    if (!m_answerTimer)
        m_answerTimer = std::make_shared<KVNTimer>();
    m_answerTimer->executeAfterSeconds_repeats_action(
        registrationAnswerTimeout, false, kvn::bindToMainQueue(weak_from_this(), [](WaitingListEnrolment& self) { self.registrationRequestUnanswered(); }));
    NSNotificationCenter::defaultCenter()->postNotificationName_object_userInfo("KVNPushRegistrationRequest");
}

void WaitingListEnrolment::registrationRequestUnanswered()
{
    if (!m_requestPending)
        return;
    // A host without push support never answers: rather than a button that does nothing, the
    // user learns that notifications are not available here, and may retry or close.
    NSLog("push registration request unanswered: notifications are not available");
    m_requestPending = false;
    if (!m_host.waitingList)
        return;
    if (auto panel = m_host.waitingList())
        panel->pushNotificationNotAllowed();
}

std::optional<std::string> WaitingListEnrolment::deviceTokenText(const NSNotification& notification)
{
    std::string text;
    if (const auto* data = NSDictionaryValue<NSData>(notification.userInfo(), "deviceToken")) {
        for (uint8_t byte : *data) {
            char hex[3];
            std::snprintf(hex, sizeof hex, "%02x", byte);
            text += hex;
        }
    } else if (const auto* described = NSDictionaryValue<std::string>(notification.userInfo(), "deviceToken")) {
        for (char c : *described)
            if (c != '<' && c != '>' && c != ' ')
                text += c;
    } else {
        return std::nullopt;
    }
    if (text.empty())
        return std::nullopt;
    return text;
}

void WaitingListEnrolment::deviceTokenReceived(const NSNotification& notification)
{
    KVN_ASSERT_MAIN_THREAD();
    auto token = deviceTokenText(notification);
    if (!token) {
        // Registering nothing would leave the user enrolled without a way to reach them.
        NSLog("DEVICE_TOKEN: missing or empty, push registration skipped");
        return;
    }
    if (m_pushRefused) {
        NSLog("DEVICE_TOKEN: notifications were refused, push registration skipped");
        return;
    }
    if (m_registering || m_enrolling || m_enrolled) {
        NSLog("DEVICE_TOKEN: already registering or enrolled, push registration skipped");
        return;
    }
    auto settings = currentSettings();
    if (!settings)
        return;
    m_requestPending = false;
    if (m_answerTimer)
        m_answerTimer->cancel();
    settings->setPushDeviceToken(token);
    NSLog("DEVICE_TOKEN: %@", *token);
    m_registering = true;
    auto self = shared_from_this();
    manager()->POSTPushRegistrationMessage_identToken_appName_callback(settings->pushDeviceToken(), settings->transactionToken(),
                                                                      settings->companyID(), [self](bool success) {
                                                                          self->m_registering = false;
                                                                          if (!success)
                                                                              return;
                                                                          NSLog("push registration SUCCEEDED");
                                                                          self->enrollForWaitingList();
                                                                      });
}

void WaitingListEnrolment::enrollForWaitingList()
{
    KVN_ASSERT_MAIN_THREAD();
    if (m_enrolling || m_enrolled)
        return;
    m_enrolling = true;
    auto settings = currentSettings();
    auto self = shared_from_this();
    manager()->POSTEnrollForWaitingListMessage_shortName_callback(
        settings ? settings->transactionToken() : std::nullopt, settings ? settings->companyID() : std::nullopt, [self](bool success) {
            self->m_enrolling = false;
            if (!success)
                return;
            self->m_enrolled = true;
            NSLog("waiting list enrollment SUCCEEDED");
            if (self->m_host.showNotificationResultScreen)
                self->m_host.showNotificationResultScreen();
            if (self->m_host.finishIdentification)
                self->m_host.finishIdentification();
            self->manager()->POSTIdentificationCanceled();
        });
}

void WaitingListEnrolment::pushNotificationReceived()
{
    KVNIdentification::sharedIdentification()->setInformedByPush(true);
}

void WaitingListEnrolment::pushNotificationNotAllowed()
{
    m_pushRefused = true;
    m_requestPending = false;
    if (m_answerTimer)
        m_answerTimer->cancel();
    if (!m_host.waitingList)
        return;
    if (auto panel = m_host.waitingList())
        panel->pushNotificationNotAllowed();
}

void WaitingListEnrolment::showNotificationResultScreen(const std::shared_ptr<UINavigationController>& navigationController)
{
    KVN_ASSERT_MAIN_THREAD();
    auto settings = currentSettings();
    if (settings && settings->showErrorSuccessScreen()) {
        if (navigationController)
            navigationController->pushViewController_animated(std::make_shared<KVNNotificationResultViewController>(), true);
        return;
    }
    if (auto controller = KavoniController::currentKavoniController()) {
        controller->dismissIdentificationFromNavigationController(navigationController);
        controller->identificationSuccessfull();
    }
}

} // namespace kvn
