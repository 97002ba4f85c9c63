#include <gtest/gtest.h>

#include "MediaStack/Rtp/AbsSendTime.h"
#include "MediaStack/Rtp/RembEstimator.h"

using namespace mediastack::rtp;
using std::chrono::microseconds;
using std::chrono::milliseconds;

namespace {

const MediaTime kStart = MediaTime() + std::chrono::hours(1);
// Starting below what is sent, so that growing towards what arrives shows.
const RembEstimator::Config kFromLow { .startBitrate = 150000 };

// A sender at `sendRate` bit/s of 1000-byte packets through a bottleneck of `linkRate` with
// an unbounded queue, for `seconds`. The estimate at the end, and the REMBs on the way.
struct Outcome {
    uint64_t estimate;
    int rembs;
};
Outcome run(RembEstimator& estimator, uint64_t sendRate, uint64_t linkRate, double seconds)
{
    constexpr size_t kBytes = 1000;
    const auto sendGap = microseconds(kBytes * 8 * 1000000 / sendRate);
    const auto serviceTime = microseconds(kBytes * 8 * 1000000 / linkRate);
    MediaTime sent = kStart;
    MediaTime linkFree = kStart;
    int rembs = 0;
    while (sent - kStart < std::chrono::duration_cast<MediaDuration>(std::chrono::duration<double>(seconds))) {
        const MediaTime arrival = std::max(sent, linkFree) + serviceTime;
        linkFree = arrival;
        estimator.packetReceived(arrival, AbsSendTime::at(sent), kBytes);
        rembs += estimator.rembDue(arrival) ? 1 : 0;
        sent += sendGap;
    }
    return { estimator.estimate(), rembs };
}

}

TEST(RembEstimator, FollowsWhatThePathCarries)
{
    struct Case {
        uint64_t sendRate;
        uint64_t linkRate;
        uint64_t atLeast;
        uint64_t atMost;
        const char* why;
    };
    const Case cases[] = {
        { 600000, 250000, 150000, 260000, "a queue builds at a 250 kbit/s bottleneck: the estimate drops below it" },
        { 200000, 10000000, 200000, 330000, "an idle path: the estimate stays near what arrives, not far above it" },
        { 1000000, 10000000, 600000, 1550000, "an idle path at a higher rate: it grows 8 % a second to follow" },
    };
    for (const auto& c : cases) {
        RembEstimator estimator(kFromLow);
        const auto outcome = run(estimator, c.sendRate, c.linkRate, 20.0);
        EXPECT_GE(outcome.estimate, c.atLeast) << c.why;
        EXPECT_LE(outcome.estimate, c.atMost) << c.why;
        EXPECT_GE(outcome.rembs, 20) << c.why << ": once a second at least";
        EXPECT_LE(outcome.rembs, 20 * 5 + 1) << c.why << ": at most every 200 ms";
    }
}

TEST(RembEstimator, SendTimesAcrossTheWrapAndWithoutThemStillGiveARate)
{
    EXPECT_EQ(AbsSendTime::between(0xFFFFF0, 0x000010), std::chrono::duration_cast<MediaDuration>(microseconds(0x20 * 1000000 / (1 << 18))));
    EXPECT_LT(AbsSendTime::between(0x000010, 0xFFFFF0), MediaDuration::zero());

    // Without send times no delay is seen: the estimate follows what arrives, capped above it.
    RembEstimator estimator(kFromLow);
    MediaTime now = kStart;
    for (int i = 0; i < 2000; ++i, now += milliseconds(10))
        estimator.packetReceived(now, std::nullopt, 250); // 200 kbit/s
    EXPECT_LE(estimator.estimate(), 1.5 * 200000 + 10000);
    EXPECT_GE(estimator.estimate(), 200000u);
}
