// The session driver's command dispatch, played on a fake channel (the test hands the driver
// each message as the channel would) with a stand-in call handler and the manual clock: the
// command table and the log names, what each command does to the status and the reports, the
// drops (no change, a code request while the code is on its way, the user step), the actions
// (conference, screenshot, chat, torch, focus) and what the end of an identification leaves.
// The requests to the service are the integration tests' (tests/SDK/integration).
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "AVFoundation/AVCaptureDevice.h"
#include "AVFoundation/AVMediaFormat.h"
#include "CallHandlerTestSupport.h"
#include "Private/Extensions/AVCaptureDevice+KVNExtensions.h"
#include "Private/Helper/KVNMessage.h"
#include "Private/Helper/KVNMessageProvider.h"
#include "Private/Helper/KVNRequestManager.h"
#include "Private/Helper/KVNSocketHandler.h"
#include "Private/Tasks/VideoIdent/Identification/KVNIdentificationHandler.h"
#include "models/KVNIdentification.h"
#include "models/KVNVideoIdentification.h"
#include "UIKit/UIImage.h"
#include "support/KvnTestBundle.h"
#include "support/ManualClockFixture.h"

namespace {

// A call that takes no pictures itself: the test answers its captures.
class FakeCall : public KVNNoVideoserverHandler {
public:
    int captures = 0;
    int resets = 0;

    void createScreenshot() override { ++captures; }
    void reset() override { ++resets; }
    long localCameraPosition() const override { return KVNWebRTCHandler::localCameraPosition(); }
    void setLocalCameraPosition(long position) override { KVNWebRTCHandler::setLocalCameraPosition(position); }
};

// Its call reports to a recorder of its own, so that "link up" shows the conference was
// started without the driver going on to the service.
class TestDriver : public KVNIdentificationHandler {
public:
    std::shared_ptr<FakeCall> call;
    std::shared_ptr<RecordingDelegate> callEvents = std::make_shared<RecordingDelegate>();
    std::vector<long> madeFor;

protected:
    std::shared_ptr<KVNWebRTCHandler> makeWebRTCHandler(long videoserverType) override
    {
        madeFor.push_back(videoserverType);
        call = std::make_shared<FakeCall>();
        call->initWithDelegate(callEvents);
        return call;
    }
};

struct Screen : KVNIdentificationHandlerDelegate {
    std::vector<long> statuses;
    std::vector<long> errors;
    std::vector<std::string> chat;

    void identificationHandler_didFailWithError(const std::shared_ptr<KVNIdentificationHandler>&,
                                                const std::shared_ptr<NSError>& error) override
    {
        errors.push_back(error ? error->code() : 0);
    }
    void identificationHandler_abortToSuccessScreen(const std::shared_ptr<KVNIdentificationHandler>&, bool) override {}
    void identificationHandler_didChangeIdentificationStatus(const std::shared_ptr<KVNIdentificationHandler>&, long status) override
    {
        statuses.push_back(status);
    }
    void identificationHandler_didReceiveRemoteMessage(const std::shared_ptr<KVNIdentificationHandler>&,
                                                       const std::shared_ptr<KVNMessage>& message) override
    {
        chat.push_back(message->text());
    }
};

std::shared_ptr<UIImage> picture() { return UIImage::imageWithData(KvnTestBundle::solidPNG(8, 6, 0x3366CCFF)); }

std::string framed(const std::string& json) { return std::to_string(json.size()) + "|" + json; }
std::string command(const std::string& name, const nlohmann::json& data = nullptr)
{
    nlohmann::json object{{"command", name}};
    if (!data.is_null())
        object["data"] = data;
    return framed(object.dump());
}

class IdentificationHandlerTest : public ManualClockFixture {
protected:
    void SetUp() override
    {
        ManualClockFixture::SetUp();
        AVCaptureDevice::setDevicesForTesting(std::vector{AVCaptureDevice::Description::backCamera()});
        camera = AVCaptureDevice::defaultDeviceWithMediaType(AVMediaTypeVideo);
        KVNIdentification::resetSharedIdentification();
        session = KVNIdentification::sharedIdentification()->videoIdentification();
        screen = std::make_shared<Screen>();
        driver = std::make_shared<TestDriver>();
        driver->initWithDelegate(screen);
    }
    void TearDown() override
    {
        driver.reset();
        KVNRequestManager::sharedManager()->setScreenshotTypeIdentifier(std::nullopt);
        KVNIdentification::resetSharedIdentification();
        AVCaptureDevice::setDevicesForTesting(std::nullopt);
        ManualClockFixture::TearDown();
    }

