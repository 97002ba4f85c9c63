#pragma once
// A country a photo identification can be made for, with its name in the user's language
// ("de" or "en") and the documents it allows. The country owns its documents; they point
// back to it weakly. Main thread.
#include <memory>
#include <string>
#include <vector>

class KVNDocument;
class UIImage;

class KVNCountry {
public:
    // The country of the service's code, named in German when the first preferred language
    // is exactly "de", else in English.
    static std::shared_ptr<KVNCountry> countryWithLocale(const std::string& locale);

    // The code as the service gave it; sent back as the country of the photo identification.
    const std::string& locale() const { return m_locale; }
    void setLocale(std::string locale) { m_locale = std::move(locale); }
    const std::string& localeDisplayName() const { return m_localeDisplayName; }
    void setLocaleDisplayName(std::string name) { m_localeDisplayName = std::move(name); }
    const std::vector<std::shared_ptr<KVNDocument>>& documents() const { return m_documents; }
    void setDocuments(std::vector<std::shared_ptr<KVNDocument>> documents) { m_documents = std::move(documents); }

    // The flag "kvn-flag-<locale>", else "kvn-flag-placeholder" (through KVNImageProvider).
    std::shared_ptr<UIImage> countryImage() const;

private:
    std::string m_locale;
    std::string m_localeDisplayName;
    std::vector<std::shared_ptr<KVNDocument>> m_documents;
};
