#pragma once
// A folder of resources: files in the root, localized files in "<lang>.lproj" folders
// (the language chosen from the preferred languages, then "Base.lproj"), string tables
// "<table>.strings" in the old-style format, and an info dictionary from "Info.json".
// The main bundle's folder is set by the host (and tests). Thread-safe; tables are read
// once and cached.
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

class NSBundle {
public:
    static std::shared_ptr<NSBundle> mainBundle();
    static void setMainBundlePath(const std::string& path);
    // Tests: forget the main bundle path and every cached bundle.
    static void resetMainBundle();
    // nullptr when the folder does not exist.
    static std::shared_ptr<NSBundle> bundleWithPath(const std::string& path);

    explicit NSBundle(std::string path);

    std::string bundlePath() const;
    std::string resourcePath() const { return bundlePath(); }
    std::optional<std::string> pathForResource_ofType(const std::string& name, const std::string& type) const;
    // The "<lang>.lproj" folders present, as language identifiers ("de", "en", "Base").
    std::vector<std::string> localizations() const;
    // The localization chosen for the preferred languages, or nullopt when none fits.
    std::optional<std::string> preferredLocalization() const;
    // Missing key: `value` when non-empty, else the key.
    std::string localizedStringForKey_value_table(const std::string& key, const std::optional<std::string>& value,
                                                  const std::optional<std::string>& table) const;
    // From "Info.json" in the bundle root; null when absent.
    nlohmann::json objectForInfoDictionaryKey(const std::string& key) const;
    nlohmann::json infoDictionary() const;

    // Parses old-style strings text: `"KEY" = "value";` lines with // and /* */ comments and
    // \" \n \t \\ \uXXXX escapes. Malformed entries are skipped, never fatal.
    static std::map<std::string, std::string> parseStringsFile(const std::string& text);

private:
    const std::map<std::string, std::string>& tableFor(const std::string& table) const;

    std::string m_path;
    mutable std::mutex m_mutex;
    mutable std::map<std::string, std::map<std::string, std::string>> m_tables;
    mutable std::optional<nlohmann::json> m_info;
};
