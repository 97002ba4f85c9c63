#pragma once
// The VP8 payload descriptor at the front of every VP8 RTP payload (RFC 7741 section 4.2),
// read far enough to assemble frames: whether the packet starts a frame (S set on partition
// 0), where the VP8 data begins, and whether that frame is a key frame (the P bit of the VP8
// payload header, meaningful on the first packet only).
// Any thread: no state.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace mediastack::rtp {

class Vp8PayloadDescriptor {
public:
    bool startOfFrame = false;
    bool keyFrame = false;
    size_t length = 0;

    // None when the descriptor runs past the payload or leaves no VP8 data behind it.
    static std::optional<Vp8PayloadDescriptor> read(std::span<const uint8_t> payload);
};

}
