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
}

void ManualClock::advance(double seconds)
{
    if (!(seconds >= 0))
        seconds = 0;
    double target = static_cast<double>(m_nowNs.load() + toNs(seconds)) / 1e9;
    auto loop = m_loop.lock();
    if (!loop) {
        setTime(target);
        return;
    }
    loop->advanceManualClock(*this, target);
}
