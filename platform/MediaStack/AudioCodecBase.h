#pragma once
// The audio codec as the stack's audio stream sees it. A codec is made by the factory
// registered for its encoding name, clock rate and channel count (AudioStreamDescription), which
// then sets those two on it. Captured PCM goes through encode and packetize; received RTP
// packets through depacketize and decode, and playback plays each decoded frame's
// `framesToPlayBefore` ahead of it. The link that runs the stream hands the codec the
// stream's receiving side (`remoteStream`), where the codec may switch the stack's own
// repairs off.
// Threads as for VideoCodecBase: the stack's own, one operation at a time per direction.
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "MediaStack/AudioFrame.h"
#include "MediaStack/RTCPPacket.h"
#include "MediaStack/RTPPacket.h"
#include "MediaStack/RemoteStream.h"

class AudioCodecBase {
public:
    virtual ~AudioCodecBase() = default;

    // Samples per second per channel.
    int clockRate() const { return clockRate_; }
    void setClockRate(int v) { clockRate_ = v; }
    int channels() const { return channels_; }
    void setChannels(int v) { channels_ = v; }
    // Milliseconds of audio in one frame and one RTP packet.
    int packetTime() const { return packetTime_; }
    void setPacketTime(int v) { packetTime_ = v; }
    // When set, RTP timestamps follow the clock instead of counting packet times, so that a
    // pause of the capture shows as a jump of the timestamp.
    bool resetTimestamp() const { return resetTimestamp_; }
    void setResetTimestamp(bool v) { resetTimestamp_ = v; }

    // The receiving side of the codec's stream on its link; none before the link sets it.
    std::shared_ptr<RemoteStream> remoteStream() const { return remoteStream_.lock(); }
    void setRemoteStream(const std::shared_ptr<RemoteStream>& v) { remoteStream_ = v; }

    virtual std::optional<std::vector<uint8_t>> encodeWithFrame(const std::shared_ptr<AudioFrame>& frame) = 0;
    virtual std::shared_ptr<AudioFrame> decodeWithEncodedFrame(const std::vector<uint8_t>& encodedFrame) = 0;

    virtual std::vector<std::shared_ptr<RTPPacket>> packetizeWithEncodedFrame(const std::vector<uint8_t>& encodedFrame) = 0;
    virtual std::optional<std::vector<uint8_t>> depacketizeWithPacket(const std::shared_ptr<RTPPacket>& packet) = 0;

    virtual void processRTCPWithPackets(const std::vector<std::shared_ptr<RTCPPacket>>& packets) = 0;

    virtual void destroy() = 0;

private:
    int clockRate_ = 0;
    int channels_ = 0;
    int packetTime_ = 20;
    bool resetTimestamp_ = false;
    std::weak_ptr<RemoteStream> remoteStream_;
};
