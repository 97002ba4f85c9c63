// Our conference against a peer built from our own transports (ICE controlled, DTLS, SRTP,
// the negotiator's answer), over real sockets on 127.0.0.1.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <mutex>

#include "../support/PeerProcess.h"
#include "Foundation/RunLoopClock.h"
#include "MediaStack/AudioStreamDescription.h"
#include "MediaStack/Conference/AudioConferenceStream.h"
#include "MediaStack/Conference/MediaConference.h"
#include "MediaStack/Conference/VideoConferenceStream.h"
#include "MediaStack/Dtls/Certificate.h"
#include "MediaStack/Dtls/DtlsTransport.h"
#include "MediaStack/Ice/IceTransport.h"
#include "MediaStack/Net/MediaThread.h"
#include "MediaStack/Sdp/CandidateLine.h"
#include "MediaStack/Sdp/SdpNegotiator.h"
#include "MediaStack/Sdp/SdpReader.h"
#include "MediaStack/Sdp/SdpWriter.h"
#include "MediaStack/Srtp/SrtpTransport.h"
#include "MediaStack/VideoStreamDescription.h"
#include "MediaStack/Views/RemoteVideoView.h"
#include "support/ManualClockFixture.h"

using namespace media;
using namespace mediastack::sdp;

namespace {

constexpr double kNetworkBound = 30.0; // real seconds; loopback links up in well under one
constexpr const char* kPeerId = "video-session-token";

// What the conference's events brought, in order, from the media thread.
struct Recorder {
    std::mutex lock;
    std::vector<std::string> events;
    std::vector<SdpExchangeMessage> offers;
    std::vector<CandidateMessage> candidates;
    std::vector<std::string> downMessages;
    std::vector<std::shared_ptr<PeerLink>> links;

    template <class Fn>
    auto with(Fn fn)
    {
        std::lock_guard hold(lock);
        return fn();
    }
    size_t count(const std::string& name)
    {
        return with([&] { return static_cast<size_t>(std::count(events.begin(), events.end(), name)); });
    }
};

// The far side: an answering peer of our own transports.
struct TestPeer {
    std::shared_ptr<const Certificate> certificate = Certificate::generate();
    std::shared_ptr<IceTransport> ice;
    std::shared_ptr<DtlsTransport> dtls;
    std::shared_ptr<SrtpTransport> srtp;
    std::vector<std::string> candidates;
    std::atomic<bool> gathered{false};
    std::atomic<TransportState> state{TransportState::New};
};

class MediaConferenceTest : public ManualClockFixture {
protected:
    void SetUp() override
    {
        ManualClockFixture::SetUp();
        AudioStreamDescription::registerCodec(
            "opus", 48000, 2, [] { return nullptr; }, true);
        VideoStreamDescription::registerCodec(
            "VP8", [] { return nullptr; }, true);
        // Real sockets: DTLS resends on real time, so the media thread runs on it too.
        thread = MediaThread::create(std::make_shared<MonotonicClock>());
        recorder = std::make_unique<Recorder>();
        peer = std::make_unique<TestPeer>();
    }

    void TearDown() override
    {
        conference.reset();
        thread->invoke([&] {
            peer->srtp.reset();
            peer->dtls.reset();
            peer->ice.reset();
        });
        thread.reset();
        AudioStreamDescription::unregisterCodec("opus", 48000, 2);
        VideoStreamDescription::unregisterCodec("VP8");
        ManualClockFixture::TearDown();
    }

