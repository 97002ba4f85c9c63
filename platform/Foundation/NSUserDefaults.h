#pragma once
// Small persistent settings: JSON values by key, kept in one JSON file. Writes go to
// memory at once; synchronize() stores the file atomically (temporary file, then rename),
// so a crash leaves either the old or the new file, never half of one. Thread-safe.
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include <nlohmann/json.hpp>

class NSUserDefaults {
public:
    static std::shared_ptr<NSUserDefaults> standardUserDefaults();
    // Where the standard defaults live: default $KVN_DEFAULTS_PATH, else
    // ~/.local/share/vellumbank/defaults.json. Setting it drops the loaded store, so the next
    // standardUserDefaults() reads the new file.
    static void setStorePath(const std::string& path);
    static std::string storePath();
    // Tests: back to the default path and a fresh store.
    static void resetStandardUserDefaults();

    explicit NSUserDefaults(std::string path);

    void setObject_forKey(nlohmann::json value, const std::string& key);
    nlohmann::json objectForKey(const std::string& key) const;
    std::optional<std::string> stringForKey(const std::string& key) const;
    bool boolForKey(const std::string& key) const;
    long integerForKey(const std::string& key) const;
    void setBool_forKey(bool value, const std::string& key);
    void setInteger_forKey(long value, const std::string& key);
    void removeObjectForKey(const std::string& key);
    bool synchronize();

private:
    void load();

    mutable std::mutex m_mutex;
    std::string m_path;
    nlohmann::json m_values = nlohmann::json::object();
};
