#include <gtest/gtest.h>

#include "MediaStack/RTCPPliPacket.h"
#include "MediaStack/RTCPReceiverReportPacket.h"
#include "MediaStack/RTCPSenderReportPacket.h"
#include "MediaStack/Rtp/RtcpNackPacket.h"
#include "MediaStack/Rtp/RtcpReader.h"
#include "MediaStack/Rtp/RtcpRembPacket.h"
#include "MediaStack/Rtp/RtcpSdesPacket.h"
#include "MediaStack/Rtp/RtcpWriter.h"

using namespace mediastack::rtp;

namespace {

using Bytes = std::vector<uint8_t>;

// SR from 0x11111111 with one block about 0x22222222 (fraction 64/256, cumulative lost -1),
// then SDES with CNAME "ab".
const Bytes kSenderReport = {
    0x81, 200, 0x00, 0x0C, // V=2, RC=1, SR, 12 words follow
    0x11, 0x11, 0x11, 0x11, // sender SSRC
    0xE0, 0x00, 0x00, 0x01, 0x80, 0x00, 0x00, 0x00, // NTP
    0x00, 0x00, 0x10, 0x00, // RTP timestamp
    0x00, 0x00, 0x00, 0x05, // packets
    0x00, 0x00, 0x01, 0x00, // octets
    0x22, 0x22, 0x22, 0x22, // block: SSRC
    0x40, 0xFF, 0xFF, 0xFF, // fraction lost, cumulative lost (24-bit signed)
    0x00, 0x01, 0x00, 0x10, // extended highest sequence number
    0x00, 0x00, 0x00, 0x20, // jitter
    0x12, 0x34, 0x56, 0x78, // LSR
    0x00, 0x01, 0x00, 0x00, // DLSR
    0x81, 202, 0x00, 0x03, 0x11, 0x11, 0x11, 0x11, 0x01, 0x02, 'a', 'b', 0, 0, 0, 0, // SDES: one chunk, end of items, padding
};

// Generic NACK for 100, 101 and 116 (PID 100, BLP bits 0 and 15), then PLI.
const Bytes kFeedback = {
    0x81, 205, 0x00, 0x03, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x02, 0x00, 100, 0x80, 0x01, // NACK
    0x81, 206, 0x00, 0x02, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x02, // PLI
};

template<class T>
const T* as(const std::shared_ptr<RTCPPacket>& packet) { return dynamic_cast<const T*>(packet.get()); }

}

TEST(RtcpReader, ReadsASenderReportAndStepsOverSdes)
{
    DropCounter drops;
    const auto packets = RtcpReader::read(kSenderReport, drops);
    ASSERT_EQ(packets.size(), 1u) << drops.summary();
    const auto* sr = as<RTCPSenderReportPacket>(packets[0]);
    ASSERT_TRUE(sr);
    EXPECT_EQ(sr->ssrc, 0x11111111u);
    EXPECT_EQ(sr->ntpTimestamp, 0xE000000180000000ull);
    EXPECT_EQ(sr->rtpTimestamp, 0x1000u);
    EXPECT_EQ(sr->senderPacketCount, 5u);
    EXPECT_EQ(sr->senderOctetCount, 256u);
    ASSERT_EQ(sr->reportBlocks.size(), 1u);
    const auto& block = sr->reportBlocks[0];
    EXPECT_EQ(block.ssrc, 0x22222222u);
    EXPECT_DOUBLE_EQ(block.fractionLost, 0.25);
    EXPECT_EQ(block.cumulativePacketsLost, -1) << "24-bit two's complement";
    EXPECT_EQ(block.extendedHighestSequenceNumber, 0x10010u);
    EXPECT_EQ(block.jitter, 0x20u);
    EXPECT_EQ(block.lastSenderReport, 0x12345678u);
    EXPECT_EQ(block.delaySinceLastSenderReport, 0x10000u);
    EXPECT_EQ(sr->payloadLength(), 48u);
}

TEST(RtcpReader, ReadsNackAndPliWithoutAReportInFront)
{
    DropCounter drops;
    const auto packets = RtcpReader::read(kFeedback, drops);
    ASSERT_EQ(packets.size(), 2u) << drops.summary();
    const auto* nack = as<RtcpNackPacket>(packets[0]);
    ASSERT_TRUE(nack);
    EXPECT_EQ(nack->senderSsrc, 1u);
    EXPECT_EQ(nack->mediaSsrc, 2u);
    EXPECT_EQ(nack->lostSequenceNumbers, (std::vector<uint16_t> { 100, 101, 116 }));
    const auto* pli = as<RTCPPliPacket>(packets[1]);
    ASSERT_TRUE(pli);
    EXPECT_EQ(pli->mediaSsrc, 2u);
}

