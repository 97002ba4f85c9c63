#pragma once
// A plain stopwatch record on the system's monotonic tick counter, with the three functions
// that work on it in place. The settings own one (started when they are made, restarted when
// the agent connects and stopped by the call to log its timings); the video screen keeps two
// more. A record is used on one thread at a time (the main thread in this library).
//
// Ticks are nanoseconds of CLOCK_MONOTONIC here, so the timebase is 1/1; the fields keep the
// tick-and-timebase form so that the arithmetic stays the same on a counter with another rate.
#include <cstdint>
#include <functional>

// Nanoseconds per tick = numer / denom.
struct IdentTimerTimebaseInfo {
    uint32_t numer = 0;
    uint32_t denom = 0;
};

struct IdentTimer {
    IdentTimerTimebaseInfo m_timeBaseInfo;
    uint64_t t0 = 0;        // ticks at the start
    uint64_t t1 = 0;        // ticks at the stop
    double m_elapsed = 0;   // seconds from t0 to t1
    int32_t m_millis = 0;   // hundredths (not thousandths) of a second from t0 to t1
    int32_t m_seconds = 0;  // whole seconds from t0 to t1
};

// Fills the record's timebase from the system's.
void IdentTimerInit(IdentTimer* timer);
// Zeroes t1 and the elapsed fields, then takes the current tick count as t0.
void IdentTimerStart(IdentTimer* timer);
// Takes the current tick count as t1 and computes the elapsed fields from t0. t0 stays, so
// a second stop measures again from the same start.
void IdentTimerStop(IdentTimer* timer);

// Tests: replaces the tick counter (an empty function goes back to the system's), so a
// stopwatch can be stepped without waiting. Main thread.
void IdentTimerSetTickSourceForTesting(std::function<uint64_t()> tickSource);
