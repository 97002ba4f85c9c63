// The app's start: the launch steps and what each leaves behind (pins, notification settings,
// remote registration, the window, the script runtime), the device token's text form and its
// storage, and the blank root screen that stands in for the script's screens.
#include "HostTestFixture.h"

#include <algorithm>
#include <iterator>
#include <set>

#include "AppDelegate.h"
#include "Foundation/NSBase64.h"
#include "Foundation/NSNotificationCenter.h"
#include "Foundation/NSUserDefaults.h"
#include "Network/PublicKeyPinning.h"
#include "UIKit/UIColor.h"
#include "UIKit/UIScreen.h"
#include "UIKit/UIUserNotificationSettings.h"

using nlohmann::json;

class AppDelegateTest : public HostTest {
protected:
    void SetUp() override
    {
        HostTest::SetUp();
        app = UIApplication::sharedApplication();
        delegate = std::make_shared<AppDelegate>();
        app->setDelegate(delegate);
    }

    bool launch(const json& options = json::object()) { return delegate->application_didFinishLaunchingWithOptions(app, options); }

    std::optional<std::string> storedToken() const { return NSUserDefaults::standardUserDefaults()->stringForKey("deviceToken"); }

    std::shared_ptr<UIApplication> app;
    std::shared_ptr<AppDelegate> delegate;
};

TEST_F(AppDelegateTest, LaunchPinsRegistersMakesTheWindowAndStartsTheScript)
{
    bundle->writeFile("main.jsbundle", "globalThis.seen = launchOptions;");
    EXPECT_TRUE(launch({{"transactionToken", "DEV0001"}}));

    // 1. Pins of the two hosts, and nothing else pinned.
    EXPECT_EQ(delegate->pinningConfiguration(), AppDelegate::makePinningConfiguration());
    auto pinning = PublicKeyPinning::sharedInstance();
    ASSERT_TRUE(pinning);
    EXPECT_TRUE(pinning->pinnedPublicKeysForHost("mobile.vellumbank.example"));
    EXPECT_TRUE(pinning->pinnedPublicKeysForHost("eservice-test.vellumbank.example"));
    EXPECT_FALSE(pinning->pinnedPublicKeysForHost("api.mobile.vellumbank.example")) << "subdomains are not included";
    EXPECT_FALSE(pinning->pinnedPublicKeysForHost("localhost")) << "the development service is not pinned";

    // 2. Notification settings for badge, sound and alert, then the remote registration.
    EXPECT_EQ(PushRegistration::sharedInstance()->registrationCount(), 1);
    loop->pump();
    ASSERT_TRUE(app->currentUserNotificationSettings());
    EXPECT_EQ(app->currentUserNotificationSettings()->types(), 7u);
    EXPECT_TRUE(app->currentUserNotificationSettings()->categories().empty());
    EXPECT_EQ(PushRegistration::sharedInstance()->registrationCount(), 2) << "registered again once the settings were answered";
    EXPECT_TRUE(app->isRegisteredForRemoteNotifications());

    // 4. A white window over the screen, neither key nor visible yet.
    auto window = delegate->window();
    ASSERT_TRUE(window);
    EXPECT_EQ(window->frame(), UIScreen::mainScreen()->bounds());
    ASSERT_TRUE(window->backgroundColor());
    EXPECT_EQ(*window->backgroundColor(), *UIColor::whiteColor());
    EXPECT_FALSE(app->keyWindow());
    EXPECT_FALSE(window->rootViewController());

    // 3 and 5. The script runs from the bundle's main.jsbundle with the launch options.
    auto started = NavigationManager::sharedInstance()->bridge();
    ASSERT_TRUE(started);
    EXPECT_EQ(started->bundleURL(), bundle->path() + "/main.jsbundle");
    ASSERT_TRUE(started->runUntilIdle());
    EXPECT_EQ(started->evaluate("seen.transactionToken"), json("DEV0001"));
}

