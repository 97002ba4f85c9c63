#include "Foundation/NSBundle.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <unicode/unistr.h>
#include <unistd.h>

#include "Foundation/NSLocale.h"
#include "Foundation/NSString.h"

namespace fs = std::filesystem;

namespace {

std::mutex g_mainMutex;
std::optional<std::string> g_mainPath;
std::shared_ptr<NSBundle> g_main;

std::string executableFolder()
{
    std::error_code ec;
    auto exe = fs::read_symlink("/proc/self/exe", ec);
    if (ec)
        return fs::current_path(ec).string();
    return exe.parent_path().string();
}

bool isDirectory(const std::string& path)
{
    std::error_code ec;
    return fs::is_directory(path, ec);
}

bool exists(const std::string& path)
{
    std::error_code ec;
    return fs::exists(path, ec);
}

std::optional<std::string> readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    std::stringstream buffer;
    buffer << in.rdbuf();
    return buffer.str();
}

// Strings files are UTF-8; one written as UTF-16 (with its byte-order mark) is converted.
std::string textOfStringsFile(const std::string& bytes)
{
    if (bytes.size() >= 3 && bytes.compare(0, 3, "\xEF\xBB\xBF") == 0)
        return bytes.substr(3);
    if (bytes.size() >= 2 && ((bytes[0] == '\xFF' && bytes[1] == '\xFE') || (bytes[0] == '\xFE' && bytes[1] == '\xFF'))) {
        bool little = bytes[0] == '\xFF';
        icu::UnicodeString text;
        for (size_t i = 2; i + 1 < bytes.size(); i += 2) {
            auto lo = static_cast<uint8_t>(bytes[little ? i : i + 1]);
            auto hi = static_cast<uint8_t>(bytes[little ? i + 1 : i]);
            text.append(static_cast<char16_t>((hi << 8) | lo));
        }
        std::string out;
        text.toUTF8String(out);
        return out;
    }
    return bytes;
}

std::string normalizedLanguage(std::string id)
{
    std::replace(id.begin(), id.end(), '_', '-');
    return NSString::lowercaseString(id);
}

// Old-style strings text, read with a cursor. Errors skip to the next ';' and go on.
class StringsParser {
public:
    explicit StringsParser(const std::string& text) : m_s(text) {}

    std::map<std::string, std::string> parse()
    {
        std::map<std::string, std::string> table;
        for (;;) {
            skipSpaceAndComments();
            if (atEnd())
                break;
            auto key = readToken();
            skipSpaceAndComments();
            if (!key) {
                recover();
                continue;
            }
            if (peek() == ';') { // "KEY"; means the key is its own value
                ++m_i;
                table[*key] = *key;
                continue;
            }
            if (peek() != '=') {
                recover();
                continue;
            }
            ++m_i;
            skipSpaceAndComments();
            auto value = readToken();
            skipSpaceAndComments();
            if (!value || peek() != ';') {
                recover();
                continue;
            }
            ++m_i;
            table[*key] = *value;
        }
        return table;
    }

private:
    bool atEnd() const { return m_i >= m_s.size(); }
    char peek() const { return atEnd() ? '\0' : m_s[m_i]; }

    void skipSpaceAndComments()
    {
        while (!atEnd()) {
            char c = m_s[m_i];
            if (c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v') {
                ++m_i;
            } else if (c == '/' && m_i + 1 < m_s.size() && m_s[m_i + 1] == '/') {
                size_t end = m_s.find('\n', m_i);
                m_i = end == std::string::npos ? m_s.size() : end + 1;
            } else if (c == '/' && m_i + 1 < m_s.size() && m_s[m_i + 1] == '*') {
                size_t end = m_s.find("*/", m_i + 2);
                m_i = end == std::string::npos ? m_s.size() : end + 2;
            } else {
                break;
            }
        }
    }

    // Skips past the next ';' outside quotes, so that one bad entry costs only itself.
    void recover()
    {
        bool quoted = false;
        while (!atEnd()) {
            char c = m_s[m_i++];
            if (quoted && c == '\\') {
                if (!atEnd())
                    ++m_i;
            } else if (c == '"') {
                quoted = !quoted;
            } else if (c == ';' && !quoted) {
                return;
            } else if (c == '\n' && quoted) {
                // An unterminated quote must not swallow the rest of the file.
                quoted = false;
            }
        }
    }

