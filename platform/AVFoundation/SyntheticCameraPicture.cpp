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

constexpr uint32_t kDeskBack = 0x7A5230;
constexpr uint32_t kDeskFront = 0x4F6A7A;
constexpr uint32_t kTitleBand = 0x1F7A5A;
constexpr uint32_t kInk = 0x303030;

class Canvas {
public:
    // A portrait canvas draws an upright scene of height x width into a picture of width x
    // height turned a quarter counter-clockwise, as a sensor lying on its side records it.
    Canvas(int width, int height, bool portrait = false)
        : m_width(width), m_height(height), m_portrait(portrait), m_pixels(static_cast<size_t>(width) * height * 4)
    {
    }

    int sceneWidth() const { return m_portrait ? m_height : m_width; }
    int sceneHeight() const { return m_portrait ? m_width : m_height; }

    void fill(int x, int y, int w, int h, uint32_t rgb)
    {
        if (m_portrait) {
            fillStored(y, m_height - x - w, h, w, rgb);
            return;
        }
        fillStored(x, y, w, h, rgb);
    }

    // A rectangle given in the scene's unit square.
    void fillUnit(CGRect rect, uint32_t rgb)
    {
        const int x0 = int(rect.origin.x * sceneWidth()), y0 = int(rect.origin.y * sceneHeight());
        const int x1 = int((rect.origin.x + rect.size.width) * sceneWidth());
        const int y1 = int((rect.origin.y + rect.size.height) * sceneHeight());
        fill(x0, y0, x1 - x0, y1 - y0, rgb);
    }

    CGImageRef image()
    {
        return std::make_shared<CGImage>(m_width, m_height, static_cast<size_t>(m_width) * 4, false, std::move(m_pixels));
    }

private:
    void fillStored(int x, int y, int w, int h, uint32_t rgb)
    {
        const int x0 = std::clamp(x, 0, m_width), x1 = std::clamp(x + w, 0, m_width);
        const int y0 = std::clamp(y, 0, m_height), y1 = std::clamp(y + h, 0, m_height);
        const uint32_t word = 0xFF000000u | rgb;
        for (int row = y0; row < y1; ++row) {
            auto* line = reinterpret_cast<uint32_t*>(m_pixels.data() + static_cast<size_t>(row) * m_width * 4);
            std::fill(line + x0, line + x1, word);
        }
    }

    int m_width;
    int m_height;
    bool m_portrait;
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

// Six digits of the frame's number ending at `right`, digits `digitWidth` wide.
void drawFrameNumber(Canvas& canvas, uint64_t frameNumber, int right, int y, int digitWidth)
{
    const int thickness = std::max(1, digitWidth / 4);
    const int gap = std::max(1, digitWidth / 3);
    uint64_t number = frameNumber % 1000000;
    int x = right - digitWidth;
    for (int i = 0; i < 6; ++i, x -= digitWidth + gap) {
        drawDigit(canvas, static_cast<int>(number % 10), x, y, digitWidth, thickness);
        number /= 10;
    }
}

// A part of the card, given in the card's own unit square.
CGRect onCard(CGFloat x, CGFloat y, CGFloat w, CGFloat h)
{
    const CGRect card = SyntheticCameraPicture::cardRect();
    return CGRectMake(card.origin.x + x * card.size.width, card.origin.y + y * card.size.height, w * card.size.width,
                      h * card.size.height);
}

} // namespace

CGRect SyntheticCameraPicture::cardRect()
{
    // An ID-1 card (85.6 x 54 mm) across 68 % of a 3:4 picture's width, in its middle: a
    // phone-shaped preview that fills its screen still shows the whole card.
    constexpr CGFloat width = 0.68;
    constexpr CGFloat height = width * (3.0 / 4.0) * 54.0 / 85.6;
    return CGRectMake((1 - width) / 2, (1 - height) / 2, width, height);
}

CGRect SyntheticCameraPicture::photoBoxRect() { return onCard(0.05, 0.2, 0.28, 0.5); }

CGRect SyntheticCameraPicture::machineReadableZoneRect() { return onCard(0.03, 0.76, 0.94, 0.2); }

uint32_t SyntheticCameraPicture::deskColor(AVCaptureDevicePosition position)
{
    return position == AVCaptureDevicePositionFront ? kDeskFront : kDeskBack;
}

CGImageRef SyntheticCameraPicture::drawDocumentCard(AVCaptureDevicePosition position, uint64_t frameNumber, int width, int height)
{
    if (width <= 0 || height <= 0 || width > maximumSide || height > maximumSide)
        return nullptr;
    Canvas canvas(width, height, true);
    canvas.fill(0, 0, canvas.sceneWidth(), canvas.sceneHeight(), deskColor(position));
    canvas.fillUnit(cardRect(), cardColor);
    canvas.fillUnit(onCard(0, 0, 1, 0.12), kTitleBand);
    canvas.fillUnit(photoBoxRect(), photoBoxColor);
    for (int line = 0; line < 4; ++line)
        canvas.fillUnit(onCard(0.40, 0.22 + line * 0.12, line % 2 ? 0.38 : 0.52, 0.06), kInk);

    // Two rows of blocks in the band, where the machine-readable characters stand.
    const CGRect zone = machineReadableZoneRect();
    canvas.fillUnit(zone, machineReadableZoneColor);
    constexpr int glyphs = 30;
    for (int row = 0; row < 2; ++row) {
        for (int i = 0; i < glyphs; ++i) {
            if ((i * 7 + row * 3) % 5 == 0)
                continue; // the filler characters leave gaps
            const CGFloat w = zone.size.width / glyphs;
            canvas.fillUnit(CGRectMake(zone.origin.x + (i + 0.15) * w, zone.origin.y + (0.15 + row * 0.45) * zone.size.height,
                                       w * 0.7, zone.size.height * 0.3),
                            kInk);
        }
    }

    const int digitWidth = std::max(3, canvas.sceneWidth() / 24);
    const CGRect card = cardRect();
    const int below = int((card.origin.y + card.size.height) * canvas.sceneHeight());
    const int y = below + (canvas.sceneHeight() - below - 2 * digitWidth) / 2;
    const int digitsWidth = 6 * digitWidth + 5 * std::max(1, digitWidth / 3);
    drawFrameNumber(canvas, frameNumber, (canvas.sceneWidth() + digitsWidth) / 2, y, digitWidth);
    return canvas.image();
}

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
    const int y = barsHeight + (groundHeight - 2 * digitWidth) / 2;
    drawFrameNumber(canvas, frameNumber, width - std::max(1, digitWidth / 3), y, digitWidth);
    return canvas.image();
}

} // namespace kvn
