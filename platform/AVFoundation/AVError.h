#pragma once
// Domain and codes of the errors the capture layer reports. Constants; any thread.
#include <string>

extern const std::string AVFoundationErrorDomain;

enum AVError : long {
    // A still capture failed inside the device; the next one may succeed.
    AVErrorUnknown = -11800,
    // A still capture was asked of a session that is not running (or an output in none).
    AVErrorSessionNotRunning = -11803,
    // A still capture was asked of a session that has no camera (any more).
    AVErrorDeviceNotConnected = -11814,
    // lockForConfiguration: someone else holds the device's configuration.
    AVErrorDeviceLockedForConfigurationByAnotherProcess = -11817,
    // A torch level outside (0, 1], or a torch that cannot be lit now.
    AVErrorInvalidTorchLevel = -11870,
};
