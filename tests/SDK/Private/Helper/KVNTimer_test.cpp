#include "Private/Helper/KVNTimer.h"

#include <memory>
#include <string>
#include <vector>

#include "support/ManualClockFixture.h"

namespace {

class KVNTimerTest : public ManualClockFixture {};

TEST_F(KVNTimerTest, OneShotRunsOnceWhenItsIntervalHasPassed)
{
    auto timer = std::make_shared<KVNTimer>();
    int runs = 0;
    timer->executeAfterSeconds_repeats_action(1.0, false, [&] { ++runs; });
    runFor(0.9);
    EXPECT_EQ(runs, 0);
    runFor(0.1);
    EXPECT_EQ(runs, 1);
    runFor(5.0);
    EXPECT_EQ(runs, 1);
}

TEST_F(KVNTimerTest, RepeatingRunsEveryIntervalUntilCancelled)
{
    auto timer = std::make_shared<KVNTimer>();
    int runs = 0;
    timer->executeAfterSeconds_repeats_action(0.5, true, [&] { ++runs; });
    runFor(2.0);
    EXPECT_EQ(runs, 4);
    timer->cancel();
    runFor(2.0);
    EXPECT_EQ(runs, 4);
}

TEST_F(KVNTimerTest, SchedulingAgainRunsOnlyTheSecondAction)
{
    auto timer = std::make_shared<KVNTimer>();
    std::vector<std::string> ran;
    timer->executeAfterSeconds_repeats_action(1.0, false, [&] { ran.push_back("first"); });
    timer->executeAfterSeconds_repeats_action(1.0, false, [&] { ran.push_back("second"); });
    runFor(3.0);
    EXPECT_EQ(ran, std::vector<std::string>{"second"});
}

TEST_F(KVNTimerTest, CancelledOrReleasedTimerNeverRuns)
{
    int runs = 0;
    auto cancelled = std::make_shared<KVNTimer>();
    cancelled->executeAfterSeconds_repeats_action(1.0, true, [&] { ++runs; });
    cancelled->cancel();
    auto released = std::make_shared<KVNTimer>();
    released->executeAfterSeconds_repeats_action(1.0, true, [&] { ++runs; });
    released.reset();
    runFor(3.0);
    EXPECT_EQ(runs, 0);
}

// The resend pattern of the chat store: the action cancels its timer and drops the last
// reference to it while it runs.
TEST_F(KVNTimerTest, ActionMayCancelAndReleaseItsOwnTimer)
{
    std::vector<std::shared_ptr<KVNTimer>> timers{std::make_shared<KVNTimer>()};
    int runs = 0;
    std::weak_ptr<KVNTimer> weakTimer = timers[0];
    timers[0]->executeAfterSeconds_repeats_action(1.0, true, [&] {
        ++runs;
        if (auto timer = weakTimer.lock())
            timer->cancel();
        timers.clear();
    });
    runFor(3.0);
    EXPECT_EQ(runs, 1);
    EXPECT_TRUE(weakTimer.expired());
}

} // namespace
