#pragma once
// What the synthetic cameras of a headless machine see: colour bars over the upper two thirds
// and, below them, a box that moves with every frame and the frame's number in seven-segment
// digits. The rear camera's bars run white, yellow, cyan, green, magenta, red, blue from the
// left; the front camera's run the other way, so a switch of cameras shows at a glance (and to
// a test reading one pixel).
//
// For photos the cameras film a document card lying on a desk, as a phone held upright sees
// it: an ID-card-shaped card with a title band, a photo box, text lines and a machine-readable
// band, and the frame's number on the desk below it. The sensor delivers it in its own
// orientation (landscape right), so the card stands upright once the picture is shown in
// portrait (CaptureGeometry). The desk's colour tells the cameras apart.
// Pure drawing, no state; any thread.
#include <cstdint>

#include "AVFoundation/AVCaptureDevice.h"
#include "CoreGraphics/CGGeometry.h"
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

    // The document card as the sensor delivers it, width x height pixels (landscape for the
    // card to fill the portrait picture); nullptr as for draw.
    static CGImageRef drawDocumentCard(AVCaptureDevicePosition position, uint64_t frameNumber, int width, int height);
    // Where the card's parts lie in the upright picture (portrait, unmirrored), in its unit square.
    static CGRect cardRect();
    static CGRect photoBoxRect();
    static CGRect machineReadableZoneRect();
    static uint32_t deskColor(AVCaptureDevicePosition position);
    static constexpr uint32_t cardColor = 0xE6ECF2;
    static constexpr uint32_t photoBoxColor = 0x2F5D8C;
    static constexpr uint32_t machineReadableZoneColor = 0xFAFAFA;
};

} // namespace kvn
