#pragma once
// How a camera's picture turns into the picture shown: the sensor delivers its rows in its own
// orientation (landscape right), and a connection's video orientation and mirroring say how
// they are shown. Positions are in the unit square of a picture, (0, 0) its top left; the
// sensor's unit square is what a capture device takes as a point of interest. Pure
// arithmetic; any thread.
#include "AVFoundation/AVCaptureConnection.h"
#include "CoreGraphics/CGGeometry.h"
#include "CoreGraphics/CGImage.h"

namespace kvn {

class CaptureGeometry {
public:
    // The shown picture's size for a sensor picture of `sensor`: the sides swap in portrait.
    static CGSize displayedSize(CGSize sensor, AVCaptureVideoOrientation orientation);

    static CGPoint displayedPointForSensorPoint(CGPoint sensor, AVCaptureVideoOrientation orientation, bool mirrored);
    static CGPoint sensorPointForDisplayedPoint(CGPoint displayed, AVCaptureVideoOrientation orientation, bool mirrored);

    // The EXIF orientation tag (1..8) that makes a viewer show the sensor's rows as the
    // connection shows them.
    static int exifOrientation(AVCaptureVideoOrientation orientation, bool mirrored);

    // The sensor picture turned and mirrored as shown; nullptr for none.
    static CGImageRef displayedPicture(const CGImageRef& sensor, AVCaptureVideoOrientation orientation, bool mirrored);
};

} // namespace kvn
