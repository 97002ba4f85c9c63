#include "Foundation/NSTimeZone.h"

#include <cstdio>
#include <cstdlib>
#include <memory>

#include <unicode/timezone.h>
#include <unicode/unistr.h>

namespace {

std::unique_ptr<icu::TimeZone> icuZone(const std::string& name)
{
    return std::unique_ptr<icu::TimeZone>(icu::TimeZone::createTimeZone(icu::UnicodeString::fromUTF8(name)));
}

bool known(const icu::TimeZone& zone) { return zone != icu::TimeZone::getUnknown(); }

} // namespace

std::shared_ptr<NSTimeZone> NSTimeZone::timeZoneWithName(const std::string& name)
{
    auto zone = icuZone(name);
    if (!zone || !known(*zone))
        return nullptr;
    return std::make_shared<NSTimeZone>(name);
}

std::shared_ptr<NSTimeZone> NSTimeZone::timeZoneForSecondsFromGMT(long seconds)
{
    if (seconds < -18 * 3600 || seconds > 18 * 3600)
        return nullptr;
    long minutes = (seconds < 0 ? -seconds : seconds) / 60;
    char name[16];
    std::snprintf(name, sizeof name, "GMT%c%02ld%02ld", seconds < 0 ? '-' : '+', minutes / 60, minutes % 60);
    return std::make_shared<NSTimeZone>(name);
}

std::shared_ptr<NSTimeZone> NSTimeZone::localTimeZone()
{
    if (const char* tz = std::getenv("TZ"); tz && *tz)
        if (auto zone = timeZoneWithName(tz[0] == ':' ? tz + 1 : tz))
            return zone;
    std::unique_ptr<icu::TimeZone> zone(icu::TimeZone::createDefault());
    icu::UnicodeString id;
    zone->getID(id);
    std::string name;
    id.toUTF8String(name);
    return std::make_shared<NSTimeZone>(name.empty() ? "UTC" : name);
}

long NSTimeZone::secondsFromGMTForDate(const NSDate& date) const
{
    auto zone = icuZone(m_name);
    int32_t raw = 0, dst = 0;
    UErrorCode status = U_ZERO_ERROR;
    zone->getOffset(date.timeIntervalSince1970() * 1000.0, false, raw, dst, status);
    return U_SUCCESS(status) ? (raw + dst) / 1000 : 0;
}
