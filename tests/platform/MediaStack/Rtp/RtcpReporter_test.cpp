#include <gtest/gtest.h>

#include "MediaStack/RTCPReceiverReportPacket.h"
#include "MediaStack/RTCPSenderReportPacket.h"
#include "MediaStack/Rtp/ReceiveStatistics.h"
#include "MediaStack/Rtp/RtcpReporter.h"
#include "MediaStack/Rtp/RtcpSdesPacket.h"

using namespace mediastack::rtp;
using std::chrono::milliseconds;

namespace {

const MediaTime kStart = MediaTime() + std::chrono::hours(1);

RtcpReporter::Config config(size_t maxRemoteSources = 4)
{
    RtcpReporter::Config c;
    c.localSsrc = 1;
    c.localClockRate = 90000;
    c.cname = "c";
    c.maxRemoteSources = maxRemoteSources;
    return c;
}

RTPPacket packet(uint16_t sequenceNumber, uint32_t timestamp = 0, uint32_t ssrc = 9)
{
    RTPPacket p;
    p.sequenceNumber = sequenceNumber;
    p.timestamp = timestamp;
    p.ssrc = ssrc;
    p.payload.assign(100, 0);
    return p;
}

}

TEST(ReceiveStatistics, ReportsLossFromTheSequenceNumbers)
{
    struct Case {
        uint16_t first;
        std::vector<int> offsets; // received, relative to first
        double fractionLost;
        int32_t cumulativeLost;
        uint32_t extendedHighest;
        const char* why;
    };
    const Case cases[] = {
        { 100, { 0, 1, 2, 3 }, 0.0, 0, 103, "in order" },
        { 100, { 0, 1, 3, 4 }, 0.25, 1, 104, "one of four lost: the first packet only opens the count" },
        { 100, { 0, 1, 3, 2, 4 }, 0.0, 0, 104, "reordered is not lost" },
        { 100, { 0, 1, 2, 2, 3 }, 0.0, -1, 103, "a duplicate counts as received" },
        { 65534, { 0, 1, 2, 3 }, 0.0, 0, 65537, "across the wrap: one cycle counted" },
        { 100, { 0, 1, 5000, 5001 }, 0.0, 0, 5101, "a jump confirmed by the next packet restarts the count" },
    };
    for (const auto& c : cases) {
        ReceiveStatistics statistics(9, 90000);
        for (int offset : c.offsets) {
            statistics.packetReceived(packet(static_cast<uint16_t>(c.first + offset)), kStart);
        }
        const auto block = statistics.makeReportBlock(kStart);
        EXPECT_EQ(block.ssrc, 9u) << c.why;
        EXPECT_NEAR(block.fractionLost, std::floor(c.fractionLost * 256) / 256, 1e-9) << c.why;
        EXPECT_EQ(block.cumulativePacketsLost, c.cumulativeLost) << c.why;
        EXPECT_EQ(block.extendedHighestSequenceNumber, c.extendedHighest) << c.why;
    }
}

TEST(ReceiveStatistics, FractionLostCoversOnlyTheIntervalSinceTheLastReport)
{
    ReceiveStatistics statistics(9, 90000);
    for (uint16_t n = 0; n < 10; ++n) {
        if (n != 5) {
            statistics.packetReceived(packet(n), kStart);
        }
    }
    EXPECT_GT(statistics.makeReportBlock(kStart).fractionLost, 0.0);
    for (uint16_t n = 10; n < 20; ++n) {
        statistics.packetReceived(packet(n), kStart);
    }
    const auto block = statistics.makeReportBlock(kStart);
    EXPECT_EQ(block.fractionLost, 0.0) << "no loss in the second interval";
    EXPECT_EQ(block.cumulativePacketsLost, 1);
}

TEST(ReceiveStatistics, JitterFollowsUnevenArrival)
{
    ReceiveStatistics even(9, 90000);
    ReceiveStatistics uneven(9, 90000);
    for (uint16_t n = 0; n < 50; ++n) {
        const uint32_t timestamp = n * 3000; // 33.3 ms at 90 kHz
        even.packetReceived(packet(n, timestamp), kStart + std::chrono::microseconds(n * 33333));
        uneven.packetReceived(packet(n, timestamp), kStart + std::chrono::microseconds(n * 33333 + (n % 2) * 20000));
    }
    EXPECT_LT(even.jitter(), 5u);
    // Every other packet 20 ms late: transit differences of 1800 units, smoothed by 1/16.
    EXPECT_GT(uneven.jitter(), 1000u);
    EXPECT_LT(uneven.jitter(), 1800u);
}

