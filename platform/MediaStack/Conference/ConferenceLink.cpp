#include "MediaStack/Conference/ConferenceLink.h"

#include <random>

#include "MediaStack/AudioStreamDescription.h"
#include "MediaStack/Conference/PeerLink.h"
#include "MediaStack/Dtls/Certificate.h"
#include "MediaStack/Dtls/DtlsTransport.h"
#include "MediaStack/MediaStackLog.h"
#include "MediaStack/Net/MediaThread.h"
#include "MediaStack/Sdp/CandidateLine.h"
#include "MediaStack/Rtp/AbsSendTime.h"
#include "MediaStack/Sdp/SdpLocalParameters.h"
#include "MediaStack/Sdp/SdpNegotiator.h"
#include "MediaStack/Sdp/SdpWriter.h"
#include "MediaStack/Session/MediaSession.h"
#include "MediaStack/Srtp/SrtpTransport.h"
#include "MediaStack/VideoStreamDescription.h"
#include "MediaStack/Views/RemoteVideoView.h"

namespace media {

namespace {

uint64_t randomNumber()
{
    static thread_local std::mt19937_64 generator{std::random_device{}()};
    return generator();
}

uint32_t randomSsrc() { return static_cast<uint32_t>(randomNumber() | 1u); }

} // namespace

std::shared_ptr<ConferenceLink> ConferenceLink::create(std::shared_ptr<MediaThread> thread, std::shared_ptr<PeerLink> peerLink,
                                                       ConferenceLinkSettings settings, ConferenceLinkEvents events)
{
    return std::shared_ptr<ConferenceLink>(
        new ConferenceLink(std::move(thread), std::move(peerLink), std::move(settings), std::move(events)));
}

ConferenceLink::ConferenceLink(std::shared_ptr<MediaThread> thread, std::shared_ptr<PeerLink> peerLink, ConferenceLinkSettings settings,
                               ConferenceLinkEvents events)
    : m_thread(std::move(thread)), m_peerLink(std::move(peerLink)), m_settings(std::move(settings)), m_events(std::move(events))
{
    m_settings.options.localAudioSsrc = randomSsrc();
    m_settings.options.localVideoSsrc = randomSsrc();
    if (m_settings.options.cname.empty())
        m_settings.options.cname = "kvn-" + std::to_string(randomNumber() % 1000000000);
}

ConferenceLink::~ConferenceLink()
{
    cancelSetupTimer();
    if (m_session)
        m_session->stop();
}

void ConferenceLink::start()
{
    m_ice = IceTransport::create(m_thread, m_settings.ice);
    if (!m_ice) {
        close("ICE failed: no agent could be made");
        return;
    }
    std::weak_ptr<ConferenceLink> weak = weak_from_this();
    m_ice->onLocalCandidate([weak](const std::string& line) {
        if (auto self = weak.lock())
            self->handleLocalCandidate(line);
    });
    m_ice->onGatheringDone([weak] {
        auto self = weak.lock();
        if (!self)
            return;
        self->m_localGatheringDone = true;
        if (!self->m_settings.ice.trickle)
            self->makeOffer();
    });
    if (m_closed)
        return;
    m_ice->gatherCandidates();
    if (!m_settings.ice.trickle || m_closed)
        return;
    // Trickle: the offer leaves at once, with what gathering found in its first turn (the
    // host candidates, which libnice lists as it starts). The peer can then pair with them
    // as soon as it has the offer, instead of one candidate request later each.
    m_thread->post([weak] {
        if (auto self = weak.lock())
            self->makeOffer();
    });
}

void ConferenceLink::handleLocalCandidate(const std::string& line)
{
    if (m_closed)
        return;
    // Late candidates follow an offer the peer already has.
    if (m_settings.ice.trickle && offer()) {
        if (m_events.candidate)
            m_events.candidate(CandidateMessage{line, 0});
    } else {
        m_earlyCandidates.push_back(line);
    }
}

void ConferenceLink::makeOffer()
{
    if (m_closed || offer())
        return;
    mediastack::sdp::SdpLocalParameters local;
    local.sessionId = randomNumber() >> 2;
    const auto credentials = m_ice->localCredentials();
    local.iceUfrag = credentials.ufrag;
    local.icePwd = credentials.password;
    local.fingerprint = {"sha-256", m_settings.fingerprint};
    local.cname = m_settings.options.cname;
    local.streamId = local.cname + "-stream";
    local.audioSsrc = m_settings.options.localAudioSsrc;
    local.videoSsrc = m_settings.options.localVideoSsrc;
    for (const auto& line : m_earlyCandidates) {
        if (auto candidate = mediastack::sdp::CandidateLine::read(line))
            local.candidates.push_back(*candidate);
    }
    local.candidatesComplete = !m_settings.ice.trickle || m_localGatheringDone;
    local.trickle = m_settings.ice.trickle;
    local.audioCodecs = AudioStreamDescription::registeredCodecs();
    local.videoCodecs = VideoStreamDescription::registeredCodecNames();
    // The send times the far side's bandwidth estimate needs, and ours (REMB) too.
    local.videoExtensions.push_back(mediastack::rtp::AbsSendTime::uri);
    auto description = mediastack::sdp::SdpNegotiator::makeOffer(local);
    {
        std::lock_guard hold(m_offerLock);
        m_offer = description;
    }
    if (m_events.offer)
        m_events.offer(SdpExchangeMessage{mediastack::sdp::SdpWriter::write(description), true, std::to_string(randomNumber())});
}

std::optional<mediastack::sdp::SessionDescription> ConferenceLink::offer() const
{
    std::lock_guard hold(m_offerLock);
    return m_offer;
}

void ConferenceLink::applyAnswer(const mediastack::sdp::NegotiatedSession& answer)
{
    if (m_closed || m_answered)
        return;
    m_answered = true;
    std::weak_ptr<ConferenceLink> weakSelf = weak_from_this();
    m_setupTimer = m_thread->scheduleAfter(m_settings.setupTimeout, [weakSelf] {
        auto self = weakSelf.lock();
        if (!self)
            return;
        self->m_setupTimer.reset();
        if (!self->m_up)
            self->close("Set-up time-out: the link did not come up within " +
                        std::to_string(static_cast<int>(self->m_settings.setupTimeout * 1000)) + " ms of the answer");
    });
    m_ice->setRemoteCredentials({answer.remoteIceUfrag, answer.remoteIcePwd});
    for (const auto& candidate : answer.remoteCandidates) {
        const auto line = mediastack::sdp::CandidateLine::write(candidate);
        if (!m_ice->addRemoteCandidate(line))
            MediaStackLog::info("Conference: refused the peer's candidate " + line);
    }
    if (answer.remoteCandidatesComplete)
        m_ice->remoteGatheringDone();

    DtlsConfig dtls{answer.dtlsClient ? DtlsRole::Client : DtlsRole::Server, m_settings.certificate};
    m_dtls = DtlsTransport::create(m_thread, m_ice, dtls);
    if (!m_dtls) {
        close("DTLS failed: our certificate cannot be used");
        return;
    }
    if (!m_dtls->setRemoteFingerprint(answer.remoteFingerprint.algorithm, Certificate::fingerprintText(answer.remoteFingerprint.digest))) {
        close("DTLS failed: the peer's fingerprint cannot be used");
        return;
    }
    m_srtp = SrtpTransport::create(m_dtls);
    m_session = MediaSession::create(m_thread, m_srtp, answer, m_settings.options);
    if (!m_session) {
        close("Media failed: the link's media session could not be made");
        return;
    }
    // The view keeps only the latest picture and takes it from any thread.
    m_session->onRemoteVideoFrame(
        [view = std::weak_ptr<VideoRenderView>(m_peerLink->remoteVideoView())](const std::shared_ptr<VideoFrame>& frame) {
            if (auto target = view.lock())
                target->renderFrame(frame);
        });
    m_session->setAudioSource(m_settings.audioSource);
    m_session->setVideoSource(m_settings.videoSource);
    m_peerLink->setMediaSession({}, m_session);
    std::weak_ptr<ConferenceLink> weak = weak_from_this();
    m_session->onTransportState([weak](TransportState state) {
        if (auto self = weak.lock())
            self->handleTransportState(state);
    });
    m_session->onDeadStream([weak] {
        if (auto self = weak.lock())
            self->close("Dead stream: nothing came from the peer for " +
                        std::to_string(static_cast<int>(self->m_settings.options.deadStreamTimeout * 1000)) + " ms");
    });
}

void ConferenceLink::handleTransportState(TransportState state)
{
    if (m_closed)
        return;
    switch (state) {
    case TransportState::Connected:
        if (!m_up) {
            m_up = true;
            cancelSetupTimer();
            m_peerLink->setPeerCertificate({}, m_dtls->peerCertificate());
            if (m_events.up)
                m_events.up();
        }
        break;
    case TransportState::Failed:
        if (m_ice->state() == TransportState::Failed)
            close("ICE failed: no candidate pair to the peer works");
        else
            close("DTLS failed: the handshake with the peer or its connection failed");
        break;
    case TransportState::Closed:
        close("Closed by the peer");
        break;
    default:
        break;
    }
}

void ConferenceLink::close(const std::optional<std::string>& message)
{
    if (m_closed)
        return;
    m_closed = true;
    cancelSetupTimer();
    if (m_session)
        m_session->stop();
    if (m_dtls)
        m_dtls->close();
    // We may be inside a callback of one of these; they go once it has returned.
    m_thread->post([ice = std::move(m_ice), dtls = std::move(m_dtls), srtp = std::move(m_srtp), session = std::move(m_session)] {});
    if (message && m_events.down)
        m_events.down(*message);
    m_events = {};
}

void ConferenceLink::cancelSetupTimer()
{
    if (m_setupTimer) {
        m_thread->cancel(*m_setupTimer);
        m_setupTimer.reset();
    }
}

} // namespace media
