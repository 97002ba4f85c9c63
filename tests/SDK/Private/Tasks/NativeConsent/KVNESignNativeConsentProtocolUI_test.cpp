// The native consent screen as the video screen hosts it, against the simulated service:
// the identification's phrases, contracts and texts come from the sim; the user ticks the
// phrases, asks for the code by SMS or e-mail and types it, all through taps and keys; the
// sim's record shows the calls. Failed calls are shown and may be tried again, and the lower
// screen, its handle and the dimming move together after every step change.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "../VideoScreens/VideoScreenTest.h"
#include "Foundation/NSLocale.h"
#include "Foundation/NSRunLoop.h"
#include "Private/Helper/KVNLocalizer.h"
#include "Private/Helper/KVNRequestManager.h"
#include "Private/Helper/KVNServer.h"
#include "Private/Tasks/VideoIdent/Identification/ESignature/KVNContractsViewController.h"
#include "Private/Tasks/VideoIdent/Identification/ESignature/KVNESignNativeConsentProtocolUI.h"
#include "Private/Tasks/VideoIdent/Identification/KVNCheckTableViewController.h"
#include "Private/Tasks/VideoIdent/Identification/KVNIdentCodeInputView.h"
#include "Private/Tasks/VideoIdent/Identification/KVNIdentCodeViewController.h"
#include "Private/Tasks/VideoIdent/Identification/KVNIdentificationStatus.h"
#include "Private/UIElements/KVNActivityIndicatorView.h"
#include "Private/UIElements/KVNCheckBoxButton.h"
#include "Private/UIElements/KVNCheckCell.h"
#include "Private/UIElements/KVNIdentCodeLayout.h"
#include "Private/UIElements/KVNIdentCodeView.h"
#include "Private/UIElements/KVNLabel.h"
#include "Private/UIElements/KVNPageSlideControl.h"
#include "Private/UIElements/KVNRoundedButton.h"
#include "Private/UIElements/KVNWebView.h"
#include "UIKit/Automation/Driver.h"
#include "UIKit/ConstraintMaker.h"
#include "UIKit/SoftwareKeyboard.h"
#include "Foundation/NSIndexPath.h"
#include "UIKit/UIAlertController.h"
#include "UIKit/UIButton.h"
#include "UIKit/UINavigationController.h"
#include "UIKit/UITableView.h"
#include "UIKit/UIWindow.h"
#include "WebKit/WKWebView.h"
#include "models/KVNContract.h"
#include "models/KVNIdentification.h"
#include "models/KVNVideoIdentification.h"
#include "public/KavoniSettings.h"
#include "support/KvnTestBundle.h"
#include "support/SimFixture.h"
#include "support/TestPicture.h"

using Automation::Driver;

namespace {

const std::string kToken = "DEV0001";
const std::string kIdentPath = "/api/v1/vellumbank/identifications/" + kToken;
const std::string kSigningDonePath = "/vellumbank/identifications/" + kToken + "/signingDone";
const std::string kMobile = "+4915112345678";
const std::string kEmail = "erika.mustermann@example.org";
// The phone-sized window: the lower screen rests at a quarter (166.75) or three quarters
// (500.25) of the height, the handle (a tenth of the width high) right above it.
constexpr double kWidth = 375, kHeight = 667;
constexpr double kUp = 0.25 * kHeight, kDown = 0.75 * kHeight, kHandle = 0.1 * kWidth;

// The video screen's part: it hosts the consent screen full screen as a child, in its
// navigation controller, and lends its cancel button.
class CallScreen : public UIViewController, public KVNnativeESignViewControllerDelegate {
public:
    void viewDidLoad() override
    {
        UIViewController::viewDidLoad();
        m_cancel = UIButton::buttonWithType(UIButtonTypeSystem);
        auto taps = cancelTaps;
        m_cancel->addTarget_action_forControlEvents(nullptr, [taps](const std::shared_ptr<UIControl>&) { ++*taps; }, UIControlEventTouchUpInside);
    }
    std::shared_ptr<UIButton> cancelButton() override { return m_cancel; }

