// The media-stack call handler against the simulated service's video server: the offer and
// candidate exchange, the early-candidates retries, answers that come late or cannot be read,
// link drops and re-links on the manual clock, and the server-certificate checks.
#include <atomic>
#include <chrono>
#include <cstdio>
#include <functional>
#include <mutex>

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "CallHandlerTestSupport.h"
#include "support/SessionTestSupport.h"
#include "MediaStack/Conference/CandidateTypePreferences.h"
#include "MediaStack/Conference/PeerLink.h"
#include "MediaStack/AudioStreamDescription.h"
#include "MediaStack/VideoStreamDescription.h"
#include "MediaStack/Net/MediaThread.h"
#include "MediaStack/Views/RemoteVideoView.h"
#include "Network/SCNetworkReachability.h"
#include "Private/Helper/KVNRequestManager.h"
#include "Private/Helper/KVNServer.h"
#include "Private/Helper/KavoniErrorCode.h"
#include "Private/Tasks/VideoIdent/Identification/KVNOrvelLocalMedia.h"
#include "Private/Tasks/VideoIdent/Identification/KavoniCertificate.h"
#include "UIKit/UIApplication.h"
#include "UIKit/UIView.h"
#include "codecs/CocoaVp8Encoder.h"
#include "codecs/OpusCodec.h"
#include "codecs/Vp8Codec.h"
#include "models/KVNIdentification.h"
#include "public/KavoniCertificateProvider.h"
#include "public/KavoniSettings.h"
#include "support/ManualClockFixture.h"
#include "support/SimFixture.h"

using nlohmann::json;

namespace {

constexpr double kNetworkBound = 30.0;
const std::string kSession = "sim-session-1";
const std::string kToken = "sim-user-1";

class OrvelHandlerTest : public SimFixture<ManualClockFixture> {
protected:
    void SetUp() override
    {
        SimFixture::SetUp();
        KVNIdentification::resetSharedIdentification();
        ident = KVNIdentification::sharedIdentification();
        settings = KavoniSettings::settingsWithCompanyID_transactionToken("vellumbank", "DEV0001");
        settings->setEnvironment(8);
        settings->setApiHost(sim->baseURL());
        settings->setVideoHost(sim->baseURL());
        ident->setSettings(settings);
        ident->server()->setShortName("vellumbank");
        KVNRequestManager::sharedManager()->setIdent(ident);
        SCNetworkReachabilitySetFlagsForTesting(kSCNetworkReachabilityFlagsReachable);
        delegate = std::make_shared<RecordingDelegate>();
        handler = std::make_shared<QuietOrvelHandler>();
        handler->initWithDelegate(delegate);
    }

    void TearDown() override
    {
        handler->reset();
        KVNRequestManager::sharedManager()->cancelTasks();
        loop->spin_until([] { return idle(); }, kNetworkBound);
        handler.reset();
        SCNetworkReachabilitySetFlagsForTesting(std::nullopt);
        UIApplication::sharedApplication()->resetForTesting();
        KVNIdentification::resetSharedIdentification();
        SimFixture::TearDown();
    }

    static bool idle()
    {
        return kvn::test::requestManagerIdle();
    }

    void start(bool trickle)
    {
        ident->setUseTrickleIce(trickle);
        handler->startWithSessionID_sessionToken(kSession, kToken);
        handler->startConference();
    }

    // What the video server received on one of its two paths, answered or not.
    json received(const std::string& call) const
    {
        json out = json::array();
        for (const auto& request : sim->requests())
            if (request["path"] == "/api/v1/conferences/" + kSession + "/USER/" + kToken + "/" + call)
                out.push_back(request);
        return out;
    }

    size_t errors(long code) const
    {
        return static_cast<size_t>(std::count(delegate->errorCodes.begin(), delegate->errorCodes.end(), code));
    }