TEST_F(AppDelegateTest, LaunchStepsRunInTheirOrder)
{
    // What the app had done when it first registered for notifications: the pins were in place
    // (nothing may reach the network unpinned), the window and the script not yet.
    struct Seen {
        bool pinned = false;
        bool window = false;
        bool script = false;
    };
    std::optional<Seen> atFirstRegistration;
    PushRegistration::sharedInstance()->setRegistrationObserverForTesting([&] {
        if (!atFirstRegistration)
            atFirstRegistration = Seen{PublicKeyPinning::sharedInstance() != nullptr, delegate->window() != nullptr,
                                       NavigationManager::sharedInstance()->bridge() != nullptr};
    });
    bundle->writeFile("main.jsbundle", "");
    PublicKeyPinning::initSharedInstanceWithConfiguration({{PublicKeyPinningConfigurationKey::PinnedDomains, json::object()}});
    ASSERT_FALSE(PublicKeyPinning::sharedInstance()->pinnedPublicKeysForHost("mobile.vellumbank.example"));
    NavigationManager::sharedInstance()->stopBridge();

    EXPECT_TRUE(launch());
    PushRegistration::sharedInstance()->setRegistrationObserverForTesting(nullptr);
    ASSERT_TRUE(atFirstRegistration);
    EXPECT_TRUE(PublicKeyPinning::sharedInstance()->pinnedPublicKeysForHost("mobile.vellumbank.example"));
    EXPECT_FALSE(atFirstRegistration->window) << "the window comes after the registration";
    EXPECT_FALSE(atFirstRegistration->script) << "the script starts last";
    EXPECT_TRUE(delegate->window());
    EXPECT_TRUE(NavigationManager::sharedInstance()->bridge());
}

TEST_F(AppDelegateTest, ARejectedPinningConfigurationLeavesTheBankHostsUnreachableNotUnpinned)
{
    auto broken = AppDelegate::makePinningConfiguration();
    auto& hashes = broken[PublicKeyPinningConfigurationKey::PinnedDomains]["mobile.vellumbank.example"][PublicKeyPinningConfigurationKey::PublicKeyHashes];
    hashes = json::array({hashes[0]}); // no backup key: the package refuses the whole configuration

    AppDelegate::installPinning(broken);
    auto pinning = PublicKeyPinning::sharedInstance();
    ASSERT_TRUE(pinning);
    const auto good = AppDelegate::makePinningConfiguration()[PublicKeyPinningConfigurationKey::PinnedDomains];
    for (const auto& host : {"mobile.vellumbank.example", "eservice-test.vellumbank.example"}) {
        SCOPED_TRACE(host);
        const auto pins = pinning->pinnedPublicKeysForHost(host);
        ASSERT_TRUE(pins) << "still pinned";
        for (const auto& hash : good[host][PublicKeyPinningConfigurationKey::PublicKeyHashes])
            EXPECT_EQ(pins->find(hash.get<std::string>()), std::string::npos) << "no real key is accepted";
    }
    EXPECT_FALSE(pinning->pinnedPublicKeysForHost("localhost")) << "other hosts are untouched";
}

TEST_F(AppDelegateTest, PinningConfigurationHasTwoHostsWithTwoKeysEachAndOneShared)
{
    namespace Key = PublicKeyPinningConfigurationKey;
    const auto configuration = AppDelegate::makePinningConfiguration();
    EXPECT_EQ(configuration.size(), 2u) << "no other top-level key";
    EXPECT_EQ(configuration[Key::SwizzleNetworkDelegates], true);
    const auto& domains = configuration[Key::PinnedDomains];
    ASSERT_EQ(domains.size(), 2u);

    std::vector<std::set<std::string>> hashesPerHost;
    std::set<std::string> all;
    for (const auto& [host, entry] : domains.items()) {
        SCOPED_TRACE(host);
        EXPECT_EQ(entry.size(), 3u) << "no subdomains, no report address";
        EXPECT_EQ(entry[Key::EnforcePinning], true);
        EXPECT_EQ(entry[Key::PublicKeyAlgorithms], json::array({"RSA2048"}));
        std::set<std::string> hashes;
        for (const auto& hash : entry[Key::PublicKeyHashes]) {
            const auto text = hash.get<std::string>();
            EXPECT_EQ(text.size(), 44u);
            auto bytes = NSBase64Decode(text);
            ASSERT_TRUE(bytes);
            EXPECT_EQ(bytes->size(), 32u);
            hashes.insert(text);
            all.insert(text);
        }
        EXPECT_EQ(hashes.size(), 3u);
        hashesPerHost.push_back(hashes);
    }
    std::vector<std::string> shared;
    std::set_intersection(hashesPerHost[0].begin(), hashesPerHost[0].end(), hashesPerHost[1].begin(), hashesPerHost[1].end(),
                          std::back_inserter(shared));
    EXPECT_EQ(shared.size(), 1u);
    EXPECT_EQ(all.size(), 5u);
}

