#include <gtest/gtest.h>

#include "MediaStack/Sdp/SdpNegotiator.h"
#include "MediaStack/Sdp/SdpReader.h"
#include "MediaStack/Sdp/SdpWriter.h"
#include "SdpFixtures.h"

using namespace mediastack::sdp;
using sdpfixtures::load;
using sdpfixtures::ourParameters;
using sdpfixtures::replaced;

// The offer aiortc accepted (fixtures/our_offer.sdp): any change to it is a change to what
// the far side is asked to accept, and wants the fixtures recorded again.
TEST(SdpNegotiator, OfferIsTheOneAiortcAccepted)
{
    EXPECT_EQ(SdpWriter::write(SdpNegotiator::makeOffer(ourParameters())), load("our_offer.sdp"));
}

TEST(SdpNegotiator, ReadsAiortcsAnswer)
{
    const auto offer = SdpNegotiator::makeOffer(ourParameters());
    const auto result = SdpNegotiator::readAnswer(offer, load("aiortc_answer.sdp"));
    ASSERT_TRUE(result.ok()) << result.error();
    const auto& session = result.value();
    EXPECT_EQ(session.remoteIceUfrag, "oFcQ");
    EXPECT_EQ(session.remoteIcePwd, "wAkykjgmL9XkhiweBvcih6");
    EXPECT_EQ(session.remoteFingerprint.digest.size(), 32u);
    EXPECT_FALSE(session.dtlsClient) << "aiortc answers active: it opens the handshake";
    EXPECT_EQ(session.remoteCandidates.size(), 2u) << "the same candidates in both sections count once";
    EXPECT_TRUE(session.video->remb) << "aiortc takes up our bandwidth feedback";
    EXPECT_TRUE(session.remoteCandidatesComplete);
    ASSERT_TRUE(session.audio && session.video);
    EXPECT_EQ(session.audio->codec.payloadType, 111);
    EXPECT_EQ(session.audio->remoteSsrc, 4254629375u);
    EXPECT_FALSE(session.audio->nack);
    EXPECT_EQ(session.video->codec.payloadType, 96);
    EXPECT_TRUE(session.video->nack);
    EXPECT_TRUE(session.video->pli);
    EXPECT_EQ(session.video->remoteSsrc, 2156522718u);
}

TEST(SdpNegotiator, AnAnswerThatIsNotWorkableIsAnErrorWithAReason)
{
    const auto offer = SdpNegotiator::makeOffer(ourParameters());
    const std::string answer = load("aiortc_answer.sdp");
    struct Case {
        std::string text;
        const char* why;
    };
    const Case cases[] = {
        { "this is not SDP", "unreadable" },
        { "", "empty" },
        { answer.substr(0, answer.find("m=video")), "one section fewer" },
        { replaced(answer, "a=mid:1", "a=mid:video"), "a mid we did not offer" },
        { replaced(answer, "m=audio", "m=video"), "sections swapped in kind" },
        { replaced(replaced(answer, "a=setup:active", "a=setup:actpass"), "a=setup:active", "a=setup:actpass"), "setup actpass" },
        { replaced(replaced(answer, "sha-256", "sha-1"), "sha-256", "sha-1"), "a fingerprint not SHA-256" },
        { replaced(answer, "a=ice-pwd:wAkykjgmL9XkhiweBvcih6\r\n", ""), "no ICE password on the first section" },
        { replaced(answer, "a=rtcp-mux\r\n", ""), "no rtcp-mux" },
        { replaced(answer, "a=rtpmap:96 VP8/90000", "a=rtpmap:96 H264/90000"), "a video codec we did not offer" },
        { replaced(answer, "a=group:BUNDLE 0 1", "a=group:BUNDLE 0"), "video left out of the bundle" },
        { replaced(answer, "a=mid:0", "a=mid:0\r\na=extmap:3 urn:ietf:params:rtp-hdrext:sdes:mid"), "an extension we did not offer" },
    };
    for (const auto& c : cases) {
        const auto result = SdpNegotiator::readAnswer(offer, c.text);
        EXPECT_FALSE(result.ok()) << c.why;
        EXPECT_FALSE(result.error().empty()) << c.why;
    }
}