    // A quoted string with escapes, or an unquoted word of letters, digits and _ . - : /.
    std::optional<std::string> readToken()
    {
        if (peek() == '"')
            return readQuoted();
        std::string word;
        while (!atEnd()) {
            char c = m_s[m_i];
            bool allowed = std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '.' || c == '-' || c == ':' || c == '/' ||
                           (static_cast<unsigned char>(c) & 0x80);
            if (!allowed)
                break;
            word += c;
            ++m_i;
        }
        if (word.empty())
            return std::nullopt;
        return word;
    }

    std::optional<std::string> readQuoted()
    {
        size_t start = m_i;
        ++m_i;
        std::string out;
        while (!atEnd()) {
            char c = m_s[m_i++];
            if (c == '"')
                return out;
            if (c != '\\') {
                out += c;
                continue;
            }
            if (atEnd())
                break;
            char e = m_s[m_i++];
            switch (e) {
            case 'n': out += '\n'; break;
            case 't': out += '\t'; break;
            case 'r': out += '\r'; break;
            case '"': out += '"'; break;
            case '\\': out += '\\'; break;
            case '\'': out += '\''; break;
            case 'U':
            case 'u': {
                uint32_t code = 0;
                int digits = 0;
                while (digits < 4 && !atEnd() && std::isxdigit(static_cast<unsigned char>(m_s[m_i]))) {
                    code = code * 16 + static_cast<uint32_t>(std::stoi(std::string(1, m_s[m_i]), nullptr, 16));
                    ++m_i;
                    ++digits;
                }
                // A high surrogate followed by \uDCxx is one character.
                if (code >= 0xD800 && code <= 0xDBFF && m_i + 1 < m_s.size() && m_s[m_i] == '\\' &&
                    (m_s[m_i + 1] == 'u' || m_s[m_i + 1] == 'U')) {
                    size_t save = m_i;
                    m_i += 2;
                    uint32_t low = 0;
                    int lowDigits = 0;
                    while (lowDigits < 4 && !atEnd() && std::isxdigit(static_cast<unsigned char>(m_s[m_i]))) {
                        low = low * 16 + static_cast<uint32_t>(std::stoi(std::string(1, m_s[m_i]), nullptr, 16));
                        ++m_i;
                        ++lowDigits;
                    }
                    if (low >= 0xDC00 && low <= 0xDFFF)
                        code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
                    else
                        m_i = save;
                }
                if (digits == 0 || (code >= 0xD800 && code <= 0xDFFF))
                    code = 0xFFFD;
                icu::UnicodeString ch;
                ch.append(static_cast<UChar32>(code));
                ch.toUTF8String(out);
                break;
            }
            default:
                out += e; // unknown escapes keep the character
            }
        }
        m_i = start; // unterminated: let recover() skip it
        return std::nullopt;
    }

    const std::string& m_s;
    size_t m_i = 0;
};

} // namespace

std::shared_ptr<NSBundle> NSBundle::mainBundle()
{
    std::lock_guard lock(g_mainMutex);
    if (!g_main)
        g_main = std::make_shared<NSBundle>(g_mainPath.value_or(executableFolder()));
    return g_main;
}

void NSBundle::setMainBundlePath(const std::string& path)
{
    std::lock_guard lock(g_mainMutex);
    g_mainPath = path;
    g_main.reset();
}

void NSBundle::resetMainBundle()
{
    std::lock_guard lock(g_mainMutex);
    g_mainPath.reset();
    g_main.reset();
}

std::shared_ptr<NSBundle> NSBundle::bundleWithPath(const std::string& path)
{
    if (path.empty() || !isDirectory(path))
        return nullptr;
    return std::make_shared<NSBundle>(path);
}

NSBundle::NSBundle(std::string path) : m_path(std::move(path))
{
    while (m_path.size() > 1 && m_path.back() == '/')
        m_path.pop_back();
}

std::string NSBundle::bundlePath() const { return m_path; }

std::vector<std::string> NSBundle::localizations() const
{
    std::vector<std::string> out;
    std::error_code ec;
    for (fs::directory_iterator it(m_path, ec), end; !ec && it != end; it.increment(ec)) {
        std::string name = it->path().filename().string();
        if (NSString::hasSuffix(name, ".lproj") && it->is_directory(ec))
            out.push_back(name.substr(0, name.size() - 6));
    }
    std::sort(out.begin(), out.end());
    return out;
}

