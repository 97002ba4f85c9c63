#include "Private/Helper/KVNLocalizer.h"

#include <memory>
#include <mutex>

#include "Foundation/NSBundle.h"

namespace {

std::mutex& languageMutex()
{
    static std::mutex mutex;
    return mutex;
}

std::optional<std::string>& languageStorage()
{
    static std::optional<std::string> language;
    return language;
}

// The "Localizable" table of the bundle; missing keys give the key itself.
std::string lookUp(const NSBundle& bundle, const std::string& key)
{
    return bundle.localizedStringForKey_value_table(key, std::string(), std::nullopt);
}

std::shared_ptr<NSBundle> openResource(const NSBundle& bundle, const std::string& name, const std::string& type)
{
    const auto path = bundle.pathForResource_ofType(name, type);
    return path ? NSBundle::bundleWithPath(*path) : nullptr;
}

} // namespace

void KVNLocalizer::setUserInterfaceLanguage(const std::optional<std::string>& language)
{
    std::lock_guard lock(languageMutex());
    languageStorage() = language;
}

std::optional<std::string> KVNLocalizer::userInterfaceLanguage()
{
    std::lock_guard lock(languageMutex());
    return languageStorage();
}

std::string KVNLocalizer::localizedStringForKey(const std::string& key)
{
    const auto mainBundle = NSBundle::mainBundle();
    if (!mainBundle)
        return std::string();

    // The host app's table wins wherever it has a text of its own for the key, an empty one
    // included: a host blanks a library text on purpose that way. A missing key comes back as
    // the key itself.
    const std::string hostText = lookUp(*mainBundle, key);
    if (hostText != key)
        return hostText;

    auto libraryBundle = openResource(*mainBundle, "KavoniSDKLocalization", "bundle");
    if (!libraryBundle)
        return std::string();

    std::shared_ptr<NSBundle> table = libraryBundle;
    if (const auto language = userInterfaceLanguage()) {
        table = openResource(*libraryBundle, *language, "lproj");
        // A language the library has no folder for falls back to its base table rather than
        // blanking every text; the bundle's own choice is the last resort.
        if (!table)
            table = openResource(*libraryBundle, "Base", "lproj");
        if (!table)
            table = libraryBundle;
    }
    return lookUp(*table, key);
}
