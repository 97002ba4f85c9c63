#pragma once
// Reads one RTP packet from a datagram (RFC 3550 section 5.1), with its header extensions in
// either RFC 8285 form; extensions of another profile are skipped. A datagram that is short,
// of another version, or whose extension or padding lengths do not fit is dropped and
// counted, never read past.
// Any thread: no state.
#include <cstdint>
#include <optional>
#include <span>

#include "MediaStack/Rtp/DropCounter.h"
#include "MediaStack/Rtp/RtpDatagram.h"

namespace mediastack::rtp {

class RtpReader {
public:
    static constexpr size_t fixedHeaderLength = 12;

    static std::optional<RtpDatagram> read(std::span<const uint8_t> datagram, DropCounter& drops);
};

}
