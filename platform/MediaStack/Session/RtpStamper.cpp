#include "MediaStack/Session/RtpStamper.h"

#include <cmath>
#include <random>

namespace media {

RtpStamper::RtpStamper(uint32_t ssrc, uint8_t payloadType, int clockRate)
    : m_ssrc(ssrc), m_payloadType(payloadType), m_clockRate(clockRate > 0 ? clockRate : 90000)
{
    // Random starting points make a known-plaintext attack on the SRTP keystream harder.
    std::random_device entropy;
    std::mt19937 random(entropy());
    m_nextSequenceNumber = static_cast<uint16_t>(random());
    m_timestampBase = static_cast<uint32_t>(random());
}

uint32_t RtpStamper::timestampAt(double seconds) const
{
    const double ticks = std::floor(seconds * m_clockRate);
    return m_timestampBase + static_cast<uint32_t>(static_cast<uint64_t>(ticks > 0 ? ticks : 0));
}

void RtpStamper::stamp(const std::vector<std::shared_ptr<RTPPacket>>& packets, uint32_t timestamp)
{
    for (const auto& packet : packets) {
        packet->ssrc = m_ssrc;
        packet->payloadType = m_payloadType;
        packet->sequenceNumber = m_nextSequenceNumber++;
        packet->timestamp = timestamp;
    }
}

} // namespace media
