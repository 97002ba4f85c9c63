#pragma once
// Tells RTP from RTCP on a port that carries both (RFC 5761 section 4): RTCP packet types
// 192 to 223 fall where RTP payload types 64 to 95 would, which RTP then does not use.
// Any thread: no state.
#include <cstdint>
#include <span>

namespace mediastack::rtp {

class RtpDemux {
public:
    enum class Kind { Rtp, Rtcp, Other };

    static Kind classify(std::span<const uint8_t> datagram)
    {
        // Version 2 in the top bits (RFC 7983 leaves 128 to 191 to RTP and RTCP).
        if (datagram.size() < 2 || (datagram[0] >> 6) != 2) {
            return Kind::Other;
        }
        const uint8_t type = datagram[1];
        return (type >= 192 && type <= 223) ? Kind::Rtcp : Kind::Rtp;
    }
};

}
