#pragma once
// Small text helpers the SDP reader and the candidate reader share: splitting on blanks and
// reading numbers without exceptions or locale.
// Any thread: no state.
#include <charconv>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace mediastack::sdp {

class SdpText {
public:
    static std::vector<std::string_view> split(std::string_view text, char separator = ' ')
    {
        std::vector<std::string_view> out;
        size_t start = 0;
        while (start <= text.size()) {
            const size_t end = text.find(separator, start);
            const auto piece = text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
            if (!piece.empty()) {
                out.push_back(piece);
            }
            if (end == std::string_view::npos) {
                break;
            }
            start = end + 1;
        }
        return out;
    }

    // A decimal number of the whole text within [0, max]; none otherwise.
    static std::optional<uint64_t> number(std::string_view text, uint64_t max)
    {
        uint64_t value = 0;
        const auto* end = text.data() + text.size();
        const auto [ptr, ec] = std::from_chars(text.data(), end, value);
        if (text.empty() || ec != std::errc() || ptr != end || value > max) {
            return std::nullopt;
        }
        return value;
    }

    static bool equalsIgnoringCase(std::string_view a, std::string_view b)
    {
        if (a.size() != b.size()) {
            return false;
        }
        for (size_t i = 0; i < a.size(); ++i) {
            if (lower(a[i]) != lower(b[i])) {
                return false;
            }
        }
        return true;
    }

    static char lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }
};

}
