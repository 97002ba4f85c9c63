#pragma once
// The system's picture-taking screen. The app only asks it which cameras the device has; it
// answers from the capture devices (AVCaptureDevice), so a test's or the machine's camera
// set decides. Any thread.
#include "UIKit/UINavigationController.h"

enum class UIImagePickerControllerCameraDevice : long {
    Rear = 0,
    Front = 1,
};

class UIImagePickerController : public UINavigationController {
public:
    static bool isCameraDeviceAvailable(UIImagePickerControllerCameraDevice cameraDevice);
};