    void makeConference(CandidateMode mode)
    {
        conference = MediaConference::create(
            "", 0, {std::make_shared<AudioStreamSpec>(nullptr), std::make_shared<VideoStreamSpec>(nullptr)}, thread);
        conference->setLocalAddresses({"127.0.0.1"});
        conference->setCandidateMode(mode);
        conference->addOnLinkInit([this](const LinkInitArgs& args) {
            recorder->with([&] {
                recorder->events.push_back("init");
                recorder->links.push_back(args.link);
            });
        });
        conference->addOnLinkOfferAnswer([this](const LinkOfferAnswerArgs& args) {
            recorder->with([&] {
                recorder->events.push_back("offer");
                recorder->offers.push_back(args.offerAnswer);
            });
        });
        conference->addOnLinkCandidate([this](const LinkCandidateArgs& args) {
            recorder->with([&] {
                recorder->events.push_back("candidate");
                recorder->candidates.push_back(args.candidate);
            });
        });
        conference->addOnLinkUp([this](const LinkUpArgs&) { recorder->with([&] { recorder->events.push_back("up"); }); });
        conference->addOnLinkDown([this](const LinkDownArgs& args) {
            recorder->with([&] {
                recorder->events.push_back("down");
                recorder->downMessages.push_back(args.exception.message);
            });
        });
        conference->addOnUnhandledException(
            [this](const UnhandledExceptionArgs&) { recorder->with([&] { recorder->events.push_back("exception"); }); });
    }

    // Gathers the peer's candidates and answers the offer; the answer's text.
    std::string answer(const std::string& offerText)
    {
        thread->invoke([&] {
            IceConfig config;
            config.role = IceRole::Controlled;
            config.localAddresses = {"127.0.0.1"};
            config.trickle = false;
            peer->ice = IceTransport::create(thread, config);
            peer->ice->onLocalCandidate([this](const std::string& line) { peer->candidates.push_back(line); });
            peer->ice->onGatheringDone([this] { peer->gathered = true; });
            peer->ice->gatherCandidates();
        });
        EXPECT_TRUE(loop->spin_until([&] { return peer->gathered.load(); }, kNetworkBound));
        std::string text;
        thread->invoke([&] {
            SdpLocalParameters local;
            local.sessionId = 42;
            local.iceUfrag = peer->ice->localCredentials().ufrag;
            local.icePwd = peer->ice->localCredentials().password;
            local.fingerprint = {"sha-256", {peer->certificate->digest().begin(), peer->certificate->digest().end()}};
            local.cname = "peer";
            local.streamId = "peer-stream";
            local.audioSsrc = 1111;
            local.videoSsrc = 2222;
            for (const auto& line : peer->candidates)
                local.candidates.push_back(*CandidateLine::read(line));
            local.candidatesComplete = true;
            local.audioCodecs = AudioStreamDescription::registeredCodecs();
            local.videoCodecs = VideoStreamDescription::registeredCodecNames();
            auto made = SdpNegotiator::makeAnswer(offerText, local);
            ASSERT_TRUE(made.ok()) << made.error();
            const auto& negotiated = made.value().second;
            peer->ice->setRemoteCredentials({negotiated.remoteIceUfrag, negotiated.remoteIcePwd});
            for (const auto& candidate : negotiated.remoteCandidates)
                peer->ice->addRemoteCandidate(CandidateLine::write(candidate));
            peer->dtls =
                DtlsTransport::create(thread, peer->ice, {negotiated.dtlsClient ? DtlsRole::Client : DtlsRole::Server, peer->certificate});
            peer->dtls->setRemoteFingerprint("sha-256", Certificate::fingerprintText(negotiated.remoteFingerprint.digest));
            peer->srtp = SrtpTransport::create(peer->dtls);
            peer->srtp->onStateChange([this](TransportState s) { peer->state = s; });
            text = SdpWriter::write(made.value().first);
        });
        return text;
    }

    // Links, answers, and (late mode) carries our candidates over; true once both sides are up.
    bool linkUp()
    {
        link = conference->link(kPeerId);
        if (!loop->spin_until([&] { return recorder->count("offer") == 1; }, kNetworkBound))
            return false;
        const auto offer = recorder->with([&] { return recorder->offers.front(); });
        const auto answerText = answer(offer.sdpMessage);
        if (auto refused = conference->receiveOfferAnswer({answerText, false, "7"}, kPeerId)) {
            ADD_FAILURE() << *refused;
            return false;
        }
        // Late mode: the candidates raised after the offer go over as they come.
        size_t carried = 0;
        return loop->spin_until(
            [&] {
                const auto raised = recorder->with([&] { return recorder->candidates; });
                thread->invoke([&] {
                    for (; carried < raised.size(); ++carried)
                        peer->ice->addRemoteCandidate(raised[carried].sdpCandidateAttribute);
                });
                return recorder->count("up") == 1 && peer->state == TransportState::Connected;
            },
            kNetworkBound);
    }

