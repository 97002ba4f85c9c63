#pragma once
// The audio stream of a media session, both ways. Sending: each captured 20 ms frame is
// encoded, packetized and sent, timestamps counting the frames' samples (or following the
// clock when the codec asks to). Receiving: packets of the far side's source are counted
// for our reports, held in the jitter buffer and played out by the session's 20 ms tick,
// decoded and handed up; without the jitter buffer each is decoded as it arrives. Gaps are
// concealed by the codec when it says so on the stream's RemoteStream (it then sees the gap
// in the sequence numbers), else here with silence. Frames handed up own their bytes: a
// codec's output buffer is reused by its next decode. Report blocks the far side sends about
// our audio reach the codec.
// Media thread; owned by the session, which outlives it.
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "MediaStack/AudioCodecBase.h"
#include "MediaStack/AudioFrame.h"
#include "MediaStack/RTCPPacket.h"
#include "MediaStack/RemoteStream.h"
#include "MediaStack/Rtp/AudioJitterBuffer.h"
#include "MediaStack/Rtp/RtcpReporter.h"
#include "MediaStack/Sdp/NegotiatedSession.h"
#include "MediaStack/Session/MediaSessionOptions.h"
#include "MediaStack/Session/RemoteSourceLatch.h"
#include "MediaStack/Session/RtpStamper.h"
#include "MediaStack/Session/StreamHost.h"

namespace media {

class AudioStream {
public:
    // A gap is bridged with at most this many frames of our own concealment (200 ms); a
    // longer one is a pause, not a repair.
    static constexpr uint32_t maxConcealedFrames = 10;

    AudioStream(StreamHost& host, std::shared_ptr<AudioCodecBase> codec, const mediastack::sdp::NegotiatedSession::Media& media,
                const MediaSessionOptions& options, mediastack::rtp::MediaTime now, uint64_t ntpNow);

    bool sends() const { return m_sends; }
    bool claims(const RTPPacket& packet, mediastack::rtp::MediaTime now);

    void sendFrame(const std::shared_ptr<AudioFrame>& frame, double capturedAt, mediastack::rtp::MediaTime now);
    void rtpReceived(const std::shared_ptr<const RTPPacket>& packet, mediastack::rtp::MediaTime now);
    void rtcpReceived(const std::vector<std::shared_ptr<RTCPPacket>>& packets, mediastack::rtp::MediaTime now);
    // Playout of what is due, and our report.
    void tick(mediastack::rtp::MediaTime now);

    void onFrame(std::function<void(const std::shared_ptr<AudioFrame>&)> callback) { m_onFrame = std::move(callback); }

    void destroyCodec();

private:
    void play(const std::shared_ptr<const RTPPacket>& packet, uint32_t lostBefore);
    std::shared_ptr<AudioFrame> silence() const;
    std::shared_ptr<AudioFrame> ownedCopy(const AudioFrame& frame) const;

    StreamHost& m_host;
    std::shared_ptr<AudioCodecBase> m_codec;
    std::shared_ptr<RemoteStream> m_remoteStream;
    const bool m_sends;
    const bool m_receives;
    const bool m_useJitterBuffer;
    const int m_samplesPerFrame;
    const size_t m_frameBytes;

    RtpStamper m_stamper;
    std::optional<uint32_t> m_nextTimestamp;
    mediastack::rtp::RtcpReporter m_reporter;

    RemoteSourceLatch m_source;
    mediastack::rtp::AudioJitterBuffer m_jitterBuffer;

    std::function<void(const std::shared_ptr<AudioFrame>&)> m_onFrame;
};

} // namespace media
