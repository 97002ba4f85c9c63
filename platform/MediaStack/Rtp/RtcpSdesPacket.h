#pragma once
// An RTCP source description (SDES) with one chunk: our SSRC and its CNAME, which every
// compound report we send carries (RFC 3550 section 6.1).
// Any thread; not changed once handed on.
#include <cstdint>
#include <string>

#include "MediaStack/RTCPPacket.h"

namespace mediastack::rtp {

class RtcpSdesPacket : public RTCPPacket {
public:
    uint32_t ssrc = 0;
    std::string cname;

    std::string className() const override { return "RtcpSdesPacket"; }
    // SSRC, CNAME item (type, length, text), end of items, padding to a 32-bit boundary.
    size_t payloadLength() const override { return (4 + 2 + cname.size() + 1 + 3) / 4 * 4; }
};

}