    void showConsent()
    {
        auto me = std::static_pointer_cast<CallScreen>(shared_from_this());
        consent = std::make_shared<KVNESignNativeConsentProtocolUI>();
        consent->init();
        consent->setDelegate(me);
        addChildViewController(consent);
        consent->didMoveToParentViewController(me);
        auto root = view();
        root->addSubview(consent->view());
        Layout::ConstraintMaker::make(consent->view(), [&](Layout::ConstraintMaker& make) { make.edges().equalTo(root); });
    }

    std::shared_ptr<KVNESignNativeConsentProtocolUI> consent;
    std::shared_ptr<int> cancelTaps = std::make_shared<int>(0);

private:
    std::shared_ptr<UIButton> m_cancel;
};

} // namespace

class NativeConsentTest : public VideoScreenTest {
protected:
    void SetUp() override
    {
        VideoScreenTest::SetUp();
        bundle->addImage("kvn-icon-close", 24, 24, 0x333333FF);
        bundle->addImage("kvn_bar_slider", 40, 5, 0xDDDDDDFF);
        bundle->addImage("kvn-icon-unselected", 22, 22, 0x00000040);
        bundle->addImage("kvn-icon-selected", 22, 22, 0x2E9E4AFF);
        ident->setVideoIdentification(std::make_shared<KVNVideoIdentification>());
    }

    void TearDown() override
    {
        window.reset();
        navigation.reset();
        call.reset();
        consent.reset();
        VideoScreenTest::TearDown();
    }

    // Turns the loop, with the clock moving along (the contract viewer fades its page in after
    // a delay), until `condition` holds.
    void waitWithClock(const std::function<bool()>& condition, const char* what)
    {
        ASSERT_TRUE(loop->spin_until(
            [&] {
                clock->advance(0.02);
                return condition();
            },
            kWait))
            << "timed out waiting until " << what;
    }

    // What the video screen has by the time the agent starts the native e-signing: the
    // configuration, the identification's data, its contracts, the texts and the phrases,
    // each from the sim.
    void loadIdentification()
    {
        auto manager = KVNRequestManager::sharedManager();
        int answered = 0;
        auto count = [&](const std::shared_ptr<NSError>& error) {
            EXPECT_EQ(error, nullptr);
            ++answered;
        };
        manager->initializeIdentificationWithIdentifier_callback("vellumbank", count);
        waitWithClock([&] { return answered == 1; }, "the configuration came");
        manager->requestVideoIdentificationData([&](const std::optional<std::string>&, const std::shared_ptr<NSError>& error) { count(error); });
        manager->requestESignatureContracts(count);
        manager->requestMessages(count);
        manager->requestApprovalPhrases(count);
        waitWithClock([&] { return answered == 5; }, "the identification's data came");
        video()->setIdentificationStatus(KVNIdentificationStatusESignature);
    }

    void showConsent()
    {
        call = std::make_shared<CallScreen>();
        call->init();
        navigation = std::make_shared<UINavigationController>();
        navigation->initWithRootViewController(call);
        window = std::make_shared<UIWindow>();
        window->initWithFrame(CGRectMake(0, 0, kWidth, kHeight));
        window->setRootViewController(navigation);
        window->makeKeyAndVisible();
        call->showConsent();
        consent = call->consent;
        settle();
    }

    void settle()
    {
        runFor(0.5);
        window->layoutIfNeeded();
    }

    void tap(const std::shared_ptr<UIView>& view, const char* what)
    {
        window->layoutIfNeeded();
        const auto tapped = Driver::tap(view);
        ASSERT_TRUE(tapped.ok()) << what << ": " << tapped.message();
        settle();
    }

    void typeInto(const std::shared_ptr<UIView>& field, const std::string& text)
    {
        tap(field, "the field");
        ASSERT_TRUE(Driver::type(text).ok());
        settle();
    }

