#pragma once
// Turns a text key into the user-visible text. The host app's own string table wins; after
// it comes the library's "KavoniSDKLocalization.bundle" inside the main bundle, in the
// user-interface language when one is set. Nothing is cached: every lookup reads the
// bundles anew, so a language set later takes effect at once.
// Used on the main queue; the language itself is guarded and may be set from any thread.
#include <optional>
#include <string>

class KVNLocalizer {
public:
    // The text for the key; the key itself when no table has it; the empty text when the
    // library bundle is missing.
    static std::string localizedStringForKey(const std::string& key);
    // The language code naming a "<language>.lproj" folder of the library bundle, or none.
    static void setUserInterfaceLanguage(const std::optional<std::string>& language);
    static std::optional<std::string> userInterfaceLanguage();
};
