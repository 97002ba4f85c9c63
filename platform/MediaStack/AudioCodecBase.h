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
    int clockRate() const { return m_clockRate; }
    void setClockRate(int v) { m_clockRate = v; }
    int channels() const { return m_channels; }
    void setChannels(int v) { m_channels = v; }
    // Milliseconds of audio in one frame and one RTP packet.
    int packetTime() const { return m_packetTime; }
    void setPacketTime(int v) { m_packetTime = v; }
    // When set, RTP timestamps follow the clock instead of counting packet times, so that a
    // pause of the capture shows as a jump of the timestamp.
    bool resetTimestamp() const { return m_resetTimestamp; }
    void setResetTimestamp(bool v) { m_resetTimestamp = v; }

    // The receiving side of the codec's stream on its link; none before the link sets it.
    std::shared_ptr<RemoteStream> remoteStream() const { return m_remoteStream.lock(); }
    void setRemoteStream(const std::shared_ptr<RemoteStream>& v) { m_remoteStream = v; }

    virtual std::optional<std::vector<uint8_t>> encodeWithFrame(const std::shared_ptr<AudioFrame>& frame) = 0;
    virtual std::shared_ptr<AudioFrame> decodeWithEncodedFrame(const std::vector<uint8_t>& encodedFrame) = 0;

    virtual std::vector<std::shared_ptr<RTPPacket>> packetizeWithEncodedFrame(const std::vector<uint8_t>& encodedFrame) = 0;
    virtual std::optional<std::vector<uint8_t>> depacketizeWithPacket(const std::shared_ptr<RTPPacket>& packet) = 0;

    virtual void processRTCPWithPackets(const std::vector<std::shared_ptr<RTCPPacket>>& packets) = 0;

    virtual void destroy() = 0;

private:
    int m_clockRate = 0;
    int m_channels = 0;
    int m_packetTime = 20;
    bool m_resetTimestamp = false;
    std::weak_ptr<RemoteStream> m_remoteStream;
};
