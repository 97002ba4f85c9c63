#pragma once
// The video codec for the encoding name "VP8": encodes captured I420 frames with libvpx,
// decodes received frames, answers picture-loss indications with a key frame, and steps the
// encoder's quality, bitrate and frame-drop ratio down while the far side reports new packet
// loss and back up while it reports none.
// The media stack calls it on its own threads: send (encode, packetize), receive
// (depacketize, decode) and RTCP; no lock is held across a frame. The encoder and decoder
// are made at their first frames and handed between threads through shared slots; each call
// works on a reference of its own, so `destroy` may come while another thread is still
// encoding or decoding.
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "MediaStack/RTCPReportBlock.h"
#include "MediaStack/VideoCodecBase.h"
#include "MediaStack/Vp8PayloadPacketizer.h"
#include "codecs/CocoaVp8Decoder.h"
#include "codecs/CocoaVp8Encoder.h"
#include "codecs/SharedSlot.h"

class Vp8Codec : public VideoCodecBase {
public:
    Vp8Codec() = default;

    std::optional<std::vector<uint8_t>> encodeWithFrame(const std::shared_ptr<VideoFrame>& frame) override;
    std::shared_ptr<VideoFrame> decodeWithEncodedFrame(const std::vector<uint8_t>& encodedFrame) override;
    bool decoderNeedsKeyFrame() override;
    std::vector<std::shared_ptr<RTPPacket>> packetizeWithEncodedFrame(const std::vector<uint8_t>& encodedFrame) override;
    std::optional<std::vector<uint8_t>> depacketizeWithPacket(const std::shared_ptr<RTPPacket>& packet) override;
    void processRTCPWithPackets(const std::vector<std::shared_ptr<RTCPPacket>>& packets) override;
    void destroy() override;

    // None until the first frame to encode / decode, and after destroy.
    std::shared_ptr<CocoaVp8Encoder> encoder() const { return m_encoder.load(); }
    std::shared_ptr<CocoaVp8Decoder> decoder() const { return m_decoder.load(); }

private:
    void adaptToReportBlock(CocoaVp8Encoder& encoder, const RTCPReportBlock& block);
    // The decoded picture's plane in a buffer of m_planeBuffers that no frame holds any more,
    // or a new one. Receive thread.
    VideoFramePlane planeCopyOf(std::span<const uint8_t> plane, int32_t stride);

    // Three planes for each of a few frames in flight (a frame being shown, one being scaled).
    static constexpr size_t kPlaneBuffersKept = 9;

    kvn::codecs::SharedSlot<CocoaVp8Encoder> m_encoder;
    kvn::codecs::SharedSlot<CocoaVp8Decoder> m_decoder;
    Vp8PayloadPacketizer m_packetizer;
    int32_t m_lossyCount = 0;
    int32_t m_losslessCount = 0;
    int32_t m_lastPacketLossCount = 0;
    // Plane buffers of decoded frames, reused once the frames are let go. Receive thread.
    std::vector<std::shared_ptr<std::vector<uint8_t>>> m_planeBuffers;
};