    // Ticks every phrase and continues, as the user does.
    void confirmPhrases()
    {
        auto check = consent->checkScreen();
        const auto& cells = check->preparedCells();
        for (size_t row = 0; row < cells.size(); ++row) {
            check->tableView()->scrollRectToVisible_animated(
                check->tableView()->rectForRowAtIndexPath(NSIndexPath::indexPathForRow_inSection(long(row), 0)), false);
            tap(cells[row]->contentLabel(), "a phrase");
        }
        check->tableView()->scrollRectToVisible_animated(check->tableView()->tableFooterView()->frame(), false);
        tap(check->identifyButton(), "continue");
    }

    void requestCode(bool viaEmail)
    {
        auto code = consent->requestCodeScreen();
        if (viaEmail)
            tap(code->emailInputView(), "the e-mail row");
        tap(code->button(), "request the code");
    }

    void sendCode(const std::string& code)
    {
        auto screen = consent->requestCodeScreen();
        const auto typed = screen->identCodeTextField()->text().value_or("");
        typeInto(screen->identCodeTextField(), std::string(typed.size(), '\b') + code);
        tap(screen->button(), "confirm the code");
    }

    std::shared_ptr<UIAlertController> shownAlert() const
    {
        return std::dynamic_pointer_cast<UIAlertController>(navigation->presentedViewController());
    }

    void closeAlertWith(const std::string& key)
    {
        auto alert = shownAlert();
        ASSERT_TRUE(alert);
        ASSERT_TRUE(alert->tapActionWithTitle(KVNLocalizer::localizedStringForKey(key))) << key;
        settle();
        runFor(1.0);
        ASSERT_FALSE(shownAlert());
    }

    // The sim's record of the calls on `path`, oldest first: each one's status (0 while pending).
    static std::vector<int> statuses(const std::string& path)
    {
        std::vector<int> found;
        for (const auto& request : sim->requests())
            if (request["path"] == path)
                found.push_back(request["status"].is_null() ? 0 : request["status"].get<int>());
        return found;
    }

    // The lower screen, the handle and the dimming agree on where the lower screen's top is:
    // up, the dimming covers the document above the handle; down, the lower screen.
    void expectPlaced(double top, bool up)
    {
        window->layoutIfNeeded();
        auto screen = consent->currentScreen();
        ASSERT_TRUE(screen);
        EXPECT_EQ(consent->isSlideOut(), up);
        EXPECT_NEAR(screen->frame().origin.y, top, 0.5) << "the lower screen";
        EXPECT_NEAR(screen->frame().size.height, kHeight - top, 0.5);
        const CGRect handle = consent->pageSlider()->frame();
        EXPECT_NEAR(handle.origin.y, top - kHandle, 0.5) << "the handle";
        EXPECT_NEAR(handle.size.width, kWidth, 0.5);
        const CGRect dimming = consent->overlayScreen()->frame();
        if (up) {
            EXPECT_NEAR(dimming.origin.y, 0, 0.5) << "the dimming";
            EXPECT_NEAR(dimming.size.height, top - kHandle, 0.5);
        } else {
            EXPECT_NEAR(dimming.origin.y, top, 0.5) << "the dimming";
            EXPECT_NEAR(dimming.size.height, kHeight - top, 0.5);
        }
        auto root = consent->view();
        const auto& subviews = root->subviews();
        ASSERT_GE(subviews.size(), 4u);
        EXPECT_EQ(subviews[subviews.size() - 4], screen);
        EXPECT_EQ(subviews[subviews.size() - 3], consent->pageSlider());
        EXPECT_EQ(subviews[subviews.size() - 2], consent->overlayScreen());
        EXPECT_EQ(subviews.back(), consent->closeButton());
    }

