#pragma once
// Receiver estimated maximum bitrate (REMB, payload-specific feedback with the "REMB"
// identifier): the bitrate the receiver's estimate allows for the media sources listed, all
// together. The rate travels as an 18-bit mantissa and a 6-bit exponent.
#include <cstdint>
#include <vector>

#include "MediaStack/RTCPPacket.h"

namespace mediastack::rtp {

class RtcpRembPacket : public RTCPPacket {
public:
    uint32_t senderSsrc = 0;
    uint64_t bitrate = 0; // bit/s
    std::vector<uint32_t> mediaSsrcs;

    std::string className() const override { return "RtcpRembPacket"; }
    size_t payloadLength() const override { return 16 + 4 * mediaSsrcs.size(); }
};

}
