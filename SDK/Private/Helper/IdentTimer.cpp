#include "Private/Helper/IdentTimer.h"

#include <cmath>
#include <cstdint>
#include <ctime>
#include <utility>

namespace {

std::function<uint64_t()>& tickSourceOverride()
{
    static std::function<uint64_t()> source;
    return source;
}

// Truncation toward zero; a value beyond the field's range (a counter that ran backwards under
// a test source, or months of uptime) saturates rather than overflow.
int32_t truncatedField(double value)
{
    if (std::isnan(value))
        return 0;
    if (value <= -2147483648.0)
        return INT32_MIN;
    if (value >= 2147483648.0)
        return INT32_MAX;
    return static_cast<int32_t>(value);
}

uint64_t currentTicks()
{
    if (const auto& source = tickSourceOverride())
        return source();
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<uint64_t>(now.tv_sec) * 1000000000ull + static_cast<uint64_t>(now.tv_nsec);
}

} // namespace

void IdentTimerInit(IdentTimer* timer)
{
    if (!timer)
        return;
    // CLOCK_MONOTONIC counts nanoseconds.
    timer->m_timeBaseInfo.numer = 1;
    timer->m_timeBaseInfo.denom = 1;
}

void IdentTimerStart(IdentTimer* timer)
{
    if (!timer)
        return;
    timer->t1 = 0;
    timer->m_elapsed = 0;
    timer->m_millis = 0;
    timer->m_seconds = 0;
    timer->t0 = currentTicks();
}

void IdentTimerStop(IdentTimer* timer)
{
    if (!timer)
        return;
    timer->t1 = currentTicks();
    // A record whose timebase was never filled would divide by zero: count its ticks as
    // nanoseconds, which is what they are here.
    const double numer = timer->m_timeBaseInfo.denom ? timer->m_timeBaseInfo.numer : 1.0;
    const double denom = timer->m_timeBaseInfo.denom ? timer->m_timeBaseInfo.denom : 1.0;
    timer->m_elapsed = static_cast<double>(timer->t1 - timer->t0) * numer / denom / 1000000000.0;
    timer->m_seconds = truncatedField(timer->m_elapsed);
    timer->m_millis = truncatedField(timer->m_elapsed * 100);
}

void IdentTimerSetTickSourceForTesting(std::function<uint64_t()> tickSource)
{
    tickSourceOverride() = std::move(tickSource);
}
