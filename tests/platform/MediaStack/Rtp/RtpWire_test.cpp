#include <gtest/gtest.h>

#include "MediaStack/Rtp/RtpDemux.h"
#include "MediaStack/Rtp/RtpReader.h"
#include "MediaStack/Rtp/RtpWriter.h"

using namespace mediastack::rtp;

namespace {

using Bytes = std::vector<uint8_t>;

// V=2, P, X, CC=1; M, PT 96; seq 0x1234; ts 0xDEADBEEF; SSRC 0x01020304; one CSRC; a one-byte
// extension block (id 1, two bytes; one padding byte); payload AA BB; two bytes of padding.
const Bytes kFullPacket = {
    0xB1, 0xE0, 0x12, 0x34, 0xDE, 0xAD, 0xBE, 0xEF, 0x01, 0x02, 0x03, 0x04, // fixed header
    0x0A, 0x0B, 0x0C, 0x0D, // CSRC
    0xBE, 0xDE, 0x00, 0x01, 0x11, 0x55, 0x66, 0x00, // extension: profile, 1 word, id 1 len 2
    0xAA, 0xBB, // payload
    0x00, 0x02, // padding, its count last
};

}

TEST(RtpReader, ReadsEveryPartOfAFullPacket)
{
    DropCounter drops;
    const auto datagram = RtpReader::read(kFullPacket, drops);
    ASSERT_TRUE(datagram);
    const auto& p = datagram->packet;
    EXPECT_TRUE(p.marker);
    EXPECT_EQ(p.payloadType, 96);
    EXPECT_EQ(p.sequenceNumber, 0x1234);
    EXPECT_EQ(p.timestamp, 0xDEADBEEFu);
    EXPECT_EQ(p.ssrc, 0x01020304u);
    EXPECT_EQ(datagram->csrcs, (std::vector<uint32_t> { 0x0A0B0C0D }));
    EXPECT_EQ(datagram->extensions, (std::vector<RtpHeaderExtension> { { 1, { 0x55, 0x66 } } }));
    EXPECT_EQ(p.payload, (Bytes { 0xAA, 0xBB }));
    EXPECT_EQ(drops.total(), 0u);
}

TEST(RtpReader, ReadsTwoByteExtensionsAndStepsOverOtherProfiles)
{
    DropCounter drops;
    const Bytes twoByte = { 0x90, 0x60, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1, 0x10, 0x00, 0x00, 0x02, 0x05, 0x00, 0x00, 0x07, 0x03, 0xAA, 0xBB, 0xCC,
        0x42 };
    auto datagram = RtpReader::read(twoByte, drops);
    ASSERT_TRUE(datagram);
    EXPECT_EQ(datagram->extensions, (std::vector<RtpHeaderExtension> { { 5, {} }, { 7, { 0xAA, 0xBB, 0xCC } } }));
    EXPECT_EQ(datagram->packet.payload, (Bytes { 0x42 }));

    const Bytes otherProfile = { 0x90, 0x60, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1, 0x12, 0x34, 0x00, 0x01, 0xFF, 0xFF, 0xFF, 0xFF, 0x42 };
    datagram = RtpReader::read(otherProfile, drops);
    ASSERT_TRUE(datagram);
    EXPECT_TRUE(datagram->extensions.empty());
    EXPECT_EQ(datagram->packet.payload, (Bytes { 0x42 }));
}

TEST(RtpReader, DropsAndCountsPacketsThatLie)
{
    const Bytes header = { 0x80, 0x60, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1 };
    const auto with = [&](uint8_t first, Bytes rest) {
        Bytes b = header;
        b[0] = first;
        b.insert(b.end(), rest.begin(), rest.end());
        return b;
    };
    struct Case {
        Bytes datagram;
        DropReason reason;
        const char* why;
    };
    const Case cases[] = {
        { {}, DropReason::RtpTooShort, "empty" },
        { Bytes(header.begin(), header.end() - 1), DropReason::RtpTooShort, "one byte short of a header" },
        { with(0x40, { 1 }), DropReason::RtpBadVersion, "version 1" },
        { with(0xC0, { 1 }), DropReason::RtpBadVersion, "version 3" },
        { with(0x8F, { 1, 2, 3, 4 }), DropReason::RtpTooShort, "fifteen CSRCs announced, one there" },
        { with(0x90, { 0xBE, 0xDE }), DropReason::RtpBadExtension, "extension header cut off" },
        { with(0x90, { 0xBE, 0xDE, 0x00, 0x02, 0x10, 0, 0, 0 }), DropReason::RtpBadExtension, "extension length past the end" },
        { with(0x90, { 0xBE, 0xDE, 0x00, 0x01, 0x1F, 0, 0, 0 }), DropReason::RtpBadExtension, "one-byte element of 16 bytes in a 4-byte block" },
        { with(0x90, { 0x10, 0x00, 0x00, 0x01, 0x01, 0xFF, 0, 0 }), DropReason::RtpBadExtension, "two-byte element of 255 bytes" },
        { with(0xA0, { 1, 2, 0 }), DropReason::RtpBadPadding, "padding count 0" },
        { with(0xA0, { 1, 2, 4 }), DropReason::RtpBadPadding, "padding count past the payload" },
    };
    for (const auto& c : cases) {
        DropCounter drops;
        EXPECT_FALSE(RtpReader::read(c.datagram, drops)) << c.why;
        EXPECT_EQ(drops.count(c.reason), 1u) << c.why << ": " << drops.summary();
    }
}

