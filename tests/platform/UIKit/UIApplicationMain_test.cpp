// The app's entry and the push side of the application: the delegate made by class name, the
// launch options from the environment, the launch and end notifications in order, the return
// status, and the push stand-in's answers reaching (only) the delegates that respond to them.
#include "UIKitTestFixture.h"

#include <cstdlib>
#include <optional>

#include <nlohmann/json.hpp>

#include "Foundation/Dispatch.h"
#include "Foundation/NSNotificationCenter.h"
#include "UIKit/NSDataDescription.h"
#include "UIKit/PushRegistration.h"
#include "UIKit/UIApplicationDelegate.h"
#include "UIKit/UIApplicationMain.h"
#include "UIKit/UIUserNotificationSettings.h"

namespace {

std::vector<std::string> g_journal;

// Launches, writes down what it hears and ends the app on the loop's first turn with status 7.
class LaunchRecordingDelegate : public UIApplicationDelegate {
public:
    static inline nlohmann::json launchOptions;
    static inline bool endWhileLaunching = false;

    bool application_didFinishLaunchingWithOptions(const std::shared_ptr<UIApplication>& application,
                                                   const nlohmann::json& options) override
    {
        g_journal.push_back("didFinishLaunching");
        launchOptions = options;
        if (endWhileLaunching) {
            application->terminateWithStatus(5);
            return true;
        }
        dispatch_async(dispatch_get_main_queue(), [] {
            g_journal.push_back("loop turned");
            UIApplication::sharedApplication()->terminateWithStatus(7);
        });
        return true;
    }
};
UI_APPLICATION_DELEGATE_CLASS(LaunchRecordingDelegate);

// Answers the push operations it is told to.
class PushDelegate : public UIApplicationDelegate {
public:
    bool respondsToSettings = true;
    bool respondsToToken = true;
    bool respondsToFailure = true;
    std::vector<UIUserNotificationType> settings;
    std::vector<NSData> tokens;
    std::vector<long> failures;

    void application_didRegisterUserNotificationSettings(const std::shared_ptr<UIApplication>&,
                                                         const std::shared_ptr<UIUserNotificationSettings>& granted) override
    {
        settings.push_back(granted->types());
    }
    bool respondsToApplication_didRegisterUserNotificationSettings() const override { return respondsToSettings; }
    void application_didRegisterForRemoteNotificationsWithDeviceToken(const std::shared_ptr<UIApplication>&, const NSData& token) override
    {
        tokens.push_back(token);
    }
    bool respondsToApplication_didRegisterForRemoteNotificationsWithDeviceToken() const override { return respondsToToken; }
    void application_didFailToRegisterForRemoteNotificationsWithError(const std::shared_ptr<UIApplication>&,
                                                                     const std::shared_ptr<NSError>& error) override
    {
        failures.push_back(error ? error->code() : 0);
    }
    bool respondsToApplication_didFailToRegisterForRemoteNotificationsWithError() const override { return respondsToFailure; }
};

} // namespace

class UIApplicationMainTest : public UIKitTest {
protected:
    void SetUp() override
    {
        UIKitTest::SetUp();
        g_journal.clear();
        LaunchRecordingDelegate::launchOptions = nullptr;
        LaunchRecordingDelegate::endWhileLaunching = false;
        PushRegistration::sharedInstance()->resetForTesting();
        unsetenv("KVN_LAUNCH_OPTIONS");
        auto center = NSNotificationCenter::defaultCenter();
        for (const auto& name : {UIApplicationDidFinishLaunchingNotification, UIApplicationWillTerminateNotification})
            observers.push_back(center->addObserverForName_object_queue_usingBlock(name, nullptr, nullptr,
                                                                                   [](const NSNotification& n) { g_journal.push_back(n.name()); }));
    }

    void TearDown() override
    {
        for (const auto& observer : observers)
            NSNotificationCenter::defaultCenter()->removeObserver(observer);
        unsetenv("KVN_LAUNCH_OPTIONS");
        PushRegistration::sharedInstance()->resetForTesting();
        UIKitTest::TearDown();
    }

    int launch(const std::optional<std::string>& principal, const std::optional<std::string>& delegate)
    {
        char name[] = "VellumBank";
        char* argv[] = {name, nullptr};
        return UIApplicationMain(1, argv, principal, delegate);
    }

    std::vector<std::shared_ptr<NSNotificationObserver>> observers;
};

TEST_F(UIApplicationMainTest, LaunchesTheNamedDelegateRunsTheLoopAndReturnsTheStatusItEndsWith)
{
    EXPECT_EQ(launch(std::nullopt, "LaunchRecordingDelegate"), 7);
    EXPECT_EQ(g_journal, (std::vector<std::string>{"didFinishLaunching", UIApplicationDidFinishLaunchingNotification, "loop turned",
                                                   UIApplicationWillTerminateNotification}));
    EXPECT_EQ(LaunchRecordingDelegate::launchOptions, nlohmann::json::object());
}

TEST_F(UIApplicationMainTest, AnEndAskedForWhileLaunchingNeverRunsTheLoop)
{
    LaunchRecordingDelegate::endWhileLaunching = true;
    EXPECT_EQ(launch("UIApplication", "LaunchRecordingDelegate"), 5);
    EXPECT_EQ(g_journal, (std::vector<std::string>{"didFinishLaunching", UIApplicationDidFinishLaunchingNotification,
                                                   UIApplicationWillTerminateNotification}));
}

