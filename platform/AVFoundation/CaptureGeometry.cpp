#include "AVFoundation/CaptureGeometry.h"

#include <cstring>
#include <vector>

namespace kvn {

namespace {

bool isPortrait(AVCaptureVideoOrientation orientation)
{
    return orientation == AVCaptureVideoOrientationPortrait || orientation == AVCaptureVideoOrientationPortraitUpsideDown;
}

} // namespace

CGSize CaptureGeometry::displayedSize(CGSize sensor, AVCaptureVideoOrientation orientation)
{
    return isPortrait(orientation) ? CGSizeMake(sensor.height, sensor.width) : sensor;
}

// Portrait shows the sensor turned a quarter clockwise, upside down a quarter the other way,
// landscape left a half turn; mirroring swaps left and right of what is shown.
CGPoint CaptureGeometry::displayedPointForSensorPoint(CGPoint s, AVCaptureVideoOrientation orientation, bool mirrored)
{
    CGPoint d;
    switch (orientation) {
    case AVCaptureVideoOrientationPortrait:
        d = CGPointMake(1 - s.y, s.x);
        break;
    case AVCaptureVideoOrientationPortraitUpsideDown:
        d = CGPointMake(s.y, 1 - s.x);
        break;
    case AVCaptureVideoOrientationLandscapeLeft:
        d = CGPointMake(1 - s.x, 1 - s.y);
        break;
    default:
        d = s;
        break;
    }
    if (mirrored)
        d.x = 1 - d.x;
    return d;
}

CGPoint CaptureGeometry::sensorPointForDisplayedPoint(CGPoint d, AVCaptureVideoOrientation orientation, bool mirrored)
{
    if (mirrored)
        d.x = 1 - d.x;
    switch (orientation) {
    case AVCaptureVideoOrientationPortrait:
        return CGPointMake(d.y, 1 - d.x);
    case AVCaptureVideoOrientationPortraitUpsideDown:
        return CGPointMake(1 - d.y, d.x);
    case AVCaptureVideoOrientationLandscapeLeft:
        return CGPointMake(1 - d.x, 1 - d.y);
    default:
        return d;
    }
}

int CaptureGeometry::exifOrientation(AVCaptureVideoOrientation orientation, bool mirrored)
{
    switch (orientation) {
    case AVCaptureVideoOrientationPortrait:
        return mirrored ? 5 : 6; // 5 shows the rows transposed: a quarter turn, then mirrored
    case AVCaptureVideoOrientationPortraitUpsideDown:
        return mirrored ? 7 : 8;
    case AVCaptureVideoOrientationLandscapeLeft:
        return mirrored ? 4 : 3;
    default:
        return mirrored ? 2 : 1;
    }
}

CGImageRef CaptureGeometry::displayedPicture(const CGImageRef& sensor, AVCaptureVideoOrientation orientation, bool mirrored)
{
    if (!sensor)
        return nullptr;
    if (orientation == AVCaptureVideoOrientationLandscapeRight && !mirrored)
        return sensor;
    const size_t sw = sensor->width(), sh = sensor->height();
    const bool portrait = isPortrait(orientation);
    const size_t dw = portrait ? sh : sw, dh = portrait ? sw : sh;
    std::vector<uint8_t> pixels(dw * dh * 4);
    for (size_t dy = 0; dy < dh; ++dy) {
        auto* row = reinterpret_cast<uint32_t*>(pixels.data() + dy * dw * 4);
        for (size_t x = 0; x < dw; ++x) {
            const size_t dx = mirrored ? dw - 1 - x : x;
            size_t sx, sy;
            switch (orientation) {
            case AVCaptureVideoOrientationPortrait:
                sx = dy, sy = sh - 1 - dx;
                break;
            case AVCaptureVideoOrientationPortraitUpsideDown:
                sx = sw - 1 - dy, sy = dx;
                break;
            case AVCaptureVideoOrientationLandscapeLeft:
                sx = sw - 1 - dx, sy = sh - 1 - dy;
                break;
            default:
                sx = dx, sy = dy;
                break;
            }
            std::memcpy(&row[x], sensor->data() + sy * sensor->bytesPerRow() + sx * 4, 4);
        }
    }
    return std::make_shared<CGImage>(dw, dh, dw * 4, sensor->hasAlpha(), std::move(pixels));
}

} // namespace kvn
