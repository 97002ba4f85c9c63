#pragma once
// One link of a conference to a peer, as the conference's events hand it out: the peer's id,
// the view that shows the peer's video, the first certificate the peer presented in the DTLS
// handshake and the link's media statistics. Created on the main thread by
// MediaConference::link (views belong to the main thread); the conference fills in the rest
// on the media thread, and it is read there in the events. statistics() belongs to the media
// thread too.
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "Foundation/Badge.h"
#include "MediaStack/Session/MediaSession.h"

class RemoteVideoView;

namespace media {
class ConferenceLink;
}

class PeerLink {
public:
    // A link whose handshake is done already may be given the peer's certificate (tests).
    PeerLink(std::string peerId, std::shared_ptr<RemoteVideoView> remoteVideoView,
             std::optional<std::vector<uint8_t>> peerCertificate = std::nullopt);

    const std::string& peerId() const { return m_peerId; }
    const std::shared_ptr<RemoteVideoView>& remoteVideoView() const { return m_remoteVideoView; }
    // DER; none before the handshake, or when the peer presented none.
    std::optional<std::vector<uint8_t>> peerCertificate() const;
    media::MediaSession::Statistics statistics() const;

    void setPeerCertificate(kvn::Badge<media::ConferenceLink>, std::vector<uint8_t> der);
    void setMediaSession(kvn::Badge<media::ConferenceLink>, std::weak_ptr<media::MediaSession> session);

private:
    const std::string m_peerId;
    const std::shared_ptr<RemoteVideoView> m_remoteVideoView;
    mutable std::mutex m_lock;
    std::optional<std::vector<uint8_t>> m_peerCertificate;
    std::weak_ptr<media::MediaSession> m_session;
};
