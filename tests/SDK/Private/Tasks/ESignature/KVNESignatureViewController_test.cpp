// The e-signature overlay on a stand-in call screen, against the simulated service on the real
// web engine: the layouts as a user moves through them by touch (reading the contract and
// back, a drawn signature uploaded, a failed upload sent again, the remote signing page), the
// call's elements faded out and back, the decline button, the bottom margins and the keyboard
// on small screens, and the remote page's failures.
#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "../../../../platform/UIKit/Snapshot.h"
#include "Foundation/NSLocale.h"
#include "Foundation/NSNotificationCenter.h"
#include "Foundation/NSRunLoop.h"
#include "Private/Helper/KVNRequestManager.h"
#include "Private/Tasks/VideoIdent/Identification/ESignature/KVNCanvas.h"
#include "Private/Tasks/VideoIdent/Identification/ESignature/KVNCheckContractFooter.h"
#include "Private/Tasks/VideoIdent/Identification/ESignature/KVNContractsViewController.h"
#include "Private/Tasks/VideoIdent/Identification/ESignature/KVNESignatureViewController.h"
#include "Private/Tasks/VideoIdent/Identification/ESignature/KVNOpenTrustViewController.h"
#include "Private/Tasks/VideoIdent/Identification/ESignature/KVNSignatureViewController.h"
#include "Private/UIElements/KVNActivityIndicatorView.h"
#include "Private/UIElements/KVNErrorView.h"
#include "Private/UIElements/KVNImageTextButton.h"
#include "Private/UIElements/KVNRoundedButton.h"
#include "Private/UIElements/KVNRoundedView.h"
#include "Private/UIElements/KVNWebView.h"
#include "UIKit/Automation/Driver.h"
#include "UIKit/Automation/Finger.h"
#include "UIKit/ConstraintMaker.h"
#include "UIKit/UIApplication.h"
#include "UIKit/UIButton.h"
#include "UIKit/UIColor.h"
#include "UIKit/UIImage.h"
#include "UIKit/UIScreen.h"
#include "UIKit/UIWindow.h"
#include "WebKit/WKWebView.h"
#include "models/KVNContract.h"
#include "models/KVNContractDefinition.h"
#include "models/KVNIdentification.h"
#include "models/KVNVideoIdentification.h"
#include "public/KavoniSettings.h"
#include "support/KvnTestBundle.h"
#include "support/SimFixture.h"
#include "support/TestPicture.h"
#include "support/UnusedPort.h"

namespace {

constexpr double kTimeout = 60.0;
constexpr long kCustomEnvironment = 8;
const std::string kToken = "ESIGN-1";

// The part of the call screen the overlay works with: the agent's video box at the top, the
// cancel and chat buttons, and the upload of the signature through the service client.
class CallScreen : public UIViewController, public KVNESignatureViewControllerDelegate {
public:
    void viewDidLoad() override
    {
        UIViewController::viewDidLoad();
        auto root = view();
        root->setBackgroundColor(UIColor::blackColor());
        m_subscriber = std::make_shared<UIView>();
        m_subscriber->initWithFrame(CGRectMake(235, 20, 120, 160));
        m_subscriber->setBackgroundColor(UIColor::colorWithRed_green_blue_alpha(0.2, 0.6, 0.3, 1));
        m_cancel = UIButton::buttonWithType(UIButtonTypeSystem);
        m_cancel->setFrame(CGRectMake(10, 20, 80, 30));
        m_cancel->setTitle_forState("Cancel", UIControlStateNormal);
        m_cancel->addTarget_action_forControlEvents(
            nullptr, [this](const auto&) { ++cancelTaps; }, UIControlEventTouchUpInside);
        m_chat = UIButton::buttonWithType(UIButtonTypeSystem);
        m_chat->setFrame(CGRectMake(160, 20, 60, 30));
        m_chat->setTitle_forState("Chat", UIControlStateNormal);
        for (const std::shared_ptr<UIView>& subview : std::initializer_list<std::shared_ptr<UIView>>{m_subscriber, m_cancel, m_chat})
            root->addSubview(subview);
    }

