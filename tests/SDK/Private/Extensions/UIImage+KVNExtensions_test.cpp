#include <gtest/gtest.h>

#include <array>
#include <cstring>

#include "Foundation/NSBase64.h"
#include "Private/Extensions/UIImage+KVNExtensions.h"
#include "UIKit/UIScreen.h"

using namespace KVNExtensions;

namespace {

using Pixels = std::vector<uint32_t>; // premultiplied 0xAARRGGBB words, rows from the top

std::shared_ptr<UIImage> makeImage(size_t width, size_t height, const Pixels& words, CGFloat scale = 1.0,
                                   UIImageOrientation orientation = UIImageOrientationUp, bool hasAlpha = false)
{
    std::vector<uint8_t> bytes(words.size() * 4);
    std::memcpy(bytes.data(), words.data(), bytes.size());
    auto bitmap = std::make_shared<CGImage>(width, height, width * 4, hasAlpha, std::move(bytes));
    return UIImage::imageWithCGImage_scale_orientation(bitmap, scale, orientation);
}

std::shared_ptr<UIImage> solidImage(size_t width, size_t height, uint32_t rgb, CGFloat scale = 1.0)
{
    return makeImage(width, height, Pixels(width * height, 0xFF000000u | rgb), scale);
}

Pixels pixelsOf(const std::shared_ptr<UIImage>& image)
{
    Pixels out;
    auto bitmap = image->CGImage();
    for (size_t y = 0; y < bitmap->height(); ++y)
        for (size_t x = 0; x < bitmap->width(); ++x)
            out.push_back(bitmap->pixelAt(x, y));
    return out;
}

uint8_t channel(uint32_t word, int i) { return uint8_t(word >> (8 * i)); }

// Three passes of a k x k box mean with edge pixels repeated, halves rounded up: the blur's
// arithmetic written out plainly.
Pixels boxBlurThreeTimes(const Pixels& source, size_t width, size_t height, int k)
{
    Pixels current = source;
    for (int pass = 0; pass < 3; ++pass) {
        Pixels next(current.size());
        for (size_t y = 0; y < height; ++y) {
            for (size_t x = 0; x < width; ++x) {
                uint32_t word = 0;
                for (int c = 0; c < 4; ++c) {
                    uint32_t sum = 0;
                    for (int dy = -k / 2; dy <= k / 2; ++dy) {
                        for (int dx = -k / 2; dx <= k / 2; ++dx) {
                            long sx = std::clamp<long>(long(x) + dx, 0, long(width) - 1);
                            long sy = std::clamp<long>(long(y) + dy, 0, long(height) - 1);
                            sum += channel(current[sy * width + sx], c);
                        }
                    }
                    uint32_t area = uint32_t(k * k);
                    word |= ((sum + area / 2) / area) << (8 * c);
                }
                next[y * width + x] = word;
            }
        }
        current = std::move(next);
    }
    return current;
}

class ImageExtensions : public ::testing::Test {
protected:
    void SetUp() override { UIScreen::mainScreen()->setScale(1.0); }
    void TearDown() override { UIScreen::mainScreen()->setScale(2.0); }
};

} // namespace

// Resizing ---------------------------------------------------------------------------------

TEST_F(ImageExtensions, ResizeByDimensionTable)
{
    auto image = solidImage(100, 50, 0x336699);
    enum Kind { Max, Min };
    struct Case {
        Kind kind;
        CGFloat dimension;
        bool upScale;
        CGSize expected;
        bool unchanged;
        const char* why;
    };
    const Case cases[] = {
        {Max, 80, false, {80, 40}, false, "the longer side becomes the dimension"},
        {Max, 200, false, {100, 50}, true, "both sides smaller and no up-scaling: the image itself"},
        {Max, 200, true, {200, 100}, false, "up-scaling allowed"},
        {Max, 100, false, {100, 50}, false, "equal to the longer side is not larger: redrawn"},
        {Min, 25, false, {50, 25}, false, "the shorter side becomes the dimension"},
        {Min, 80, false, {160, 80}, false, "only blocked when both sides are smaller"},
        {Min, 120, false, {100, 50}, true, "both sides smaller"},
        {Min, 120, true, {240, 120}, false, "up-scaling allowed"},
    };
    for (const auto& c : cases) {
        ::testing::internal::CaptureStderr();
        auto resized = c.kind == Max ? resizedImageWithMaxDimension_allowUpScale_withScale(image, c.dimension, c.upScale, 1.0)
                                     : resizedImageWithMinDimension_allowUpScale_withScale(image, c.dimension, c.upScale, 1.0);
        std::string log = ::testing::internal::GetCapturedStderr();
        ASSERT_TRUE(resized) << c.why;
        EXPECT_EQ(resized->size(), c.expected) << c.why;
        EXPECT_EQ(resized == image, c.unchanged) << c.why;
        if (c.unchanged) {
            EXPECT_NE(log.find("Image not resizable because its width and height are smaller than the given dimension\n"),
                      std::string::npos)
                << log;
            EXPECT_EQ(log.rfind("\nKavoni (UIImage+KVNExtensions.cpp:", 0), 0u) << log;
        } else {
            EXPECT_EQ(log, "") << c.why;
            EXPECT_EQ(resized->CGImage()->width(), size_t(c.expected.width));
            EXPECT_EQ(resized->CGImage()->pixelAt(0, 0), 0xFF336699u) << c.why;
        }
    }
}

