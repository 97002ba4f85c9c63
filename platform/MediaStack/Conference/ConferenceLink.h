#pragma once
// The machinery of one conference link: ICE (controlling) under DTLS under SRTP, and the
// link's media session above them once the peer's answer is in. It makes our offer (early:
// with the candidates gathered until the early-candidates time-out; late: at once, with the
// candidates found in gathering's first turn, the later ones following one by one), applies the answer, and reports link up (DTLS-SRTP
// connected) and link down (ICE or DTLS failure, a dead stream, the peer's close, or an
// unlink we asked for) exactly once each.
//
// Media thread: created, called and destroyed there, and its events run there; offer() may
// be read from any thread.
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "MediaStack/Conference/CandidateMessage.h"
#include "MediaStack/Conference/SdpExchangeMessage.h"
#include "MediaStack/Ice/IceTransport.h"
#include "MediaStack/Sdp/NegotiatedSession.h"
#include "MediaStack/Sdp/SessionDescription.h"
#include "MediaStack/Session/MediaSessionOptions.h"

class PeerLink;

namespace media {

class AudioSource;
class Certificate;
class DtlsTransport;
class MediaSession;
class SrtpTransport;
class VideoSource;

struct ConferenceLinkSettings {
    IceConfig ice;
    std::shared_ptr<const Certificate> certificate;
    // SHA-256 of our certificate as the offer announces it.
    std::vector<uint8_t> fingerprint;
    MediaSessionOptions options;
    // From the answer to DTLS-SRTP connected; a link that takes longer goes down (ICE that
    // passes with DTLS that never finishes would otherwise stay "linking" through OpenSSL's
    // back-off, up to a minute a flight).
    double setupTimeout = 10.0; // seconds
    std::shared_ptr<AudioSource> audioSource;
    std::shared_ptr<VideoSource> videoSource;
};

struct ConferenceLinkEvents {
    std::function<void(const SdpExchangeMessage&)> offer;
    std::function<void(const CandidateMessage&)> candidate;
    std::function<void()> up;
    std::function<void(const std::string& message)> down;
};

class ConferenceLink final : public std::enable_shared_from_this<ConferenceLink> {
public:
    static std::shared_ptr<ConferenceLink> create(std::shared_ptr<MediaThread> thread, std::shared_ptr<PeerLink> peerLink,
                                                  ConferenceLinkSettings settings, ConferenceLinkEvents events);
    ~ConferenceLink();

    const std::shared_ptr<PeerLink>& peerLink() const { return m_peerLink; }

    // Starts gathering; the offer follows.
    void start();
    // Any thread: the offer we made, none before.
    std::optional<mediastack::sdp::SessionDescription> offer() const;
    void applyAnswer(const mediastack::sdp::NegotiatedSession& answer);
    // Tears the link down; raises link down with the message, when one is given and the link
    // has not gone down before. Closing again does nothing.
    void close(const std::optional<std::string>& message);
    bool isClosed() const { return m_closed; }

private:
    ConferenceLink(std::shared_ptr<MediaThread> thread, std::shared_ptr<PeerLink> peerLink, ConferenceLinkSettings settings,
                   ConferenceLinkEvents events);
    void makeOffer();
    void handleLocalCandidate(const std::string& line);
    void handleTransportState(TransportState state);
    void cancelSetupTimer();

    std::shared_ptr<MediaThread> m_thread;
    std::shared_ptr<PeerLink> m_peerLink;
    ConferenceLinkSettings m_settings;
    ConferenceLinkEvents m_events;

    std::shared_ptr<IceTransport> m_ice;
    std::shared_ptr<DtlsTransport> m_dtls;
    std::shared_ptr<SrtpTransport> m_srtp;
    std::shared_ptr<MediaSession> m_session;
    std::vector<std::string> m_earlyCandidates;

    mutable std::mutex m_offerLock;
    std::optional<mediastack::sdp::SessionDescription> m_offer;

    std::optional<uint64_t> m_setupTimer;
    bool m_localGatheringDone = false;
    bool m_answered = false;
    bool m_up = false;
    bool m_closed = false;
};

} // namespace media
