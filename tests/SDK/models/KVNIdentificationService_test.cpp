// The shared session against the simulated service over HTTPS: texts asked for on demand.
#include <gtest/gtest.h>

#include "Foundation/NSLocale.h"
#include "Foundation/NSNotificationCenter.h"
#include "Foundation/NSRunLoop.h"
#include "Private/Helper/KVNLocalizer.h"
#include "Private/Helper/KVNRequestManager.h"
#include "models/KVNIdentification.h"
#include "public/KavoniSettings.h"
#include "support/KvnTestBundle.h"
#include "support/SimFixture.h"

namespace {

class KVNIdentificationServiceTest : public SimFixture<> {
protected:
    void SetUp() override
    {
        SimFixture::SetUp();
        NSLocale::setPreferredLanguages({"en"});
        KVNLocalizer::setUserInterfaceLanguage(std::nullopt);
        KVNIdentification::resetSharedIdentification();
        identification = KVNIdentification::sharedIdentification();
        auto settings = KavoniSettings::settingsWithCompanyID_transactionToken("vellumbank", "DEV1");
        settings->setEnvironment(8);
        settings->setApiHost(sim->baseURL());
        identification->setSettings(settings);
        KVNRequestManager::sharedManager()->setIdent(identification);
    }
    void TearDown() override
    {
        KVNRequestManager::sharedManager()->cancelTasks();
        NSRunLoop::mainRunLoop()->pump();
        NSRunLoop::mainRunLoop()->discardPendingBlocks();
        KVNRequestManager::sharedManager()->setIdent(nullptr);
        KVNIdentification::resetSharedIdentification();
        NSLocale::resetOverrides();
    }

    KvnTestBundle bundle;
    std::shared_ptr<KVNIdentification> identification;
};

} // namespace

TEST_F(KVNIdentificationServiceTest, ALookupWithoutTextsAsksTheServiceAndLaterLookupsGetItsTexts)
{
    const std::string key = "js.mobile.phone.validation.corrected";
    identification->server()->setShortName("vellum&bank");
    int posted = 0;
    auto observer = NSNotificationCenter::defaultCenter()->addObserverForName_object_queue_usingBlock(
        "KVNMessagesUpdated", nullptr, nullptr, [&](const NSNotification&) { ++posted; });

    // Until the texts arrive, the library's own text answers.
    EXPECT_EQ(identification->getMessageFor_withDefaultKey(key, "js.mobile.phone.validation.error"),
              KVNLocalizer::localizedStringForKey("js.mobile.phone.validation.error"));
    ASSERT_TRUE(NSRunLoop::mainRunLoop()->spin_until([&] { return posted > 0; }));

    EXPECT_EQ(identification->getMessageFor_withDefaultKey(key, "js.mobile.phone.validation.error"),
              "We have corrected the format of your mobile number. Please check it.");
    EXPECT_TRUE(identification->forcedWaitingMessage()) << "the video session's texts came with them";

    // One request, with the short name as one query value.
    const auto requests = sim->requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0]["method"], "GET");
    EXPECT_EQ(requests[0]["path"], "/assets/messages.json");
    EXPECT_EQ(requests[0]["query"], "shortName=vellum%26bank");
    NSNotificationCenter::defaultCenter()->removeObserver(observer);
}

TEST_F(KVNIdentificationServiceTest, AFailedTextsRequestLeavesTheLibraryTexts)
{
    sim->setAnswer("GET", "/assets/messages.json", 503, SimService::errorBody("UNAVAILABLE", "maintenance"));
    const std::string fallback = KVNLocalizer::localizedStringForKey("js.mobile.phone.validation.error");
    EXPECT_EQ(identification->getMessageFor_withDefaultKey("js.x", "js.mobile.phone.validation.error"), fallback);
    const auto answered = [&](size_t count) {
        return NSRunLoop::mainRunLoop()->spin_until([&] {
            const auto requests = sim->requests();
            return requests.size() == count && !requests.back()["status"].is_null();
        });
    };
    ASSERT_TRUE(answered(1));
    EXPECT_FALSE(identification->messages());
    // Still none held: the next lookup asks again.
    EXPECT_EQ(identification->getMessageFor_withDefaultKey("js.x", "js.mobile.phone.validation.error"), fallback);
    ASSERT_TRUE(answered(2));
    EXPECT_FALSE(identification->messages());
}
