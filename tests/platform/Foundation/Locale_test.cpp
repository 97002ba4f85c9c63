// Locales: country names from ICU, identifiers and the test overrides.
#include <gtest/gtest.h>

#include "Foundation/NSLocale.h"
#include "support/ManualClockFixture.h"

namespace {

class LocaleTest : public ManualClockFixture {};

TEST_F(LocaleTest, CountryDisplayNamesInTheLocalesLanguage)
{
    struct Case {
        const char* locale;
        const char* code;
        const char* expected;
    } cases[] = {
        {"de", "DE", "Deutschland"},
        {"en", "DE", "Germany"},
        {"de", "AT", "Österreich"},
        {"en", "CH", "Switzerland"},
        {"de_DE", "de", "Deutschland"}, // codes as the service may send them, in any case
        {"en", "XQ", "XQ"},             // no name known: the code itself
        {"en", "", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(NSLocale::localeWithLocaleIdentifier(c.locale)->displayNameForCountryCode(c.code), c.expected)
            << c.locale << " / " << c.code;
}

TEST_F(LocaleTest, IdentifierAndCountryCode)
{
    auto locale = NSLocale::localeWithLocaleIdentifier("de-DE");
    EXPECT_EQ(locale->localeIdentifier(), "de_DE");
    EXPECT_EQ(locale->countryCode(), std::optional<std::string>("DE"));
    EXPECT_EQ(locale->languageCode(), std::optional<std::string>("de"));
    EXPECT_EQ(NSLocale::localeWithLocaleIdentifier("en")->countryCode(), std::nullopt);
}

TEST_F(LocaleTest, OverridesReplaceTheEnvironmentUntilReset)
{
    NSLocale::setPreferredLanguages({"de", "en"});
    NSLocale::setCurrentLocaleIdentifier("de_AT");
    EXPECT_EQ(NSLocale::preferredLanguages(), (std::vector<std::string>{"de", "en"}));
    EXPECT_EQ(NSLocale::currentLocale()->countryCode(), std::optional<std::string>("AT"));
    NSLocale::resetOverrides();
    EXPECT_FALSE(NSLocale::preferredLanguages().empty());
    EXPECT_FALSE(NSLocale::currentLocale()->localeIdentifier().empty());
}

TEST(LocaleEnvironment, DefaultsComeFromLanguageAndLang)
{
    struct Case {
        const char* language;
        const char* lang;
        std::vector<std::string> preferred;
        std::string current;
    } cases[] = {
        {"de:en", "de_DE.UTF-8", {"de", "en"}, "de_DE"},
        {"", "de_CH.UTF-8@euro", {"de-CH"}, "de_CH"},
        {nullptr, "C", {"en-US"}, "en_US"},
        {nullptr, nullptr, {"en-US"}, "en_US"},
    };
    auto keep = [](const char* name) -> std::optional<std::string> {
        const char* v = std::getenv(name);
        return v ? std::optional<std::string>(v) : std::nullopt;
    };
    auto restore = [](const char* name, const std::optional<std::string>& v) {
        if (v)
            setenv(name, v->c_str(), 1);
        else
            unsetenv(name);
    };
    auto savedLanguage = keep("LANGUAGE"), savedLang = keep("LANG"), savedAll = keep("LC_ALL"), savedMessages = keep("LC_MESSAGES");
    unsetenv("LC_ALL");
    unsetenv("LC_MESSAGES");
    for (const auto& c : cases) {
        c.language ? setenv("LANGUAGE", c.language, 1) : unsetenv("LANGUAGE");
        c.lang ? setenv("LANG", c.lang, 1) : unsetenv("LANG");
        EXPECT_EQ(NSLocale::preferredLanguages(), c.preferred) << (c.lang ? c.lang : "(unset)");
        EXPECT_EQ(NSLocale::currentLocale()->localeIdentifier(), c.current) << (c.lang ? c.lang : "(unset)");
    }
    restore("LANGUAGE", savedLanguage);
    restore("LANG", savedLang);
    restore("LC_ALL", savedAll);
    restore("LC_MESSAGES", savedMessages);
}

} // namespace
