// Every image name and every text key that the library's code asks for is shipped: the
// library's sources are read at test time, so a name added to the code without its image or
// its texts fails here the same day.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "Foundation/NSBundle.h"
#include "UIKit/UIImage.h"
#include "support/KvnTestBundle.h"

namespace fs = std::filesystem;

namespace {

std::string readFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// The string literals of C++ source text, comments left out (a URL inside a string is not a
// comment). Raw strings and character literals are stepped over.
std::vector<std::string> stringLiterals(const std::string& source)
{
    std::vector<std::string> literals;
    size_t i = 0;
    const size_t n = source.size();
    while (i < n) {
        const char c = source[i];
        if (c == '/' && i + 1 < n && source[i + 1] == '/') {
            i = source.find('\n', i);
            if (i == std::string::npos)
                break;
        } else if (c == '/' && i + 1 < n && source[i + 1] == '*') {
            i = source.find("*/", i + 2);
            if (i == std::string::npos)
                break;
            i += 2;
        } else if (c == 'R' && i + 1 < n && source[i + 1] == '"') {
            const size_t open = source.find('(', i + 2);
            if (open == std::string::npos)
                break;
            const std::string close = ")" + source.substr(i + 2, open - i - 2) + "\"";
            const size_t end = source.find(close, open);
            if (end == std::string::npos)
                break;
            i = end + close.size();
        } else if (c == '\'') {
            ++i;
            while (i < n && source[i] != '\'')
                i += source[i] == '\\' ? 2 : 1;
            ++i;
        } else if (c == '"') {
            std::string literal;
            ++i;
            while (i < n && source[i] != '"') {
                if (source[i] == '\\' && i + 1 < n)
                    literal += source[++i];
                else
                    literal += source[i];
                ++i;
            }
            ++i;
            literals.push_back(literal);
        } else {
            ++i;
        }
    }
    return literals;
}

// Every string literal of the library's code, with the file it is in.
std::multimap<std::string, std::string> libraryLiterals()
{
    std::multimap<std::string, std::string> found;
    const fs::path sdk = fs::path(KVN_SOURCE_DIR) / "SDK";
    for (const auto& entry : fs::recursive_directory_iterator(sdk)) {
        const auto extension = entry.path().extension();
        if (!entry.is_regular_file() || (extension != ".cpp" && extension != ".h"))
            continue;
        if (entry.path().lexically_relative(sdk).begin()->string() == "Resources")
            continue;
        for (const auto& literal : stringLiterals(readFile(entry.path())))
            found.emplace(literal, entry.path().lexically_relative(sdk).string());
    }
    return found;
}

// The length of the format placeholder at `at` ("%@", "%d", "%ld", "%lld", "%i", "%u", ...),
// 0 when there is none.
size_t placeholderAt(const std::string& text, size_t at)
{
    if (at >= text.size() || text[at] != '%')
        return 0;
    size_t i = at + 1;
    if (i < text.size() && text[i] == '@')
        return 2;
    while (i < text.size() && text[i] == 'l' && i - at <= 2)
        ++i;
    return i < text.size() && (text[i] == 'd' || text[i] == 'i' || text[i] == 'u') ? i + 1 - at : 0;
}

const std::vector<std::string> kDocuments = {"IDCARD", "PASSPORT", "RESIDENCE_PERMIT", "DRIVERS_LICENSE"};

std::vector<std::string> expand(const std::string& format, const std::vector<std::vector<std::string>>& arguments)
{
    std::vector<std::string> names;
    for (const auto& args : arguments) {
        std::string name = format;
        for (const auto& arg : args)
            for (size_t at = name.find('%'); at != std::string::npos; at = name.find('%', at + 1))
                if (size_t length = placeholderAt(name, at)) {
                    name.replace(at, length, arg);
                    break;
                }
        names.push_back(name);
    }
    return names;
}

std::vector<std::vector<std::string>> each(const std::vector<std::string>& values)
{
    std::vector<std::vector<std::string>> out;
    for (const auto& v : values)
        out.push_back({v});
    return out;
}

// The names a formatted image name stands for. Empty: the code falls back to a plain name
// of its own when the image is missing, so none has to be shipped.
const std::map<std::string, std::vector<std::string>>& imageFormats()
{
    static const std::map<std::string, std::vector<std::string>> formats = {
        {"kvn-document-%@-DE", expand("kvn-document-%@-DE", each(kDocuments))},
        {"kvn-mask-%@", expand("kvn-mask-%@", each({"id-1", "id-3", "face"}))},
        {"kvn-flag-%@", {}},          // "kvn-flag-placeholder"
        {"kvn-helper-%@-%@.jpg", {}}, // "helpexample-0"
        {"kvn-helper-%@.jpg", {}},    // "helpexample-0"
    };
    return formats;
}

// The keys a formatted text key stands for: the documents and photos the service names, and
// the error codes with the statuses that have texts of their own.
const std::map<std::string, std::vector<std::string>>& keyFormats()
{
    static const std::map<std::string, std::vector<std::string>> formats = [] {
        std::vector<std::vector<std::string>> documentPhotos;
        for (const auto& document : kDocuments)
            for (const char* photo : {"IDFRONTSIDE", "IDBACKSIDE", "IDHOLOGRAMS"})
                documentPhotos.push_back({document, photo});
        for (const char* photo : {"DRIVERSFRONTSIDE", "DRIVERSBACKSIDE", "DRIVERSHOLOGRAMS"})
            documentPhotos.push_back({"DRIVERS_LICENSE", photo});
        std::vector<std::string> publicCodes;
        for (int code = 1000; code <= 1012; ++code)
            publicCodes.push_back(std::to_string(code));
        // Codes below 2000, above 2021 and 2003 to 2005, 2015, 2018, 2019 read the default text.
        std::vector<std::string> internalCodes;
        for (int code = 2000; code <= 2021; ++code)
            if (!std::set<int>{2003, 2004, 2005, 2015, 2018, 2019}.count(code))
                internalCodes.push_back(std::to_string(code));

        std::map<std::string, std::vector<std::string>> f;
        f["PHOTO_DOCUMENT_%@_TITLE"] = expand("PHOTO_DOCUMENT_%@_TITLE", each(kDocuments));
        for (const char* part : {"TODO", "HELP"})
            for (const char* what : {"TITLE", "SUBTITLE", "DESCRIPTION", "LIST"}) {
                const std::string pair = std::string("PHOTO_") + part + "_%@_%@_" + what;
                const std::string face = std::string("PHOTO_") + part + "_%@_" + what;
                f[pair] = expand(pair, documentPhotos);
                f[face] = expand(face, each({"FACESCREENSHOT"}));
            }
        f["KAVONI_ERROR_DESCRIPTION_%ld"] = expand("KAVONI_ERROR_DESCRIPTION_%ld", each(publicCodes));
        f["KAVONI_ERROR_DESCRIPTION_%ld_%ld"] =
            expand("KAVONI_ERROR_DESCRIPTION_%ld_%ld", {{"1009", "404"}, {"1009", "500"}, {"1009", "503"}});
        f["KAVONI_INTERNAL_ERROR_DESCRIPTION_%ld"] = expand("KAVONI_INTERNAL_ERROR_DESCRIPTION_%ld", each(internalCodes));
        f["KAVONI_INTERNAL_ERROR_DESCRIPTION_%ld_%ld"] = expand(
            "KAVONI_INTERNAL_ERROR_DESCRIPTION_%ld_%ld",
            {{"2008", "404"}, {"2008", "410"}, {"2009", "404"}, {"2009", "410"}, {"2010", "412"}, {"2011", "412"}, {"2012", "412"}, {"2014", "400"}});
        return f;
    }();
    return formats;
}

// Upper-case literals of the code that are not texts: values the service sends or expects,
// environment and codec names, and the stems that key names are built from.
const std::set<std::string> kNotTextKeys = {
    // documents and photos as the service names them
    "IDCARD", "PASSPORT", "RESIDENCE_PERMIT", "DRIVERS_LICENSE", "IDFRONTSIDE", "IDBACKSIDE", "IDHOLOGRAMS", "DRIVERSFRONTSIDE",
    "DRIVERSBACKSIDE", "DRIVERSHOLOGRAMS", "FACESCREENSHOT",
    // service values: process type, video servers, channels, camera, error causes
    "VIDEO", "KAVONI", "DISABLED", "TOKBOX", "SMS", "EMAIL", "BACK", "OBJECT_NOT_FOUND", "WRONG_CONFIRMATION_TOKEN",
    // environments, HTTP methods, network kinds, codecs
    "DEV", "INT", "TST", "TS1", "TS2", "TS3", "APN", "GET", "POST", "WIFI", "WWAN", "VP8",
    // stems: "<stem>_TITLE", "<stem>_DESCRIPTION", "<stem>_PLACEHOLDER"
    "CHECK_MOBILE_NUMBER", "CHECK_EMAIL",
    // any title that begins with it counts as unset
    "NAVIGATION_ITEM_TITLE",
};

bool isImageName(const std::string& s)
{
    if (s == "help-example")
        return true;
    if (s.rfind("helpexample-", 0) == 0)
        return s.size() > 12 && s.find_first_not_of("0123456789", 12) == std::string::npos;
    return s.rfind("kvn-", 0) == 0 && s.size() > 4 &&
        s.find_first_not_of("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789_%@.-", 4) == std::string::npos;
}

// "OK", "SIGNATURE_TITLE", "PHOTO_TODO_%@_%@_TITLE": upper case, digits and underscores, and
// format placeholders, starting with a letter.
bool isTextKey(const std::string& s)
{
    if (s.size() < 2 || s[0] < 'A' || s[0] > 'Z' || kNotTextKeys.count(s))
        return false;
    bool formatted = false;
    for (size_t i = 0; i < s.size();) {
        if (size_t length = placeholderAt(s, i)) {
            formatted = true;
            i += length;
        } else if ((s[i] >= 'A' && s[i] <= 'Z') || (s[i] >= '0' && s[i] <= '9') || s[i] == '_') {
            ++i;
        } else {
            return false;
        }
    }
    return formatted || s.back() != '_';
}

// The names of one kind in the library's code, formats expanded through `formats`, each with a
// file that asks for it. A format that `formats` does not know is a failure: its names cannot
// be checked until the test is told which they are.
std::map<std::string, std::string> namesTheCodeAsksFor(bool (*isName)(const std::string&),
                                                      const std::map<std::string, std::vector<std::string>>& formats, const char* formatsName)
{
    std::map<std::string, std::string> wanted;
    for (const auto& [literal, file] : libraryLiterals()) {
        if (!isName(literal))
            continue;
        if (literal.find('%') == std::string::npos) {
            wanted.emplace(literal, file);
            continue;
        }
        auto format = formats.find(literal);
        if (format == formats.end()) {
            ADD_FAILURE() << file << " builds names from \"" << literal << "\": list the names it stands for in " << formatsName;
            continue;
        }
        for (const auto& name : format->second)
            wanted.emplace(name, file);
    }
    return wanted;
}

std::map<std::string, std::string> libraryTable(const std::string& language)
{
    return NSBundle::parseStringsFile(
        readFile(fs::path(KVN_SOURCE_DIR) / "SDK/Resources/KavoniSDKLocalization.bundle" / (language + ".lproj") / "Localizable.strings"));
}

} // namespace

