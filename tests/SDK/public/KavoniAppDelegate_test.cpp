// The push exchange between the library's screens and the app's delegate, through the
// notification centre and the platform's push stand-in, and the push payload's token.
#include <gtest/gtest.h>

#include "../../platform/UIKit/UIKitTestFixture.h"
#include "Foundation/NSNotificationCenter.h"
#include "UIKit/PushRegistration.h"
#include "UIKit/UIUserNotificationSettings.h"
#include "models/KVNIdentification.h"
#include "public/KavoniAppDelegate.h"
#include "public/KavoniSettings.h"

namespace {

struct Posted {
    std::string name;
    std::optional<NSData> object;
    std::optional<NSData> userInfoToken;
};

class KavoniAppDelegateTest : public UIKitTest {
protected:
    void SetUp() override
    {
        UIKitTest::SetUp();
        PushRegistration::sharedInstance()->resetForTesting();
        KVNIdentification::resetSharedIdentification();
        delegate = std::make_shared<KavoniAppDelegate>();
        UIApplication::sharedApplication()->setDelegate(delegate);
        auto center = NSNotificationCenter::defaultCenter();
        for (const auto& name : {KVNDeviceTokenReceived, KVNPushNotificationNotAllowed})
            observers.push_back(center->addObserverForName_object_queue_usingBlock(name, nullptr, nullptr, [this](const NSNotification& n) {
                Posted p{n.name(), std::nullopt, std::nullopt};
                if (n.name() == KVNDeviceTokenReceived && n.object())
                    p.object = *static_cast<const NSData*>(n.object());
                if (auto token = NSDictionaryValue<NSData>(n.userInfo(), KVNDeviceTokenKey))
                    p.userInfoToken = *token;
                posted.push_back(p);
            }));
    }

    void TearDown() override
    {
        for (const auto& observer : observers)
            NSNotificationCenter::defaultCenter()->removeObserver(observer);
        delegate.reset();
        PushRegistration::sharedInstance()->resetForTesting();
        KVNIdentification::resetSharedIdentification();
        UIKitTest::TearDown();
    }

    void requestRegistration()
    {
        NSNotificationCenter::defaultCenter()->postNotificationName_object_userInfo(KVNPushRegistrationRequest);
        runFor(0.1);
    }

    std::shared_ptr<KavoniAppDelegate> delegate;
    std::vector<std::shared_ptr<NSNotificationObserver>> observers;
    std::vector<Posted> posted;
};

} // namespace

TEST_F(KavoniAppDelegateTest, RegistrationRequestEndsInOneTokenReceived)
{
    const NSData token{0x0b, 0xad, 0xf0, 0x0d, 0x00, 0xff};
    PushRegistration::sharedInstance()->setDeviceTokenForTesting(token);
    requestRegistration();

    auto granted = UIApplication::sharedApplication()->currentUserNotificationSettings();
    ASSERT_TRUE(granted);
    EXPECT_EQ(granted->types(), UIUserNotificationTypeBadge | UIUserNotificationTypeSound | UIUserNotificationTypeAlert);
    EXPECT_TRUE(granted->categories().empty());
    EXPECT_EQ(PushRegistration::sharedInstance()->registrationCount(), 1);
    ASSERT_EQ(posted.size(), 1u);
    EXPECT_EQ(posted[0].name, KVNDeviceTokenReceived);
    EXPECT_EQ(posted[0].object, token) << "the object is the token's bytes";
    EXPECT_EQ(posted[0].userInfoToken, token) << "and so is \"deviceToken\"";
}

TEST_F(KavoniAppDelegateTest, RefusalOrFailurePostsNotAllowedOnce)
{
    struct Case {
        const char* reason;
        std::optional<UIUserNotificationType> granted;
        bool registrationFails;
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        {"badge and alert only: not allowed; the token still comes", UIUserNotificationTypeBadge | UIUserNotificationTypeAlert, false,
         {KVNPushNotificationNotAllowed, KVNDeviceTokenReceived}},
        {"nothing granted", UIUserNotificationTypeNone, false, {KVNPushNotificationNotAllowed, KVNDeviceTokenReceived}},
        {"registration failed", std::nullopt, true, {KVNPushNotificationNotAllowed}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.reason);
        posted.clear();
        PushRegistration::sharedInstance()->resetForTesting();
        PushRegistration::sharedInstance()->setUserAnswerForTesting(c.granted);
        if (c.registrationFails)
            PushRegistration::sharedInstance()->setFailureForTesting(NSError::errorWithDomain_code_userInfo("push", 3010, {}));
        requestRegistration();
        std::vector<std::string> names;
        for (const auto& p : posted)
            names.push_back(p.name);
        EXPECT_EQ(names, c.expected);
        EXPECT_EQ(PushRegistration::sharedInstance()->registrationCount(), 1) << "a refusal does not register again";
    }
}

