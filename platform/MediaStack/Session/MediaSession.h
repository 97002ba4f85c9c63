#pragma once
// The media of one link: the negotiated audio (Opus) and video (VP8) streams carried over
// the link's SRTP transport. The send side takes frames from the local sources, encodes them
// with the codecs registered with the stream descriptions and packetizes them; the receive
// side reorders, repairs (NACK and retransmission, PLI, jitter buffer and concealment),
// decodes and hands frames up. RTCP sender and receiver reports run both ways, and every
// report block about our streams reaches our codecs (processRTCPWithPackets), which adapt to
// them. What the far side sends that cannot be read is dropped and counted.
//
// It sits on the SRTP transport as the layer above (DatagramTransport::attach) and passes
// the transport's state on through onTransportState.
// Media thread: created, called and destroyed there; its callbacks run there.
#include <cstdint>
#include <functional>
#include <memory>

#include "MediaStack/AudioFrame.h"
#include "MediaStack/Net/TransportState.h"
#include "MediaStack/Sdp/NegotiatedSession.h"
#include "MediaStack/Session/MediaSessionOptions.h"
#include "MediaStack/VideoFrame.h"

namespace media {

class AudioSource;
class DatagramTransport;
class MediaThread;
class VideoSource;

class MediaSession {
public:
    struct Statistics {
        uint64_t audioPacketsSent = 0;
        uint64_t videoPacketsSent = 0;
        uint64_t videoFramesEncoded = 0;
        uint64_t audioPacketsReceived = 0;
        uint64_t videoPacketsReceived = 0;
        uint64_t audioFramesDecoded = 0;
        uint64_t videoFramesDecoded = 0;
        uint64_t audioFramesConcealed = 0;
        uint64_t nacksSent = 0;
        uint64_t retransmissionsSent = 0;
        uint64_t plisSent = 0;
        uint64_t plisReceived = 0;
        uint64_t reportBlocksReceived = 0;
        uint64_t packetsDropped = 0; // unreadable, unknown source, over a cap
        // Bandwidth feedback (REMB): what we told the far side, and what it told us.
        uint64_t rembsSent = 0;
        uint64_t rembsReceived = 0;
        uint64_t receiveEstimate = 0; // bit/s, the last one sent
        uint64_t sendAllowance = 0; // bit/s, the far side's last estimate for our video
        uint64_t videoFramesSkipped = 0; // captured pictures not sent to stay within it
        double roundTripMs = 0; // the video stream's last measured round trip, 0 before one
    };

    virtual ~MediaSession() = default;

    // `transport` is the link's SRTP transport (any DatagramTransport carrying plain RTP and
    // RTCP in tests). Streams missing from `negotiated` are not run.
    static std::shared_ptr<MediaSession> create(std::shared_ptr<MediaThread> thread,
                                                std::shared_ptr<DatagramTransport> transport,
                                                const mediastack::sdp::NegotiatedSession& negotiated,
                                                const MediaSessionOptions& options);

    // Sources may be set or replaced at any time (a camera switch); none sends nothing.
    virtual void setVideoSource(std::shared_ptr<VideoSource> source) = 0;
    virtual void setAudioSource(std::shared_ptr<AudioSource> source) = 0;

    // Decoded pictures of the far side's video.
    virtual void onRemoteVideoFrame(std::function<void(const std::shared_ptr<VideoFrame>&)> callback) = 0;
    // The far side's sound at playout, one 20 ms frame at a time on the playout clock, gaps
    // concealed (the frame's framesToPlayBefore hold the codec's own repairs).
    virtual void onRemoteAudioFrame(std::function<void(const std::shared_ptr<AudioFrame>&)> callback) = 0;
    // Nothing came from the far side for the dead-stream time-out; reported once.
    virtual void onDeadStream(std::function<void()> callback) = 0;
    virtual void onTransportState(std::function<void(TransportState)> callback) = 0;

    // Stops sending and receiving, leaves the sources and destroys the codecs; no callback
    // runs afterwards. Also done by the destructor.
    virtual void stop() = 0;

    virtual Statistics statistics() const = 0;
};

} // namespace media
