#include "UIKit/PushRegistration.h"

#include "Foundation/Dispatch.h"

std::shared_ptr<PushRegistration> PushRegistration::sharedInstance()
{
    static const auto shared = std::make_shared<PushRegistration>();
    return shared;
}

NSData PushRegistration::defaultDeviceToken()
{
    return {0x3c, 0x5e, 0x91, 0x0a, 0x7f, 0x42, 0xd8, 0x16, 0x0b, 0xe4, 0x29, 0x63, 0xaf, 0x80, 0x5d, 0x17,
            0xc2, 0x4b, 0x9e, 0x30, 0x01, 0x76, 0xfa, 0x58, 0x8d, 0x23, 0x6c, 0xb9, 0x44, 0x0e, 0xd1, 0x95};
}

PushRegistration::PushRegistration() : m_deviceToken(defaultDeviceToken()) {}

void PushRegistration::registerForRemoteNotifications(Answer answer)
{
    std::optional<NSData> token;
    std::shared_ptr<NSError> failure;
    std::function<void()> observer;
    {
        std::lock_guard lock(m_mutex);
        ++m_registrations;
        failure = m_failure;
        if (!failure)
            token = m_deviceToken;
        observer = m_registrationObserver;
    }
    if (observer)
        observer();
    if (!answer)
        return;
    dispatch_async(dispatch_get_main_queue(), [answer = std::move(answer), token = std::move(token), failure] { answer(token, failure); });
}

UIUserNotificationType PushRegistration::grantedTypesForRequestedTypes(UIUserNotificationType requested) const
{
    std::lock_guard lock(m_mutex);
    // The user can only grant what was asked for.
    return m_grantedTypes ? (*m_grantedTypes & requested) : requested;
}

long PushRegistration::registrationCount() const
{
    std::lock_guard lock(m_mutex);
    return m_registrations;
}

void PushRegistration::setDeviceTokenForTesting(NSData deviceToken)
{
    std::lock_guard lock(m_mutex);
    m_deviceToken = std::move(deviceToken);
}

void PushRegistration::setFailureForTesting(std::shared_ptr<NSError> error)
{
    std::lock_guard lock(m_mutex);
    m_failure = std::move(error);
}

void PushRegistration::setUserAnswerForTesting(std::optional<UIUserNotificationType> grantedTypes)
{
    std::lock_guard lock(m_mutex);
    m_grantedTypes = grantedTypes;
}

void PushRegistration::resetForTesting()
{
    std::lock_guard lock(m_mutex);
    m_deviceToken = defaultDeviceToken();
    m_failure = nullptr;
    m_grantedTypes = std::nullopt;
    m_registrations = 0;
    m_registrationObserver = nullptr;
}

void PushRegistration::setRegistrationObserverForTesting(std::function<void()> observer)
{
    std::lock_guard lock(m_mutex);
    m_registrationObserver = std::move(observer);
}
