#pragma once
// The media session of one link (see MediaSession): sits on the link's transport, sorts what
// arrives into RTP of the audio or video stream and RTCP for both, takes captured frames
// from the sources over to the media thread (FrameMailbox: one pending picture, the newest;
// a few audio frames), and drives the streams' time-driven work from one 20 ms tick on the
// media thread's clock: audio playout, NACK retries and given-up frames, reports, and the
// watch for a far side that went silent. With REMB agreed it estimates the bandwidth of the
// path from the far side (RembEstimator, from the abs-send-time our packets and theirs carry)
// and tells the far side once a second, or at once when the estimate drops. A REMB of the far
// side that covers our sound as well as our pictures leaves the video what the sound does
// not take.
// Media thread: created, called and destroyed there; sources call in from their capture
// threads only through the mailboxes.
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <span>

#include "MediaStack/Rtp/DropCounter.h"
#include "MediaStack/Rtp/RembEstimator.h"
#include "MediaStack/Rtp/RtpHeaderExtension.h"
#include "MediaStack/Session/AudioStream.h"
#include "MediaStack/Session/FrameMailbox.h"
#include "MediaStack/Session/MediaSession.h"
#include "MediaStack/Session/StreamHost.h"
#include "MediaStack/Session/VideoStream.h"

namespace media {

class LinkMediaSession final : public MediaSession, public StreamHost, public std::enable_shared_from_this<LinkMediaSession> {
public:
    static constexpr double tickSeconds = 0.020;
    // Captured audio waiting for the media thread, at most (200 ms); the oldest goes first.
    static constexpr size_t audioMailboxFrames = 10;

    LinkMediaSession(std::shared_ptr<MediaThread> thread, std::shared_ptr<DatagramTransport> transport,
                     const mediastack::sdp::NegotiatedSession& negotiated, const MediaSessionOptions& options);
    ~LinkMediaSession() override;

    // Attaches to the transport and starts the tick; once, right after construction.
    void start();

    void setVideoSource(std::shared_ptr<VideoSource> source) override;
    void setAudioSource(std::shared_ptr<AudioSource> source) override;
    void onRemoteVideoFrame(std::function<void(const std::shared_ptr<VideoFrame>&)> callback) override;
    void onRemoteAudioFrame(std::function<void(const std::shared_ptr<AudioFrame>&)> callback) override;
    void onDeadStream(std::function<void()> callback) override;
    void onTransportState(std::function<void(TransportState)> callback) override;
    void stop() override;
    Statistics statistics() const override;

    bool sendRtp(const RTPPacket& packet) override;
    bool sendRtcp(const std::vector<std::shared_ptr<RTCPPacket>>& packets) override;
    Statistics& counters() override { return m_statistics; }
    mediastack::rtp::DropCounter& drops() override { return m_drops; }
    bool running() const override { return !m_stopped; }

    void datagramReceived(std::span<const uint8_t> datagram);
    void transportStateChanged(TransportState state);

private:
    mediastack::rtp::MediaTime mediaNow() const;
    void armTick();
    void tick();
    void watchForDeadStream(double now);
    void sendRembIfDue(mediastack::rtp::MediaTime now);
    template <class Source, class Frame>
    uint64_t attachSource(Source& source, const std::shared_ptr<FrameMailbox<Frame>>& mailbox, void (LinkMediaSession::*drain)());
    void drainVideo();
    void drainAudio();
    void leaveSources();

    std::shared_ptr<MediaThread> m_thread;
    std::shared_ptr<DatagramTransport> m_transport;
    MediaSessionOptions m_options;

    Statistics m_statistics;
    mediastack::rtp::DropCounter m_drops;
    std::unique_ptr<VideoStream> m_video;
    std::unique_ptr<AudioStream> m_audio;

    // The abs-send-time extension's id in the bundle, when agreed.
    std::optional<uint8_t> m_absSendTimeId;
    bool m_sendsRemb = false;
    mediastack::rtp::RembEstimator m_estimator;
    std::vector<uint32_t> m_remoteSsrcs;
    // Our sound's bytes on the wire over the last second, for the share of a REMB it takes.
    std::deque<std::pair<mediastack::rtp::MediaTime, size_t>> m_audioSent;
    uint64_t audioBitrate(mediastack::rtp::MediaTime now);
    std::vector<std::shared_ptr<RTCPPacket>> videoShareOfRemb(const std::vector<std::shared_ptr<RTCPPacket>>& packets,
                                                              mediastack::rtp::MediaTime now);

    std::shared_ptr<FrameMailbox<VideoFrame>> m_videoMailbox;
    std::shared_ptr<FrameMailbox<AudioFrame>> m_audioMailbox;
    std::shared_ptr<VideoSource> m_videoSource;
    uint64_t m_videoHandler = 0;
    std::shared_ptr<AudioSource> m_audioSource;
    uint64_t m_audioHandler = 0;

    std::function<void(const std::shared_ptr<VideoFrame>&)> m_onRemoteVideoFrame;
    std::function<void(const std::shared_ptr<AudioFrame>&)> m_onRemoteAudioFrame;
    std::function<void()> m_onDeadStream;
    std::function<void(TransportState)> m_onTransportState;

    std::optional<uint64_t> m_tickTimer;
    double m_nextTick = 0;
    // Since when we wait for the far side: the transport's coming up, then its last packet.
    std::optional<double> m_lastHeard;
    bool m_deadStreamReported = false;
    bool m_stopped = false;
};

} // namespace media
