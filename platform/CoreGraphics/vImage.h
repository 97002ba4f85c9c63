#pragma once
// Pixel arithmetic on plain buffers, for the image effects (blur, saturation): a box
// convolution and a colour matrix over 4-channel, 8-bit pixels. The "ARGB8888" of the names
// means four 8-bit channels; they are taken in memory order, whatever they hold. With the
// pixels of a bitmap context (CGImage's layout, little-endian host) channel 0 is blue,
// 1 green, 2 red, 3 alpha. Integer arithmetic throughout, so results are exact and
// repeatable. Any thread; the buffers are the caller's.
#include <cstddef>
#include <cstdint>

using vImagePixelCount = size_t;
using vImage_Error = long;
using vImage_Flags = uint32_t;

struct vImage_Buffer {
    void* data = nullptr;
    vImagePixelCount height = 0;
    vImagePixelCount width = 0;
    size_t rowBytes = 0;
};

inline constexpr vImage_Flags kvImageNoFlags = 0;
// Pixels outside the source repeat the nearest edge pixel.
inline constexpr vImage_Flags kvImageEdgeExtend = 8;

inline constexpr vImage_Error kvImageNoError = 0;
inline constexpr vImage_Error kvImageRoiLargerThanInputBuffer = -21766;
inline constexpr vImage_Error kvImageInvalidKernelSize = -21767;
inline constexpr vImage_Error kvImageInvalidEdgeStyle = -21768;
inline constexpr vImage_Error kvImageMemoryAllocationError = -21771;
inline constexpr vImage_Error kvImageNullPointerArgument = -21772;
inline constexpr vImage_Error kvImageInvalidParameter = -21773;

// Each channel of each destination pixel becomes the mean of the kernelHeight x kernelWidth
// box of source pixels centred on it, rounded to nearest (halves up). Both kernel sides
// must be odd; `flags` must hold kvImageEdgeExtend. The destination's width and height are
// processed; the source must be at least as large. Source and destination must not overlap.
vImage_Error vImageBoxConvolve_ARGB8888(const vImage_Buffer* src, const vImage_Buffer* dest, uint32_t kernelHeight,
                                        uint32_t kernelWidth, vImage_Flags flags);

// For each pixel with channels s[0..3] in memory order:
//   d[i] = clamp((s[0] * matrix[i] + s[1] * matrix[4 + i] + s[2] * matrix[8 + i] + s[3] * matrix[12 + i]) / divisor, 0, 255)
// (row j of the matrix holds what input channel j gives to each output channel), the
// division truncating toward zero. The divisor must be positive. The destination's width and
// height are processed; the source must be at least as large. In place is allowed.
vImage_Error vImageMatrixMultiply_ARGB8888(const vImage_Buffer* src, const vImage_Buffer* dest, const int16_t matrix[16],
                                           int32_t divisor);
