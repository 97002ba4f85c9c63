#pragma once
// The host's tests run on the main run loop with a manual clock, in a fresh application (no
// delegate, no windows), with a push stand-in back at its defaults, the library's texts in
// English in a temporary main bundle, two cameras, a network, and no script bridge or
// identification left over from the test before.
#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <string>

#include <nlohmann/json.hpp>

#include "AVFoundation/AVAudioSession.h"
#include "AVFoundation/AVCaptureDevice.h"
#include "Foundation/NSLocale.h"
#include "Network/SCNetworkReachability.h"
#include "ScriptRuntime/NavigationManager.h"
#include "ScriptRuntime/ScriptBridge.h"
#include "UIKit/PushRegistration.h"
#include "UIKit/UIApplication.h"
#include "UIKit/UIViewController.h"
#include "UIKit/UIWindow.h"
#include "models/KVNIdentification.h"
#include "public/KavoniController.h"
#include "support/KvnTestBundle.h"
#include "support/ManualClockFixture.h"

class HostTest : public ManualClockFixture {
protected:
    void SetUp() override
    {
        ManualClockFixture::SetUp();
        bundle = std::make_unique<KvnTestBundle>();
        NSLocale::setPreferredLanguages({"en"});
        UIApplication::sharedApplication()->resetForTesting();
        PushRegistration::sharedInstance()->resetForTesting();
        KVNIdentification::resetSharedIdentification();
        AVCaptureDevice::setDevicesForTesting(
            std::vector<AVCaptureDevice::Description>{AVCaptureDevice::Description::backCamera(), AVCaptureDevice::Description::frontCamera()});
        AVCaptureDevice::resetAuthorizationForTesting();
        // Loopback alone does not count as a network; the tests say there is one.
        SCNetworkReachabilitySetFlagsForTesting(kSCNetworkReachabilityFlagsReachable);
    }

    void TearDown() override
    {
        if (auto current = KavoniController::currentKavoniController())
            current->identificationCanceledByUser();
        if (bridge)
            bridge->invalidate();
        NavigationManager::sharedInstance()->stopBridge();
        loop->pump();
        window.reset();
        AVCaptureDevice::setDevicesForTesting(std::nullopt);
        AVCaptureDevice::resetAuthorizationForTesting();
        SCNetworkReachabilitySetFlagsForTesting(std::nullopt);
        KVNIdentification::resetSharedIdentification();
        PushRegistration::sharedInstance()->resetForTesting();
        UIApplication::sharedApplication()->resetForTesting();
        bundle.reset();
        ManualClockFixture::TearDown();
    }

    // A visible key window of the screen's size with a plain root screen, as the script's first
    // screen would be.
    std::shared_ptr<UIViewController> showRootScreen()
    {
        root = std::make_shared<UIViewController>();
        window = std::make_shared<UIWindow>();
        window->init();
        window->setRootViewController(root);
        window->makeKeyAndVisible();
        return root;
    }

    // A script bridge running `source` as its bundle.
    std::shared_ptr<ScriptBridge> startScript(const std::string& source)
    {
        bundle->writeFile("test.jsbundle", source);
        bridge = std::make_shared<ScriptBridge>();
        bridge->initWithBundleURL_launchOptions(bundle->path() + "/test.jsbundle", nlohmann::json::object());
        EXPECT_TRUE(bridge->runUntilIdle());
        return bridge;
    }

    // Runs a script that stores a promise's value in globalThis.settled, and reads it back.
    nlohmann::json settledValueOf(const std::string& promiseExpression)
    {
        bridge->evaluate("globalThis.settled = 'pending'; (" + promiseExpression + ").then(v => { globalThis.settled = v; });");
        bridge->runUntilIdle();
        return bridge->evaluate("globalThis.settled").value_or(nlohmann::json("no value"));
    }

    std::unique_ptr<KvnTestBundle> bundle;
    std::shared_ptr<ScriptBridge> bridge;
    std::shared_ptr<UIWindow> window;
    std::shared_ptr<UIViewController> root;
};