    std::shared_ptr<KVNIdentification> ident;
    std::shared_ptr<KavoniSettings> settings;
    std::shared_ptr<RecordingDelegate> delegate;
    std::shared_ptr<KVNOrvelHandler> handler;
};

// The VP8 codec of a call, counting the frames its encoder gave out (on the stack's threads).
class CountingVp8Codec : public Vp8Codec {
public:
    std::optional<std::vector<uint8_t>> encodeWithFrame(const std::shared_ptr<VideoFrame>& frame) override
    {
        if (m_holding.load())
            return std::nullopt;
        auto encoded = Vp8Codec::encodeWithFrame(frame);
        if (encoded)
            ++m_framesEncoded;
        return encoded;
    }
    int framesEncoded() const { return m_framesEncoded.load(); }
    // From now on the camera's pictures are skipped, as a failed encode skips them, so a test
    // can let the far side catch up with a count that no longer moves.
    void hold() { m_holding = true; }

private:
    std::atomic<int> m_framesEncoded { 0 };
    std::atomic<bool> m_holding { false };
};

// Keeps the codecs the stack makes for a call, so a test can read what they adapted to; the
// process's own factories come back at the end.
class CodecsOfTheCall {
public:
    CodecsOfTheCall()
    {
        VideoStreamDescription::registerCodec(
            "VP8", [this] { return keep(m_vp8, std::make_shared<CountingVp8Codec>()); }, true);
        AudioStreamDescription::registerCodec(
            "opus", 48000, 2, [this] { return keep(m_opus, std::make_shared<OpusCodec>()); }, true);
    }
    ~CodecsOfTheCall()
    {
        VideoStreamDescription::registerCodec(
            "VP8", [] { return std::make_shared<Vp8Codec>(); }, true);
        AudioStreamDescription::registerCodec(
            "opus", 48000, 2, [] { return std::make_shared<OpusCodec>(); }, true);
    }

    // The newest codec's encoder, none before its first frame.
    std::shared_ptr<CocoaVp8Encoder> vp8Encoder() const
    {
        std::lock_guard hold(m_lock);
        return m_vp8 ? m_vp8->encoder() : nullptr;
    }
    int vp8FramesEncoded() const
    {
        std::lock_guard hold(m_lock);
        return m_vp8 ? m_vp8->framesEncoded() : 0;
    }
    void holdVp8()
    {
        std::lock_guard hold(m_lock);
        if (m_vp8)
            m_vp8->hold();
    }
    std::shared_ptr<OpusCodec> opus() const
    {
        std::lock_guard hold(m_lock);
        return m_opus;
    }

private:
    template<typename Codec>
    std::shared_ptr<Codec> keep(std::shared_ptr<Codec>& slot, std::shared_ptr<Codec> codec)
    {
        std::lock_guard hold(m_lock);
        slot = codec;
        return codec;
    }

    mutable std::mutex m_lock;
    std::shared_ptr<CountingVp8Codec> m_vp8;
    std::shared_ptr<OpusCodec> m_opus;
};

SdpExchangeMessage offerWithCandidate() { return {"v=0\r\na=candidate:1 1 udp 2130706431 127.0.0.1 5000 typ host\r\n", true, "99"}; }

} // namespace

