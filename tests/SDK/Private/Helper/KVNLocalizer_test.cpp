#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "Foundation/NSBundle.h"
#include "Foundation/NSLocale.h"
#include "Foundation/NSString.h"
#include "Private/Helper/KVNLocalizer.h"
#include "support/KvnTestBundle.h"

namespace {

class KVNLocalizerTest : public testing::Test {
protected:
    void SetUp() override
    {
        NSLocale::setPreferredLanguages({"en"});
        KVNLocalizer::setUserInterfaceLanguage(std::nullopt);
    }
    void TearDown() override
    {
        KVNLocalizer::setUserInterfaceLanguage(std::nullopt);
        NSLocale::resetOverrides();
    }

    KvnTestBundle bundle;
};

} // namespace

TEST_F(KVNLocalizerTest, HostTableWinsWhenItHasItsOwnText)
{
    bundle.setHostStrings({{"OK", "Okay"}, {"ERROR", "ERROR"}, {"SETTINGS", ""}});
    KVNLocalizer::setUserInterfaceLanguage("de");

    EXPECT_EQ(KVNLocalizer::localizedStringForKey("OK"), "Okay");          // the host's text, whatever the language
    EXPECT_EQ(KVNLocalizer::localizedStringForKey("ERROR"), "Fehler");     // a host text equal to the key does not count
    EXPECT_EQ(KVNLocalizer::localizedStringForKey("SETTINGS"), "");        // an empty host text is a text of its own
    EXPECT_EQ(KVNLocalizer::localizedStringForKey("NO_WIFI_CONNECTION"), "Keine WLAN-Verbindung"); // not in the host table
}

TEST_F(KVNLocalizerTest, LibraryTextComesFromTheLanguageFolderWhenALanguageIsSet)
{
    EXPECT_EQ(KVNLocalizer::localizedStringForKey("SETTINGS"), "Settings");
    KVNLocalizer::setUserInterfaceLanguage("de");
    EXPECT_EQ(KVNLocalizer::localizedStringForKey("SETTINGS"), "Einstellungen");
    KVNLocalizer::setUserInterfaceLanguage("en");
    EXPECT_EQ(KVNLocalizer::localizedStringForKey("SETTINGS"), "Settings"); // nothing cached between calls
}

TEST_F(KVNLocalizerTest, WithoutALanguageTheLibraryBundleFollowsThePreferredLanguages)
{
    NSLocale::setPreferredLanguages({"de-DE", "en"});
    EXPECT_EQ(KVNLocalizer::localizedStringForKey("NAVIGATION_ITEM_BACK_BUTTON_TITLE_DEFAULT"), "Zurück");
    NSLocale::setPreferredLanguages({"fr"});
    EXPECT_EQ(KVNLocalizer::localizedStringForKey("NAVIGATION_ITEM_BACK_BUTTON_TITLE_DEFAULT"), "Back");
}

// A language the library has no folder for must not blank every text: the base table answers,
// not the device's preferred language.
TEST_F(KVNLocalizerTest, MissingLanguageFolderFallsBackToTheBaseTable)
{
    bundle.writeFile("KavoniSDKLocalization.bundle/Base.lproj/Localizable.strings", "\"SETTINGS\" = \"Base settings\";\n");
    NSLocale::setPreferredLanguages({"de"});

    KVNLocalizer::setUserInterfaceLanguage("fr");
    EXPECT_EQ(KVNLocalizer::localizedStringForKey("SETTINGS"), "Base settings");

    bundle.remove("KavoniSDKLocalization.bundle/de.lproj");
    KVNLocalizer::setUserInterfaceLanguage("de");
    EXPECT_EQ(KVNLocalizer::localizedStringForKey("SETTINGS"), "Base settings");

    // Without a base folder either, the library bundle's own choice is the last resort.
    bundle.remove("KavoniSDKLocalization.bundle/Base.lproj");
    EXPECT_EQ(KVNLocalizer::localizedStringForKey("SETTINGS"), "Settings");
}

TEST_F(KVNLocalizerTest, KeyFoundNowhereYieldsTheKey)
{
    EXPECT_EQ(KVNLocalizer::localizedStringForKey("NO_SUCH_KEY"), "NO_SUCH_KEY");
    KVNLocalizer::setUserInterfaceLanguage("de");
    EXPECT_EQ(KVNLocalizer::localizedStringForKey("NO_SUCH_KEY"), "NO_SUCH_KEY");
}