TEST_F(UIApplicationMainTest, LaunchOptionsComeFromTheEnvironmentAsAJSONObject)
{
    struct Row {
        const char* reason;
        const char* value;
        nlohmann::json expected;
    };
    const std::vector<Row> rows = {
        {"an object is handed over", R"({"transactionToken": "DEV0001"})", {{"transactionToken", "DEV0001"}}},
        {"empty is no options", "", nlohmann::json::object()},
        {"an array is not options", "[1, 2]", nlohmann::json::object()},
        {"broken JSON is not options", "{\"transactionToken\": ", nlohmann::json::object()},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.reason);
        setenv("KVN_LAUNCH_OPTIONS", row.value, 1);
        UIApplication::sharedApplication()->resetForTesting();
        EXPECT_EQ(launch(std::nullopt, "LaunchRecordingDelegate"), 7);
        EXPECT_EQ(LaunchRecordingDelegate::launchOptions, row.expected);
    }
}

TEST_F(UIApplicationMainTest, UnknownClassesAreReportedAndNothingLaunches)
{
    EXPECT_EQ(launch(std::nullopt, "NoSuchDelegate"), 1);
    EXPECT_EQ(launch("MyApplication", "LaunchRecordingDelegate"), 1);
    EXPECT_TRUE(g_journal.empty());
    EXPECT_FALSE(UIApplication::registerDelegateClass("LaunchRecordingDelegate", [] { return nullptr; }))
        << "a name is registered once; the first class keeps it";
}

TEST_F(UIApplicationMainTest, NotificationSettingsAnswerLaterWithWhatTheUserGranted)
{
    auto app = UIApplication::sharedApplication();
    auto delegate = std::make_shared<PushDelegate>();
    app->setDelegate(delegate);
    const UIUserNotificationType asked = UIUserNotificationTypeBadge | UIUserNotificationTypeSound | UIUserNotificationTypeAlert;
    EXPECT_EQ(asked, 7u);

    app->registerUserNotificationSettings(UIUserNotificationSettings::settingsForTypes_categories(asked, {}));
    EXPECT_TRUE(delegate->settings.empty()) << "the answer comes on a later turn of the main queue";
    pump();
    EXPECT_EQ(delegate->settings, std::vector<UIUserNotificationType>{7});
    EXPECT_EQ(app->currentUserNotificationSettings()->types(), 7u);

    PushRegistration::sharedInstance()->setUserAnswerForTesting(UIUserNotificationTypeSound);
    app->registerUserNotificationSettings(UIUserNotificationSettings::settingsForTypes_categories(asked, {}));
    pump();
    EXPECT_EQ(delegate->settings.back(), UIUserNotificationTypeSound);

    delegate->respondsToSettings = false;
    app->registerUserNotificationSettings(UIUserNotificationSettings::settingsForTypes_categories(asked, {}));
    pump();
    EXPECT_EQ(delegate->settings.size(), 2u) << "a delegate that does not respond hears nothing";
}

TEST_F(UIApplicationMainTest, RemoteRegistrationDeliversTheTokenOrTheFailureToARespondingDelegate)
{
    auto app = UIApplication::sharedApplication();
    auto push = PushRegistration::sharedInstance();
    auto delegate = std::make_shared<PushDelegate>();
    app->setDelegate(delegate);

    app->registerForRemoteNotifications();
    EXPECT_TRUE(delegate->tokens.empty());
    pump();
    ASSERT_EQ(delegate->tokens.size(), 1u);
    EXPECT_EQ(delegate->tokens[0], PushRegistration::defaultDeviceToken());
    EXPECT_EQ(delegate->tokens[0].size(), 32u);
    EXPECT_TRUE(app->isRegisteredForRemoteNotifications());

    push->setDeviceTokenForTesting({0xde, 0xad});
    app->registerForRemoteNotifications();
    pump();
    EXPECT_EQ(delegate->tokens.back(), (NSData{0xde, 0xad}));

    push->setFailureForTesting(NSError::errorWithDomain_code_userInfo("push", 3010));
    app->registerForRemoteNotifications();
    pump();
    EXPECT_EQ(delegate->failures, std::vector<long>{3010});
    EXPECT_EQ(delegate->tokens.size(), 2u);

    delegate->respondsToFailure = false;
    app->registerForRemoteNotifications();
    pump();
    EXPECT_EQ(delegate->failures.size(), 1u) << "a delegate that does not respond hears nothing";
    EXPECT_EQ(push->registrationCount(), 4);

    app->setDelegate(nullptr);
    push->setFailureForTesting(nullptr);
    app->registerForRemoteNotifications();
    pump(); // no delegate: the answer goes nowhere, and nothing breaks
    EXPECT_EQ(delegate->tokens.size(), 2u);
}

TEST(NSDataDescriptionTest, GroupsOfFourBytesInLowerCaseHexBetweenBrackets)
{
    struct Row {
        NSData data;
        const char* expected;
    };
    const std::vector<Row> rows = {
        {{}, "<>"},
        {{0x0a}, "<0a>"},
        {{0xde, 0xad, 0xbe, 0xef}, "<deadbeef>"},
        {{0x00, 0x01, 0xAB, 0xff, 0x10}, "<0001abff 10>"},
        {{1, 2, 3, 4, 5, 6, 7, 8}, "<01020304 05060708>"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(NSDataDescription(row.data), row.expected);
    EXPECT_EQ(NSDataDescription(PushRegistration::defaultDeviceToken()).size(), 2 + 64 + 7u);
}

TEST_F(UIApplicationMainTest, TheOlderModalPresentationPresentsLikeTheNewer)
{
    auto root = std::make_shared<RecordingViewController>();
    auto window = showWindow(root);
    auto modal = std::make_shared<RecordingViewController>();
    root->presentModalViewController_animated(modal, true);
    EXPECT_TRUE(modal->isBeingPresented());
    runFor(UIViewControllerTransitionDuration);
    EXPECT_EQ(root->presentedViewController(), modal);
    EXPECT_TRUE(modal->isVisible());
}