    // Puts the overlay in, under the video box and the buttons, as the call screen does.
    void showOverlay()
    {
        overlay = std::make_shared<KVNESignatureViewController>();
        overlay->init();
        overlay->setDelegate(std::static_pointer_cast<CallScreen>(shared_from_this()));
        addChildViewController(overlay);
        view()->insertSubview_atIndex(overlay->view(), 0);
        overlay->didMoveToParentViewController(shared_from_this());
        Layout::ConstraintMaker::make(overlay->view(), [&](Layout::ConstraintMaker& make) { make.edges().equalTo(view()); });
    }

    std::shared_ptr<UIButton> cancelButton() override { return m_cancel; }
    std::shared_ptr<UIView> subscriberView() override { return m_subscriber; }
    std::shared_ptr<UIButton> chatButton() override { return m_chat; }
    void eSignatureViewController_requestsSignatureUpload(const std::shared_ptr<KVNESignatureViewController>& controller,
                                                          const std::shared_ptr<UIImage>& signature) override
    {
        ++uploadRequests;
        std::weak_ptr<KVNESignatureViewController> weak = controller;
        requestManager->POSTSignature_callback(signature, [weak](const std::shared_ptr<NSError>& error) {
            if (auto overlay = weak.lock())
                overlay->didUploadSignatureWithError(error);
        });
    }

    std::shared_ptr<KVNRequestManager> requestManager;
    std::shared_ptr<KVNESignatureViewController> overlay;
    int cancelTaps = 0;
    int uploadRequests = 0;

private:
    std::shared_ptr<UIView> m_subscriber;
    std::shared_ptr<UIButton> m_cancel;
    std::shared_ptr<UIButton> m_chat;
};

class ESignatureOverlayTest : public SimFixture<> {
protected:
    void SetUp() override
    {
        SimFixture<>::SetUp();
        // The library's texts: a button without its title has no size to tap.
        bundle = std::make_unique<KvnTestBundle>();
        NSLocale::setPreferredLanguages({"en"});
        UIApplication::sharedApplication()->resetForTesting();
        KVNIdentification::resetSharedIdentification();
        KVNESignatureViewController::resetMarginsForTesting();
        auto settings = KavoniSettings::settingsWithCompanyID_transactionToken("vellumbank", kToken);
        settings->setEnvironment(kCustomEnvironment);
        settings->setApiHost(sim->baseURL());
        settings->setVideoHost(sim->baseURL());
        auto identification = KVNIdentification::sharedIdentification();
        identification->setSettings(settings);
        identification->server()->setShortName("vellumbank");
        identification->setClientSecret("s3cret");
        auto video = std::make_shared<KVNVideoIdentification>();
        video->setESignatureHandWritten(true);
        video->setESignatureOpenTrustURL(signingPageURL());
        auto agreement = std::make_shared<KVNContract>();
        agreement->setName("Current account agreement");
        agreement->setDisplayHash("7F3A-91C2-0B5D");
        agreement->contractDefinition()->setIdentifier("account-agreement");
        video->setESignatureContracts({agreement});
        identification->setVideoIdentification(video);
    }

    void TearDown() override
    {
        window.reset();
        screen.reset();
        NSRunLoop::mainRunLoop()->runUntilDate(0.1);
        UIScreen::mainScreen()->setBounds(CGRectMake(0, 0, 375, 667));
        KVNESignatureViewController::resetMarginsForTesting();
        KVNIdentification::resetSharedIdentification();
        bundle.reset();
        SimFixture<>::TearDown();
    }

    std::string signingPageURL() const { return sim->baseURL() + "/vellumbank/identifications/" + kToken + "/signingDone"; }
    std::shared_ptr<KVNVideoIdentification> video() const { return KVNIdentification::sharedIdentification()->videoIdentification(); }

    void show(CGSize size = CGSizeMake(375, 667))
    {
        UIScreen::mainScreen()->setBounds(CGRectMake(0, 0, size.width, size.height));
        screen = std::make_shared<CallScreen>();
        screen->init();
        screen->requestManager = std::make_shared<KVNRequestManager>();
        screen->requestManager->setIdent(KVNIdentification::sharedIdentification());
        window = std::make_shared<UIWindow>();
        window->initWithFrame(CGRectMake(0, 0, size.width, size.height));
        window->setRootViewController(screen);
        window->makeKeyAndVisible();
        window->layoutIfNeeded();
        screen->showOverlay();
        window->layoutIfNeeded();
    }
    std::shared_ptr<KVNESignatureViewController> overlay() const { return screen->overlay; }

