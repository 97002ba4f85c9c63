#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "MediaStack/Sdp/SdpReader.h"
#include "MediaStack/Sdp/SdpWriter.h"
#include "SdpFixtures.h"

using namespace mediastack::sdp;
using sdpfixtures::load;
using sdpfixtures::replaced;

TEST(SdpReader, ReadsTheAnswerAiortcGaveToOurOffer)
{
    const auto result = SdpReader::read(load("aiortc_answer.sdp"));
    ASSERT_TRUE(result.ok()) << result.error();
    const auto& answer = result.value();
    EXPECT_EQ(answer.bundle, (std::vector<std::string> { "0", "1" }));
    ASSERT_EQ(answer.media.size(), 2u);

    const auto& audio = answer.media[0];
    EXPECT_EQ(audio.kind, "audio");
    EXPECT_EQ(audio.mid, "0");
    ASSERT_EQ(audio.codecs.size(), 1u);
    EXPECT_EQ(audio.codecs[0], (SdpCodec { 111, "opus", 48000, 2, "", {} }));
    EXPECT_EQ(audio.sources, (std::vector<SdpSource> { { 4254629375u, "49538a90-9ebd-4fcf-bd56-2c5bfac3562d" } }));
    EXPECT_TRUE(audio.rtcpMux);
    EXPECT_EQ(audio.setup, DtlsSetup::Active);
    EXPECT_EQ(audio.iceUfrag, "oFcQ");
    EXPECT_EQ(audio.icePwd, "wAkykjgmL9XkhiweBvcih6");
    ASSERT_TRUE(audio.fingerprint);
    EXPECT_EQ(audio.fingerprint->algorithm, "sha-256");
    ASSERT_EQ(audio.fingerprint->digest.size(), 32u);
    EXPECT_EQ(audio.fingerprint->digest.front(), 0x8A);
    EXPECT_EQ(audio.fingerprint->digest.back(), 0xC1);
    ASSERT_EQ(audio.candidates.size(), 2u);
    EXPECT_EQ(audio.candidates[1].address, "fd00::2");
    EXPECT_TRUE(audio.endOfCandidates);

    const auto& video = answer.media[1];
    ASSERT_EQ(video.codecs.size(), 1u);
    EXPECT_EQ(video.codecs[0], (SdpCodec { 96, "VP8", 90000, 0, "", { "nack", "nack pli", "goog-remb" } }));
}

TEST(SdpReader, ReadsAnOfferOfAiortcsOwn)
{
    const auto result = SdpReader::read(load("aiortc_offer.sdp"));
    ASSERT_TRUE(result.ok()) << result.error();
    const auto& offer = result.value();
    ASSERT_EQ(offer.media.size(), 2u);
    const auto& audio = offer.media[0];
    // Codecs in m-line order; static types come with their rtpmap.
    ASSERT_EQ(audio.codecs.size(), 3u);
    EXPECT_EQ(audio.codecs[0].name, "opus");
    EXPECT_EQ(audio.codecs[0].payloadType, 96);
    EXPECT_EQ(audio.codecs[1].name, "PCMU");
    EXPECT_EQ(audio.headerExtensions,
        (std::vector<SdpHeaderExtension> { { 1, "urn:ietf:params:rtp-hdrext:sdes:mid" }, { 2, "urn:ietf:params:rtp-hdrext:ssrc-audio-level" } }));
    EXPECT_EQ(audio.setup, DtlsSetup::ActPass);

    const auto& video = offer.media[1];
    ASSERT_EQ(video.codecs.size(), 6u);
    EXPECT_EQ(video.codecs[0].name, "VP8");
    EXPECT_EQ(video.codecs[0].feedback, (std::vector<std::string> { "nack", "nack pli", "goog-remb" }));
    EXPECT_EQ(video.codecs[1].name, "rtx");
    EXPECT_EQ(video.codecs[1].formatParameters, "apt=97");
    EXPECT_EQ(video.codecs[2].formatParameters, "level-asymmetry-allowed=1;packetization-mode=1;profile-level-id=42001f");
    // The retransmission source of the FID group is a second source of the section.
    EXPECT_EQ(video.sources.size(), 2u);
}

TEST(SdpReader, WhatTheWriterWritesReadsBackTheSame)
{
    const auto first = SdpReader::read(load("aiortc_offer.sdp"));
    ASSERT_TRUE(first.ok());
    const auto again = SdpReader::read(SdpWriter::write(first.value()));
    ASSERT_TRUE(again.ok()) << again.error();
    // Only the m- and c-line addresses differ in kind: the writer takes them from the first
    // candidate, which is where aiortc took them from too.
    EXPECT_EQ(again.value(), first.value());
}

