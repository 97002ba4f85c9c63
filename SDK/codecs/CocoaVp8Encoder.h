#pragma once
// The VP8 encoder: wraps libvpx's VP8 encoder for real-time use (constant bitrate, error
// resilient, one pass, no lag). The codec context is made at the first frame and made again
// when the picture size changes; quality, bitrate and drop ratio live on this object and
// reach libvpx at the next frame.
// Encoding runs on the stack's send thread. The settings (quality, bitrate, drop ratio,
// key-frame request) may be changed from another stack thread, the one that reads RTCP:
// they are atomic and read once per frame.
#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

#include <vpx/vpx_encoder.h>

#include "codecs/CocoaVp8Buffer.h"

class CocoaVp8Encoder {
public:
    CocoaVp8Encoder() = default;
    ~CocoaVp8Encoder();
    CocoaVp8Encoder(const CocoaVp8Encoder&) = delete;
    CocoaVp8Encoder& operator=(const CocoaVp8Encoder&) = delete;

    // Appends the encoded frame to `frame`. False when a frame is dropped (drop ratio, or
    // libvpx gave no frame), when the buffer's planes do not hold its picture, or when libvpx
    // fails. Throws InitializeException when libvpx cannot be set up for the picture.
    bool encodeBuffer_toFrame(const std::shared_ptr<CocoaVp8Buffer>& buffer, std::vector<uint8_t>* frame);
    // The next frame will be a key frame.
    void sendKeyframe();
    // Releases the codec context; a later frame makes a new one.
    void destroy();

    // 0.0 to 1.0; the setter clamps and derives the max quantizer (1.0: 31, 0.5: 47, 0.0: 63).
    double quality() const { return quality_.load(); }
    void setQuality(double v);
    int32_t maxQuantizer() const { return maxQuantizer_.load(); }
    // Target bitrate in kbit/s.
    int32_t bitrate() const { return bitrate_.load(); }
    void setBitrate(int32_t v) { bitrate_.store(v); }
    // Share of frames to drop, 0.0 to 0.9 (the setter clamps).
    double percentFramesToDrop() const { return percentFramesToDrop_.load(); }
    void setPercentFramesToDrop(double v);
    bool debugMode() const { return debugMode_.load(); }
    void setDebugMode(bool v) { debugMode_.store(v); }

private:
    void setUpCodecFor(const CocoaVp8Buffer& buffer);

    std::unique_ptr<vpx_codec_ctx_t> codec_;
    std::unique_ptr<vpx_codec_enc_cfg_t> config_;
    vpx_image_t img_ {};
    int64_t frameCount_ = 0;
    int32_t frameCounter_ = 0;
    const int32_t maxFrameRate_ = 30;

    std::atomic<bool> sendKeyFrame_ { false };
    std::atomic<int32_t> bitrate_ { 256 };
    std::atomic<double> quality_ { 0.5 };
    std::atomic<int32_t> maxQuantizer_ { 47 };
    std::atomic<double> percentFramesToDrop_ { 0.0 };
    std::atomic<bool> debugMode_ { false };
};
