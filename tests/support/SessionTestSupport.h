#pragma once
// What the tests that run a session against the sim share: whether the request manager is idle
// (a test waits for it before it tears the shared session down, or a late answer lands in the
// next test), a transaction token of the test's own (the sim keeps identifications by token), and
// the device a screen test runs on: both cameras allowed and the network reachable, put back after.
// Main thread.
#include <atomic>
#include <memory>
#include <optional>
#include <string>

#include <unistd.h>

#include <gtest/gtest.h>

#include "AVFoundation/AVCaptureDevice.h"
#include "Private/Helper/KVNRequestManager.h"
#include "Network/SCNetworkReachability.h"
#include "models/KVNIdentification.h"
#include "public/KavoniSettings.h"

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

// A session's settings with every host on the sim (the development environment); the sim's video
// server answers on loopback only, so the links gather 127.0.0.1 there.
inline std::shared_ptr<KavoniSettings> settingsForSim(const std::string& token, const std::string& baseURL)
{
    auto settings = KavoniSettings::settingsWithCompanyID_transactionToken("vellumbank", token);
    settings->setEnvironment(8);
    settings->setApiHost(baseURL);
    settings->setWebsocketHost(baseURL);
    settings->setVideoHost(baseURL);
    settings->setStunHost("127.0.0.1");
    return settings;
}

// The shared session as the initialisation leaves it: the customer configuration and the
// identification's data. `waitUntil(condition, what)` turns the run loop until the answer is in.
template <class WaitUntil>
std::shared_ptr<KVNIdentification> initialiseSession(const std::shared_ptr<KavoniSettings>& settings, const std::string& token,
                                                     WaitUntil&& waitUntil)
{
    auto ident = KVNIdentification::sharedIdentification();
    ident->setSettings(settings);
    ident->server()->setShortName("vellumbank");
    auto manager = KVNRequestManager::sharedManager();
    manager->setIdent(ident);
    int answers = 0;
    manager->initializeIdentificationWithIdentifier_callback(token, [&](const std::shared_ptr<NSError>& error) {
        EXPECT_EQ(error, nullptr);
        ++answers;
    });
    waitUntil([&] { return answers == 1; }, "the customer configuration");
    manager->requestVideoIdentificationData([&](const std::optional<std::string>&, const std::shared_ptr<NSError>& error) {
        EXPECT_EQ(error, nullptr);
        ++answers;
    });
    waitUntil([&] { return answers == 2; }, "the identification's data");
    return ident;
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
