#pragma once
// The video codec as the stack's video stream sees it. A codec is made by the factory
// registered for its encoding name (VideoStreamDescription) and is then driven by the stream:
// captured frames go through encode and packetize on the send side; received RTP packets go
// through depacketize and decode on the receive side; RTCP packets received for the stream
// are handed to it; `decoderNeedsKeyFrame` tells the stream to ask the sender for a key
// frame. The RTP clock of video is 90 kHz.
// The stack calls a codec on its own threads, one operation at a time per direction;
// `destroy` comes last.
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "MediaStack/RTCPPacket.h"
#include "MediaStack/RTPPacket.h"
#include "MediaStack/VideoFrame.h"

class VideoCodecBase {
public:
    virtual ~VideoCodecBase() = default;

    int clockRate() const { return 90000; }

    // The encoded frame, or none when the frame is dropped or cannot be encoded.
    virtual std::optional<std::vector<uint8_t>> encodeWithFrame(const std::shared_ptr<VideoFrame>& frame) = 0;
    // A picture, or none.
    virtual std::shared_ptr<VideoFrame> decodeWithEncodedFrame(const std::vector<uint8_t>& encodedFrame) = 0;
    virtual bool decoderNeedsKeyFrame() = 0;

    virtual std::vector<std::shared_ptr<RTPPacket>> packetizeWithEncodedFrame(const std::vector<uint8_t>& encodedFrame) = 0;
    // A whole encoded frame once its last packet is in, else none.
    virtual std::optional<std::vector<uint8_t>> depacketizeWithPacket(const std::shared_ptr<RTPPacket>& packet) = 0;

    virtual void processRTCPWithPackets(const std::vector<std::shared_ptr<RTCPPacket>>& packets) = 0;

    virtual void destroy() = 0;
};
