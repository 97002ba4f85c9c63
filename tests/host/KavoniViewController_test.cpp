// The host's identification screen: the settings it gives the library, the "Error" alert on an
// initialisation error and the way back from it, and, against the simulated service, the
// identification started from it and the screen leaving when the identification ends.
#include "HostTestFixture.h"

#include <functional>

#include "Private/Helper/KavoniErrorPrivate.h"
#include "KavoniViewController.h"
#include "UIKit/UIActivityIndicatorView.h"
#include "UIKit/UIAlertController.h"
#include "UIKit/UINavigationController.h"
#include "UIKit/UIView.h"
#include "public/KavoniSettings.h"
#include "support/SimFixture.h"

namespace {

// The simulated service listens on a port of its own, not on the development environment's:
// this screen sends the library there and changes nothing else of the settings.
class SimKavoniViewController : public KavoniViewController {
public:
    static inline std::string baseURL;
    void startVideoIdent() override
    {
        settings()->setEnvironment(8);
        settings()->setApiHost(baseURL);
        settings()->setVideoHost(baseURL);
        KavoniViewController::startVideoIdent();
    }
};

} // namespace

class KavoniViewControllerTest : public HostTest {
protected:
    // Presents the screen with the token over the root screen and lets the presentation end.
    template <class Screen = KavoniViewController>
    std::shared_ptr<Screen> present(const std::optional<std::string>& token)
    {
        showRootScreen();
        auto screen = std::make_shared<Screen>();
        screen->init();
        screen->setKavoniKey(token);
        root->presentModalViewController_animated(screen, true);
        runFor(UIViewControllerTransitionDuration);
        return screen;
    }

    std::shared_ptr<UIAlertController> alertOver(const std::shared_ptr<UIViewController>& screen)
    {
        return std::dynamic_pointer_cast<UIAlertController>(screen->presentedViewController());
    }
};

TEST_F(KavoniViewControllerTest, ItsViewMakesTheSettingsAndTheControllerOfOneIdentification)
{
    SCNetworkReachabilitySetFlagsForTesting(0); // ends at the network check, before any service call
    auto screen = present(std::string("DEV0001"));
    auto settings = screen->settings();
    ASSERT_TRUE(settings);
    EXPECT_TRUE(settings->showErrorSuccessScreen());
    EXPECT_TRUE(settings->showVideoOverviewCheck());
    EXPECT_TRUE(settings->ignoreCompanyID());
    EXPECT_EQ(settings->transactionToken(), "DEV0001");
    EXPECT_EQ(settings->companyID(), "vellumbank");
    // Everything else as the library makes it.
    KavoniSettings defaults;
    EXPECT_EQ(settings->environment(), defaults.environment());
    EXPECT_FALSE(settings->certificateProvider());
    EXPECT_FALSE(settings->userInterfaceLanguage());
    EXPECT_EQ(settings->allowInvalidCertificates(), defaults.allowInvalidCertificates());
    EXPECT_EQ(settings->forceModalPresentation(), defaults.forceModalPresentation());

    ASSERT_TRUE(screen->kavoniController());
    EXPECT_EQ(screen->kavoniController()->settings(), settings);
    EXPECT_FALSE(screen->kavoniController()->delegate());
}

// While the service answers, the screen is not blank: a spinner turns in its middle, and it
// stops once the initialisation has answered.
class PendingKavoniViewController : public KavoniViewController {
public:
    void startVideoIdent() override {}
};

TEST_F(KavoniViewControllerTest, ASpinnerTurnsWhileTheInitialisationRunsAndStopsWhenItAnswers)
{
    auto pending = present<PendingKavoniViewController>(std::string("DEV0001"));
    auto spinner = pending->activityIndicator();
    ASSERT_TRUE(spinner);
    EXPECT_TRUE(spinner->isAnimating());
    EXPECT_EQ(spinner->window(), window);
    const auto bounds = pending->view()->bounds();
    EXPECT_EQ(spinner->center().x, CGRectGetMidX(bounds));
    EXPECT_EQ(spinner->center().y, CGRectGetMidY(bounds));

    SCNetworkReachabilitySetFlagsForTesting(0); // the initialisation answers at once, with an error
    auto failed = present(std::string("DEV0001"));
    runFor(UIViewControllerTransitionDuration);
    ASSERT_TRUE(alertOver(failed));
    EXPECT_FALSE(failed->activityIndicator()->isAnimating());
    EXPECT_TRUE(failed->activityIndicator()->isHidden());
}

