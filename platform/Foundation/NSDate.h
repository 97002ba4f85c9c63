#pragma once
// A point in time: seconds since 1970-01-01 00:00:00 UTC, fractions included. date() reads
// the wall clock (timers and animations use the run loop's clock instead). A plain value,
// usable from any thread.
#include <compare>

using NSTimeInterval = double;

class NSDate {
public:
    constexpr NSDate() = default;

    static NSDate date();
    static constexpr NSDate dateWithTimeIntervalSince1970(NSTimeInterval seconds) { return NSDate(seconds); }

    constexpr NSTimeInterval timeIntervalSince1970() const { return m_seconds; }
    constexpr NSTimeInterval timeIntervalSinceDate(const NSDate& other) const { return m_seconds - other.m_seconds; }
    constexpr NSDate dateByAddingTimeInterval(NSTimeInterval seconds) const { return NSDate(m_seconds + seconds); }

    constexpr auto operator<=>(const NSDate&) const = default;

private:
    constexpr explicit NSDate(NSTimeInterval seconds) : m_seconds(seconds) {}

    NSTimeInterval m_seconds = 0;
};
