#include "MediaStack/Conference/MediaConference.h"

#include "Foundation/MainThreadChecker.h"
#include "MediaStack/Capture/LocalCaptureStream.h"
#include "MediaStack/Conference/AudioConferenceStream.h"
#include "MediaStack/Conference/CandidateTypePreferences.h"
#include "MediaStack/Conference/ConferenceLink.h"
#include "MediaStack/Conference/VideoConferenceStream.h"
#include "MediaStack/Dtls/Certificate.h"
#include "MediaStack/MediaStackLog.h"
#include "MediaStack/Net/MediaThread.h"
#include "MediaStack/Sdp/SdpNegotiator.h"
#include "MediaStack/Views/RemoteVideoView.h"

namespace {

bool isLoopbackName(const std::string& host) { return host == "localhost" || host == "::1" || host.rfind("127.", 0) == 0; }

} // namespace

std::shared_ptr<MediaConference> MediaConference::create(std::string stunHost, int stunPort,
                                                         std::vector<std::shared_ptr<ConferenceStream>> streams,
                                                         std::shared_ptr<media::MediaThread> thread)
{
    if (!thread)
        thread = media::MediaThread::create();
    return std::shared_ptr<MediaConference>(new MediaConference(std::move(stunHost), stunPort, std::move(streams), std::move(thread)));
}

MediaConference::MediaConference(std::string stunHost, int stunPort, std::vector<std::shared_ptr<ConferenceStream>> streams,
                                 std::shared_ptr<media::MediaThread> thread)
    : m_stunHost(std::move(stunHost)), m_stunPort(stunPort), m_streams(std::move(streams)), m_thread(std::move(thread))
{
    if (isLoopbackName(m_stunHost))
        m_localAddresses = {"127.0.0.1"};
}

MediaConference::~MediaConference()
{
    auto links = std::move(m_links);
    if (links.empty())
        return;
    // Transports live and die on the media thread.
    m_thread->invoke([&links] {
        for (auto& [peerId, link] : links)
            link->close(std::nullopt);
        links.clear();
    });
}

template <class Args>
void MediaConference::add(Handlers<Args>& handlers, std::function<void(const Args&)> handler)
{
    std::lock_guard hold(m_handlersLock);
    handlers.list.push_back(std::move(handler));
}

void MediaConference::addOnUnhandledException(std::function<void(const UnhandledExceptionArgs&)> handler)
{
    add(m_unhandledException, std::move(handler));
}

void MediaConference::addOnLinkInit(std::function<void(const LinkInitArgs&)> handler) { add(m_linkInit, std::move(handler)); }

void MediaConference::addOnLinkCandidate(std::function<void(const LinkCandidateArgs&)> handler)
{
    add(m_linkCandidate, std::move(handler));
}

void MediaConference::addOnLinkUp(std::function<void(const LinkUpArgs&)> handler) { add(m_linkUp, std::move(handler)); }

void MediaConference::addOnLinkDown(std::function<void(const LinkDownArgs&)> handler) { add(m_linkDown, std::move(handler)); }

void MediaConference::addOnLinkOfferAnswer(std::function<void(const LinkOfferAnswerArgs&)> handler)
{
    add(m_linkOfferAnswer, std::move(handler));
}

template <class Args>
void MediaConference::raise(const Handlers<Args>& handlers, const Args& args)
{
    std::vector<std::function<void(const Args&)>> list;
    {
        std::lock_guard hold(m_handlersLock);
        list = handlers.list;
    }
    for (const auto& handler : list) {
        try {
            handler(args);
        } catch (const std::exception& error) {
            MediaStackLog::error(std::string("Conference: an event handler threw: ") + error.what());
        }
    }
}

void MediaConference::guarded(const std::function<void()>& work)
{
    try {
        work();
    } catch (const std::exception& error) {
        raise(m_unhandledException, UnhandledExceptionArgs{{error.what()}});
    } catch (...) {
        raise(m_unhandledException, UnhandledExceptionArgs{{"unknown exception"}});
    }
}

