#include "UIKit/UIImagePickerController.h"

#include "AVFoundation/AVCaptureDevice.h"

bool UIImagePickerController::isCameraDeviceAvailable(UIImagePickerControllerCameraDevice cameraDevice)
{
    auto position = cameraDevice == UIImagePickerControllerCameraDevice::Front ? AVCaptureDevicePositionFront : AVCaptureDevicePositionBack;
    return AVCaptureDevice::defaultDeviceWithDeviceType_mediaType_position(AVCaptureDeviceTypeBuiltInWideAngleCamera, AVMediaTypeVideo,
                                                                           position) != nullptr;
}
