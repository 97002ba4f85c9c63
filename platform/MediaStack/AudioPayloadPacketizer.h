#pragma once
// The plain audio RTP payload format, as Opus uses it (RFC 7587): one encoded frame is one
// packet, with no payload header. Timestamps count packet times on the codec's clock, or
// follow the clock when asked to (see AudioCodecBase::resetTimestamp). The first packet of
// the stream carries the marker (start of a talkspurt).
// Sending and receiving keep separate state: one thread may send while another receives.
#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "MediaStack/RTPPacket.h"

class AudioPayloadPacketizer {
public:
    AudioPayloadPacketizer();

    // One packet for a non-empty frame, none for an empty one.
    std::vector<std::shared_ptr<RTPPacket>> packetize(const std::vector<uint8_t>& encodedFrame, int clockRate, int packetTime, bool resetTimestamp);

    // The packet's payload, or none when it is empty.
    std::optional<std::vector<uint8_t>> depacketize(const std::shared_ptr<RTPPacket>& packet);

private:
    uint16_t m_nextSequenceNumber;
    uint32_t m_timestampBase;
    std::optional<uint32_t> m_lastTimestamp;
    std::chrono::steady_clock::time_point m_clockStart;
};
