#pragma once
// The VP8 decoder: wraps libvpx's VP8 decoder. The codec context is made at the first frame.
// `needsKeyFrame` turns on when libvpx finds a frame corrupt or has no key frame to start
// from (and when the codec sees a lost packet) and off at the next frame that decodes; the stack reads it to ask the sender for a
// key frame.
// Decoding runs on the stack's receive thread; `needsKeyFrame` may be read from any thread.
#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

#include "codecs/CocoaVp8Buffer.h"

class CocoaVp8Decoder {
public:
    // Key frames declaring a larger picture are refused before libvpx sees them: a peer could
    // otherwise make each frame of a few bytes cost a gigabyte and seconds of decoding. Four
    // times the largest picture the stack ever asks for.
    static constexpr int64_t maxPicturePixels = 3840 * 2160;

    CocoaVp8Decoder();
    ~CocoaVp8Decoder();
    CocoaVp8Decoder(const CocoaVp8Decoder&) = delete;
    CocoaVp8Decoder& operator=(const CocoaVp8Decoder&) = delete;

    // Fills `buffer` with the decoded picture, whose planes point into the decoder's memory
    // and stay valid until the next decode or destroy. The picture's size is the coded size,
    // which may be smaller than the sender's input (the sender may resize). False when
    // `frame` is missing or empty, declares too large a picture, or libvpx fails. Throws InitializeException when libvpx
    // cannot set up a decoder.
    bool decodeFrame_toBuffer(const std::vector<uint8_t>* frame, const std::shared_ptr<CocoaVp8Buffer>& buffer);
    // On the decoding thread: from another, drop the last reference instead (as Vp8Codec does).
    void destroy();

    bool needsKeyFrame() const { return m_needsKeyFrame.load(); }
    void setNeedsKeyFrame(bool v) { m_needsKeyFrame.store(v); }
    bool debugMode() const { return m_debugMode.load(); }
    void setDebugMode(bool v) { m_debugMode.store(v); }

private:
    struct Codec; // libvpx's decoder context, kept out of this header
    std::unique_ptr<Codec> m_codec;
    std::atomic<bool> m_needsKeyFrame { false };
    std::atomic<bool> m_debugMode { false };
};
