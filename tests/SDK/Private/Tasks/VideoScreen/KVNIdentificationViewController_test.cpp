// The video identification screen: the child panel, the camera, the torch and the frames each
// status asks for; every ending with the flags that change it (the URL opened, what the host
// hears, what the service is told); the reconnect alert; the user's cancel through the alert.
// The session driver's reports are made as the driver makes them, on a screen whose start ran
// against the simulated service with a stand-in call.
#include "VideoScreenFixture.h"

#include "Foundation/NSDictionary.h"
#include "Private/Extensions/AVCaptureDevice+KVNExtensions.h"
#include "Private/Helper/KVNLocalizer.h"
#include "Private/Helper/KVNMessage.h"
#include "Private/Helper/KVNMessageProvider.h"
#include "Private/Helper/KavoniErrorCode.h"
#include "Private/Helper/KavoniErrorPrivate.h"
#include "Private/Tasks/VideoIdent/Identification/ESignature/KVNESignNativeConsentProtocolUI.h"
#include "Private/Tasks/VideoIdent/Identification/ESignature/KVNESignatureViewController.h"
#include "Private/Tasks/VideoIdent/Identification/KVNChatViewController.h"
#include "Private/Tasks/VideoIdent/Identification/KVNIdentCodeViewController.h"
#include "Private/Tasks/VideoIdent/Identification/KVNIdentificationStatus.h"
#include "Private/Tasks/VideoIdent/Identification/KVNResultViewController.h"
#include "Private/Tasks/VideoIdent/Identification/KVNWaitingListViewController.h"
#include "Private/UIElements/KVNPositionRect.h"
#include "Private/UIElements/KVNSubscriberView.h"
#include "UIKit/Automation/Driver.h"
#include "UIKit/Automation/ViewFinder.h"
#include "UIKit/UIAlertController.h"
#include "UIKit/UIButton.h"
#include "UIKit/UIImageView.h"

using namespace videoscreen;
using Automation::Driver;
using Automation::ViewFinder;

namespace {

std::string L(const char* key) { return KVNLocalizer::localizedStringForKey(key); }

std::shared_ptr<NSError> internalError(long code, long status = 0)
{
    NSDictionary info;
    if (status)
        info[KavoniErrorStatusCodeKey] = status;
    return NSError::errorWithDomain_code_userInfo(KavoniInternalErrorDomain, code, info);
}

class VideoScreenTest : public VideoScreenFixture {
protected:
    std::shared_ptr<UIAlertController> shownAlert() const { return std::dynamic_pointer_cast<UIAlertController>(screen->presentedViewController()); }

    std::vector<std::string> alertButtons() const
    {
        std::vector<std::string> titles;
        if (auto alert = shownAlert())
            for (const auto& action : alert->actions())
                titles.push_back(action->title().value_or(""));
        return titles;
    }

    // A person's tap on what the window shows under this text or label.
    ::testing::AssertionResult tapOn(const std::string& text)
    {
        window->layoutIfNeeded();
        auto view = ViewFinder::viewWithAccessibilityLabel(window, text);
        if (!view)
            view = ViewFinder::viewWithText(window, text);
        if (!view)
            return ::testing::AssertionFailure() << "nothing shows \"" << text << "\"";
        if (auto tapped = Driver::tap(view); !tapped)
            return ::testing::AssertionFailure() << tapped.message();
        return ::testing::AssertionSuccess();
    }

    void fail(const std::shared_ptr<NSError>& error)
    {
        screen->identificationHandler_didFailWithError(screen->identificationHandler(), error);
        runFor(1.0);
    }

    long camera() const { return screen->identificationHandler()->localCameraPosition(); }

