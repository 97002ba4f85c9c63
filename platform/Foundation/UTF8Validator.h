#pragma once
// Well-formed UTF-8 as Unicode defines it (shortest form only, no surrogates, nothing above
// U+10FFFF), for bytes that come from outside: a service's answer, an event channel's poll.
// The HTTP layer and the library decide in this one place what counts as text, so they never
// disagree about a body. Pure functions; any thread.
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace Unicode {

class UTF8Validator {
public:
    static bool isValid(std::span<const uint8_t> bytes);
    // The bytes as text when they are well-formed; nil otherwise, as the platform's decoding
    // of data into a string gives.
    static std::optional<std::string> text(std::span<const uint8_t> bytes);
    // The bytes with every byte that starts no well-formed sequence replaced by U+FFFD: a
    // stray byte costs one character, never the whole text.
    static std::string replacingIllFormed(std::span<const uint8_t> bytes);
};

} // namespace Unicode
