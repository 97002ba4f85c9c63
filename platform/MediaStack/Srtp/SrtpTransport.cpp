#include "MediaStack/Srtp/SrtpTransport.h"

#include <vector>

#include "MediaStack/Dtls/DtlsTransport.h"
#include "MediaStack/MediaStackLog.h"
#include "MediaStack/Net/PacketDemux.h"

namespace media {

std::shared_ptr<SrtpTransport> SrtpTransport::create(std::shared_ptr<DtlsTransport> dtls)
{
    if (!dtls)
        return nullptr;
    auto transport = std::shared_ptr<SrtpTransport>(new SrtpTransport(std::move(dtls)));
    transport->m_dtls->attach(transport, &SrtpTransport::handleDatagram, &SrtpTransport::handleDtlsState);
    return transport;
}

SrtpTransport::SrtpTransport(std::shared_ptr<DtlsTransport> dtls) : m_dtls(std::move(dtls)) {}

SrtpTransport::~SrtpTransport() { m_dtls->detach(); }

void SrtpTransport::handleDtlsState(TransportState state)
{
    if (state != TransportState::Connected) {
        if (state != TransportState::New)
            changeState(state);
        return;
    }
    auto profile = m_dtls->srtpProfile();
    std::optional<SrtpKeys> keys;
    if (profile)
        keys = SrtpKeys::fromExportedMaterial(*profile, m_dtls->role(),
                                              m_dtls->exportKeyingMaterial(SrtpKeys::materialLength(*profile)));
    if (keys)
        m_session = SrtpSession::create(*keys);
    if (!m_session) {
        MediaStackLog::error("SRTP: no session from the DTLS keys");
        changeState(TransportState::Failed);
        return;
    }
    changeState(TransportState::Connected);
}

bool SrtpTransport::send(std::span<const uint8_t> packet)
{
    if (!m_session)
        return false;
    std::vector<uint8_t> buffer(packet.begin(), packet.end());
    SrtpResult result;
    switch (PacketDemux::classify(packet)) {
    case PacketKind::Rtp:
        result = m_session->protectRtp(buffer);
        break;
    case PacketKind::Rtcp:
        result = m_session->protectRtcp(buffer);
        break;
    default:
        return false;
    }
    if (result != SrtpResult::Ok) {
        MediaStackLog::warn("SRTP: cannot protect an outgoing packet");
        return false;
    }
    return m_dtls->send(buffer);
}

void SrtpTransport::handleDatagram(std::span<const uint8_t> datagram)
{
    if (!m_session) {
        ++m_dropped.beforeKeys;
        return;
    }
    std::vector<uint8_t> buffer(datagram.begin(), datagram.end());
    SrtpResult result = SrtpResult::Malformed;
    switch (PacketDemux::classify(datagram)) {
    case PacketKind::Rtp:
        result = m_session->unprotectRtp(buffer);
        break;
    case PacketKind::Rtcp:
        result = m_session->unprotectRtcp(buffer);
        break;
    default:
        break;
    }
    if (result != SrtpResult::Ok)
        return count(result, "incoming");
    deliver(buffer);
}

void SrtpTransport::count(SrtpResult result, const char* direction)
{
    switch (result) {
    case SrtpResult::Malformed:
        ++m_dropped.malformed;
        break;
    case SrtpResult::AuthenticationFailed:
        ++m_dropped.authenticationFailed;
        break;
    case SrtpResult::Replayed:
        ++m_dropped.replayed;
        break;
    default:
        ++m_dropped.other;
        break;
    }
    if (MediaStackLog::isEnabled(LogLevel::Debug))
        MediaStackLog::debug(std::string("SRTP: dropped an ") + direction + " packet (" + std::to_string(m_dropped.total())
                             + " so far)");
}

} // namespace media