    std::string panel() const
    {
        if (screen->infoViewController() && screen->infoViewController()->parentViewController() == screen)
            return "info";
        if (screen->codeViewController())
            return "code";
        if (screen->eSignatureViewController())
            return "esign";
        return "none";
    }
};

TEST_F(VideoScreenTest, EachStatusChoosesThePanelCameraTorchAndFrames)
{
    showWithStandInCall();
    EXPECT_EQ(screen->identificationLayout(), KVNIdentificationLayoutInfo) << "the first attempt waits on the info panel";
    session()->setSignatureCameraPosition(AVCaptureDevicePositionBack);

    struct Row {
        const char* reason;
        long status;
        std::optional<std::string> consent;
        long layout;
        const char* panel;
        long camera;
        bool torch;
        bool idCard;
        bool signatureFrame;
    };
    const Row rows[] = {
        {"face: the user's face", KVNIdentificationStatusFace, {}, 1, "info", 2, false, false, false},
        {"front: the back camera at the card", KVNIdentificationStatusFrontside, {}, 1, "info", 1, false, true, false},
        {"wiggle lights the card", KVNIdentificationStatusWiggle, {}, 1, "info", 1, true, true, false},
        {"the next status puts the torch out", KVNIdentificationStatusBackside, {}, 1, "info", 1, false, true, false},
        {"e-signing with an unknown protocol: empty, camera kept", KVNIdentificationStatusESignature, "other", 3, "none", 1, false, false,
         false},
        {"id number", KVNIdentificationStatusIDNumber, {}, 1, "info", 2, false, false, false},
        {"user step: the signature frame, the session's camera", KVNIdentificationStatusUserStep, {}, 1, "info", 1, false, false, true},
        {"request code: the code screen, the frame gone", KVNIdentificationStatusRequestCode, {}, 2, "code", 2, false, false, false},
        {"send code keeps the code screen", KVNIdentificationStatusSendCode, {}, 2, "code", 2, false, false, false},
        {"agent busy: back to the info panel", KVNIdentificationStatusAgentBusy, {}, 1, "info", 2, false, false, false},
        {"good bye", KVNIdentificationStatusGoodBye, {}, 1, "info", 2, false, false, false},
        {"e-signing on the remote page: the overlay", KVNIdentificationStatusESignature, "docusign", 3, "esign", 2, false, false, false},
        {"not defined only turns the camera", KVNIdentificationStatusNotDefined, {}, 3, "esign", 2, false, false, false},
        {"connected only turns the camera", KVNIdentificationStatusConnected, {}, 3, "esign", 2, false, false, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.reason);
        if (row.consent)
            session()->setConsentProtocolVersion(row.consent);
        report(row.status);
        runFor(0.5);
        EXPECT_EQ(screen->identificationLayout(), row.layout);
        EXPECT_EQ(panel(), row.panel);
        EXPECT_EQ(camera(), row.camera);
        EXPECT_EQ(KVNExtensions::isTorchOn(), row.torch);
        EXPECT_EQ(!screen->idCardPositionRect()->isHidden(), row.idCard);
        EXPECT_EQ(screen->signatureMaskImageView() != nullptr, row.signatureFrame);
        EXPECT_EQ(screen->prefersStatusBarHidden(), row.layout == KVNIdentificationLayoutESigning);
    }
}

TEST_F(VideoScreenTest, WaitingListIsLaidOverThePanelAndNeverStored)
{
    showWithStandInCall();
    auto info = screen->infoViewController();
    screen->setIdentificationLayout(KVNIdentificationLayoutWaitingList);
    window->layoutIfNeeded();
    ASSERT_TRUE(screen->waitingListController());
    EXPECT_EQ(screen->identificationLayout(), KVNIdentificationLayoutInfo);
    EXPECT_EQ(screen->infoViewController(), info) << "the info panel stays under the offer";
    EXPECT_LE(screen->waitingListController()->view()->frame().origin.y + screen->waitingListController()->view()->frame().size.height,
              info->view()->frame().origin.y);

    // Asking for the stored layout changes nothing but the signature frame.
    screen->addCaptureFrame();
    screen->setIdentificationLayout(KVNIdentificationLayoutInfo);
    EXPECT_FALSE(screen->signatureMaskImageView());
    EXPECT_EQ(screen->infoViewController(), info);
    EXPECT_TRUE(screen->waitingListController());
}

TEST_F(VideoScreenTest, EndingsRouteTheOutcome)
{
    enum Trigger { Finished, Failed, ServerError, Internal2001, Internal2010, Unsupported1012, Cancel, CancelInGoodBye };
    struct Case {
        const char* reason;
        Trigger trigger;
        bool force;
        bool resultScreens;
        bool overview;
        const char* url; // the URL the service gave ("" none)
        std::vector<std::string> opened;
        const char* host;   // what the host hears
        const char* result; // the result screen pushed: "", "success", "failure", "cancel"
        const char* told;   // the service call made ("" none)
    };
    const std::string ok = "https://bank.example/ok";
    const std::string bad = "https://bank.example/bad";
    const Case cases[] = {
        {"finished", Finished, false, false, false, "", {}, "success", "", ""},
        {"finished with result screens", Finished, false, true, false, "", {}, "none", "success", ""},
        {"finished with a success URL skips the result screen", Finished, false, true, false, "ok", {ok}, "success", "", ""},
        {"failed", Failed, false, false, false, "", {}, "error 1011", "", ""},
        {"failed with result screens", Failed, false, true, false, "", {}, "none", "failure", ""},
        {"failed with a failure URL is still a failure", Failed, false, true, false, "bad", {bad}, "error 1011", "", ""},
        {"server error", ServerError, false, false, false, "", {}, "error 1009", "", ""},
        {"server error forced, URL opened once", ServerError, true, false, false, "bad", {bad}, "error 1009", "", ""},
        {"server error forced onto the result screen", ServerError, true, true, false, "", {}, "none", "failure", ""},
        {"local media failed: the call's failure", Internal2001, false, false, false, "", {}, "error 1010", "", "failed"},
        {"start failed: the service's failure", Internal2010, false, false, false, "", {}, "error 1009", "", "failed"},
        {"forced keeps the code", Internal2001, true, false, false, "", {}, "error 1010", "", "failed"},
        {"forced with a URL opens it once", Internal2001, true, false, false, "bad", {bad}, "error 1010", "", "failed"},
        {"forced onto the result screen", Internal2001, true, true, false, "", {}, "none", "failure", "failed"},
        {"unsupported video server is an error", Unsupported1012, false, false, false, "", {}, "error 1012", "", "failed"},
        {"unsupported video server ignores forcing", Unsupported1012, true, true, false, "", {}, "error 1012", "", "failed"},
        {"cancel", Cancel, false, false, false, "", {}, "cancel", "", "canceled"},
        {"cancel back to the data check reports nothing", Cancel, false, false, true, "", {}, "none", "", "canceled"},
        {"forced cancel stays a cancel", Cancel, true, false, false, "", {}, "cancel", "", "canceled"},
        {"forced cancel with a URL opens it once", Cancel, true, false, false, "bad", {bad}, "cancel", "", "canceled"},
        {"forced cancel onto the result screen", Cancel, true, true, false, "", {}, "none", "cancel", "canceled"},
        {"cancel in good bye is a success, unasked", CancelInGoodBye, false, false, false, "", {}, "success", "", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.reason);
        reports.clear();
        UIApplication::sharedApplication()->resetForTesting();
        UIApplication::sharedApplication()->setOpenableURLSchemesForTesting({"https"});
        showWithStandInCall();
        settings->setForceErrorSuccessScreen(c.force);
        settings->setShowErrorSuccessScreen(c.resultScreens);
        settings->setShowVideoOverviewCheck(c.overview);
        if (std::string(c.url) == "ok")
            ident->setSuccessURL(ok);
        if (std::string(c.url) == "bad")
            ident->setFailureURL(bad);

        switch (c.trigger) {
        case Finished:
            report(KVNIdentificationStatusFinished);
            break;
        case Failed:
            report(KVNIdentificationStatusFailed);
            break;
        case ServerError:
            fail(internalError(KavoniErrorCode::StartVideoIdentificationFailed, 503));
            EXPECT_TRUE(tapOn(L("OK")));
            break;
        case Internal2001:
            fail(internalError(KavoniErrorCode::LocalMediaStartFailed));
            EXPECT_TRUE(tapOn(L("OK")));
            break;
        case Internal2010:
            fail(internalError(KavoniErrorCode::StartVideoIdentificationFailed));
            EXPECT_TRUE(tapOn(L("OK")));
            break;
        case Unsupported1012:
            fail(KavoniErrorPrivate::kavoniErrorWithCode(KavoniErrorCode::UnsupportedVideoserver));
            EXPECT_TRUE(tapOn(L("OK")));
            break;
        case Cancel:
            EXPECT_TRUE(tapOn(L("CANCEL")));
            runFor(1.0);
            EXPECT_EQ(alertButtons(), (std::vector<std::string>{L("NO"), L("YES")}));
            EXPECT_TRUE(tapOn(L("YES")));
            break;
        case CancelInGoodBye:
            report(KVNIdentificationStatusGoodBye);
            EXPECT_TRUE(tapOn(L("CANCEL")));
            EXPECT_FALSE(shownAlert()) << "no question in good bye";
            break;
        }
        runFor(2.0);
        waitUntil([&] { return idle(); }, "the service calls");

        EXPECT_EQ(UIApplication::sharedApplication()->openedURLs(), c.opened);
        EXPECT_EQ(describe(reports), c.host);
        auto result = std::dynamic_pointer_cast<KVNResultViewController>(navigation->topViewController());
        std::string shown = !result ? "" : result->success() ? "success" : result->canceledByUser() ? "cancel" : "failure";
        EXPECT_EQ(shown, c.result);
        EXPECT_EQ(serviceCalls("failed"), std::string(c.told) == "failed" ? 1u : 0u);
        EXPECT_EQ(serviceCalls("canceled"), std::string(c.told) == "canceled" ? 1u : 0u);

        screen->identificationHandler()->finishIdentification();
        if (auto current = KavoniController::currentKavoniController())
            current->identificationCanceledByUser();
        runFor(1.0);
        window.reset();
        screen.reset();
    }
}

TEST_F(VideoScreenTest, RetryIsOfferedUnlessTheServiceRefusedWith412)
{
    showWithStandInCall();
    fail(internalError(KavoniErrorCode::SetupCompleteFailed, 412));
    EXPECT_EQ(alertButtons(), std::vector<std::string>{L("OK")});
    screen->dismissViewControllerAnimated_completion(false, nullptr);
    runFor(1.0);

    fail(internalError(KavoniErrorCode::SetupCompleteFailed, 500));
    EXPECT_EQ(alertButtons(), (std::vector<std::string>{L("OK"), L("RETRY")}));
    auto first = screen->identificationHandler();
    ASSERT_TRUE(tapOn(L("RETRY")));
    runFor(1.0);
    EXPECT_NE(screen->identificationHandler(), first) << "a new attempt with a new driver";
    EXPECT_EQ(screen->identificationLayout(), KVNIdentificationLayoutInfo);
    EXPECT_TRUE(reports.empty()) << describe(reports);
}

TEST_F(VideoScreenTest, ReconnectAlertShowsOnceUntilSomethingClearsIt)
{
    showWithStandInCall();
    const auto lost = internalError(KavoniErrorCode::MediaLinkLost);
    fail(lost);
    auto alert = shownAlert();
    ASSERT_TRUE(alert);
    EXPECT_EQ(screen->reconnectAlert(), alert);
    fail(lost);
    EXPECT_EQ(shownAlert(), alert) << "a second loss in a row shows nothing new";

    ASSERT_TRUE(tapOn(L("OK")));
    runFor(1.0);
    EXPECT_FALSE(shownAlert());
    fail(lost);
    EXPECT_FALSE(shownAlert()) << "closed by the user but not cleared: still nothing";

    report(KVNIdentificationStatusFace);
    EXPECT_FALSE(screen->reconnectAlert()) << "a status change clears it";
    fail(lost);
    ASSERT_TRUE(shownAlert());

    fail(internalError(KavoniErrorCode::ScreenshotUploadFailed));
    EXPECT_FALSE(shownAlert()) << "any other error dismisses it and is only logged";
    EXPECT_FALSE(screen->reconnectAlert());
}

TEST_F(VideoScreenTest, AReconnectAlertRefusedUnderAnotherAlertDoesNotSilenceTheNextLoss)
{
    showWithStandInCall();
    ASSERT_TRUE(tapOn(L("CANCEL")));
    runFor(1.0);
    ASSERT_EQ(alertButtons(), (std::vector<std::string>{L("NO"), L("YES")})) << "the cancel question is up";
    const auto question = shownAlert();

    const auto lost = internalError(KavoniErrorCode::MediaLinkLost);
    fail(lost);
    EXPECT_EQ(shownAlert(), question) << "the question stays; the loss's alert cannot show over it";
    EXPECT_FALSE(screen->reconnectAlert()) << "an alert never shown is not remembered";

    ASSERT_TRUE(tapOn(L("NO")));
    runFor(1.0);
    ASSERT_FALSE(shownAlert());
    fail(lost);
    auto alert = shownAlert();
    ASSERT_TRUE(alert) << "the next loss is shown";
    EXPECT_EQ(screen->reconnectAlert(), alert);
}

TEST_F(VideoScreenTest, FatalErrorAlertShowsAfterTheReconnectAlertHasGone)
{
    showWithStandInCall();
    fail(internalError(KavoniErrorCode::MediaLinkLost));
    ASSERT_TRUE(shownAlert());
    screen->identificationHandler_didFailWithError(screen->identificationHandler(), internalError(KavoniErrorCode::ConferenceException));
    runFor(1.0);
    EXPECT_EQ(alertButtons(), (std::vector<std::string>{L("OK"), L("RETRY")})) << "the only way out must be shown";
    ASSERT_TRUE(tapOn(L("OK")));
    runFor(1.0);
    EXPECT_EQ(describe(reports), "error 1010");
}

TEST_F(VideoScreenTest, CancelAnsweredNoKeepsTheCallGoing)
{
    showWithStandInCall();
    ASSERT_TRUE(tapOn(L("CANCEL")));
    runFor(1.0);
    auto alert = shownAlert();
    ASSERT_TRUE(alert);
    EXPECT_EQ(alert->title(), L("VIDEO_IDENT_CANCEL_ALERT_TITLE"));
    EXPECT_EQ(alert->message(), L("VIDEO_IDENT_CANCEL_ALERT_MESSAGE"));
    ASSERT_TRUE(tapOn(L("NO")));
    runFor(1.0);
    EXPECT_FALSE(shownAlert());
    EXPECT_EQ(navigation->topViewController(), screen);
    EXPECT_EQ(serviceCalls("canceled"), 0u);
    EXPECT_TRUE(reports.empty()) << describe(reports);
}

TEST_F(VideoScreenTest, ServerErrorLeavesNothingPollingUnderTheEnding)
{
    showWithStandInCall();
    report(KVNIdentificationStatusConnecting);
    const auto before = serviceCalls("");
    runFor(10.0);
    waitUntil([&] { return idle(); }, "the service calls");
    ASSERT_GT(serviceCalls(""), before) << "the queue is polled while the user waits";

    // The service is down: 503 is a server error whatever the call.
    fail(internalError(KavoniErrorCode::RequestVideoChatFailed, 503));
    ASSERT_TRUE(shownAlert()) << "the server error's alert holds the ending";
    waitUntil([&] { return idle(); }, "the service calls");
    const auto atEnd = serviceCalls("");
    runFor(10.0);
    waitUntil([&] { return idle(); }, "the service calls");
    EXPECT_EQ(serviceCalls(""), atEnd) << "the poll stopped with the server error";
}

} // namespace

