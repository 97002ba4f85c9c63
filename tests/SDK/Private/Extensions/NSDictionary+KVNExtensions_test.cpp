#include <gtest/gtest.h>

#include <climits>

#include "Private/Extensions/NSDictionary+KVNExtensions.h"

using namespace KVNExtensions;
using json = JSONValue;

namespace {

// One value under "k"; nullopt as the value means the key is absent.
json objectWith(const std::optional<json>& value)
{
    json object = json::object();
    object["other"] = 1;
    if (value)
        object["k"] = *value;
    return object;
}

} // namespace

TEST(NSDictionaryKVNExtensions, TruthValues)
{
    struct Case {
        std::optional<json> value;
        std::optional<bool> truth; // nullopt: no truth value, counts as missing
        const char* why;
    };
    const Case cases[] = {
        {std::nullopt, std::nullopt, "absent"},
        {json(nullptr), std::nullopt, "JSON null has no truth value"},
        {json::array({1}), std::nullopt, "an array has none"},
        {json::object({{"a", 1}}), std::nullopt, "an object has none"},
        {json(true), true, "boolean"},
        {json(false), false, "boolean"},
        {json(0), false, "zero"},
        {json(2), true, "non-zero"},
        {json(-1), true, "negative"},
        {json(0.0), false, "float zero"},
        {json(0.25), true, "float non-zero"},
        {json("YES"), true, "Y"},
        {json("yes"), true, "y"},
        {json("true"), true, "t"},
        {json("True"), true, "T"},
        {json("false"), false, "f"},
        {json("no"), false, "n"},
        {json(""), false, "empty text"},
        {json("1"), true, "digit"},
        {json("0"), false, "zero digit"},
        {json("  007"), true, "blanks and zeros before a digit"},
        {json("000"), false, "zeros only"},
        {json("-5"), true, "sign before a digit"},
        {json(" +0t"), true, "sign and zeros before t"},
        {json("x1"), false, "only the first significant character counts"},
    };
    for (const auto& c : cases) {
        json object = objectWith(c.value);
        EXPECT_EQ(boolForKey(object, "k"), c.truth.value_or(false)) << c.why;
        EXPECT_EQ(boolForKey_withDefault(object, "k", true), c.truth.value_or(true)) << c.why;
        bool out = true;
        EXPECT_EQ(boolForKey_boolvalue(object, "k", out), c.truth.has_value()) << c.why;
        EXPECT_EQ(out, c.truth.value_or(true)) << c.why << " (out-parameter untouched when missing)";
        out = false;
        boolForKey_boolvalue(object, "k", out);
        EXPECT_EQ(out, c.truth.value_or(false)) << c.why;
    }
}

TEST(NSDictionaryKVNExtensions, IntegerValues)
{
    struct Case {
        std::optional<json> value;
        std::optional<long> integer;
        const char* why;
    };
    const Case cases[] = {
        {std::nullopt, std::nullopt, "absent"},
        {json(nullptr), std::nullopt, "null"},
        {json::array(), std::nullopt, "array"},
        {json(42), 42, "integer"},
        {json(-7), -7, "negative integer"},
        {json(3.9), 3, "float truncates"},
        {json(-3.9), -3, "toward zero"},
        {json(1e30), LONG_MAX, "huge float clamps"},
        {json(-1e30), LONG_MIN, "huge negative float clamps"},
        {json(18446744073709551615ull), LONG_MAX, "unsigned above the range clamps"},
        {json(true), 1, "boolean"},
        {json(false), 0, "boolean"},
        {json("12abc"), 12, "leading decimal number of a text"},
        {json("  -15"), -15, "blanks and sign"},
        {json("+8"), 8, "plus sign"},
        {json("abc"), 0, "a text without a number is 0, yet present"},
        {json("3.7"), 3, "stops at the point"},
        {json("99999999999999999999"), LONG_MAX, "text overflow clamps"},
        {json("-99999999999999999999"), LONG_MIN, "text underflow clamps"},
        {json("-9223372036854775808"), LONG_MIN, "the most negative value fits"},
    };
    for (const auto& c : cases) {
        json object = objectWith(c.value);
        EXPECT_EQ(intForKey(object, "k"), c.integer.value_or(0)) << c.why;
        long out = -99;
        EXPECT_EQ(intForKey_integer(object, "k", out), c.integer.has_value()) << c.why;
        EXPECT_EQ(out, c.integer.value_or(-99)) << c.why;
    }
}

TEST(NSDictionaryKVNExtensions, StringsAndPresence)
{
    json object = {{"text", "hello"}, {"number", 5}, {"null", nullptr}, {"empty", ""}};
    EXPECT_EQ(stringForKey(object, "text"), "hello");
    EXPECT_EQ(stringForKey(object, "empty"), "");
    EXPECT_EQ(stringForKey(object, "number"), std::nullopt) << "a number is not a text";
    EXPECT_EQ(stringForKey(object, "null"), std::nullopt);
    EXPECT_EQ(stringForKey(object, "missing"), std::nullopt);

    EXPECT_TRUE(keyExists(object, "null")) << "a null value is present";
    EXPECT_TRUE(keyExists(object, "number"));
    EXPECT_FALSE(keyExists(object, "missing"));
}

TEST(NSDictionaryKVNExtensions, ReceiverThatIsNotAnObjectHasNoKeys)
{
    for (const json& receiver : {json(nullptr), json::array({"k"}), json("k"), json(1)}) {
        EXPECT_FALSE(keyExists(receiver, "k"));
        EXPECT_EQ(stringForKey(receiver, "k"), std::nullopt);
        EXPECT_FALSE(boolForKey(receiver, "k"));
        EXPECT_EQ(intForKey(receiver, "k"), 0);
    }
}
