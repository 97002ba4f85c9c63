#include "MediaStack/Rtp/AudioJitterBuffer.h"

#include <algorithm>

namespace mediastack::rtp {

namespace {

// A packet this much later than its timestamp says means the far side's clock jumped:
// anchor the mapping on it instead.
constexpr auto kMaxLateness = std::chrono::seconds(1);

}

AudioJitterBuffer::AudioJitterBuffer()
    : AudioJitterBuffer(Config {})
{
}

AudioJitterBuffer::AudioJitterBuffer(Config config)
    : m_config(config)
{
    m_config.clockRate = std::max(m_config.clockRate, 1);
    m_config.capacity = std::max<size_t>(m_config.capacity, 1);
}

void AudioJitterBuffer::reset()
{
    clearHeld();
    m_restartGuard.reset();
}

void AudioJitterBuffer::clearHeld()
{
    m_unwrapper.reset();
    m_packets.clear();
    m_nextExpected.reset();
    m_lastPlayed.reset();
    m_anchor.reset();
}

MediaTime AudioJitterBuffer::playoutTime(uint32_t timestamp) const
{
    const auto ticks = static_cast<int32_t>(timestamp - m_anchor->first);
    const auto offset = std::chrono::microseconds(int64_t { ticks } * 1000000 / m_config.clockRate);
    return m_anchor->second + std::chrono::duration_cast<MediaDuration>(offset) + m_config.targetDelay;
}

bool AudioJitterBuffer::insert(const std::shared_ptr<const RTPPacket>& packet, MediaTime arrival, DropCounter& drops)
{
    if (!packet) {
        return false;
    }
    int64_t number = m_unwrapper.unwrap(packet->sequenceNumber);
    const std::optional<int64_t> reference = m_nextExpected ? m_nextExpected
        : m_packets.empty()                                 ? std::nullopt
                                                            : std::optional<int64_t>(m_packets.begin()->first);
    const int64_t distance = reference ? number - *reference : 0;
    switch (m_restartGuard.judge(number, distance, packet->timestamp, m_config.restartDistance)) {
    case StreamRestartGuard::Verdict::Continue:
        break;
    case StreamRestartGuard::Verdict::Drop:
        drops.add(DropReason::TooLate);
        return false;
    case StreamRestartGuard::Verdict::Restart:
        clearHeld();
        number = m_unwrapper.unwrap(packet->sequenceNumber);
        break;
    }
    if (m_nextExpected && number < *m_nextExpected) {
        drops.add(DropReason::TooLate);
        return false;
    }
    if (m_packets.count(number)) {
        drops.add(DropReason::Duplicate);
        return false;
    }

    if (!m_anchor) {
        m_anchor = std::make_pair(packet->timestamp, arrival);
    } else {
        const MediaTime expected = playoutTime(packet->timestamp) - m_config.targetDelay;
        if (arrival < expected || arrival - expected > kMaxLateness) {
            m_anchor = std::make_pair(packet->timestamp, arrival);
        }
    }

    m_packets.emplace(number, packet);
    while (m_packets.size() > m_config.capacity) {
        drops.add(DropReason::BufferFull);
        m_nextExpected = m_packets.begin()->first + 1;
        m_packets.erase(m_packets.begin());
    }
    return true;
}

std::optional<AudioJitterBuffer::Slot> AudioJitterBuffer::pop(MediaTime now)
{
    if (m_packets.empty()) {
        return std::nullopt;
    }
    const auto& [number, packet] = *m_packets.begin();
    const MediaTime due = playoutTime(packet->timestamp);
    const int64_t lost = m_nextExpected ? number - *m_nextExpected : 0;
    MediaTime slotDue = due;
    if (lost > 0 && m_lastPlayed && number > m_lastPlayed->first) {
        // When the first missing packet would have played: between the last one played and
        // this one, in proportion to the sequence numbers.
        slotDue = m_lastPlayed->second + (due - m_lastPlayed->second) / (number - m_lastPlayed->first);
    }
    if (now < slotDue) {
        return std::nullopt;
    }
    Slot slot { packet, static_cast<uint32_t>(std::clamp<int64_t>(lost, 0, UINT32_MAX)) };
    m_nextExpected = number + 1;
    m_lastPlayed = std::make_pair(number, due);
    m_restartGuard.handedOut(packet->timestamp);
    m_packets.erase(m_packets.begin());
    return slot;
}

}
