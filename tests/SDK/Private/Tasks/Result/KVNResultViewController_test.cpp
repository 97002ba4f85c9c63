// The result screen as the user meets it: pushed onto the identification's stack, drawn,
// left through its bar buttons (tapped through the navigation bar), and hiding the process
// number while the app is inactive.
#include <gtest/gtest.h>

#include "../../../../platform/UIKit/Snapshot.h"
#include "../../UIElements/Controls/ThemedUIKitTest.h"
#include "Foundation/NSLocale.h"
#include "Private/Helper/KVNLocalizer.h"
#include "Private/Tasks/VideoIdent/Identification/KVNIdentificationViewController.h"
#include "Private/Tasks/VideoIdent/Identification/KVNResultViewController.h"
#include "Private/UIElements/KVNLabel.h"
#include "Private/UIElements/KVNUICustomization.h"
#include "StoreKit/SKStoreReviewController.h"
#include "UIKit/Automation/Driver.h"
#include "UIKit/Automation/ViewFinder.h"
#include "UIKit/Automation/ViewTreeDump.h"
#include "UIKit/UIBarButtonItem.h"
#include "UIKit/UIDevice.h"
#include "UIKit/UIGraphics.h"
#include "UIKit/UIImage.h"
#include "UIKit/UINavigationController.h"
#include "UIKit/UINavigationItem.h"
#include "UIKit/UIScrollView.h"
#include "models/KVNIdentification.h"
#include "public/KavoniController.h"
#include "public/KavoniSettings.h"
#include "support/KvnTestBundle.h"
#include "support/TestPicture.h"

namespace {

class RecordingIdentificationViewController : public KVNIdentificationViewController {
public:
    void reset() override { ++resets; }
    int resets = 0;
};

class CustomizedResultViewController : public KVNResultViewController, public KVNUICustomization {
public:
    void onSetupComplete() override { ++setupCompleteCalls; }
    int setupCompleteCalls = 0;
};

struct BlockCall {
    bool success;
    std::shared_ptr<NSError> error;
    bool canceledByUser;
};

class ResultScreenTest : public ThemedUIKitTest {
protected:
    void SetUp() override
    {
        ThemedUIKitTest::SetUp();
        bundle = std::make_unique<KvnTestBundle>();
        bundle->addImage("kvn-icon-result-success", 64, 64, 0x2E9E4AFF);
        bundle->addImage("kvn-icon-result-failure", 64, 64, 0xD0342CFF);
        bundle->addImage("kvn-bg", 375, 667, 0xEAF2FAFF);
        NSLocale::setPreferredLanguages({"en"});
        KVNIdentification::resetSharedIdentification();
        SKStoreReviewController::resetForTesting();
        UIDevice::currentDevice()->setSystemVersionForTesting("12.0");
        settings = KavoniSettings::settingsWithCompanyID_transactionToken("vellumbank", "DEV0001");
        KVNIdentification::sharedIdentification()->setSettings(settings);
        controller = std::make_shared<KavoniController>();
        controller->initWithSettings(settings);
    }

    void TearDown() override
    {
        if (auto current = KavoniController::currentKavoniController())
            current->identificationCanceledByUser();
        runFor(1.0);
        window.reset();
        UIDevice::currentDevice()->setSystemVersionForTesting("12.0");
        KVNIdentification::resetSharedIdentification();
        bundle.reset();
        ThemedUIKitTest::TearDown();
    }

    // The identification started from a host screen in a phone-sized window, the video screen
    // at the bottom of its own stack and the result screen pushed above it, as the video
    // screen's endings do.
    void showResult(bool success, std::shared_ptr<KVNResultViewController> screen = nullptr)
    {
        host = std::make_shared<UIViewController>();
        host->init();
        window = std::make_shared<UIWindow>();
        window->initWithFrame(CGRectMake(0, 0, 375, 667));
        window->setRootViewController(host);
        window->makeKeyAndVisible();
        controller->startIdentificationFromViewController_withCompletionBlock(
            host, [this](bool ok, const std::shared_ptr<NSError>& error, bool canceled) { blockCalls.push_back({ok, error, canceled}); });
        runFor(1.0);
        auto checkScreens = std::dynamic_pointer_cast<UINavigationController>(host->presentedViewController());
        ASSERT_TRUE(checkScreens);
        // The data check's start presents the video screen in a navigation controller of its own.
        ident = std::make_shared<RecordingIdentificationViewController>();
        navigation = std::make_shared<UINavigationController>();
        navigation->initWithRootViewController(ident);
        checkScreens->presentViewController_animated_completion(navigation, false, nullptr);
        runFor(1.0);
        result = screen ? screen : std::make_shared<KVNResultViewController>();
        result->setSuccess(success);
        navigation->pushViewController_animated(result, true);
        runFor(1.0);
        window->layoutIfNeeded();
    }

