#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "CoreGraphics/CGContext.h"
#include "PixelFixtures.h"

using namespace fixtures;

namespace {

constexpr double kPi = std::numbers::pi;

TEST(CGBitmapContext, CreateAcceptsOnlyLayoutsItCanBack)
{
    const auto rgb = CGColorSpaceCreateDeviceRGB();
    struct Case {
        const char* why;
        size_t width, height, bitsPerComponent, bytesPerRow;
        CGBitmapInfo info;
        bool made;
        bool opaque;
    } cases[] = {
        {"premultiplied first, automatic row length", 3, 2, 8, 0, kCGImageAlphaPremultipliedFirst | kCGBitmapByteOrder32Little, true, false},
        {"premultiplied last: same memory layout, reported as such", 3, 2, 8, 0, kCGImageAlphaPremultipliedLast, true, false},
        {"skipping alpha gives an opaque context", 3, 2, 8, 0, kCGImageAlphaNoneSkipFirst, true, true},
        {"longer rows are kept", 3, 2, 8, 64, kCGImageAlphaPremultipliedFirst, true, false},
        {"empty width", 0, 2, 8, 0, kCGImageAlphaPremultipliedFirst, false, false},
        {"too large for a surface", 40000, 1, 8, 0, kCGImageAlphaPremultipliedFirst, false, false},
        {"16 bits per component", 3, 2, 16, 0, kCGImageAlphaPremultipliedFirst, false, false},
        {"rows shorter than the pixels", 3, 2, 8, 8, kCGImageAlphaPremultipliedFirst, false, false},
        {"rows not a multiple of 4 bytes", 3, 2, 8, 14, kCGImageAlphaPremultipliedFirst, false, false},
        {"non-premultiplied alpha", 3, 2, 8, 0, kCGImageAlphaFirst, false, false},
        {"no alpha channel at all", 3, 2, 8, 0, kCGImageAlphaNone, false, false},
    };
    for (const auto& c : cases) {
        auto ctx = CGBitmapContextCreate(nullptr, c.width, c.height, c.bitsPerComponent, c.bytesPerRow, rgb, c.info);
        ASSERT_EQ(ctx != nullptr, c.made) << c.why;
        if (!ctx)
            continue;
        EXPECT_EQ(CGBitmapContextGetWidth(ctx), c.width) << c.why;
        EXPECT_EQ(CGBitmapContextGetBytesPerRow(ctx), c.bytesPerRow ? c.bytesPerRow : c.width * 4) << c.why;
        EXPECT_EQ(CGBitmapContextGetBitmapInfo(ctx),
                  (c.opaque ? kCGImageAlphaNoneSkipFirst : kCGImageAlphaPremultipliedFirst) | kCGBitmapByteOrder32Host)
            << c.why;
        auto img = CGBitmapContextCreateImage(ctx);
        EXPECT_EQ(img->hasAlpha(), !c.opaque) << c.why;
        EXPECT_EQ(img->pixelAt(0, 0), c.opaque ? kBlack : kClear) << c.why << ": fresh memory";
    }
}

TEST(CGBitmapContext, OriginIsBottomLeftAndImagesDrawUpright)
{
    auto ctx = context(4, 4);
    CGContextSetFillColorWithColor(ctx, CGColorCreateSRGB(1, 0, 0, 1));
    CGContextFillRect(ctx, CGRectMake(0, 0, 1, 1));
    auto img = CGBitmapContextCreateImage(ctx);
    EXPECT_EQ(img->pixelAt(0, 3), kRed) << "user (0,0) is the bottom-left pixel";
    EXPECT_EQ(img->pixelAt(0, 0), kClear);

    // A 2x2 image: red top-left, green top-right, blue bottom-left, white bottom-right.
    auto quad = image(2, 2, {kRed, kGreen, kBlue, kWhite});
    auto ctx2 = context(2, 2);
    CGContextDrawImage(ctx2, CGRectMake(0, 0, 2, 2), quad);
    EXPECT_EQ(words(ctx2), words(quad)) << "an image drawn into the whole context comes back pixel for pixel";

    auto ctx4 = context(4, 4);
    CGContextDrawImage(ctx4, CGRectMake(2, 0, 2, 2), quad);
    auto out = CGBitmapContextCreateImage(ctx4);
    EXPECT_EQ(out->pixelAt(2, 2), kRed) << "drawn into the bottom-right quarter, upright";
    EXPECT_EQ(out->pixelAt(3, 3), kWhite);
    EXPECT_EQ(out->pixelAt(0, 0), kClear);
}

TEST(CGBitmapContext, TransformsApplyInUserSpaceFirst)
{
    struct Case {
        const char* why;
        void (*setUp)(const CGContextRef&);
        size_t x, y; // the one pixel (top-left origin) that the unit square at user (0,0) lands on
    } cases[] = {
        {"translate", [](const CGContextRef& c) { CGContextTranslateCTM(c, 2, 1); }, 2, 2},
        {"flip to a top-left origin",
         [](const CGContextRef& c) {
             CGContextTranslateCTM(c, 0, 4);
             CGContextScaleCTM(c, 1, -1);
         },
         0, 0},
        {"rotate a quarter turn about (4,0): x runs up the right edge",
         [](const CGContextRef& c) {
             CGContextTranslateCTM(c, 4, 0);
             CGContextRotateCTM(c, kPi / 2);
         },
         3, 3},
        {"concat a translation", [](const CGContextRef& c) { CGContextConcatCTM(c, CGAffineTransformMakeTranslation(1, 3)); }, 1, 0},
    };
    for (const auto& c : cases) {
        auto ctx = context(4, 4);
        c.setUp(ctx);
        CGContextFillRect(ctx, CGRectMake(0, 0, 1, 1));
        auto img = CGBitmapContextCreateImage(ctx);
        for (size_t y = 0; y < 4; ++y)
            for (size_t x = 0; x < 4; ++x)
                EXPECT_EQ(img->pixelAt(x, y), (x == c.x && y == c.y) ? kBlack : kClear) << c.why << " at " << x << "," << y;
    }

    auto ctx = context(10, 20);
    EXPECT_TRUE(CGAffineTransformIsIdentity(CGContextGetCTM(ctx)));
    CGContextTranslateCTM(ctx, 0, 20);
    CGContextScaleCTM(ctx, 2, -2);
    EXPECT_EQ(CGContextGetCTM(ctx), CGAffineTransformMake(2, 0, 0, -2, 0, 20));
}

TEST(CGBitmapContext, SaveRestoreKeepsTransformColourAndClip)
{
    auto ctx = context(4, 1);
    CGContextSaveGState(ctx);
    CGContextTranslateCTM(ctx, 2, 0);
    CGContextSetRGBFillColor(ctx, 0, 0, 1, 1);
    CGContextClipToRect(ctx, CGRectMake(0, 0, 1, 1));
    CGContextFillRect(ctx, CGRectMake(0, 0, 4, 1));
    CGContextRestoreGState(ctx);
    CGContextRestoreGState(ctx); // unbalanced: ignored
    CGContextFillRect(ctx, CGRectMake(0, 0, 1, 1));
    EXPECT_EQ(words(ctx), (std::vector<uint32_t>{kBlack, kClear, kBlue, kClear}));
}

TEST(CGBitmapContext, ClipToMaskUsesAlphaOrBrightness)
{
    struct Case {
        const char* why;
        CGImageRef mask;
        std::vector<uint32_t> expected;
    } cases[] = {
        {"alpha of a mask with alpha", image(4, 1, {kWhite, kWhite, kClear, kClear}), {kRed, kRed, kClear, kClear}},
        {"brightness of an opaque mask", image(4, 1, {kBlack, kBlack, kWhite, kWhite}, false), {kClear, kClear, kRed, kRed}},
        {"half coverage halves the paint", image(1, 1, {0x80808080}), {0x80800000, 0x80800000, 0x80800000, 0x80800000}},
    };
    for (const auto& c : cases) {
        auto ctx = context(4, 1);
        CGContextClipToMask(ctx, CGRectMake(0, 0, 4, 1), c.mask);
        CGContextSetRGBFillColor(ctx, 1, 0, 0, 1);
        CGContextFillRect(ctx, CGRectMake(0, 0, 4, 1));
        EXPECT_EQ(words(ctx), c.expected) << c.why;
    }

    auto ctx = context(4, 1);
    CGContextSaveGState(ctx);
    CGContextClipToMask(ctx, CGRectMake(0, 0, 2, 1), image(1, 1, {kWhite}));
    CGContextClipToMask(ctx, CGRectMake(1, 0, 2, 1), image(1, 1, {kWhite}));
    CGContextDrawImage(ctx, CGRectMake(0, 0, 4, 1), image(1, 1, {kGreen}));
    CGContextRestoreGState(ctx);
    CGContextSetRGBFillColor(ctx, 0, 0, 1, 1);
    CGContextFillRect(ctx, CGRectMake(3, 0, 1, 1));
    EXPECT_EQ(words(ctx), (std::vector<uint32_t>{kClear, kGreen, kClear, kBlue}))
        << "two masks intersect, images are masked too, and restoring ends the mask";
}

TEST(CGBitmapContext, StrokesAndFillsPaths)
{
    auto ctx = context(5, 5);
    CGContextSetStrokeColorWithColor(ctx, CGColorCreateSRGB(1, 1, 1, 1));
    CGContextSetLineWidth(ctx, 1);
    CGContextSetLineCap(ctx, kCGLineCapButt);
    CGContextMoveToPoint(ctx, 0, 2.5);
    CGContextAddLineToPoint(ctx, 5, 2.5);
    CGContextStrokePath(ctx);
    auto img = CGBitmapContextCreateImage(ctx);
    for (size_t x = 0; x < 5; ++x) {
        EXPECT_EQ(img->pixelAt(x, 2), kWhite);
        EXPECT_EQ(img->pixelAt(x, 1), kClear);
    }
    CGContextStrokePath(ctx); // the path was consumed: nothing more is drawn
    EXPECT_EQ(words(ctx), words(img));

    auto filled = context(4, 4);
    CGContextMoveToPoint(filled, 0, 0);
    CGContextAddLineToPoint(filled, 4, 0);
    CGContextAddLineToPoint(filled, 4, 4);
    CGContextClosePath(filled);
    CGContextFillPath(filled);
    auto tri = CGBitmapContextCreateImage(filled);
    EXPECT_EQ(tri->pixelAt(3, 3), kBlack) << "bottom-right corner lies inside the triangle";
    EXPECT_EQ(tri->pixelAt(0, 0), kClear) << "top-left corner lies outside";

    auto round = context(20, 20);
    CGContextAddArc(round, 10, 10, 8, 0, 2 * kPi, 0);
    CGContextFillPath(round);
    auto disc = CGBitmapContextCreateImage(round);
    EXPECT_EQ(disc->pixelAt(10, 10), kBlack);
    EXPECT_EQ(disc->pixelAt(1, 1), kClear);
}

TEST(CGBitmapContext, OpaqueContextsCompositeOverBlack)
{
    auto ctx = context(2, 1, true);
    CGContextSetRGBFillColor(ctx, 1, 1, 1, 0.5);
    CGContextFillRect(ctx, CGRectMake(0, 0, 1, 1));
    CGContextDrawImage(ctx, CGRectMake(1, 0, 1, 1), image(1, 1, {kClear}));
    auto img = CGBitmapContextCreateImage(ctx);
    EXPECT_FALSE(img->hasAlpha());
    EXPECT_EQ(img->pixelAt(0, 0), 0xFF808080u) << "half white over black";
    EXPECT_EQ(img->pixelAt(1, 0), kBlack) << "transparent areas stay black";
}

TEST(CGBitmapContext, MemoryIsSharedButImagesAreCopies)
{
    std::vector<uint32_t> memory(2, 0);
    auto ctx = CGBitmapContextCreate(memory.data(), 2, 1, 8, 8, CGColorSpaceCreateDeviceRGB(), kCGImageAlphaPremultipliedFirst);
    ASSERT_TRUE(ctx);
    CGContextFillRect(ctx, CGRectMake(0, 0, 1, 1));
    auto before = CGBitmapContextCreateImage(ctx);
    EXPECT_EQ(memory[0], kBlack) << "drawing lands in the caller's memory";

    static_cast<uint32_t*>(CGBitmapContextGetData(ctx))[1] = kGreen;
    CGContextSetRGBFillColor(ctx, 1, 1, 1, 0.5);
    CGContextFillRect(ctx, CGRectMake(1, 0, 1, 1)); // blends with what was written
    uint32_t blended = words(ctx)[1];
    EXPECT_EQ(blended >> 24, 0xFFu);
    EXPECT_EQ((blended >> 8) & 0xFF, 0xFFu) << "green under half white stays full green";
    EXPECT_NEAR(double((blended >> 16) & 0xFF), 0x80, 1);
    EXPECT_EQ(words(before), (std::vector<uint32_t>{kBlack, kClear})) << "an image made earlier does not change";
}

TEST(CGBitmapContext, DegenerateInputDrawsNothingAndRecovers)
{
    auto ctx = context(2, 2);
    CGContextSaveGState(ctx);
    CGContextScaleCTM(ctx, 0, 0);
    CGContextFillRect(ctx, CGRectMake(0, 0, 2, 2));
    CGContextMoveToPoint(ctx, 0, 0);
    CGContextAddLineToPoint(ctx, 2, 2);
    CGContextStrokePath(ctx);
    CGContextRestoreGState(ctx);
    EXPECT_EQ(words(ctx), std::vector<uint32_t>(4, kClear));

    CGContextFillRect(ctx, CGRectMake(NAN, 0, 1, 1));
    CGContextDrawImage(ctx, CGRectMake(0, 0, INFINITY, 1), image(1, 1, {kRed}));
    CGContextFillRect(ctx, CGRectMake(0, 0, 1, 1));
    EXPECT_EQ(CGBitmapContextCreateImage(ctx)->pixelAt(0, 1), kBlack) << "the context still draws after all that";

    CGContextRef none;
    CGContextFillRect(none, CGRectMake(0, 0, 1, 1));
    EXPECT_EQ(CGBitmapContextCreateImage(none), nullptr);
}

TEST(CGBitmapContext, RadialGradientStopsAtItsEndCircle)
{
    auto ctx = context(20, 20);
    auto gradient = CGGradientCreateWithColors(CGColorSpaceCreateDeviceRGB(),
                                               {CGColorCreateSRGB(1, 1, 1, 1), CGColorCreateSRGB(0, 0, 0, 1)});
    ASSERT_TRUE(gradient);
    CGContextDrawRadialGradient(ctx, gradient, {0, 20}, 0, {0, 20}, 10, 0);
    auto img = CGBitmapContextCreateImage(ctx);
    // Pixel centres at (x + 0.5, y + 0.5) from the top-left corner, where the gradient starts.
    for (size_t x : {0, 4, 8}) {
        uint32_t p = img->pixelAt(x, 0);
        double distance = std::hypot(x + 0.5, 0.5);
        EXPECT_EQ(p >> 24, 0xFFu) << x;
        EXPECT_NEAR(double(p & 0xFF), 255 * (1 - distance / 10), 3) << "white fading to black along the radius, at " << x;
    }
    EXPECT_EQ(img->pixelAt(15, 15), kClear) << "beyond the end circle nothing is drawn";

    EXPECT_EQ(CGGradientCreateWithColors(nullptr, {}), nullptr);
    EXPECT_EQ(CGGradientCreateWithColors(nullptr, {CGColorCreateSRGB(0, 0, 0, 1)}, {0, 1}), nullptr);
}

} // namespace