TEST_F(OrvelHandlerTest, EarlyModeRelinksWithRisingTimeOutsThenFailsWithoutEverSendingAnOffer)
{
    start(false);
    auto conference = handler->conference();
    ASSERT_TRUE(conference);
    EXPECT_EQ(conference->candidateMode(), CandidateMode::Early);
    EXPECT_EQ(conference->deadStreamTimeout(), 5000);
    EXPECT_TRUE(conference->suppressPrivateCandidates());
    EXPECT_TRUE(conference->suppressRelayCandidates());
    EXPECT_EQ(conference->dtlsCertificate(), KVNOrvelHandler::processCertificate());
    const auto preferences = CandidateTypePreferences::processWide();
    EXPECT_EQ(std::vector<int>({preferences.host, preferences.serverReflexive, preferences.peerReflexive, preferences.relay}),
              std::vector<int>({126, 120, 99, 0}));

    int timeout = conference->earlyCandidatesTimeout();
    EXPECT_EQ(timeout, 500);
    size_t links = 0;
    // Each link's time-out runs from its start on the media thread, which the
    // link-initialised report announces; the clock moves once that work is done.
    const auto linkStarted = [&] {
        ++links;
        const bool reported = loop->spin_until([&] { return delegate->count("remote") == links; }, kNetworkBound);
        conference->mediaThread()->invoke([] {});
        return reported;
    };
    ASSERT_TRUE(linkStarted());
    for (int expected : {2500, 4500, 6500, 8500, 10500}) {
        runFor(timeout / 1000.0);
        ASSERT_TRUE(loop->spin_until([&] { return conference->earlyCandidatesTimeout() == expected; }, kNetworkBound)) << expected;
        ASSERT_TRUE(linkStarted()) << expected;
        timeout = expected;
    }
    EXPECT_EQ(errors(KavoniErrorCode::SDPOfferExchangeFailed), 0u);
    runFor(timeout / 1000.0);
    ASSERT_TRUE(loop->spin_until([&] { return errors(KavoniErrorCode::SDPOfferExchangeFailed) == 1; }, kNetworkBound));
    EXPECT_EQ(conference->earlyCandidatesTimeout(), 10500);
    EXPECT_TRUE(received("sendSdpOffer").empty());
}

TEST_F(OrvelHandlerTest, LateModeSendsTheBareOfferAndEachCandidateInARequestOfItsOwn)
{
    sim->setAnswer("POST", ".*/sendCandidate", 500, SimService::errorBody("EX-5", "INTERNAL"), 1);
    sim->setAnswer("POST", ".*/sendSdpOffer", 200, SdpExchangeMessage{"v=0\r\n", false, "1"}.toJson(), 1);
    start(true);
    ASSERT_TRUE(loop->spin_until([&] { return received("sendSdpOffer").size() == 1; }, kNetworkBound));
    const json offer = received("sendSdpOffer")[0]["json"];
    ASSERT_TRUE(offer.is_object());
    EXPECT_EQ(offer.size(), 3u);
    EXPECT_EQ(offer["isOffer"], true);
    EXPECT_TRUE(offer["tieBreaker"].is_string());
    EXPECT_EQ(offer["sdpMessage"].get<std::string>().find("a=candidate"), std::string::npos);

    handler->sendCandidateToBackend({"candidate:1 1 udp 2130706431 127.0.0.1 5000 typ host", 0});
    handler->sendCandidateToBackend({"candidate:2 1 udp 1694498815 203.0.113.7 6000 typ srflx raddr 0.0.0.0 rport 0", std::nullopt});
    ASSERT_TRUE(loop->spin_until([&] { return received("sendCandidate").size() == 2 && idle(); }, kNetworkBound));
    const json candidates = received("sendCandidate");
    EXPECT_EQ(candidates[0]["json"],
              json({{"sdpCandidateAttribute", "candidate:1 1 udp 2130706431 127.0.0.1 5000 typ host"}, {"sdpMediaIndex", 0}}));
    EXPECT_EQ(candidates[1]["json"]["sdpMediaIndex"], 0);
    EXPECT_EQ(candidates[0]["status"], 500) << "the lost candidate is only logged";

    // An answer without media sections is no SDP the link can work with: the set-up fails
    // instead of waiting for a link that cannot come up.
    ASSERT_TRUE(loop->spin_until([&] { return errors(KavoniErrorCode::SDPOfferExchangeFailed) == 1; }, kNetworkBound));
    EXPECT_FALSE(handler->SDPOfferTask());
    EXPECT_EQ(delegate->count("error"), errors(KavoniErrorCode::SDPOfferExchangeFailed) + errors(KavoniErrorCode::LocalMediaStartFailed));
}

