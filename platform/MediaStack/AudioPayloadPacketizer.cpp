#include "MediaStack/AudioPayloadPacketizer.h"

#include <random>

AudioPayloadPacketizer::AudioPayloadPacketizer()
{
    std::random_device random;
    nextSequenceNumber_ = static_cast<uint16_t>(random());
    timestampBase_ = static_cast<uint32_t>(random());
}

std::vector<std::shared_ptr<RTPPacket>> AudioPayloadPacketizer::packetize(const std::vector<uint8_t>& encodedFrame, int clockRate, int packetTime, bool resetTimestamp)
{
    std::vector<std::shared_ptr<RTPPacket>> packets;
    if (encodedFrame.empty()) {
        return packets;
    }
    const auto now = std::chrono::steady_clock::now();
    uint32_t timestamp;
    if (!lastTimestamp_) {
        clockStart_ = now;
        timestamp = timestampBase_;
    } else if (resetTimestamp) {
        const double elapsed = std::chrono::duration<double>(now - clockStart_).count();
        timestamp = timestampBase_ + static_cast<uint32_t>(static_cast<uint64_t>(elapsed * clockRate));
    } else {
        timestamp = *lastTimestamp_ + static_cast<uint32_t>(static_cast<int64_t>(clockRate) * packetTime / 1000);
    }

    auto packet = std::make_shared<RTPPacket>();
    packet->sequenceNumber = nextSequenceNumber_++;
    packet->timestamp = timestamp;
    packet->marker = !lastTimestamp_;
    packet->payload = encodedFrame;
    lastTimestamp_ = timestamp;
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
