#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "MediaStack/Net/MediaThread.h"
#include "support/ManualClockFixture.h"

using media::MediaThread;

class MediaThreadTest : public ManualClockFixture {};

TEST_F(MediaThreadTest, RunsPostedWorkOnItsOwnThreadInOrder)
{
    auto thread = MediaThread::create();
    std::vector<int> order;
    std::thread::id ranOn;
    for (int i = 0; i < 3; ++i)
        thread->post([&, i] {
            order.push_back(i);
            ranOn = std::this_thread::get_id();
        });
    bool inside = false;
    thread->invoke([&] { inside = thread->isCurrent(); });
    EXPECT_EQ(order, (std::vector<int> { 0, 1, 2 }));
    EXPECT_NE(ranOn, std::this_thread::get_id());
    EXPECT_TRUE(inside);
    EXPECT_FALSE(thread->isCurrent());
}

TEST_F(MediaThreadTest, TimersFollowTheMainLoopsManualClock)
{
    auto thread = MediaThread::create();
    std::atomic<int> fired { 0 };
    thread->invoke([&] {
        thread->scheduleAfter(1.0, [&] { fired = 1; });
        thread->scheduleAfter(2.0, [&] { fired = 2; });
    });

    runFor(0.9);
    thread->invoke([] {}); // one turn of the media loop after the step
    EXPECT_EQ(fired, 0) << "time stands still for the media thread too";

    runFor(0.1);
    EXPECT_TRUE(loop->spin_until([&] { return fired == 1; }));
    runFor(1.0);
    EXPECT_TRUE(loop->spin_until([&] { return fired == 2; }));
}

TEST_F(MediaThreadTest, CancelledTimerNeverFires)
{
    auto thread = MediaThread::create();
    std::atomic<bool> fired { false };
    uint64_t id = 0;
    thread->invoke([&] { id = thread->scheduleAfter(0.5, [&] { fired = true; }); });
    thread->cancel(id);
    runFor(1.0);
    thread->invoke([] {});
    EXPECT_FALSE(fired);
}

TEST_F(MediaThreadTest, CanBeReleasedFromItsOwnThread)
{
    auto thread = MediaThread::create();
    std::atomic<bool> released { false };
    auto* raw = thread.get();
    raw->post([owned = std::move(thread), &released]() mutable {
        owned.reset();
        released = true;
    });
    EXPECT_TRUE(loop->spin_until([&] { return released.load(); }));
}
