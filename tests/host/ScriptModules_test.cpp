// The two script modules as the script sees them, on the real engine: "getDeviceToken" with and
// without a stored token and across a restart, "openKavoni" presenting the host's identification
// screen over the key window's root screen, and the token as the console shows it.
#include "HostTestFixture.h"

#include <atomic>

#include "Foundation/NSLog.h"

#include "AppDelegate.h"
#include "DeviceTokenManager.h"
#include "Foundation/NSUserDefaults.h"
#include "KavoniAdapter.h"
#include "KavoniViewController.h"

using nlohmann::json;

class ScriptModulesTest : public HostTest {};

TEST_F(ScriptModulesTest, GetDeviceTokenResolvesWithTheStoredTokenOrEmptyText)
{
    startScript("");
    EXPECT_EQ(settledValueOf("DeviceTokenManager.getDeviceToken()"), json("")) << "before the first token";

    NSUserDefaults::standardUserDefaults()->setObject_forKey("", "deviceToken");
    EXPECT_EQ(settledValueOf("DeviceTokenManager.getDeviceToken()"), json("")) << "an empty stored text";

    auto delegate = std::make_shared<AppDelegate>();
    delegate->application_didRegisterForRemoteNotificationsWithDeviceToken(UIApplication::sharedApplication(), {0xc0, 0xff, 0xee, 0x00, 0x42});
    EXPECT_EQ(settledValueOf("DeviceTokenManager.getDeviceToken()"), json("c0ffee0042"));

    // A restart: the defaults are read again from their file.
    NSUserDefaults::setStorePath(NSUserDefaults::storePath());
    EXPECT_EQ(settledValueOf("DeviceTokenManager.getDeviceToken()"), json("c0ffee0042"));
}

TEST_F(ScriptModulesTest, GetDeviceTokenNeverRejects)
{
    NSUserDefaults::standardUserDefaults()->setObject_forKey(json::array({1, 2}), "deviceToken");
    std::optional<json> resolved;
    bool rejected = false;
    DeviceTokenManager().findEventsWithResolver_rejecter([&](const json& value) { resolved = value; },
                                                         [&](const std::string&, const std::string&, const std::shared_ptr<NSError>&) { rejected = true; });
    EXPECT_EQ(resolved, json("")) << "a stored value that is not text counts as none";
    EXPECT_FALSE(rejected);
}

TEST_F(ScriptModulesTest, OpenKavoniPresentsTheIdentificationScreenOverTheRootScreen)
{
    // No network: the identification stops at its first check, without a service call.
    SCNetworkReachabilitySetFlagsForTesting(0);
    showRootScreen();
    startScript("");
    EXPECT_EQ(bridge->evaluate("KavoniAdapter.openKavoni('DEV0001') instanceof Promise"), json(true));
    ASSERT_TRUE(loop->spin_until([&] { return root->presentedViewController() != nullptr; }));

    auto presented = std::dynamic_pointer_cast<KavoniViewController>(root->presentedViewController());
    ASSERT_TRUE(presented);
    EXPECT_EQ(presented->kavoniKey(), "DEV0001");
    EXPECT_TRUE(presented->isBeingPresented()) << "animated";
    runFor(UIViewControllerTransitionDuration);
    EXPECT_TRUE(presented->isVisible());
}

TEST_F(ScriptModulesTest, OpenKavoniNeverSettlesItsPromise)
{
    SCNetworkReachabilitySetFlagsForTesting(0);
    showRootScreen();
    startScript("");
    bridge->evaluate("globalThis.outcome = 'pending';"
                     "KavoniAdapter.openKavoni('DEV0001').then(() => { globalThis.outcome = 'resolved'; },"
                     "                                         () => { globalThis.outcome = 'rejected'; });");
    // Once the screen is up the method has done all it will ever do.
    ASSERT_TRUE(loop->spin_until([&] { return root->presentedViewController() != nullptr; }));
    runFor(UIViewControllerTransitionDuration);
    bridge->runUntilIdle();
    EXPECT_EQ(bridge->evaluate("globalThis.outcome"), json("pending"));
}

TEST_F(ScriptModulesTest, OpenKavoniWithoutATokenStillPresents)
{
    showRootScreen();
    startScript("");
    bridge->evaluate("KavoniAdapter.openKavoni()");
    ASSERT_TRUE(loop->spin_until([&] { return root->presentedViewController() != nullptr; }));
    auto presented = std::dynamic_pointer_cast<KavoniViewController>(root->presentedViewController());
    ASSERT_TRUE(presented);
    EXPECT_EQ(presented->kavoniKey(), std::nullopt);
}

TEST_F(ScriptModulesTest, OpenKavoniWithoutAScreenToPresentFromPresentsNothing)
{
    // A key window without a root screen, and another window with one that is not key.
    auto keyWindow = std::make_shared<UIWindow>();
    keyWindow->init();
    keyWindow->makeKeyAndVisible();
    auto other = std::make_shared<UIViewController>();
    auto otherWindow = std::make_shared<UIWindow>();
    otherWindow->init();
    otherWindow->setRootViewController(other);
    otherWindow->setHidden(false);
    ASSERT_EQ(UIApplication::sharedApplication()->keyWindow(), keyWindow);

    std::atomic<bool> gaveUp = false;
    NSLogSetObserverForTesting([&](const std::string& message) {
        if (message.find("no key window with a root view controller") != std::string::npos)
            gaveUp = true;
    });
    startScript("");
    bridge->evaluate("KavoniAdapter.openKavoni('DEV0001')");
    const bool landed = loop->spin_until([&] { return gaveUp.load(); });
    NSLogSetObserverForTesting(nullptr);
    ASSERT_TRUE(landed);
    EXPECT_EQ(other->presentedViewController(), nullptr) << "only the key window's root screen presents";
}

TEST(KavoniAdapterTest, TheConsoleSeesOnlyTheStartAndTheEndOfALongToken)
{
    struct Row {
        std::optional<std::string> token;
        const char* shown;
    };
    const std::vector<Row> rows = {
        {std::nullopt, "(null)"},
        {"", ""},
        {"A", "*"},
        {"ABCD", "AB**"},
        {"DEV0001", "DEV****"},                 // short: the environment only
        {"DEV000001", "DEV******"},             // nine characters: still no end
        {"DEV0000001", "DEV*****01"},           // ten: the last two too
        {"TST-8f1c2e9a7b", "TST*********7b"},
        {"DEVÄÖÜ1234", "DEV*****34"},           // counted in characters, never split
    };
    for (const auto& row : rows)
        EXPECT_EQ(KavoniAdapter::maskedTransactionToken(row.token), row.shown) << row.token.value_or("(nil)");
}
