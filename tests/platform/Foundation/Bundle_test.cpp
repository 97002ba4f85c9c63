// Bundles: strings files, language folders, resources and the info dictionary.
#include <filesystem>
#include <fstream>

#include <gtest/gtest.h>

#include "Foundation/NSBundle.h"
#include "Foundation/NSLocale.h"
#include "support/ManualClockFixture.h"

namespace {

namespace fs = std::filesystem;

void write(const fs::path& path, const std::string& content)
{
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << content;
}

TEST(StringsFileTest, ParsesEntriesEscapesAndCommentsAndSkipsBadLines)
{
    auto table = NSBundle::parseStringsFile(R"(/* header comment
   spanning lines */
"OK" = "OK";
// line comment "NOT" = "A KEY";
"QUOTE" = "say \"hi\"";   "NEWLINE" = "a\nb";
"BACKSLASH" = "c:\\dir";
"UNICODE" = "caf\U00e9 \u00DF";
broken line without quotes
"MISSING_SEMICOLON" = "x"
"AFTER" = "still read";
"NO_VALUE" = ;
"UNTERMINATED = "oops;
"LAST" = "ü – ok"; /* trailing */
unquoted_key = unquoted.value;
)");
    EXPECT_EQ(table["OK"], "OK");
    EXPECT_EQ(table["QUOTE"], "say \"hi\"");
    EXPECT_EQ(table["NEWLINE"], "a\nb");
    EXPECT_EQ(table["BACKSLASH"], "c:\\dir");
    EXPECT_EQ(table["UNICODE"], "café ß");
    EXPECT_EQ(table["LAST"], "ü – ok");
    EXPECT_EQ(table["unquoted_key"], "unquoted.value");
    EXPECT_EQ(table.count("NOT"), 0u);
    EXPECT_EQ(table.count("NO_VALUE"), 0u);
    EXPECT_EQ(table.count("MISSING_SEMICOLON"), 0u) << "an entry without its ';' is dropped";
}

TEST(StringsFileTest, AcceptsUtf8ByteOrderMarkAndUtf16)
{
    EXPECT_EQ(NSBundle::parseStringsFile("\xEF\xBB\xBF\"K\" = \"v\";")["K"], "v");
    std::string utf16 = "\xFF\xFE";
    for (char c : std::string("\"K\" = \"\xE4\";")) { // ä as Latin-1 code unit
        utf16 += c;
        utf16 += '\0';
    }
    EXPECT_EQ(NSBundle::parseStringsFile(utf16)["K"], "ä");
}

TEST(StringsFileTest, GarbageNeverThrows)
{
    for (std::string text : {std::string("\"\\"), std::string("\"a\" = \"\\u"), std::string(1000, '"'), std::string("=;=;;\"\";"),
                             std::string("/*"), std::string("\"a\" = \"\\uD800\";")})
        EXPECT_NO_THROW(NSBundle::parseStringsFile(text));
    EXPECT_EQ(NSBundle::parseStringsFile("\"a\" = \"\\uD800\";")["a"], "\xEF\xBF\xBD") << "a lone surrogate becomes U+FFFD";
}

class BundleTest : public ManualClockFixture {
protected:
    void SetUp() override
    {
        ManualClockFixture::SetUp();
        root = tempDirectory() / "App";
        write(root / "Localizable.strings", "\"ROOT_ONLY\" = \"root\"; \"GREETING\" = \"root greeting\";");
        write(root / "Base.lproj/Localizable.strings", "\"BASE_ONLY\" = \"base\"; \"GREETING\" = \"base greeting\";");
        write(root / "de.lproj/Localizable.strings", "\"GREETING\" = \"Hallo\";");
        write(root / "en.lproj/Localizable.strings", "\"GREETING\" = \"Hello\";");
        write(root / "de.lproj/Errors.strings", "\"ERROR\" = \"Fehler\";");
        write(root / "Base.lproj/help.png", "png");
        write(root / "de.lproj/help.png", "png-de");
        write(root / "icon.png", "png");
        write(root / "Info.json", R"({"CFBundleShortVersionString": "3.1", "UIViewControllerBasedStatusBarAppearance": false})");
        fs::create_directories(root / "KavoniSDKLocalization.bundle/de.lproj");
    }

