#pragma once
// An immutable bitmap. Every image holds one pixel layout: 8 bits per component, 32 bits per
// pixel, one host-endian 32-bit word 0xAARRGGBB per pixel with premultiplied alpha (cairo's
// ARGB32; on a little-endian host the bytes of a pixel are blue, green, red, alpha). Row 0
// is the top row. An image without alpha (kCGImageAlphaNoneSkipFirst) keeps 0xFF in its
// alpha byte. Shared and read-only, so usable from any thread.
#include <bit>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "CoreGraphics/CGColorSpace.h"
#include "CoreGraphics/CGGeometry.h"

using CGBitmapInfo = uint32_t;

enum CGImageAlphaInfo : uint32_t {
    kCGImageAlphaNone = 0,
    kCGImageAlphaPremultipliedLast = 1,
    kCGImageAlphaPremultipliedFirst = 2,
    kCGImageAlphaLast = 3,
    kCGImageAlphaFirst = 4,
    kCGImageAlphaNoneSkipLast = 5,
    kCGImageAlphaNoneSkipFirst = 6,
    kCGImageAlphaOnly = 7,
};

inline constexpr CGBitmapInfo kCGBitmapAlphaInfoMask = 0x1F;
inline constexpr CGBitmapInfo kCGBitmapByteOrderMask = 0x7000;
inline constexpr CGBitmapInfo kCGBitmapByteOrderDefault = 0;
inline constexpr CGBitmapInfo kCGBitmapByteOrder32Little = 2 << 12;
inline constexpr CGBitmapInfo kCGBitmapByteOrder32Big = 4 << 12;
inline constexpr CGBitmapInfo kCGBitmapByteOrder32Host =
    std::endian::native == std::endian::little ? kCGBitmapByteOrder32Little : kCGBitmapByteOrder32Big;

class CGImage {
public:
    // `pixels` holds `height` rows of `bytesPerRow` bytes in the layout above (words
    // 0xAARRGGBB, premultiplied). Without alpha, the alpha bytes are set to 0xFF here.
    CGImage(size_t width, size_t height, size_t bytesPerRow, bool hasAlpha, std::vector<uint8_t> pixels);

    size_t width() const { return m_width; }
    size_t height() const { return m_height; }
    size_t bytesPerRow() const { return m_bytesPerRow; }
    bool hasAlpha() const { return m_hasAlpha; }
    // kCGImageAlphaPremultipliedFirst or kCGImageAlphaNoneSkipFirst, with kCGBitmapByteOrder32Host.
    CGBitmapInfo bitmapInfo() const;
    const uint8_t* data() const { return m_pixels.data(); }
    // The premultiplied word 0xAARRGGBB of pixel (x, y), (0, 0) the top left. 0 outside.
    uint32_t pixelAt(size_t x, size_t y) const;
    std::string description() const;

private:
    size_t m_width;
    size_t m_height;
    size_t m_bytesPerRow;
    bool m_hasAlpha;
    std::vector<uint8_t> m_pixels;
};

using CGImageRef = std::shared_ptr<CGImage>;

inline size_t CGImageGetWidth(const CGImageRef& image) { return image ? image->width() : 0; }
inline size_t CGImageGetHeight(const CGImageRef& image) { return image ? image->height() : 0; }
inline size_t CGImageGetBitsPerComponent(const CGImageRef& image) { return image ? 8 : 0; }
inline size_t CGImageGetBitsPerPixel(const CGImageRef& image) { return image ? 32 : 0; }
inline size_t CGImageGetBytesPerRow(const CGImageRef& image) { return image ? image->bytesPerRow() : 0; }
inline CGBitmapInfo CGImageGetBitmapInfo(const CGImageRef& image) { return image ? image->bitmapInfo() : 0; }
inline CGImageAlphaInfo CGImageGetAlphaInfo(const CGImageRef& image)
{
    return image ? CGImageAlphaInfo(image->bitmapInfo() & kCGBitmapAlphaInfoMask) : kCGImageAlphaNone;
}
inline CGColorSpaceRef CGImageGetColorSpace(const CGImageRef& image) { return image ? CGColorSpaceCreateDeviceRGB() : nullptr; }

// The part of `image` inside `rect`, in pixels with (0, 0) the top left. The rectangle is
// widened to whole pixels and cut at the image's edges; nullptr when nothing is left.
CGImageRef CGImageCreateWithImageInRect(const CGImageRef& image, CGRect rect);