TEST(RtcpWriter, WritesTheBytesTheReaderRead)
{
    auto nack = std::make_shared<RtcpNackPacket>();
    nack->senderSsrc = 1;
    nack->mediaSsrc = 2;
    nack->lostSequenceNumbers = { 100, 101, 116 };
    auto pli = std::make_shared<RTCPPliPacket>();
    pli->senderSsrc = 1;
    pli->mediaSsrc = 2;
    EXPECT_EQ(RtcpWriter::write({ nack, pli }), kFeedback);

    DropCounter drops;
    auto packets = RtcpReader::read(kSenderReport, drops);
    auto sdes = std::make_shared<RtcpSdesPacket>();
    sdes->ssrc = 0x11111111;
    sdes->cname = "ab";
    packets.push_back(sdes);
    EXPECT_EQ(RtcpWriter::write(packets), kSenderReport);
}

TEST(RtcpWriter, ContinuesAReportOfManyBlocksInFurtherReceiverReports)
{
    auto rr = std::make_shared<RTCPReceiverReportPacket>();
    rr->ssrc = 7;
    for (uint32_t i = 0; i < 70; ++i) {
        RTCPReportBlock block;
        block.ssrc = i;
        block.cumulativePacketsLost = -0x900000; // past 24 bits: written as the floor
        rr->reportBlocks.push_back(block);
    }
    DropCounter drops;
    const auto packets = RtcpReader::read(RtcpWriter::write({ rr }), drops);
    ASSERT_EQ(packets.size(), 3u) << drops.summary();
    size_t blocks = 0;
    for (const auto& p : packets) {
        const auto* report = as<RTCPReceiverReportPacket>(p);
        ASSERT_TRUE(report);
        EXPECT_EQ(report->ssrc, 7u);
        EXPECT_LE(report->reportBlocks.size(), 31u);
        for (const auto& block : report->reportBlocks) {
            EXPECT_EQ(block.ssrc, blocks++);
            EXPECT_EQ(block.cumulativePacketsLost, -0x800000);
        }
    }
    EXPECT_EQ(blocks, 70u);
}

TEST(RtcpNackPacket, PacksLostNumbersIntoPidAndMask)
{
    struct Case {
        std::vector<uint16_t> lost;
        std::vector<std::pair<uint16_t, uint16_t>> items;
        const char* why;
    };
    const Case cases[] = {
        { {}, {}, "nothing lost" },
        { { 5 }, { { 5, 0 } }, "one" },
        { { 5, 6, 21 }, { { 5, 0x8001 } }, "the sixteenth after the PID still fits" },
        { { 5, 22 }, { { 5, 0 }, { 22, 0 } }, "the seventeenth starts a new pair" },
        { { 65534, 65535, 0, 1 }, { { 65534, 0x0007 } }, "across the wrap" },
        { { 5, 5, 6 }, { { 5, 0x0001 } }, "a repeat adds nothing" },
    };
    for (const auto& c : cases) {
        RtcpNackPacket nack;
        nack.lostSequenceNumbers = c.lost;
        EXPECT_EQ(nack.feedbackItems(), c.items) << c.why;
        EXPECT_EQ(nack.payloadLength(), 8 + 4 * c.items.size()) << c.why;
    }
}

TEST(RtcpReader, DropsAndCountsCompoundsThatLie)
{
    const auto with = [](Bytes b, size_t at, uint8_t value) {
        b[at] = value;
        return b;
    };
    const auto plus = [](Bytes a, const Bytes& b) {
        a.insert(a.end(), b.begin(), b.end());
        return a;
    };
    const Bytes pli(kFeedback.begin() + 16, kFeedback.end());
    struct Case {
        Bytes datagram;
        DropReason reason;
        const char* why;
    };
    const Case cases[] = {
        { {}, DropReason::RtcpTooShort, "empty" },
        { { 0x81, 206, 0 }, DropReason::RtcpTooShort, "three bytes" },
        { plus(pli, { 0x81, 206 }), DropReason::RtcpTooShort, "a second header cut short" },
        { with(pli, 0, 0x41), DropReason::RtcpBadVersion, "version 1" },
        { with(pli, 3, 0x03), DropReason::RtcpBadLength, "length one word past the datagram" },
        { with(pli, 2, 0xFF), DropReason::RtcpBadLength, "length far past the datagram" },
        { with(kSenderReport, 0, 0x82), DropReason::RtcpBadBody, "two report blocks announced, one there" },
        { with(kSenderReport, 0, 0x9F), DropReason::RtcpBadBody, "31 report blocks announced" },
        { with(kSenderReport, 3, 0x02), DropReason::RtcpBadBody, "SR shorter than its sender info" },
        { Bytes { 0x81, 205, 0x00, 0x02, 0, 0, 0, 1, 0, 0, 0, 2 }, DropReason::RtcpBadBody, "NACK without a single FCI" },
        { Bytes { 0x81, 206, 0x00, 0x01, 0, 0, 0, 1 }, DropReason::RtcpBadBody, "PLI without media SSRC" },
        { plus(with(pli, 0, 0xA1), pli), DropReason::RtcpBadPadding, "padding on a packet that is not the last" },
    };
    for (const auto& c : cases) {
        DropCounter drops;
        EXPECT_TRUE(RtcpReader::read(c.datagram, drops).empty()) << c.why;
        EXPECT_EQ(drops.count(c.reason), 1u) << c.why << ": " << drops.summary();
    }

    // Padding on the last packet with a count of 0, and with one past the packet.
    for (uint8_t count : { 0, 13 }) {
        Bytes padded = { 0xA1, 206, 0x00, 0x03, 0, 0, 0, 1, 0, 0, 0, 2, 0, 0, 0, count };
        DropCounter drops;
        EXPECT_TRUE(RtcpReader::read(padded, drops).empty()) << int(count);
        EXPECT_EQ(drops.count(DropReason::RtcpBadPadding), 1u) << int(count);
    }
}

