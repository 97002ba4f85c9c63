#include <gtest/gtest.h>

#include "MediaStack/Rtp/AudioJitterBuffer.h"

using namespace mediastack::rtp;
using std::chrono::milliseconds;

namespace {

const MediaTime kStart = MediaTime() + std::chrono::hours(1);
constexpr uint32_t kFrame = 960; // 20 ms at 48 kHz

std::shared_ptr<const RTPPacket> packet(uint16_t sequenceNumber, uint32_t timestamp)
{
    auto p = std::make_shared<RTPPacket>();
    p->sequenceNumber = sequenceNumber;
    p->timestamp = timestamp;
    p->payload = { static_cast<uint8_t>(sequenceNumber) };
    return p;
}

struct Arrival {
    uint16_t sequenceNumber;
    int atMs; // arrival, from the start
};

struct Played {
    uint16_t sequenceNumber;
    uint32_t lostBefore;
    int atMs;
    bool operator==(const Played&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Played& p)
{
    return out << "{" << p.sequenceNumber << " after " << p.lostBefore << " lost at " << p.atMs << " ms}";
}

// Packets of 20 ms from sequence number 100 on (timestamp follows), arriving as listed; the
// buffer is asked every 5 ms for the first 400 ms. What played, and when.
std::vector<Played> run(const std::vector<Arrival>& arrivals, DropCounter& drops, AudioJitterBuffer::Config config = {})
{
    AudioJitterBuffer buffer(config);
    std::vector<Played> played;
    size_t next = 0;
    for (int ms = 0; ms <= 400; ms += 5) {
        while (next < arrivals.size() && arrivals[next].atMs <= ms) {
            const uint16_t n = arrivals[next].sequenceNumber;
            buffer.insert(packet(n, 5000 + static_cast<uint32_t>(static_cast<uint16_t>(n - 100)) * kFrame), kStart + milliseconds(arrivals[next].atMs), drops);
            ++next;
        }
        while (auto slot = buffer.pop(kStart + milliseconds(ms))) {
            played.push_back({ slot->packet->sequenceNumber, slot->lostBefore, ms });
        }
    }
    return played;
}

}

TEST(AudioJitterBuffer, PlaysInOrderAndOnTime)
{
    struct Case {
        std::vector<Arrival> arrivals;
        std::vector<Played> played;
        const char* why;
    };
    const Case cases[] = {
        { { { 100, 0 }, { 101, 20 }, { 102, 40 } }, { { 100, 0, 60 }, { 101, 0, 80 }, { 102, 0, 100 } }, "even: each plays 60 ms after it came" },
        { { { 100, 0 }, { 102, 40 }, { 101, 45 } }, { { 100, 0, 60 }, { 101, 0, 80 }, { 102, 0, 100 } }, "reordered within the delay" },
        { { { 100, 0 }, { 101, 50 }, { 102, 50 } }, { { 100, 0, 60 }, { 101, 0, 80 }, { 102, 0, 100 } }, "a late burst is evened out" },
        // 101 never comes: 102 plays with one lost before it, when 101 would have played, so
        // that the frame put in for 101 fills its slot.
        { { { 100, 0 }, { 102, 40 } }, { { 100, 0, 60 }, { 102, 1, 80 } }, "a lost packet" },
        { { { 100, 0 }, { 104, 80 } }, { { 100, 0, 60 }, { 104, 3, 80 } }, "three lost in a row" },
    };
    for (const auto& c : cases) {
        DropCounter drops;
        EXPECT_EQ(run(c.arrivals, drops), c.played) << c.why;
        EXPECT_EQ(drops.total(), 0u) << c.why;
    }
}

TEST(AudioJitterBuffer, AFirstPacketThatCameLateDoesNotDelayTheRest)
{
    DropCounter drops;
    // 100 came 30 ms late; 101 and 102 on time: from 101 on the mapping follows them.
    const auto played = run({ { 100, 30 }, { 101, 20 }, { 102, 40 } }, drops);
    ASSERT_EQ(played.size(), 3u);
    EXPECT_EQ(played[1], (Played { 101, 0, 80 }));
    EXPECT_EQ(played[2], (Played { 102, 0, 100 }));
}

TEST(AudioJitterBuffer, DropsLateDuplicateAndSurplusPacketsAndCountsThem)
{
    DropCounter drops;
    // 101 comes after 102 has played; 100 comes twice.
    auto played = run({ { 100, 0 }, { 100, 5 }, { 102, 40 }, { 101, 100 } }, drops);
    EXPECT_EQ(played, (std::vector<Played> { { 100, 0, 60 }, { 102, 1, 80 } }));
    EXPECT_EQ(drops.count(DropReason::Duplicate), 1u);
    EXPECT_EQ(drops.count(DropReason::TooLate), 1u);

    // Fifty packets at once into a buffer of ten: the oldest go, and the gap shows.
    AudioJitterBuffer::Config config;
    config.capacity = 10;
    std::vector<Arrival> burst;
    for (uint16_t n = 100; n < 150; ++n) {
        burst.push_back({ n, 0 });
    }
    drops.reset();
    played = run(burst, drops, config);
    EXPECT_EQ(drops.count(DropReason::BufferFull), 40u);
    ASSERT_FALSE(played.empty());
    EXPECT_EQ(played.front().sequenceNumber, 140);
    EXPECT_EQ(played.size(), 10u);
}

TEST(AudioJitterBuffer, StartsOverWhenTheFarSideRestartsItsStream)
{
    AudioJitterBuffer buffer;
    DropCounter drops;
    buffer.insert(packet(100, 0), kStart, drops);
    ASSERT_TRUE(buffer.pop(kStart + milliseconds(60)));
    // New random sequence number and timestamp, behind the old ones: not "late" for ever.
    EXPECT_TRUE(buffer.insert(packet(40000, 123456), kStart + milliseconds(80), drops));
    auto slot = buffer.pop(kStart + milliseconds(140));
    ASSERT_TRUE(slot);
    EXPECT_EQ(slot->packet->sequenceNumber, 40000);
    EXPECT_EQ(slot->lostBefore, 0u);
    EXPECT_EQ(drops.total(), 0u);
}

TEST(AudioJitterBuffer, HostileSequenceNumbersNeverGrowItPastItsCapacity)
{
    AudioJitterBuffer::Config config;
    config.capacity = 20;
    AudioJitterBuffer buffer(config);
    DropCounter drops;
    uint32_t state = 12345;
    for (int i = 0; i < 5000; ++i) {
        state = state * 1103515245 + 12345;
        buffer.insert(packet(static_cast<uint16_t>(state >> 16), state), kStart + milliseconds(i), drops);
        ASSERT_LE(buffer.size(), config.capacity);
        if (i % 7 == 0) {
            (void)buffer.pop(kStart + milliseconds(i));
        }
    }
}

TEST(AudioJitterBuffer, APacketFarBehindWhatPlayedIsLateUnlessTheStreamGoesOnFromIt)
{
    struct Case {
        std::vector<std::pair<uint16_t, uint32_t>> after; // sequence number and timestamp, after 5000..5004 played
        std::vector<uint16_t> played;
        size_t late;
        const char* why;
    };
    const Case cases[] = {
        { { { 2000, 100 } }, {}, 1, "an old packet replayed: its sound is older, dropped, nothing resets" },
        { { { 2000, 100 }, { 5005, 5 * kFrame } }, { 5005 }, 1, "the stream goes on after the stray packet" },
        { { { 2000, 100 }, { 2001, 100 + kFrame } }, { 2000 + 1 }, 1, "the packet after it follows on: a real restart" },
        { { { 2000, 900000 } }, { 2000 }, 0, "a restart with a newer timestamp starts over at once" },
    };
    for (const auto& c : cases) {
        AudioJitterBuffer buffer;
        DropCounter drops;
        for (uint16_t n = 5000; n < 5005; ++n) {
            buffer.insert(packet(n, (n - 5000) * kFrame), kStart + milliseconds((n - 5000) * 20), drops);
        }
        while (buffer.pop(kStart + milliseconds(200))) { }
        std::vector<uint16_t> played;
        for (const auto& [number, timestamp] : c.after) {
            buffer.insert(packet(number, timestamp), kStart + milliseconds(200), drops);
        }
        while (auto slot = buffer.pop(kStart + milliseconds(1000))) {
            played.push_back(slot->packet->sequenceNumber);
        }
        EXPECT_EQ(played, c.played) << c.why;
        EXPECT_EQ(drops.count(DropReason::TooLate), c.late) << c.why;
    }
}

TEST(AudioJitterBuffer, ARestartWhileSoundIsHeldDoesNotLetOlderSoundThroughAfterIt)
{
    AudioJitterBuffer buffer;
    DropCounter drops;
    std::vector<uint16_t> played;
    const auto popAll = [&](int atMs) {
        while (auto slot = buffer.pop(kStart + milliseconds(atMs)))
            played.push_back(slot->packet->sequenceNumber);
    };
    buffer.insert(packet(1, 960), kStart, drops);
    popAll(100);
    // A restart with newer sound arrives and is held; then the old numbers come again.
    buffer.insert(packet(30000, 28800000), kStart + milliseconds(120), drops);
    buffer.insert(packet(1, 960), kStart + milliseconds(130), drops);
    buffer.insert(packet(2, 1920), kStart + milliseconds(140), drops);
    popAll(1000);
    // 1 is late against what played before the restart, not let through as a new start; 2
    // following on from it is a restart of its own, which the held 30000 gives way to.
    EXPECT_EQ(played, (std::vector<uint16_t> { 1, 2 })) << "1 never plays twice";
}
