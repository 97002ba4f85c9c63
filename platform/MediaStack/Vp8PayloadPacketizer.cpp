#include "MediaStack/Vp8PayloadPacketizer.h"

#include <random>

#include "MediaStack/Rtp/SequenceUnwrapper.h"
#include "MediaStack/Rtp/Vp8PayloadDescriptor.h"

namespace {

// The S bit of the payload descriptor (RFC 7741, section 4.2).
constexpr uint8_t kStartOfPartition = 0x10;

}

Vp8PayloadPacketizer::Vp8PayloadPacketizer()
{
    // Random starting points, so that a restarted sender is not mistaken for a late one.
    std::random_device random;
    m_nextSequenceNumber = static_cast<uint16_t>(random());
    m_timestampBase = static_cast<uint32_t>(random());
}

std::vector<std::shared_ptr<RTPPacket>> Vp8PayloadPacketizer::packetize(const std::vector<uint8_t>& encodedFrame, int clockRate)
{
    std::vector<std::shared_ptr<RTPPacket>> packets;
    if (encodedFrame.empty()) {
        return packets;
    }
    const auto now = std::chrono::steady_clock::now();
    if (!m_clockStart) {
        m_clockStart = now;
    }
    const double elapsed = std::chrono::duration<double>(now - *m_clockStart).count();
    const uint32_t timestamp = m_timestampBase + static_cast<uint32_t>(static_cast<uint64_t>(elapsed * clockRate));

    // Packets of nearly equal size rather than full ones and a short tail (RFC 7741, 5.1).
    const size_t room = maxPayloadSize - 1;
    const size_t count = (encodedFrame.size() + room - 1) / room;
    const size_t base = encodedFrame.size() / count;
    const size_t extra = encodedFrame.size() % count;
    size_t offset = 0;
    for (size_t i = 0; i < count; ++i) {
        const size_t size = base + (i < extra ? 1 : 0);
        auto packet = std::make_shared<RTPPacket>();
        packet->sequenceNumber = m_nextSequenceNumber++;
        packet->timestamp = timestamp;
        packet->marker = (i + 1 == count);
        packet->payload.reserve(size + 1);
        packet->payload.push_back(i == 0 ? kStartOfPartition : 0);
        packet->payload.insert(packet->payload.end(), encodedFrame.begin() + offset, encodedFrame.begin() + offset + size);
        offset += size;
        packets.push_back(std::move(packet));
    }
    return packets;
}

std::optional<std::vector<uint8_t>> Vp8PayloadPacketizer::depacketize(const std::shared_ptr<RTPPacket>& packet)
{
    if (!packet) {
        return std::nullopt;
    }
    if (m_lastSequenceNumber) {
        if (!mediastack::rtp::isNewerSequenceNumber(packet->sequenceNumber, *m_lastSequenceNumber)) {
            return std::nullopt;
        }
        if (static_cast<uint16_t>(packet->sequenceNumber - *m_lastSequenceNumber) > 1) {
            m_sequenceNumberingViolated = true;
            m_assembling = false;
        }
    }
    m_lastSequenceNumber = packet->sequenceNumber;

    const auto descriptor = mediastack::rtp::Vp8PayloadDescriptor::read(packet->payload);
    if (!descriptor) {
        // Its data is lost: the frame it belongs to cannot be completed.
        m_sequenceNumberingViolated = true;
        m_assembling = false;
        return std::nullopt;
    }
    const auto data = packet->payload.begin() + static_cast<std::ptrdiff_t>(descriptor->length);
    const auto dataSize = static_cast<size_t>(packet->payload.end() - data);
    if (dataSize > maxFrameSize || (m_assembling && !descriptor->startOfFrame && m_assembled.size() > maxFrameSize - dataSize)) {
        // The rest of this frame will come as a continuation without a start, and be dropped
        // the same way.
        m_sequenceNumberingViolated = true;
        m_assembling = false;
        std::vector<uint8_t>().swap(m_assembled);
        return std::nullopt;
    }
    if (descriptor->startOfFrame) {
        m_assembling = true;
        m_assemblingTimestamp = packet->timestamp;
        m_assemblingKeyFrame = descriptor->keyFrame;
        m_assembled.assign(data, packet->payload.end());
    } else if (m_assembling && packet->timestamp == m_assemblingTimestamp) {
        m_assembled.insert(m_assembled.end(), data, packet->payload.end());
    } else {
        // The middle of a frame whose start we do not have.
        m_sequenceNumberingViolated = true;
        m_assembling = false;
        return std::nullopt;
    }

    if (!packet->marker) {
        return std::nullopt;
    }
    m_assembling = false;
    if (m_assemblingKeyFrame) {
        m_sequenceNumberingViolated = false;
    }
    std::vector<uint8_t> frame;
    frame.swap(m_assembled);
    return frame;
}
