#pragma once
// Turns dates into text and back, by a pattern (Unicode date field symbols: "yyyy-MM-dd'T'
// HH:mm:ssZZ") or by date and time styles, in a locale and a time zone (ICU underneath).
// Whichever of pattern or styles was set last decides. Parsing takes the whole text or
// nothing. A formatter may be shared between threads.
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "Foundation/NSDate.h"
#include "Foundation/NSLocale.h"
#include "Foundation/NSTimeZone.h"

enum NSDateFormatterStyle : long {
    NSDateFormatterNoStyle = 0,
    NSDateFormatterShortStyle = 1,
    NSDateFormatterMediumStyle = 2,
    NSDateFormatterLongStyle = 3,
    NSDateFormatterFullStyle = 4,
};

class NSDateFormatter {
public:
    NSDateFormatter();
    ~NSDateFormatter();
    NSDateFormatter(const NSDateFormatter&) = delete;
    NSDateFormatter& operator=(const NSDateFormatter&) = delete;

    std::string dateFormat() const;
    void setDateFormat(const std::string& format);
    NSDateFormatterStyle dateStyle() const;
    void setDateStyle(NSDateFormatterStyle style);
    NSDateFormatterStyle timeStyle() const;
    void setTimeStyle(NSDateFormatterStyle style);
    // nil: the current locale, local time zone.
    std::shared_ptr<NSLocale> locale() const;
    void setLocale(std::shared_ptr<NSLocale> locale);
    std::shared_ptr<NSTimeZone> timeZone() const;
    void setTimeZone(std::shared_ptr<NSTimeZone> timeZone);

    // Empty without a pattern and with both styles none.
    std::string stringFromDate(const NSDate& date) const;
    // nullopt when the text does not match the pattern (or styles) in full.
    std::optional<NSDate> dateFromString(const std::string& text) const;

private:
    struct Engine;
    Engine& engine() const; // under m_mutex

    mutable std::mutex m_mutex;
    std::string m_dateFormat;
    NSDateFormatterStyle m_dateStyle = NSDateFormatterNoStyle;
    NSDateFormatterStyle m_timeStyle = NSDateFormatterNoStyle;
    bool m_usesStyles = false;
    std::shared_ptr<NSLocale> m_locale;
    std::shared_ptr<NSTimeZone> m_timeZone;
    mutable std::unique_ptr<Engine> m_engine;
};
