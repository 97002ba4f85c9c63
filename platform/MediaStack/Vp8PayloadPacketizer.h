#pragma once
// The VP8 RTP payload format (RFC 7741). Sending: an encoded frame is cut into packets of at
// most `maxPayloadSize` bytes, each with a one-byte payload descriptor (S set on the first),
// all with the frame's timestamp, the marker on the last. Receiving: packets, in sequence
// order, are put back together into frames; a frame is handed out when its marker packet
// is in.
// When a packet is missing (a gap in the sequence numbers, or a frame whose start never
// came), the frame it belonged to is dropped and `sequenceNumberingViolated` turns on: the
// frames that follow refer to a picture the decoder never saw. It stays on until a whole key
// frame has come in, from which decoding can start again. A frame that grows past
// `maxFrameSize` is dropped the same way.
// Sending and receiving keep separate state: one thread may send while another receives.
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "MediaStack/RTPPacket.h"

class Vp8PayloadPacketizer {
public:
    static constexpr size_t maxPayloadSize = 1200;
    // A frame being put together that grows past this is dropped as lost: far above any frame
    // the call's pictures and bitrates give, and small enough that a peer who never sends the
    // marker costs little.
    static constexpr size_t maxFrameSize = 2 * 1024 * 1024;

    Vp8PayloadPacketizer();

    // The packets of one encoded frame, timestamped on a clock of `clockRate` Hz; none for an
    // empty frame.
    std::vector<std::shared_ptr<RTPPacket>> packetize(const std::vector<uint8_t>& encodedFrame, int clockRate);

    // The whole frame when this packet completes one, else none. Duplicates and packets older
    // than the last one are ignored; malformed packets count as missing.
    std::optional<std::vector<uint8_t>> depacketize(const std::shared_ptr<RTPPacket>& packet);

    bool sequenceNumberingViolated() const { return m_sequenceNumberingViolated; }

private:
    // Sending.
    uint16_t m_nextSequenceNumber;
    uint32_t m_timestampBase;
    std::optional<std::chrono::steady_clock::time_point> m_clockStart;

    // Receiving.
    std::optional<uint16_t> m_lastSequenceNumber;
    bool m_sequenceNumberingViolated = false;
    bool m_assembling = false;
    bool m_assemblingKeyFrame = false;
    uint32_t m_assemblingTimestamp = 0;
    std::vector<uint8_t> m_assembled;
};