    std::shared_ptr<MediaThread> thread;
    std::shared_ptr<MediaConference> conference;
    std::shared_ptr<PeerLink> link;
    std::unique_ptr<Recorder> recorder;
    std::unique_ptr<TestPeer> peer;
};

} // namespace

TEST_F(MediaConferenceTest, LinksUpInEarlyAndLateModeAndKnowsThePeersCertificate)
{
    for (auto mode : {CandidateMode::Early, CandidateMode::Late}) {
        SCOPED_TRACE(mode == CandidateMode::Early ? "early" : "late");
        TearDown();
        SetUp();
        makeConference(mode);
        ASSERT_TRUE(linkUp());

        const auto offer = recorder->with([&] { return recorder->offers.front(); });
        EXPECT_TRUE(offer.isOffer);
        EXPECT_FALSE(offer.tieBreaker.empty());
        EXPECT_NE(offer.sdpMessage.find("a=fingerprint:sha-256 " + conference->dtlsCertificate()->toX509()->getSha256FingerprintString()),
                  std::string::npos);
        if (mode == CandidateMode::Early) {
            EXPECT_NE(offer.sdpMessage.find("a=candidate"), std::string::npos);
            EXPECT_EQ(recorder->count("candidate"), 0u) << "early candidates travel in the offer only";
        } else {
            // The offer leaves at once with the candidates gathering found first and says
            // more may follow; each later one is raised once, none twice.
            EXPECT_NE(offer.sdpMessage.find("a=ice-options:trickle"), std::string::npos);
            const auto read = SdpReader::read(offer.sdpMessage);
            ASSERT_TRUE(read.ok()) << read.error();
            std::vector<std::string> all;
            for (const auto& candidate : read.value().media.front().candidates)
                all.push_back(CandidateLine::write(candidate));
            for (const auto& raised : recorder->with([&] { return recorder->candidates; })) {
                EXPECT_EQ(raised.sdpCandidateAttribute.rfind("candidate:", 0), 0u);
                EXPECT_EQ(raised.sdpMediaIndex, 0);
                all.push_back(raised.sdpCandidateAttribute);
            }
            ASSERT_FALSE(all.empty());
            std::sort(all.begin(), all.end());
            EXPECT_EQ(std::adjacent_find(all.begin(), all.end()), all.end()) << "a candidate both in the offer and raised";
        }
        recorder->with([&] {
            ASSERT_EQ(recorder->links.size(), 1u);
            EXPECT_EQ(recorder->links.front(), link);
            EXPECT_EQ(recorder->events.front(), "init");
        });
        ASSERT_TRUE(link->remoteVideoView());
        EXPECT_EQ(link->peerId(), kPeerId);
        EXPECT_EQ(link->peerCertificate(), peer->certificate->der());
        EXPECT_EQ(recorder->count("down"), 0u);
    }
}

TEST_F(MediaConferenceTest, UnlinkAllGoesDownWithTheUnlinkMessageAndClosesTheFarSide)
{
    makeConference(CandidateMode::Early);
    ASSERT_TRUE(linkUp());
    conference->unlinkAll();
    ASSERT_TRUE(loop->spin_until([&] { return recorder->count("down") == 1; }, kNetworkBound));
    EXPECT_EQ(recorder->with([&] { return recorder->downMessages.front(); }).rfind("Unlink invoked", 0), 0u);
    EXPECT_TRUE(loop->spin_until([&] { return peer->state == TransportState::Closed; }, kNetworkBound));
}

TEST_F(MediaConferenceTest, TheFarSidesDropGoesDownOnceWithAMessageOfItsOwn)
{
    makeConference(CandidateMode::Early);
    ASSERT_TRUE(linkUp());
    thread->invoke([&] { peer->dtls->close(); });
    ASSERT_TRUE(loop->spin_until([&] { return recorder->count("down") == 1; }, kNetworkBound));
    const auto message = recorder->with([&] { return recorder->downMessages.front(); });
    EXPECT_FALSE(message.empty());
    EXPECT_NE(message.rfind("Unlink invoked", 0), 0u);
    conference->unlinkAll();
    thread->invoke([] {});
    EXPECT_EQ(recorder->count("down"), 1u) << "a link that is down does not go down again";
}

