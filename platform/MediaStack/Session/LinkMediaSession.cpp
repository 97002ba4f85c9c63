#include "MediaStack/Session/LinkMediaSession.h"

#include <algorithm>
#include <chrono>

#include "MediaStack/AudioStreamDescription.h"
#include "MediaStack/MediaStackLog.h"
#include "MediaStack/Net/DatagramTransport.h"
#include "MediaStack/Net/MediaThread.h"
#include "MediaStack/Rtp/AbsSendTime.h"
#include "MediaStack/Rtp/RtcpReader.h"
#include "MediaStack/Rtp/RtcpRembPacket.h"
#include "MediaStack/Rtp/RtcpWriter.h"
#include "MediaStack/Rtp/RtpDemux.h"
#include "MediaStack/Rtp/RtpReader.h"
#include "MediaStack/Rtp/RtpWriter.h"
#include "MediaStack/Session/AudioSource.h"
#include "MediaStack/Session/VideoSource.h"
#include "MediaStack/VideoStreamDescription.h"

namespace media {

using mediastack::rtp::MediaTime;

namespace {

// Our NTP time for the reports' round-trip measurement: the far side only echoes it back,
// so the wall clock at start-up is a good enough origin.
uint64_t ntpNow()
{
    using namespace std::chrono;
    constexpr uint64_t kSecondsFrom1900To1970 = 2208988800ull;
    const auto sinceEpoch = duration_cast<microseconds>(system_clock::now().time_since_epoch()).count();
    const auto seconds = static_cast<uint64_t>(sinceEpoch / 1000000) + kSecondsFrom1900To1970;
    const auto fraction = (static_cast<uint64_t>(sinceEpoch % 1000000) << 32) / 1000000;
    return (seconds << 32) | fraction;
}

} // namespace

LinkMediaSession::LinkMediaSession(std::shared_ptr<MediaThread> thread, std::shared_ptr<DatagramTransport> transport,
                                   const mediastack::sdp::NegotiatedSession& negotiated, const MediaSessionOptions& options)
    : m_thread(std::move(thread)), m_transport(std::move(transport)), m_options(options),
      m_videoMailbox(std::make_shared<FrameMailbox<VideoFrame>>(1)),
      m_audioMailbox(std::make_shared<FrameMailbox<AudioFrame>>(audioMailboxFrames))
{
    const auto now = mediaNow();
    const auto ntp = ntpNow();
    const auto runs = [](const auto& media) { return media && media->direction != mediastack::sdp::MediaDirection::Inactive; };
    if (runs(negotiated.video)) {
        if (auto codec = VideoStreamDescription::createCodec(negotiated.video->codec.name)) {
            m_video = std::make_unique<VideoStream>(*this, std::move(codec), *negotiated.video, m_options, now, ntp);
            m_video->onFrame([this](const std::shared_ptr<VideoFrame>& frame) {
                // A copy: the callback may stop the session, which lets go of it.
                if (auto callback = m_onRemoteVideoFrame)
                    callback(frame);
            });
            m_video->onKeyFrameRequest([this] {
                if (m_videoSource)
                    m_videoSource->requestKeyFrame();
            });
        } else {
            MediaStackLog::error("Media session: no codec registered for video \"" + negotiated.video->codec.name + "\"; video not run.");
        }
    }
    if (runs(negotiated.video)) {
        m_sendsRemb = negotiated.video->remb;
        for (const auto& extension : negotiated.video->headerExtensions)
            if (extension.uri == mediastack::rtp::AbsSendTime::uri && extension.id > 0 && extension.id < 256)
                m_absSendTimeId = static_cast<uint8_t>(extension.id);
    }
    if (runs(negotiated.audio)) {
        const auto& sdp = negotiated.audio->codec;
        const int channels = sdp.channels > 0 ? static_cast<int>(sdp.channels) : 1;
        if (auto codec = AudioStreamDescription::createCodec(sdp.name, static_cast<int>(sdp.clockRate), channels)) {
            m_audio = std::make_unique<AudioStream>(*this, std::move(codec), *negotiated.audio, m_options, now, ntp);
            m_audio->onFrame([this](const std::shared_ptr<AudioFrame>& frame) {
                if (auto callback = m_onRemoteAudioFrame)
                    callback(frame);
            });
        } else {
            MediaStackLog::error("Media session: no codec registered for audio \"" + sdp.name + "\"; audio not run.");
        }
    }
}

LinkMediaSession::~LinkMediaSession() { stop(); }

void LinkMediaSession::start()
{
    m_transport->attach(shared_from_this(), &LinkMediaSession::datagramReceived, &LinkMediaSession::transportStateChanged);
    m_nextTick = m_thread->now();
    armTick();
}

MediaTime LinkMediaSession::mediaNow() const
{
    return MediaTime(std::chrono::duration_cast<mediastack::rtp::MediaDuration>(std::chrono::duration<double>(m_thread->now())));
}

void LinkMediaSession::armTick()
{
    const double now = m_thread->now();
    m_nextTick += tickSeconds;
    // A clock that jumped (a stalled thread, a test's big step) is not made up tick by tick.
    if (m_nextTick <= now)
        m_nextTick = now + tickSeconds;
    std::weak_ptr<LinkMediaSession> weak = weak_from_this();
    m_tickTimer = m_thread->scheduleAfter(m_nextTick - now, [weak] {
        if (auto self = weak.lock())
            self->tick();
    });
}

void LinkMediaSession::tick()
{
    m_tickTimer.reset();
    if (m_stopped)
        return;
    const auto now = mediaNow();
    if (m_audio)
        m_audio->tick(now);
    if (m_video && !m_stopped)
        m_video->tick(now);
    if (!m_stopped)
        sendRembIfDue(now);
    if (!m_stopped)
        watchForDeadStream(m_thread->now());
    if (!m_stopped)
        armTick();
}

void LinkMediaSession::sendRembIfDue(MediaTime now)
{
    if (!m_sendsRemb || m_remoteSsrcs.empty())
        return;
    const auto estimate = m_estimator.rembDue(now);
    if (!estimate)
        return;
    auto remb = std::make_shared<mediastack::rtp::RtcpRembPacket>();
    remb->senderSsrc = m_options.localVideoSsrc;
    remb->bitrate = *estimate;
    remb->mediaSsrcs = m_remoteSsrcs;
    if (sendRtcp({remb})) {
        m_statistics.rembsSent++;
        m_statistics.receiveEstimate = *estimate;
    }
}

void LinkMediaSession::watchForDeadStream(double now)
{
    if (m_deadStreamReported || !m_lastHeard || now - *m_lastHeard < m_options.deadStreamTimeout)
        return;
    m_deadStreamReported = true;
    MediaStackLog::warn("Media session: nothing received from the far side for " + std::to_string(m_options.deadStreamTimeout) + " s.");
    if (auto callback = m_onDeadStream)
        callback();
}

void LinkMediaSession::transportStateChanged(TransportState state)
{
    if (m_stopped)
        return;
    if (state == TransportState::Connected && !m_lastHeard)
        m_lastHeard = m_thread->now();
    if (auto callback = m_onTransportState)
        callback(state);
}

void LinkMediaSession::datagramReceived(std::span<const uint8_t> datagram)
{
    if (m_stopped)
        return;
    const auto now = mediaNow();
    if (mediastack::rtp::RtpDemux::classify(datagram) == mediastack::rtp::RtpDemux::Kind::Rtcp) {
        const auto dropsBefore = m_drops.total();
        const auto packets = mediastack::rtp::RtcpReader::read(datagram, m_drops);
        if (m_drops.total() != dropsBefore)
            return;
        m_lastHeard = m_thread->now();
        if (m_video)
            m_video->rtcpReceived(videoShareOfRemb(packets, now), now);
        if (m_audio && !m_stopped)
            m_audio->rtcpReceived(packets, now);
        return;
    }
    auto read = mediastack::rtp::RtpReader::read(datagram, m_drops);
    if (!read)
        return;
    std::optional<uint32_t> sendTime;
    for (const auto& extension : read->extensions)
        if (m_absSendTimeId && extension.id == *m_absSendTimeId)
            sendTime = mediastack::rtp::AbsSendTime::read(extension.data);
    auto packet = std::make_shared<const RTPPacket>(std::move(read->packet));
    const auto heard = [&] {
        m_lastHeard = m_thread->now();
        m_estimator.packetReceived(now, sendTime, datagram.size());
        // The far side's sources our REMB speaks of: one per stream, the newest kept.
        if (std::find(m_remoteSsrcs.begin(), m_remoteSsrcs.end(), packet->ssrc) == m_remoteSsrcs.end()) {
            if (m_remoteSsrcs.size() >= 2)
                m_remoteSsrcs.erase(m_remoteSsrcs.begin());
            m_remoteSsrcs.push_back(packet->ssrc);
        }
    };
    if (m_video && m_video->claims(*packet, now)) {
        heard();
        m_video->rtpReceived(packet, now);
    } else if (m_audio && m_audio->claims(*packet, now)) {
        heard();
        m_audio->rtpReceived(packet, now);
    } else {
        m_drops.add(mediastack::rtp::DropReason::UnknownSource);
    }
}

uint64_t LinkMediaSession::audioBitrate(MediaTime now)
{
    while (!m_audioSent.empty() && now - m_audioSent.front().first > std::chrono::seconds(1))
        m_audioSent.pop_front();
    size_t bytes = 0;
    for (const auto& [at, count] : m_audioSent)
        bytes += count;
    return static_cast<uint64_t>(bytes) * 8;
}

std::vector<std::shared_ptr<RTCPPacket>> LinkMediaSession::videoShareOfRemb(const std::vector<std::shared_ptr<RTCPPacket>>& packets,
                                                                           MediaTime now)
{
    std::vector<std::shared_ptr<RTCPPacket>> out = packets;
    for (auto& packet : out) {
        const auto* remb = dynamic_cast<const mediastack::rtp::RtcpRembPacket*>(packet.get());
        if (!remb || std::find(remb->mediaSsrcs.begin(), remb->mediaSsrcs.end(), m_options.localAudioSsrc) == remb->mediaSsrcs.end())
            continue;
        auto share = std::make_shared<mediastack::rtp::RtcpRembPacket>(*remb);
        const uint64_t audio = audioBitrate(now);
        share->bitrate = remb->bitrate > audio ? remb->bitrate - audio : 0;
        packet = share;
    }
    return out;
}

bool LinkMediaSession::sendRtp(const RTPPacket& packet)
{
    if (m_stopped)
        return false;
    if (packet.ssrc == m_options.localAudioSsrc && m_video) {
        const auto now = mediaNow();
        m_audioSent.emplace_back(now, packet.payload.size() + 12 + 28);
        (void)audioBitrate(now); // keeps the window to the last second
    }
    if (!m_absSendTimeId)
        return m_transport->send(mediastack::rtp::RtpWriter::write(packet));
    const mediastack::rtp::RtpHeaderExtension sendTime {*m_absSendTimeId,
                                                        mediastack::rtp::AbsSendTime::write(mediastack::rtp::AbsSendTime::at(mediaNow()))};
    return m_transport->send(mediastack::rtp::RtpWriter::write(packet, {sendTime}));
}

bool LinkMediaSession::sendRtcp(const std::vector<std::shared_ptr<RTCPPacket>>& packets)
{
    if (m_stopped)
        return false;
    const auto datagram = mediastack::rtp::RtcpWriter::write(packets);
    return !datagram.empty() && m_transport->send(datagram);
}

template <class Source, class Frame>
uint64_t LinkMediaSession::attachSource(Source& source, const std::shared_ptr<FrameMailbox<Frame>>& mailbox,
                                        void (LinkMediaSession::*drain)())
{
    std::weak_ptr<FrameMailbox<Frame>> weakMailbox = mailbox;
    std::weak_ptr<MediaThread> weakThread = m_thread;
    std::weak_ptr<LinkMediaSession> weak = weak_from_this();
    // On the capture thread: only the mailbox and one wake-up post, never the session itself.
    return source.addFrameHandler([weakMailbox, weakThread, weak, drain](const std::shared_ptr<Frame>& frame) {
        auto box = weakMailbox.lock();
        auto thread = weakThread.lock();
        if (!box || !thread || !frame)
            return;
        if (box->put(frame, thread->now()))
            thread->post([weak, drain] {
                if (auto self = weak.lock())
                    ((*self).*drain)();
            });
    });
}

void LinkMediaSession::setVideoSource(std::shared_ptr<VideoSource> source)
{
    if (m_videoSource)
        m_videoSource->removeFrameHandler(m_videoHandler);
    m_videoSource.reset();
    if (m_stopped || !source || !m_video || !m_video->sends())
        return;
    m_videoSource = std::move(source);
    m_videoHandler = attachSource(*m_videoSource, m_videoMailbox, &LinkMediaSession::drainVideo);
}

void LinkMediaSession::setAudioSource(std::shared_ptr<AudioSource> source)
{
    if (m_audioSource)
        m_audioSource->removeFrameHandler(m_audioHandler);
    m_audioSource.reset();
    if (m_stopped || !source || !m_audio || !m_audio->sends())
        return;
    m_audioSource = std::move(source);
    m_audioHandler = attachSource(*m_audioSource, m_audioMailbox, &LinkMediaSession::drainAudio);
}

void LinkMediaSession::drainVideo()
{
    // Pictures are not encoded before the link can carry them. The encoder's first frame is
    // its key frame; spent on a link without keys it is lost, and a far side that does not ask
    // for another (the video server does not) decodes nothing until the next periodic key
    // frame, many seconds later.
    const bool carried = m_transport->state() == TransportState::Connected;
    for (auto& entry : m_videoMailbox->take()) {
        if (m_stopped || !m_video)
            return;
        if (!carried)
            continue;
        m_video->sendFrame(entry.frame, entry.capturedAt, mediaNow());
    }
}

void LinkMediaSession::drainAudio()
{
    for (auto& entry : m_audioMailbox->take()) {
        if (m_stopped || !m_audio)
            return;
        m_audio->sendFrame(entry.frame, entry.capturedAt, mediaNow());
    }
}

void LinkMediaSession::onRemoteVideoFrame(std::function<void(const std::shared_ptr<VideoFrame>&)> callback)
{
    m_onRemoteVideoFrame = std::move(callback);
}

void LinkMediaSession::onRemoteAudioFrame(std::function<void(const std::shared_ptr<AudioFrame>&)> callback)
{
    m_onRemoteAudioFrame = std::move(callback);
}

void LinkMediaSession::onDeadStream(std::function<void()> callback) { m_onDeadStream = std::move(callback); }

void LinkMediaSession::onTransportState(std::function<void(TransportState)> callback) { m_onTransportState = std::move(callback); }

void LinkMediaSession::leaveSources()
{
    if (m_videoSource)
        m_videoSource->removeFrameHandler(m_videoHandler);
    if (m_audioSource)
        m_audioSource->removeFrameHandler(m_audioHandler);
    m_videoSource.reset();
    m_audioSource.reset();
}

void LinkMediaSession::stop()
{
    if (m_stopped)
        return;
    m_stopped = true;
    if (m_tickTimer)
        m_thread->cancel(*m_tickTimer);
    m_tickTimer.reset();
    // After this no capture thread is inside a handler of ours; frames still in the mailboxes
    // are never taken.
    leaveSources();
    if (m_video)
        m_video->destroyCodec();
    if (m_audio)
        m_audio->destroyCodec();
    if (m_drops.total() > 0)
        MediaStackLog::info("Media session dropped packets: " + m_drops.summary());
    m_onRemoteVideoFrame = nullptr;
    m_onRemoteAudioFrame = nullptr;
    m_onDeadStream = nullptr;
    m_onTransportState = nullptr;
}

MediaSession::Statistics LinkMediaSession::statistics() const
{
    Statistics copy = m_statistics;
    copy.packetsDropped = m_drops.total();
    return copy;
}

} // namespace media
