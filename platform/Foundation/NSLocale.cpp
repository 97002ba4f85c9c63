#include "Foundation/NSLocale.h"

#include <cstdlib>
#include <mutex>

#include <unicode/locid.h>
#include <unicode/unistr.h>

#include "Foundation/NSString.h"

namespace {

std::mutex g_mutex;
std::optional<std::vector<std::string>> g_preferredOverride;
std::optional<std::string> g_currentOverride;

// "de_DE.UTF-8@euro" -> "de_DE"; "C" and "POSIX" name no language.
std::optional<std::string> identifierFromPosix(const char* value)
{
    if (!value || !*value)
        return std::nullopt;
    std::string id = value;
    id = id.substr(0, id.find_first_of(".@"));
    if (id.empty() || id == "C" || id == "POSIX")
        return std::nullopt;
    return id;
}

std::string underscored(std::string id) { return NSString::stringByReplacingOccurrencesOfString_withString(id, "-", "_"); }
std::string hyphenated(std::string id) { return NSString::stringByReplacingOccurrencesOfString_withString(id, "_", "-"); }

std::string environmentLocale()
{
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"})
        if (auto id = identifierFromPosix(std::getenv(name)))
            return underscored(*id);
    return "en_US";
}

std::vector<std::string> environmentLanguages()
{
    std::vector<std::string> languages;
    if (const char* list = std::getenv("LANGUAGE"); list && *list) {
        for (const auto& part : NSString::componentsSeparatedByString(list, ":"))
            if (auto id = identifierFromPosix(part.c_str()))
                languages.push_back(hyphenated(*id));
    }
    if (languages.empty())
        languages.push_back(hyphenated(environmentLocale()));
    return languages;
}

icu::Locale icuLocale(const std::string& identifier) { return icu::Locale::createFromName(underscored(identifier).c_str()); }

} // namespace

std::vector<std::string> NSLocale::preferredLanguages()
{
    {
        std::lock_guard lock(g_mutex);
        if (g_preferredOverride)
            return *g_preferredOverride;
    }
    return environmentLanguages();
}

std::shared_ptr<NSLocale> NSLocale::currentLocale()
{
    std::string id;
    {
        std::lock_guard lock(g_mutex);
        if (g_currentOverride)
            id = *g_currentOverride;
    }
    return std::make_shared<NSLocale>(id.empty() ? environmentLocale() : id);
}

std::shared_ptr<NSLocale> NSLocale::localeWithLocaleIdentifier(const std::string& identifier)
{
    return std::make_shared<NSLocale>(identifier);
}

void NSLocale::setPreferredLanguages(std::vector<std::string> languages)
{
    std::lock_guard lock(g_mutex);
    g_preferredOverride = std::move(languages);
}

void NSLocale::setCurrentLocaleIdentifier(const std::string& identifier)
{
    std::lock_guard lock(g_mutex);
    g_currentOverride = identifier;
}

void NSLocale::resetOverrides()
{
    std::lock_guard lock(g_mutex);
    g_preferredOverride.reset();
    g_currentOverride.reset();
}

NSLocale::NSLocale(std::string identifier) : m_identifier(underscored(std::move(identifier))) {}

std::string NSLocale::localeIdentifier() const { return m_identifier; }

std::optional<std::string> NSLocale::countryCode() const
{
    std::string country = icuLocale(m_identifier).getCountry();
    if (country.empty())
        return std::nullopt;
    return country;
}

std::optional<std::string> NSLocale::languageCode() const
{
    std::string language = icuLocale(m_identifier).getLanguage();
    if (language.empty())
        return std::nullopt;
    return language;
}

std::string NSLocale::displayNameForCountryCode(const std::string& countryCode) const
{
    std::string code = NSString::uppercaseString(NSString::trim(countryCode));
    if (code.empty())
        return countryCode;
    icu::Locale region("", code.c_str());
    if (region.isBogus())
        return countryCode;
    icu::UnicodeString name;
    region.getDisplayCountry(icuLocale(m_identifier), name);
    std::string out;
    name.toUTF8String(out);
    // ICU echoes the code when it knows no name for it.
    return out.empty() ? countryCode : out;
}

std::string NSLocale::displayNameForLanguageCode(const std::string& languageCode) const
{
    icu::Locale language(NSString::lowercaseString(NSString::trim(languageCode)).c_str());
    if (language.isBogus())
        return languageCode;
    icu::UnicodeString name;
    language.getDisplayLanguage(icuLocale(m_identifier), name);
    std::string out;
    name.toUTF8String(out);
    return out.empty() ? languageCode : out;
}
