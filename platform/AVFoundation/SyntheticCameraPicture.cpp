#include "AVFoundation/SyntheticCameraPicture.h"

#include <algorithm>
#include <array>
#include <vector>

namespace kvn {

namespace {

constexpr std::array<uint32_t, SyntheticCameraPicture::barCount> kBars = {
    0xFFFFFF, 0xFFFF00, 0x00FFFF, 0x00FF00, 0xFF00FF, 0xFF0000, 0x0000FF,
};
constexpr uint32_t kGround = 0x202020;
constexpr uint32_t kBox = 0xF0F0F0;
constexpr uint32_t kDigit = 0x40FF40;

// Segments a..g of each digit, bit 0 = a (top), clockwise, g the middle bar.
constexpr std::array<uint8_t, 10> kSegments = {0x3F, 0x06, 0x5B, 0x4F, 0x66, 0x6D, 0x7D, 0x07, 0x7F, 0x6F};

class Canvas {
public:
    Canvas(int width, int height) : m_width(width), m_height(height), m_pixels(static_cast<size_t>(width) * height * 4) {}

    void fill(int x, int y, int w, int h, uint32_t rgb)
    {
        const int x0 = std::clamp(x, 0, m_width), x1 = std::clamp(x + w, 0, m_width);
        const int y0 = std::clamp(y, 0, m_height), y1 = std::clamp(y + h, 0, m_height);
        const uint32_t word = 0xFF000000u | rgb;
        for (int row = y0; row < y1; ++row) {
            auto* line = reinterpret_cast<uint32_t*>(m_pixels.data() + static_cast<size_t>(row) * m_width * 4);
            std::fill(line + x0, line + x1, word);
        }
    }

    CGImageRef image()
    {
        return std::make_shared<CGImage>(m_width, m_height, static_cast<size_t>(m_width) * 4, false, std::move(m_pixels));
    }

private:
    int m_width;
    int m_height;
    std::vector<uint8_t> m_pixels;
};

void drawDigit(Canvas& canvas, int digit, int x, int y, int w, int t)
{
    const int h = 2 * w;
    const uint8_t on = kSegments[digit];
    if (on & 0x01)
        canvas.fill(x, y, w, t, kDigit);
    if (on & 0x02)
        canvas.fill(x + w - t, y, t, h / 2, kDigit);
    if (on & 0x04)
        canvas.fill(x + w - t, y + h / 2, t, h / 2, kDigit);
    if (on & 0x08)
        canvas.fill(x, y + h - t, w, t, kDigit);
    if (on & 0x10)
        canvas.fill(x, y + h / 2, t, h / 2, kDigit);
    if (on & 0x20)
        canvas.fill(x, y, t, h / 2, kDigit);
    if (on & 0x40)
        canvas.fill(x, y + h / 2 - t / 2, w, t, kDigit);
}

} // namespace

uint32_t SyntheticCameraPicture::barColor(AVCaptureDevicePosition position, int index)
{
    index = std::clamp(index, 0, barCount - 1);
    return kBars[position == AVCaptureDevicePositionFront ? barCount - 1 - index : index];
}

CGImageRef SyntheticCameraPicture::draw(AVCaptureDevicePosition position, uint64_t frameNumber, int width, int height)
{
    if (width <= 0 || height <= 0 || width > maximumSide || height > maximumSide)
        return nullptr;
    Canvas canvas(width, height);

    const int barsHeight = height * 2 / 3;
    for (int i = 0; i < barCount; ++i) {
        const int x0 = width * i / barCount, x1 = width * (i + 1) / barCount;
        canvas.fill(x0, 0, x1 - x0, barsHeight, barColor(position, i));
    }
    const int groundHeight = height - barsHeight;
    canvas.fill(0, barsHeight, width, groundHeight, kGround);

    // The box crosses the ground and comes back, a few pixels a frame, so motion shows in any
    // two frames in a row.
    const int box = std::max(1, groundHeight / 2);
    const int travel = std::max(1, width - box);
    const int step = std::max(1, width / 80);
    const uint64_t along = (frameNumber * step) % (2 * static_cast<uint64_t>(travel));
    const int boxX = static_cast<int>(along < static_cast<uint64_t>(travel) ? along : 2 * travel - along);
    canvas.fill(boxX, barsHeight + (groundHeight - box) / 2, box, box, kBox);

    // Six digits at the ground's right end, as large as the ground allows.
    const int digitWidth = std::max(3, std::min(groundHeight / 3, width / 16));
    const int thickness = std::max(1, digitWidth / 4);
    const int gap = std::max(1, digitWidth / 3);
    uint64_t number = frameNumber % 1000000;
    int x = width - gap - digitWidth;
    const int y = barsHeight + (groundHeight - 2 * digitWidth) / 2;
    for (int i = 0; i < 6; ++i, x -= digitWidth + gap) {
        drawDigit(canvas, static_cast<int>(number % 10), x, y, digitWidth, thickness);
        number /= 10;
    }
    return canvas.image();
}

} // namespace kvn
