#pragma once
// Small pixel fixtures for the drawing tests: images from lists of 0xAARRGGBB words
// (premultiplied, row 0 at the top) and the words of an image or context back.
#include <cstdint>
#include <cstring>
#include <vector>

#include "CoreGraphics/CGContext.h"
#include "CoreGraphics/CGImage.h"

namespace fixtures {

inline constexpr uint32_t kRed = 0xFFFF0000, kGreen = 0xFF00FF00, kBlue = 0xFF0000FF, kWhite = 0xFFFFFFFF,
                          kBlack = 0xFF000000, kClear = 0x00000000;

inline CGImageRef image(size_t width, size_t height, const std::vector<uint32_t>& words, bool hasAlpha = true)
{
    std::vector<uint8_t> bytes(words.size() * 4);
    std::memcpy(bytes.data(), words.data(), bytes.size());
    return std::make_shared<CGImage>(width, height, width * 4, hasAlpha, std::move(bytes));
}

inline std::vector<uint32_t> words(const CGImageRef& image)
{
    std::vector<uint32_t> out;
    for (size_t y = 0; y < image->height(); ++y)
        for (size_t x = 0; x < image->width(); ++x)
            out.push_back(image->pixelAt(x, y));
    return out;
}

inline std::vector<uint32_t> words(const CGContextRef& context) { return words(CGBitmapContextCreateImage(context)); }

inline CGContextRef context(size_t width, size_t height, bool opaque = false)
{
    return CGBitmapContextCreate(nullptr, width, height, 8, 0, CGColorSpaceCreateDeviceRGB(),
                                 (opaque ? kCGImageAlphaNoneSkipFirst : kCGImageAlphaPremultipliedFirst) | kCGBitmapByteOrder32Host);
}

} // namespace fixtures
