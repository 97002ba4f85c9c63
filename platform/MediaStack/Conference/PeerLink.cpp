#include "MediaStack/Conference/PeerLink.h"

PeerLink::PeerLink(std::string peerId, std::shared_ptr<RemoteVideoView> remoteVideoView,
                   std::optional<std::vector<uint8_t>> peerCertificate)
    : m_peerId(std::move(peerId)), m_remoteVideoView(std::move(remoteVideoView)), m_peerCertificate(std::move(peerCertificate))
{
}

std::optional<std::vector<uint8_t>> PeerLink::peerCertificate() const
{
    std::lock_guard hold(m_lock);
    return m_peerCertificate;
}

media::MediaSession::Statistics PeerLink::statistics() const
{
    std::shared_ptr<media::MediaSession> session;
    {
        std::lock_guard hold(m_lock);
        session = m_session.lock();
    }
    return session ? session->statistics() : media::MediaSession::Statistics{};
}

void PeerLink::setPeerCertificate(kvn::Badge<media::ConferenceLink>, std::vector<uint8_t> der)
{
    std::lock_guard hold(m_lock);
    if (der.empty())
        m_peerCertificate.reset();
    else
        m_peerCertificate = std::move(der);
}

void PeerLink::setMediaSession(kvn::Badge<media::ConferenceLink>, std::weak_ptr<media::MediaSession> session)
{
    std::lock_guard hold(m_lock);
    m_session = std::move(session);
}
