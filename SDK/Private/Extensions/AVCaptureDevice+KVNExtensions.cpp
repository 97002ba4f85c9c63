#include "Private/Extensions/AVCaptureDevice+KVNExtensions.h"

#include "AVFoundation/AVCaptureDevice.h"
#include "AVFoundation/AVMediaFormat.h"

namespace KVNExtensions {

namespace {

std::shared_ptr<AVCaptureDevice> defaultVideoDevice()
{
    return AVCaptureDevice::defaultDeviceWithMediaType(AVMediaTypeVideo);
}

} // namespace

bool hasTorch()
{
    auto device = defaultVideoDevice();
    return device && device->hasTorch();
}

bool isTorchOn()
{
    auto device = defaultVideoDevice();
    return device && device->hasTorch() && device->isTorchActive();
}

void setTorchEnabled(bool enabled)
{
    auto device = defaultVideoDevice();
    if (!device || !device->hasTorch())
        return;
    AVCaptureTorchMode wanted = enabled ? AVCaptureTorchModeOn : AVCaptureTorchModeOff;
    if (device->torchMode() == wanted)
        return;
    if (!device->lockForConfiguration())
        return;
    device->setTorchMode(wanted);
    device->unlockForConfiguration();
}

void autofocusPoint(CGPoint point)
{
    auto device = defaultVideoDevice();
    if (!device || !device->focusPointOfInterestSupported())
        return;
    if (!device->lockForConfiguration())
        return;
    if (device->isFocusModeSupported(AVCaptureFocusModeAutoFocus)) {
        device->setFocusPointOfInterest(point);
        device->setFocusMode(AVCaptureFocusModeAutoFocus);
    }
    if (device->isExposureModeSupported(AVCaptureExposureModeAutoExpose)) {
        if (device->exposurePointOfInterestSupported())
            device->setExposurePointOfInterest(point);
        device->setExposureMode(AVCaptureExposureModeAutoExpose);
    }
    device->unlockForConfiguration();
}

bool canSetFocusPointOfInterest()
{
    auto device = defaultVideoDevice();
    return device && device->focusPointOfInterestSupported();
}

void resetAutofocus()
{
    auto device = defaultVideoDevice();
    if (!device || !device->lockForConfiguration())
        return;
    const CGPoint centre{0.5, 0.5};
    if (device->isFocusModeSupported(AVCaptureFocusModeContinuousAutoFocus)) {
        if (device->focusPointOfInterestSupported())
            device->setFocusPointOfInterest(centre);
        device->setFocusMode(AVCaptureFocusModeContinuousAutoFocus);
    }
    if (device->isExposureModeSupported(AVCaptureExposureModeContinuousAutoExposure)) {
        if (device->exposurePointOfInterestSupported())
            device->setExposurePointOfInterest(centre);
        device->setExposureMode(AVCaptureExposureModeContinuousAutoExposure);
    }
    device->unlockForConfiguration();
}

} // namespace KVNExtensions