TEST(RtcpReporter, SendsASenderReportWhileSendingAndMeasuresTheRoundTrip)
{
    RtcpReporter reporter(config(), kStart, uint64_t { 1000 } << 32);
    EXPECT_FALSE(reporter.isDue(kStart));
    EXPECT_TRUE(reporter.isDue(kStart + milliseconds(500))) << "the first report after half an interval";

    reporter.packetSent(packet(1, 90000, 1), kStart);
    reporter.packetReceived(packet(7, 0, 9), 48000, kStart);
    reporter.packetReceived(packet(8, 960, 9), 48000, kStart);
    auto report = reporter.makeReport(kStart + milliseconds(500));
    ASSERT_EQ(report.size(), 2u);
    const auto* sr = dynamic_cast<const RTCPSenderReportPacket*>(report[0].get());
    ASSERT_TRUE(sr);
    EXPECT_EQ(sr->rtpTimestamp, 90000u + 45000u) << "the RTP clock carried on to the report's time";
    EXPECT_EQ(sr->ntpTimestamp, (uint64_t { 1000 } << 32) + (uint64_t { 1 } << 31));
    EXPECT_EQ(sr->senderPacketCount, 1u);
    ASSERT_EQ(sr->reportBlocks.size(), 1u);
    EXPECT_EQ(sr->reportBlocks[0].ssrc, 9u);
    EXPECT_EQ(dynamic_cast<const RtcpSdesPacket*>(report[1].get())->cname, "c");
    const uint64_t ourNtp = sr->ntpTimestamp;

    // The next gap is drawn from half to one and a half intervals.
    EXPECT_FALSE(reporter.isDue(kStart + milliseconds(999)));
    EXPECT_TRUE(reporter.isDue(kStart + milliseconds(2000)));

    // Nothing sent since: a receiver report. The far side echoes our SR 80 ms after it got
    // it, and its report arrives 100 ms after we sent ours: 20 ms round trip.
    report = reporter.makeReport(kStart + milliseconds(2000));
    EXPECT_TRUE(dynamic_cast<const RTCPReceiverReportPacket*>(report[0].get()));
    auto theirs = std::make_shared<RTCPReceiverReportPacket>();
    RTCPReportBlock block;
    block.ssrc = 1;
    block.lastSenderReport = static_cast<uint32_t>(ourNtp >> 16);
    block.delaySinceLastSenderReport = 80 * 65536 / 1000;
    theirs->reportBlocks.push_back(block);
    reporter.rtcpReceived({ theirs }, kStart + milliseconds(600));
    ASSERT_TRUE(reporter.roundTripTime());
    const double roundTrip = std::chrono::duration<double, std::milli>(*reporter.roundTripTime()).count();
    EXPECT_NEAR(roundTrip, 20.0, 0.1);
}

TEST(RtcpReporter, KeepsAFewRemoteSourcesOnly)
{
    RtcpReporter reporter(config(2), kStart, 0);
    for (uint32_t ssrc = 10; ssrc < 20; ++ssrc) {
        reporter.packetReceived(packet(1, 0, ssrc), 90000, kStart);
        reporter.packetReceived(packet(2, 0, ssrc), 90000, kStart);
    }
    EXPECT_EQ(reporter.makeReport(kStart)[0]->payloadLength(), 4 + 2 * RTCPReportBlock::wireLength) << "new sources wait for room";
    // Once the first two are silent, a new one takes a place.
    reporter.packetReceived(packet(1, 0, 30), 90000, kStart + std::chrono::seconds(6));
    reporter.packetReceived(packet(2, 0, 30), 90000, kStart + std::chrono::seconds(6));
    const auto report = reporter.makeReport(kStart + std::chrono::seconds(6));
    const auto* rr = dynamic_cast<const RTCPReportPacket*>(report[0].get());
    ASSERT_EQ(rr->reportBlocks.size(), 1u);
    EXPECT_EQ(rr->reportBlocks[0].ssrc, 30u);
}

TEST(RtcpReporter, ARoundTripNoCallHasIsNotTaken)
{
    struct Case {
        int heldMs; // the far side's delay since our report, as it claims
        int arrivalMs; // its report's arrival, after our report
        std::optional<double> roundTripMs;
        const char* why;
    };
    const Case cases[] = {
        { 80, 100, 20.0, "an honest report" },
        { 0, 2900, 2900.0, "a long but possible round trip" },
        { -3600 * 1000, 100, std::nullopt, "a delay below zero makes the round trip an hour" },
        { 0, 3600 * 1000, std::nullopt, "an echo an hour late" },
    };
    for (const auto& c : cases) {
        RtcpReporter reporter(config(), kStart, uint64_t { 1000 } << 32);
        reporter.packetSent(packet(1, 90000, 1), kStart);
        const auto report = reporter.makeReport(kStart);
        const auto* sr = dynamic_cast<const RTCPSenderReportPacket*>(report[0].get());
        ASSERT_TRUE(sr);
        auto theirs = std::make_shared<RTCPReceiverReportPacket>();
        RTCPReportBlock block;
        block.ssrc = 1;
        block.lastSenderReport = static_cast<uint32_t>(sr->ntpTimestamp >> 16);
        block.delaySinceLastSenderReport = static_cast<uint32_t>(int64_t { c.heldMs } * 65536 / 1000);
        theirs->reportBlocks.push_back(block);
        reporter.rtcpReceived({ theirs }, kStart + milliseconds(c.arrivalMs));
        if (!c.roundTripMs) {
            EXPECT_FALSE(reporter.roundTripTime()) << c.why;
            continue;
        }
        ASSERT_TRUE(reporter.roundTripTime()) << c.why;
        const double measured = std::chrono::duration<double, std::milli>(*reporter.roundTripTime()).count();
        EXPECT_NEAR(measured, *c.roundTripMs, 0.1) << c.why;
    }
}