TEST_F(KavoniViewControllerTest, AnInitialisationErrorShowsTheErrorAlertOverTheScreen)
{
    struct Row {
        const char* reason;
        std::optional<std::string> token;
        std::function<void()> arrange;
        long code;
    };
    const std::vector<Row> rows = {
        {"no token", std::nullopt, [] {}, 1000},
        {"a blank token", std::string("  "), [] {}, 1000},
        {"no network", std::string("DEV0001"), [] { SCNetworkReachabilitySetFlagsForTesting(0); }, 1008},
        {"no front camera", std::string("DEV0001"),
         [] { AVCaptureDevice::setDevicesForTesting(std::vector<AVCaptureDevice::Description>{AVCaptureDevice::Description::backCamera()}); },
         1004},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.reason);
        row.arrange();
        auto screen = present(row.token);
        runFor(UIViewControllerTransitionDuration); // the alert's own presentation
        auto alert = alertOver(screen);
        ASSERT_TRUE(alert);
        EXPECT_EQ(alert->title(), "Error");
        EXPECT_EQ(alert->message(), KavoniErrorPrivate::kavoniErrorWithCode(row.code)->localizedDescription());
        EXPECT_EQ(alert->preferredStyle(), UIAlertControllerStyle::Alert);
        ASSERT_EQ(alert->actions().size(), 1u);
        EXPECT_EQ(alert->actions()[0]->title(), "Ok");
        EXPECT_EQ(alert->actions()[0]->style(), UIAlertActionStyle::Cancel);
        EXPECT_TRUE(alert->isVisible());
        ASSERT_TRUE(alert->viewIfLoaded());
        EXPECT_EQ(alert->viewIfLoaded()->window(), window) << "shown once the screen is on screen, not while its view was loading";
        EXPECT_EQ(root->presentedViewController(), screen);

        TearDown(); // a fresh machine for the next row
        SetUp();
    }
}

TEST_F(KavoniViewControllerTest, TheAlertsOkLeadsBackToTheScriptsScreen)
{
    auto screen = present(std::nullopt);
    runFor(UIViewControllerTransitionDuration);
    auto alert = alertOver(screen);
    ASSERT_TRUE(alert);
    runFor(10.0);
    EXPECT_EQ(root->presentedViewController(), screen) << "the screen waits for the user";

    ASSERT_TRUE(alert->tapActionWithTitle("Ok"));
    runFor(UIViewControllerTransitionDuration); // the alert goes, then the screen at once
    EXPECT_FALSE(root->presentedViewController());
    EXPECT_FALSE(screen->presentingViewController());
}

class KavoniViewControllerSimTest : public SimFixture<KavoniViewControllerTest> {
protected:
    static void SetUpTestSuite()
    {
        SimFixture::SetUpTestSuite();
        SimKavoniViewController::baseURL = sim->baseURL();
    }

    // The screen with the library's first screen presented over it, once the initialisation
    // against the service has succeeded.
    std::shared_ptr<SimKavoniViewController> presentAndInitialise(const std::string& token)
    {
        auto screen = present<SimKavoniViewController>(token);
        loop->spin_until([&] { return screen->presentedViewController() != nullptr; }, 20.0);
        runFor(UIViewControllerTransitionDuration);
        return screen;
    }

};

TEST_F(KavoniViewControllerSimTest, ASuccessfulInitialisationStartsTheIdentificationFromTheScreen)
{
    auto screen = presentAndInitialise("DEV0001");
    auto navigation = std::dynamic_pointer_cast<UINavigationController>(screen->presentedViewController());
    ASSERT_TRUE(navigation) << "the library's first screen, in a navigation controller of its own";
    EXPECT_FALSE(std::dynamic_pointer_cast<UIAlertController>(navigation->topViewController()));
    auto controller = KavoniController::currentKavoniController();
    ASSERT_EQ(controller, screen->kavoniController());
    EXPECT_EQ(controller->presentingViewController(), screen);

    // The token stands for the company: the customer configuration is asked for by the token.
    auto requests = sim->requests();
    ASSERT_FALSE(requests.empty());
    EXPECT_EQ(requests[0]["method"], "GET");
    EXPECT_EQ(requests[0]["path"], "/api/v1/DEV0001");
}

TEST_F(KavoniViewControllerSimTest, TheScreenLeavesAtOnceWhenTheIdentificationEnds)
{
    struct Row {
        const char* reason;
        std::function<void(KavoniController&)> end;
    };
    const std::vector<Row> rows = {
        {"failure", [](KavoniController& c) { c.identificationFailedWithError(KavoniErrorPrivate::kavoniErrorWithCode(1010)); }},
        {"cancel by the user", [](KavoniController& c) { c.identificationCanceledByUser(); }},
        // Left presented, the empty screen would be a dead end once the library's screens are gone.
        {"success", [](KavoniController& c) { c.identificationSuccessfull(); }},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.reason);
        auto screen = presentAndInitialise("DEV0001");
        ASSERT_TRUE(screen->presentedViewController());
        auto controller = KavoniController::currentKavoniController();
        ASSERT_TRUE(controller);
        row.end(*controller);
        EXPECT_FALSE(root->presentedViewController()) << "dismissed without animation, with the library's screens";
        EXPECT_FALSE(screen->presentedViewController()) << "no alert of the host's own";
        TearDown();
        SetUp();
    }
}
