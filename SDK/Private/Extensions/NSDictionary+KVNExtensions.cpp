#include "Private/Extensions/NSDictionary+KVNExtensions.h"

#include <cmath>
#include <limits>

namespace KVNExtensions {

namespace {

const JSONValue* valueFor(const JSONValue& object, const std::string& key)
{
    if (!object.is_object())
        return nullptr;
    auto it = object.find(key);
    return it == object.end() ? nullptr : &*it;
}

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

std::optional<bool> textTruthValue(const std::string& text)
{
    size_t i = 0;
    while (i < text.size() && isBlank(text[i]))
        ++i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        ++i;
    while (i < text.size() && text[i] == '0')
        ++i;
    if (i == text.size())
        return false;
    char c = text[i];
    return c == 'Y' || c == 'y' || c == 'T' || c == 't' || (c >= '1' && c <= '9');
}

long textIntegerValue(const std::string& text)
{
    size_t i = 0;
    while (i < text.size() && isBlank(text[i]))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    // Accumulate as a negative number so that the most negative long fits, then clamp.
    constexpr long minimum = std::numeric_limits<long>::min();
    long value = 0;
    bool overflow = false;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        int digit = text[i] - '0';
        if (value < (minimum + digit) / 10) {
            overflow = true;
            break;
        }
        value = value * 10 - digit;
    }
    if (overflow)
        return negative ? minimum : std::numeric_limits<long>::max();
    if (negative)
        return value;
    return value == minimum ? std::numeric_limits<long>::max() : -value;
}

long doubleIntegerValue(double d)
{
    if (std::isnan(d))
        return 0;
    // Out-of-range conversion of a floating value is undefined in C++: clamp first.
    if (d >= 9223372036854775808.0)
        return std::numeric_limits<long>::max();
    if (d < -9223372036854775808.0)
        return std::numeric_limits<long>::min();
    return static_cast<long>(d);
}

std::optional<bool> truthValue(const JSONValue& v)
{
    switch (v.type()) {
    case JSONValue::value_t::boolean:
        return v.get<bool>();
    case JSONValue::value_t::number_integer:
        return v.get<long>() != 0;
    case JSONValue::value_t::number_unsigned:
        return v.get<unsigned long>() != 0;
    case JSONValue::value_t::number_float:
        return v.get<double>() != 0.0;
    case JSONValue::value_t::string:
        return textTruthValue(v.get_ref<const std::string&>());
    default:
        return std::nullopt;
    }
}

std::optional<long> integerValue(const JSONValue& v)
{
    switch (v.type()) {
    case JSONValue::value_t::boolean:
        return v.get<bool>() ? 1 : 0;
    case JSONValue::value_t::number_integer:
        return v.get<long>();
    case JSONValue::value_t::number_unsigned: {
        unsigned long u = v.get<unsigned long>();
        return u > static_cast<unsigned long>(std::numeric_limits<long>::max()) ? std::numeric_limits<long>::max()
                                                                                  : static_cast<long>(u);
    }
    case JSONValue::value_t::number_float:
        return doubleIntegerValue(v.get<double>());
    case JSONValue::value_t::string:
        return textIntegerValue(v.get_ref<const std::string&>());
    default:
        return std::nullopt;
    }
}

} // namespace

bool keyExists(const JSONValue& object, const std::string& key)
{
    return valueFor(object, key) != nullptr;
}

std::optional<std::string> stringForKey(const JSONValue& object, const std::string& key)
{
    const JSONValue* v = valueFor(object, key);
    if (!v || !v->is_string())
        return std::nullopt;
    return v->get<std::string>();
}

bool boolForKey(const JSONValue& object, const std::string& key)
{
    return boolForKey_withDefault(object, key, false);
}

bool boolForKey_withDefault(const JSONValue& object, const std::string& key, bool defaultValue)
{
    bool value = defaultValue;
    boolForKey_boolvalue(object, key, value);
    return value;
}

bool boolForKey_boolvalue(const JSONValue& object, const std::string& key, bool& value)
{
    const JSONValue* v = valueFor(object, key);
    if (!v)
        return false;
    auto truth = truthValue(*v);
    if (!truth)
        return false;
    value = *truth;
    return true;
}

long intForKey(const JSONValue& object, const std::string& key)
{
    long value = 0;
    intForKey_integer(object, key, value);
    return value;
}

bool intForKey_integer(const JSONValue& object, const std::string& key, long& value)
{
    const JSONValue* v = valueFor(object, key);
    if (!v)
        return false;
    auto integer = integerValue(*v);
    if (!integer)
        return false;
    value = *integer;
    return true;
}

} // namespace KVNExtensions
