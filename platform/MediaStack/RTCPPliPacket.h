#pragma once
// An RTCP picture loss indication (payload-specific feedback, PLI): the receiver of the media
// SSRC lost pictures and asks for a key frame.
#include <cstdint>

#include "MediaStack/RTCPPacket.h"

class RTCPPliPacket : public RTCPPacket {
public:
    uint32_t senderSsrc = 0;
    uint32_t mediaSsrc = 0;

    std::string className() const override { return "RTCPPliPacket"; }
    size_t payloadLength() const override { return 8; }
};