TEST(SdpNegotiator, DtlsRoleFollowsTheAnswersSetup)
{
    const auto offer = SdpNegotiator::makeOffer(ourParameters());
    const std::string answer = load("aiortc_answer.sdp");
    struct Case {
        std::string text;
        bool dtlsClient;
    };
    const Case cases[] = {
        { answer, false },
        { replaced(replaced(answer, "a=setup:active", "a=setup:passive"), "a=setup:active", "a=setup:passive"), true },
        // No setup line: the answerer is active by default.
        { replaced(replaced(answer, "a=setup:active\r\n", ""), "a=setup:active", ""), false },
    };
    for (const auto& c : cases) {
        const auto result = SdpNegotiator::readAnswer(offer, c.text);
        ASSERT_TRUE(result.ok()) << result.error();
        EXPECT_EQ(result.value().dtlsClient, c.dtlsClient);
    }
}

TEST(SdpNegotiator, ExtensionIdsAreUniqueAcrossTheBundle)
{
    auto local = ourParameters();
    local.audioExtensions = { "urn:ietf:params:rtp-hdrext:sdes:mid", "urn:ietf:params:rtp-hdrext:ssrc-audio-level" };
    local.videoExtensions = { "urn:ietf:params:rtp-hdrext:sdes:mid", "http://www.webrtc.org/experiments/rtp-hdrext/abs-send-time" };
    const auto offer = SdpNegotiator::makeOffer(local);
    ASSERT_EQ(offer.media.size(), 2u);
    EXPECT_EQ(offer.media[0].headerExtensions,
        (std::vector<SdpHeaderExtension> { { 1, "urn:ietf:params:rtp-hdrext:sdes:mid" }, { 2, "urn:ietf:params:rtp-hdrext:ssrc-audio-level" } }));
    EXPECT_EQ(offer.media[1].headerExtensions,
        (std::vector<SdpHeaderExtension> { { 1, "urn:ietf:params:rtp-hdrext:sdes:mid" }, { 3, "http://www.webrtc.org/experiments/rtp-hdrext/abs-send-time" } }));

    // An answer that echoes them is fine; one that gives an id two meanings is not.
    std::string answer = load("aiortc_answer.sdp");
    answer = replaced(answer, "a=mid:0", "a=mid:0\r\na=extmap:1 urn:ietf:params:rtp-hdrext:sdes:mid");
    answer = replaced(answer, "a=mid:1", "a=mid:1\r\na=extmap:1 urn:ietf:params:rtp-hdrext:sdes:mid");
    EXPECT_TRUE(SdpNegotiator::readAnswer(offer, answer).ok());
    const auto clash = replaced(answer, "a=extmap:1 urn:ietf:params:rtp-hdrext:sdes:mid\r\na=msid:2e8dcfd3-e65a-404e-bc5c-3274159339e3 3d77",
        "a=extmap:1 http://www.webrtc.org/experiments/rtp-hdrext/abs-send-time\r\na=msid:2e8dcfd3-e65a-404e-bc5c-3274159339e3 3d77");
    ASSERT_NE(clash, answer);
    EXPECT_FALSE(SdpNegotiator::readAnswer(offer, clash).ok());
}

TEST(SdpNegotiator, OffersOnlyRegisteredCodecsWithAPayloadFormat)
{
    auto local = ourParameters();
    local.videoCodecs = { "H264" }; // registered, but the stack cannot packetize it
    local.audioCodecs = { { "OPUS", 48000, 2 }, { "opus", 48000, 2 } };
    const auto offer = SdpNegotiator::makeOffer(local);
    ASSERT_EQ(offer.media.size(), 1u);
    EXPECT_EQ(offer.media[0].kind, "audio");
    EXPECT_EQ(offer.media[0].codecs.size(), 1u) << "names compare without regard to case";
    EXPECT_EQ(offer.bundle, (std::vector<std::string> { "0" }));
}

