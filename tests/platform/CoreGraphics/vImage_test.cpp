#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "CoreGraphics/vImage.h"

namespace {

// A buffer of pixels whose four channels are given separately or all alike.
struct Pixels {
    size_t width, height;
    std::vector<uint8_t> bytes;
    Pixels(size_t w, size_t h) : width(w), height(h), bytes(w * h * 4, 0) {}
    static Pixels gray(size_t w, size_t h, const std::vector<uint8_t>& values)
    {
        Pixels p(w, h);
        for (size_t i = 0; i < values.size(); ++i)
            for (int c = 0; c < 4; ++c)
                p.bytes[i * 4 + c] = values[i];
        return p;
    }
    vImage_Buffer buffer() { return {bytes.data(), height, width, width * 4}; }
    // Channel 0 of every pixel, row by row.
    std::vector<int> channel(int c = 0) const
    {
        std::vector<int> out;
        for (size_t i = 0; i < width * height; ++i)
            out.push_back(bytes[i * 4 + c]);
        return out;
    }
};

TEST(vImageBoxConvolve, AveragesTheBoxWithEdgesExtended)
{
    struct Case {
        const char* why;
        size_t width, height;
        std::vector<uint8_t> in;
        uint32_t kernelHeight, kernelWidth;
        std::vector<int> out;
    } cases[] = {
        {"a bright pixel spreads over the kernel", 5, 1, {0, 0, 255, 0, 0}, 1, 3, {0, 85, 85, 85, 0}},
        {"edge pixels repeat beyond the edge", 5, 1, {90, 0, 0, 0, 30}, 1, 3, {60, 30, 0, 10, 20}},
        {"means round to nearest", 3, 1, {1, 0, 0}, 1, 3, {1, 0, 0}},
        {"a kernel wider than the row sees the edge pixels many times", 2, 1, {0, 100}, 1, 5, {40, 60}},
        {"vertical kernels work on columns", 1, 3, {0, 30, 0}, 3, 1, {10, 10, 10}},
        {"a 3 x 3 box on a single bright pixel", 3, 3, {0, 0, 0, 0, 255, 0, 0, 0, 0}, 3, 3,
         {28, 28, 28, 28, 28, 28, 28, 28, 28}},
        {"a 1 x 1 kernel copies", 2, 2, {1, 2, 3, 4}, 1, 1, {1, 2, 3, 4}},
    };
    for (auto& c : cases) {
        auto src = Pixels::gray(c.width, c.height, c.in);
        Pixels dst(c.width, c.height);
        auto s = src.buffer(), d = dst.buffer();
        ASSERT_EQ(vImageBoxConvolve_ARGB8888(&s, &d, c.kernelHeight, c.kernelWidth, kvImageEdgeExtend), kvImageNoError) << c.why;
        for (int ch = 0; ch < 4; ++ch)
            EXPECT_EQ(dst.channel(ch), c.out) << c.why << ", channel " << ch;
    }
}

TEST(vImageBoxConvolve, KeepsChannelsApartAndMatchesBruteForceOverThreePasses)
{
    // Three passes of a 5 x 5 box, as the blur does, against a direct sum over clamped
    // coordinates with the same rounding.
    const size_t w = 7, h = 6;
    Pixels a(w, h), b(w, h);
    for (size_t i = 0; i < a.bytes.size(); ++i)
        a.bytes[i] = uint8_t((i * 37 + (i % 4) * 61) % 256);
    std::vector<uint8_t> expected = a.bytes;
    auto bruteForce = [&](std::vector<uint8_t>& v) {
        std::vector<uint8_t> out(v.size());
        for (long y = 0; y < long(h); ++y)
            for (long x = 0; x < long(w); ++x)
                for (int c = 0; c < 4; ++c) {
                    uint32_t sum = 0;
                    for (long dy = -2; dy <= 2; ++dy)
                        for (long dx = -2; dx <= 2; ++dx) {
                            long sx = std::clamp(x + dx, 0L, long(w) - 1), sy = std::clamp(y + dy, 0L, long(h) - 1);
                            sum += v[(sy * w + sx) * 4 + c];
                        }
                    out[(y * w + x) * 4 + c] = uint8_t((sum + 12) / 25);
                }
        v = out;
    };
    auto ab = a.buffer(), bb = b.buffer();
    ASSERT_EQ(vImageBoxConvolve_ARGB8888(&ab, &bb, 5, 5, kvImageEdgeExtend), kvImageNoError);
    ASSERT_EQ(vImageBoxConvolve_ARGB8888(&bb, &ab, 5, 5, kvImageEdgeExtend), kvImageNoError);
    ASSERT_EQ(vImageBoxConvolve_ARGB8888(&ab, &bb, 5, 5, kvImageEdgeExtend), kvImageNoError);
    for (int pass = 0; pass < 3; ++pass)
        bruteForce(expected);
    EXPECT_EQ(b.bytes, expected);
}

TEST(vImageBoxConvolve, MatchesBruteForceForEveryKernelShapeAndSourceLayout)
{
    struct Case {
        const char* why;
        size_t width, height;        // the destination's
        size_t sourceWidth, padding; // the source may be wider, its rows longer than its pixels
        uint32_t kernelHeight, kernelWidth;
    } cases[] = {
        {"a wide kernel on a tall image", 5, 40, 5, 0, 3, 21},
        {"a tall kernel on a wide image", 40, 5, 40, 0, 21, 3},
        {"a kernel too large for a table of quotients", 9, 7, 9, 0, 131, 131},
        {"rows longer than their pixels", 6, 6, 6, 12, 5, 5},
        {"a source wider than the destination: its extra columns are not read", 6, 5, 9, 4, 3, 7},
        {"a picture tall enough to be cut into bands of rows", 8, 517, 8, 0, 9, 3},
        {"bands with a kernel taller than a band", 4, 300, 4, 0, 301, 1},
    };
    for (const auto& c : cases) {
        const size_t sourceStride = c.sourceWidth * 4 + c.padding;
        std::vector<uint8_t> source(sourceStride * c.height);
        for (size_t i = 0; i < source.size(); ++i)
            source[i] = uint8_t((i * 131 + (i / 7) * 17) % 256);
        std::vector<uint8_t> out(c.width * c.height * 4, 0);
        vImage_Buffer s{source.data(), c.height, c.sourceWidth, sourceStride};
        vImage_Buffer d{out.data(), c.height, c.width, c.width * 4};
        ASSERT_EQ(vImageBoxConvolve_ARGB8888(&s, &d, c.kernelHeight, c.kernelWidth, kvImageEdgeExtend), kvImageNoError) << c.why;
        const long rh = long(c.kernelHeight / 2), rw = long(c.kernelWidth / 2);
        const uint64_t area = uint64_t(c.kernelHeight) * c.kernelWidth;
        bool same = true;
        for (long y = 0; y < long(c.height); ++y)
            for (long x = 0; x < long(c.width); ++x)
                for (int ch = 0; ch < 4; ++ch) {
                    uint64_t sum = 0;
                    for (long dy = -rh; dy <= rh; ++dy)
                        for (long dx = -rw; dx <= rw; ++dx) {
                            long sx = std::clamp(x + dx, 0L, long(c.width) - 1), sy = std::clamp(y + dy, 0L, long(c.height) - 1);
                            sum += source[size_t(sy) * sourceStride + size_t(sx) * 4 + ch];
                        }
                    same = same && out[(size_t(y) * c.width + size_t(x)) * 4 + ch] == uint8_t((sum + area / 2) / area);
                }
        EXPECT_TRUE(same) << c.why;
    }
}

TEST(vImageBoxConvolve, RefusesBadArguments)
{
    Pixels small(2, 2), large(3, 3);
    auto s = small.buffer(), l = large.buffer();
    EXPECT_EQ(vImageBoxConvolve_ARGB8888(&s, &s, 2, 3, kvImageEdgeExtend), kvImageInvalidKernelSize) << "even kernel";
    EXPECT_EQ(vImageBoxConvolve_ARGB8888(&l, &s, 3, 3, kvImageNoFlags), kvImageInvalidEdgeStyle);
    EXPECT_EQ(vImageBoxConvolve_ARGB8888(&s, &l, 3, 3, kvImageEdgeExtend), kvImageRoiLargerThanInputBuffer);
    EXPECT_EQ(vImageBoxConvolve_ARGB8888(nullptr, &l, 3, 3, kvImageEdgeExtend), kvImageNullPointerArgument);
    EXPECT_EQ(vImageBoxConvolve_ARGB8888(&l, &s, 100001, 100001, kvImageEdgeExtend), kvImageInvalidKernelSize)
        << "a kernel whose sums could overflow";
}

// The saturation matrix of the image effects, entries x 256 rounded.
std::vector<int16_t> saturationMatrix(double s)
{
    const double m[16] = {0.0722 + 0.9278 * s, 0.0722 - 0.0722 * s, 0.0722 - 0.0722 * s, 0,
                          0.7152 - 0.7152 * s, 0.7152 + 0.2848 * s, 0.7152 - 0.7152 * s, 0,
                          0.2126 - 0.2126 * s, 0.2126 - 0.2126 * s, 0.2126 + 0.7873 * s, 0,
                          0,                   0,                   0,                   1};
    std::vector<int16_t> out;
    for (double v : m)
        out.push_back(int16_t(std::lround(v * 256)));
    return out;
}

TEST(vImageMatrixMultiply, RowsAreInputChannelsInMemoryOrder)
{
    struct Case {
        const char* why;
        std::vector<int16_t> matrix;
        std::vector<uint8_t> in; // one pixel, channels in memory order (blue, green, red, alpha)
        std::vector<int> out;
    } cases[] = {
        {"saturation 1 leaves the pixel alone", saturationMatrix(1), {10, 200, 77, 255}, {10, 200, 77, 255}},
        // Red (channel 2) gives 0.2126 x 256 = 54 to every colour channel: 255 x 54 / 256 = 53.79.
        {"saturation 0 turns pure red into its luminance grey", saturationMatrix(0), {0, 0, 255, 255}, {53, 53, 53, 255}},
        // Blue: 0.0722 x 256 = 18 -> 17.93; green: 0.7152 x 256 = 183 -> 182.28.
        {"saturation 0 of pure blue", saturationMatrix(0), {255, 0, 0, 255}, {17, 17, 17, 255}},
        {"saturation 0 of pure green", saturationMatrix(0), {0, 255, 0, 255}, {182, 182, 182, 255}},
        {"results clamp at 0 and 255",
         {512, 0, 0, 0, /**/ 0, -256, 0, 0, /**/ 0, 0, 256, 0, /**/ 0, 0, 0, 256}, {200, 100, 7, 9}, {255, 0, 7, 9}},
        {"division truncates", {128, 0, 0, 0, 0, 128, 0, 0, 0, 0, 128, 0, 0, 0, 0, 128}, {1, 3, 255, 0}, {0, 1, 127, 0}},
    };
    for (auto& c : cases) {
        Pixels px(1, 1);
        px.bytes = c.in;
        auto b = px.buffer();
        ASSERT_EQ(vImageMatrixMultiply_ARGB8888(&b, &b, c.matrix.data(), 256), kvImageNoError) << c.why;
        EXPECT_EQ(std::vector<int>(px.bytes.begin(), px.bytes.end()), c.out) << c.why;
    }

    Pixels px(1, 1);
    auto b = px.buffer();
    auto identity = saturationMatrix(1);
    EXPECT_EQ(vImageMatrixMultiply_ARGB8888(&b, &b, identity.data(), 0), kvImageInvalidParameter);
    EXPECT_EQ(vImageMatrixMultiply_ARGB8888(&b, &b, nullptr, 256), kvImageNullPointerArgument);
}

} // namespace