TEST_F(OrvelHandlerTest, UnreadableAnswersFailTheSetUp)
{
    const std::string answers[] = {
        "not json",
        "[]",
        R"({"sdpMessage": 7})",
        SdpExchangeMessage{"v=0\r\n", false, "1"}.toJson(),
        SdpExchangeMessage{"v=0\r\n", true, "1"}.toJson(),
    };
    sim->setAnswer("POST", ".*/sendSdpOffer", 200, SdpExchangeMessage{"v=0\r\n", false, "1"}.toJson(), 1);
    start(true);
    ASSERT_TRUE(loop->spin_until([&] { return errors(KavoniErrorCode::SDPOfferExchangeFailed) == 1; }, kNetworkBound));
    size_t reported = 1;
    for (const auto& answer : answers) {
        SCOPED_TRACE(answer);
        sim->setAnswer("POST", ".*/sendSdpOffer", 200, answer, 1);
        handler->onLinkOfferAnswer({nullptr, offerWithCandidate()});
        ASSERT_TRUE(loop->spin_until([&] { return errors(KavoniErrorCode::SDPOfferExchangeFailed) == reported + 1; }, kNetworkBound));
        ++reported;
    }
}

TEST_F(OrvelHandlerTest, ASecondOfferCancelsThePendingOne)
{
    sim->setAnswer("POST", ".*/sendSdpOffer", 200, SdpExchangeMessage{"v=0\r\n", false, "0"}.toJson(), -1, 0.5);
    start(true);
    ASSERT_TRUE(loop->spin_until([&] { return handler->SDPOfferTask() != nullptr; }, kNetworkBound));
    const auto first = handler->SDPOfferTask();
    handler->onLinkOfferAnswer({nullptr, offerWithCandidate()});
    EXPECT_NE(handler->SDPOfferTask(), first);
    ASSERT_TRUE(loop->spin_until([&] { return errors(KavoniErrorCode::SDPOfferExchangeFailed) == 1 && idle(); }, kNetworkBound));
    EXPECT_EQ(errors(KavoniErrorCode::SDPOfferExchangeFailed), 1u) << "the cancelled request reports nothing";
}

TEST_F(OrvelHandlerTest, AnswersThatArriveAfterResetAreIgnored)
{
    const struct {
        const char* why;
        int status;
    } cases[] = {{"an answer", 200}, {"a failure", 500}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        TearDown();
        SetUp();
        sim->setAnswer("POST", ".*/sendSdpOffer", c.status, SdpExchangeMessage{"v=0\r\n", false, "0"}.toJson(), -1, 0.3);
        start(true);
        ASSERT_TRUE(loop->spin_until([&] { return handler->SDPOfferTask() != nullptr; }, kNetworkBound));
        handler->reset();
        ASSERT_TRUE(loop->spin_until([&] { return idle(); }, kNetworkBound));
        EXPECT_EQ(errors(KavoniErrorCode::SDPOfferExchangeFailed), 0u);
    }
}

TEST_F(OrvelHandlerTest, DropsReportAndRelinkOnceTheAppIsActiveUntilReset)
{
    start(true);
    ASSERT_TRUE(loop->spin_until([&] { return delegate->count("remote") == 1; }, kNetworkBound));

    handler->onOrvelDown({nullptr, {"Unlink invoked by the application"}});
    EXPECT_EQ(errors(KavoniErrorCode::MediaLinkLost), 0u) << "our own unlink only logs";

    UIApplication::sharedApplication()->simulateEnterBackground();
    handler->onOrvelDown({nullptr, {"ICE failed: no candidate pair to the peer works"}});
    EXPECT_EQ(errors(KavoniErrorCode::MediaLinkLost), 1u);
    runFor(2.0);
    runFor(2.0);
    loop->pump();
    EXPECT_EQ(delegate->count("remote"), 1u) << "in the background the check only waits";

    SCNetworkReachabilitySetFlagsForTesting(0u);
    UIApplication::sharedApplication()->simulateEnterForeground();
    runFor(2.0);
    loop->pump();
    EXPECT_EQ(delegate->count("remote"), 1u) << "without a network the check only waits";

    SCNetworkReachabilitySetFlagsForTesting(kSCNetworkReachabilityFlagsReachable);
    runFor(2.0);
    ASSERT_TRUE(loop->spin_until([&] { return delegate->count("remote") == 2; }, kNetworkBound)) << "re-linked at the first good tick";
    runFor(2.0);
    loop->pump();
    EXPECT_EQ(delegate->count("remote"), 2u) << "the check ends with the re-link";

    UIApplication::sharedApplication()->simulateEnterBackground();
    handler->onOrvelDown({nullptr, {"Dead stream"}});
    handler->reset();
    UIApplication::sharedApplication()->simulateEnterForeground();
    runFor(2.0);
    runFor(2.0);
    loop->pump();
    EXPECT_EQ(delegate->count("remote"), 2u) << "no re-link after reset";
}

