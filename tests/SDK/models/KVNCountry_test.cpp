#include "models/KVNCountry.h"

#include <string>
#include <vector>

#include "UIKit/UIImage.h"
#include "support/KvnTestBundle.h"
#include "support/ManualClockFixture.h"

namespace {

class KVNCountryTest : public ManualClockFixture {};

TEST_F(KVNCountryTest, DisplayNameIsGermanOnlyForExactlyDe)
{
    const struct {
        std::vector<std::string> languages;
        const char* name;
    } cases[] = {
        {{"de"}, "Deutschland"},
        {{"de", "en"}, "Deutschland"},
        {{"de-DE"}, "Germany"},
        {{"de-AT", "de"}, "Germany"},
        {{"en"}, "Germany"},
        {{"fr"}, "Germany"},
        {{"en", "de"}, "Germany"},
        {{}, "Germany"},
    };
    for (const auto& c : cases) {
        NSLocale::setPreferredLanguages(c.languages);
        auto country = KVNCountry::countryWithLocale("DE");
        EXPECT_EQ(country->locale(), "DE");
        EXPECT_EQ(country->localeDisplayName(), c.name) << (c.languages.empty() ? "(none)" : c.languages.front());
        EXPECT_TRUE(country->documents().empty());
    }
}

TEST_F(KVNCountryTest, OtherCountriesInBothLanguages)
{
    NSLocale::setPreferredLanguages({"de"});
    EXPECT_EQ(KVNCountry::countryWithLocale("AT")->localeDisplayName(), "Österreich");
    NSLocale::setPreferredLanguages({"en"});
    EXPECT_EQ(KVNCountry::countryWithLocale("AT")->localeDisplayName(), "Austria");
    // A code nobody knows still gives a country, named by its code.
    auto unknown = KVNCountry::countryWithLocale("QQ");
    EXPECT_EQ(unknown->locale(), "QQ");
    EXPECT_FALSE(unknown->localeDisplayName().empty());
}

TEST_F(KVNCountryTest, FlagFallsBackToThePlaceholder)
{
    // Without the library's drawn images, so that each step adds one.
    KvnTestBundle bundle(KVN_TEST_BUNDLE_RESOURCES_DIR, "");
    auto country = KVNCountry::countryWithLocale("DE");
    EXPECT_FALSE(country->countryImage()) << "neither flag nor placeholder";

    bundle.addImage("kvn-flag-placeholder", 3, 3);
    ASSERT_TRUE(country->countryImage());
    EXPECT_EQ(country->countryImage()->size().width, 3);

    bundle.addImage("kvn-flag-DE", 5, 5);
    ASSERT_TRUE(country->countryImage());
    EXPECT_EQ(country->countryImage()->size().width, 5);
}

} // namespace