std::optional<std::string> NSBundle::preferredLocalization() const
{
    auto available = localizations();
    auto find = [&](const std::string& wanted) -> std::optional<std::string> {
        for (const auto& l : available)
            if (l != "Base" && normalizedLanguage(l) == wanted)
                return l;
        return std::nullopt;
    };
    // First the exact language ("de-CH"), then its base language ("de"), for each preference in order.
    for (const auto& language : NSLocale::preferredLanguages()) {
        std::string wanted = normalizedLanguage(language);
        if (auto hit = find(wanted))
            return hit;
        size_t dash = wanted.find('-');
        if (dash != std::string::npos)
            if (auto hit = find(wanted.substr(0, dash)))
                return hit;
    }
    // Then the bundle's development language.
    std::string development = "en";
    auto region = objectForInfoDictionaryKey("CFBundleDevelopmentRegion");
    if (region.is_string())
        development = normalizedLanguage(region.get<std::string>());
    if (auto hit = find(development))
        return hit;
    return std::nullopt;
}

std::optional<std::string> NSBundle::pathForResource_ofType(const std::string& name, const std::string& type) const
{
    if (name.empty() && type.empty())
        return std::nullopt;
    std::string file = type.empty() ? name : name + "." + (NSString::hasPrefix(type, ".") ? type.substr(1) : type);
    // A resource name is a name, not a way out of the bundle.
    if (file.front() == '/')
        return std::nullopt;
    for (const auto& part : NSString::componentsSeparatedByString(file, "/"))
        if (part == "..")
            return std::nullopt;
    std::vector<std::string> folders{m_path};
    if (auto language = preferredLocalization())
        folders.push_back(m_path + "/" + *language + ".lproj");
    folders.push_back(m_path + "/Base.lproj");
    for (const auto& folder : folders) {
        std::string candidate = folder + "/" + file;
        if (exists(candidate))
            return candidate;
    }
    return std::nullopt;
}

std::map<std::string, std::string> NSBundle::parseStringsFile(const std::string& text)
{
    std::string utf8 = textOfStringsFile(text);
    return StringsParser(utf8).parse();
}

const std::map<std::string, std::string>& NSBundle::tableFor(const std::string& table) const
{
    // One table per name and chosen language: the language folder's entries, then Base's,
    // then the bundle root's, the first one found winning.
    auto language = preferredLocalization();
    std::string cacheKey = table + "\n" + language.value_or("");
    std::lock_guard lock(m_mutex);
    auto cached = m_tables.find(cacheKey);
    if (cached != m_tables.end())
        return cached->second;
    std::map<std::string, std::string> merged;
    std::vector<std::string> files;
    if (language)
        files.push_back(m_path + "/" + *language + ".lproj/" + table + ".strings");
    files.push_back(m_path + "/Base.lproj/" + table + ".strings");
    files.push_back(m_path + "/" + table + ".strings");
    for (const auto& file : files) {
        auto bytes = readFile(file);
        if (!bytes)
            continue;
        for (auto& [key, value] : parseStringsFile(*bytes))
            merged.emplace(key, value);
    }
    return m_tables.emplace(cacheKey, std::move(merged)).first->second;
}

std::string NSBundle::localizedStringForKey_value_table(const std::string& key, const std::optional<std::string>& value,
                                                        const std::optional<std::string>& table) const
{
    std::string tableName = table && !table->empty() ? *table : "Localizable";
    if (tableName.find('/') != std::string::npos)
        return value && !value->empty() ? *value : key;
    const auto& strings = tableFor(tableName);
    auto it = strings.find(key);
    if (it != strings.end())
        return it->second;
    return value && !value->empty() ? *value : key;
}

nlohmann::json NSBundle::infoDictionary() const
{
    std::lock_guard lock(m_mutex);
    if (!m_info) {
        m_info = nlohmann::json::object();
        if (auto text = readFile(m_path + "/Info.json")) {
            auto parsed = nlohmann::json::parse(*text, nullptr, false);
            if (!parsed.is_discarded() && parsed.is_object())
                m_info = std::move(parsed);
            else
                std::fprintf(stderr, "NSBundle: %s/Info.json is not a JSON object\n", m_path.c_str());
        }
    }
    return *m_info;
}

nlohmann::json NSBundle::objectForInfoDictionaryKey(const std::string& key) const
{
    auto info = infoDictionary();
    auto it = info.find(key);
    return it == info.end() ? nlohmann::json() : *it;
}
