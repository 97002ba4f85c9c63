#include "public/KavoniSettings.h"

#include "models/KVNIdentification.h"
#include "public/KavoniCertificateProvider.h"

KavoniSettings::KavoniSettings()
{
    IdentTimerInit(&m_timer);
    IdentTimerStart(&m_timer);
}

std::shared_ptr<KavoniSettings> KavoniSettings::settingsWithCompanyID(const std::optional<std::string>& companyID)
{
    auto settings = std::make_shared<KavoniSettings>();
    settings->setCompanyID(companyID);
    return settings;
}

std::shared_ptr<KavoniSettings> KavoniSettings::settingsWithCompanyID_transactionToken(
    const std::optional<std::string>& companyID, const std::optional<std::string>& transactionToken)
{
    auto settings = settingsWithCompanyID(companyID);
    settings->setTransactionToken(transactionToken);
    return settings;
}

std::optional<std::string> KavoniSettings::mobileNumber() const
{
    return KVNIdentification::sharedIdentification()->videoIdentification()->mobile();
}

void KavoniSettings::setMobileNumber(const std::optional<std::string>& mobileNumber)
{
    KVNIdentification::sharedIdentification()->videoIdentification()->setMobile(mobileNumber);
}
