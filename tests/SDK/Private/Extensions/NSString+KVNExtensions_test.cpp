#include <gtest/gtest.h>

#include "Private/Extensions/NSString+KVNExtensions.h"

using namespace KVNExtensions;

TEST(NSStringKVNExtensions, WellFilledTable)
{
    struct Case {
        std::optional<std::string> text;
        std::optional<std::string> wellFilled;
        bool isWellFilled;
        const char* why;
    };
    const Case cases[] = {
        {std::nullopt, std::nullopt, false, "nil text"},
        {"", "", false, "empty text"},
        {"  \t\n ", "", false, "blanks and line ends only"},
        {"  null  ", std::nullopt, false, "the literal null left by a JSON null"},
        {"null", std::nullopt, false, "null alone"},
        {" a ", "a", true, "a letter between blanks"},
        {"nullable", "nullable", true, "null as a prefix is a word"},
        {"NULL", "NULL", true, "only lower-case null is special"},
        {"\n Max Mustermann \r\n", "Max Mustermann", true, "inner blanks stay"},
        {"\u00a0x\u2003", "x", true, "Unicode spaces are trimmed"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(wellFilledString(c.text), c.wellFilled) << c.why;
        EXPECT_EQ(isWellFilled(c.text), c.isWellFilled) << c.why;
    }
}

TEST(NSStringKVNExtensions, RegExpMatchesTheWholeText)
{
    struct Case {
        std::optional<std::string> text;
        const char* pattern;
        bool matches;
        const char* why;
    };
    const Case cases[] = {
        {"ABC123", "[A-Z]{3}[0-9]{3}", true, "whole text"},
        {"xABC123", "[A-Z]{3}[0-9]{3}", false, "a match inside the text is not enough"},
        {"ABC1234", "[A-Z]{3}[0-9]{3}", false, "trailing characters"},
        {"", ".*", true, "empty text matches an empty-capable pattern"},
        {"abc", "([a-", false, "an invalid pattern matches nothing"},
        {std::nullopt, ".*", false, "nil text"},
        {"ÄÖÜ", "\\p{L}+", true, "ICU classes on UTF-8 text"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(doesMatchRegExp(c.text, c.pattern), c.matches) << c.why;
}
