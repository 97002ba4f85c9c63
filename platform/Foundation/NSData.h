#pragma once
// Bytes. A value type: copies are independent. Where "no data" differs from "empty data",
// callers hold a std::optional<NSData>.
#include <cstdint>
#include <string>
#include <vector>

using NSData = std::vector<uint8_t>;

inline NSData NSDataFromString(const std::string& s) { return NSData(s.begin(), s.end()); }
inline std::string NSStringFromData(const NSData& d) { return std::string(d.begin(), d.end()); }