TEST(LibraryResources, TheScanFindsWhatTheCodeAsksFor)
{
    // Guards the scan itself: a reader that finds nothing would pass every check below.
    const auto literals = stringLiterals(R"x(
        // "kvn-in-a-comment"
        auto a = KVNImageProvider::imageNamed("kvn-icon-close"); /* "NOT_A_KEY" */
        auto b = KVNLocalizer::localizedStringForKey(c ? "SIGNATURE_TITLE" : "OK");
        auto u = "https://example.org/x"; char q = '"'; auto r = R"y("RAW_TEXT")y";
        auto d = stringWithFormat("kvn-document-%@-DE", name);
    )x");
    EXPECT_EQ(literals, (std::vector<std::string>{"kvn-icon-close", "SIGNATURE_TITLE", "OK", "https://example.org/x", "kvn-document-%@-DE"}));

    const auto code = libraryLiterals();
    for (const char* known : {"kvn-icon-selected", "kvn-mask-%@", "kvn-watermark", "kvn-document-%@-DE", "OK", "SIGNATURE_TITLE",
                              "PHOTO_TODO_%@_%@_TITLE", "KAVONI_ERROR_DESCRIPTION_%ld"})
        EXPECT_TRUE(code.count(known)) << known;
}

TEST(LibraryResources, EveryImageTheCodeNamesIsShippedAtEveryScale)
{
    KvnTestBundle bundle;
    const fs::path images = KVN_TEST_BUNDLE_IMAGES_DIR;
    const auto wanted = namesTheCodeAsksFor(isImageName, imageFormats(), "imageFormats()");
    ASSERT_FALSE(wanted.empty());
    for (const auto& [name, file] : wanted) {
        auto image = UIImage::imageNamed(name);
        if (!image) {
            ADD_FAILURE() << "no image \"" << name << "\" (asked for in " << file << ")";
            continue;
        }
        for (const char* scale : {"", "@2x", "@3x"})
            EXPECT_TRUE(fs::exists(images / (name + scale + ".png"))) << name << scale;
        // A picture drawn off its canvas comes out fully transparent.
        CGImageRef bitmap = image->CGImage();
        size_t ink = 0;
        for (size_t y = 0; y < bitmap->height(); ++y)
            for (size_t x = 0; x < bitmap->width(); ++x)
                ink += (bitmap->pixelAt(x, y) >> 24) != 0;
        EXPECT_GT(ink, bitmap->width() * bitmap->height() / 100) << name << " is (nearly) empty";
    }
}

