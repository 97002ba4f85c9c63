#include "MediaStack/Session/RemoteSourceLatch.h"

namespace media {

RemoteSourceLatch::RemoteSourceLatch(std::optional<uint32_t> negotiatedSsrc, uint8_t payloadType)
    : m_negotiated(negotiatedSsrc.has_value()), m_payloadType(payloadType), m_ssrc(negotiatedSsrc)
{
}

RemoteSourceLatch::Match RemoteSourceLatch::match(const RTPPacket& packet, mediastack::rtp::MediaTime now)
{
    if (packet.payloadType != m_payloadType)
        return Match::No;
    if (m_ssrc && packet.ssrc == *m_ssrc) {
        m_lastHeard = now;
        return Match::Same;
    }
    if (m_negotiated)
        return Match::No;
    if (!m_ssrc) {
        m_ssrc = packet.ssrc;
        m_lastHeard = now;
        return Match::Same;
    }
    if (now - m_lastHeard < quietTime)
        return Match::No;
    m_ssrc = packet.ssrc;
    m_lastHeard = now;
    return Match::Replaced;
}

} // namespace media
