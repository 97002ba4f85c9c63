#pragma once
// What the synthetic cameras of a headless machine see: colour bars over the upper two thirds
// and, below them, a box that moves with every frame and the frame's number in seven-segment
// digits. The rear camera's bars run white, yellow, cyan, green, magenta, red, blue from the
// left; the front camera's run the other way, so a switch of cameras shows at a glance (and to
// a test reading one pixel). Pure drawing, no state; any thread.
#include <cstdint>

#include "AVFoundation/AVCaptureDevice.h"
#include "CoreGraphics/CGImage.h"

namespace kvn {

class SyntheticCameraPicture {
public:
    // Larger pictures than this are refused: no camera of ours delivers them.
    static constexpr int maximumSide = 4096;

    // An opaque picture of width x height pixels; nullptr for a size that is not positive or
    // exceeds maximumSide.
    static CGImageRef draw(AVCaptureDevicePosition position, uint64_t frameNumber, int width, int height);

    // The colour (0xRRGGBB) of bar `index` (0 the leftmost) for the camera at `position`.
    static uint32_t barColor(AVCaptureDevicePosition position, int index);
    static constexpr int barCount = 7;
};

} // namespace kvn
