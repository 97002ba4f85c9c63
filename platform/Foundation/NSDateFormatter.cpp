#include "Foundation/NSDateFormatter.h"

#include <unicode/datefmt.h>
#include <unicode/locid.h>
#include <unicode/parsepos.h>
#include <unicode/smpdtfmt.h>
#include <unicode/timezone.h>
#include <unicode/unistr.h>

#include "Foundation/NSLog.h"

struct NSDateFormatter::Engine {
    std::unique_ptr<icu::DateFormat> format; // none: formats to "" and parses nothing
};

namespace {

icu::DateFormat::EStyle icuStyle(NSDateFormatterStyle style)
{
    switch (style) {
    case NSDateFormatterShortStyle:
        return icu::DateFormat::kShort;
    case NSDateFormatterMediumStyle:
        return icu::DateFormat::kMedium;
    case NSDateFormatterLongStyle:
        return icu::DateFormat::kLong;
    case NSDateFormatterFullStyle:
        return icu::DateFormat::kFull;
    default:
        return icu::DateFormat::kNone;
    }
}

NSDateFormatterStyle sanitized(NSDateFormatterStyle style)
{
    return style >= NSDateFormatterNoStyle && style <= NSDateFormatterFullStyle ? style : NSDateFormatterNoStyle;
}

} // namespace

NSDateFormatter::NSDateFormatter() = default;
NSDateFormatter::~NSDateFormatter() = default;

std::string NSDateFormatter::dateFormat() const
{
    std::lock_guard lock(m_mutex);
    if (!m_usesStyles)
        return m_dateFormat;
    // The pattern the styles stand for, as the platform answers it.
    auto* simple = dynamic_cast<icu::SimpleDateFormat*>(engine().format.get());
    if (!simple)
        return {};
    icu::UnicodeString pattern;
    simple->toPattern(pattern);
    std::string text;
    pattern.toUTF8String(text);
    return text;
}

void NSDateFormatter::setDateFormat(const std::string& format)
{
    std::lock_guard lock(m_mutex);
    m_dateFormat = format;
    m_usesStyles = false;
    m_engine.reset();
}

NSDateFormatterStyle NSDateFormatter::dateStyle() const
{
    std::lock_guard lock(m_mutex);
    return m_dateStyle;
}

void NSDateFormatter::setDateStyle(NSDateFormatterStyle style)
{
    std::lock_guard lock(m_mutex);
    m_dateStyle = sanitized(style);
    m_usesStyles = true;
    m_engine.reset();
}

NSDateFormatterStyle NSDateFormatter::timeStyle() const
{
    std::lock_guard lock(m_mutex);
    return m_timeStyle;
}

void NSDateFormatter::setTimeStyle(NSDateFormatterStyle style)
{
    std::lock_guard lock(m_mutex);
    m_timeStyle = sanitized(style);
    m_usesStyles = true;
    m_engine.reset();
}

std::shared_ptr<NSLocale> NSDateFormatter::locale() const
{
    std::lock_guard lock(m_mutex);
    return m_locale ? m_locale : NSLocale::currentLocale();
}

void NSDateFormatter::setLocale(std::shared_ptr<NSLocale> locale)
{
    std::lock_guard lock(m_mutex);
    m_locale = std::move(locale);
    m_engine.reset();
}

std::shared_ptr<NSTimeZone> NSDateFormatter::timeZone() const
{
    std::lock_guard lock(m_mutex);
    return m_timeZone ? m_timeZone : NSTimeZone::localTimeZone();
}

void NSDateFormatter::setTimeZone(std::shared_ptr<NSTimeZone> timeZone)
{
    std::lock_guard lock(m_mutex);
    m_timeZone = std::move(timeZone);
    m_engine.reset();
}

NSDateFormatter::Engine& NSDateFormatter::engine() const
{
    if (m_engine)
        return *m_engine;
    m_engine = std::make_unique<Engine>();
    auto locale = m_locale ? m_locale : NSLocale::currentLocale();
    auto icuLocale = icu::Locale::createFromName(locale->localeIdentifier().c_str());
    UErrorCode status = U_ZERO_ERROR;
    if (m_usesStyles) {
        if (m_dateStyle != NSDateFormatterNoStyle || m_timeStyle != NSDateFormatterNoStyle)
            m_engine->format.reset(icu::DateFormat::createDateTimeInstance(icuStyle(m_dateStyle), icuStyle(m_timeStyle), icuLocale));
    } else if (!m_dateFormat.empty()) {
        m_engine->format = std::make_unique<icu::SimpleDateFormat>(icu::UnicodeString::fromUTF8(m_dateFormat), icuLocale, status);
        if (U_FAILURE(status)) {
            NSLog("NSDateFormatter: the date format \"%s\" is not a pattern ICU accepts (%s); dates format to nothing",
                  m_dateFormat.c_str(), u_errorName(status));
            m_engine->format.reset();
        }
    }
    if (m_engine->format) {
        auto zone = m_timeZone ? m_timeZone : NSTimeZone::localTimeZone();
        m_engine->format->adoptTimeZone(icu::TimeZone::createTimeZone(icu::UnicodeString::fromUTF8(zone->name())));
        m_engine->format->setLenient(false);
    }
    return *m_engine;
}

std::string NSDateFormatter::stringFromDate(const NSDate& date) const
{
    std::lock_guard lock(m_mutex);
    auto& format = engine().format;
    if (!format)
        return {};
    icu::UnicodeString text;
    format->format(date.timeIntervalSince1970() * 1000.0, text);
    std::string out;
    text.toUTF8String(out);
    return out;
}

std::optional<NSDate> NSDateFormatter::dateFromString(const std::string& text) const
{
    std::lock_guard lock(m_mutex);
    auto& format = engine().format;
    if (!format || text.empty())
        return std::nullopt;
    auto unicode = icu::UnicodeString::fromUTF8(text);
    icu::ParsePosition position(0);
    UDate milliseconds = format->parse(unicode, position);
    if (position.getErrorIndex() >= 0 || position.getIndex() != unicode.length())
        return std::nullopt;
    return NSDate::dateWithTimeIntervalSince1970(milliseconds / 1000.0);
}