    // Down with a tap on the dimmed document, up again with a tap on the dimmed lower screen.
    void toggleDownAndUp(const std::string& pictureName)
    {
        tap(consent->overlayScreen(), "the dimmed document");
        expectPlaced(kDown, false);
        if (!pictureName.empty())
            picture(pictureName);
        tap(consent->overlayScreen(), "the dimmed lower screen");
        expectPlaced(kUp, true);
    }

    // Drags the handle by `dy` points (down when positive).
    void drag(double dy)
    {
        window->layoutIfNeeded();
        const CGRect handle = consent->pageSlider()->frame();
        const CGPoint from = CGPointMake(handle.origin.x + handle.size.width / 2, handle.origin.y + handle.size.height / 2);
        ASSERT_TRUE(Driver::swipe(window, from, CGPointMake(from.x, from.y + dy), 10).ok());
        settle();
    }

    void waitForContract()
    {
        auto viewer = consent->contractViewController();
        waitWithClock([&] { return !viewer->activityIndicator()->isAnimating() && viewer->webView()->alpha() == 1.0; }, "the contract shows");
    }

    void picture(const std::string& name)
    {
        bool drawn = false;
        consent->contractViewController()->webView()->wkWebView()->takeSnapshot([&](const auto&) { drawn = true; });
        ASSERT_TRUE(loop->spin_until([&] { return drawn; }, kWait));
        window->layoutIfNeeded();
        kvn::test::writeTestPicture("native-consent", name, fixtures::snapshot(window));
    }

    static std::shared_ptr<KVNVideoIdentification> video() { return KVNIdentification::sharedIdentification()->videoIdentification(); }

    std::shared_ptr<CallScreen> call;
    std::shared_ptr<UINavigationController> navigation;
    std::shared_ptr<KVNESignNativeConsentProtocolUI> consent;
};

