#pragma once
// A conference: links from us to peers, each carrying the conference's audio and video
// streams over ICE, DTLS-SRTP and RTP. The app sets it up (STUN server, streams, time-outs,
// certificate, candidate mode and filters), adds its event handlers, links to a peer id,
// carries our offer and candidates to the peer, and hands the peer's answer back.
//
// link, receiveOfferAnswer, unlinkAll and the settings belong to the main thread. Events are
// raised on the conference's media thread; a handler that needs the main thread goes there
// itself. Handlers are added before the first link.
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "MediaStack/Conference/CandidateMode.h"
#include "MediaStack/Conference/DtlsCertificateBase.h"
#include "MediaStack/Conference/LinkEvents.h"
#include "MediaStack/Conference/ConferenceStream.h"

namespace media {
class ConferenceLink;
class MediaThread;
} // namespace media

class MediaConference : public std::enable_shared_from_this<MediaConference> {
public:
    static constexpr int defaultDeadStreamTimeout = 15000; // ms
    static constexpr int defaultEarlyCandidatesTimeout = 500; // ms
    static constexpr int defaultLinkSetupTimeout = 10000; // ms, from the answer to link up
    // The text every link-down of an unlink we asked for begins with.
    static constexpr const char* unlinkMessage = "Unlink invoked by the application";

    // Without a thread the conference runs one of its own on the main run loop's clock.
    static std::shared_ptr<MediaConference> create(std::string stunHost, int stunPort, std::vector<std::shared_ptr<ConferenceStream>> streams,
                                                   std::shared_ptr<media::MediaThread> thread = nullptr);
    ~MediaConference();
    MediaConference(const MediaConference&) = delete;
    MediaConference& operator=(const MediaConference&) = delete;

    const std::string& stunHost() const { return m_stunHost; }
    int stunPort() const { return m_stunPort; }
    const std::vector<std::shared_ptr<ConferenceStream>>& streams() const { return m_streams; }
    const std::shared_ptr<media::MediaThread>& mediaThread() const { return m_thread; }

    int deadStreamTimeout() const { return m_deadStreamTimeout; }
    void setDeadStreamTimeout(int milliseconds) { m_deadStreamTimeout = milliseconds; }
    // None: a self-signed one is generated at the first link.
    std::shared_ptr<DtlsCertificateBase> dtlsCertificate() const { return m_certificate; }
    void setDtlsCertificate(std::shared_ptr<DtlsCertificateBase> certificate) { m_certificate = std::move(certificate); }
    CandidateMode candidateMode() const { return m_candidateMode; }
    void setCandidateMode(CandidateMode mode) { m_candidateMode = mode; }
    // A link not up this long after the peer's answer goes down as a failed link.
    int linkSetupTimeout() const { return m_linkSetupTimeout; }
    void setLinkSetupTimeout(int milliseconds) { m_linkSetupTimeout = milliseconds; }
    int earlyCandidatesTimeout() const { return m_earlyCandidatesTimeout; }
    void setEarlyCandidatesTimeout(int milliseconds) { m_earlyCandidatesTimeout = milliseconds; }
    // libnice gathers every kind of candidate and pairs with peer-reflexive ones it learns
    // from checks: the filters apply to the lines we announce and the lines we accept.
    bool suppressPrivateCandidates() const { return m_suppressPrivate; }
    void setSuppressPrivateCandidates(bool suppress) { m_suppressPrivate = suppress; }
    bool suppressRelayCandidates() const { return m_suppressRelay; }
    void setSuppressRelayCandidates(bool suppress) { m_suppressRelay = suppress; }
    // The only addresses gathered; by default 127.0.0.1 when the STUN host is a loopback
    // name (libnice skips loopback otherwise), else every interface.
    const std::vector<std::string>& localAddresses() const { return m_localAddresses; }
    void setLocalAddresses(std::vector<std::string> addresses) { m_localAddresses = std::move(addresses); }

    void addOnUnhandledException(std::function<void(const UnhandledExceptionArgs&)> handler);
    void addOnLinkInit(std::function<void(const LinkInitArgs&)> handler);
    void addOnLinkCandidate(std::function<void(const LinkCandidateArgs&)> handler);
    void addOnLinkUp(std::function<void(const LinkUpArgs&)> handler);
    void addOnLinkDown(std::function<void(const LinkDownArgs&)> handler);
    void addOnLinkOfferAnswer(std::function<void(const LinkOfferAnswerArgs&)> handler);

    // A new link to the peer; one that the peer already had is dropped without an event.
    std::shared_ptr<PeerLink> link(const std::string& peerId);
    // The peer's answer to our offer; the reason when it cannot be taken (no link to the
    // peer, an offer, an answer already taken, SDP the link cannot work with).
    std::optional<std::string> receiveOfferAnswer(const SdpExchangeMessage& message, const std::string& peerId);
    // Every link goes down with unlinkMessage.
    void unlinkAll();

private:
    MediaConference(std::string stunHost, int stunPort, std::vector<std::shared_ptr<ConferenceStream>> streams,
                    std::shared_ptr<media::MediaThread> thread);

    template <class Args>
    struct Handlers {
        std::vector<std::function<void(const Args&)>> list;
    };
    template <class Args>
    void add(Handlers<Args>& handlers, std::function<void(const Args&)> handler);
    template <class Args>
    void raise(const Handlers<Args>& handlers, const Args& args);
    // Media thread: runs work, turning what it throws into the unhandled-exception event.
    void guarded(const std::function<void()>& work);

    const std::string m_stunHost;
    const int m_stunPort;
    const std::vector<std::shared_ptr<ConferenceStream>> m_streams;
    std::shared_ptr<media::MediaThread> m_thread;

    int m_deadStreamTimeout = defaultDeadStreamTimeout;
    std::shared_ptr<DtlsCertificateBase> m_certificate;
    CandidateMode m_candidateMode = CandidateMode::Early;
    int m_earlyCandidatesTimeout = defaultEarlyCandidatesTimeout;
    int m_linkSetupTimeout = defaultLinkSetupTimeout;
    bool m_suppressPrivate = false;
    bool m_suppressRelay = false;
    std::vector<std::string> m_localAddresses;

    mutable std::mutex m_handlersLock;
    Handlers<UnhandledExceptionArgs> m_unhandledException;
    Handlers<LinkInitArgs> m_linkInit;
    Handlers<LinkCandidateArgs> m_linkCandidate;
    Handlers<LinkUpArgs> m_linkUp;
    Handlers<LinkDownArgs> m_linkDown;
    Handlers<LinkOfferAnswerArgs> m_linkOfferAnswer;

    // Main thread.
    std::map<std::string, std::shared_ptr<media::ConferenceLink>> m_links;
    std::map<std::string, bool> m_answered;
};