    fs::path root;
};

TEST_F(BundleTest, LanguageFolderIsChosenFromThePreferredLanguages)
{
    struct Case {
        std::vector<std::string> preferred;
        std::string expected;
        const char* why;
    } cases[] = {
        {{"de"}, "Hallo", "exact language"},
        {{"de-AT"}, "Hallo", "regional form falls back to its language"},
        {{"fr", "de"}, "Hallo", "first preferred language with a folder wins"},
        {{"fr"}, "Hello", "no match: the development language en"},
        {{"EN_us"}, "Hello", "case and separator do not matter"},
    };
    for (const auto& c : cases) {
        NSLocale::setPreferredLanguages(c.preferred);
        auto bundle = NSBundle::bundleWithPath(root.string());
        ASSERT_NE(bundle, nullptr);
        EXPECT_EQ(bundle->localizedStringForKey_value_table("GREETING", std::nullopt, std::nullopt), c.expected) << c.why;
    }
}

TEST_F(BundleTest, MissingKeysFallBackToBaseThenRootThenValueThenKey)
{
    NSLocale::setPreferredLanguages({"de"});
    auto bundle = NSBundle::bundleWithPath(root.string());
    EXPECT_EQ(bundle->localizedStringForKey_value_table("BASE_ONLY", std::nullopt, std::nullopt), "base");
    EXPECT_EQ(bundle->localizedStringForKey_value_table("ROOT_ONLY", std::nullopt, std::nullopt), "root");
    EXPECT_EQ(bundle->localizedStringForKey_value_table("NOWHERE", std::string("fallback"), std::nullopt), "fallback");
    EXPECT_EQ(bundle->localizedStringForKey_value_table("NOWHERE", std::string(""), std::nullopt), "NOWHERE");
    EXPECT_EQ(bundle->localizedStringForKey_value_table("NOWHERE", std::nullopt, std::nullopt), "NOWHERE");
    EXPECT_EQ(bundle->localizedStringForKey_value_table("ERROR", std::nullopt, std::string("Errors")), "Fehler");
    EXPECT_EQ(bundle->localizedStringForKey_value_table("ERROR", std::nullopt, std::string("NoSuchTable")), "ERROR");
}

TEST_F(BundleTest, ALanguageFolderOpenedAsABundleReadsItsOwnRootTable)
{
    auto folder = NSBundle::bundleWithPath((root / "de.lproj").string());
    ASSERT_NE(folder, nullptr);
    EXPECT_EQ(folder->localizedStringForKey_value_table("GREETING", std::string(""), std::nullopt), "Hallo");
}

TEST_F(BundleTest, ResourcesAreFoundInRootThenLanguageFolderThenBase)
{
    NSLocale::setPreferredLanguages({"de"});
    NSBundle::setMainBundlePath(root.string());
    auto main = NSBundle::mainBundle();
    EXPECT_EQ(main->bundlePath(), root.string());
    EXPECT_EQ(main->pathForResource_ofType("icon", "png"), (root / "icon.png").string());
    EXPECT_EQ(main->pathForResource_ofType("help", "png"), (root / "de.lproj/help.png").string());
    EXPECT_EQ(main->pathForResource_ofType("KavoniSDKLocalization", "bundle"), (root / "KavoniSDKLocalization.bundle").string());
    EXPECT_EQ(main->pathForResource_ofType("de", "lproj"), (root / "de.lproj").string());
    EXPECT_EQ(main->pathForResource_ofType("missing", "png"), std::nullopt);
    EXPECT_EQ(main->pathForResource_ofType("../App/icon", "png"), std::nullopt) << "names do not climb out of the bundle";

    NSLocale::setPreferredLanguages({"en"});
    EXPECT_EQ(main->pathForResource_ofType("help", "png"), (root / "Base.lproj/help.png").string());
}

TEST_F(BundleTest, MissingBundleIsNull)
{
    EXPECT_EQ(NSBundle::bundleWithPath((root / "Nope.bundle").string()), nullptr);
    EXPECT_EQ(NSBundle::bundleWithPath((root / "icon.png").string()), nullptr) << "a file is no bundle";
    EXPECT_EQ(NSBundle::bundleWithPath(""), nullptr);
}

TEST_F(BundleTest, InfoDictionaryValuesAndAbsentKeys)
{
    auto bundle = NSBundle::bundleWithPath(root.string());
    EXPECT_EQ(bundle->objectForInfoDictionaryKey("CFBundleShortVersionString"), "3.1");
    EXPECT_EQ(bundle->objectForInfoDictionaryKey("UIViewControllerBasedStatusBarAppearance"), false);
    EXPECT_TRUE(bundle->objectForInfoDictionaryKey("Missing").is_null());

    write(root / "Broken/Info.json", "{oops");
    auto broken = NSBundle::bundleWithPath((root / "Broken").string());
    EXPECT_TRUE(broken->objectForInfoDictionaryKey("CFBundleShortVersionString").is_null());
}

} // namespace