namespace {

struct TableProvider : KavoniCertificateProvider {
    bool serverCert = true;
    bool fingerPrint = true;
    std::optional<NSData> pin;
    std::optional<bool> verdict; // none: the base class's verdict

    std::optional<NSData> provideServerFingerPrintByteStream() override { return pin; }
    bool verfiyServerCertificate(const std::optional<NSData>& certificate) override
    {
        return verdict ? *verdict : KavoniCertificateProvider::verfiyServerCertificate(certificate);
    }
    bool featureFingerPrint() override { return fingerPrint; }
    bool featureServerCert() override { return serverCert; }
};

} // namespace

TEST_F(OrvelHandlerTest, ServerCertificateChecks)
{
    const NSData certificate{0x30, 0x82, 0x01, 0x0a};
    const NSData digest = KVNOrvelHandler::calcSHA256FingerPrint(certificate);
    const NSData digestOfNothing = KVNOrvelHandler::calcSHA256FingerPrint({});
    ASSERT_EQ(digest.size(), 32u);
    const struct {
        const char* why;
        bool hasProvider;
        bool serverCert;
        bool fingerPrint;
        std::optional<NSData> pin;
        std::optional<bool> verdict;
        std::optional<NSData> presented;
        bool passes;
    } cases[] = {
        {"no provider", false, true, true, std::nullopt, std::nullopt, certificate, true},
        {"no provider, no certificate", false, true, true, std::nullopt, std::nullopt, std::nullopt, true},
        {"both features off", true, false, false, std::nullopt, false, std::nullopt, true},
        {"default verdict, a certificate", true, true, false, std::nullopt, std::nullopt, certificate, true},
        {"default verdict, no certificate", true, true, false, std::nullopt, std::nullopt, std::nullopt, false},
        {"pin matches", true, false, true, digest, std::nullopt, certificate, true},
        {"pin differs", true, false, true, digestOfNothing, std::nullopt, certificate, false},
        {"pin none", true, false, true, std::nullopt, std::nullopt, certificate, false},
        {"no certificate against the pin of nothing", true, false, true, digestOfNothing, std::nullopt, std::nullopt, true},
        {"both on, pin matches but the host refuses", true, true, true, digest, false, certificate, false},
        {"both on, both pass", true, true, true, digest, std::nullopt, certificate, true},
        {"both on, host accepts but the pin differs", true, true, true, digestOfNothing, true, certificate, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        auto provider = std::make_shared<TableProvider>();
        provider->serverCert = c.serverCert;
        provider->fingerPrint = c.fingerPrint;
        provider->pin = c.pin;
        provider->verdict = c.verdict;
        settings->setCertificateProvider(c.hasProvider ? provider : nullptr);
        handler->startWithSessionID_sessionToken(kSession, kToken);
        EXPECT_EQ(handler->linkPassesChecks(std::make_shared<PeerLink>(kToken, nullptr, c.presented)), c.passes);
    }
    settings->setCertificateProvider(nullptr);
}

// A refused server is a failed call the user may retry or close, not a drop: no "reconnecting"
// report, no re-link against the same server.
TEST_F(OrvelHandlerTest, ARefusedServerCertificateEndsTheCallAsAnErrorNotALostLink)
{
    auto provider = std::make_shared<TableProvider>();
    provider->fingerPrint = false;
    provider->verdict = false;
    settings->setCertificateProvider(provider);
    handler->startWithSessionID_sessionToken(kSession, kToken);
    auto link = std::make_shared<PeerLink>(kToken, nullptr, NSData{0x30, 0x00});

    handler->onOrvelUp({link});
    ASSERT_TRUE(loop->spin_until([&] { return errors(KavoniErrorCode::ConferenceException) == 1; }, kNetworkBound));
    EXPECT_EQ(delegate->count("link up"), 0u);
    EXPECT_EQ(errors(KavoniErrorCode::MediaLinkLost), 0u);

    provider->verdict = true;
    handler->onOrvelUp({link});
    ASSERT_TRUE(loop->spin_until([&] { return delegate->count("link up") == 1; }, kNetworkBound));

    provider->verdict = false;
    handler->reset();
    handler->onOrvelUp({link});
    loop->pump();
    EXPECT_EQ(errors(KavoniErrorCode::ConferenceException), 1u) << "nothing after reset";
    settings->setCertificateProvider(nullptr);
}

// A call started without a video session (a notified user's 429) has no conference on the
// server to offer to: the agent's arrival fails the offer exchange, and nothing is posted.
TEST_F(OrvelHandlerTest, WithoutAVideoSessionTheConferenceFailsTheOfferExchangeWithoutARequest)
{
    ident->setUseTrickleIce(true);
    handler->startWithSessionID_sessionToken("", "");
    handler->startConference();
    EXPECT_EQ(errors(KavoniErrorCode::SDPOfferExchangeFailed), 1u);
    loop->pump();
    EXPECT_EQ(delegate->count("remote"), 0u) << "no link";
    EXPECT_EQ(handler->SDPOfferTask(), nullptr);
}

TEST_F(OrvelHandlerTest, LocalMediaThatAnswersAfterResetIsStoppedAndNotShown)
{
    handler->startWithSessionID_sessionToken(kSession, kToken);
    const auto pending = handler->localMedia();
    ASSERT_TRUE(pending);
    handler->reset();
    auto preview = std::make_shared<UIView>();
    handler->onLocalMediaStarted(pending, preview, nullptr);
    EXPECT_FALSE(handler->localVideoControl());
    EXPECT_EQ(delegate->count("local"), 0u);

    auto next = std::make_shared<QuietOrvelHandler>();
    next->initWithDelegate(delegate);
    next->startWithSessionID_sessionToken(kSession, kToken);
    next->onLocalMediaStarted(next->localMedia(), preview, nullptr);
    EXPECT_EQ(next->localVideoControl(), preview);
    EXPECT_EQ(preview->gestureRecognizers().size(), 1u);
    EXPECT_EQ(delegate->count("local"), 1u);
    next->reset();
}

TEST_F(OrvelHandlerTest, ResetBeforeAnythingAndCameraWithoutMediaDoNothing)
{
    handler->reset();
    handler->reset();
    handler->setLocalCameraPosition(KVNWebRTCHandler::CameraPositionBack);
    handler->createScreenshot();
    loop->pump();
    EXPECT_TRUE(delegate->calls.empty());
    EXPECT_FALSE(handler->localMedia());
}

// End to end against the simulated video server's WebRTC peer, over loopback.
TEST_F(OrvelHandlerTest, LinksUpWithTheSimulatedVideoServer)
{
    auto real = std::make_shared<KVNOrvelHandler>();
    real->initWithDelegate(delegate);
    ident->setUseTrickleIce(false);
    settings->setStunHost("127.0.0.1"); // loopback: the links gather 127.0.0.1
    real->startWithSessionID_sessionToken(kSession, kToken);
    real->startConference();
    // The media thread's timers (early candidates, DTLS resends) run on the manual clock: step
    // it while the network does its part.
    for (int step = 0; step < 300 && delegate->count("link up") == 0; ++step) {
        runFor(0.1);
        loop->spin_until([&] { return delegate->count("link up") > 0; }, 0.1);
    }
    ASSERT_EQ(delegate->count("link up"), 1u);
    EXPECT_EQ(delegate->count("remote"), 1u);
    EXPECT_EQ(errors(KavoniErrorCode::SDPOfferExchangeFailed), 0u);
    EXPECT_EQ(errors(KavoniErrorCode::MediaLinkLost), 0u);
    real->reset();
}

// The whole call against the video server's peer: sound and pictures both ways, a link the
// server drops reported and linked again, and a screenshot of the running camera.
TEST_F(OrvelHandlerTest, TheCallCarriesMediaBothWaysAndComesBackAfterADrop)
{
    auto real = std::make_shared<KVNOrvelHandler>();
    real->initWithDelegate(delegate);
    ident->setUseTrickleIce(true);
    settings->setStunHost("127.0.0.1");
    // The media thread's timers (playout, reports, DTLS resends) run on the manual clock:
    // step it while the network and the codecs do their part.
    auto runUntil = [&](const std::function<bool()>& done) {
        for (int step = 0; step < 600 && !done(); ++step) {
            runFor(0.05);
            loop->spin_until(done, 0.05);
        }
        return done();
    };
    real->startWithSessionID_sessionToken(kSession, kToken);
    // As in a session: the agent joins, and the conference starts, once the camera runs.
    ASSERT_TRUE(runUntil([&] { return delegate->count("local") == 1; }));
    real->startConference();
    auto received = [&](const char* kind) {
        const json record = sim->videoConference(kSession);
        return record.is_object() && record["received"].contains(kind) ? record["received"][kind].value("frames", 0) : 0;
    };
    ASSERT_TRUE(runUntil([&] { return delegate->count("link up") == 1; }));
    ASSERT_TRUE(runUntil([&] {
        auto remote = real->remoteVideoControl();
        return received("video") >= 5 && received("audio") >= 5 && remote && remote->framesRendered() >= 5;
    })) << sim->videoConference(kSession).dump();
    const json record = sim->videoConference(kSession);
    EXPECT_EQ(record["codecs"]["video"], "VP8/90000");
    EXPECT_EQ(record["codecs"]["audio"], "opus/48000/2");

    real->createScreenshot();
    ASSERT_TRUE(runUntil([&] { return delegate->count("screenshot") == 1; }));

    ASSERT_EQ(sim->dropVideoLink(kSession), 1);
    ASSERT_TRUE(runUntil([&] { return errors(KavoniErrorCode::MediaLinkLost) == 1; }));
    ASSERT_TRUE(runUntil([&] { return delegate->count("link up") == 2; })) << "linked again at the next 2.0 s check";
    EXPECT_EQ(errors(KavoniErrorCode::SDPOfferExchangeFailed), 0u);
    real->reset();
}

TEST_F(OrvelHandlerTest, LossThatTheServerReportsStepsTheEncodersDownAndLossFreeReportsStepThemBack)
{
    auto real = std::make_shared<KVNOrvelHandler>();
    real->initWithDelegate(delegate);
    CodecsOfTheCall codecs;
    ident->setUseTrickleIce(true);
    settings->setStunHost("127.0.0.1");
    // The server reports about once a second; each step takes two lossy reports down and six
    // clean ones up, so the bound is generous real time, stepped on the manual clock.
    auto runUntil = [&](const std::function<bool()>& done, double seconds) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
        while (!done() && std::chrono::steady_clock::now() < deadline) {
            runFor(0.05);
            loop->spin_until(done, 0.05);
        }
        return done();
    };
    real->startWithSessionID_sessionToken(kSession, kToken);
    ASSERT_TRUE(runUntil([&] { return delegate->count("local") == 1; }, kNetworkBound));
    real->startConference();
    ASSERT_TRUE(runUntil([&] { return delegate->count("link up") == 1; }, kNetworkBound));
    ASSERT_TRUE(runUntil([&] { return codecs.vp8Encoder() && codecs.opus() && codecs.opus()->encoder(); }, kNetworkBound));
    auto vp8 = codecs.vp8Encoder();
    // A clean loopback call leaves the encoder where it started.
    EXPECT_EQ(vp8->quality(), 0.5);
    EXPECT_EQ(vp8->bitrate(), 256);
    EXPECT_EQ(vp8->percentFramesToDrop(), 0.0);

    ASSERT_EQ(sim->setVideoLoss(20, kSession), 1);
    // The audio side hears the same reports: well above 5 % loss switches its FEC on.
    ASSERT_TRUE(runUntil([&] { return vp8->bitrate() < 256 && codecs.opus()->fecActive(); }, 60))
        << sim->videoConference(kSession).dump();
    ASSERT_EQ(sim->setVideoLoss(0, kSession), 1);
    EXPECT_LT(vp8->quality(), 0.5);
    EXPECT_GT(vp8->percentFramesToDrop(), 0.0);

    EXPECT_TRUE(runUntil([&] { return vp8->bitrate() == 256 && vp8->quality() == 0.5 && vp8->percentFramesToDrop() == 0.0; }, 120))
        << "quality " << vp8->quality() << ", bitrate " << vp8->bitrate() << ", drop ratio " << vp8->percentFramesToDrop();
    EXPECT_EQ(codecs.vp8Encoder(), vp8) << "the same link's encoder all along";
    EXPECT_EQ(errors(KavoniErrorCode::MediaLinkLost), 0u);
    real->reset();
}

