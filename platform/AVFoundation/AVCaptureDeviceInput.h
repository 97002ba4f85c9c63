#pragma once
// A capture device as the input of a capture session. Immutable; any thread.
#include <memory>

#include "AVFoundation/AVCaptureDevice.h"
#include "Foundation/NSError.h"

class AVCaptureDeviceInput {
public:
    // nullptr (and *error set) for a missing device.
    static std::shared_ptr<AVCaptureDeviceInput> deviceInputWithDevice_error(std::shared_ptr<AVCaptureDevice> device,
                                                                             std::shared_ptr<NSError>* error = nullptr);

    explicit AVCaptureDeviceInput(std::shared_ptr<AVCaptureDevice> device) : m_device(std::move(device)) {}
    const std::shared_ptr<AVCaptureDevice>& device() const { return m_device; }

private:
    const std::shared_ptr<AVCaptureDevice> m_device;
};
