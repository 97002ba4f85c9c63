#pragma once
// Reads and writes the text of an ICE candidate attribute (RFC 8839 section 5.1):
// "candidate:1 1 udp 2130706431 192.0.2.1 50000 typ host generation 0". Reading accepts the
// text with or without a leading "a=" and a trailing line end; anything that does not follow
// the grammar (missing fields, numbers out of range, an unknown type, a dangling name without
// value, characters an address cannot hold) reads as none.
// Any thread: no state.
#include <optional>
#include <string>
#include <string_view>

#include "MediaStack/Sdp/IceCandidate.h"

namespace mediastack::sdp {

class CandidateLine {
public:
    static std::optional<IceCandidate> read(std::string_view text);
    // The attribute value, "candidate:..." (without "a=").
    static std::string write(const IceCandidate& candidate);
};

}