    void tap(const std::shared_ptr<UIView>& view, double settle = 0.5)
    {
        auto result = Automation::Driver::tap(view);
        ASSERT_TRUE(result) << result.message();
        NSRunLoop::mainRunLoop()->runUntilDate(settle);
        window->layoutIfNeeded();
    }

    void drawSignature()
    {
        auto canvas = overlay()->signatureViewController()->canvas();
        Automation::Finger finger(window);
        const std::vector<CGPoint> points = {{40, 40}, {120, 100}, {200, 40}, {280, 100}};
        finger.down(canvas->convertPoint_toView(points.front(), window));
        for (size_t i = 1; i < points.size(); ++i)
            finger.moveTo(canvas->convertPoint_toView(points[i], window));
        finger.up();
        NSRunLoop::mainRunLoop()->runUntilDate(0.3);
    }

    std::vector<std::string> requestPaths(const std::string& suffix) const
    {
        std::vector<std::string> found;
        for (const auto& request : sim->requests()) {
            std::string path = request["path"];
            if (path.ends_with(suffix))
                found.push_back(path);
        }
        return found;
    }

    bool waitUntil(const std::function<bool()>& condition) { return NSRunLoop::mainRunLoop()->spin_until(condition, kTimeout); }

    bool contractShown()
    {
        auto viewer = overlay()->contractViewController();
        return waitUntil([&] { return !viewer->activityIndicator()->isAnimating() && viewer->webView()->alpha() == 1.0; });
    }
    bool signingPageShown()
    {
        return waitUntil([&] {
            auto page = overlay()->openTrustViewController();
            return page && !page->activityIndicator()->isAnimating() && page->webView()->alpha() == 1.0;
        });
    }

    // The call's own elements, as the overlay leaves them.
    void expectCallElements(double alpha)
    {
        EXPECT_EQ(screen->cancelButton()->alpha(), alpha);
        EXPECT_EQ(screen->chatButton()->alpha(), alpha);
        EXPECT_EQ(screen->subscriberView()->alpha(), alpha);
    }

    CGRect frameInOverlay(const std::shared_ptr<UIView>& view) const { return view->convertRect_toView(view->bounds(), overlay()->view()); }

    void writePicture(const std::string& name)
    {
        // Fades end before the picture is taken.
        NSRunLoop::mainRunLoop()->runUntilDate(0.5);
        // The web views draw their newest snapshot of the page.
        std::vector<std::shared_ptr<KVNWebView>> webViews{overlay()->contractViewController()->webView()};
        if (auto page = overlay()->openTrustViewController())
            webViews.push_back(page->webView());
        for (const auto& webView : webViews) {
            bool drawn = false;
            webView->wkWebView()->takeSnapshot([&](const auto&) { drawn = true; });
            ASSERT_TRUE(waitUntil([&] { return drawn; }));
        }
        window->layoutIfNeeded();
        kvn::test::writeTestPicture("esignature", name, fixtures::snapshot(window));
    }