TEST_F(ImageExtensions, ResizeKeepsPortraitAndSquareShapes)
{
    auto portrait = solidImage(40, 80, 0xFFFFFF);
    EXPECT_EQ(resizedImageWithMaxDimension_allowUpScale_withScale(portrait, 20, false, 1.0)->size(), CGSizeMake(10, 20));
    EXPECT_EQ(resizedImageWithMinDimension_allowUpScale_withScale(portrait, 20, false, 1.0)->size(), CGSizeMake(20, 40));
    auto square = solidImage(30, 30, 0xFFFFFF);
    EXPECT_EQ(resizedImageWithMaxDimension_allowUpScale_withScale(square, 12, false, 1.0)->size(), CGSizeMake(12, 12));
    EXPECT_EQ(resizedImageWithMinDimension_allowUpScale_withScale(square, 12, false, 1.0)->size(), CGSizeMake(12, 12));
}

TEST_F(ImageExtensions, ResizeToSizeStretchesOpaquelyAtTheScale)
{
    // Left half red, right half blue, a fully transparent top-left pixel.
    Pixels words = {0x00000000, 0xFFFF0000, 0xFF0000FF, 0xFF0000FF,
                    0xFFFF0000, 0xFFFF0000, 0xFF0000FF, 0xFF0000FF};
    auto image = makeImage(4, 2, words, 1.0, UIImageOrientationUp, true);

    auto resized = resizedImageWithSize_scale(image, CGSizeMake(8, 4), 1.0);
    ASSERT_TRUE(resized);
    EXPECT_FALSE(resized->CGImage()->hasAlpha()) << "an opaque bitmap";
    EXPECT_EQ(resized->CGImage()->pixelAt(0, 0), 0xFF000000u) << "transparent becomes black";
    EXPECT_EQ(resized->CGImage()->pixelAt(0, 3), 0xFFFF0000u);
    EXPECT_EQ(resized->CGImage()->pixelAt(7, 0), 0xFF0000FFu);
    EXPECT_EQ(resized->CGImage()->pixelAt(7, 3), 0xFF0000FFu);

    UIScreen::mainScreen()->setScale(3.0);
    auto screenScaled = resizedImageWithSize_scale(image, CGSizeMake(8, 4), 0);
    EXPECT_EQ(screenScaled->scale(), 3.0) << "scale 0 is the screen's";
    EXPECT_EQ(screenScaled->CGImage()->width(), 24u);
    EXPECT_EQ(screenScaled->size(), CGSizeMake(8, 4));

    EXPECT_EQ(resizedImageWithSize_scale(image, CGSizeMake(0, 4), 1.0), nullptr) << "no area, no image";
    EXPECT_EQ(resizedImageWithSize_scale(nullptr, CGSizeMake(8, 4), 1.0), nullptr);
}

// Cropping and orientation -----------------------------------------------------------------

