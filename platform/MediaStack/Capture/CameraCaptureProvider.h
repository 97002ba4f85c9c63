#pragma once
// The camera side of a local capture stream: its capture session. Main thread.
#include <memory>

class AVCaptureSession;

class CameraCaptureProvider {
public:
    virtual ~CameraCaptureProvider() = default;
    // None when the camera runs without a session.
    virtual std::shared_ptr<AVCaptureSession> captureSession() const = 0;
};
