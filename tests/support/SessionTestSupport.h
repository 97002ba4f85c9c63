#pragma once
// What the tests that run a session against the sim share: whether the request manager is idle
// (a test waits for it before it tears the shared session down, or a late answer lands in the
// next test), a transaction token of the test's own (the sim keeps identifications by token), and
// the device a screen test runs on: both cameras allowed and the network reachable, put back after.
// Main thread.
#include <atomic>
#include <string>

#include <unistd.h>

#include "AVFoundation/AVCaptureDevice.h"
#include "Private/Helper/KVNRequestManager.h"
#include "Network/SCNetworkReachability.h"
#include "models/KVNIdentification.h"

namespace kvn::test {

inline bool requestManagerIdle()
{
    auto manager = KVNRequestManager::sharedManager();
    return manager->managerJSONJSON()->tasks().empty() && manager->managerJSONHTTP()->tasks().empty() &&
        manager->managerHTTPHTTP()->tasks().empty();
}

// "DEV" (the development environment) + the keyword that picks the sim's road + a serial.
inline std::string uniqueToken(const std::string& keyword)
{
    static std::atomic<int> serial{0};
    return "DEV" + keyword + "-" + std::to_string(::getpid()) + "-" + std::to_string(++serial);
}

// A phone with a back and a front camera the user allows, on a reachable network, and no session.
inline void useDeviceWithBothCameras()
{
    KVNIdentification::resetSharedIdentification();
    AVCaptureDevice::setDevicesForTesting(
        std::vector<AVCaptureDevice::Description>{AVCaptureDevice::Description::backCamera(), AVCaptureDevice::Description::frontCamera()});
    AVCaptureDevice::resetAuthorizationForTesting();
    SCNetworkReachabilitySetFlagsForTesting(kSCNetworkReachabilityFlagsReachable);
}

// Puts the devices and the shared session back as they were before useDeviceWithBothCameras.
inline void resetDeviceAndSession()
{
    AVCaptureDevice::setDevicesForTesting(std::nullopt);
    AVCaptureDevice::resetAuthorizationForTesting();
    SCNetworkReachabilitySetFlagsForTesting(std::nullopt);
    KVNRequestManager::sharedManager()->setIdent(nullptr);
    KVNIdentification::resetSharedIdentification();
}

} // namespace kvn::test
