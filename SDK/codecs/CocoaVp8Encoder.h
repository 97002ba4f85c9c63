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
#include <optional>
#include <vector>

#include "codecs/CocoaVp8Buffer.h"

class CocoaVp8Encoder {
public:
    CocoaVp8Encoder();
    ~CocoaVp8Encoder();
    CocoaVp8Encoder(const CocoaVp8Encoder&) = delete;
    CocoaVp8Encoder& operator=(const CocoaVp8Encoder&) = delete;

    // Appends the encoded frame to `frame`. False when a frame is dropped (drop ratio, or
    // libvpx gave no frame), when the buffer's planes do not hold its picture, or when libvpx
    // fails. Throws InitializeException when libvpx cannot be set up for the picture.
    bool encodeBuffer_toFrame(const std::shared_ptr<CocoaVp8Buffer>& buffer, std::vector<uint8_t>* frame);
    // The next frame will be a key frame.
    void sendKeyframe();
    // Releases the codec context; a later frame makes a new one. On the encoding thread: from
    // another, drop the last reference instead (as Vp8Codec does).
    void destroy();

    // 0.0 to 1.0; the setter clamps and derives the max quantizer (1.0: 31, 0.5: 47, 0.0: 63).
    double quality() const { return m_quality.load(); }
    void setQuality(double v);
    int32_t maxQuantizer() const { return m_maxQuantizer.load(); }
    // Target bitrate in kbit/s.
    int32_t bitrate() const { return m_bitrate.load(); }
    void setBitrate(int32_t v) { m_bitrate.store(v); }
    // Share of frames to drop, 0.0 to 0.9 (the setter clamps).
    double percentFramesToDrop() const { return m_percentFramesToDrop.load(); }
    void setPercentFramesToDrop(double v);
    bool debugMode() const { return m_debugMode.load(); }
    void setDebugMode(bool v) { m_debugMode.store(v); }

    // What libvpx works with for the current picture: the configuration it holds (enumerations
    // as libvpx's own values) and the controls it accepted; a control it refused stays unset.
    struct Settings {
        int timeBaseNumerator = 0;
        int timeBaseDenominator = 0;
        unsigned targetBitrate = 0;
        int endUsage = 0;
        unsigned width = 0;
        unsigned height = 0;
        int keyFrameMode = 0;
        unsigned keyFrameMinDistance = 0;
        unsigned keyFrameMaxDistance = 0;
        unsigned lagInFrames = 0;
        unsigned errorResilient = 0;
        int pass = 0;
        unsigned minQuantizer = 0;
        unsigned maxQuantizer = 0;
        unsigned profile = 0;
        unsigned resizeAllowed = 0;
        unsigned resizeUpThreshold = 0;
        unsigned resizeDownThreshold = 0;
        std::optional<int> staticThreshold;
        std::optional<int> cpuUsed;
        std::optional<int> tokenPartitions;
        std::optional<int> noiseSensitivity;
        std::optional<int> maxIntraBitratePercent;
    };
    // None before the first frame and after destroy. On the encoding thread.
    std::optional<Settings> settings() const;

private:
    void setUpCodecFor(const CocoaVp8Buffer& buffer);

    struct Codec; // libvpx's encoder context, its configuration and the picture descriptor
    std::unique_ptr<Codec> m_codec;
    int64_t m_frameCount = 0;
    int32_t m_frameCounter = 0;
    const int32_t m_maxFrameRate = 30;

    std::atomic<bool> m_sendKeyFrame { false };
    std::atomic<int32_t> m_bitrate { 256 };
    std::atomic<double> m_quality { 0.5 };
    std::atomic<int32_t> m_maxQuantizer { 47 };
    std::atomic<double> m_percentFramesToDrop { 0.0 };
    std::atomic<bool> m_debugMode { false };
};
