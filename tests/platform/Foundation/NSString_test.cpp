// The format engine and the text helpers.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "Foundation/NSError.h"
#include "Foundation/NSString.h"

namespace {

struct Described {
    std::string description() const { return "<described>"; }
};

enum Status : long { StatusConnected = 7 };

TEST(StringWithFormat, Directives)
{
    std::optional<std::string> none;
    std::optional<std::string> some = "set";
    std::shared_ptr<Described> nullObject;
    const char* nullCString = nullptr;
    Described described;
    struct Case {
        std::string got;
        const char* expected;
        const char* why;
    } cases[] = {
        {NSString::stringWithFormat("%@", std::string("text")), "text", "std::string"},
        {NSString::stringWithFormat("%@", "literal"), "literal", "string literal"},
        {NSString::stringWithFormat("%@|%@", none, some), "(null)|set", "optional text: nil prints (null)"},
        {NSString::stringWithFormat("%@", nullCString), "(null)", "null C string"},
        {NSString::stringWithFormat("%@ %@ %@", 42, 2.5, 1.0), "42 2.5 1", "numbers through %@"},
        {NSString::stringWithFormat("%@", Described{}), "<described>", "description()"},
        {NSString::stringWithFormat("%@", std::make_shared<Described>()), "<described>", "description() through shared_ptr"},
        {NSString::stringWithFormat("%@", nullObject), "(null)", "null shared_ptr"},
        {NSString::stringWithFormat("%@|%@", &described, static_cast<const Described*>(nullptr)), "<described>|(null)", "raw pointers"},
        {NSString::stringWithFormat("%@", nlohmann::json{{"a", 1}}), "{\"a\":1}", "JSON prints compact"},
        {NSString::stringWithFormat("%d %i %ld %lld %zd", -1, 2, 3L, 4LL, static_cast<std::ptrdiff_t>(-5)), "-1 2 3 4 -5", "signed"},
        {NSString::stringWithFormat("%u %lu %zu", 1u, 2UL, size_t(3)), "1 2 3", "unsigned"},
        {NSString::stringWithFormat("%u|%lu", -1, -1L), "4294967295|18446744073709551615", "negative through %u sees its width"},
        {NSString::stringWithFormat("%x %X %#x %o", 255, 255, 255, 8), "ff FF 0xff 10", "hex and octal"},
        {NSString::stringWithFormat("%ld", StatusConnected), "7", "enumerations print their value"},
        {NSString::stringWithFormat("%d", true), "1", "bool"},
        {NSString::stringWithFormat("%s|%c", "cstr", 'A'), "cstr|A", "%s and %c"},
        {NSString::stringWithFormat("%f %.2f %e %g", 1.5, 3.14159, 1234.5, 0.0001), "1.500000 3.14 1.234500e+03 0.0001", "floating"},
        {NSString::stringWithFormat("%5d|%-5d|%05d|%+d", 42, 42, 42, 42), "   42|42   |00042|+42", "width and flags"},
        {NSString::stringWithFormat("%6.2f|%-8@|%8@|%.3@", 3.14159, "ab", "ab", "abcdef"), "  3.14|ab      |      ab|abc", "width/precision on text"},
        {NSString::stringWithFormat("%*d|%.*f", 4, 7, 1, 2.25), "   7|2.2", "star width and precision"},
        {NSString::stringWithFormat("%2$@ %1$@", "world", "hello"), "hello world", "positional"},
        {NSString::stringWithFormat("%1$@-%1$@", "x"), "x-x", "a positional argument used twice"},
        {NSString::stringWithFormat("100%% done"), "100% done", "percent"},
        {NSString::stringWithFormat("%.2@", "äöü"), "äö", "precision counts characters, not bytes"},
        {NSString::stringWithFormat("%@ error %ld.", std::string("de.kavoni.kavoni"), 1009L), "de.kavoni.kavoni error 1009.", "error text"},
        {NSString::stringWithFormat("WebSocket didClose - code: %ld reason: %@\n", 1001L, std::string("gone")),
         "WebSocket didClose - code: 1001 reason: gone\n", "log line"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.got, c.expected) << c.why;
}

TEST(StringWithFormat, MismatchesPrintWhatTheyCanAndNeverCrash)
{
    struct Case {
        std::string got;
        const char* expected;
        const char* why;
    } cases[] = {
        {NSString::stringWithFormat("%@ and %@", "one"), "one and %@", "missing argument prints the directive"},
        {NSString::stringWithFormat("%d", std::string("text")), "text", "text for a number prints the text"},
        {NSString::stringWithFormat("%s", 12), "12", "a number for text prints the number"},
        {NSString::stringWithFormat("%d", 2.9), "2", "a double for %d is truncated"},
        {NSString::stringWithFormat("%.1f", 3), "3.0", "an integer for %f is converted"},
        {NSString::stringWithFormat("%5$@", "a"), "%5$@", "positional past the end"},
        {NSString::stringWithFormat("trailing %"), "trailing %", "lone percent at the end"},
        {NSString::stringWithFormat("%ll", 1), "%ll", "length without conversion"},
        {NSString::stringWithFormat("%k", 1), "%k", "unknown conversion"},
        {NSString::stringWithFormat("%n", 1), "%n", "%n never writes"},
        {NSString::stringWithFormat("%d", "x", "extra"), "x", "extra arguments are ignored"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.got, c.expected) << c.why;
    EXPECT_EQ(NSString::stringWithFormat("%99999999999d", 1).size(), 4096u) << "absurd widths are capped";
}

TEST(StringWithFormat, ErrorsPrintTheirDescription)
{
    auto error = NSError::errorWithDomain_code_userInfo("de.kavoni.kavoni.internal", 2010, {{NSLocalizedDescriptionKey, std::string("Start failed")}});
    EXPECT_EQ(NSString::stringWithFormat("Error: %@", error), "Error: Error Domain=de.kavoni.kavoni.internal Code=2010 \"Start failed\"");
}

TEST(NSStringHelpers, TrimAndPaths)
{
    EXPECT_EQ(NSString::trim(" \t\n a b \r\n"), "a b");
    EXPECT_EQ(NSString::trim("\xC2\xA0null\xE3\x80\x80"), "null") << "Unicode spaces (no-break, ideographic) count";
    EXPECT_EQ(NSString::trim("   "), "");
    EXPECT_EQ(NSString::lastPathComponent("/src/SDK/KVNOrvelHandler.mm"), "KVNOrvelHandler.mm");
    EXPECT_EQ(NSString::lastPathComponent("Handler"), "Handler");
    EXPECT_EQ(NSString::lastPathComponent("/a/b/"), "b");
    EXPECT_EQ(NSString::stringByAppendingPathComponent("/a/", "b.txt"), "/a/b.txt");
    EXPECT_EQ(NSString::stringByDeletingLastPathComponent("/a/b.txt"), "/a");
    EXPECT_EQ(NSString::pathExtension("x/archive.tar.gz"), "gz");
    EXPECT_EQ(NSString::stringByDeletingPathExtension("img.jpg"), "img");
}

TEST(NSStringHelpers, SearchReplaceSplit)
{
    EXPECT_TRUE(NSString::hasPrefix("NAVIGATION_ITEM_TITLE_RESULT", "NAVIGATION_ITEM_TITLE"));
    EXPECT_FALSE(NSString::hasPrefix("abc", "")) << "the platform: nothing is prefixed by the empty text";
    EXPECT_TRUE(NSString::hasSuffix("abc\n", "\n"));
    EXPECT_EQ(NSString::stringByReplacingOccurrencesOfString_withString("I agree to $(terms) and $(terms)", "$(terms)", "the terms"),
              "I agree to the terms and the terms");
    EXPECT_EQ(NSString::stringByReplacingOccurrencesOfString_withString("aaa", "", "x"), "aaa");
    EXPECT_EQ(NSString::componentsSeparatedByString("a,,b", ","), (std::vector<std::string>{"a", "", "b"}));
    EXPECT_EQ(NSString::componentsSeparatedByString("", ","), (std::vector<std::string>{""}));
    EXPECT_EQ(NSString::length("ä😀"), 3u) << "UTF-16 units";
    EXPECT_EQ(NSString::uppercaseString("straße"), "STRASSE");
}

TEST(NSStringHelpers, NumbersReadThePlatformsWay)
{
    struct Case {
        const char* text;
        long integer;
        bool flag;
    } cases[] = {
        {"42", 42, true},       {"  -7abc", -7, true}, {"+0012", 12, true}, {"abc", 0, false},  {"", 0, false},
        {"YES", 0, true},       {"true", 0, true},      {"no", 0, false},    {"0", 0, false},    {"  00009", 9, true},
        {"99999999999999999999", LONG_MAX, true},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(NSString::integerValue(c.text), c.integer) << c.text;
        EXPECT_EQ(NSString::boolValue(c.text), c.flag) << c.text;
    }
    EXPECT_EQ(NSString::intValue("99999999999"), INT_MAX);
    EXPECT_DOUBLE_EQ(NSString::doubleValue(" 2.5x"), 2.5);
}

} // namespace