TEST_F(MediaConferenceTest, RefusesAnswersItCannotTakeWithAReason)
{
    makeConference(CandidateMode::Early);
    EXPECT_TRUE(conference->receiveOfferAnswer({"v=0", false, ""}, kPeerId)) << "no link yet";
    conference->link(kPeerId);
    ASSERT_TRUE(loop->spin_until([&] { return recorder->count("offer") == 1; }, kNetworkBound));
    const auto offer = recorder->with([&] { return recorder->offers.front(); });

    const struct {
        const char* why;
        SdpExchangeMessage message;
        const char* peerId;
    } cases[] = {
        {"not SDP", {"this is no SDP", false, "1"}, kPeerId},
        {"empty", {"", false, "1"}, kPeerId},
        {"binary", {std::string("v=0\r\n\0\xff\xfe", 9), false, "1"}, kPeerId},
        {"our own offer echoed as an answer", {offer.sdpMessage, false, "1"}, kPeerId},
        {"an offer", {offer.sdpMessage, true, "1"}, kPeerId},
        {"over the size cap", {"v=0\r\n" + std::string(100000, 'a'), false, "1"}, kPeerId},
        {"another peer", {offer.sdpMessage, false, "1"}, "someone else"},
    };
    for (const auto& c : cases) {
        auto refused = conference->receiveOfferAnswer(c.message, c.peerId);
        ASSERT_TRUE(refused) << c.why;
        EXPECT_FALSE(refused->empty()) << c.why;
    }
    thread->invoke([] {});
    EXPECT_EQ(recorder->count("down"), 0u);
    EXPECT_EQ(recorder->count("exception"), 0u);
}

TEST(SdpExchangeMessageTest, WritesTheThreeKeysAndReadsThemBack)
{
    const SdpExchangeMessage message{"v=0\r\na=x:\"quoted\"\r\n", true, "1234"};
    const auto text = message.toJson();
    EXPECT_NE(text.find("\"sdpMessage\""), std::string::npos);
    EXPECT_NE(text.find("\"isOffer\":true"), std::string::npos);
    EXPECT_NE(text.find("\"tieBreaker\":\"1234\""), std::string::npos);
    const auto read = SdpExchangeMessage::fromJson(text);
    ASSERT_TRUE(read);
    EXPECT_EQ(read->sdpMessage, message.sdpMessage);
    EXPECT_TRUE(read->isOffer);
    EXPECT_EQ(read->tieBreaker, "1234");
}

TEST(SdpExchangeMessageTest, ReadsNothingFromHostileText)
{
    const std::string deep = std::string(100000, '[') + std::string(100000, ']');
    const char* const unreadable[] = {
        "",
        "null",
        "[]",
        "\"sdpMessage\"",
        "{",
        "{}",
        R"({"sdpMessage": 5, "isOffer": false})",
        R"({"sdpMessage": null})",
        R"({"sdpMessage": "v=0", "isOffer": "yes"})",
        R"({"sdpMessage": "v=0", "tieBreaker": {}})",
        R"({"sdpMessage": "v=0"} trailing)",
        "\xff\xfe{}",
    };
    for (const char* text : unreadable)
        EXPECT_FALSE(SdpExchangeMessage::fromJson(text)) << text;
    EXPECT_FALSE(SdpExchangeMessage::fromJson(deep));
    const auto numeric = SdpExchangeMessage::fromJson(R"({"sdpMessage": "v=0", "tieBreaker": 99})");
    ASSERT_TRUE(numeric);
    EXPECT_EQ(numeric->tieBreaker, "99");
    EXPECT_FALSE(numeric->isOffer);
}

