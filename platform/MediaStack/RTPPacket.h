#pragma once
// One RTP packet of a stream: the header fields the stack works with, and the payload.
// Packetizers fill sequence number, timestamp, marker and payload; the stream that sends the
// packet fills payload type and SSRC. Any thread; not shared between threads while changed.
#include <cstdint>
#include <vector>

class RTPPacket {
public:
    uint16_t sequenceNumber = 0;
    uint32_t timestamp = 0;
    bool marker = false;
    uint8_t payloadType = 0;
    uint32_t ssrc = 0;
    std::vector<uint8_t> payload;
};