TEST(SdpReader, TakesSessionLevelTransportAttributesIntoSectionsAndToleratesOddLines)
{
    const std::string text = "v=0\n"
                             "o=- 1 2 IN IP4 0.0.0.0\n"
                             "s=-\n"
                             "\n" // an empty line
                             "a=ice-ufrag:sess\n"
                             "a=ice-pwd:sessionpasswordsessionpw\n"
                             "a=fingerprint:SHA-256 0A:0b\n"
                             "a=setup:passive\n"
                             "a=some-future-attribute:with value\n"
                             "m=audio 9 UDP/TLS/RTP/SAVPF 111\n"
                             "a=rtcp-fb:* nack\n" // before the rtpmap it applies to
                             "a=rtpmap:111 opus/48000/2\n"
                             "a=ice-ufrag:own1\n"
                             "a=candidate:broken line\n" // skipped, not fatal
                             "a=candidate:1 1 udp 1 192.0.2.1 1 typ host\n"
                             "x=unknown line type\n";
    const auto result = SdpReader::read(text);
    ASSERT_TRUE(result.ok()) << result.error();
    const auto& media = result.value().media.at(0);
    EXPECT_EQ(media.iceUfrag, "own1") << "the section's own value wins";
    EXPECT_EQ(media.icePwd, "sessionpasswordsessionpw");
    EXPECT_EQ(media.fingerprint->algorithm, "sha-256");
    EXPECT_EQ(media.fingerprint->digest, (std::vector<uint8_t> { 0x0A, 0x0B }));
    EXPECT_EQ(media.setup, DtlsSetup::Passive);
    EXPECT_EQ(media.codecs.at(0).feedback, (std::vector<std::string> { "nack" }));
    EXPECT_EQ(media.candidates.size(), 1u);
    EXPECT_EQ(result.value().sessionVersion, 2u);
}

TEST(SdpReader, FailsWithAReasonOnWhatTheCallCannotDoWithout)
{
    const std::string answer = load("aiortc_answer.sdp");
    struct Case {
        std::string text;
        const char* why;
    };
    const Case cases[] = {
        { "", "empty" },
        { "v=1\r\n", "another version" },
        { replaced(answer, "v=0", "o=- 1 1 IN IP4 0.0.0.0"), "no version line first" },
        { replaced(answer, "s=-", "s-"), "a line without '='" },
        { replaced(answer, "m=audio 54711 UDP/TLS/RTP/SAVPF 111", "m=audio 54711 UDP/TLS/RTP/SAVPF"), "m-line without formats" },
        { replaced(answer, "m=audio 54711", "m=audio 99999"), "port out of range" },
        { replaced(answer, "a=rtpmap:111 opus/48000/2", "a=rtpmap:111 opus"), "rtpmap without clock rate" },
        { replaced(answer, "a=rtpmap:111 opus/48000/2", "a=rtpmap:128 opus/48000/2"), "payload type past 127" },
        { replaced(answer, "a=rtpmap:111 opus/48000/2", "a=rtpmap:111 opus/0/2"), "clock rate 0" },
        { replaced(answer, "sha-256 8A:5D", "sha-256 8G:5D"), "fingerprint not hex" },
        { replaced(answer, "sha-256 8A:5D", "sha-256 8A5D"), "fingerprint without separators" },
        { replaced(answer, "a=setup:active", "a=setup:holdconn"), "setup value" },
        { replaced(answer, "a=mid:0", "a=mid:0\r\na=extmap:0 urn:x"), "extension id 0" },
        { replaced(answer, "a=mid:0", "a=mid:0\r\na=extmap:15 urn:x"), "extension id 15 is reserved" },
        { replaced(answer, "a=mid:0", "a=mid:0\r\na=extmap:256 urn:x"), "extension id past 255" },
        { replaced(answer, "a=ssrc:4254629375", "a=ssrc:4294967296"), "ssrc past 32 bits" },
        { replaced(answer, "a=ice-ufrag:oFcQ", "a=ice-ufrag:o F"), "ufrag with a blank" },
        { std::string("v=0\r\n") + std::string(SdpReader::maxTextLength, 'a'), "text too long" },
        { replaced(answer, "a=mid:0", "a=mid:0 1"), "a mid with a blank: the BUNDLE group could not name it" },
        { replaced(answer, "a=mid:0", "a=mid:"), "an empty mid" },
        { replaced(answer, "a=rtpmap:111 opus/48000/2", "a=rtpmap:111 opus/48000/2\r\na=fmtp:111 minptime=10\r;x=1"),
          "a carriage return inside a value, which an answer would echo" },
        { replaced(answer, "a=setup:active", "a=setup:active\x01"), "another control character" },

    };
    for (const auto& c : cases) {
        const auto result = SdpReader::read(c.text);
        EXPECT_FALSE(result.ok()) << c.why;
        EXPECT_FALSE(result.error().empty()) << c.why;
    }

    std::string many = "v=0\r\n";
    for (size_t i = 0; i <= SdpReader::maxMediaSections; ++i) {
        many += "m=audio 9 UDP/TLS/RTP/SAVPF 111\r\n";
    }
    EXPECT_FALSE(SdpReader::read(many).ok()) << "too many sections";
}

