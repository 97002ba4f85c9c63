#pragma once
// The video stream of a media session, both ways. Sending: each captured picture is encoded
// by the stream's codec, packetized, stamped and sent; the packets are kept for a while to
// answer the far side's NACKs, and a PLI from the far side makes the codec (and the source)
// produce a key frame. Receiving: packets of the far side's source are counted for our
// reports, missing ones asked for again (NACK), put back into whole frames, depacketized and
// decoded; when the decoder has lost its reference or a frame cannot be completed, the
// sender is asked for a key frame (PLI, at most once per round trip, at least `minPliGap`
// and at most `maxPliGap` apart; while requests go unanswered by a key frame the gap doubles
// up to `maxPliGap`, so a link that loses more and more is not loaded with requests too).
// NACKs go out at most once per `minNackGap`, and not for packets the assembler has given up.
// The far side's key-frame requests are answered at most once per `minKeyFrameGap`: a PLI
// per picture must not make every picture a key frame. Report blocks the far side sends
// about our video reach the codec. The far side's bandwidth estimate for our video (REMB)
// is kept to: a picture captured while what we sent is over that rate is not encoded (the
// codec's own loss adaptation works on top of it).
// Media thread; owned by the session, which outlives it.
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "MediaStack/RTCPPacket.h"
#include "MediaStack/Rtp/NackGenerator.h"
#include "MediaStack/Rtp/RetransmissionBuffer.h"
#include "MediaStack/Rtp/RtcpReporter.h"
#include "MediaStack/Rtp/Vp8FrameAssembler.h"
#include "MediaStack/Sdp/NegotiatedSession.h"
#include "MediaStack/Session/DepacketizerSequence.h"
#include "MediaStack/Session/MediaSessionOptions.h"
#include "MediaStack/Session/RemoteSourceLatch.h"
#include "MediaStack/Session/RtpStamper.h"
#include "MediaStack/Session/StreamHost.h"
#include "MediaStack/VideoCodecBase.h"
#include "MediaStack/VideoFrame.h"

namespace media {

class VideoStream {
public:
    // Key-frame requests we send are at least this far apart, and a round trip.
    static constexpr auto minPliGap = std::chrono::milliseconds(250);
    static constexpr auto maxPliGap = std::chrono::milliseconds(1000);
    static constexpr auto minNackGap = std::chrono::milliseconds(20);
    static constexpr auto minKeyFrameGap = std::chrono::milliseconds(300);
    // The least we keep sending at, whatever the far side's estimate says, and the burst the
    // allowance lets through at once (a key picture is many packets).
    static constexpr uint64_t minSendAllowance = 50000;
    static constexpr double allowanceBurstSeconds = 0.5;

    VideoStream(StreamHost& host, std::shared_ptr<VideoCodecBase> codec, const mediastack::sdp::NegotiatedSession::Media& media,
                const MediaSessionOptions& options, mediastack::rtp::MediaTime now, uint64_t ntpNow);

    bool sends() const { return m_sends; }
    // Whether a received packet belongs to this stream.
    bool claims(const RTPPacket& packet, mediastack::rtp::MediaTime now);

    void sendFrame(const std::shared_ptr<VideoFrame>& frame, double capturedAt, mediastack::rtp::MediaTime now);
    void rtpReceived(const std::shared_ptr<const RTPPacket>& packet, mediastack::rtp::MediaTime now);
    // Takes what concerns this stream from a received compound RTCP packet.
    void rtcpReceived(const std::vector<std::shared_ptr<RTCPPacket>>& packets, mediastack::rtp::MediaTime now);
    // Time-driven work: frames given up by the assembler, NACK retries, our report.
    void tick(mediastack::rtp::MediaTime now);

    void onFrame(std::function<void(const std::shared_ptr<VideoFrame>&)> callback) { m_onFrame = std::move(callback); }
    // The far side asked for a key frame.
    void onKeyFrameRequest(std::function<void()> callback) { m_onKeyFrameRequest = std::move(callback); }

    void destroyCodec();

private:
    void resetReceiving();
    void decode(const std::vector<std::shared_ptr<const RTPPacket>>& packets, mediastack::rtp::MediaTime now);
    void repair(mediastack::rtp::MediaTime now);
    void requestKeyFrame(mediastack::rtp::MediaTime now);
    void resend(const std::vector<uint16_t>& sequenceNumbers, mediastack::rtp::MediaTime now);
    // Whether the far side's estimate lets a picture go now.
    bool withinAllowance(mediastack::rtp::MediaTime now);

    StreamHost& m_host;
    std::shared_ptr<VideoCodecBase> m_codec;
    const bool m_sends;
    const bool m_receives;
    const bool m_sendsNacks;
    const bool m_sendsPlis;
    const bool m_answersNacks;

    RtpStamper m_stamper;
    mediastack::rtp::RtcpReporter m_reporter;
    mediastack::rtp::RetransmissionBuffer m_retransmissions;

    RemoteSourceLatch m_source;
    mediastack::rtp::NackGenerator m_nacks;
    mediastack::rtp::Vp8FrameAssembler m_assembler;
    DepacketizerSequence m_depacketizerSequence;
    uint64_t m_framesAbandoned = 0;
    std::optional<mediastack::rtp::MediaTime> m_lastPli;
    // Key-frame requests sent since the last key frame came.
    int m_unansweredPlis = 0;
    std::optional<mediastack::rtp::MediaTime> m_lastNack;
    std::optional<mediastack::rtp::MediaTime> m_lastKeyFrameAnswered;
    // The far side's estimate (bit/s), and what is left of it to send now (bits).
    std::optional<uint64_t> m_sendAllowance;
    double m_sendBudget = 0;
    std::optional<mediastack::rtp::MediaTime> m_lastRefill;

    std::function<void(const std::shared_ptr<VideoFrame>&)> m_onFrame;
    std::function<void()> m_onKeyFrameRequest;
};

} // namespace media
