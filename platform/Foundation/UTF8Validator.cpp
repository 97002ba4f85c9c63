#include "Foundation/UTF8Validator.h"

namespace Unicode {

namespace {

// The length of the well-formed sequence at the start of the bytes, 0 when none starts there.
// The second byte's range is narrowed where a wider one would admit an overlong form (E0, F0),
// a surrogate (ED) or a point above U+10FFFF (F4); C0, C1 and F5-FF start nothing.
size_t sequenceLength(std::span<const uint8_t> bytes)
{
    const uint8_t lead = bytes[0];
    size_t length = 0;
    uint8_t low = 0x80, high = 0xBF;
    if (lead < 0x80)
        return 1;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0)
            low = 0xA0;
        else if (lead == 0xED)
            high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0)
            low = 0x90;
        else if (lead == 0xF4)
            high = 0x8F;
    } else {
        return 0;
    }
    if (bytes.size() < length)
        return 0;
    if (bytes[1] < low || bytes[1] > high)
        return 0;
    for (size_t k = 2; k < length; ++k)
        if (bytes[k] < 0x80 || bytes[k] > 0xBF)
            return 0;
    return length;
}

} // namespace

bool UTF8Validator::isValid(std::span<const uint8_t> bytes)
{
    while (!bytes.empty()) {
        const size_t length = sequenceLength(bytes);
        if (length == 0)
            return false;
        bytes = bytes.subspan(length);
    }
    return true;
}

std::optional<std::string> UTF8Validator::text(std::span<const uint8_t> bytes)
{
    if (!isValid(bytes))
        return std::nullopt;
    return std::string(bytes.begin(), bytes.end());
}

std::string UTF8Validator::replacingIllFormed(std::span<const uint8_t> bytes)
{
    static const char replacement[] = "\xEF\xBF\xBD";
    std::string out;
    out.reserve(bytes.size());
    while (!bytes.empty()) {
        const size_t length = sequenceLength(bytes);
        if (length == 0) {
            out += replacement;
            bytes = bytes.subspan(1);
        } else {
            out.append(reinterpret_cast<const char*>(bytes.data()), length);
            bytes = bytes.subspan(length);
        }
    }
    return out;
}

} // namespace Unicode