// Cut at every length, and with bytes changed at random (fixed seed): whatever it makes of
// the text, the reader ends with a result.
TEST(SdpReader, SurvivesTruncatedAndDamagedText)
{
    const std::string answer = load("aiortc_answer.sdp");
    for (size_t length = 0; length <= answer.size(); ++length) {
        (void)SdpReader::read(std::string_view(answer).substr(0, length));
    }
    std::mt19937 random(7);
    for (int round = 0; round < 2000; ++round) {
        std::string damaged = answer;
        for (int i = 0; i < 4; ++i) {
            damaged[random() % damaged.size()] = static_cast<char>(random());
        }
        (void)SdpReader::read(damaged);
    }
}

// Browsers and media servers write feedback for every payload type at once; written over and
// over it must not grow the description (each copy used to be repeated for every codec).
TEST(SdpReader, KeepsEachFeedbackValueOnceAndBoundedPerCodec)
{
    std::string text = "v=0\r\nm=video 9 UDP/TLS/RTP/SAVPF";
    for (int pt = 0; pt < 64; ++pt) {
        text += " " + std::to_string(pt + 64);
    }
    text += "\r\na=mid:0\r\n";
    for (int pt = 0; pt < 64; ++pt) {
        text += "a=rtpmap:" + std::to_string(pt + 64) + " VP8/90000\r\n";
    }
    text += "a=rtcp-fb:64 nack\r\n";
    while (text.size() < SdpReader::maxTextLength - 100) {
        text += "a=rtcp-fb:* nack\r\na=rtcp-fb:* x" + std::to_string(text.size()) + "\r\n";
    }
    const auto result = SdpReader::read(text);
    ASSERT_TRUE(result.ok()) << result.error();
    const auto& codecs = result.value().media.at(0).codecs;
    ASSERT_EQ(codecs.size(), 64u);
    for (const auto& codec : codecs) {
        EXPECT_LE(codec.feedback.size(), SdpReader::maxFeedbackPerCodec);
        EXPECT_EQ(std::count(codec.feedback.begin(), codec.feedback.end(), "nack"), 1) << "nack for all and for 64 is one value";
    }
}

TEST(SdpReader, ReadsAPayloadTypeListedTwiceAsOneCodec)
{
    const auto result = SdpReader::read("v=0\r\nm=video 9 UDP/TLS/RTP/SAVPF 96 97 96\r\na=rtpmap:96 VP8/90000\r\n"
                                        "a=rtpmap:97 rtx/90000\r\na=rtcp-fb:96 nack\r\n");
    ASSERT_TRUE(result.ok()) << result.error();
    const auto& codecs = result.value().media.at(0).codecs;
    ASSERT_EQ(codecs.size(), 2u);
    EXPECT_EQ(codecs[0].payloadType, 96);
    EXPECT_EQ(codecs[1].payloadType, 97);
    EXPECT_EQ(SdpWriter::write(result.value()).find("a=rtcp-fb:96 nack"), SdpWriter::write(result.value()).rfind("a=rtcp-fb:96 nack"))
        << "one feedback line for the one codec";
}

TEST(SdpReader, DropsStrayCarriageReturnsAtTheEndOfALine)
{
    const auto result = SdpReader::read("v=0\r\nm=video 9 UDP/TLS/RTP/SAVPF 96\r\na=rtpmap:96 VP8/90000\r\r\na=fmtp:96 x=1\r\r\r\n");
    ASSERT_TRUE(result.ok()) << result.error();
    EXPECT_EQ(result.value().media.at(0).codecs.at(0).formatParameters, "x=1");
}

TEST(SdpWriter, WritesEachFeedbackLineOnce)
{
    SessionDescription description;
    SdpMedia media;
    media.kind = "video";
    media.mid = "1";
    media.codecs.push_back(SdpCodec { 96, "VP8", 90000, 0, "", { "nack", "nack pli", "nack" } });
    description.media.push_back(media);
    const auto text = SdpWriter::write(description);
    size_t count = 0;
    for (size_t at = text.find("a=rtcp-fb:96 nack\r\n"); at != std::string::npos; at = text.find("a=rtcp-fb:96 nack\r\n", at + 1)) {
        ++count;
    }
    EXPECT_EQ(count, 1u) << text;
    EXPECT_NE(text.find("a=rtcp-fb:96 nack pli\r\n"), std::string::npos);
}
