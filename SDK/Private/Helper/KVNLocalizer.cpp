#include "Private/Helper/KVNLocalizer.h"

#include <map>
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

// The library bundle and its language folders, opened once for each main bundle: opening one
// anew for every text read and parsed its table again each time (a screen asks for dozens).
// Pointing the main bundle elsewhere (the host, or a test writing its files) drops them.
struct OpenedBundles {
    std::mutex mutex;
    std::weak_ptr<NSBundle> mainBundle;
    std::map<std::string, std::shared_ptr<NSBundle>> byPath;
};

OpenedBundles& openedBundles()
{
    static OpenedBundles opened;
    return opened;
}

std::shared_ptr<NSBundle> openResource(const std::shared_ptr<NSBundle>& mainBundle, const NSBundle& bundle, const std::string& name,
                                       const std::string& type)
{
    const auto path = bundle.pathForResource_ofType(name, type);
    if (!path)
        return nullptr;
    auto& opened = openedBundles();
    std::lock_guard lock(opened.mutex);
    if (opened.mainBundle.lock() != mainBundle) {
        opened.byPath.clear();
        opened.mainBundle = mainBundle;
    }
    auto& kept = opened.byPath[*path];
    if (!kept)
        kept = NSBundle::bundleWithPath(*path);
    return kept;
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

    auto libraryBundle = openResource(mainBundle, *mainBundle, "KavoniSDKLocalization", "bundle");
    if (!libraryBundle)
        return std::string();

    std::shared_ptr<NSBundle> table = libraryBundle;
    if (const auto language = userInterfaceLanguage()) {
        table = openResource(mainBundle, *libraryBundle, *language, "lproj");
        // A language the library has no folder for falls back to its base table rather than
        // blanking every text; the bundle's own choice is the last resort.
        if (!table)
            table = openResource(mainBundle, *libraryBundle, "Base", "lproj");
        if (!table)
            table = libraryBundle;
    }
    return lookUp(*table, key);
}
