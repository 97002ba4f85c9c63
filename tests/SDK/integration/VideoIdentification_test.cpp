// A video identification through the session driver against the simulated service, whose
// agent plays each road over the event channel and waits for the app's answers. A test
// delegate stands in for the video screen and does what the screen does: asks for the video
// chat once the preview is there, answers the agent's greeting, asks for and sends the ident
// code, uploads the signature and completes the signing page, and ends the identification
// when the agent does. Each road checks the statuses reported in order, every request the
// service received, the chat of both sides against the agent's own record, the screenshots
// under their own types, and what the end leaves behind.
//
// The call: roads run once with a stand-in for the camera (preview and pictures answered on
// the main queue, the torch read at each picture) and once with the real call handler, which
// needs the local camera and microphone of the media stack. Timers run on the manual clock,
// stepped while the service's side runs in real time.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "MediaStack/Views/LocalPreviewView.h"
#include "support/SessionTestSupport.h"
#include "AVFoundation/AVCaptureDevice.h"
#include "AVFoundation/AVMediaFormat.h"
#include "Foundation/BindToMainQueue.h"
#include "Foundation/NSRunLoop.h"
#include "Network/SCNetworkReachability.h"
#include "Private/Extensions/AVCaptureDevice+KVNExtensions.h"
#include "Private/Helper/KVNMessage.h"
#include "Private/Helper/KVNMessageProvider.h"
#include "Private/Helper/KVNRequestManager.h"
#include "Private/Helper/KVNServer.h"
#include "Private/Helper/KVNSocketHandler.h"
#include "Private/Helper/KavoniErrorCode.h"
#include "Private/Tasks/VideoIdent/Identification/KVNIdentificationHandler.h"
#include "Private/Tasks/VideoIdent/Identification/KVNNoVideoserverHandler.h"
#include "Private/Tasks/VideoIdent/Identification/KVNOrvelLocalMedia.h"
#include "UIKit/UIApplication.h"
#include "UIKit/UIImage.h"
#include "UIKit/UIView.h"
#include "models/KVNIdentification.h"
#include "models/KVNVideoIdentification.h"
#include "public/KavoniSettings.h"
#include "support/KvnTestBundle.h"
#include "support/LocalMediaCheck.h"
#include "support/ManualClockFixture.h"
#include "support/SimFixture.h"

using nlohmann::json;

namespace {

constexpr double kWait = 90.0; // real seconds a road may take, generously
const std::string kIdentPath = "/api/v1/vellumbank/identifications/";
const std::string kReply = "Yes, I hear you well.";

std::shared_ptr<UIImage> picture() { return UIImage::imageWithData(KvnTestBundle::solidPNG(32, 24, 0x3366CCFF)); }

// The camera of the call: a preview at start, and each picture answered on a later turn of
// the main queue (or held until the test releases it).
class StandInCall : public KVNNoVideoserverHandler {
public:
    bool holdCaptures = false;
    int held = 0;
    int resets = 0;
    std::vector<bool> torchAtCapture;

    void startWithSessionID_sessionToken(const std::string& sessionID, const std::string& sessionToken) override
    {
        KVNWebRTCHandler::startWithSessionID_sessionToken(sessionID, sessionToken);
        KVNWebRTCHandler::setLocalCameraPosition(CameraPositionBack);
        kvn::postToMainQueue(weak(), [](StandInCall& self) {
            self.m_preview = std::make_shared<UIView>();
            self.setLocalVideoControl(self.m_preview);
            if (auto delegate = self.delegate())
                delegate->webRTCHandler_didCreateLocalVideoControl(self.shared_from_this(), self.m_preview);
        });
    }
    void createScreenshot() override
    {
        torchAtCapture.push_back(KVNExtensions::isTorchOn());
        if (holdCaptures)
            ++held;
        else
            answerCapture();
    }
    void releaseCapture()
    {
        --held;
        answerCapture();
    }
    void reset() override
    {
        ++resets;
        m_preview.reset();
    }
    long localCameraPosition() const override { return KVNWebRTCHandler::localCameraPosition(); }
    void setLocalCameraPosition(long position) override { KVNWebRTCHandler::setLocalCameraPosition(position); }

private:
    std::weak_ptr<StandInCall> weak() { return std::static_pointer_cast<StandInCall>(shared_from_this()); }
    void answerCapture()
    {
        kvn::postToMainQueue(weak(), [](StandInCall& self) {
            if (auto delegate = self.delegate())
                delegate->webRTCHandler_didCreateScreenshot_withSuccess(self.shared_from_this(), picture(), true);
        });
    }

