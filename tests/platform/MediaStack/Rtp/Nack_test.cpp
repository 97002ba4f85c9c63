#include <gtest/gtest.h>

#include "MediaStack/Rtp/NackGenerator.h"
#include "MediaStack/Rtp/RetransmissionBuffer.h"

using namespace mediastack::rtp;
using std::chrono::milliseconds;

namespace {

const MediaTime kStart = MediaTime() + std::chrono::hours(1);

std::shared_ptr<const RTPPacket> packet(uint16_t sequenceNumber)
{
    auto p = std::make_shared<RTPPacket>();
    p->sequenceNumber = sequenceNumber;
    return p;
}

}

TEST(NackGenerator, AsksForWhatIsMissingAsSoonAsTheGapShows)
{
    struct Case {
        std::vector<uint16_t> received;
        std::vector<uint16_t> asked;
        const char* why;
    };
    const Case cases[] = {
        { { 1, 2, 3 }, {}, "in order" },
        { { 1, 4 }, { 2, 3 }, "a gap of two" },
        { { 1, 4, 2 }, { 3 }, "one of them came late" },
        { { 1, 3, 2, 3 }, {}, "late and duplicated" },
        { { 65534, 1 }, { 65535, 0 }, "across the wrap" },
        { { 10, 5 }, {}, "older than the first: nothing to ask for" },
    };
    for (const auto& c : cases) {
        NackGenerator generator;
        for (uint16_t n : c.received) {
            generator.packetReceived(n);
        }
        EXPECT_EQ(generator.due(kStart, std::nullopt), c.asked) << c.why;
        EXPECT_FALSE(generator.takeKeyFrameRequest()) << c.why;
    }
}

TEST(NackGenerator, AsksAgainEachRoundTripUntilItGivesUp)
{
    NackGenerator::Config config;
    config.maxRetries = 3;
    NackGenerator generator(config);
    generator.packetReceived(1);
    generator.packetReceived(3);
    const auto rtt = std::optional<MediaDuration>(milliseconds(50));
    EXPECT_EQ(generator.due(kStart, rtt), (std::vector<uint16_t> { 2 }));
    EXPECT_TRUE(generator.due(kStart + milliseconds(49), rtt).empty()) << "not before a round trip has passed";
    EXPECT_EQ(generator.due(kStart + milliseconds(50), rtt), (std::vector<uint16_t> { 2 }));
    EXPECT_EQ(generator.due(kStart + milliseconds(100), rtt), (std::vector<uint16_t> { 2 }));
    EXPECT_TRUE(generator.due(kStart + milliseconds(150), rtt).empty()) << "three requests, then given up";
    EXPECT_EQ(generator.missingCount(), 0u);

    // A very short round trip still leaves the minimum gap between requests.
    generator.packetReceived(5);
    const auto tiny = std::optional<MediaDuration>(milliseconds(1));
    EXPECT_EQ(generator.due(kStart, tiny), (std::vector<uint16_t> { 4 }));
    EXPECT_TRUE(generator.due(kStart + milliseconds(10), tiny).empty());
    EXPECT_EQ(generator.due(kStart + milliseconds(20), tiny), (std::vector<uint16_t> { 4 }));
}

TEST(NackGenerator, AWideGapAsksForAKeyFrameInsteadAndTheListStaysCapped)
{
    NackGenerator::Config config;
    config.maxMissing = 100;
    config.maxAge = 200;
    NackGenerator generator(config);
    generator.packetReceived(0);
    generator.packetReceived(102); // 101 missing: more than the list holds
    EXPECT_EQ(generator.missingCount(), 0u);
    EXPECT_TRUE(generator.takeKeyFrameRequest());
    EXPECT_FALSE(generator.takeKeyFrameRequest()) << "reading the request clears it";

    // Many small gaps: the list never passes its cap, and old entries age out.
    for (uint16_t n = 104; n < 2000; n += 2) {
        generator.packetReceived(n);
        ASSERT_LE(generator.missingCount(), config.maxMissing);
    }
    EXPECT_LE(generator.missingCount(), static_cast<size_t>(config.maxAge / 2));
}

TEST(RetransmissionBuffer, ResendsWhatItHoldsOncePerRoundTrip)
{
    RetransmissionBuffer buffer;
    for (uint16_t n = 65530; n != 10; ++n) {
        buffer.packetSent(packet(n), kStart);
    }
    const auto rtt = std::optional<MediaDuration>(milliseconds(100));
    auto resent = buffer.packetsToResend({ 3, 65533, 500 }, kStart + milliseconds(10), rtt);
    ASSERT_EQ(resent.size(), 2u) << "500 was never sent";
    EXPECT_EQ(resent[0]->sequenceNumber, 3);
    EXPECT_EQ(resent[1]->sequenceNumber, 65533);

    EXPECT_TRUE(buffer.packetsToResend({ 3, 3, 65533 }, kStart + milliseconds(60), rtt).empty()) << "asked again within a round trip";
    EXPECT_EQ(buffer.packetsToResend({ 3 }, kStart + milliseconds(110), rtt).size(), 1u);
    EXPECT_TRUE(buffer.packetsToResend({ 4 }, kStart + std::chrono::seconds(2), rtt).empty()) << "too old";
}

TEST(RetransmissionBuffer, HoldsAtMostItsCapacity)
{
    RetransmissionBuffer::Config config;
    config.capacity = 16;
    RetransmissionBuffer buffer(config);
    for (uint16_t n = 0; n < 1000; ++n) {
        buffer.packetSent(packet(n), kStart);
    }
    EXPECT_EQ(buffer.size(), 16u);
    EXPECT_TRUE(buffer.packetsToResend({ 983 }, kStart, std::nullopt).empty()) << "overwritten by 999";
    EXPECT_EQ(buffer.packetsToResend({ 984, 999 }, kStart, std::nullopt).size(), 2u);
}

TEST(NackGenerator, NumbersGivenUpByTheAssemblerAreNoLongerAskedFor)
{
    struct Case {
        uint16_t before;
        std::vector<uint16_t> asked;
        const char* why;
    };
    const Case cases[] = {
        { 65534, { 65534, 65535, 0, 1, 2, 3 }, "nothing passed yet" },
        { 1, { 1, 2, 3 }, "across the wrap" },
        { 4, {}, "all passed" },
        { 40000, { 65534, 65535, 0, 1, 2, 3 }, "a number far behind everything: nothing goes" },
        { 30000, {}, "a number ahead of the newest: all passed" },
    };
    for (const auto& c : cases) {
        NackGenerator generator;
        generator.packetReceived(65533);
        generator.packetReceived(4);
        generator.giveUpBefore(c.before);
        EXPECT_EQ(generator.due(kStart, std::nullopt), c.asked) << c.why;
    }
}