    std::string dump() const { return Automation::ViewTreeDump::textOf(window); }

    std::shared_ptr<UIView> barButton(const std::string& title) const
    {
        return Automation::ViewFinder::viewWithAccessibilityLabel(window, title);
    }

    // The window as a PNG under the build tree, for people to look at.
    void writePicture(const std::string& name) const
    {
        kvn::test::writeTestPicture("result-screen", name, fixtures::snapshot(window));
    }

    std::unique_ptr<KvnTestBundle> bundle;
    std::shared_ptr<KavoniSettings> settings;
    std::shared_ptr<KavoniController> controller;
    std::vector<BlockCall> blockCalls;
    std::shared_ptr<UIViewController> host;
    std::shared_ptr<UIWindow> window;
    std::shared_ptr<UINavigationController> navigation;
    std::shared_ptr<RecordingIdentificationViewController> ident;
    std::shared_ptr<KVNResultViewController> result;
};

bool contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

} // namespace

TEST_F(ResultScreenTest, EachVariantShowsItsTextsAndButtons)
{
    struct Case {
        const char* picture;
        const char* language;
        bool success;
        KVNIdentificationType type;
        std::optional<std::string> serviceMessage;
        const char* title;
        const char* message;
        const char* done;
        const char* retry; // nullptr: none
    };
    const Case cases[] = {
        {"video-success", "en", true, KVNIdentificationTypeVideo, std::nullopt, "Video identification complete",
         "Thank you. Your identity has been confirmed in the video call.", "Done", nullptr},
        {"photo-success", "en", true, KVNIdentificationTypePhoto, std::nullopt, "Photo identification complete",
         "Thank you. Your photos have been sent and will be checked shortly.", "Done", nullptr},
        {"service-success-message", "en", true, KVNIdentificationTypeVideo, "Welcome aboard, your account is ready.",
         "Video identification complete", "Welcome aboard, your account is ready.", "Done", nullptr},
        {"failure", "en", false, KVNIdentificationTypeVideo, std::nullopt, "Identification not completed",
         "Your identification could not be completed. Please try again.", "Close", "Retry"},
        {"service-failure-message", "en", false, KVNIdentificationTypePhoto, "Please call us on 0800 123 456.",
         "Identification not completed", "Please call us on 0800 123 456.", "Close", "Retry"},
        {"video-success-de", "de", true, KVNIdentificationTypeVideo, std::nullopt, "Video-Identifizierung abgeschlossen",
         "Vielen Dank. Ihre Identität wurde im Videogespräch bestätigt.", "Fertig", nullptr},
        {"failure-de", "de", false, KVNIdentificationTypeVideo, std::nullopt, "Identifizierung nicht abgeschlossen",
         "Ihre Identifizierung konnte nicht abgeschlossen werden. Bitte versuchen Sie es erneut.", "Schließen", "Wiederholen"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.picture);
        NSLocale::setPreferredLanguages({c.language});
        bundle->activate();
        auto identification = KVNIdentification::sharedIdentification();
        identification->setIdentificationType(c.type);
        identification->setSuccessMessage(c.success ? c.serviceMessage : std::nullopt);
        identification->setFailureMessage(c.success ? std::nullopt : c.serviceMessage);
        showResult(c.success);

        const auto tree = dump();
        EXPECT_TRUE(contains(tree, "KVNLabel")) << tree;
        for (const std::string& text : {std::string(c.title), std::string(c.message), std::string("DEV0001"),
                                       KVNLocalizer::localizedStringForKey("RESULT_TRANSACTION_ID")})
            EXPECT_TRUE(contains(tree, "text=\"" + text + "\"")) << text << "\n" << tree;
        EXPECT_EQ(result->navigationItem()->title(), KVNLocalizer::localizedStringForKey("NAVIGATION_ITEM_TITLE_RESULT"));
        EXPECT_TRUE(result->navigationItem()->hidesBackButton());
        EXPECT_TRUE(barButton(c.done)) << "done button \"" << c.done << "\" on the right";
        ASSERT_TRUE(result->navigationItem()->rightBarButtonItem());
        EXPECT_EQ(result->navigationItem()->rightBarButtonItem()->title(), c.done);
        if (c.retry) {
            ASSERT_TRUE(result->navigationItem()->leftBarButtonItem());
            EXPECT_EQ(result->navigationItem()->leftBarButtonItem()->title(), c.retry);
            EXPECT_TRUE(barButton(c.retry));
        } else {
            EXPECT_FALSE(result->navigationItem()->leftBarButtonItem()) << "a success offers no retry";
        }
        writePicture(c.picture);

        controller->identificationCanceledByUser();
        host->dismissViewControllerAnimated_completion(false, nullptr);
        runFor(1.0);
    }
}