    std::shared_ptr<UIView> m_preview;
};

// The driver with the stand-in camera in place of either call handler.
class StandInDriver : public KVNIdentificationHandler {
public:
    std::shared_ptr<StandInCall> call;
    std::vector<long> madeFor;

protected:
    std::shared_ptr<KVNWebRTCHandler> makeWebRTCHandler(long videoserverType) override
    {
        madeFor.push_back(videoserverType);
        if (videoserverType != KVNVideoIdentification::VideoserverTypeKavoni &&
            videoserverType != KVNVideoIdentification::VideoserverTypeDisabled)
            return nullptr;
        call = std::make_shared<StandInCall>();
        call->initWithDelegate(shared_from_this());
        return call;
    }
};

// What the video screen does with the driver's reports.
class Screen : public KVNIdentificationHandlerDelegate {
public:
    std::weak_ptr<KVNIdentificationHandler> driver;
    std::vector<long> statuses;
    std::vector<long> errors;
    std::vector<std::string> chat;
    int aborts = 0;
    int localViews = 0;
    int remoteViews = 0;
    int signatures = 0;
    bool signingDone = false;
    bool ended = false;
    // Off: the test makes the requests itself.
    bool playsTheRoad = true;

    void identificationHandler_didFailWithError(const std::shared_ptr<KVNIdentificationHandler>&,
                                                const std::shared_ptr<NSError>& error) override
    {
        errors.push_back(error ? error->code() : 0);
    }
    void identificationHandler_abortToSuccessScreen(const std::shared_ptr<KVNIdentificationHandler>&, bool abort) override
    {
        aborts += abort ? 1 : 0;
    }
    void identificationHandler_didCreateLocalVideoControl(const std::shared_ptr<KVNIdentificationHandler>& handler,
                                                          const std::shared_ptr<UIView>& view) override
    {
        ++localViews;
        if (view)
            handler->requestVideoChat();
    }
    void identificationHandler_didCreateRemoteVideoControl(const std::shared_ptr<KVNIdentificationHandler>&,
                                                           const std::shared_ptr<UIView>&) override
    {
        ++remoteViews;
    }
    void identificationHandler_didReceiveRemoteMessage(const std::shared_ptr<KVNIdentificationHandler>& handler,
                                                       const std::shared_ptr<KVNMessage>& message) override
    {
        chat.push_back(message->text());
        if (chat.size() == 1) // the greeting waits for an answer
            handler->messageProvider()->sendText_callback(kReply, nullptr);
    }
    void identificationHandlerDidUploadSignature(const std::shared_ptr<KVNIdentificationHandler>&) override
    {
        ++signatures;
        completeSigning();
    }
    void identificationHandler_didChangeIdentificationStatus(const std::shared_ptr<KVNIdentificationHandler>& handler, long status) override
    {
        statuses.push_back(status);
        if (!playsTheRoad)
            return;
        auto session = KVNIdentification::sharedIdentification()->videoIdentification();
        const bool native = session->consentProtocolVersion() == "native";
        switch (status) {
        case KVNIdentificationStatusRequestCode:
            handler->requestIdentCodeViaEmail(false);
            break;
        case KVNIdentificationStatusSendCode:
            handler->sendIdentCode("123456");
            break;
        case KVNIdentificationStatusESignature:
            m_signing = true;
            if (native)
                handler->requestIdentCodeViaEmail(false);
            else
                handler->sendSignature(picture());
            break;
        case KVNIdentificationStatusAgentBusy:
            // The native consent's code went through: the contracts are signed.
            if (m_signing && native && std::count(statuses.begin(), statuses.end(), KVNIdentificationStatusSendCode) > 0)
                completeSigning();
            break;
        case KVNIdentificationStatusFinished:
        case KVNIdentificationStatusFailed:
            ended = true;
            handler->finishIdentification();
            break;
        default:
            break;
        }
    }

private:
    void completeSigning()
    {
        if (signingDone)
            return;
        signingDone = true;
        KVNRequestManager::sharedManager()->sendEsignSuccess(
            [](const std::shared_ptr<NSError>& error) { EXPECT_EQ(error, nullptr) << "the signing page's completion"; });
    }

