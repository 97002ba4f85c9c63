#pragma once
// Locales: the user's preferred languages, the current locale and country names in a
// locale's language (from ICU). Defaults come from the LANGUAGE and LANG environment
// variables, else "en_US"; tests override both with the setters. Thread-safe.
#include <memory>
#include <optional>
#include <string>
#include <vector>

class NSLocale {
public:
    // Language identifiers, most preferred first ("de-DE", "en").
    static std::vector<std::string> preferredLanguages();
    static std::shared_ptr<NSLocale> currentLocale();
    static std::shared_ptr<NSLocale> localeWithLocaleIdentifier(const std::string& identifier);

    // Tests: override what the environment says. resetOverrides() goes back to the environment.
    static void setPreferredLanguages(std::vector<std::string> languages);
    static void setCurrentLocaleIdentifier(const std::string& identifier);
    static void resetOverrides();

    explicit NSLocale(std::string identifier);

    // "de_DE", "en_US" (underscores, whatever separator it was made with).
    std::string localeIdentifier() const;
    std::optional<std::string> countryCode() const;
    std::optional<std::string> languageCode() const;
    // The country's name in this locale's language ("DE" in "de": "Deutschland"); the code
    // itself when ICU knows no name for it.
    std::string displayNameForCountryCode(const std::string& countryCode) const;
    std::string displayNameForLanguageCode(const std::string& languageCode) const;

private:
    std::string m_identifier;
};