TEST_F(KavoniAppDelegateTest, DelegateGoneStopsAnsweringRequests)
{
    UIApplication::sharedApplication()->setDelegate(nullptr);
    delegate.reset();
    requestRegistration();
    EXPECT_EQ(PushRegistration::sharedInstance()->registrationCount(), 0);
}

TEST_F(KavoniAppDelegateTest, PayloadTokenBecomesTheIdentificationsToken)
{
    struct Case {
        const char* reason;
        nlohmann::json payload;
        std::optional<std::string> expected; // nullopt: nothing changes
    };
    const Case cases[] = {
        {"a token", {{"identId", "TST-4711_ab"}, {"aps", {{"alert", "Call back"}}}}, "TST-4711_ab"},
        {"no identId", {{"aps", {{"alert", "Call back"}}}}, std::nullopt},
        {"null identId", {{"identId", nullptr}}, std::nullopt},
        {"a number", {{"identId", 4711}}, std::nullopt},
        {"an empty text", {{"identId", ""}}, std::nullopt},
        {"a path that would change the service URLs", {{"identId", "../admin"}}, std::nullopt},
        {"a query", {{"identId", "DEV1?x=1"}}, std::nullopt},
        {"far too long", {{"identId", std::string(4096, 'A')}}, std::nullopt},
        {"not an object", nlohmann::json::array({"identId", "DEV9"}), std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.reason);
        KVNIdentification::resetSharedIdentification();
        auto settings = KavoniSettings::settingsWithCompanyID_transactionToken("vellumbank", "DEV0001");
        KVNIdentification::sharedIdentification()->setSettings(settings);
        delegate->setTokenFromPushNotification(std::nullopt);

        UIApplication::sharedApplication()->simulateRemoteNotification(c.payload);

        EXPECT_EQ(delegate->tokenFromPushNotification(), c.expected);
        EXPECT_EQ(settings->transactionToken(), c.expected.value_or("DEV0001"));
        EXPECT_EQ(KVNIdentification::sharedIdentification()->informedByPush(), c.expected.has_value());
    }
}

TEST_F(KavoniAppDelegateTest, TokenWithoutSettingsStillMarksThePush)
{
    UIApplication::sharedApplication()->simulateRemoteNotification({{"identId", "DEV0002"}});
    EXPECT_EQ(delegate->tokenFromPushNotification(), "DEV0002");
    EXPECT_FALSE(KVNIdentification::sharedIdentification()->settings());
    EXPECT_TRUE(KVNIdentification::sharedIdentification()->informedByPush());
}

TEST_F(KavoniAppDelegateTest, LaunchReadsOnlyARemoteNotificationPayload)
{
    auto application = UIApplication::sharedApplication();
    EXPECT_TRUE(delegate->application_didFinishLaunchingWithOptions(application, nlohmann::json::object()));
    EXPECT_FALSE(delegate->tokenFromPushNotification());
    EXPECT_FALSE(KVNIdentification::sharedIdentification()->informedByPush());

    nlohmann::json options = {{UIApplicationLaunchOptionsRemoteNotificationKey, {{"identId", "DEV0003"}}}};
    EXPECT_TRUE(delegate->application_didFinishLaunchingWithOptions(application, options));
    EXPECT_EQ(delegate->tokenFromPushNotification(), "DEV0003");
    EXPECT_TRUE(KVNIdentification::sharedIdentification()->informedByPush());
}

TEST_F(KavoniAppDelegateTest, BecomingActiveClearsTheBadge)
{
    auto application = UIApplication::sharedApplication();
    for (long badge : {3L, 0L}) {
        SCOPED_TRACE(badge);
        application->setApplicationIconBadgeNumber(badge);
        application->simulateResignActive();
        application->simulateBecomeActive();
        EXPECT_EQ(application->applicationIconBadgeNumber(), 0);
    }
}
