#pragma once
// The main thread's run loop: it runs the main queue's blocks, the timers (including every
// main-queue dispatch_after) and, through the main queue, notification delivery. Everything
// in the library and the UI happens on it; other threads hand work back with a main-queue
// dispatch. The main thread is the one that first touches mainRunLoop(), unless
// setMainThread() names it first (the test main does).
//
// Loop methods (pump, runUntilDate, spin_until, run) belong to the loop's own thread;
// enqueueing and scheduling may happen from any thread.
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <utility>

#include "Foundation/RunLoopClock.h"

class RunLoopEventSource;

class NSRunLoop : public std::enable_shared_from_this<NSRunLoop> {
public:
    NSRunLoop();
    ~NSRunLoop();

    static std::shared_ptr<NSRunLoop> mainRunLoop();
    // The main run loop on the main thread; on any other thread, that thread's own loop.
    static std::shared_ptr<NSRunLoop> currentRunLoop();
    // Makes the calling thread the main thread (the one mainRunLoop() belongs to).
    static void setMainThread();
    static bool isMainThread();

    // Runs the loop for `secondsFromNow` on its clock: on a manual clock that means advancing
    // the clock by that much, on the real clock waiting for work and timers until then.
    void runUntilDate(double secondsFromNow);
    // Turns the loop until the predicate holds or `timeoutSeconds` of real time have passed;
    // returns the predicate's last value.
    bool spin_until(std::function<bool()> predicate, double timeoutSeconds = 10.0);
    // Runs every block queued and every timer due now (and what they queue in turn), then returns.
    void pump();
    // Runs until stop() is called (from any thread) while it runs.
    void run();
    void stop();

    double now() const;
    void setClock(std::shared_ptr<RunLoopClock> clock);
    std::shared_ptr<RunLoopClock> clock() const;

    // An outside event loop turned with this one (nullptr removes it). Set it on the loop's own
    // thread; its events are dispatched only there.
    void setEventSource(std::shared_ptr<RunLoopEventSource> source);

    // Lower level, used by dispatch and timers. Safe from any thread.
    void performBlock(std::function<void()> block);
    // Schedules `fire` to run when the clock reaches `fireAt`; returns an id for cancelTimer.
    uint64_t scheduleAt(double fireAt, std::function<void()> fire);
    void cancelTimer(uint64_t id);
    // Drops every queued block and timer (tests' teardown).
    void cancelAllTimers();
    void discardPendingBlocks();
    bool hasPendingBlocks() const;
    // The fire time of the earliest timer, if any.
    bool nextTimerDate(double& fireAt) const;

private:
    friend class ManualClock;
    struct TimerKey {
        double fireAt;
        uint64_t id;
        bool operator<(const TimerKey& o) const { return fireAt != o.fireAt ? fireAt < o.fireAt : id < o.id; }
    };

    // Runs the blocks queued when called; returns how many ran.
    size_t runQueuedBlocks();
    // Runs one timer due at or before `limit`; returns false when none is due.
    bool runOneDueTimer(double limit);
    void advanceManualClock(ManualClock& clock, double target);
    void waitForWork(double maxRealSeconds);
    // A manual clock this loop follows has moved: timers may have fallen due.
    void wakeForClock();
    // Wakes a wait on the condition or on the outside source.
    void wakeWaiters();
    std::shared_ptr<RunLoopEventSource> eventSource() const;

    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<std::function<void()>> m_blocks;
    std::map<TimerKey, std::function<void()>> m_timers;
    std::map<uint64_t, TimerKey> m_timerIndex;
    uint64_t m_nextTimerId = 1;
    std::shared_ptr<RunLoopClock> m_clock;
    std::shared_ptr<RunLoopEventSource> m_eventSource;
    bool m_stopRequested = false;
    int m_running = 0; // nesting depth of run()
};
