#include "Foundation/RunLoopClock.h"

#include <chrono>

#include "Foundation/NSRunLoop.h"

namespace {
double steadySeconds()
{
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}
} // namespace

MonotonicClock::MonotonicClock() : m_origin(steadySeconds()) {}

double MonotonicClock::now() const { return steadySeconds() - m_origin; }

void ManualClock::setTime(double t)
{
    int64_t ns = toNs(t);
    int64_t current = m_nowNs.load();
    while (ns > current && !m_nowNs.compare_exchange_weak(current, ns)) {
    }
    std::vector<std::shared_ptr<NSRunLoop>> followers;
    {
        std::lock_guard lock(m_loopsMutex);
        for (auto& weak : m_followers)
            if (auto loop = weak.lock())
                followers.push_back(std::move(loop));
    }
    for (auto& loop : followers)
        loop->wakeForClock();
}

void ManualClock::attach(const std::shared_ptr<NSRunLoop>& loop)
{
    std::lock_guard lock(m_loopsMutex);
    std::erase_if(m_followers, [&](const std::weak_ptr<NSRunLoop>& weak) {
        auto follower = weak.lock();
        return !follower || follower == loop;
    });
    auto stepper = m_loop.lock();
    if (stepper == loop)
        return;
    // The main loop steps time whenever it shares the clock: tests advance it from the main
    // thread, and a loop of another thread must not be pumped from there.
    if (!stepper || loop == NSRunLoop::mainRunLoop()) {
        if (stepper)
            m_followers.push_back(stepper);
        m_loop = loop;
        return;
    }
    m_followers.push_back(loop);
}

std::shared_ptr<NSRunLoop> ManualClock::steppingLoop() const
{
    std::lock_guard lock(m_loopsMutex);
    return m_loop.lock();
}

void ManualClock::advance(double seconds)
{
    if (!(seconds >= 0))
        seconds = 0;
    double target = static_cast<double>(m_nowNs.load() + toNs(seconds)) / 1e9;
    auto loop = steppingLoop();
    if (!loop) {
        setTime(target);
        return;
    }
    loop->advanceManualClock(*this, target);
}