    void deliver(const std::string& message) { driver->socketHandler_didReceiveMessage(driver->socketHandler(), message); }

    std::shared_ptr<AVCaptureDevice> camera;
    std::shared_ptr<KVNVideoIdentification> session;
    std::shared_ptr<Screen> screen;
    std::shared_ptr<TestDriver> driver;
};

} // namespace

TEST(IdentificationStatusTest, CommandTableAndLogNames)
{
    const struct {
        std::optional<std::string> command;
        KVNIdentificationStatus status;
    } cases[] = {
        {"agentConnected", KVNIdentificationStatusConnected},
        {"setupComplete", KVNIdentificationStatusFace},
        {"initialComparisonDone", KVNIdentificationStatusFace},
        {"finishedFace", KVNIdentificationStatusFrontside},
        {"finishedIdType", KVNIdentificationStatusFrontside},
        {"finishedIdFrontside", KVNIdentificationStatusWiggle},
        {"wiggleDone", KVNIdentificationStatusBackside},
        {"finishedIdBackside", KVNIdentificationStatusIDNumber},
        {"doUserStep", KVNIdentificationStatusUserStep},
        {"idNumberDone", KVNIdentificationStatusRequestCode},
        {"finishedCensoringFront", KVNIdentificationStatusRequestCode},
        {"finishedCensoringBack", KVNIdentificationStatusRequestCode},
        {"finishedIntegrityIdData", KVNIdentificationStatusRequestCode},
        {"finishedIntegrityMrz", KVNIdentificationStatusRequestCode},
        {"signatureDone", KVNIdentificationStatusRequestCode},
        {"tanDone", KVNIdentificationStatusGoodBye},
        {"finished", KVNIdentificationStatusFinished},
        {"failed", KVNIdentificationStatusFailed},
        {"startESigning", KVNIdentificationStatusESignature},
        {"Finished", KVNIdentificationStatusNotDefined}, // case counts
        {"finished ", KVNIdentificationStatusNotDefined},
        {"takeScreenshot", KVNIdentificationStatusNotDefined}, // actions carry no status
        {"", KVNIdentificationStatusNotDefined},
        {std::nullopt, KVNIdentificationStatusNotDefined},
    };
    for (const auto& c : cases)
        EXPECT_EQ(KVNStatusForCommand(c.command), c.status) << c.command.value_or("(none)");

    EXPECT_EQ(KVNStatusDescription(0), "KVNIdentificationStatusConnecting - 0");
    EXPECT_EQ(KVNStatusDescription(9), "KVNIdentificationStatusRequestCode - 9");
    EXPECT_EQ(KVNStatusDescription(15), "KVNIdentificationStatusNotDefined - 15");
    EXPECT_EQ(KVNStatusDescription(16), "");
    EXPECT_EQ(KVNStatusDescription(-1), "");
}

