#include "Foundation/NSBase64.h"

#include <array>

namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

constexpr std::array<int8_t, 256> decodeTable()
{
    std::array<int8_t, 256> table{};
    for (auto& v : table)
        v = -1;
    for (int i = 0; i < 64; ++i)
        table[static_cast<uint8_t>(kAlphabet[i])] = static_cast<int8_t>(i);
    return table;
}

constexpr auto kDecode = decodeTable();

} // namespace

std::string NSBase64Encode(const NSData& data)
{
    std::string out;
    out.reserve((data.size() + 2) / 3 * 4);
    size_t i = 0;
    for (; i + 3 <= data.size(); i += 3) {
        uint32_t n = (uint32_t(data[i]) << 16) | (uint32_t(data[i + 1]) << 8) | data[i + 2];
        out += kAlphabet[(n >> 18) & 63];
        out += kAlphabet[(n >> 12) & 63];
        out += kAlphabet[(n >> 6) & 63];
        out += kAlphabet[n & 63];
    }
    size_t rest = data.size() - i;
    if (rest == 1) {
        uint32_t n = uint32_t(data[i]) << 16;
        out += kAlphabet[(n >> 18) & 63];
        out += kAlphabet[(n >> 12) & 63];
        out += "==";
    } else if (rest == 2) {
        uint32_t n = (uint32_t(data[i]) << 16) | (uint32_t(data[i + 1]) << 8);
        out += kAlphabet[(n >> 18) & 63];
        out += kAlphabet[(n >> 12) & 63];
        out += kAlphabet[(n >> 6) & 63];
        out += '=';
    }
    return out;
}

std::optional<NSData> NSBase64Decode(const std::string& text)
{
    if (text.size() % 4 != 0)
        return std::nullopt;
    NSData out;
    out.reserve(text.size() / 4 * 3);
    for (size_t i = 0; i < text.size(); i += 4) {
        bool last = i + 4 == text.size();
        int values[4];
        int padding = 0;
        for (int k = 0; k < 4; ++k) {
            char c = text[i + k];
            if (c == '=' && last && k >= 2) {
                ++padding;
                values[k] = 0;
                continue;
            }
            if (padding > 0) // data after padding
                return std::nullopt;
            int v = kDecode[static_cast<uint8_t>(c)];
            if (v < 0)
                return std::nullopt;
            values[k] = v;
        }
        uint32_t n = (uint32_t(values[0]) << 18) | (uint32_t(values[1]) << 12) | (uint32_t(values[2]) << 6) | uint32_t(values[3]);
        out.push_back(static_cast<uint8_t>(n >> 16));
        if (padding < 2)
            out.push_back(static_cast<uint8_t>(n >> 8));
        if (padding < 1)
            out.push_back(static_cast<uint8_t>(n));
    }
    return out;
}