std::shared_ptr<PeerLink> MediaConference::link(const std::string& peerId)
{
    KVN_ASSERT_MAIN_THREAD();
    if (!m_certificate || ((m_certificate->isExpired() || m_certificate->isExpiring()) && m_certificate->autoRegenerate()))
        m_certificate = DtlsCertificateBase::generate();
    auto identity = m_certificate ? m_certificate->dtlsIdentity() : nullptr;
    if (!identity) {
        std::weak_ptr<MediaConference> weak = weak_from_this();
        m_thread->post([weak] {
            if (auto self = weak.lock())
                self->raise(self->m_unhandledException, UnhandledExceptionArgs{{"the DTLS certificate cannot be used"}});
        });
        return nullptr;
    }

    media::ConferenceLinkSettings settings;
    settings.ice.role = media::IceRole::Controlling;
    settings.ice.stunHost = m_stunHost;
    settings.ice.stunPort = static_cast<uint16_t>(m_stunPort > 0 && m_stunPort < 65536 ? m_stunPort : 3478);
    settings.ice.localAddresses = m_localAddresses;
    settings.ice.trickle = m_candidateMode == CandidateMode::Late;
    settings.ice.earlyCandidatesTimeout = m_earlyCandidatesTimeout / 1000.0;
    settings.ice.policy.typePreferences = CandidateTypePreferences::processWide();
    settings.ice.policy.suppressPrivate = m_suppressPrivate;
    settings.ice.policy.suppressRelay = m_suppressRelay;
    settings.certificate = identity;
    // The certificate's own view says what the offer announces; a view that gives no usable
    // text falls back to the digest of what DTLS presents.
    const auto view = m_certificate->toX509();
    settings.fingerprint = view ? media::Certificate::parseFingerprint(view->getSha256FingerprintString()) : std::vector<uint8_t>();
    if (settings.fingerprint.size() != identity->digest().size())
        settings.fingerprint.assign(identity->digest().begin(), identity->digest().end());
    settings.options.deadStreamTimeout = m_deadStreamTimeout / 1000.0;
    settings.setupTimeout = m_linkSetupTimeout / 1000.0;
    for (const auto& stream : m_streams) {
        if (auto audio = std::dynamic_pointer_cast<AudioStreamSpec>(stream)) {
            settings.options.disablePLC = audio->disablePLC();
            settings.options.disableJitterBuffer = audio->disableJitterBuffer();
            if (audio->localStream())
                settings.audioSource = audio->localStream()->audioSource();
        } else if (auto video = std::dynamic_pointer_cast<VideoStreamSpec>(stream)) {
            settings.options.disableFEC = video->disableFEC();
            settings.options.disablePLI = video->disablePLI();
            settings.options.disableNackBuffer = video->disableNackBuffer();
            if (video->localStream())
                settings.videoSource = video->localStream()->videoSource();
        }
    }

    auto peerLink = std::make_shared<PeerLink>(peerId, std::make_shared<RemoteVideoView>());
    std::weak_ptr<MediaConference> weak = weak_from_this();
    media::ConferenceLinkEvents events;
    events.offer = [weak, peerLink](const SdpExchangeMessage& offer) {
        if (auto self = weak.lock())
            self->raise(self->m_linkOfferAnswer, LinkOfferAnswerArgs{peerLink, offer});
    };
    events.candidate = [weak, peerLink](const CandidateMessage& candidate) {
        if (auto self = weak.lock())
            self->raise(self->m_linkCandidate, LinkCandidateArgs{peerLink, candidate});
    };
    events.up = [weak, peerLink] {
        if (auto self = weak.lock())
            self->raise(self->m_linkUp, LinkUpArgs{peerLink});
    };
    events.down = [weak, peerLink](const std::string& message) {
        if (auto self = weak.lock())
            self->raise(self->m_linkDown, LinkDownArgs{peerLink, {message}});
    };
    auto link = media::ConferenceLink::create(m_thread, peerLink, std::move(settings), std::move(events));

    std::shared_ptr<media::ConferenceLink> replaced;
    if (auto found = m_links.find(peerId); found != m_links.end())
        replaced = std::move(found->second);
    m_links[peerId] = link;
    m_answered[peerId] = false;
    m_thread->post([weak, link, replaced]() mutable {
        if (replaced)
            replaced->close(std::nullopt);
        replaced.reset();
        auto self = weak.lock();
        if (!self)
            return;
        self->guarded([&] {
            self->raise(self->m_linkInit, LinkInitArgs{link->peerLink()});
            link->start();
        });
    });
    return peerLink;
}

std::optional<std::string> MediaConference::receiveOfferAnswer(const SdpExchangeMessage& message, const std::string& peerId)
{
    KVN_ASSERT_MAIN_THREAD();
    auto found = m_links.find(peerId);
    if (found == m_links.end())
        return "no link to the peer \"" + peerId + "\"";
    if (message.isOffer)
        return std::string("the peer sent an offer; this side makes the offers");
    if (m_answered[peerId])
        return std::string("the peer's answer was taken already");
    auto offer = found->second->offer();
    if (!offer)
        return std::string("no offer was made to the peer yet");
    auto negotiated = mediastack::sdp::SdpNegotiator::readAnswer(*offer, message.sdpMessage);
    if (!negotiated.ok())
        return "the peer's answer cannot be used: " + negotiated.error();
    m_answered[peerId] = true;
    std::weak_ptr<MediaConference> weak = weak_from_this();
    m_thread->post([weak, link = found->second, answer = std::move(negotiated.value())] {
        if (auto self = weak.lock())
            self->guarded([&] { link->applyAnswer(answer); });
    });
    return std::nullopt;
}

void MediaConference::unlinkAll()
{
    KVN_ASSERT_MAIN_THREAD();
    auto links = std::move(m_links);
    m_links.clear();
    m_answered.clear();
    for (auto& [peerId, link] : links) {
        m_thread->post([link = std::move(link)] { link->close(std::string(unlinkMessage)); });
    }
}