    std::shared_ptr<CallScreen> screen;
    std::shared_ptr<UIWindow> window;
    std::unique_ptr<KvnTestBundle> bundle;
};

// The handwritten road: the panel first; reading the contract and coming back finds the same
// panel with the same drawing; the drawing goes up to the service, and the overlay moves on to
// the remote signing page, where reading the contract comes back to.
TEST_F(ESignatureOverlayTest, HandwrittenSignatureIsUploadedThenTheSigningPageShows)
{
    show();
    auto overlay = this->overlay();
    EXPECT_EQ(overlay->layout(), KVNESignatureLayoutSignature);
    auto panel = overlay->signatureViewController();
    ASSERT_TRUE(panel);
    EXPECT_FALSE(overlay->openTrustViewController());
    expectCallElements(1);
    EXPECT_EQ(frameInOverlay(panel->view()).origin.x, 10);
    EXPECT_EQ(CGRectGetMaxY(frameInOverlay(panel->view())), 667 - 30);
    EXPECT_EQ(frameInOverlay(overlay->checkContractFooter()).origin.y, 667) << "the footer waits below the overlay";
    EXPECT_LE(CGRectGetMaxY(frameInOverlay(overlay->checkContractButtonView())), frameInOverlay(panel->view()).origin.y - 10);
    ASSERT_TRUE(contractShown());
    drawSignature();
    ASSERT_TRUE(panel->signContractButton()->isEnabled());
    writePicture("1-signature");

    tap(overlay->checkContractButton());
    EXPECT_EQ(overlay->layout(), KVNESignatureLayoutCheckContract);
    EXPECT_EQ(overlay->previousLayout(), KVNESignatureLayoutSignature);
    expectCallElements(0);
    EXPECT_EQ(overlay->checkContractButtonView()->alpha(), 0);
    EXPECT_EQ(panel->view()->alpha(), 0);
    EXPECT_TRUE(overlay->contractViewController()->enabled());
    EXPECT_EQ(CGRectGetMaxY(frameInOverlay(overlay->checkContractFooter())), 667) << "the footer sits on the bottom";
    ASSERT_TRUE(contractShown());
    writePicture("2-check-contract");

    tap(overlay->checkContractFooter()->backButton());
    EXPECT_EQ(overlay->layout(), KVNESignatureLayoutSignature);
    EXPECT_EQ(overlay->signatureViewController(), panel) << "the same panel comes back";
    EXPECT_TRUE(panel->canvas()->drawnImage()) << "with the drawing on it";
    EXPECT_TRUE(panel->signContractButton()->isEnabled());
    expectCallElements(1);
    EXPECT_FALSE(overlay->contractViewController()->enabled());
    EXPECT_EQ(frameInOverlay(overlay->checkContractFooter()).origin.y, 667);

    tap(panel->signContractButton(), 0);
    EXPECT_EQ(screen->uploadRequests, 1);
    EXPECT_FALSE(panel->signContractButton()->isEnabled()) << "no second upload while one runs";
    ASSERT_TRUE(waitUntil([&] { return overlay->layout() == KVNESignatureLayoutOpenTrust; }));
    auto uploads = requestPaths("/uploadScreenshot/signature");
    ASSERT_EQ(uploads.size(), 1u);
    EXPECT_FALSE(overlay->signatureViewController()) << "the panel is done with";
    EXPECT_FALSE(panel->view()->superview());
    ASSERT_TRUE(signingPageShown());
    EXPECT_EQ(requestPaths("/signingDone").size(), 1u) << "the signing page came from the service";
    EXPECT_EQ(overlay->openTrustViewController()->webView()->url(), signingPageURL());
    auto page = overlay->openTrustViewController()->view();
    window->layoutIfNeeded();
    EXPECT_EQ(CGRectGetMaxY(frameInOverlay(page)), 667 - 30);
    EXPECT_EQ(frameInOverlay(page).origin.y, 180 + 25) << "just under the agent's video";
    EXPECT_EQ(CGRectGetMaxY(frameInOverlay(overlay->checkContractButtonView())), 180);
    expectCallElements(1);
    writePicture("3-signing-page");

    tap(overlay->checkContractButton());
    EXPECT_EQ(overlay->layout(), KVNESignatureLayoutCheckContract);
    EXPECT_EQ(page->alpha(), 0);
    tap(overlay->checkContractFooter()->backButton());
    EXPECT_EQ(overlay->layout(), KVNESignatureLayoutOpenTrust) << "not back to the panel";
    EXPECT_EQ(page->alpha(), 1);
    EXPECT_FALSE(overlay->signatureViewController());
}

// A failed upload keeps the panel and the drawing; the send button works again, and the
// second attempt goes through.
TEST_F(ESignatureOverlayTest, AFailedUploadCanBeSentAgain)
{
    sim->setAnswer("POST", ".*/uploadScreenshot/signature", 500, R"({"errorCode":"INTERNAL"})", 1);
    show();
    auto overlay = this->overlay();
    auto panel = overlay->signatureViewController();
    drawSignature();

    tap(panel->signContractButton(), 0);
    ASSERT_TRUE(
        waitUntil([&] { return requestPaths("/uploadScreenshot/signature").size() == 1 && panel->signContractButton()->isEnabled(); }));
    NSRunLoop::mainRunLoop()->runUntilDate(0.5);
    EXPECT_EQ(overlay->layout(), KVNESignatureLayoutSignature);
    EXPECT_EQ(overlay->signatureViewController(), panel);
    EXPECT_TRUE(panel->canvas()->drawnImage());
    EXPECT_FALSE(overlay->openTrustViewController());

    tap(panel->signContractButton(), 0);
    ASSERT_TRUE(waitUntil([&] { return overlay->layout() == KVNESignatureLayoutOpenTrust; }));
    EXPECT_EQ(requestPaths("/uploadScreenshot/signature").size(), 2u);
    EXPECT_EQ(screen->uploadRequests, 2);
}

// Without the handwritten flag there is no panel at all: the overlay opens on the remote page.
TEST_F(ESignatureOverlayTest, WithoutHandwritingTheSigningPageShowsAtOnce)
{
    video()->setESignatureHandWritten(false);
    show();
    auto overlay = this->overlay();
    EXPECT_EQ(overlay->layout(), KVNESignatureLayoutOpenTrust);
    EXPECT_EQ(overlay->previousLayout(), KVNESignatureLayoutNone);
    EXPECT_FALSE(overlay->signatureViewController());
    ASSERT_TRUE(overlay->openTrustViewController());
    ASSERT_TRUE(signingPageShown());
    EXPECT_EQ(requestPaths("/signingDone").size(), 1u);
    EXPECT_EQ(screen->uploadRequests, 0);
}

TEST_F(ESignatureOverlayTest, DeclineWorksTheCallScreensCancelButton)
{
    show();
    tap(overlay()->signatureViewController()->declineContractButton());
    EXPECT_EQ(screen->cancelTaps, 1);
    EXPECT_EQ(overlay()->layout(), KVNESignatureLayoutSignature);
}

// Small screens keep 10 points under the bottom panel and let the keyboard push the remote
// page up as far as the check-contract card allows (its top stays 75 points down, 32 high,
// 10 above the page); from 568 points on the margin is 30, and the keyboard moves nothing.
TEST_F(ESignatureOverlayTest, MarginsAndTheKeyboardFollowTheScreenHeight)
{
    const struct {
        CGFloat height;
        double margin;
        double topWithKeyboard;
    } cases[] = {{480, 10, 75 + 32 + 10}, {568, 30, 205}, {667, 30, 205}};
    video()->setESignatureHandWritten(false);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.height);
        KVNESignatureViewController::resetMarginsForTesting();
        show(CGSizeMake(320, c.height));
        auto page = overlay()->openTrustViewController()->view();
        EXPECT_EQ(CGRectGetMaxY(frameInOverlay(page)), c.height - c.margin);
        EXPECT_EQ(frameInOverlay(page).origin.y, 205);