TEST_F(ImageExtensions, CropCutsBitmapPixelsAndKeepsOrientation)
{
    Pixels words(16);
    for (uint32_t i = 0; i < 16; ++i)
        words[i] = 0xFF000000u | (i * 0x0F0F0F);
    auto image = makeImage(4, 4, words, 1.0, UIImageOrientationRight);
    auto cropped = croppedImageWithRect_scale(image, CGRectMake(1, 2, 2, 2), 2.0);
    ASSERT_TRUE(cropped);
    EXPECT_EQ(cropped->imageOrientation(), UIImageOrientationRight);
    EXPECT_EQ(cropped->scale(), 2.0);
    EXPECT_EQ(pixelsOf(cropped), (Pixels{words[9], words[10], words[13], words[14]}));
    EXPECT_EQ(croppedImageWithRect_scale(image, CGRectMake(10, 10, 2, 2), 1.0), nullptr) << "outside the bitmap";
}

TEST_F(ImageExtensions, OrientationRepairOfAllEight)
{
    // 3 x 2 raw pixels, all different, so any wrong turn or mirror shows.
    const size_t w = 3, h = 2;
    const Pixels raw = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF,
                        0xFFFFFF00, 0xFF00FFFF, 0xFFFF00FF};
    auto rawAt = [&](size_t x, size_t y) { return raw[y * w + x]; };
    struct Case {
        UIImageOrientation orientation;
        const char* name;
        // The pixel shown at (x, y) of the upright picture, in raw coordinates.
        std::function<uint32_t(size_t x, size_t y)> shown;
    };
    const Case cases[] = {
        {UIImageOrientationDown, "Down: half turn", [&](size_t x, size_t y) { return rawAt(w - 1 - x, h - 1 - y); }},
        {UIImageOrientationLeft, "Left: quarter turn counter-clockwise", [&](size_t x, size_t y) { return rawAt(w - 1 - y, x); }},
        {UIImageOrientationRight, "Right: quarter turn clockwise", [&](size_t x, size_t y) { return rawAt(y, h - 1 - x); }},
        {UIImageOrientationUpMirrored, "UpMirrored", [&](size_t x, size_t y) { return rawAt(w - 1 - x, y); }},
        {UIImageOrientationDownMirrored, "DownMirrored", [&](size_t x, size_t y) { return rawAt(x, h - 1 - y); }},
        {UIImageOrientationLeftMirrored, "LeftMirrored", [&](size_t x, size_t y) { return rawAt(y, x); }},
        {UIImageOrientationRightMirrored, "RightMirrored", [&](size_t x, size_t y) { return rawAt(w - 1 - y, h - 1 - x); }},
    };
    for (const auto& c : cases) {
        auto image = makeImage(w, h, raw, 1.0, c.orientation);
        auto upright = imageWithImageOrientationUp(image);
        ASSERT_TRUE(upright) << c.name;
        EXPECT_EQ(upright->imageOrientation(), UIImageOrientationUp) << c.name;
        const bool quarter = c.orientation == UIImageOrientationLeft || c.orientation == UIImageOrientationRight ||
                             c.orientation == UIImageOrientationLeftMirrored || c.orientation == UIImageOrientationRightMirrored;
        const size_t uw = quarter ? h : w, uh = quarter ? w : h;
        ASSERT_EQ(upright->CGImage()->width(), uw) << c.name;
        ASSERT_EQ(upright->CGImage()->height(), uh) << c.name;
        Pixels expected;
        for (size_t y = 0; y < uh; ++y)
            for (size_t x = 0; x < uw; ++x)
                expected.push_back(c.shown(x, y));
        EXPECT_EQ(pixelsOf(upright), expected) << c.name;
    }

    auto up = makeImage(w, h, raw);
    EXPECT_EQ(imageWithImageOrientationUp(up), up) << "Up comes back itself";
    EXPECT_EQ(imageWithImageOrientationUp(nullptr), nullptr);
}

// Encodings ----------------------------------------------------------------------------------

