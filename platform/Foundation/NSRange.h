#pragma once
// A span of a text: offsets and lengths count bytes of the UTF-8 text.
#include <cstddef>
#include <limits>

using NSUInteger = std::size_t;
inline constexpr NSUInteger NSNotFound = std::numeric_limits<long>::max();

struct NSRange {
    NSUInteger location = 0;
    NSUInteger length = 0;

    NSUInteger end() const { return location + length; }
    bool operator==(const NSRange&) const = default;
};

inline NSRange NSMakeRange(NSUInteger location, NSUInteger length) { return NSRange{location, length}; }