TEST_F(KVNLocalizerTest, MissingLibraryBundleYieldsNoTextButTheHostStillAnswers)
{
    bundle.setHostStrings({{"OK", "Okay"}});
    bundle.remove("KavoniSDKLocalization.bundle");

    EXPECT_EQ(KVNLocalizer::localizedStringForKey("SETTINGS"), "");
    EXPECT_EQ(KVNLocalizer::localizedStringForKey("OK"), "Okay");
}

// A screen asks for dozens of texts: the library's tables are read once for the main bundle,
// not once a text, and read afresh when the main bundle is pointed anew.
TEST_F(KVNLocalizerTest, LibraryTablesAreReadOncePerMainBundle)
{
    struct Case {
        const char* why;
        std::optional<std::string> language;
        const char* folder;
        const char* text;
    } cases[] = {
        {"the bundle's own choice", std::nullopt, "en.lproj", "Settings"},
        {"a language set", "de", "de.lproj", "Einstellungen"},
    };
    for (const auto& c : cases) {
        bundle.activate();
        KVNLocalizer::setUserInterfaceLanguage(c.language);
        EXPECT_EQ(KVNLocalizer::localizedStringForKey("SETTINGS"), c.text) << c.why;
        // Changed on disk behind the bundle's back: the table read before still answers.
        const auto table = bundle.libraryBundlePath() + "/" + c.folder + "/Localizable.strings";
        std::ofstream(table, std::ios::trunc) << "\"SETTINGS\" = \"Changed\";\n";
        EXPECT_EQ(KVNLocalizer::localizedStringForKey("SETTINGS"), c.text) << c.why;
        bundle.activate();
        EXPECT_EQ(KVNLocalizer::localizedStringForKey("SETTINGS"), "Changed") << c.why << ": the main bundle pointed anew reads again";
    }
}

// --- The library's string tables ------------------------------------------------------------

namespace {

std::map<std::string, std::string> libraryTable(const std::string& folder)
{
    std::ifstream in(std::string(KVN_SOURCE_DIR) + "/SDK/Resources/KavoniSDKLocalization.bundle/" + folder + "/Localizable.strings");
    std::stringstream text;
    text << in.rdbuf();
    return NSBundle::parseStringsFile(text.str());
}

// Every key that the library's foundations look up.
std::vector<std::string> requiredKeys()
{
    std::vector<std::string> keys = {
        "OK", "SETTINGS", "ERROR", "NO_WIFI_CONNECTION", "VIDEO_IDENT_FAILED_ALERT_MESSAGE", "KAVONI_ERROR_TITLE",
        "KAVONI_ERROR_TITLE_412", "NAVIGATION_ITEM_TITLE_DEFAULT", "NAVIGATION_ITEM_BACK_BUTTON_TITLE_DEFAULT",
        "js.mobile.phone.validation.corrected", "js.mobile.phone.validation.error", "KAVONI_INTERNAL_ERROR_DESCRIPTION_DEFAULT",
    };
    for (const char* code : {"1000", "1001", "1002", "1003", "1004", "1005", "1006", "1007", "1008", "1009", "1009_404", "1009_500",
                             "1009_503", "1010", "1011", "1012"})
        keys.push_back(std::string("KAVONI_ERROR_DESCRIPTION_") + code);
    for (const char* code : {"2000", "2001", "2002", "2006", "2007", "2008", "2008_404", "2008_410", "2009", "2009_404", "2009_410", "2010",
                             "2010_412", "2011", "2011_412", "2012", "2012_412", "2013", "2014", "2014_400", "2016", "2017", "2020", "2021"})
        keys.push_back(std::string("KAVONI_INTERNAL_ERROR_DESCRIPTION_") + code);
    for (const char* document : {"IDCARD", "PASSPORT", "RESIDENCE_PERMIT", "DRIVERS_LICENSE"}) {
        keys.push_back(NSString::stringWithFormat("PHOTO_DOCUMENT_%@_TITLE", document));
        for (const char* photo : {"IDFRONTSIDE", "IDBACKSIDE", "IDHOLOGRAMS"})
            for (const char* format : {"PHOTO_TODO_%@_%@_TITLE", "PHOTO_TODO_%@_%@_SUBTITLE", "PHOTO_HELP_%@_%@_TITLE",
                                       "PHOTO_HELP_%@_%@_DESCRIPTION", "PHOTO_HELP_%@_%@_LIST"})
                keys.push_back(NSString::stringWithFormat(format, document, photo));
    }
    for (const char* format : {"PHOTO_TODO_%@_TITLE", "PHOTO_TODO_%@_SUBTITLE", "PHOTO_HELP_%@_TITLE", "PHOTO_HELP_%@_DESCRIPTION",
                               "PHOTO_HELP_%@_LIST"})
        keys.push_back(NSString::stringWithFormat(format, "FACESCREENSHOT"));
    return keys;
}

size_t count(const std::string& text, const std::string& part)
{
    size_t n = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + part.size()))
        ++n;
    return n;
}

} // namespace

