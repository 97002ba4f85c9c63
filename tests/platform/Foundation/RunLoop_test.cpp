// The main run loop, dispatch and timers on a manual clock.
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "Foundation/Dispatch.h"
#include "Foundation/NSRunLoop.h"
#include "Foundation/NSTimer.h"
#include "Foundation/RunLoopEventSource.h"
#include "support/ManualClockFixture.h"

namespace {

int64_t seconds(double s) { return static_cast<int64_t>(s * NSEC_PER_SEC); }

class RunLoopTest : public ManualClockFixture {};

TEST_F(RunLoopTest, MainQueueRunsInOrderOnlyWhenTheLoopTurnsAndWorkQueuedByWorkRunsInTheSamePump)
{
    std::vector<std::string> order;
    dispatch_async(dispatch_get_main_queue(), [&] {
        order.push_back("a");
        dispatch_async(dispatch_get_main_queue(), [&] { order.push_back("c"); });
    });
    dispatch_async(dispatch_get_main_queue(), [&] { order.push_back("b"); });
    EXPECT_TRUE(order.empty()) << "main-queue work must wait for the loop, not run inline";
    loop->pump();
    EXPECT_EQ(order, (std::vector<std::string>{"a", "b", "c"}));
}

TEST_F(RunLoopTest, DispatchAfterFiresWhenTheClockReachesItsTimeAndNotBefore)
{
    std::vector<double> firedAt;
    dispatch_after(dispatch_time(DISPATCH_TIME_NOW, seconds(1.0)), dispatch_get_main_queue(), [&] { firedAt.push_back(loop->now()); });
    for (int i = 0; i < 9; ++i)
        runFor(0.1);
    EXPECT_TRUE(firedAt.empty()) << "fired at " << loop->now();
    runFor(0.1); // ten steps of 0.1 s land exactly on 1.0 s
    ASSERT_EQ(firedAt.size(), 1u);
    EXPECT_DOUBLE_EQ(firedAt[0], 1.0);
    runFor(5.0);
    EXPECT_EQ(firedAt.size(), 1u);
}

TEST_F(RunLoopTest, OneLongStepFiresTimersInTimeOrderAtTheirOwnTimesWithMainQueueWorkInBetween)
{
    std::vector<std::string> events;
    auto note = [&](const std::string& what) { events.push_back(what + "@" + std::to_string(static_cast<int>(loop->now() * 10 + 0.5))); };
    dispatch_after(dispatch_time(DISPATCH_TIME_NOW, seconds(1.5)), dispatch_get_main_queue(), [&] { note("late"); });
    dispatch_after(dispatch_time(DISPATCH_TIME_NOW, seconds(0.5)), dispatch_get_main_queue(), [&] {
        note("early");
        dispatch_async(dispatch_get_main_queue(), [&] { note("follow-up"); });
    });
    // Same time: scheduling order decides.
    dispatch_after(dispatch_time(DISPATCH_TIME_NOW, seconds(0.5)), dispatch_get_main_queue(), [&] { note("early-second"); });
    runFor(2.0);
    EXPECT_EQ(events, (std::vector<std::string>{"early@5", "follow-up@5", "early-second@5", "late@15"}));
}

TEST_F(RunLoopTest, RepeatingTimerFiresOncePerIntervalUntilInvalidatedFromItsOwnBlock)
{
    int fired = 0;
    auto timer = NSTimer::scheduledTimerWithTimeInterval_repeats_block(0.5, true, [&](const std::shared_ptr<NSTimer>& t) {
        if (++fired == 5)
            t->invalidate();
    });
    EXPECT_DOUBLE_EQ(timer->timeInterval(), 0.5);
    runFor(0.4);
    EXPECT_EQ(fired, 0);
    runFor(1.6); // 0.5, 1.0, 1.5, 2.0
    EXPECT_EQ(fired, 4);
    EXPECT_TRUE(timer->isValid());
    runFor(10.0);
    EXPECT_EQ(fired, 5);
    EXPECT_FALSE(timer->isValid());
}

TEST_F(RunLoopTest, OneShotTimerFiresOnceAndBecomesInvalid)
{
    int fired = 0;
    auto timer = NSTimer::scheduledTimerWithTimeInterval_repeats_block(2.0, false, [&](const std::shared_ptr<NSTimer>&) { ++fired; });
    runFor(1.0);
    EXPECT_TRUE(timer->isValid());
    runFor(1.0);
    EXPECT_EQ(fired, 1);
    EXPECT_FALSE(timer->isValid());
    runFor(4.0);
    EXPECT_EQ(fired, 1);
}

TEST_F(RunLoopTest, InvalidatedTimerNeverFiresAndIsReleasedWithWhatItsBlockCaptured)
{
    auto captured = std::make_shared<int>(0);
    std::weak_ptr<int> watch = captured;
    std::weak_ptr<NSTimer> weakTimer;
    {
        auto timer = NSTimer::scheduledTimerWithTimeInterval_repeats_block(
            1.0, true, [captured](const std::shared_ptr<NSTimer>&) { ++*captured; });
        weakTimer = timer;
        captured.reset();
        runFor(1.0);
        EXPECT_EQ(*watch.lock(), 1);
        timer->invalidate();
        timer->invalidate(); // twice is harmless
    }
    runFor(5.0);
    EXPECT_TRUE(weakTimer.expired()) << "the run loop must let go of an invalidated timer";
    EXPECT_TRUE(watch.expired()) << "the block (and what it captured) must go with it";
}

TEST_F(RunLoopTest, TheRunLoopKeepsAScheduledTimerAliveWithoutOtherOwners)
{
    int fired = 0;
    NSTimer::scheduledTimerWithTimeInterval_repeats_block(1.0, true, [&](const std::shared_ptr<NSTimer>&) { ++fired; });
    runFor(3.0);
    EXPECT_EQ(fired, 3);
}

TEST_F(RunLoopTest, GlobalQueueWorkComesBackToTheMainThread)
{
    std::atomic<bool> ranOffMain{false};
    bool deliveredOnMain = false;
    std::string result;
    dispatch_async(dispatch_get_global_queue(DISPATCH_QUEUE_PRIORITY_DEFAULT, 0), [&] {
        ranOffMain = !NSRunLoop::isMainThread();
        std::string computed = "done";
        dispatch_async(dispatch_get_main_queue(), [&, computed] {
            deliveredOnMain = NSRunLoop::isMainThread();
            result = computed;
        });
    });
    ASSERT_TRUE(loop->spin_until([&] { return !result.empty(); }));
    EXPECT_TRUE(ranOffMain);
    EXPECT_TRUE(deliveredOnMain);
    EXPECT_EQ(result, "done");
}

TEST_F(RunLoopTest, SerialQueueRunsOneBlockAtATimeInOrder)
{
    auto queue = dispatch_queue_create("test.serial");
    std::vector<int> order;
    std::atomic<int> running{0};
    std::atomic<bool> overlapped{false};
    for (int i = 0; i < 50; ++i) {
        dispatch_async(queue, [&, i] {
            if (running.fetch_add(1) != 0)
                overlapped = true;
            order.push_back(i);
            running.fetch_sub(1);
        });
    }
    dispatch_sync(queue, [] {});
    EXPECT_FALSE(overlapped);
    ASSERT_EQ(order.size(), 50u);
    for (int i = 0; i < 50; ++i)
        EXPECT_EQ(order[i], i);
}

TEST_F(RunLoopTest, DispatchSyncDoesNotDeadlockOnTheQueueItIsAlreadyOn)
{
    bool ran = false;
    dispatch_sync(dispatch_get_main_queue(), [&] { ran = true; });
    EXPECT_TRUE(ran);

    auto queue = dispatch_queue_create("test.nested");
    std::atomic<bool> inner{false};
    dispatch_sync(queue, [&] { dispatch_sync(queue, [&] { inner = true; }); });
    EXPECT_TRUE(inner);
}

TEST_F(RunLoopTest, DispatchSyncFromAWorkerToMainWaitsForTheMainLoop)
{
    std::atomic<bool> workerDone{false};
    bool ranOnMain = false;
    std::thread worker([&] {
        dispatch_sync(dispatch_get_main_queue(), [&] { ranOnMain = NSRunLoop::isMainThread(); });
        workerDone = true;
    });
    ASSERT_TRUE(loop->spin_until([&] { return workerDone.load(); }));
    worker.join();
    EXPECT_TRUE(ranOnMain);
}

TEST_F(RunLoopTest, DelayedWorkForAGlobalQueueWaitsForTheManualClock)
{
    std::atomic<bool> ran{false};
    dispatch_after(dispatch_time(DISPATCH_TIME_NOW, seconds(2.0)), dispatch_get_global_queue(DISPATCH_QUEUE_PRIORITY_DEFAULT, 0),
                   [&] { ran = true; });
    EXPECT_FALSE(loop->spin_until([&] { return ran.load(); }, 0.05)) << "must not run before the clock reaches 2.0 s";
    runFor(2.0);
    EXPECT_TRUE(loop->spin_until([&] { return ran.load(); }));
}

TEST_F(RunLoopTest, RunUntilDateOnAManualClockAdvancesIt)
{
    int fired = 0;
    dispatch_after(dispatch_time(DISPATCH_TIME_NOW, seconds(0.1)), dispatch_get_main_queue(), [&] { ++fired; });
    loop->runUntilDate(1.0);
    EXPECT_EQ(fired, 1);
    EXPECT_DOUBLE_EQ(loop->now(), 1.0);
}

TEST_F(RunLoopTest, AClockSwapKeepsEachPendingTimersRemainingDelay)
{
    int fired = 0;
    runFor(10.0);
    dispatch_after(dispatch_time(DISPATCH_TIME_NOW, seconds(1.0)), dispatch_get_main_queue(), [&] { ++fired; });
    auto fresh = std::make_shared<ManualClock>();
    loop->setClock(fresh);
    fresh->advance(0.9);
    EXPECT_EQ(fired, 0);
    fresh->advance(0.1);
    EXPECT_EQ(fired, 1);
    clock = fresh;
}

TEST_F(RunLoopTest, ABlockThatThrowsDoesNotStopTheLoop)
{
    bool after = false;
    dispatch_async(dispatch_get_main_queue(), [] { throw std::runtime_error("boom"); });
    dispatch_async(dispatch_get_main_queue(), [&] { after = true; });
    loop->pump();
    EXPECT_TRUE(after);
}

TEST(RunLoopRealClock, RealClockTimerFiresWhileSpinning)
{
    // The real program's path: the monotonic clock and waiting for the next timer.
    auto loop = NSRunLoop::mainRunLoop();
    bool fired = false;
    auto timer = NSTimer::scheduledTimerWithTimeInterval_repeats_block(0.01, false, [&](const std::shared_ptr<NSTimer>&) { fired = true; });
    EXPECT_TRUE(loop->spin_until([&] { return fired; }, 10.0));
}

TEST(RunLoopRealClock, RunReturnsOnceStoppedFromAnotherThread)
{
    auto loop = NSRunLoop::mainRunLoop();
    bool ranBeforeStop = false;
    dispatch_async(dispatch_get_main_queue(), [&] { ranBeforeStop = true; });
    loop->stop(); // not running: no lasting effect
    dispatch_async(dispatch_get_global_queue(DISPATCH_QUEUE_PRIORITY_DEFAULT, 0), [loop] {
        dispatch_sync(dispatch_get_main_queue(), [] {}); // returns once run() is turning the loop
        loop->stop();
    });
    loop->run();
    EXPECT_TRUE(ranBeforeStop);
}

// Stands for a toolkit's loop: it records what the run loop asks of it, and its wait ends only
// through wake(), so a block queued without waking it would leave the loop asleep.
class RecordingEventSource : public RunLoopEventSource {
public:
    void dispatchReady() override { ++dispatches; }
    void waitAndDispatch(double) override
    {
        std::unique_lock lock(m_mutex);
        ++waits;
        // Bounded only so that a missing wake fails the test instead of hanging it.
        if (!m_wake.wait_for(lock, std::chrono::seconds(30), [&] { return m_woken; }))
            ++waitsNotWoken;
        m_woken = false;
    }
    void wake() override
    {
        std::lock_guard lock(m_mutex);
        m_woken = true;
        m_wake.notify_all();
    }

    std::atomic<int> dispatches = 0;
    std::atomic<int> waits = 0;
    std::atomic<int> waitsNotWoken = 0;

private:
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_woken = false;
};

TEST(RunLoopRealClock, AnEventSourceIsDispatchedOnEveryPumpAndWokenByWorkFromOtherThreads)
{
    auto loop = NSRunLoop::mainRunLoop();
    auto source = std::make_shared<RecordingEventSource>();
    loop->setEventSource(source);
    loop->pump();
    EXPECT_GT(source->dispatches.load(), 0);

    bool ran = false;
    dispatch_async(dispatch_get_global_queue(DISPATCH_QUEUE_PRIORITY_DEFAULT, 0), [loop, &ran] {
        dispatch_sync(dispatch_get_main_queue(), [&ran] { ran = true; }); // queued while the loop may sleep in the source
        loop->stop();
    });
    loop->run();
    loop->setEventSource(nullptr);
    EXPECT_TRUE(ran);
    EXPECT_EQ(source->waitsNotWoken.load(), 0);
}

} // namespace
