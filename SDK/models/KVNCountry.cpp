#include "models/KVNCountry.h"

#include "Foundation/NSLocale.h"
#include "Foundation/NSString.h"
#include "Private/Helper/KVNImageProvider.h"
#include "models/KVNDocument.h"

std::shared_ptr<KVNCountry> KVNCountry::countryWithLocale(const std::string& locale)
{
    auto country = std::make_shared<KVNCountry>();
    country->setLocale(locale);
    const auto languages = NSLocale::preferredLanguages();
    const std::string displayLanguage = !languages.empty() && languages.front() == "de" ? "de" : "en";
    country->setLocaleDisplayName(NSLocale::localeWithLocaleIdentifier(displayLanguage)->displayNameForCountryCode(locale));
    return country;
}

std::shared_ptr<UIImage> KVNCountry::countryImage() const
{
    if (auto flag = KVNImageProvider::imageNamed(NSString::stringWithFormat("kvn-flag-%@", m_locale)))
        return flag;
    return KVNImageProvider::imageNamed("kvn-flag-placeholder");
}