TEST_F(VideoScreenTest, ChatOpenBeforeTheNativeConsentCanBeOpenedAgainAfterIt)
{
    showWithStandInCall();
    screen->identificationHandler_didCreateRemoteVideoControl(screen->identificationHandler(), nullptr);
    runFor(0.5);
    ASSERT_TRUE(tapOn(L("VIDEO_IDENT_CHAT_BUTTON")));
    runFor(1.0);
    ASSERT_TRUE(screen->chatViewController()) << "the chat is open";

    session()->setConsentProtocolVersion("native");
    report(KVNIdentificationStatusESignature);
    waitUntil([&] { return screen->nativeEsignViewController() != nullptr; }, "the consent screen");
    runFor(0.5);

    auto provider = screen->identificationHandler()->messageProvider();
    auto message = std::make_shared<KVNMessage>();
    message->setText("Please read the consent first");
    message->setDate(std::chrono::system_clock::now());
    message->setRemote(true);
    provider->didReceiveRemoteMessage(message);
    EXPECT_EQ(provider->newMessagesCount(), 1) << "no chat shows it under the consent: it is unread";

    report(KVNIdentificationStatusFace);
    runFor(1.0);
    ASSERT_FALSE(screen->nativeEsignViewController());
    ASSERT_TRUE(tapOn(L("VIDEO_IDENT_CHAT_BUTTON")));
    runFor(1.0);
    auto chat = screen->chatViewController();
    ASSERT_TRUE(chat) << "the chat button opens the chat again";
    EXPECT_FALSE(chat->view()->isHidden());
    EXPECT_EQ(chat->view()->window(), window);
    EXPECT_TRUE(ViewFinder::viewWithText(window, "Please read the consent first")) << "the agent's message is shown";
    EXPECT_EQ(provider->newMessagesCount(), 0);
}

