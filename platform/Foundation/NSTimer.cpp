#include "Foundation/NSTimer.h"

#include <cmath>

#include "Foundation/NSRunLoop.h"

namespace {
// The platform's floor for an interval of zero or less.
constexpr double kMinimumInterval = 0.0001;
} // namespace

NSTimer::NSTimer(double interval, bool repeats, Block block)
    : m_interval(interval > 0 ? interval : kMinimumInterval), m_repeats(repeats), m_block(std::move(block))
{
}

std::shared_ptr<NSTimer> NSTimer::scheduledTimerWithTimeInterval_repeats_block(double interval, bool repeats, Block block)
{
    auto timer = std::make_shared<NSTimer>(interval, repeats, std::move(block));
    auto loop = NSRunLoop::currentRunLoop();
    timer->m_loop = loop;
    timer->scheduleNext(loop->now() + timer->m_interval);
    return timer;
}

void NSTimer::scheduleNext(double fireAt)
{
    auto loop = m_loop.lock();
    if (!loop)
        return;
    // The closure owns the timer: the run loop keeps it alive while it is scheduled.
    m_timerId = loop->scheduleAt(fireAt, [self = shared_from_this(), fireAt] { self->onFire(fireAt); });
}

void NSTimer::onFire(double scheduledAt)
{
    if (!m_valid)
        return;
    auto self = shared_from_this();
    if (m_repeats) {
        // Missed firings are skipped, not made up in a burst.
        double next = scheduledAt + m_interval;
        if (auto loop = m_loop.lock()) {
            double now = loop->now();
            if (next <= now)
                next = scheduledAt + m_interval * (std::floor((now - scheduledAt) / m_interval) + 1);
        }
        scheduleNext(next);
    }
    // A copy: the block may invalidate the timer, which releases m_block.
    Block block = m_block;
    if (block)
        block(self);
    if (!m_repeats)
        invalidate();
}

void NSTimer::invalidate()
{
    if (!m_valid)
        return;
    auto keepAlive = weak_from_this().lock(); // the run loop may hold the last reference
    m_valid = false;
    if (auto loop = m_loop.lock())
        loop->cancelTimer(m_timerId);
    // Drop the block now: it often captures the object that owns this timer.
    m_block = nullptr;
}

bool NSTimer::isValid() const { return m_valid; }

double NSTimer::timeInterval() const { return m_repeats ? m_interval : 0.0; }

void NSTimer::fire()
{
    if (!m_valid)
        return;
    auto self = shared_from_this();
    Block block = m_block;
    if (block)
        block(self);
    if (!m_repeats)
        invalidate();
}
