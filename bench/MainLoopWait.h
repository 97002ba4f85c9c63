#pragma once
// What the call benchmarks share: turning the main run loop until a condition holds.
// Main thread only.
#include <chrono>
#include <functional>

#include "Foundation/NSRunLoop.h"

namespace kvn::bench {

// Turns the main run loop until `done` holds or `seconds` have passed; whether it holds.
// `slice` bounds how late a condition that nothing posts about (a media thread's counter) is
// seen.
inline bool runMainLoopUntil(const std::function<bool()>& done, double seconds, double slice = 0.01)
{
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
    auto loop = NSRunLoop::mainRunLoop();
    while (!done()) {
        if (Clock::now() >= deadline)
            return false;
        loop->spin_until(done, slice);
    }
    return true;
}

} // namespace kvn::bench