// Every reset and every re-link hands the screen a new view: one preview and one agent video,
// however many times.
TEST_F(VideoScreenTest, NewVideoViewsReplaceTheOldOnes)
{
    showWithStandInCall(); // the call's first preview is in already
    const size_t previewParts = screen->publisherView()->subviews().size();
    size_t agentParts = 0;
    std::vector<std::weak_ptr<UIView>> previews;
    std::vector<std::weak_ptr<UIView>> agents;
    for (int round = 0; round < 3; ++round) {
        auto preview = std::make_shared<UIView>();
        auto agent = std::make_shared<UIView>();
        screen->identificationHandler_didCreateLocalVideoControl(screen->identificationHandler(), preview);
        screen->identificationHandler_didCreateRemoteVideoControl(screen->identificationHandler(), agent);
        previews.push_back(preview);
        agents.push_back(agent);
        if (round == 0)
            agentParts = screen->agentBox()->subviews().size();
        EXPECT_EQ(screen->publisherView()->subviews().size(), previewParts) << "round " << round;
        EXPECT_EQ(screen->agentBox()->subviews().size(), agentParts) << "round " << round;
        EXPECT_EQ(preview->superview(), screen->publisherView());
        EXPECT_EQ(agent->superview(), screen->agentBox());
    }
    EXPECT_EQ(previews.front().lock(), nullptr) << "the old preview is let go";
    EXPECT_EQ(agents.front().lock(), nullptr) << "the old agent view is let go";
}