TEST_F(MediaConferenceTest, EarlyOfferGoesOutWithoutCandidatesWhenTheTimeOutPasses)
{
    // On the manual clock, with nothing to gather: only the early-candidates time-out ends
    // the wait.
    thread = MediaThread::create();
    makeConference(CandidateMode::Early);
    conference->setLocalAddresses({"192.0.2.1"});
    conference->setEarlyCandidatesTimeout(2500);
    conference->link(kPeerId);
    ASSERT_TRUE(loop->spin_until([&] { return recorder->count("init") == 1; }, kNetworkBound));
    thread->invoke([] {}); // the link's start, which the init event opens
    runFor(2.4);
    thread->invoke([] {});
    EXPECT_EQ(recorder->count("offer"), 0u);
    runFor(0.1);
    ASSERT_TRUE(loop->spin_until([&] { return recorder->count("offer") == 1; }, kNetworkBound));
    EXPECT_EQ(recorder->with([&] { return recorder->offers.front().sdpMessage; }).find("a=candidate"), std::string::npos);
}

TEST_F(MediaConferenceTest, LinksUpWithAnAiortcPeerAndGoesDownWhenItCloses)
{
    if (!test::aiortcAvailable())
        GTEST_SKIP() << "Debian's python3-aiortc is not installed";
    test::PeerProcess aiortc(std::filesystem::path(KVN_TEST_SOURCE_DIR) / "aiortc_answerer.py");
    makeConference(CandidateMode::Early);
    link = conference->link(kPeerId);
    ASSERT_TRUE(loop->spin_until([&] { return recorder->count("offer") == 1; }, kNetworkBound));
    aiortc.write({{"sdp", recorder->with([&] { return recorder->offers.front().sdpMessage; })}});
    const auto answer = aiortc.read();
    ASSERT_TRUE(answer.is_object()) << "aiortc did not answer our offer";
    const auto refused = conference->receiveOfferAnswer({answer["sdp"].get<std::string>(), false, "1"}, kPeerId);
    ASSERT_FALSE(refused) << *refused;

    ASSERT_TRUE(loop->spin_until([&] { return recorder->count("up") == 1; }, kNetworkBound));
    EXPECT_EQ(aiortc.read()["state"], "connected");
    ASSERT_TRUE(link->peerCertificate());
    EXPECT_NE(answer["sdp"].get<std::string>().find(Certificate::fingerprintText(Certificate::sha256(*link->peerCertificate()))),
              std::string::npos)
        << "the certificate aiortc presented is the one its answer announced";

    aiortc.write({{"close", true}});
    ASSERT_TRUE(loop->spin_until([&] { return recorder->count("down") == 1; }, kNetworkBound));
    EXPECT_NE(recorder->with([&] { return recorder->downMessages.front(); }).rfind("Unlink invoked", 0), 0u);
}

// ICE passes but the far side never speaks DTLS: the link must not stay "linking" through
// OpenSSL's back-off; it goes down, as any failed link does, at the set-up time-out. The
// conference runs on the test's clock here, so only the test's steps pass the time-out.
TEST_F(MediaConferenceTest, ALinkWhoseDtlsNeverFinishesGoesDownAtTheSetUpTimeOut)
{
    thread->invoke([&] { peer->ice.reset(); });
    thread.reset();
    thread = MediaThread::create();
    makeConference(CandidateMode::Early);
    link = conference->link(kPeerId);
    ASSERT_TRUE(loop->spin_until([&] { return recorder->count("offer") == 1; }, kNetworkBound));
    const auto offer = recorder->with([&] { return recorder->offers.front(); });
    const auto answerText = answer(offer.sdpMessage);
    thread->invoke([&] {
        peer->srtp.reset();
        peer->dtls.reset();
    });
    ASSERT_FALSE(conference->receiveOfferAnswer({answerText, false, "7"}, kPeerId));
    ASSERT_TRUE(loop->spin_until(
        [&] {
            TransportState state = TransportState::New;
            thread->invoke([&] { state = peer->ice->state(); });
            return state == TransportState::Connected;
        },
        kNetworkBound));

    runFor(MediaConference::defaultLinkSetupTimeout / 1000.0 - 1.0);
    thread->invoke([] {});
    loop->pump();
    EXPECT_EQ(recorder->count("down"), 0u) << "still within the set-up time";
    runFor(1.0);
    ASSERT_TRUE(loop->spin_until([&] { return recorder->count("down") == 1; }, kNetworkBound));
    const auto message = recorder->with([&] { return recorder->downMessages.front(); });
    EXPECT_EQ(message.rfind("Set-up time-out", 0), 0u) << message;
    EXPECT_EQ(recorder->count("up"), 0u);
}