TEST(SdpNegotiator, AnswersAiortcsOffer)
{
    const auto result = SdpNegotiator::makeAnswer(load("aiortc_offer.sdp"), ourParameters());
    ASSERT_TRUE(result.ok()) << result.error();
    const auto& [answer, session] = result.value();
    ASSERT_EQ(answer.media.size(), 2u);
    EXPECT_EQ(answer.bundle, (std::vector<std::string> { "0", "1" }));
    // Their payload types, our codecs only, our feedback only, no extensions we do not send.
    EXPECT_EQ(answer.media[0].codecs, (std::vector<SdpCodec> { { 96, "opus", 48000, 2, "", {} } }));
    EXPECT_EQ(answer.media[1].codecs, (std::vector<SdpCodec> { { 97, "VP8", 90000, 0, "", { "nack", "nack pli", "goog-remb" } } }));
    EXPECT_TRUE(session.video->remb) << "both sides do bandwidth feedback";
    EXPECT_TRUE(answer.media[0].headerExtensions.empty());
    EXPECT_EQ(answer.media[0].setup, DtlsSetup::Active);
    EXPECT_TRUE(session.dtlsClient);
    EXPECT_EQ(session.video->remoteSsrc, 342480441u);
    EXPECT_EQ(session.remoteIceUfrag, "9s7m") << "the transport of the first bundled section";

    // Our answer's text reads back to the same text.
    const auto text = SdpWriter::write(answer);
    const auto reread = SdpReader::read(text);
    ASSERT_TRUE(reread.ok()) << reread.error();
    EXPECT_EQ(SdpWriter::write(reread.value()), text);
}

TEST(SdpNegotiator, AnswerKeepsExtensionIdsUniqueWhereTheOfferDoesNot)
{
    // aiortc's offer uses id 2 for the audio level in one section and the send time in the other.
    auto local = ourParameters();
    local.audioExtensions = { "urn:ietf:params:rtp-hdrext:sdes:mid", "urn:ietf:params:rtp-hdrext:ssrc-audio-level" };
    local.videoExtensions = { "urn:ietf:params:rtp-hdrext:sdes:mid", "http://www.webrtc.org/experiments/rtp-hdrext/abs-send-time" };
    const auto result = SdpNegotiator::makeAnswer(load("aiortc_offer.sdp"), local);
    ASSERT_TRUE(result.ok()) << result.error();
    const auto& answer = result.value().first;
    EXPECT_EQ(answer.media[0].headerExtensions,
        (std::vector<SdpHeaderExtension> { { 1, "urn:ietf:params:rtp-hdrext:sdes:mid" }, { 2, "urn:ietf:params:rtp-hdrext:ssrc-audio-level" } }));
    EXPECT_EQ(answer.media[1].headerExtensions, (std::vector<SdpHeaderExtension> { { 1, "urn:ietf:params:rtp-hdrext:sdes:mid" } }));
}

TEST(SdpNegotiator, RejectsSectionsItCannotServe)
{
    std::string offer = load("aiortc_offer.sdp");
    offer = replaced(offer, "a=rtpmap:97 VP8/90000", "a=rtpmap:97 AV1/90000");
    const auto result = SdpNegotiator::makeAnswer(offer, ourParameters());
    ASSERT_TRUE(result.ok()) << result.error();
    const auto& [answer, session] = result.value();
    EXPECT_EQ(answer.media[1].port, 0) << "rejected, but still answered in its place";
    EXPECT_EQ(answer.bundle, (std::vector<std::string> { "0" }));
    EXPECT_FALSE(session.video);
    EXPECT_FALSE(SdpNegotiator::makeAnswer("garbage", ourParameters()).ok());
}

// A far side that is not told candidates may follow takes the offer's list as all there is.
TEST(SdpNegotiator, AnOfferWhoseCandidatesMayFollowSaysTrickle)
{
    struct Case {
        bool trickle;
        bool complete;
        bool saysTrickle;
        size_t endsOfCandidates;
        const char* why;
    };
    const Case cases[] = {
        { true, false, true, 0, "trickled, gathering still running: candidates follow" },
        { true, true, true, 2, "trickled, but gathering ended before the offer: one end per section" },
        { false, true, false, 2, "all candidates in the offer: nothing follows" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        auto local = ourParameters();
        local.trickle = c.trickle;
        local.candidatesComplete = c.complete;
        const auto text = SdpWriter::write(SdpNegotiator::makeOffer(local));
        EXPECT_EQ(text.find("a=ice-options:trickle\r\n") != std::string::npos, c.saysTrickle);
        size_t ends = 0;
        for (auto at = text.find("a=end-of-candidates"); at != std::string::npos; at = text.find("a=end-of-candidates", at + 1))
            ++ends;
        EXPECT_EQ(ends, c.endsOfCandidates);
        const auto read = SdpReader::read(text);
        ASSERT_TRUE(read.ok()) << read.error();
        EXPECT_EQ(read.value().iceOptions, c.saysTrickle ? std::vector<std::string>{"trickle"} : std::vector<std::string>{});
    }
}
