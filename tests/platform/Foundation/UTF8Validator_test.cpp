// Which bytes count as UTF-8 text, and what a body with stray bytes becomes.
#include <optional>
#include <string>

#include <gtest/gtest.h>

#include "Foundation/NSData.h"
#include "Foundation/UTF8Validator.h"

namespace {

#define FFFD "\xEF\xBF\xBD"

TEST(UTF8Validator, WellFormedAndIllFormedSequences)
{
    struct Case {
        std::string bytes;
        bool valid;
        std::string replaced;
        const char* why;
    } cases[] = {
        {"", true, "", "no bytes are text"},
        {std::string("a\0b", 3), true, std::string("a\0b", 3), "NUL is a character"},
        {"\xC2\x80", true, "\xC2\x80", "U+0080, first of two bytes"},
        {"\xDF\xBF", true, "\xDF\xBF", "U+07FF, last of two bytes"},
        {"\xE0\xA0\x80", true, "\xE0\xA0\x80", "U+0800, first of three bytes"},
        {"\xED\x9F\xBF", true, "\xED\x9F\xBF", "U+D7FF, just below the surrogates"},
        {"\xEE\x80\x80", true, "\xEE\x80\x80", "U+E000, just above the surrogates"},
        {"\xEF\xBF\xBF", true, "\xEF\xBF\xBF", "U+FFFF, last of three bytes"},
        {"\xF0\x90\x80\x80", true, "\xF0\x90\x80\x80", "U+10000, first of four bytes"},
        {"\xF4\x8F\xBF\xBF", true, "\xF4\x8F\xBF\xBF", "U+10FFFF, the last code point"},
        {"K\xC3\xA4se \xE2\x82\xAC \xF0\x9F\x98\x80", true, "K\xC3\xA4se \xE2\x82\xAC \xF0\x9F\x98\x80", "mixed lengths"},

        {"\xC0\x80", false, FFFD FFFD, "overlong NUL"},
        {"\xC1\xBF", false, FFFD FFFD, "overlong two bytes"},
        {"\xE0\x9F\xBF", false, FFFD FFFD FFFD, "overlong three bytes"},
        {"\xF0\x8F\xBF\xBF", false, FFFD FFFD FFFD FFFD, "overlong four bytes"},
        {"\xED\xA0\x80", false, FFFD FFFD FFFD, "U+D800, first surrogate"},
        {"\xED\xBF\xBF", false, FFFD FFFD FFFD, "U+DFFF, last surrogate"},
        {"\xF4\x90\x80\x80", false, FFFD FFFD FFFD FFFD, "U+110000, above the last code point"},
        {"\xF5\x80\x80\x80", false, FFFD FFFD FFFD FFFD, "F5 starts nothing"},
        {"a\xFF" "b", false, "a" FFFD "b", "FF is never UTF-8"},
        {"\x80", false, FFFD, "a continuation byte alone"},
        {"a\xC3", false, "a" FFFD, "two bytes cut at the end"},
        {"a\xE2\x82", false, "a" FFFD FFFD, "three bytes cut at the end"},
        {"a\xF0\x9F\x98", false, "a" FFFD FFFD FFFD, "four bytes cut at the end"},
        {"\xE2\x82" "A", false, FFFD FFFD "A", "a sequence cut short by an ASCII byte"},
        {"\xC3\xC3\xA4", false, FFFD "\xC3\xA4", "a lead byte where a continuation belongs"},
    };
    for (const auto& c : cases) {
        const NSData bytes = NSDataFromString(c.bytes);
        EXPECT_EQ(Unicode::UTF8Validator::isValid(bytes), c.valid) << c.why;
        EXPECT_EQ(Unicode::UTF8Validator::text(bytes), c.valid ? std::optional<std::string>(c.bytes) : std::nullopt) << c.why;
        EXPECT_EQ(Unicode::UTF8Validator::replacingIllFormed(bytes), c.replaced) << c.why;
    }
}

#undef FFFD

} // namespace