        NSNotificationCenter::defaultCenter()->postNotificationName_object_userInfo(UIKeyboardWillShowNotification);
        NSRunLoop::mainRunLoop()->runUntilDate(0.5);
        window->layoutIfNeeded();
        EXPECT_EQ(frameInOverlay(page).origin.y, c.topWithKeyboard);

        NSNotificationCenter::defaultCenter()->postNotificationName_object_userInfo(UIKeyboardWillHideNotification);
        NSRunLoop::mainRunLoop()->runUntilDate(0.5);
        window->layoutIfNeeded();
        EXPECT_EQ(frameInOverlay(page).origin.y, 205);
    }
}

// A remote page that cannot be reached shows the error view; its reload button tries the same
// page again. Without any page to load the error view shows at once.
TEST_F(ESignatureOverlayTest, AFailedSigningPageOffersAReload)
{
    video()->setESignatureHandWritten(false);
    const std::string unreachable =
        "https://127.0.0.1:" + std::to_string(kvn::test::unusedLoopbackPort()) + "/vellumbank/identifications/" + kToken + "/signingDone";
    video()->setESignatureOpenTrustURL(unreachable);
    show();
    auto page = overlay()->openTrustViewController();
    ASSERT_TRUE(waitUntil([&] { return page->errorView()->alpha() == 1.0; }));
    EXPECT_FALSE(page->activityIndicator()->isAnimating());
    NSRunLoop::mainRunLoop()->runUntilDate(0.5); // the error view fades in before it takes touches
    writePicture("4-signing-page-error");

    auto result = Automation::Driver::tap(page->errorView()->actionButton());
    ASSERT_TRUE(result) << result.message();
    EXPECT_TRUE(page->activityIndicator()->isAnimating()) << "a new load started";
    ASSERT_TRUE(waitUntil([&] { return page->errorView()->alpha() == 1.0 && !page->activityIndicator()->isAnimating(); }));

    video()->setESignatureOpenTrustURL(std::nullopt);
    screen.reset();
    window.reset();
    show();
    page = overlay()->openTrustViewController();
    ASSERT_TRUE(waitUntil([&] { return page->errorView()->alpha() == 1.0; }));
    NSRunLoop::mainRunLoop()->runUntilDate(0.5);
    EXPECT_FALSE(page->webView()->url());
    EXPECT_TRUE(Automation::Driver::tap(page->errorView()->actionButton())) << "reload with nothing to load stays put";
    EXPECT_FALSE(page->activityIndicator()->isAnimating());
}