TEST_F(AppDelegateTest, WithoutAScriptBundleTheAppStillLaunches)
{
    EXPECT_TRUE(launch());
    EXPECT_FALSE(NavigationManager::sharedInstance()->bridge());
    EXPECT_TRUE(delegate->window());
}

TEST_F(AppDelegateTest, TheTokenIsItsBytesAsOneRunOfHexDigits)
{
    struct Row {
        NSData token;
        const char* text;
    };
    const std::vector<Row> rows = {
        {{}, ""},
        {{0x0a}, "0a"},
        {{0xde, 0xad, 0xbe, 0xef, 0x01}, "deadbeef01"},
        {PushRegistration::defaultDeviceToken(), "3c5e910a7f42d8160be42963af805d17c24b9e300176fa588d236cb9440ed195"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(delegate->trimDeviceToken(row.token), row.text);
}

TEST_F(AppDelegateTest, ATokenIsStoredOnDiskAtOnceAndALaterOneReplacesIt)
{
    delegate->application_didRegisterForRemoteNotificationsWithDeviceToken(app, {0x01, 0x02, 0x03, 0x04, 0xaa});
    EXPECT_EQ(storedToken(), "01020304aa");
    // Written out already: another reader of the file (the next launch) sees it.
    EXPECT_EQ(NSUserDefaults(NSUserDefaults::storePath()).stringForKey("deviceToken"), "01020304aa");

    delegate->application_didRegisterForRemoteNotificationsWithDeviceToken(app, {0xff});
    EXPECT_EQ(NSUserDefaults(NSUserDefaults::storePath()).stringForKey("deviceToken"), "ff");
}

TEST_F(AppDelegateTest, TheTokenIsStoredWhateverTheUserAnsweredAndAFailureStoresNothing)
{
    PushRegistration::sharedInstance()->setUserAnswerForTesting(UIUserNotificationTypeNone);
    launch();
    loop->pump();
    EXPECT_EQ(app->currentUserNotificationSettings()->types(), UIUserNotificationTypeNone);
    EXPECT_EQ(storedToken(), delegate->trimDeviceToken(PushRegistration::defaultDeviceToken()));

    NSUserDefaults::standardUserDefaults()->removeObjectForKey("deviceToken");
    PushRegistration::sharedInstance()->setFailureForTesting(NSError::errorWithDomain_code_userInfo("push", 3010));
    app->registerForRemoteNotifications();
    loop->pump();
    EXPECT_FALSE(storedToken());
    EXPECT_FALSE(delegate->respondsToApplication_didFailToRegisterForRemoteNotificationsWithError());
}

TEST_F(AppDelegateTest, TheScriptStopsWhenTheAppEnds)
{
    bundle->writeFile("main.jsbundle", "");
    launch();
    ASSERT_TRUE(NavigationManager::sharedInstance()->bridge());
    NSNotificationCenter::defaultCenter()->postNotificationName_object_userInfo(UIApplicationWillTerminateNotification);
    EXPECT_FALSE(NavigationManager::sharedInstance()->bridge());
}
