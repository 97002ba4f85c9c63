#include "Foundation/NSUserDefaults.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <fcntl.h>
#include <unistd.h>

namespace {

std::mutex g_standardMutex;
std::optional<std::string> g_storePathOverride;
std::shared_ptr<NSUserDefaults> g_standard;

std::string defaultStorePath()
{
    if (const char* path = std::getenv("KVN_DEFAULTS_PATH"); path && *path)
        return path;
    const char* home = std::getenv("HOME");
    std::string base = home && *home ? home : ".";
    return base + "/.local/share/vellumbank/defaults.json";
}

} // namespace

std::shared_ptr<NSUserDefaults> NSUserDefaults::standardUserDefaults()
{
    std::lock_guard lock(g_standardMutex);
    if (!g_standard)
        g_standard = std::make_shared<NSUserDefaults>(g_storePathOverride.value_or(defaultStorePath()));
    return g_standard;
}

void NSUserDefaults::setStorePath(const std::string& path)
{
    std::lock_guard lock(g_standardMutex);
    g_storePathOverride = path;
    g_standard.reset();
}

std::string NSUserDefaults::storePath()
{
    std::lock_guard lock(g_standardMutex);
    return g_storePathOverride.value_or(defaultStorePath());
}

void NSUserDefaults::resetStandardUserDefaults()
{
    std::lock_guard lock(g_standardMutex);
    g_storePathOverride.reset();
    g_standard.reset();
}

NSUserDefaults::NSUserDefaults(std::string path) : m_path(std::move(path)) { load(); }

void NSUserDefaults::load()
{
    std::ifstream in(m_path, std::ios::binary);
    if (!in)
        return; // no file yet: empty defaults
    std::stringstream buffer;
    buffer << in.rdbuf();
    auto parsed = nlohmann::json::parse(buffer.str(), nullptr, false);
    if (parsed.is_discarded() || !parsed.is_object()) {
        std::fprintf(stderr, "NSUserDefaults: %s is not a JSON object; starting empty\n", m_path.c_str());
        return;
    }
    m_values = std::move(parsed);
}

void NSUserDefaults::setObject_forKey(nlohmann::json value, const std::string& key)
{
    std::lock_guard lock(m_mutex);
    if (value.is_null())
        m_values.erase(key);
    else
        m_values[key] = std::move(value);
}

nlohmann::json NSUserDefaults::objectForKey(const std::string& key) const
{
    std::lock_guard lock(m_mutex);
    auto it = m_values.find(key);
    return it == m_values.end() ? nlohmann::json() : *it;
}

std::optional<std::string> NSUserDefaults::stringForKey(const std::string& key) const
{
    auto value = objectForKey(key);
    if (value.is_string())
        return value.get<std::string>();
    // The platform answers numbers as their text too.
    if (value.is_number_integer())
        return std::to_string(value.get<long long>());
    if (value.is_number())
        return value.dump();
    return std::nullopt;
}

bool NSUserDefaults::boolForKey(const std::string& key) const
{
    auto value = objectForKey(key);
    if (value.is_boolean())
        return value.get<bool>();
    if (value.is_number())
        return value.get<double>() != 0;
    if (value.is_string()) {
        auto s = value.get<std::string>();
        return s == "YES" || s == "yes" || s == "true" || s == "TRUE" || (!s.empty() && std::atoi(s.c_str()) != 0);
    }
    return false;
}

long NSUserDefaults::integerForKey(const std::string& key) const
{
    auto value = objectForKey(key);
    if (value.is_boolean())
        return value.get<bool>() ? 1 : 0;
    if (value.is_number())
        return static_cast<long>(value.get<double>());
    if (value.is_string())
        return std::atol(value.get<std::string>().c_str());
    return 0;
}

void NSUserDefaults::setBool_forKey(bool value, const std::string& key) { setObject_forKey(value, key); }

void NSUserDefaults::setInteger_forKey(long value, const std::string& key) { setObject_forKey(value, key); }

void NSUserDefaults::removeObjectForKey(const std::string& key)
{
    std::lock_guard lock(m_mutex);
    m_values.erase(key);
}

bool NSUserDefaults::synchronize()
{
    std::lock_guard lock(m_mutex);
    std::error_code ec;
    std::filesystem::path path(m_path);
    if (path.has_parent_path())
        std::filesystem::create_directories(path.parent_path(), ec);
    std::string text = m_values.dump(2);
    std::string temporary = m_path + ".tmp" + std::to_string(::getpid());
    int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) {
        std::fprintf(stderr, "NSUserDefaults: cannot write %s: %s\n", temporary.c_str(), std::strerror(errno));
        return false;
    }
    size_t written = 0;
    while (written < text.size()) {
        ssize_t n = ::write(fd, text.data() + written, text.size() - written);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        written += static_cast<size_t>(n);
    }
    // The data must be on disk before the rename makes it the store.
    bool ok = written == text.size() && ::fsync(fd) == 0;
    ok = ::close(fd) == 0 && ok;
    if (!ok || ::rename(temporary.c_str(), m_path.c_str()) != 0) {
        std::fprintf(stderr, "NSUserDefaults: cannot store %s: %s\n", m_path.c_str(), std::strerror(errno));
        ::unlink(temporary.c_str());
        return false;
    }
    return true;
}
