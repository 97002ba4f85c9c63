#include <gtest/gtest.h>

#include "Foundation/NSDateFormatter.h"

namespace {

// 2019-03-05 14:30:07 UTC, a Tuesday.
constexpr NSDate kMoment = NSDate::dateWithTimeIntervalSince1970(1551796207);

NSDateFormatter& configured(NSDateFormatter& formatter, const std::string& locale, const std::string& zone)
{
    formatter.setLocale(NSLocale::localeWithLocaleIdentifier(locale));
    formatter.setTimeZone(NSTimeZone::timeZoneWithName(zone));
    return formatter;
}

} // namespace

TEST(NSDateFormatterTest, PatternsFormatInTheirLocaleAndZone)
{
    struct Case {
        const char* format;
        const char* locale;
        const char* zone;
        const char* expected;
    };
    const Case cases[] = {
        {"yyyy-MM-dd'T'HH:mm:ssZZ", "en_US_POSIX", "UTC", "2019-03-05T14:30:07+0000"},
        {"yyyy-MM-dd'T'HH:mm:ssZZ", "en_US_POSIX", "Europe/Berlin", "2019-03-05T15:30:07+0100"},
        {"dd.MM.yyyy HH:mm", "de_DE", "America/New_York", "05.03.2019 09:30"},
        {"EEEE, d. MMMM yyyy", "de_DE", "UTC", "Dienstag, 5. März 2019"},
        {"MMM d, h:mm a", "en_US", "UTC", "Mar 5, 2:30 PM"},
        {"HH:mm", "en_US", "Asia/Kolkata", "20:00"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.format);
        NSDateFormatter formatter;
        configured(formatter, c.locale, c.zone).setDateFormat(c.format);
        EXPECT_EQ(formatter.stringFromDate(kMoment), c.expected);
    }
}

TEST(NSDateFormatterTest, StylesAndWhicheverWasSetLast)
{
    NSDateFormatter formatter;
    configured(formatter, "en_US", "UTC");
    EXPECT_EQ(formatter.stringFromDate(kMoment), "") << "nothing set formats to nothing";
    formatter.setDateStyle(NSDateFormatterNoStyle);
    formatter.setTimeStyle(NSDateFormatterMediumStyle);
    auto time = formatter.stringFromDate(kMoment);
    EXPECT_EQ(time.rfind("2:30:07", 0), 0u) << time;
    EXPECT_NE(time.find("PM"), std::string::npos);
    EXPECT_EQ(time.find("2019"), std::string::npos) << "no date part";
    EXPECT_NE(formatter.dateFormat().find("mm:ss"), std::string::npos) << "the styles' own pattern";

    formatter.setDateFormat("yyyy");
    EXPECT_EQ(formatter.stringFromDate(kMoment), "2019");
    formatter.setDateStyle(NSDateFormatterShortStyle);
    formatter.setTimeStyle(NSDateFormatterNoStyle);
    EXPECT_EQ(formatter.stringFromDate(kMoment), "3/5/19");
}

TEST(NSDateFormatterTest, ParsingTakesTheWholeTextOrNothing)
{
    struct Case {
        const char* why;
        const char* text;
        std::optional<double> seconds;
    };
    const Case cases[] = {
        {"the service's stamp", "2019-03-05T15:30:07+0100", 1551796207},
        {"in UTC", "2019-03-05T14:30:07+0000", 1551796207},
        {"trailing text", "2019-03-05T14:30:07+0000 ", std::nullopt},
        {"a month that does not exist", "2019-13-05T14:30:07+0000", std::nullopt},
        {"no zone", "2019-03-05T14:30:07", std::nullopt},
        {"garbage", "yesterday", std::nullopt},
        {"empty", "", std::nullopt},
    };
    NSDateFormatter formatter;
    configured(formatter, "en_US_POSIX", "UTC").setDateFormat("yyyy-MM-dd'T'HH:mm:ssZZ");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        auto date = formatter.dateFromString(c.text);
        ASSERT_EQ(date.has_value(), c.seconds.has_value());
        if (date) {
            EXPECT_EQ(date->timeIntervalSince1970(), *c.seconds);
        }
    }
}

TEST(NSDateFormatterTest, ZonesByNameAndOffset)
{
    EXPECT_EQ(NSTimeZone::timeZoneWithName("Nowhere/Atlantis"), nullptr);
    auto berlin = NSTimeZone::timeZoneWithName("Europe/Berlin");
    ASSERT_NE(berlin, nullptr);
    EXPECT_EQ(berlin->secondsFromGMTForDate(kMoment), 3600);
    EXPECT_EQ(berlin->secondsFromGMTForDate(NSDate::dateWithTimeIntervalSince1970(1562335200)), 7200) << "summer time";
    auto fixed = NSTimeZone::timeZoneForSecondsFromGMT(-(5 * 3600 + 30 * 60));
    ASSERT_NE(fixed, nullptr);
    EXPECT_EQ(fixed->name(), "GMT-0530");
    EXPECT_EQ(NSTimeZone::timeZoneForSecondsFromGMT(20 * 3600), nullptr);

    NSDateFormatter formatter;
    formatter.setLocale(NSLocale::localeWithLocaleIdentifier("en_US_POSIX"));
    formatter.setTimeZone(fixed);
    formatter.setDateFormat("HH:mm");
    EXPECT_EQ(formatter.stringFromDate(kMoment), "09:00");
}
