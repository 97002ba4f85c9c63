#include "CoreGraphics/vImage.h"

#include <algorithm>
#include <new>
#include <system_error>
#include <thread>
#include <vector>

namespace {

// A band of rows for each thread, no thinner than this (a thread costs about as much as
// convolving a few rows), and no more bands than this.
constexpr size_t kRowsPerBand = 128;
constexpr size_t kMaxBands = 4;

vImage_Error checkBuffers(const vImage_Buffer* src, const vImage_Buffer* dest)
{
    if (!src || !dest || !src->data || !dest->data)
        return kvImageNullPointerArgument;
    if (dest->width == 0 || dest->height == 0 || src->rowBytes < src->width * 4 || dest->rowBytes < dest->width * 4)
        return kvImageInvalidParameter;
    if (src->width < dest->width || src->height < dest->height)
        return kvImageRoiLargerThanInputBuffer;
    return kvImageNoError;
}

} // namespace

vImage_Error vImageBoxConvolve_ARGB8888(const vImage_Buffer* src, const vImage_Buffer* dest, uint32_t kernelHeight,
                                        uint32_t kernelWidth, vImage_Flags flags)
{
    if (vImage_Error e = checkBuffers(src, dest))
        return e;
    if (kernelHeight == 0 || kernelWidth == 0 || kernelHeight % 2 == 0 || kernelWidth % 2 == 0)
        return kvImageInvalidKernelSize;
    if (!(flags & kvImageEdgeExtend))
        return kvImageInvalidEdgeStyle;
    // Box sums need up to 255 x kernelWidth x kernelHeight per channel.
    if (uint64_t(kernelWidth) * kernelHeight > (uint64_t(1) << 23))
        return kvImageInvalidKernelSize;

    const size_t w = dest->width, h = dest->height;
    const long rw = long(kernelWidth / 2), rh = long(kernelHeight / 2);
    const auto* in = static_cast<const uint8_t*>(src->data);
    auto* out = static_cast<uint8_t*>(dest->data);
    const uint32_t area = kernelWidth * kernelHeight;

    // Column sums of the kernelHeight rows around the current row (edge rows repeated), slid
    // down one row at a time, then a window of kernelWidth of them slid along the row: the
    // same exact box sums as summing every box, with one row of sums in memory rather than a
    // sum for every pixel. One rounded division per output value, looked up in a table while
    // the sums are small enough for one. Large pictures are cut into bands of rows convolved
    // side by side, each starting its column sums afresh: the same sums, so the same pixels.
    std::vector<uint8_t> quotients;
    const uint64_t largestSum = uint64_t(255) * area;
    const size_t bands = std::clamp<size_t>(h / kRowsPerBand, 1, std::clamp<size_t>(std::thread::hardware_concurrency(), 1, kMaxBands));
    std::vector<std::vector<uint32_t>> columns(bands);
    try {
        for (auto& band : columns)
            band.assign(w * 4, 0);
        if (largestSum < (uint64_t(1) << 22)) {
            quotients.resize(size_t(largestSum) + 1);
            for (size_t sum = 0; sum <= largestSum; ++sum)
                quotients[sum] = uint8_t((sum + area / 2) / area);
        }
    } catch (const std::bad_alloc&) {
        return kvImageMemoryAllocationError;
    }
    auto clampX = [&](long x) { return size_t(std::clamp(x, 0L, long(w) - 1)); };
    auto clampY = [&](long y) { return size_t(std::clamp(y, 0L, long(h) - 1)); };
    auto sourceRow = [&](long y) { return in + clampY(y) * src->rowBytes; };
    auto divide = [&](uint32_t sum) { return quotients.empty() ? uint8_t((sum + area / 2) / area) : quotients[sum]; };

    auto convolveRows = [&](size_t firstRow, size_t endRow, uint32_t* sums) {
        for (long k = long(firstRow) - rh; k <= long(firstRow) + rh; ++k) {
            const uint8_t* row = sourceRow(k);
            for (size_t i = 0; i < w * 4; ++i)
                sums[i] += row[i];
        }
        for (size_t y = firstRow; y < endRow; ++y) {
            uint8_t* row = out + y * dest->rowBytes;
            uint32_t acc[4] = {0, 0, 0, 0};
            for (long k = -rw; k <= rw; ++k)
                for (int c = 0; c < 4; ++c)
                    acc[c] += sums[clampX(k) * 4 + c];
            // The window's ends are clamped only near the row's ends; in between they are
            // x - rw and x + rw + 1 as they stand.
            auto step = [&](size_t x, size_t leavingX, size_t enteringX) {
                for (int c = 0; c < 4; ++c)
                    row[x * 4 + c] = divide(acc[c]);
                for (int c = 0; c < 4; ++c)
                    acc[c] += sums[enteringX * 4 + c] - sums[leavingX * 4 + c];
            };
            const size_t firstFree = std::min(w, size_t(rw)), lastFree = long(w) - rw - 1 > 0 ? size_t(long(w) - rw - 1) : 0;
            size_t x = 0;
            for (; x < firstFree; ++x)
                step(x, clampX(long(x) - rw), clampX(long(x) + rw + 1));
            for (; x < lastFree; ++x)
                step(x, x - size_t(rw), x + size_t(rw) + 1);
            for (; x < w; ++x)
                step(x, clampX(long(x) - rw), clampX(long(x) + rw + 1));
            if (y + 1 == endRow)
                break;
            const uint8_t* leaving = sourceRow(long(y) - rh);
            const uint8_t* entering = sourceRow(long(y) + rh + 1);
            for (size_t i = 0; i < w * 4; ++i)
                sums[i] += uint32_t(entering[i]) - leaving[i];
        }
    };

    auto bandStart = [&](size_t band) { return h * band / bands; };
    std::vector<std::thread> helpers;
    for (size_t band = 1; band < bands; ++band) {
        try {
            helpers.emplace_back(convolveRows, bandStart(band), bandStart(band + 1), columns[band].data());
        } catch (const std::system_error&) {
            // No thread to be had: this thread does the band itself.
            convolveRows(bandStart(band), bandStart(band + 1), columns[band].data());
        }
    }
    convolveRows(0, bandStart(1), columns[0].data());
    for (auto& helper : helpers)
        helper.join();
    return kvImageNoError;
}

vImage_Error vImageMatrixMultiply_ARGB8888(const vImage_Buffer* src, const vImage_Buffer* dest, const int16_t matrix[16],
                                           int32_t divisor)
{
    if (!matrix)
        return kvImageNullPointerArgument;
    if (vImage_Error e = checkBuffers(src, dest))
        return e;
    if (divisor <= 0)
        return kvImageInvalidParameter;
    for (size_t y = 0; y < dest->height; ++y) {
        const uint8_t* in = static_cast<const uint8_t*>(src->data) + y * src->rowBytes;
        uint8_t* out = static_cast<uint8_t*>(dest->data) + y * dest->rowBytes;
        for (size_t x = 0; x < dest->width; ++x) {
            const int32_t s[4] = {in[x * 4], in[x * 4 + 1], in[x * 4 + 2], in[x * 4 + 3]};
            for (int i = 0; i < 4; ++i) {
                int32_t sum = s[0] * matrix[i] + s[1] * matrix[4 + i] + s[2] * matrix[8 + i] + s[3] * matrix[12 + i];
                out[x * 4 + i] = uint8_t(std::clamp(sum / divisor, 0, 255));
            }
        }
    }
    return kvImageNoError;
}
