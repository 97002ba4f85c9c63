#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "CoreGraphics/CGContext.h"
#include "PixelFixtures.h"

using namespace fixtures;

namespace {

// A 4 x 3 image whose pixel (x, y) is the opaque word 0xFF0000yx: easy to tell apart.
CGImageRef grid()
{
    std::vector<uint32_t> w;
    for (uint32_t y = 0; y < 3; ++y)
        for (uint32_t x = 0; x < 4; ++x)
            w.push_back(0xFF000000 | (y << 4) | x);
    return image(4, 3, w);
}

TEST(CGImage, CropCutsInTopLeftPixelCoordinates)
{
    struct Case {
        const char* why;
        CGRect rect;
        CGRect expected; // in the source's pixels; empty: no image
    } cases[] = {
        {"inside", CGRectMake(1, 1, 2, 2), CGRectMake(1, 1, 2, 2)},
        {"y counts from the top row", CGRectMake(0, 0, 4, 1), CGRectMake(0, 0, 4, 1)},
        {"fractions widen to whole pixels", CGRectMake(0.5, 0.5, 1, 1), CGRectMake(0, 0, 2, 2)},
        {"reaching past the edge is cut at the edge", CGRectMake(2, -1, 5, 3), CGRectMake(2, 0, 2, 2)},
        {"negative size is standardised", CGRectMake(3, 3, -2, -2), CGRectMake(1, 1, 2, 2)},
        {"wholly outside", CGRectMake(5, 0, 2, 2), CGRectZero},
        {"empty", CGRectMake(1, 1, 0, 2), CGRectZero},
        {"not a number", CGRectMake(NAN, 0, 2, 2), CGRectZero},
    };
    auto source = grid();
    for (const auto& c : cases) {
        auto cut = CGImageCreateWithImageInRect(source, c.rect);
        if (CGRectIsEmpty(c.expected)) {
            EXPECT_EQ(cut, nullptr) << c.why;
            continue;
        }
        ASSERT_TRUE(cut) << c.why;
        ASSERT_EQ(cut->width(), size_t(c.expected.size.width)) << c.why;
        ASSERT_EQ(cut->height(), size_t(c.expected.size.height)) << c.why;
        for (size_t y = 0; y < cut->height(); ++y)
            for (size_t x = 0; x < cut->width(); ++x)
                EXPECT_EQ(cut->pixelAt(x, y), source->pixelAt(x + size_t(c.expected.origin.x), y + size_t(c.expected.origin.y)))
                    << c.why;
    }
    EXPECT_EQ(CGImageCreateWithImageInRect(nullptr, CGRectMake(0, 0, 1, 1)), nullptr);
}

TEST(CGImage, OpaqueImagesKeepFullAlphaAndShortBuffersAreRefused)
{
    auto opaque = image(1, 1, {0x00123456}, false);
    EXPECT_EQ(opaque->pixelAt(0, 0), 0xFF123456u);
    EXPECT_EQ(CGImageGetAlphaInfo(opaque), kCGImageAlphaNoneSkipFirst);

    auto shortBuffer = std::make_shared<CGImage>(4, 4, 16, true, std::vector<uint8_t>(10));
    EXPECT_EQ(shortBuffer->width(), 0u) << "an image that would read past its pixels is empty instead";
    EXPECT_EQ(shortBuffer->pixelAt(0, 0), 0u);
}

// Orientation repair as the image helpers do it: a context of the displayed size, a transform
// per orientation, the bitmap drawn into (0, 0, w, h) or (0, 0, h, w) for quarter turns.
// Orientations: Up 0, Down 1, Left 2, Right 3, UpMirrored 4, DownMirrored 5, LeftMirrored 6,
// RightMirrored 7.
CGImageRef redrawUpright(const CGImageRef& bitmap, int orientation)
{
    const bool quarter = orientation == 2 || orientation == 3 || orientation == 6 || orientation == 7;
    const CGFloat w = CGFloat(quarter ? bitmap->height() : bitmap->width());
    const CGFloat h = CGFloat(quarter ? bitmap->width() : bitmap->height());
    constexpr double pi = std::numbers::pi;
    CGAffineTransform t = CGAffineTransformIdentity;
    switch (orientation) {
    case 1:
    case 5:
        t = CGAffineTransformRotate(CGAffineTransformTranslate(t, w, h), pi);
        break;
    case 2:
    case 6:
        t = CGAffineTransformRotate(CGAffineTransformTranslate(t, w, 0), pi / 2);
        break;
    case 3:
    case 7:
        t = CGAffineTransformRotate(CGAffineTransformTranslate(t, 0, h), -pi / 2);
        break;
    }
    switch (orientation) {
    case 4:
    case 5:
        t = CGAffineTransformScale(CGAffineTransformTranslate(t, w, 0), -1, 1);
        break;
    case 6:
    case 7:
        t = CGAffineTransformScale(CGAffineTransformTranslate(t, h, 0), -1, 1);
        break;
    }
    auto ctx = CGBitmapContextCreate(nullptr, size_t(w), size_t(h), CGImageGetBitsPerComponent(bitmap), 0,
                                     CGImageGetColorSpace(bitmap), CGImageGetBitmapInfo(bitmap));
    CGContextConcatCTM(ctx, t);
    CGContextDrawImage(ctx, quarter ? CGRectMake(0, 0, h, w) : CGRectMake(0, 0, w, h), bitmap);
    return CGBitmapContextCreateImage(ctx);
}

TEST(CGImage, OrientationRepairProducesTheDisplayedPixels)
{
    // A 3 x 2 stored bitmap, all pixels different. For each orientation, where displayed pixel
    // (x, y) comes from in the stored bitmap (u, v), following the orientation's meaning
    // (the EXIF orientation in brackets).
    auto stored = grid();
    stored = CGImageCreateWithImageInRect(stored, CGRectMake(0, 0, 3, 2));
    const size_t W = 3, H = 2;
    struct Case {
        int orientation;
        const char* why;
        std::pair<size_t, size_t> (*source)(size_t x, size_t y, size_t W, size_t H);
    } cases[] = {
        {0, "Up [1]: as stored", [](size_t x, size_t y, size_t, size_t) { return std::pair{x, y}; }},
        {1, "Down [3]: half turn", [](size_t x, size_t y, size_t W, size_t H) { return std::pair{W - 1 - x, H - 1 - y}; }},
        {2, "Left [8]: stored row 0 is the displayed left column, read upward",
         [](size_t x, size_t y, size_t W, size_t) { return std::pair{W - 1 - y, x}; }},
        {3, "Right [6]: stored row 0 is the displayed right column, read downward",
         [](size_t x, size_t y, size_t, size_t H) { return std::pair{y, H - 1 - x}; }},
        {4, "UpMirrored [2]: left and right swapped", [](size_t x, size_t y, size_t W, size_t) { return std::pair{W - 1 - x, y}; }},
        {5, "DownMirrored [4]: top and bottom swapped", [](size_t x, size_t y, size_t, size_t H) { return std::pair{x, H - 1 - y}; }},
        {6, "LeftMirrored [5]: transposed", [](size_t x, size_t y, size_t, size_t) { return std::pair{y, x}; }},
        {7, "RightMirrored [7]: transposed across the other diagonal",
         [](size_t x, size_t y, size_t W, size_t H) { return std::pair{W - 1 - y, H - 1 - x}; }},
    };
    for (const auto& c : cases) {
        auto up = redrawUpright(stored, c.orientation);
        ASSERT_TRUE(up) << c.why;
        const bool quarter = c.orientation == 2 || c.orientation == 3 || c.orientation == 6 || c.orientation == 7;
        ASSERT_EQ(up->width(), quarter ? H : W) << c.why;
        for (size_t y = 0; y < up->height(); ++y) {
            for (size_t x = 0; x < up->width(); ++x) {
                auto [u, v] = c.source(x, y, W, H);
                EXPECT_EQ(up->pixelAt(x, y), stored->pixelAt(u, v)) << c.why << " at displayed " << x << "," << y;
            }
        }
    }
}

} // namespace