TEST_F(ResultScreenTest, LayoutFollowsTheThemeSpacing)
{
    struct Case {
        const char* reason;
        CGFloat spacing;
        CGFloat expected;
    };
    const Case cases[] = {
        {"unset: the theme's fallback", 0, 24},
        {"set", 40, 40},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.reason);
        KavoniAppearance::sharedAppearance()->setResultIconToTextVerticalSpacing(c.spacing);
        showResult(true);
        auto icon = Automation::ViewFinder::visibleViews(window, [](const UIView& view) {
            return Automation::ViewTreeDump::className(view) == "UIImageView" && view.frame().size.width == 64;
        });
        auto title = Automation::ViewFinder::viewWithText(window, "Video identification complete");
        ASSERT_EQ(icon.size(), 1u);
        ASSERT_TRUE(title);
        auto iconFrame = icon.front()->convertRect_toView(icon.front()->bounds(), nullptr);
        auto titleFrame = title->convertRect_toView(title->bounds(), nullptr);
        EXPECT_DOUBLE_EQ(CGRectGetMinY(titleFrame) - CGRectGetMaxY(iconFrame), c.expected);
        EXPECT_DOUBLE_EQ(CGRectGetMidX(iconFrame), 375.0 / 2) << "the icon is centred";
        EXPECT_DOUBLE_EQ(CGRectGetMinX(titleFrame), 20);
        EXPECT_DOUBLE_EQ(titleFrame.size.width, 375 - 40);

        controller->identificationCanceledByUser();
        host->dismissViewControllerAnimated_completion(false, nullptr);
        runFor(1.0);
    }
}

TEST_F(ResultScreenTest, DoneClosesTheScreensAndReportsTheOutcome)
{
    for (bool success : {true, false}) {
        SCOPED_TRACE(success ? "success" : "failure");
        blockCalls.clear();
        showResult(success);
        auto done = barButton(success ? "Done" : "Close");
        ASSERT_TRUE(done);
        auto tapped = Automation::Driver::tap(done);
        ASSERT_TRUE(tapped) << tapped.message();
        runFor(1.0);

        EXPECT_FALSE(host->presentedViewController()) << "the identification's screens are closed";
        ASSERT_EQ(blockCalls.size(), 1u);
        EXPECT_EQ(blockCalls[0].success, success);
        EXPECT_FALSE(blockCalls[0].canceledByUser);
        if (success) {
            EXPECT_FALSE(blockCalls[0].error);
        } else {
            ASSERT_TRUE(blockCalls[0].error);
            EXPECT_EQ(blockCalls[0].error->code(), 1011);
        }
        EXPECT_FALSE(KavoniController::currentKavoniController());
    }
}