TEST(LibraryResources, EveryTextKeyTheCodeNamesIsInEveryLanguage)
{
    const auto wanted = namesTheCodeAsksFor(isTextKey, keyFormats(), "keyFormats()");
    ASSERT_GT(wanted.size(), 100u);
    for (const char* language : {"Base", "en", "de"}) {
        const auto table = libraryTable(language);
        ASSERT_FALSE(table.empty()) << language;
        for (const auto& [key, file] : wanted) {
            auto text = table.find(key);
            if (text == table.end())
                ADD_FAILURE() << language << ".lproj lacks \"" << key << "\" (asked for in " << file << ")";
            else
                EXPECT_FALSE(text->second.empty()) << language << " " << key;
        }
    }
}

// A translation that drops, adds or changes a placeholder makes the caller's format read an
// argument that is not there.
TEST(LibraryResources, TranslationsKeepTheirPlaceholders)
{
    const auto placeholders = [](const std::string& text) {
        std::vector<std::string> found;
        for (size_t at = text.find('%'); at != std::string::npos; at = text.find('%', at + 1))
            if (size_t length = placeholderAt(text, at))
                found.push_back(text.substr(at, length));
        return found;
    };
    const auto en = libraryTable("en");
    for (const char* language : {"Base", "de"}) {
        const auto other = libraryTable(language);
        for (const auto& [key, text] : en) {
            auto translated = other.find(key);
            if (translated != other.end()) {
                EXPECT_EQ(placeholders(translated->second), placeholders(text)) << language << " " << key;
            }
        }
    }
}
