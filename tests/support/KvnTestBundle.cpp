#include "support/KvnTestBundle.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "Foundation/NSBundle.h"

namespace fs = std::filesystem;

namespace {

std::string escapeStrings(const std::string& text)
{
    std::string out;
    for (char c : text) {
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\t': out += "\\t"; break;
        default: out += c;
        }
    }
    return out;
}

uint32_t crc32(const uint8_t* data, size_t size, uint32_t crc = 0)
{
    crc = ~crc;
    for (size_t i = 0; i < size; ++i) {
        crc ^= data[i];
        for (int k = 0; k < 8; ++k)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

void putBE32(NSData& out, uint32_t v)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<uint8_t>(v >> shift));
}

void putChunk(NSData& out, const char* type, const NSData& body)
{
    putBE32(out, static_cast<uint32_t>(body.size()));
    NSData typed(type, type + 4);
    typed.insert(typed.end(), body.begin(), body.end());
    out.insert(out.end(), typed.begin(), typed.end());
    putBE32(out, crc32(typed.data(), typed.size()));
}

} // namespace

KvnTestBundle::KvnTestBundle(const std::string& resourcesDir, const std::string& imagesDir)
{
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/kvn-bundle-XXXXXX";
    if (!mkdtemp(pattern.data()))
        throw std::runtime_error("KvnTestBundle: cannot create " + pattern);
    m_path = pattern;
    std::string resources = resourcesDir;
    if (resources.empty()) {
        const char* source = std::getenv("KVN_SOURCE_DIR");
        resources = std::string(source ? source : ".") + "/SDK/Resources";
    }
    const fs::path library = fs::path(resources) / "KavoniSDKLocalization.bundle";
    if (fs::is_directory(library))
        fs::copy(library, libraryBundlePath(), fs::copy_options::recursive);
    if (!imagesDir.empty() && fs::is_directory(imagesDir))
        for (const auto& entry : fs::directory_iterator(imagesDir))
            if (entry.path().extension() == ".png")
                fs::copy_file(entry.path(), fs::path(m_path) / entry.path().filename());
    activate();
}

KvnTestBundle::~KvnTestBundle()
{
    NSBundle::resetMainBundle();
    std::error_code ec;
    fs::remove_all(m_path, ec);
}

void KvnTestBundle::setHostStrings(const std::map<std::string, std::string>& strings, const std::optional<std::string>& language)
{
    std::string text = "/* host app texts */\n";
    for (const auto& [key, value] : strings)
        text += "\"" + escapeStrings(key) + "\" = \"" + escapeStrings(value) + "\";\n";
    writeFile(language ? *language + ".lproj/Localizable.strings" : std::string("Localizable.strings"), text);
}

void KvnTestBundle::writeFile(const std::string& relativePath, const std::string& contents)
{
    const fs::path file = fs::path(m_path) / relativePath;
    fs::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary | std::ios::trunc) << contents;
    activate();
}

void KvnTestBundle::addImage(const std::string& name, int width, int height, uint32_t rgba)
{
    // The lookup prefers the screen's scale, so a library image's @2x or @3x would win over a
    // plain "<name>.png" written here.
    removeImage(name);
    const NSData png = solidPNG(width, height, rgba);
    writeFile(name + ".png", std::string(png.begin(), png.end()));
}

void KvnTestBundle::removeImage(const std::string& name)
{
    for (const char* scale : {"", "@2x", "@3x"}) {
        std::error_code ec;
        fs::remove(fs::path(m_path) / (name + scale + ".png"), ec);
    }
    activate();
}

void KvnTestBundle::remove(const std::string& relativePath)
{
    std::error_code ec;
    fs::remove_all(fs::path(m_path) / relativePath, ec);
    activate();
}

void KvnTestBundle::activate() { NSBundle::setMainBundlePath(m_path); }

NSData KvnTestBundle::solidPNG(int width, int height, uint32_t rgba)
{
    // Scanlines of filter byte 0 and RGBA pixels, in stored (uncompressed) deflate blocks.
    NSData raw;
    for (int y = 0; y < height; ++y) {
        raw.push_back(0);
        for (int x = 0; x < width; ++x)
            for (int shift = 24; shift >= 0; shift -= 8)
                raw.push_back(static_cast<uint8_t>(rgba >> shift));
    }
    NSData zlib{0x78, 0x01};
    size_t offset = 0;
    do {
        const size_t block = std::min<size_t>(raw.size() - offset, 65535);
        const bool last = offset + block == raw.size();
        zlib.push_back(last ? 1 : 0);
        zlib.push_back(static_cast<uint8_t>(block & 0xFF));
        zlib.push_back(static_cast<uint8_t>(block >> 8));
        zlib.push_back(static_cast<uint8_t>(~block & 0xFF));
        zlib.push_back(static_cast<uint8_t>((~block >> 8) & 0xFF));
        zlib.insert(zlib.end(), raw.begin() + static_cast<long>(offset), raw.begin() + static_cast<long>(offset + block));
        offset += block;
    } while (offset < raw.size());
    uint32_t a = 1, b = 0;
    for (uint8_t byte : raw) {
        a = (a + byte) % 65521;
        b = (b + a) % 65521;
    }
    putBE32(zlib, (b << 16) | a);

    NSData png{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    NSData header;
    putBE32(header, static_cast<uint32_t>(width));
    putBE32(header, static_cast<uint32_t>(height));
    header.insert(header.end(), {8, 6, 0, 0, 0}); // 8 bits, RGBA, deflate, no filter set, no interlace
    putChunk(png, "IHDR", header);
    putChunk(png, "IDAT", zlib);
    putChunk(png, "IEND", {});
    return png;
}