// The service refusing the signing page is a failure, not a signing page: the error view shows
// instead of the service's error text, and a reload that the service answers shows the page.
TEST_F(ESignatureOverlayTest, ARefusedSigningPageIsAFailureThatCanBeRetried)
{
    video()->setESignatureHandWritten(false);
    sim->setAnswer("GET", ".*/signingDone", 503, R"({"errorCode":"UNAVAILABLE"})", 1);
    show();
    auto page = overlay()->openTrustViewController();
    ASSERT_TRUE(waitUntil([&] { return page->errorView()->alpha() == 1.0; }));
    NSRunLoop::mainRunLoop()->runUntilDate(0.5);
    EXPECT_FALSE(page->activityIndicator()->isAnimating());
    EXPECT_EQ(page->webView()->alpha(), 0) << "the service's error text stays out of sight";

    tap(page->errorView()->actionButton(), 0);
    ASSERT_TRUE(signingPageShown());
    EXPECT_EQ(page->errorView()->alpha(), 0);
    EXPECT_EQ(requestPaths("/signingDone").size(), 2u);
}

// A stopped load of the signing page is loaded again by itself, once.
TEST_F(ESignatureOverlayTest, AStoppedSigningPageIsLoadedAgain)
{
    video()->setESignatureHandWritten(false);
    sim->setAnswer("GET", ".*/signingDone", 0, "", -1, 1.5);
    show();
    ASSERT_TRUE(waitUntil([&] { return requestPaths("/signingDone").size() == 1; }));
    overlay()->openTrustViewController()->webView()->wkWebView()->stopLoading();
    ASSERT_TRUE(signingPageShown());
    NSRunLoop::mainRunLoop()->runUntilDate(2.0);
    EXPECT_EQ(requestPaths("/signingDone").size(), 2u);
    EXPECT_EQ(overlay()->openTrustViewController()->errorView()->alpha(), 0);
}

// A link that asks to be opened outside the app goes to the application and leaves the page
// as it is.
TEST_F(ESignatureOverlayTest, ExternalLinksOpenOutsideTheApp)
{
    video()->setESignatureHandWritten(false);
    video()->setESignatureOpenTrustURL(sim->baseURL() + "/web/secret.html");
    show();
    ASSERT_TRUE(signingPageShown());
    auto webView = overlay()->openTrustViewController()->webView();
    const auto before = webView->url();
    bool clicked = false;
    webView->wkWebView()->evaluateJavaScript_completionHandler("document.getElementById('external').click(); true",
                                                               [&](const auto&, const auto&) { clicked = true; });
    ASSERT_TRUE(waitUntil([&] { return clicked && !UIApplication::sharedApplication()->openedURLs().empty(); }));
    NSRunLoop::mainRunLoop()->runUntilDate(0.5);
    EXPECT_EQ(UIApplication::sharedApplication()->openedURLs().back(), sim->baseURL() + "/web/secret.html?openExternally=1");
    EXPECT_EQ(webView->url(), before);
    EXPECT_EQ(webView->alpha(), 1.0);
}

} // namespace
