#pragma once
// The Opus encoder: wraps a libopus encoder set up for voice over IP, one frame of
// `packetTime` ms per packet. Quality (0.0 to 1.0) sets libopus's complexity (0 to 10);
// bitrate is in units of 1024 bit/s; in-band forward error correction is switched on when
// the far side reports loss.
// Encoding runs on the stack's send thread, while quality and FEC may be changed from the
// thread that reads RTCP: the libopus state is guarded by a lock of its own.
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "codecs/CocoaOpusBuffer.h"

struct OpusEncoder;

class CocoaOpusEncoder {
public:
    static constexpr int32_t maxEncodedLength = 4000;

    CocoaOpusEncoder() = default;
    ~CocoaOpusEncoder();
    CocoaOpusEncoder(const CocoaOpusEncoder&) = delete;
    CocoaOpusEncoder& operator=(const CocoaOpusEncoder&) = delete;

    // Throws InitializeException when libopus cannot make an encoder for these values.
    void initWithClockRate_channels_packetTime(int32_t clockRate, int32_t channels, int32_t packetTime);

    // One Opus packet from the frame of samples at the buffer's index, or none when the buffer
    // does not hold a whole frame or libopus fails.
    std::optional<std::vector<uint8_t>> encodeBuffer(const std::shared_ptr<CocoaOpusBuffer>& buffer);

    void activateFECWithPacketLossPercent(int32_t percent);
    void deactivateFEC();
    void destroy();

    // 1 to 500 (the setter clamps), in units of 1024 bit/s.
    int32_t bitrate() const;
    void setBitrate(int32_t v);
    // 0.0 to 1.0 (the setter clamps); sets the complexity to quality x 10.
    double quality() const;
    void setQuality(double v);
    int32_t complexity() const;
    bool debugMode() const;
    void setDebugMode(bool v);

    // What libopus itself holds, read back through its get controls (its own values for the
    // application and the signal; the bitrate in bit/s); none before set-up and after destroy.
    struct HeldSettings {
        int32_t application = 0;
        int32_t signal = 0;
        int32_t bitrate = 0;
        int32_t complexity = 0;
        bool inbandFEC = false;
        int32_t packetLossPercent = 0;
    };
    std::optional<HeldSettings> heldSettings() const;

private:
    void destroyLocked();

    mutable std::mutex m_lock;
    struct EncoderDeleter {
        void operator()(OpusEncoder* encoder) const;
    };
    std::unique_ptr<OpusEncoder, EncoderDeleter> m_encoder;
    int32_t m_frameSize = 0;
    int32_t m_channels = 0;
    std::vector<uint8_t> m_output;
    std::vector<int16_t> m_samples;
    int32_t m_bitrate = 0;
    double m_quality = 0.0;
    int32_t m_complexity = 0;
    bool m_debugMode = false;
};