TEST_F(ResultScreenTest, RetryResetsTheVideoScreenAndGoesBackToIt)
{
    showResult(false);
    auto retry = barButton("Retry");
    ASSERT_TRUE(retry);
    const int resetsOnLoad = ident->resets; // the screen's first attempt starts with its view
    auto tapped = Automation::Driver::tap(retry);
    ASSERT_TRUE(tapped) << tapped.message();
    runFor(1.0);

    EXPECT_EQ(ident->resets, resetsOnLoad + 1);
    ASSERT_EQ(navigation->viewControllers().size(), 1u);
    EXPECT_EQ(navigation->topViewController(), ident);
    EXPECT_TRUE(blockCalls.empty()) << "a retry reports nothing";
    EXPECT_TRUE(KavoniController::currentKavoniController());
}

TEST_F(ResultScreenTest, ReviewIsRequestedOnlyForAQuickSuccess)
{
    struct Case {
        const char* reason;
        bool success;
        bool activate;
        int32_t duration;
        int32_t limit;
        const char* system;
        long requests;
    };
    const Case cases[] = {
        {"duration equal to the limit", true, true, 300, 300, "12.0", 1},
        {"one second over the limit", true, true, 301, 300, "12.0", 0},
        {"rating not activated", true, false, 10, 300, "12.0", 0},
        {"system 10.3.0 has the prompt", true, true, 10, 300, "10.3.0", 1},
        {"system 10.2 has none", true, true, 10, 300, "10.2", 0},
        {"a failure never asks", false, true, 10, 300, "12.0", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.reason);
        SKStoreReviewController::resetForTesting();
        UIDevice::currentDevice()->setSystemVersionForTesting(c.system);
        settings->setActivateAppRating(c.activate);
        settings->setReviewTimeLimit(c.limit);
        KVNIdentification::sharedIdentification()->setDurationInSeconds(c.duration);
        showResult(c.success);
        EXPECT_EQ(SKStoreReviewController::requestCountForTesting(), c.requests);

        // Appearing again does not ask again: the request belongs to the content's set-up.
        result->viewWillAppear(false);
        EXPECT_EQ(SKStoreReviewController::requestCountForTesting(), c.requests);

        controller->identificationCanceledByUser();
        host->dismissViewControllerAnimated_completion(false, nullptr);
        runFor(1.0);
    }
}

TEST_F(ResultScreenTest, ProcessNumberIsHiddenWhileTheAppIsInactive)
{
    showResult(true);
    auto application = UIApplication::sharedApplication();
    application->simulateEnterBackground();
    EXPECT_EQ(result->processNumberLabel()->text().value_or(""), "");
    EXPECT_FALSE(Automation::ViewFinder::viewWithText(window, "DEV0001"));

    application->simulateEnterForeground();
    EXPECT_EQ(result->processNumberLabel()->text(), "DEV0001");
    EXPECT_FALSE(result->tempText());
}

TEST_F(ResultScreenTest, ProcessNumberShownWhileTheUserWasAwayStaysWhenTheAppComesBack)
{
    // The agent finishes while the user is in another app: the screen is made in the background.
    auto application = UIApplication::sharedApplication();
    application->simulateEnterBackground();
    showResult(true);
    ASSERT_EQ(result->processNumberLabel()->text(), "DEV0001");

    application->simulateEnterForeground();
    EXPECT_EQ(result->processNumberLabel()->text(), "DEV0001") << "nothing was saved, so nothing is put back over it";
    EXPECT_TRUE(Automation::ViewFinder::viewWithText(window, "DEV0001"));

    application->simulateEnterBackground();
    application->simulateEnterForeground();
    EXPECT_EQ(result->processNumberLabel()->text(), "DEV0001") << "the next trip away hides and restores it as ever";
}

TEST_F(ResultScreenTest, CustomizedScreenDoesItsOwnSetUp)
{
    auto customized = std::make_shared<CustomizedResultViewController>();
    showResult(false, customized);
    EXPECT_EQ(customized->setupCompleteCalls, 1);
    EXPECT_FALSE(customized->scrollView());
    EXPECT_FALSE(customized->navigationItem()->leftBarButtonItem());
    EXPECT_FALSE(customized->navigationItem()->rightBarButtonItem());

    // The inactive-app observers stand either way and leave a missing label alone.
    UIApplication::sharedApplication()->simulateEnterBackground();
    UIApplication::sharedApplication()->simulateEnterForeground();
    EXPECT_FALSE(customized->tempText());
}
