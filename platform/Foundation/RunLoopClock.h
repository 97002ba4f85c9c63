#pragma once
// The time source of a run loop. Every timer, delay and animation reads the time of the
// run loop it is scheduled on, so tests can swap the real clock for a manual one and step
// time instead of sleeping. Read from any thread.
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

class NSRunLoop;

class RunLoopClock {
public:
    virtual ~RunLoopClock() = default;
    // Seconds since an arbitrary origin; never goes backwards.
    virtual double now() const = 0;
    // True when time moves only when told to (then waiting in real time would never make
    // a timer fall due).
    virtual bool isManual() const { return false; }
};

// The real program's clock: steady, unaffected by wall-clock changes.
class MonotonicClock : public RunLoopClock {
public:
    MonotonicClock();
    double now() const override;

private:
    double m_origin;
};

// A clock that stands still until advanced. advance() moves time forward in steps, one per
// timer that falls due on the way, firing each timer at its own time and running the main
// queue's work in between, so that the order of events is the one the real clock would give.
// The main run loop steps it; other loops on the same clock (the media thread's) run on
// threads of their own and are woken at every step to fire what fell due.
class ManualClock : public RunLoopClock {
public:
    explicit ManualClock(double start = 0.0) : m_nowNs(toNs(start)) {}
    double now() const override { return static_cast<double>(m_nowNs.load()) / 1e9; }
    bool isManual() const override { return true; }

    // On the main thread: moves time and fires what falls due. From another thread it only
    // moves time; the main loop fires the timers when it next turns. Negative steps count as 0.
    void advance(double seconds);

private:
    friend class NSRunLoop;
    void setTime(double t);
    void attach(const std::shared_ptr<NSRunLoop>& loop);
    std::shared_ptr<NSRunLoop> steppingLoop() const;
    static int64_t toNs(double seconds) { return static_cast<int64_t>(seconds * 1e9 + (seconds < 0 ? -0.5 : 0.5)); }

    // Whole nanoseconds, so that ten steps of 0.1 s land exactly on 1.0 s.
    std::atomic<int64_t> m_nowNs;
    mutable std::mutex m_loopsMutex;
    std::weak_ptr<NSRunLoop> m_loop;
    std::vector<std::weak_ptr<NSRunLoop>> m_followers;
};
