#pragma once
// Writes an RTP packet (RFC 3550 section 5.1), with header extensions in the RFC 8285
// one-byte form when every element allows it (ids 1 to 14, 1 to 16 bytes), else the two-byte
// form. An element no form can carry (id 0, or more than 255 bytes) is left out.
// Any thread: no state.
#include <cstdint>
#include <vector>

#include "MediaStack/RTPPacket.h"
#include "MediaStack/Rtp/RtpHeaderExtension.h"

namespace mediastack::rtp {

class RtpWriter {
public:
    static std::vector<uint8_t> write(const RTPPacket& packet, const std::vector<RtpHeaderExtension>& extensions = {});
};

}
