#pragma once
// The Opus decoder: wraps a libopus decoder for frames of `packetTime` ms. A packet decodes
// into one of two output buffers made once, the normal one or, when asked to decode the
// forward error correction data a packet carries for the frame before it, the FEC one; a
// buffer's contents stay put until the next decode into the same buffer. Without a packet
// it conceals one lost frame, into a buffer of its own.
// Runs on the stack's receive thread.
#include <cstdint>
#include <memory>
#include <vector>

#include "codecs/CocoaOpusBuffer.h"

struct OpusDecoder;

class CocoaOpusDecoder {
public:
    CocoaOpusDecoder() = default;
    ~CocoaOpusDecoder();
    CocoaOpusDecoder(const CocoaOpusDecoder&) = delete;
    CocoaOpusDecoder& operator=(const CocoaOpusDecoder&) = delete;

    // Throws InitializeException when libopus cannot make a decoder for these values.
    void initWithClockRate_channels_packetTime(int32_t clockRate, int32_t channels, int32_t packetTime);

    std::shared_ptr<CocoaOpusBuffer> decodeFrame(const std::vector<uint8_t>* frame) { return decodeFrame_fec(frame, false); }
    // `frame` null or empty: concealment of one lost frame. Null when libopus fails.
    std::shared_ptr<CocoaOpusBuffer> decodeFrame_fec(const std::vector<uint8_t>* frame, bool fec);
    // On the decoding thread: from another, drop the last reference instead (as OpusCodec does).
    void destroy();

    bool debugMode() const { return m_debugMode; }
    void setDebugMode(bool v) { m_debugMode = v; }

private:
    struct DecoderDeleter {
        void operator()(OpusDecoder* decoder) const;
    };
    std::unique_ptr<OpusDecoder, DecoderDeleter> m_decoder;
    int32_t m_frameSize = 0;
    int32_t m_outputLength = 0;
    int32_t m_channels = 0;
    // Shared with the frames handed out, so that a frame never outlives its bytes.
    std::shared_ptr<std::vector<uint8_t>> m_output;
    std::shared_ptr<std::vector<uint8_t>> m_fecOutput;
    bool m_debugMode = false;
};