TEST(RtcpReader, StepsOverKindsItDoesNotReadAndCapsHugeNacks)
{
    // BYE, APP, and a FIR (payload-specific FMT 4), then a PLI that is read.
    const Bytes mixed = { 0x81, 203, 0x00, 0x01, 0, 0, 0, 1, 0x80, 204, 0x00, 0x02, 0, 0, 0, 1, 'n', 'a', 'm', 'e', 0x84, 206, 0x00, 0x04, 0, 0, 0,
        1, 0, 0, 0, 0, 0, 0, 0, 2, 1, 0, 0, 0, 0x81, 206, 0x00, 0x02, 0, 0, 0, 1, 0, 0, 0, 2 };
    DropCounter drops;
    auto packets = RtcpReader::read(mixed, drops);
    ASSERT_EQ(packets.size(), 1u) << drops.summary();
    EXPECT_TRUE(as<RTCPPliPacket>(packets[0]));

    // A NACK of 2000 pairs, each with every bit set: 34000 numbers asked for.
    Bytes huge = { 0x81, 205, 0, 0, 0, 0, 0, 1, 0, 0, 0, 2 };
    for (int i = 0; i < 2000; ++i) {
        huge.insert(huge.end(), { static_cast<uint8_t>(i >> 3), static_cast<uint8_t>(i << 5), 0xFF, 0xFF });
    }
    const size_t words = huge.size() / 4 - 1;
    huge[2] = static_cast<uint8_t>(words >> 8);
    huge[3] = static_cast<uint8_t>(words);
    packets = RtcpReader::read(huge, drops);
    ASSERT_EQ(packets.size(), 1u);
    EXPECT_EQ(as<RtcpNackPacket>(packets[0])->lostSequenceNumbers.size(), RtcpReader::maxNackedSequenceNumbers);
}

TEST(RtcpReader, EveryCutOfACompoundIsReadOrDroppedWithinItsBytes)
{
    Bytes compound = kSenderReport;
    compound.insert(compound.end(), kFeedback.begin(), kFeedback.end());
    for (size_t length = 0; length < compound.size(); ++length) {
        const Bytes cut(compound.begin(), compound.begin() + static_cast<std::ptrdiff_t>(length));
        DropCounter drops;
        const auto packets = RtcpReader::read(cut, drops);
        // A cut on a packet boundary is a shorter valid compound; any other cut is dropped.
        EXPECT_TRUE(!packets.empty() || drops.total() == 1 || length == 0) << length;
    }
}

TEST(RtcpRembPacket, CarriesTheRateInMantissaAndExponentAndItsSources)
{
    struct Case {
        uint64_t written;
        uint64_t read;
        const char* why;
    };
    const Case cases[] = {
        { 0, 0, "nothing" },
        { 250000, 250000, "fits the 18-bit mantissa" },
        { 262144, 262144, "one past the mantissa: exponent 1" },
        { 1000001, 1000000, "the lowest bits go" },
        { uint64_t { 1 } << 62, uint64_t { 1 } << 62, "far beyond any link" },
    };
    for (const auto& c : cases) {
        auto remb = std::make_shared<RtcpRembPacket>();
        remb->senderSsrc = 7;
        remb->bitrate = c.written;
        remb->mediaSsrcs = { 11, 12 };
        DropCounter drops;
        const auto packets = RtcpReader::read(RtcpWriter::write({ remb }), drops);
        ASSERT_EQ(packets.size(), 1u) << c.why;
        const auto* read = dynamic_cast<const RtcpRembPacket*>(packets[0].get());
        ASSERT_TRUE(read) << c.why;
        EXPECT_EQ(read->bitrate, c.read) << c.why;
        EXPECT_EQ(read->senderSsrc, 7u) << c.why;
        EXPECT_EQ(read->mediaSsrcs, (std::vector<uint32_t> { 11, 12 })) << c.why;
        EXPECT_EQ(drops.total(), 0u) << c.why;
    }

    // Another application's feedback is stepped over; a REMB listing more sources than it holds is dropped.
    const Bytes other { 0x8f, 206, 0, 4, 0, 0, 0, 7, 0, 0, 0, 0, 'A', 'B', 'C', 'D', 0, 0, 0, 0 };
    const Bytes lying { 0x8f, 206, 0, 4, 0, 0, 0, 7, 0, 0, 0, 0, 'R', 'E', 'M', 'B', 9, 0, 0, 1 };
    DropCounter drops;
    EXPECT_TRUE(RtcpReader::read(other, drops).empty());
    EXPECT_EQ(drops.total(), 0u);
    EXPECT_TRUE(RtcpReader::read(lying, drops).empty());
    EXPECT_EQ(drops.total(), 1u);
}
