#include "MediaStack/Rtp/RetransmissionBuffer.h"

#include <algorithm>

namespace mediastack::rtp {

RetransmissionBuffer::RetransmissionBuffer()
    : RetransmissionBuffer(Config {})
{
}

RetransmissionBuffer::RetransmissionBuffer(Config config)
    : m_config(config)
    , m_slots(std::max<size_t>(config.capacity, 1))
{
}

// Slots are indexed by sequence number modulo the capacity: a new packet overwrites the one
// `capacity` numbers before it, so the buffer never grows.
void RetransmissionBuffer::packetSent(const std::shared_ptr<const RTPPacket>& packet, MediaTime now)
{
    if (!packet) {
        return;
    }
    m_slots[packet->sequenceNumber % m_slots.size()] = Slot { packet, now, std::nullopt };
}

std::vector<std::shared_ptr<const RTPPacket>> RetransmissionBuffer::packetsToResend(const std::vector<uint16_t>& sequenceNumbers,
    MediaTime now, std::optional<MediaDuration> roundTripTime)
{
    const MediaDuration roundTrip = roundTripTime.value_or(m_config.defaultRoundTrip);
    std::vector<std::shared_ptr<const RTPPacket>> out;
    for (uint16_t number : sequenceNumbers) {
        auto& slot = m_slots[number % m_slots.size()];
        if (!slot.packet || slot.packet->sequenceNumber != number) {
            continue;
        }
        if (now - slot.sent > m_config.maxAge) {
            slot = Slot {};
            continue;
        }
        if (slot.resent && now - *slot.resent < roundTrip) {
            continue;
        }
        slot.resent = now;
        out.push_back(slot.packet);
    }
    return out;
}

size_t RetransmissionBuffer::size() const
{
    return static_cast<size_t>(std::count_if(m_slots.begin(), m_slots.end(), [](const Slot& s) { return s.packet != nullptr; }));
}

}
