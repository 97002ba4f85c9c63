#pragma once
// A timer on the run loop of the thread that schedules it (the main run loop for library
// and UI code). It fires on the loop's clock; the loop holds the timer while it is valid, so
// a repeating timer lives until invalidated. Main thread.
#include <cstdint>
#include <functional>
#include <memory>

class NSRunLoop;

class NSTimer : public std::enable_shared_from_this<NSTimer> {
public:
    using Block = std::function<void(const std::shared_ptr<NSTimer>&)>;

    static std::shared_ptr<NSTimer> scheduledTimerWithTimeInterval_repeats_block(double interval, bool repeats, Block block);

    void invalidate();
    bool isValid() const;
    double timeInterval() const;
    // Fires now, out of schedule; a non-repeating timer is then invalid.
    void fire();

    NSTimer(double interval, bool repeats, Block block);

private:
    void scheduleNext(double fireAt);
    void onFire(double scheduledAt);

    double m_interval;
    bool m_repeats;
    Block m_block;
    bool m_valid = true;
    uint64_t m_timerId = 0;
    std::weak_ptr<NSRunLoop> m_loop;
};
