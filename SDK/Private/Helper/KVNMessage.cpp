#include "Private/Helper/KVNMessage.h"

#include <algorithm>
#include <cmath>
#include <ctime>
#include <mutex>

#include <unicode/smpdtfmt.h>

#include "Foundation/NSString.h"
#include "Private/Extensions/NSDictionary+KVNExtensions.h"
#include "Private/Extensions/UIColor+KVNExtensions.h"
#include "public/KavoniAppearance.h"

namespace {

// The clock counts nanoseconds in 64 bits, which reach only from 1677 to 2262: a time outside
// is held at the nearest end, so that it still sorts before or after every other.
KVNMessage::Date dateFromMilliseconds(double millisecondsSinceEpoch)
{
    using std::chrono::milliseconds;
    const auto earliest = std::chrono::ceil<milliseconds>(KVNMessage::Date::min()).time_since_epoch().count();
    const auto latest = std::chrono::floor<milliseconds>(KVNMessage::Date::max()).time_since_epoch().count();
    const double held = std::clamp(millisecondsSinceEpoch, static_cast<double>(earliest), static_cast<double>(latest));
    return KVNMessage::Date(milliseconds(static_cast<milliseconds::rep>(std::llround(held))));
}

// The service's time stamps. The POSIX locale keeps the device's calendar and digits out of
// the parse; strict, so that a text that is not exactly this format gives no date.
class TimestampParser {
public:
    TimestampParser()
    {
        UErrorCode status = U_ZERO_ERROR;
        m_format = std::make_unique<icu::SimpleDateFormat>(icu::UnicodeString("yyyy-MM-dd'T'HH:mm:ssZZ"), icu::Locale("en_US_POSIX"),
                                                           status);
        if (U_FAILURE(status))
            m_format.reset();
        else
            m_format->setLenient(false);
    }

    std::optional<KVNMessage::Date> parse(const std::string& text)
    {
        if (!m_format)
            return std::nullopt;
        const icu::UnicodeString unicode = icu::UnicodeString::fromUTF8(text);
        std::lock_guard lock(m_mutex); // ICU formats are not safe for concurrent use
        icu::ParsePosition position(0);
        const UDate milliseconds = m_format->parse(unicode, position);
        if (position.getErrorIndex() >= 0 || position.getIndex() != unicode.length() || !std::isfinite(milliseconds))
            return std::nullopt;
        return dateFromMilliseconds(milliseconds);
    }

private:
    std::mutex m_mutex;
    std::unique_ptr<icu::SimpleDateFormat> m_format;
};

TimestampParser& timestampParser()
{
    static TimestampParser parser;
    return parser;
}

std::string dateDescription(const KVNMessage::Date& date)
{
    // Whole seconds straight from the count: rounding down to seconds and converting back to
    // the clock's nanoseconds (to_time_t) overflows for a date held at the clock's lower end.
    const std::time_t seconds = std::chrono::floor<std::chrono::seconds>(date.time_since_epoch()).count();
    std::tm utc{};
    gmtime_r(&seconds, &utc);
    char buffer[64];
    std::strftime(buffer, sizeof buffer, "%Y-%m-%d %H:%M:%S +0000", &utc);
    return buffer;
}

} // namespace

std::optional<KVNMessage::Date> KVNMessage::dateFromTimestamp(const std::string& timestamp)
{
    return timestampParser().parse(timestamp);
}

void KVNMessage::initWithDictionary(const JSONValue& dictionary)
{
    if (auto timestamp = KVNExtensions::stringForKey(dictionary, "timestamp"))
        m_date = dateFromTimestamp(*timestamp);
    else
        m_date = std::nullopt;
    m_text = KVNExtensions::stringForKey(dictionary, "content").value_or(std::string());
    m_originator = KVNExtensions::stringForKey(dictionary, "originator");
}

std::shared_ptr<UIColor> KVNMessage::tintColor() const
{
    if (m_remote)
        return KVNExtensions::colorWithRGBHex(0xAFAFAF);
    return KavoniAppearance::sharedAppearance()->primaryBrandColor();
}

std::string KVNMessage::description() const
{
    const std::optional<std::string> date = m_date ? std::optional<std::string>(dateDescription(*m_date)) : std::nullopt;
    return NSString::stringWithFormat("text: %@, date: %@", m_text, date);
}
