#include "AVFoundation/AVCaptureDeviceInput.h"

#include "AVFoundation/AVError.h"

std::shared_ptr<AVCaptureDeviceInput> AVCaptureDeviceInput::deviceInputWithDevice_error(std::shared_ptr<AVCaptureDevice> device,
                                                                                        std::shared_ptr<NSError>* error)
{
    if (!device) {
        if (error)
            *error = NSError::errorWithDomain_code_userInfo(AVFoundationErrorDomain, AVErrorUnknown,
                                                            {{NSLocalizedDescriptionKey, std::string("There is no such capture device.")}});
        return nullptr;
    }
    if (error)
        *error = nullptr;
    return std::make_shared<AVCaptureDeviceInput>(std::move(device));
}