TEST(RtpReader, EveryCutOfAFullPacketIsReadOrDroppedWithinItsBytes)
{
    for (size_t length = 0; length < kFullPacket.size(); ++length) {
        DropCounter drops;
        // A copy of exactly this length, so that the sanitizer sees any read past it.
        const Bytes cut(kFullPacket.begin(), kFullPacket.begin() + static_cast<std::ptrdiff_t>(length));
        const auto datagram = RtpReader::read(cut, drops);
        EXPECT_EQ(datagram.has_value() + drops.total(), 1u) << length;
    }
}

TEST(RtpWriter, WritesWhatTheReaderReads)
{
    RTPPacket packet;
    packet.marker = true;
    packet.payloadType = 111;
    packet.sequenceNumber = 65535;
    packet.timestamp = 0xFFFFFFFF;
    packet.ssrc = 42;
    packet.payload = { 1, 2, 3 };
    struct Case {
        std::vector<RtpHeaderExtension> extensions;
        std::vector<RtpHeaderExtension> expected;
        uint8_t profileFirstByte;
        const char* why;
    };
    const std::vector<uint8_t> seventeen(17, 9);
    const Case cases[] = {
        { {}, {}, 0, "no extensions: no X bit" },
        { { { 1, { 0x30 } } }, { { 1, { 0x30 } } }, 0xBE, "one-byte form" },
        { { { 1, { 0x30 } }, { 14, { 1, 2, 3 } } }, { { 1, { 0x30 } }, { 14, { 1, 2, 3 } } }, 0xBE, "one-byte form, padded" },
        { { { 15, { 1 } } }, { { 15, { 1 } } }, 0x10, "id 15 needs the two-byte form" },
        { { { 2, seventeen } }, { { 2, seventeen } }, 0x10, "17 bytes need the two-byte form" },
        { { { 0, { 1 } }, { 3, {} } }, { { 3, {} } }, 0x10, "id 0 is left out; empty data needs two-byte form" },
    };
    for (const auto& c : cases) {
        const auto bytes = RtpWriter::write(packet, c.extensions);
        if (c.profileFirstByte) {
            ASSERT_GT(bytes.size(), 12u);
            EXPECT_EQ(bytes[12], c.profileFirstByte) << c.why;
        }
        DropCounter drops;
        const auto datagram = RtpReader::read(bytes, drops);
        ASSERT_TRUE(datagram) << c.why;
        EXPECT_EQ(datagram->extensions, c.expected) << c.why;
        EXPECT_EQ(datagram->packet.payload, packet.payload) << c.why;
        EXPECT_EQ(datagram->packet.sequenceNumber, 65535);
        EXPECT_EQ(datagram->packet.timestamp, 0xFFFFFFFFu);
        EXPECT_TRUE(datagram->packet.marker);
        EXPECT_EQ(datagram->packet.payloadType, 111);
    }
    EXPECT_EQ(RtpWriter::write(packet), (Bytes { 0x80, 0xEF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 42, 1, 2, 3 }));
}

TEST(RtpDemux, TellsRtpFromRtcpOnOnePort)
{
    struct Case {
        Bytes datagram;
        RtpDemux::Kind kind;
    };
    const Case cases[] = {
        { { 0x80, 0x60 }, RtpDemux::Kind::Rtp }, // PT 96
        { { 0x80, 0xE0 }, RtpDemux::Kind::Rtp }, // PT 96 with marker
        { { 0x80, 200 }, RtpDemux::Kind::Rtcp }, // SR
        { { 0x81, 206 }, RtpDemux::Kind::Rtcp }, // PLI
        { { 0x80, 192 }, RtpDemux::Kind::Rtcp }, // lowest RTCP type
        { { 0x80, 223 }, RtpDemux::Kind::Rtcp }, // highest
        { { 0x00, 0x01 }, RtpDemux::Kind::Other }, // STUN
        { { 0x16, 0xFE }, RtpDemux::Kind::Other }, // DTLS
        { { 0x80 }, RtpDemux::Kind::Other }, // too short
        { {}, RtpDemux::Kind::Other },
    };
    for (const auto& c : cases) {
        EXPECT_EQ(RtpDemux::classify(c.datagram), c.kind);
    }
}

TEST(DropCounter, SummarisesDropsByReasonForTheLog)
{
    DropCounter drops;
    EXPECT_EQ(drops.summary(), "");
    drops.add(DropReason::RtpTooShort);
    drops.add(DropReason::RtpTooShort);
    drops.add(DropReason::Duplicate);
    EXPECT_EQ(drops.summary(), "rtp: shorter than its header: 2, duplicate packet: 1");
    EXPECT_EQ(drops.total(), 3u);
}