TEST_F(NativeConsentTest, ThePhrasesThenTheCodeByTheChosenChannelThenSigningIsDone)
{
    struct Case {
        const char* why;
        bool viaEmail;
        std::string used;
        std::string unused;
        nlohmann::json body;
    };
    const Case cases[] = {
        {"the mobile row is chosen first", false, "/resendConfirmationToken", "/resendConfirmationTokenViaEmail", {{"mobile", kMobile}}},
        {"the user chose e-mail", true, "/resendConfirmationTokenViaEmail", "/resendConfirmationToken", {{"email", kEmail}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        sim->reset();
        loadIdentification();
        showConsent();
        EXPECT_TRUE(navigation->isNavigationBarHidden());
        EXPECT_EQ(consent->currentStep(), KVNConsentStepCheck);
        // Two contracts: the plural text, the count and every name followed by a blank.
        EXPECT_EQ(consent->checkScreenHeaderText(),
                  "Please confirm the following 2 documents: Current account agreement Data protection notice ");
        // A phrase with two links offers its last.
        ASSERT_EQ(consent->approvalPhrases().size(), 2u);
        EXPECT_EQ(consent->approvalPhrases()[0].text(), "I have read the terms of use and the privacy policy and agree to them.");
        EXPECT_EQ(consent->approvalPhrases()[0].linkLabel(), "privacy policy");
        EXPECT_EQ(consent->approvalPhrases()[0].link(), sim->baseURL() + "/assets/privacy.html");
        EXPECT_FALSE(consent->approvalPhrases()[1].link());
        waitForContract();
        if (!c.viaEmail)
            picture("check");

        confirmPhrases();
        EXPECT_EQ(consent->currentStep(), KVNConsentStepRequestCode);
        EXPECT_EQ(consent->currentScreen(), consent->requestCodeScreen()->view());
        if (!c.viaEmail)
            picture("request-code");

        requestCode(c.viaEmail);
        EXPECT_EQ(video()->identificationStatus(), KVNIdentificationStatusSendCode);
        waitWithClock([&] { return consent->currentStep() == KVNConsentStepEnterCode; }, "the code was requested");
        EXPECT_EQ(consent->requestCodeScreen()->identCodeLayout(), KVNIdentCodeLayoutEnterCode);
        const auto requests = sim->requests();
        int used = 0;
        for (const auto& request : requests) {
            EXPECT_NE(request["path"], kIdentPath + c.unused);
            if (request["path"] == kIdentPath + c.used) {
                ++used;
                EXPECT_EQ(request["json"], c.body);
                EXPECT_EQ(request["status"], 200);
            }
        }
        EXPECT_EQ(used, 1);
        if (!c.viaEmail)
            picture("enter-code");

        sendCode("123456");
        EXPECT_EQ(video()->identificationStatus(), KVNIdentificationStatusAgentBusy);
        waitWithClock([&] { return statuses(kSigningDonePath) == std::vector<int>{200}; }, "signing is done");
        EXPECT_EQ(consent->currentStep(), KVNConsentStepSuccess);
        EXPECT_EQ(statuses(kIdentPath + "/sendConfirmationToken"), std::vector<int>{200});
        EXPECT_FALSE(shownAlert());
        // The screen stays, spent, until the agent moves on.
        EXPECT_EQ(consent->currentScreen(), consent->requestCodeScreen()->view());
        EXPECT_FALSE(consent->requestCodeScreen()->button()->isEnabled());
        if (!c.viaEmail)
            picture("success");

        // The close button leads into the call's own cancel.
        EXPECT_EQ(*call->cancelTaps, 0);
        tap(consent->closeButton(), "close");
        EXPECT_EQ(*call->cancelTaps, 1);
        window.reset();
        navigation.reset();
        call.reset();
        consent.reset();
        runFor(0.5);
    }
}

// A failed code request, a rejected code and a failed signing-done notice are each shown to
// the user, who may try again; none of them is taken for a success.
TEST_F(NativeConsentTest, EveryFailedCallIsShownAndCanBeTriedAgain)
{
    loadIdentification();
    showConsent();
    confirmPhrases();

    sim->setAnswer("POST", ".*/resendConfirmationToken", 503, "", 1);
    requestCode(false);
    waitWithClock([&] { return shownAlert() != nullptr; }, "the failed request is shown");
    EXPECT_EQ(consent->currentStep(), KVNConsentStepRequestCode);
    auto code = consent->requestCodeScreen();
    EXPECT_EQ(code->identCodeLayout(), KVNIdentCodeLayoutRequestCode) << "no code is on its way";
    for (const auto& view : consent->view()->subviews())
        EXPECT_FALSE(std::dynamic_pointer_cast<KVNActivityIndicatorView>(view)) << "the activity overlay is gone";
    picture("request-failed");
    closeAlertWith("OK");
    EXPECT_TRUE(code->button()->isEnabled());
    requestCode(false);
    waitWithClock([&] { return consent->currentStep() == KVNConsentStepEnterCode; }, "the second request went through");
    EXPECT_EQ(statuses(kIdentPath + "/resendConfirmationToken"), (std::vector<int>{503, 200}));

    sendCode("000000");
    waitWithClock([&] { return shownAlert() != nullptr; }, "the wrong code is shown");
    EXPECT_EQ(consent->currentStep(), KVNConsentStepRequestCode);
    EXPECT_EQ(consent->currentScreen(), code->view()) << "the code screen is in front again";
    EXPECT_EQ(code->identCodeLayout(), KVNIdentCodeLayoutEnterCode);
    EXPECT_TRUE(code->identCodeTextField()->isEnabled()) << "the user may type the code again";
    expectPlaced(kUp, true);
    picture("wrong-code");
    closeAlertWith("OK");

    sim->setAnswer("GET", ".*/signingDone", 503, "", 1);
    sendCode("123456");
    waitWithClock([&] { return shownAlert() != nullptr; }, "the failed signing-done notice is shown");
    EXPECT_EQ(consent->currentStep(), KVNConsentStepSuccess);
    EXPECT_EQ(statuses(kSigningDonePath), std::vector<int>{503});
    closeAlertWith("RETRY");
    waitWithClock([&] { return statuses(kSigningDonePath) == std::vector<int>{503, 200}; }, "signing done was sent again");
    EXPECT_EQ(statuses(kIdentPath + "/sendConfirmationToken"), (std::vector<int>{400, 200}));
    EXPECT_FALSE(shownAlert());
}

TEST_F(NativeConsentTest, TheLowerScreenMovesDownAndUpAfterEveryStepChange)
{
    loadIdentification();
    showConsent();
    waitForContract();
    expectPlaced(kUp, true);
    toggleDownAndUp("check-down");

    // Dragging moves the lower screen with the finger, between a quarter and three
    // quarters of the height: the step that would pass the line, and those after it, are
    // ignored.
    drag(100);
    expectPlaced(kUp + 100, true);
    picture("check-dragged");
    drag(-200);
    expectPlaced(kUp + 20, true);
    drag(400);
    expectPlaced(kUp + 300, true);
    EXPECT_LE(consent->currentScreen()->frame().origin.y, kDown);

    // A step change while the lower screen is dragged far down brings the new one up, with
    // the handle and the dimming, and the new screen takes taps all over, also where the
    // handle and the dimming lay before.
    confirmPhrases();
    ASSERT_EQ(consent->currentStep(), KVNConsentStepRequestCode);
    expectPlaced(kUp, true);
    auto rows = consent->requestCodeScreen();
    tap(rows->identCodeView()->titleLabel(), "the header");
    tap(rows->emailInputView()->titleLabel(), "the e-mail row");
    EXPECT_TRUE(rows->emailInputView()->checkBoxButton()->isSelected());
    tap(rows->phoneNumberInputView()->titleLabel(), "the mobile row");
    EXPECT_TRUE(rows->phoneNumberInputView()->checkBoxButton()->isSelected());
    ASSERT_FALSE(rows->keyBoardVisible());
    toggleDownAndUp("request-code-down");

    requestCode(false);
    waitWithClock([&] { return consent->currentStep() == KVNConsentStepEnterCode; }, "the code was requested");
    expectPlaced(kUp, true);
    toggleDownAndUp("");

    // While the code keyboard is up the lower screen stays; once it is down it moves again.
    auto code = consent->requestCodeScreen();
    tap(code->identCodeTextField(), "the code field");
    ASSERT_TRUE(code->keyBoardVisible());
    tap(consent->overlayScreen(), "the dimmed document");
    expectPlaced(kUp, true);
    picture("enter-code-keyboard");
    tap(code->identCodeView()->titleLabel(), "the header, to close the keyboard");
    ASSERT_FALSE(code->keyBoardVisible());
    toggleDownAndUp("");
}

TEST_F(NativeConsentTest, TheHeaderCountsAndNamesTheContracts)
{
    ident->setNativeEsignTextSingle("Sign this document: {1}");
    ident->setNativeEsignTextPlural("Sign these {0} documents: {1}");
    struct Case {
        const char* why;
        std::vector<std::string> names;
        std::string header;
    };
    const Case cases[] = {
        {"one contract takes the singular text", {"Loan"}, "Sign this document: Loan "},
        {"two take the plural, each name followed by a blank", {"Loan", "Card"}, "Sign these 2 documents: Loan Card "},
        {"none takes the singular too", {}, "Sign this document: "},
        {"a name keeps what looks like a placeholder", {"Rate {0}"}, "Sign this document: Rate {0} "},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        std::vector<std::shared_ptr<KVNContract>> contracts;
        for (const auto& name : c.names) {
            contracts.push_back(std::make_shared<KVNContract>());
            contracts.back()->setName(name);
        }
        video()->setESignatureContracts(contracts);
        auto screen = std::make_shared<KVNESignNativeConsentProtocolUI>();
        screen->init();
        screen->loadViewIfNeeded();
        EXPECT_EQ(screen->checkScreenHeaderText(), c.header);
        EXPECT_EQ(screen->checkScreen()->headerText(), c.header);
    }
}
