#pragma once
// Domain and codes of the errors the capture layer reports. Constants; any thread.
#include <string>

extern const std::string AVFoundationErrorDomain;

enum AVError : long {
    // lockForConfiguration: someone else holds the device's configuration.
    AVErrorDeviceLockedForConfigurationByAnotherProcess = -11817,
};