TEST(LibraryStringTables, EveryLanguageHoldsAReadableTextForEveryKey)
{
    for (const char* folder : {"Base.lproj", "en.lproj", "de.lproj"}) {
        const auto table = libraryTable(folder);
        ASSERT_FALSE(table.empty()) << folder;
        for (const auto& key : requiredKeys()) {
            auto it = table.find(key);
            ASSERT_NE(it, table.end()) << folder << " lacks " << key;
            EXPECT_FALSE(NSString::trim(it->second).empty()) << folder << " " << key;
            if (key != "OK") { // the one text that reads as its key
                EXPECT_NE(it->second, key) << folder << " " << key;
            }
        }
    }
    // No language has a key that another lacks.
    const auto en = libraryTable("en.lproj");
    const auto de = libraryTable("de.lproj");
    const auto base = libraryTable("Base.lproj");
    for (const auto& [key, text] : en) {
        EXPECT_TRUE(de.count(key)) << "de lacks " << key;
        EXPECT_TRUE(base.count(key)) << "Base lacks " << key;
    }
    EXPECT_EQ(en.size(), de.size());
    EXPECT_EQ(en.size(), base.size());
}

// The texts that are formatted carry exactly the placeholders their callers fill; every other
// text carries none, so that a stray % can never consume a missing argument.
TEST(LibraryStringTables, FormatPlaceholdersMatchTheirCallers)
{
    const std::map<std::string, std::pair<std::string, size_t>> formatted = {
        {"KAVONI_ERROR_DESCRIPTION_1003", {"%@", 1}},     // office hours
        {"KAVONI_ERROR_DESCRIPTION_1009_500", {"%@", 2}}, // support e-mail, exception id
        {"KAVONI_ERROR_DESCRIPTION_1012", {"%ld", 1}},    // the code
        {"IDENT_CODE_ENTER_CODE_MESSAGE", {"%@", 1}},       // the mobile number
        {"IDENT_CODE_ENTER_CODE_MESSAGE_EMAIL", {"%@", 1}}, // the e-mail address
        {"CHAT_SENDER_TEXT_AGENT", {"%@", 1}},              // the message's time
        {"CHAT_SENDER_TEXT_USER", {"%@", 1}},               // the message's time
        {"INFO_CONNECTING_DESCRIPTION_POSITION_X", {"%lld", 1}},              // the place in the queue
        {"INFO_CONNECTING_DESCRIPTION_WAITING_TIME_SECONDS", {"%lld", 1}},    // seconds
        {"INFO_CONNECTING_DESCRIPTION_WAITING_TIME_ONE_MINUTE", {"%lld", 1}}, // 1
        {"INFO_CONNECTING_DESCRIPTION_WAITING_TIME_MINUTES", {"%lld", 1}},    // minutes
    };
    for (const char* folder : {"Base.lproj", "en.lproj", "de.lproj"}) {
        for (const auto& [key, text] : libraryTable(folder)) {
            auto it = formatted.find(key);
            if (it == formatted.end()) {
                EXPECT_EQ(count(text, "%"), 0u) << folder << " " << key;
                continue;
            }
            EXPECT_EQ(count(text, it->second.first), it->second.second) << folder << " " << key;
            EXPECT_EQ(count(text, "%"), it->second.second) << folder << " " << key;
        }
    }
}