TEST_F(ImageExtensions, Base64EncodingsAreOneLineAndDecode)
{
    // A noisy 64 x 64 picture: large enough for base64 lines to matter and for the quality to.
    Pixels noisy(64 * 64);
    uint32_t seed = 12345;
    for (auto& p : noisy) {
        seed = seed * 1103515245u + 12345u;
        p = 0xFF000000u | (seed >> 8);
    }
    auto image = makeImage(64, 64, noisy);

    auto best = encodeToJPGBase64DataWithCompressionQuality(image, 1.0);
    auto small = encodeToJPGBase64DataWithCompressionQuality(image, 0.1);
    ASSERT_TRUE(best && small);
    std::string text(best->begin(), best->end());
    EXPECT_EQ(text.find_first_of("\r\n"), std::string::npos) << "no line breaks";
    auto jpeg = NSBase64Decode(text);
    ASSERT_TRUE(jpeg);
    ASSERT_GE(jpeg->size(), 3u);
    EXPECT_EQ((*jpeg)[0], 0xFF);
    EXPECT_EQ((*jpeg)[1], 0xD8);
    EXPECT_LT(small->size(), best->size()) << "the quality reaches the encoder";

    auto png = encodeToPNGBase64Data(image);
    ASSERT_TRUE(png);
    std::string pngText(png->begin(), png->end());
    EXPECT_EQ(pngText.find_first_of("\r\n"), std::string::npos);
    auto decoded = UIImage::imageWithData(*NSBase64Decode(pngText));
    ASSERT_TRUE(decoded);
    EXPECT_EQ(pixelsOf(decoded), noisy) << "PNG is lossless";

    EXPECT_EQ(encodeToJPGBase64DataWithCompressionQuality(nullptr, 0.9), std::nullopt);
    EXPECT_EQ(encodeToPNGBase64Data(nullptr), std::nullopt);
}

// Blur ---------------------------------------------------------------------------------------

TEST_F(ImageExtensions, BlurBoxSideFollowsRadiusAndScreenScale)
{
    struct Case {
        CGFloat radius;
        CGFloat screenScale;
        int side; // floor(radius x scale x 3 sqrt(2 pi) / 4 + 0.5), made odd
    };
    const Case cases[] = {
        {1.0, 1.0, 3},  // 2.38 -> 2 -> 3
        {2.0, 1.0, 5},  // 4.26 -> 4 -> 5
        {1.0, 2.0, 5},  // the same radius on a 2x screen
        {0.5, 1.0, 1},  // 1.44 -> 1: already odd, so no blur at all
        {10.0, 2.0, 39}, // the light effect on a 2x screen: 38 -> 39
    };
    const size_t w = 8, h = 8;
    Pixels source(w * h, 0xFF000000u);
    source[2 * w + 3] = 0xFFFFFFFFu; // one bright pixel at (3, 2)
    source[6 * w + 6] = 0xFF806040u;
    for (const auto& c : cases) {
        UIScreen::mainScreen()->setScale(c.screenScale);
        auto image = makeImage(w, h, source, c.screenScale); // one bitmap pixel per screen pixel
        auto blurred = applyBlurWithRadius_tintColor_saturationDeltaFactor_maskImage(image, c.radius, nullptr, 1.0, nullptr);
        ASSERT_TRUE(blurred);
        EXPECT_EQ(blurred->scale(), c.screenScale);
        EXPECT_EQ(blurred->size(), image->size());
        EXPECT_EQ(pixelsOf(blurred), boxBlurThreeTimes(source, w, h, c.side)) << "radius " << c.radius << " scale " << c.screenScale;
    }
}

TEST_F(ImageExtensions, SolidImageStaysSolid)
{
    auto image = solidImage(8, 8, 0x3C82C8);
    auto blurred = applyBlurWithRadius_tintColor_saturationDeltaFactor_maskImage(image, 10, nullptr, 1.0, nullptr);
    ASSERT_TRUE(blurred);
    EXPECT_EQ(pixelsOf(blurred), Pixels(64, 0xFF3C82C8u));

    // The light effect then lays white at 30 % over it.
    auto light = applyLightEffect(image);
    ASSERT_TRUE(light);
    const uint32_t src[3] = {0x3C, 0x82, 0xC8};
    for (uint32_t p : pixelsOf(light)) {
        EXPECT_EQ(p >> 24, 0xFFu);
        for (int i = 0; i < 3; ++i)
            EXPECT_NEAR(double((p >> (16 - 8 * i)) & 0xFF), src[i] * 0.7 + 255 * 0.3, 1.0);
    }
}

TEST_F(ImageExtensions, TintFillsTheWholeImage)
{
    auto image = solidImage(4, 4, 0x000000);
    auto tinted = applyBlurWithRadius_tintColor_saturationDeltaFactor_maskImage(
        image, 0, UIColor::colorWithRed_green_blue_alpha(0, 1, 0, 1), 1.0, nullptr);
    ASSERT_TRUE(tinted);
    EXPECT_EQ(pixelsOf(tinted), Pixels(16, 0xFF00FF00u));

    auto halfTinted = applyBlurWithRadius_tintColor_saturationDeltaFactor_maskImage(
        image, 0, UIColor::colorWithRed_green_blue_alpha(1, 0, 0, 0.5), 1.0, nullptr);
    for (uint32_t p : pixelsOf(halfTinted))
        EXPECT_NEAR(double((p >> 16) & 0xFF), 127.5, 1.0);
}

