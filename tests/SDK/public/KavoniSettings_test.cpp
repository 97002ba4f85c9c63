#include <gtest/gtest.h>

#include <cstdint>

#include "Private/Helper/IdentTimer.h"
#include "models/KVNIdentification.h"
#include "public/KavoniCertificateProvider.h"
#include "public/KavoniSettings.h"

TEST(KavoniSettingsTest, DefaultsAndClassOperations)
{
    const auto settings = std::make_shared<KavoniSettings>();
    EXPECT_FALSE(settings->transactionToken());
    EXPECT_FALSE(settings->companyID());
    EXPECT_FALSE(settings->ignoreCompanyID());
    EXPECT_TRUE(settings->showVideoOverviewCheck());
    EXPECT_TRUE(settings->showErrorSuccessScreen());
    EXPECT_FALSE(settings->forceErrorSuccessScreen());
    EXPECT_FALSE(settings->showIdentTokenOnCheckScreen());
    EXPECT_FALSE(settings->forceModalPresentation());
    EXPECT_EQ(settings->modalPresentationStyle(), UIModalPresentationStyle::FullScreen);
    EXPECT_FALSE(settings->certificateProvider());
    EXPECT_FALSE(settings->pushDeviceToken());
    EXPECT_FALSE(settings->userInterfaceLanguage());
    EXPECT_EQ(settings->environment(), 0);
    EXPECT_FALSE(settings->allowInvalidCertificates());
    EXPECT_FALSE(settings->apiHost());
    EXPECT_FALSE(settings->websocketHost());
    EXPECT_FALSE(settings->videoHost());
    EXPECT_FALSE(settings->stunHost());
    EXPECT_EQ(settings->stunPort(), 3478);
    EXPECT_EQ(settings->connectionType(), 0);
    EXPECT_TRUE(settings->showPoweredBy());
    EXPECT_FALSE(settings->activateAppRating());
    EXPECT_EQ(settings->reviewTimeLimit(), 0);

    const auto byCompany = KavoniSettings::settingsWithCompanyID("bank");
    EXPECT_EQ(byCompany->companyID(), "bank");
    EXPECT_FALSE(byCompany->transactionToken());
    EXPECT_TRUE(byCompany->showVideoOverviewCheck()) << "made with the defaults";

    const auto withToken = KavoniSettings::settingsWithCompanyID_transactionToken("bank", "DEV-1");
    EXPECT_EQ(withToken->companyID(), "bank");
    EXPECT_EQ(withToken->transactionToken(), "DEV-1");
    EXPECT_EQ(withToken->stunPort(), 3478);

    struct Provider : KavoniCertificateProvider {};
    auto provider = std::make_shared<Provider>();
    withToken->setCertificateProvider(provider);
    EXPECT_EQ(withToken->certificateProvider(), provider);
}

TEST(KavoniSettingsTest, TheStopwatchIsStartedAtCreationAndChangedInPlace)
{
    uint64_t ticks = 1'000;
    IdentTimerSetTickSourceForTesting([&ticks] { return ticks; });
    const auto settings = std::make_shared<KavoniSettings>();
    IdentTimer* timer = settings->getTimer();
    EXPECT_EQ(timer->t0, 1'000u);
    EXPECT_EQ(timer->m_timeBaseInfo.numer, 1u);
    EXPECT_EQ(timer->m_timeBaseInfo.denom, 1u);

    ticks += 2'500'000'000ull;
    IdentTimerStop(settings->getTimer());
    EXPECT_EQ(settings->getTimer(), timer);
    EXPECT_EQ(settings->getTimer()->m_millis, 250);
    IdentTimerSetTickSourceForTesting(nullptr);
}
