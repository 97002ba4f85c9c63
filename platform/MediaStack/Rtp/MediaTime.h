#pragma once
// The time the RTP layer works in: points on the monotonic clock, always passed in by the
// caller (the stack's run loop clock, or a test's manual one), never read here.
#include <chrono>

namespace mediastack::rtp {

using MediaTime = std::chrono::steady_clock::time_point;
using MediaDuration = std::chrono::steady_clock::duration;

}