// The video server never asks for a key frame: it decodes only from a key frame on. Every
// picture the library encodes reaches its decoder from the encoder's first frame: a picture
// spent before the link could carry it would leave the server blind until the next periodic
// key frame, hundreds of pictures later. libvpx may code them smaller than the camera's.
TEST_F(OrvelHandlerTest, TheServerDecodesEveryPictureFromTheEncodersFirstFrame)
{
    auto real = std::make_shared<KVNOrvelHandler>();
    real->initWithDelegate(delegate);
    CodecsOfTheCall codecs;
    ident->setUseTrickleIce(true);
    settings->setStunHost("127.0.0.1");
    auto runUntil = [&](const std::function<bool()>& done) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(kNetworkBound);
        while (!done() && std::chrono::steady_clock::now() < deadline) {
            runFor(0.05);
            loop->spin_until(done, 0.05);
        }
        return done();
    };
    auto video = [&] {
        const json record = sim->videoConference(kSession);
        return record.is_object() ? record["received"]["video"] : json::object();
    };
    real->startWithSessionID_sessionToken(kSession, kToken);
    ASSERT_TRUE(runUntil([&] { return delegate->count("local") == 1; }));
    real->startConference();
    ASSERT_TRUE(runUntil([&] { return video().value("frames", 0) >= 30; })) << sim->videoConference(kSession).dump();
    // The server's decoder may run well behind on a loaded machine: stop encoding and give it
    // time to catch up, so what is compared is what was lost, not what is still on its way. A
    // few pictures stay in its jitter buffer for want of a next one.
    codecs.holdVp8();
    const bool caughtUp = runUntil([&] { return codecs.vp8FramesEncoded() - video().value("frames", 0) <= 10; });
    const int encoded = codecs.vp8FramesEncoded();
    const json received = video();
    const int decoded = received.value("frames", 0);
    EXPECT_TRUE(caughtUp) << "encoded " << encoded << ", the server decoded " << decoded;
    for (const auto& size : received["sizes"].items()) {
        int width = 0, height = 0;
        ASSERT_EQ(std::sscanf(size.key().c_str(), "%dx%d", &width, &height), 2) << size.key();
        EXPECT_LE(width, 320);
        EXPECT_EQ(width * 3, height * 4) << size.key();
    }
    EXPECT_EQ(errors(KavoniErrorCode::MediaLinkLost), 0u);
    real->reset();
}
