#include "CoreGraphics/CGImage.h"

#include <cmath>
#include <cstdio>
#include <cstring>

CGImage::CGImage(size_t width, size_t height, size_t bytesPerRow, bool hasAlpha, std::vector<uint8_t> pixels)
    : m_width(width)
    , m_height(height)
    , m_bytesPerRow(bytesPerRow)
    , m_hasAlpha(hasAlpha)
    , m_pixels(std::move(pixels))
{
    // A short buffer would be read past its end by every consumer: refuse it here, once.
    if (m_bytesPerRow < m_width * 4 || m_pixels.size() < m_bytesPerRow * m_height) {
        m_width = m_height = 0;
        m_bytesPerRow = 0;
        m_pixels.clear();
    }
    if (!m_hasAlpha) {
        for (size_t y = 0; y < m_height; ++y) {
            auto* row = reinterpret_cast<uint32_t*>(m_pixels.data() + y * m_bytesPerRow);
            for (size_t x = 0; x < m_width; ++x)
                row[x] |= 0xFF000000u;
        }
    }
}

CGBitmapInfo CGImage::bitmapInfo() const
{
    return (m_hasAlpha ? kCGImageAlphaPremultipliedFirst : kCGImageAlphaNoneSkipFirst) | kCGBitmapByteOrder32Host;
}

uint32_t CGImage::pixelAt(size_t x, size_t y) const
{
    if (x >= m_width || y >= m_height)
        return 0;
    uint32_t word;
    std::memcpy(&word, m_pixels.data() + y * m_bytesPerRow + x * 4, 4);
    return word;
}

std::string CGImage::description() const
{
    char text[96];
    std::snprintf(text, sizeof text, "<CGImage %zu x %zu%s>", m_width, m_height, m_hasAlpha ? "" : " opaque");
    return text;
}

CGImageRef CGImageCreateWithImageInRect(const CGImageRef& image, CGRect rect)
{
    if (!image)
        return nullptr;
    if (std::isnan(rect.origin.x) || std::isnan(rect.origin.y) || std::isnan(rect.size.width) || std::isnan(rect.size.height))
        return nullptr;
    CGRect bounds = CGRectMake(0, 0, CGFloat(image->width()), CGFloat(image->height()));
    CGRect cut = CGRectIntersection(CGRectIntegral(CGRectStandardize(rect)), bounds);
    if (CGRectIsEmpty(cut))
        return nullptr;
    size_t x0 = size_t(cut.origin.x), y0 = size_t(cut.origin.y);
    size_t w = size_t(cut.size.width), h = size_t(cut.size.height);
    size_t stride = w * 4;
    std::vector<uint8_t> pixels(stride * h);
    for (size_t y = 0; y < h; ++y)
        std::memcpy(pixels.data() + y * stride, image->data() + (y0 + y) * image->bytesPerRow() + x0 * 4, stride);
    return std::make_shared<CGImage>(w, h, stride, image->hasAlpha(), std::move(pixels));
}
