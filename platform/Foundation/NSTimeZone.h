#pragma once
// A time zone, named as the tz database names it ("Europe/Berlin", "UTC") or as a fixed
// offset from GMT ("GMT+0130"), backed by ICU. The local zone is the TZ variable's, else
// ICU's default. Immutable, shared; any thread.
#include <memory>
#include <string>

#include "Foundation/NSDate.h"

class NSTimeZone {
public:
    explicit NSTimeZone(std::string name) : m_name(std::move(name)) {}

    // nullptr for a name ICU does not know.
    static std::shared_ptr<NSTimeZone> timeZoneWithName(const std::string& name);
    // nullptr beyond ±18 hours.
    static std::shared_ptr<NSTimeZone> timeZoneForSecondsFromGMT(long seconds);
    static std::shared_ptr<NSTimeZone> localTimeZone();

    const std::string& name() const { return m_name; }
    // The offset from GMT at `date`, daylight saving included.
    long secondsFromGMTForDate(const NSDate& date) const;

private:
    std::string m_name;
};
