#include "MediaStack/AudioPayloadPacketizer.h"

#include <random>

AudioPayloadPacketizer::AudioPayloadPacketizer()
{
    std::random_device random;
    m_nextSequenceNumber = static_cast<uint16_t>(random());
    m_timestampBase = static_cast<uint32_t>(random());
}

std::vector<std::shared_ptr<RTPPacket>> AudioPayloadPacketizer::packetize(const std::vector<uint8_t>& encodedFrame, int clockRate, int packetTime, bool resetTimestamp)
{
    std::vector<std::shared_ptr<RTPPacket>> packets;
    if (encodedFrame.empty()) {
        return packets;
    }
    const auto now = std::chrono::steady_clock::now();
    uint32_t timestamp;
    if (!m_lastTimestamp) {
        m_clockStart = now;
        timestamp = m_timestampBase;
    } else if (resetTimestamp) {
        const double elapsed = std::chrono::duration<double>(now - m_clockStart).count();
        timestamp = m_timestampBase + static_cast<uint32_t>(static_cast<uint64_t>(elapsed * clockRate));
    } else {
        timestamp = *m_lastTimestamp + static_cast<uint32_t>(static_cast<int64_t>(clockRate) * packetTime / 1000);
    }

    auto packet = std::make_shared<RTPPacket>();
    packet->sequenceNumber = m_nextSequenceNumber++;
    packet->timestamp = timestamp;
    packet->marker = !m_lastTimestamp;
    packet->payload = encodedFrame;
    m_lastTimestamp = timestamp;
    packets.push_back(std::move(packet));
    return packets;
}

std::optional<std::vector<uint8_t>> AudioPayloadPacketizer::depacketize(const std::shared_ptr<RTPPacket>& packet)
{
    if (!packet || packet->payload.empty()) {
        return std::nullopt;
    }
    return packet->payload;
}