    bool m_signing = false;
};

struct Road {
    const char* name;
    const char* keyword;
    long videoserverType;
    std::vector<long> statuses;
    // The calls of the identification the service received, in order: POSTs and the signing
    // page's completion, each as the part of the path after the token.
    std::vector<std::string> calls;
    std::vector<std::string> screenshots;
    long ending;
    bool torchForTheFront; // the agent lights the torch for the document's front side
};

const std::vector<std::string> kJoin = {"start", "requestVideoChat", "setupComplete", "chat/agent/sendMsg"};
const std::vector<std::string> kDocument = {"uploadScreenshot/FACESCREENSHOT", "uploadScreenshot/IDFRONTSIDE",
                                            "uploadScreenshot/IDBACKSIDE"};

std::vector<std::string> join(std::initializer_list<std::vector<std::string>> parts)
{
    std::vector<std::string> all;
    for (const auto& part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

const Road kRoads[] = {
    {"identification",
     "AGENTIDENT",
     0,
     {2, 3, 4, 5, 6, 9, 10, 13},
     join({kJoin, kDocument, {"resendConfirmationToken", "sendConfirmationToken"}}),
     {"FACESCREENSHOT", "IDFRONTSIDE", "IDBACKSIDE"},
     13,
     true},
    {"docusign",
     "AGENTDOCUSIGN",
     0,
     {2, 3, 4, 5, 6, 11, 7, 11, 13},
     join({kJoin, kDocument, {"uploadScreenshot/signature", "signingDone"}}),
     {"FACESCREENSHOT", "IDFRONTSIDE", "IDBACKSIDE"},
     13,
     true},
    {"nativeConsent",
     "AGENTNATIVE",
     0,
     {2, 3, 4, 5, 6, 11, 7, 10, 11, 13},
     join({kJoin, kDocument, {"resendConfirmationToken", "sendConfirmationToken", "signingDone"}}),
     {"FACESCREENSHOT", "IDFRONTSIDE", "IDBACKSIDE"},
     13,
     true},
    {"failed",
     "AGENTFAILS",
     0,
     {2, 3, 14},
     join({kJoin, {"uploadScreenshot/FACESCREENSHOT", "uploadScreenshot/IDFRONTSIDE"}}),
     {"FACESCREENSHOT", "IDFRONTSIDE"},
     14,
     false},
    {"noVideoServer",
     "AGENTNOVIDEO",
     2,
     {2, 3, 4, 5, 6, 9, 10, 13},
     join({kJoin, kDocument, {"resendConfirmationToken", "sendConfirmationToken"}}),
     {"FACESCREENSHOT", "IDFRONTSIDE", "IDBACKSIDE"},
     13,
     true},
};

} // namespace

class VideoIdentificationTest : public SimFixture<ManualClockFixture> {
protected:
    void SetUp() override
    {
        SimFixture::SetUp();
        bundle = std::make_unique<KvnTestBundle>();
        AVCaptureDevice::setDevicesForTesting(
            std::vector{AVCaptureDevice::Description::backCamera(), AVCaptureDevice::Description::frontCamera()});
        SCNetworkReachabilitySetFlagsForTesting(kSCNetworkReachabilityFlagsReachable);
    }

    void TearDown() override
    {
        if (driver)
            driver->finishIdentification();
        auto manager = KVNRequestManager::sharedManager();
        manager->cancelTasks();
        loop->spin_until([&] { return idle(); }, kWait);
        driver.reset();
        screen.reset();
        manager->setIdent(nullptr);
        KVNIdentification::resetSharedIdentification();
        SCNetworkReachabilitySetFlagsForTesting(std::nullopt);
        UIApplication::sharedApplication()->resetForTesting();
        AVCaptureDevice::setDevicesForTesting(std::nullopt);
        bundle.reset();
        SimFixture::TearDown();
    }

    static bool idle()
    {
        return kvn::test::requestManagerIdle();
    }

    // A token of its own for each test (the sim keeps identifications by token).
    static std::string tokenWith(const std::string& keyword)
    {
        return kvn::test::uniqueToken(keyword);
    }

    // The shared session as the initialisation leaves it: the customer configuration of the
    // road (the token as identifier) and the identification's data.
    void initialise(const std::string& token, long connectionType = 0)
    {
        this->token = token;
        KVNIdentification::resetSharedIdentification();
        auto settings = kvn::test::settingsForSim(token, sim->baseURL());
        settings->setConnectionType(connectionType);
        kvn::test::initialiseSession(settings, token, [this](const std::function<bool()>& condition, const std::string& what) { waitUntil(condition, what); });
    }

    template <class Driver = StandInDriver>
    std::shared_ptr<Driver> makeDriver()
    {
        screen = std::make_shared<Screen>();
        auto made = std::make_shared<Driver>();
        made->initWithDelegate(screen);
        screen->driver = made;
        driver = made;
        return made;
    }

    // Turns the run loop while the service answers in real time, stepping the manual clock
    // so that the channel's reconnects and the chat's resends come due.
    void waitUntil(const std::function<bool()>& condition, const std::string& what)
    {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(kWait);
        while (!condition()) {
            if (std::chrono::steady_clock::now() > deadline) {
                FAIL() << "timed out waiting for " << what << "; the agent: " << sim->agentProgress(token).dump(1);
            }
            loop->spin_until(condition, 0.05);
            if (!condition())
                runFor(0.1);
        }
    }

    // The identification's calls the service received: POSTs and the signing completion, as
    // the part of the path after the token.
    std::vector<std::string> identificationCalls() const
    {
        std::vector<std::string> calls;
        const std::string prefix = kIdentPath + token + "/";
        const std::string signing = "/vellumbank/identifications/" + token + "/signingDone";
        for (const auto& request : sim->requests()) {
            const std::string path = request["path"];
            if (path == signing)
                calls.push_back("signingDone");
            else if (request["method"] == "POST" && path.rfind(prefix, 0) == 0)
                calls.push_back(path.substr(prefix.size()));
        }
        return calls;
    }

    std::vector<std::string> chatOf(const json& progress, const std::string& from) const
    {
        std::vector<std::string> texts;
        for (const auto& entry : progress["chat"])
            if (entry["from"] == from)
                texts.push_back(entry["content"]);
        return texts;
    }

    void start()
    {
        driver->startIdentification([this] { ++completions; });
    }

    // The road to its end, and what the end leaves behind.
    void runRoad(const Road& road)
    {
        waitUntil([&] { return screen->ended; }, std::string("the end of the road ") + road.name);
        const json progress = sim->agentProgress(token);
        EXPECT_EQ(progress["state"], "done") << progress.dump(1);
        EXPECT_TRUE(progress["failure"].is_null()) << progress["failure"].dump();

        EXPECT_EQ(completions, 1);
        // When the code is the user's last step, the agent's "finished" may overtake the
        // code's answer, whose AgentBusy the end then cancels: it is not counted.
        std::vector<long> reported = screen->statuses;
        if (road.calls.back() == "sendConfirmationToken" && reported.size() >= 2 && reported[reported.size() - 2] == 11)
            reported.erase(reported.end() - 2);
        EXPECT_EQ(reported, road.statuses);
        EXPECT_EQ(screen->statuses.back(), road.ending);
        EXPECT_TRUE(screen->errors.empty()) << screen->errors.front();
        EXPECT_EQ(screen->chat, chatOf(progress, "agent")) << "every agent message once, in order";
        EXPECT_EQ(chatOf(progress, "user"), std::vector<std::string>{kReply});
        EXPECT_EQ(driver->messageProvider()->messages().size(), screen->chat.size() + 1);
        waitUntil([&] { return identificationCalls().size() >= road.calls.size(); }, "the last calls");
        EXPECT_EQ(identificationCalls(), road.calls);

        // The end: channel closed, nothing due, call reset, camera and torch off.
        auto channel = driver->socketHandler();
        EXPECT_EQ(channel->delegate(), nullptr);
        EXPECT_FALSE(channel->isConnected());
        EXPECT_EQ(channel->reconnectTimer(), nullptr);
        EXPECT_EQ(driver->messageProvider()->pendingResendCount(), 0u);
        EXPECT_TRUE(driver->messageProvider()->invalidated());
        waitUntil([&] { return sim->channelClients(token) == 0; }, "the channel to close");
        auto session = KVNIdentification::sharedIdentification()->videoIdentification();
        EXPECT_EQ(session->identificationStatus(), KVNIdentificationStatusNotDefined);
        EXPECT_EQ(session->positionInQueue(), -1);
        EXPECT_EQ(session->estimatedWaitingTime(), -1);
        EXPECT_EQ(driver->currentWebRTCHandler()->delegate(), nullptr);
        EXPECT_FALSE(KVNExtensions::isTorchOn());
        auto camera = AVCaptureDevice::defaultDeviceWithMediaType(AVMediaTypeVideo);
        EXPECT_EQ(camera->focusMode(), AVCaptureFocusModeContinuousAutoFocus);
    }

    std::unique_ptr<KvnTestBundle> bundle;
    std::shared_ptr<KVNIdentificationHandler> driver;
    std::shared_ptr<Screen> screen;
    std::string token;
    int completions = 0;
};

class AgentRoadTest : public VideoIdentificationTest, public ::testing::WithParamInterface<Road> {};

TEST_P(AgentRoadTest, WithTheStandInCamera)
{
    const Road& road = GetParam();
    initialise(tokenWith(road.keyword));
    auto made = makeDriver();
    start();
    runRoad(road);
    EXPECT_EQ(made->madeFor, std::vector<long>{road.videoserverType});
    EXPECT_EQ(made->call->resets, 1);
    // The torch was lit for the front side only.
    std::vector<bool> torch(road.screenshots.size(), false);
    torch[1] = road.torchForTheFront;
    EXPECT_EQ(made->call->torchAtCapture, torch);
}

TEST_P(AgentRoadTest, WithTheRealCall)
{
    const Road& road = GetParam();
    if (auto missing = kvn::test::localMediaMissing(loop))
        GTEST_SKIP() << *missing;
    initialise(tokenWith(road.keyword));
    makeDriver<KVNIdentificationHandler>();
    start();
    runRoad(road);
    EXPECT_EQ(screen->localViews, 1);
    EXPECT_EQ(screen->remoteViews, road.videoserverType == KVNVideoIdentification::VideoserverTypeKavoni ? 1 : 0);
}

INSTANTIATE_TEST_SUITE_P(Roads, AgentRoadTest, ::testing::ValuesIn(kRoads), [](const auto& info) { return std::string(info.param.name); });

// The start is answered 429; the user enrols on the waiting list, which ends this driver and
// tells the service; once notified, a new start (a new screen, a new driver) runs the road.
TEST_F(VideoIdentificationTest, WaitingListRoad)
{
    initialise(tokenWith("AGENTWAITING"));
    auto first = makeDriver();
    start();
    auto ident = KVNIdentification::sharedIdentification();
    waitUntil([&] { return ident->forceWaitingList() && identificationCalls() == std::vector<std::string>{"start"}; }, "the refused start");
    runFor(5.0);
    EXPECT_EQ(completions, 0);
    EXPECT_EQ(screen->aborts, 0) << "not enrolled yet";
    EXPECT_TRUE(first->madeFor.empty()) << "no call";
    EXPECT_EQ(sim->channelClients(token), 0) << "no channel";

    auto manager = KVNRequestManager::sharedManager();
    bool enrolled = false;
    manager->POSTEnrollForWaitingListMessage_shortName_callback(token, "vellumbank", [&](bool success) { enrolled = success; });
    waitUntil([&] { return enrolled; }, "the enrolment");
    ident->setEnrolledInWaitingList(true);
    first->putIdentOnWaitingList();
    manager->POSTIdentificationCanceled();

    while (!ident->waitingListNotified()) {
        bool answered = false;
        manager->requestWaitingQueue([&](bool, const std::shared_ptr<NSError>&) { answered = true; });
        waitUntil([&] { return answered; }, "the waiting-queue poll");
    }

    const Road road{
        "waitingList",
        "AGENTWAITING",
        0,
        {2, 3, 4, 5, 6, 9, 10, 13},
        join({{"start", "waitingListEnrollment", "canceled"}, kJoin, kDocument, {"resendConfirmationToken", "sendConfirmationToken"}}),
        {"FACESCREENSHOT", "IDFRONTSIDE", "IDBACKSIDE"},
        13,
        true};
    auto second = makeDriver();
    completions = 0;
    start();
    runRoad(road);
    EXPECT_EQ(second->madeFor, std::vector<long>{0});
}

// A user already notified from the waiting list whose start is still answered 429 goes on as
// after a successful start: channel, call (without a video session), completion; the service
// is not told the identification failed.
TEST_F(VideoIdentificationTest, ANotifiedUserAnswered429GoesOnAsAfterAStart)
{
    initialise(tokenWith("FULLNOTIFIED"));
    auto ident = KVNIdentification::sharedIdentification();
    ASSERT_TRUE(ident->waitingListNotified());
    auto made = makeDriver();
    start();
    waitUntil([&] { return completions == 1; }, "the completion");
    EXPECT_TRUE(ident->forceWaitingList());
    EXPECT_EQ(made->madeFor, std::vector<long>{KVNVideoIdentification::VideoserverTypeKavoni});
    ASSERT_TRUE(made->call);
    EXPECT_EQ(made->call->videoSessionToken(), std::string()) << "the 429 carries no session";
    waitUntil([&] { return sim->channelClients(token) == 1; }, "the channel");
    EXPECT_TRUE(screen->errors.empty());
    EXPECT_EQ(screen->aborts, 0);
    const auto calls = identificationCalls();
    EXPECT_EQ(calls.front(), "start");
    EXPECT_EQ(std::count(calls.begin(), calls.end(), "failed"), 0);
    made->finishIdentification();
}

// A restart of the channel mid-road (at the agent's next safe point, the user's chat answer):
// the driver reconnects 2.0 s later on its own clock, and the road completes with every chat
// message once, over either transport.
class ChannelRestartTest : public VideoIdentificationTest, public ::testing::WithParamInterface<long> {};

TEST_P(ChannelRestartTest, TheRoadCompletesWithNoChatMessageLostOrDoubled)
{
    initialise(tokenWith("AGENTIDENT"), GetParam());
    makeDriver();
    start();
    waitUntil([&] { return !screen->chat.empty(); }, "the greeting");
    ASSERT_TRUE(sim->restartChannelAtSafePoint(token, 1.0));
    runRoad(kRoads[0]);
    const json restarts = sim->agentProgress(token)["channelRestarts"];
    ASSERT_EQ(restarts.size(), 1u) << restarts.dump();
    EXPECT_FALSE(restarts[0].contains("skipped")) << restarts.dump();
}

INSTANTIATE_TEST_SUITE_P(Transports, ChannelRestartTest, ::testing::Values(0L, 1L),
                         [](const auto& info) { return info.param == 0 ? std::string("WebSocket") : std::string("LongPolling"); });

// Two pictures asked for before the first is taken are uploaded each under its own type.
TEST_F(VideoIdentificationTest, ScreenshotsKeepTheirOwnTypes)
{
    initialise(tokenWith("PICTURES"));
    auto made = makeDriver();
    start();
    waitUntil([&] { return completions == 1 && sim->channelClients(token) == 1; }, "the channel");
    made->call->holdCaptures = true;
    sim->pushCommand(token, {{"command", "takeScreenshot"}, {"data", {{"type", "IDFRONTSIDE"}}}});
    sim->pushCommand(token, {{"command", "takeScreenshot"}, {"data", {{"type", "IDBACKSIDE"}}}});
    waitUntil([&] { return made->call->held == 2; }, "both captures");
    EXPECT_EQ(made->screenshotType(), "IDBACKSIDE");

    const auto uploads = [&] {
        std::vector<std::string> found;
        for (const auto& call : identificationCalls())
            if (call.rfind("uploadScreenshot/", 0) == 0)
                found.push_back(call);
        return found;
    };
    made->call->releaseCapture();
    waitUntil([&] { return uploads().size() == 1; }, "the first upload");
    made->call->releaseCapture();
    waitUntil([&] { return uploads().size() == 2; }, "the second upload");
    EXPECT_EQ(uploads(), (std::vector<std::string>{"uploadScreenshot/IDFRONTSIDE", "uploadScreenshot/IDBACKSIDE"}));
    EXPECT_TRUE(screen->errors.empty());
}

// How a start can end short of a call.
TEST_F(VideoIdentificationTest, StartsThatMakeNoCall)
{
    struct Case {
        const char* why;
        const char* keyword;
        bool enrolled;
        int aborts;
        std::vector<long> errors;
    };
    const Case cases[] = {
        {"forced onto the waiting list, enrolled: to the success screen", "FULL", true, 1, {}},
        {"forced onto the waiting list, not enrolled: nothing", "FULL", false, 0, {}},
        // A user already notified goes on: ANotifiedUserAnswered429GoesOnAsAfterAStart.
        {"a video server this client does not support", "TOKBOX", false, 0, {KavoniErrorCode::UnsupportedVideoserver}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        sim->reset();
        initialise(tokenWith(c.keyword));
        KVNIdentification::sharedIdentification()->setEnrolledInWaitingList(c.enrolled);
        auto made = makeDriver();
        completions = 0;
        start();
        waitUntil([&] { return identificationCalls().size() == 1 && idle(); }, "the start");
        runFor(5.0);
        loop->pump();
        EXPECT_EQ(screen->aborts, c.aborts);
        EXPECT_EQ(screen->errors, c.errors);
        EXPECT_EQ(completions, 0);
        EXPECT_TRUE(made->madeFor.empty());
        EXPECT_FALSE(made->socketHandler()->isConnected());
        EXPECT_TRUE(sim->channelConnections().empty());
        made->finishIdentification();
    }
}

// A server type this client does not run: no call, but the channel opens and the start
// completes, and the agent's commands to the call do nothing.
TEST_F(VideoIdentificationTest, AnUnsupportedServerTypeStillOpensTheChannel)
{
    initialise(tokenWith("UNSUPPORTED"));
    KVNIdentification::sharedIdentification()->videoIdentification()->setVideoserverType(
        KVNVideoIdentification::VideoserverTypeUnsupported);
    // An answer that names no video server leaves the type as it was.
    const json answer = {
        {"request", {{"videoSession", "sim-session-x"}, {"userVideoSessionToken", "sim-user-x"}, {"clientSecret", "secret"}}}};
    sim->setAnswer("POST", ".*/start", 200, answer.dump(), 1);
    auto made = makeDriver();
    start();
    waitUntil([&] { return completions == 1 && sim->channelClients(token) == 1; }, "the channel");
    EXPECT_EQ(made->madeFor, std::vector<long>{KVNVideoIdentification::VideoserverTypeUnsupported});
    sim->pushCommand(token, {{"command", "agentConnected"}});
    sim->pushCommand(token, {{"command", "takeScreenshot"}, {"data", {{"type", "FACESCREENSHOT"}}}});
    sim->pushCommand(token, {{"command", "setupComplete"}});
    waitUntil([&] { return !screen->statuses.empty(); }, "the status");
    EXPECT_EQ(screen->statuses, std::vector<long>{KVNIdentificationStatusFace});
    EXPECT_EQ(identificationCalls(), std::vector<std::string>{"start"});
}

// Failed requests reach the screen with their own codes; successes change the status as they
// should.
TEST_F(VideoIdentificationTest, RequestFailuresReachTheScreen)
{
    initialise(tokenWith("REQUESTS"));
    auto made = makeDriver();
    screen->playsTheRoad = false;
    const struct {
        const char* path;
        std::function<void()> request;
        long code;
    } cases[] = {
        {".*/requestVideoChat", [&] { made->requestVideoChat(); }, KavoniErrorCode::RequestVideoChatFailed},
        {".*/setupComplete", [&] { made->setupComplete(); }, KavoniErrorCode::SetupCompleteFailed},
        {".*/resendConfirmationTokenViaEmail", [&] { made->requestIdentCodeViaEmail(true); }, KavoniErrorCode::ResendIdentCodeFailed},
        {".*/sendConfirmationToken", [&] { made->sendIdentCode("123456"); }, KavoniErrorCode::SendIdentCodeFailed},
        {".*/uploadScreenshot/signature", [&] { made->sendSignature(picture()); }, KavoniErrorCode::SignatureUploadFailed},
    };
    auto session = KVNIdentification::sharedIdentification()->videoIdentification();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        screen->errors.clear();
        session->setIdentificationStatus(KVNIdentificationStatusRequestCode);
        sim->setAnswer("POST", c.path, 503, SimService::errorBody("EX-1", "SERVICE_UNAVAILABLE"), 1);
        c.request();
        waitUntil([&] { return !screen->errors.empty(); }, "the failure");
        EXPECT_EQ(screen->errors, std::vector<long>{c.code});
        EXPECT_EQ(session->identificationStatus(), KVNIdentificationStatusRequestCode);
    }
    EXPECT_TRUE(screen->statuses.empty());
    EXPECT_EQ(screen->signatures, 0);

    made->sendSignature(picture());
    waitUntil([&] { return screen->signatures == 1; }, "the signature");

    // Through, the e-mail code request and the code move the status and report it.
    made->requestIdentCodeViaEmail(true);
    waitUntil([&] { return screen->statuses.size() == 1; }, "the code request");
    EXPECT_EQ(screen->statuses.back(), KVNIdentificationStatusSendCode);
    screen->statuses.clear();
    screen->errors.clear();
    made->sendIdentCode("654321");
    waitUntil([&] { return !screen->errors.empty(); }, "the wrong code");
    EXPECT_EQ(screen->errors.back(), KavoniErrorCode::SendIdentCodeFailed);
    EXPECT_TRUE(screen->statuses.empty());
}
