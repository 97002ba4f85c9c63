#include <gtest/gtest.h>

#include <vector>

#include "MediaStack/Srtp/SrtpKeys.h"
#include "MediaStack/Srtp/SrtpSession.h"

using namespace media;

namespace {

std::vector<uint8_t> rtpPacket(uint16_t sequence, size_t payload = 20)
{
    std::vector<uint8_t> p { 0x80, 0x60, uint8_t(sequence >> 8), uint8_t(sequence), 0, 0, 0x10, 0, 0x11, 0x22, 0x33, 0x44 };
    p.resize(p.size() + payload, 0x5a);
    return p;
}

const std::vector<uint8_t> kRtcp { 0x81, 0xc9, 0x00, 0x07, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88, 0, 0, 0, 1,
                                   0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0 };

struct Pair {
    std::unique_ptr<SrtpSession> client;
    std::unique_ptr<SrtpSession> server;
};

Pair makePair(SrtpProfile profile)
{
    std::vector<uint8_t> material(SrtpKeys::materialLength(profile));
    for (size_t i = 0; i < material.size(); ++i)
        material[i] = static_cast<uint8_t>(i * 7 + 3);
    return { SrtpSession::create(*SrtpKeys::fromExportedMaterial(profile, DtlsRole::Client, material)),
             SrtpSession::create(*SrtpKeys::fromExportedMaterial(profile, DtlsRole::Server, material)) };
}

std::vector<SrtpProfile> profiles()
{
    std::vector<SrtpProfile> list { SrtpProfile::Aes128CmSha1_80 };
    if (SrtpSession::supports(SrtpProfile::AeadAes128Gcm))
        list.push_back(SrtpProfile::AeadAes128Gcm);
    return list;
}

} // namespace

TEST(SrtpSessionTest, ForgedReplayedAndMisdirectedPacketsAreRefused)
{
    for (auto profile : profiles()) {
        SCOPED_TRACE(profileInfo(profile).openSslName);
        auto pair = makePair(profile);
        ASSERT_TRUE(pair.client && pair.server);

        auto sent = rtpPacket(1);
        ASSERT_EQ(pair.client->protectRtp(sent), SrtpResult::Ok);
        auto copy = sent;
        ASSERT_EQ(pair.server->unprotectRtp(copy), SrtpResult::Ok);
        EXPECT_EQ(copy, rtpPacket(1));

        copy = sent;
        EXPECT_EQ(pair.server->unprotectRtp(copy), SrtpResult::Replayed) << "the same packet twice";
        EXPECT_EQ(copy, sent) << "a refused packet is left as it came";

        auto forged = rtpPacket(2);
        ASSERT_EQ(pair.client->protectRtp(forged), SrtpResult::Ok);
        forged[15] ^= 0x01;
        EXPECT_EQ(pair.server->unprotectRtp(forged), SrtpResult::AuthenticationFailed) << "one payload bit flipped";

        auto own = rtpPacket(3);
        ASSERT_EQ(pair.client->protectRtp(own), SrtpResult::Ok);
        EXPECT_EQ(pair.client->unprotectRtp(own), SrtpResult::AuthenticationFailed) << "our own key does not open it";

        auto rtcp = kRtcp;
        ASSERT_EQ(pair.server->protectRtcp(rtcp), SrtpResult::Ok);
        auto rtcpCopy = rtcp;
        ASSERT_EQ(pair.client->unprotectRtcp(rtcpCopy), SrtpResult::Ok);
        EXPECT_EQ(rtcpCopy, kRtcp);
        EXPECT_EQ(pair.client->unprotectRtcp(rtcp), SrtpResult::Replayed);
    }
}

TEST(SrtpSessionTest, OutOfOrderPacketsWithinTheWindowAreAccepted)
{
    auto pair = makePair(SrtpProfile::Aes128CmSha1_80);
    std::vector<std::vector<uint8_t>> sent;
    for (uint16_t sequence = 100; sequence < 700; ++sequence) {
        sent.push_back(rtpPacket(sequence));
        ASSERT_EQ(pair.client->protectRtp(sent.back()), SrtpResult::Ok);
    }
    // The newest first, then one 599 packets older: inside a window of 1024, outside libsrtp's default of 128.
    EXPECT_EQ(pair.server->unprotectRtp(sent.back()), SrtpResult::Ok);
    EXPECT_EQ(pair.server->unprotectRtp(sent.front()), SrtpResult::Ok);
}

TEST(SrtpSessionTest, PacketsCutShortOrMalformedAreRefusedWithoutReadingPastThem)
{
    auto pair = makePair(SrtpProfile::Aes128CmSha1_80);
    auto good = rtpPacket(9);
    ASSERT_EQ(pair.client->protectRtp(good), SrtpResult::Ok);
    struct Case {
        std::vector<uint8_t> packet;
        const char* why;
    };
    const Case rtpCases[] = {
        { {}, "empty" },
        { std::vector<uint8_t>(good.begin(), good.begin() + 11), "shorter than the fixed header" },
        { std::vector<uint8_t>(good.begin(), good.begin() + 14), "header without a full tag" },
        { { 0x8f, 0x60, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 0 }, "15 CSRCs announced, one there" },
        { { 0x90, 0x60, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1, 0xbe, 0xde, 0xff, 0xff, 0, 0, 0, 0 }, "extension longer than the packet" },
        { { 0x40, 0x60, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0 }, "version 1" },
    };
    for (const auto& c : rtpCases) {
        auto packet = c.packet;
        EXPECT_NE(pair.server->unprotectRtp(packet), SrtpResult::Ok) << c.why;
    }
    const Case rtcpCases[] = {
        { { 0x81, 0xc9, 0, 1 }, "shorter than the RTCP header" },
        { { 0x81, 0xc9, 0, 1, 0, 0, 0, 1 }, "header without index and tag" },
        { std::vector<uint8_t>(40, 0x81), "no valid tag" },
    };
    for (const auto& c : rtcpCases) {
        auto packet = c.packet;
        EXPECT_NE(pair.server->unprotectRtcp(packet), SrtpResult::Ok) << c.why;
    }
    EXPECT_EQ(pair.server->unprotectRtp(good), SrtpResult::Ok) << "the session still works";
}