TEST_F(ImageExtensions, SaturationShowsOnlyWithBlur)
{
    auto image = solidImage(4, 4, 0xC86432); // red 200, green 100, blue 50

    auto saturationOnly = applyBlurWithRadius_tintColor_saturationDeltaFactor_maskImage(image, 0, nullptr, 0.0, nullptr);
    ASSERT_TRUE(saturationOnly);
    EXPECT_EQ(pixelsOf(saturationOnly), pixelsOf(image)) << "without blur the effect image is never drawn";

    // Factor 0 with a blur: grey. Each channel is (50 x 18 + 100 x 183 + 200 x 54) / 256 = 117
    // with the matrix entries 0.0722, 0.7152 and 0.2126 times 256, rounded.
    auto grey = applyBlurWithRadius_tintColor_saturationDeltaFactor_maskImage(image, 1, nullptr, 0.0, nullptr);
    ASSERT_TRUE(grey);
    EXPECT_EQ(pixelsOf(grey), Pixels(16, 0xFF757575u));

    // Factor 1.0 (within the epsilon) changes nothing.
    auto same = applyBlurWithRadius_tintColor_saturationDeltaFactor_maskImage(image, 1, nullptr, 1.0 + 1e-8, nullptr);
    EXPECT_EQ(pixelsOf(same), pixelsOf(image));
}

TEST_F(ImageExtensions, MaskLimitsTheBlur)
{
    const size_t w = 8, h = 8;
    Pixels source(w * h, 0xFF000000u);
    source[2 * w + 3] = 0xFFFFFFFFu;
    auto image = makeImage(w, h, source);
    // Top-left quadrant opaque white, the rest transparent.
    Pixels maskWords(w * h, 0x00000000u);
    for (size_t y = 0; y < 4; ++y)
        for (size_t x = 0; x < 4; ++x)
            maskWords[y * w + x] = 0xFFFFFFFFu;
    auto mask = makeImage(w, h, maskWords, 1.0, UIImageOrientationUp, true);

    auto result = applyBlurWithRadius_tintColor_saturationDeltaFactor_maskImage(image, 1, nullptr, 1.0, mask);
    ASSERT_TRUE(result);
    Pixels blurred = boxBlurThreeTimes(source, w, h, 3);
    Pixels expected(w * h);
    for (size_t y = 0; y < h; ++y)
        for (size_t x = 0; x < w; ++x)
            expected[y * w + x] = (x < 4 && y < 4) ? blurred[y * w + x] : source[y * w + x];
    EXPECT_EQ(pixelsOf(result), expected);
}

TEST_F(ImageExtensions, BlurRefusesWhatItCannotUse)
{
    UIScreen::mainScreen()->setScale(2.0);
    auto thin = solidImage(1, 20, 0xFFFFFF, 2.0); // 0.5 x 10 points
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(applyLightEffect(thin), nullptr);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "*** error: invalid size: (0.50 x 10.00). Both dimensions must be >= 1: " + thin->description() + "\n");

    auto image = solidImage(4, 4, 0xFFFFFF);
    auto maskWithoutBitmap = std::make_shared<UIImage>(nullptr, 1.0, UIImageOrientationUp);
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(applyBlurWithRadius_tintColor_saturationDeltaFactor_maskImage(image, 3, nullptr, 1.0, maskWithoutBitmap),
              nullptr);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "*** error: maskImage must be backed by a CGImage: " + maskWithoutBitmap->description() + "\n");

    auto imageWithoutBitmap = std::make_shared<UIImage>(nullptr, 1.0, UIImageOrientationUp);
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(applyLightEffect(imageWithoutBitmap), nullptr);
    ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(applyLightEffect(nullptr), nullptr);

    // An absurd radius is survived, not overflowed.
    EXPECT_TRUE(applyBlurWithRadius_tintColor_saturationDeltaFactor_maskImage(image, 1e30, nullptr, 1.0, nullptr));
}
