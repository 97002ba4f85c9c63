#pragma once
// One I420 picture as the VP8 encoder takes it and the decoder gives it: three planes with
// their strides, and the size. The planes are views: they refer to memory owned elsewhere
// (the caller's frame when encoding, the decoder when decoding) and are only valid while
// that owner keeps it. A plain record.
#include <cstdint>
#include <span>

class CocoaVp8Buffer {
public:
    std::span<const uint8_t> planeY;
    std::span<const uint8_t> planeU;
    std::span<const uint8_t> planeV;
    int32_t strideY = 0;
    int32_t strideU = 0;
    int32_t strideV = 0;
    int32_t width = 0;
    int32_t height = 0;
};