TEST_F(IdentificationHandlerTest, StatusCommandsSetReportDropAndIgnore)
{
    const struct {
        const char* why;
        long current;
        bool eSignature;
        bool identCode;
        std::string message;
        long expected;
        std::vector<long> reported;
    } cases[] = {
        {"set-up done while connected", 1, false, false, command("setupComplete"), 2, {2}},
        {"the same status again is no change", 2, false, false, command("setupComplete"), 2, {}},
        {"front side done", 3, false, false, command("finishedIdFrontside"), 4, {4}},
        {"code with e-signing goes to the busy agent", 6, true, true, command("idNumberDone"), 11, {11}},
        {"code without e-signing, code required", 6, false, true, command("idNumberDone"), 9, {9}},
        {"code neither signed nor required", 6, false, false, command("signatureDone"), 11, {11}},
        {"code request while the code is on its way", 10, false, true, command("idNumberDone"), 10, {}},
        {"code request while the agent is busy", 11, false, true, command("finishedIntegrityMrz"), 11, {}},
        {"the user step is ignored", 2, false, false, command("doUserStep"), 2, {}},
        {"tan done", 11, false, false, command("tanDone"), 12, {12}},
        {"finished", 12, false, false, command("finished"), 13, {13}},
        {"failed", 5, false, false, command("failed"), 14, {14}},
        {"an unknown command", 2, false, false, command("dance"), 15, {15}},
        {"a command that is no text", 2, false, false, framed(R"({"command":7})"), 15, {15}},
        {"a message that does not parse", 2, false, false, "12|{\"command\":", 15, {15}},
        {"JSON that is no object", 2, false, false, framed("[\"finished\"]"), 15, {15}},
        {"a blank message", 2, false, false, "   ", 15, {15}},
        {"ping is only logged", 2, false, false, command("ping"), 2, {}},
        {"ping while not defined", 15, false, false, command("ping"), 15, {}},
        {"focus keeps the status", 3, false, false, command("focusCamera"), 3, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        screen->statuses.clear();
        session->setIdentificationStatus(c.current);
        session->setESignatureEnabled(c.eSignature);
        session->setIdentCodeRequired(c.identCode);
        deliver(c.message);
        EXPECT_EQ(session->identificationStatus(), c.expected);
        EXPECT_EQ(screen->statuses, c.reported);
    }
    EXPECT_TRUE(driver->madeFor.empty()) << "no status command needs the call";
}

TEST_F(IdentificationHandlerTest, NoChangeIsLogged)
{
    session->setIdentificationStatus(KVNIdentificationStatusFace);
    testing::internal::CaptureStderr();
    deliver(command("setupComplete"));
    const std::string log = testing::internal::GetCapturedStderr();
    EXPECT_NE(log.find("-> WEBSOCKET: new status - KVNIdentificationStatusFace - 2 (setupComplete)\n"), std::string::npos) << log;
    EXPECT_NE(log.find("-> WEBSOCKET: current status - KVNIdentificationStatusFace - 2\n"), std::string::npos) << log;
    EXPECT_NE(log.find("-> WEBSOCKET NO CHANGE !!!!!!\n"), std::string::npos) << log;
}

TEST_F(IdentificationHandlerTest, AgentConnectedStartsTheConferenceOnceWithoutAReport)
{
    session->setIdentificationStatus(KVNIdentificationStatusConnecting);
    session->setVideoserverType(KVNVideoIdentification::VideoserverTypeDisabled);
    deliver(command("agentConnected"));
    EXPECT_EQ(session->identificationStatus(), KVNIdentificationStatusConnected);
    EXPECT_TRUE(screen->statuses.empty());
    EXPECT_EQ(driver->madeFor, std::vector<long>{KVNVideoIdentification::VideoserverTypeDisabled});
    EXPECT_EQ(driver->callEvents->count("link up"), 1u);

    deliver(command("agentConnected"));
    EXPECT_EQ(driver->callEvents->count("link up"), 1u) << "a second one is no change";
}

TEST_F(IdentificationHandlerTest, ESigningTakesItsDataAndAResendWithoutDataIsNotSwallowed)
{
    session->setIdentificationStatus(KVNIdentificationStatusAgentBusy);
    deliver(command("startESigning"));
    EXPECT_EQ(session->identificationStatus(), KVNIdentificationStatusAgentBusy) << "without data the command is not taken";
    EXPECT_TRUE(screen->statuses.empty());

    deliver(command("startESigning", {{"url", "https://sign.example/page?id=1"}, {"consentProtocolVersion", "native-1.0"}}));
    EXPECT_EQ(screen->statuses, std::vector<long>{7}) << "the resend with data shows e-signing";
    EXPECT_EQ(session->eSignatureOpenTrustURL(), "https://sign.example/page?id=1");
    EXPECT_EQ(session->consentProtocolVersion(), "native");

    session->setIdentificationStatus(KVNIdentificationStatusAgentBusy);
    deliver(command("startESigning", {{"url", 42}, {"consentProtocolVersion", "docusign"}}));
    EXPECT_EQ(session->consentProtocolVersion(), "docusign");
    EXPECT_EQ(session->eSignatureOpenTrustURL(), "https://sign.example/page?id=1") << "a URL that is no text is not taken";

    session->setIdentificationStatus(KVNIdentificationStatusAgentBusy);
    session->setConsentProtocolVersion("native");
    deliver(command("startESigning", nlohmann::json::object()));
    EXPECT_EQ(session->identificationStatus(), KVNIdentificationStatusESignature);
    EXPECT_EQ(session->consentProtocolVersion(), "docusign") << "every status command starts from docusign";
}

// An unknown message must not cost the agent's next chat message or picture.
TEST_F(IdentificationHandlerTest, ActionsAreCarriedOutWhateverTheStatus)
{
    driver->setLocalCameraPosition(KVNWebRTCHandler::CameraPositionBack);
    deliver("garbage");
    ASSERT_EQ(session->identificationStatus(), KVNIdentificationStatusNotDefined);

    deliver(command("chatMessage", {{"content", "Hallo | Welt"}, {"originator", "Agent"}, {"timestamp", "2024-05-01T10:00:00+0200"}}));
    deliver(command("takeScreenshot", {{"type", "FACESCREENSHOT"}}));
    deliver(command("showHelp", {{"type", "turnFlashlightOn"}}));

    EXPECT_EQ(screen->chat, std::vector<std::string>{"Hallo | Welt"});
    ASSERT_EQ(driver->messageProvider()->messages().size(), 1u);
    EXPECT_TRUE(driver->messageProvider()->messages()[0]->remote());
    EXPECT_EQ(driver->messageProvider()->newMessagesCount(), 1);
    EXPECT_EQ(driver->call->captures, 1);
    EXPECT_EQ(driver->screenshotType(), "FACESCREENSHOT");
    EXPECT_TRUE(KVNExtensions::isTorchOn());
    EXPECT_EQ(session->identificationStatus(), KVNIdentificationStatusNotDefined) << "actions leave the status";
    EXPECT_EQ(screen->statuses, std::vector<long>{15});
}

TEST_F(IdentificationHandlerTest, ScreenshotRequests)
{
    session->setIdentificationStatus(KVNIdentificationStatusFace);
    auto manager = KVNRequestManager::sharedManager();
    manager->setScreenshotTypeIdentifier("FACESCREENSHOT");
    deliver(command("takeScreenshot", {{"type", "FACESCREENSHOT"}}));
    EXPECT_EQ(driver->madeFor.size(), 0u) << "an upload of that type still runs: no picture";
    EXPECT_EQ(driver->screenshotType(), std::nullopt);

    deliver(command("takeScreenshot", {{"type", "IDFRONTSIDE"}}));
    deliver(command("takeScreenshot", {{"type", 5}}));
    deliver(command("takeScreenshot"));
    ASSERT_TRUE(driver->call);
    EXPECT_EQ(driver->call->captures, 1) << "a request without a text type takes no picture";
    EXPECT_EQ(driver->screenshotType(), "IDFRONTSIDE");

    // A call that never answers holds a bounded number of requests.
    for (int i = 0; i < 20; ++i)
        deliver(command("takeScreenshot", {{"type", "IDBACKSIDE"}}));
    EXPECT_EQ(driver->call->captures, static_cast<int>(KVNIdentificationHandler::maxPendingScreenshots));
    driver->webRTCHandler_didCreateScreenshot_withSuccess(driver->call, nullptr, false);
    deliver(command("takeScreenshot", {{"type", "IDBACKSIDE"}}));
    EXPECT_EQ(driver->call->captures, static_cast<int>(KVNIdentificationHandler::maxPendingScreenshots) + 1) << "an answer makes room";

    // A failed capture is only logged.
    testing::internal::CaptureStderr();
    driver->webRTCHandler_didCreateScreenshot_withSuccess(driver->call, nullptr, false);
    EXPECT_NE(testing::internal::GetCapturedStderr().find("WebRTC service failed to create screenshot"), std::string::npos);
    EXPECT_TRUE(screen->errors.empty());
    EXPECT_EQ(session->identificationStatus(), KVNIdentificationStatusFace);
}

TEST_F(IdentificationHandlerTest, TorchFollowsTheAgentOnTheBackCameraOnly)
{
    const struct {
        const char* why;
        long camera;
        bool torchBefore;
        nlohmann::json data;
        bool torchAfter;
    } cases[] = {
        {"on with the back camera", 1, false, {{"type", "turnFlashlightOn"}}, true},
        {"on with the front camera", 2, false, {{"type", "turnFlashlightOn"}}, false},
        {"off with either camera", 2, true, {{"type", "turnFlashlightOff"}}, false},
        {"another help", 1, true, {{"type", "showIdCard"}}, true},
        {"a type that is no text", 1, false, {{"type", true}}, false},
        {"no data", 1, true, nullptr, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        driver->setLocalCameraPosition(c.camera);
        KVNExtensions::setTorchEnabled(c.torchBefore);
        deliver(command("showHelp", c.data));
        EXPECT_EQ(KVNExtensions::isTorchOn(), c.torchAfter);
    }
}

TEST_F(IdentificationHandlerTest, FocusCameraFocusesOnceAtTheCentre)
{
    KVNExtensions::autofocusPoint(CGPoint{0.1, 0.9});
    deliver(command("focusCamera"));
    EXPECT_EQ(camera->focusPointOfInterest(), (CGPoint{0.5, 0.5}));
    EXPECT_EQ(camera->focusMode(), AVCaptureFocusModeAutoFocus);
}

TEST_F(IdentificationHandlerTest, FinishLeavesNothingRunning)
{
    session->setIdentificationStatus(KVNIdentificationStatusFace);
    session->setPositionInQueue(3);
    session->setEstimatedWaitingTime(120);
    driver->setLocalCameraPosition(KVNWebRTCHandler::CameraPositionBack);
    deliver(command("showHelp", {{"type", "turnFlashlightOn"}}));
    deliver(command("takeScreenshot", {{"type", "FACESCREENSHOT"}}));
    KVNExtensions::autofocusPoint(CGPoint{0.2, 0.2});
    ASSERT_TRUE(KVNExtensions::isTorchOn());
    auto channel = driver->socketHandler();

    driver->finishIdentification();

    EXPECT_TRUE(driver->messageProvider()->invalidated());
    EXPECT_EQ(channel->delegate(), nullptr);
    EXPECT_FALSE(channel->isConnected());
    EXPECT_EQ(channel->reconnectTimer(), nullptr);
    EXPECT_EQ(session->identificationStatus(), KVNIdentificationStatusNotDefined);
    EXPECT_EQ(session->positionInQueue(), -1);
    EXPECT_EQ(session->estimatedWaitingTime(), -1);
    EXPECT_EQ(driver->call->resets, 1);
    EXPECT_EQ(driver->call->delegate(), nullptr);
    EXPECT_FALSE(KVNExtensions::isTorchOn());
    EXPECT_EQ(camera->focusPointOfInterest(), (CGPoint{0.5, 0.5}));
    EXPECT_EQ(camera->focusMode(), AVCaptureFocusModeContinuousAutoFocus);
    EXPECT_TRUE(screen->statuses.empty()) << "the end is not reported";

    // A picture that a capture still delivers after the end is uploaded for no one.
    driver->webRTCHandler_didCreateScreenshot_withSuccess(driver->call, picture(), true);
    EXPECT_FALSE(KVNRequestManager::sharedManager()->isUploadingScreenshotForIdentifier("FACESCREENSHOT"));
    EXPECT_TRUE(screen->errors.empty());
}

TEST_F(IdentificationHandlerTest, WithoutAHandlerForTheServerCommandsToTheCallDoNothing)
{
    auto plain = std::make_shared<KVNIdentificationHandler>();
    plain->initWithDelegate(screen);
    session->setVideoserverType(KVNVideoIdentification::VideoserverTypeUnsupported);
    session->setIdentificationStatus(KVNIdentificationStatusConnecting);
    plain->socketHandler_didReceiveMessage(plain->socketHandler(), command("agentConnected"));
    plain->socketHandler_didReceiveMessage(plain->socketHandler(), command("takeScreenshot", {{"type", "FACESCREENSHOT"}}));
    plain->setLocalCameraPosition(KVNWebRTCHandler::CameraPositionBack);
    plain->reconnect();
    EXPECT_EQ(plain->webRTCHandler(), nullptr);
    EXPECT_EQ(plain->localCameraPosition(), 0);
    EXPECT_EQ(session->identificationStatus(), KVNIdentificationStatusConnected);
    plain->finishIdentification();
}
