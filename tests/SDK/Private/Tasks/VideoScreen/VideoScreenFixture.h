#pragma once
// The video identification screen as the host meets it: a KavoniController started from a host
// screen in a phone-sized window (so the endings have someone to report to), the data check's
// stack over it, and the video screen at the root of a navigation controller of its own,
// presented over the data check as its start button does. The shared session is initialised
// against the simulated service with a token of each test's own, so the screen's start, its
// reports and the agent's road are real. The session driver may be one whose call is a
// stand-in (camera position and a preview only), for the tests that drive statuses and errors
// as the driver reports them.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <unistd.h>
#include <vector>

#include <nlohmann/json.hpp>

#include "../../../../platform/UIKit/Snapshot.h"
#include "support/SessionTestSupport.h"
#include "../../UIElements/Controls/ThemedUIKitTest.h"
#include "AVFoundation/AVCaptureDevice.h"
#include "Foundation/BindToMainQueue.h"
#include "Foundation/NSLocale.h"
#include "Foundation/NSRunLoop.h"
#include "Network/SCNetworkReachability.h"
#include "Private/Helper/KVNRequestManager.h"
#include "Private/Helper/KVNServer.h"
#include "Private/Tasks/VideoIdent/Identification/KVNIdentificationHandler.h"
#include "Private/Tasks/VideoIdent/Identification/KVNIdentificationViewController.h"
#include "Private/Tasks/VideoIdent/Identification/KVNInfoViewController.h"
#include "Private/Tasks/VideoIdent/Identification/KVNWebRTCHandler.h"
#include "Private/UIElements/KVNPublisherView.h"
#include "UIKit/SoftwareKeyboard.h"
#include "UIKit/UIApplication.h"
#include "UIKit/UINavigationController.h"
#include "UIKit/UIView.h"
#include "UIKit/UIWindow.h"
#include "models/KVNIdentification.h"
#include "models/KVNVideoIdentification.h"
#include "public/KavoniController.h"
#include "public/KavoniSettings.h"
#include "support/KvnTestBundle.h"
#include "support/SimFixture.h"
#include "support/TestPicture.h"

namespace videoscreen {

// A call that only keeps the camera position and hands the screen a preview.
class StandInCall : public KVNWebRTCHandler {
public:
    void startWithSessionID_sessionToken(const std::string& sessionID, const std::string& sessionToken) override
    {
        KVNWebRTCHandler::startWithSessionID_sessionToken(sessionID, sessionToken);
        std::weak_ptr<StandInCall> weak = std::static_pointer_cast<StandInCall>(shared_from_this());
        kvn::postToMainQueue(weak, [](StandInCall& self) {
            auto preview = std::make_shared<UIView>();
            preview->init();
            self.setLocalVideoControl(preview);
            if (auto delegate = self.delegate())
                delegate->webRTCHandler_didCreateLocalVideoControl(self.shared_from_this(), preview);
        });
    }
};

class StandInDriver : public KVNIdentificationHandler {
protected:
    std::shared_ptr<KVNWebRTCHandler> makeWebRTCHandler(long) override
    {
        auto call = std::make_shared<StandInCall>();
        call->initWithDelegate(shared_from_this());
        return call;
    }
};

class StandInCallScreen : public KVNIdentificationViewController {
protected:
    std::shared_ptr<KVNIdentificationHandler> makeIdentificationHandler() override { return std::make_shared<StandInDriver>(); }
};

struct HostReport {
    bool success = false;
    std::shared_ptr<NSError> error;
    bool canceled = false;
};

inline std::string describe(const std::vector<HostReport>& reports)
{
    if (reports.empty())
        return "none";
    std::string all;
    for (const auto& r : reports) {
        if (!all.empty())
            all += ", ";
        if (r.success)
            all += "success";
        else if (r.canceled)
            all += "cancel";
        else
            all += "error " + std::to_string(r.error ? r.error->code() : 0);
    }
    return all;
}

class VideoScreenFixture : public SimFixture<ThemedUIKitTest> {
protected:
    static constexpr double kWait = 60.0;

    void SetUp() override
    {
        SimFixture::SetUp();
        kvn::SoftwareKeyboard::shared().resetForTesting();
        bundle = std::make_unique<KvnTestBundle>();
        bundle->addImage("kvn-icon-close", 24, 24, 0xFFFFFFFF);
        bundle->addImage("kvn-icon-chat-close", 24, 24, 0x333333FF);
        bundle->addImage("kvn-signature-capture-frame", 300, 120, 0xFFFFFFFF);
        NSLocale::setPreferredLanguages({"en"});
        AVCaptureDevice::setDevicesForTesting(std::vector{AVCaptureDevice::Description::backCamera(), AVCaptureDevice::Description::frontCamera()});
        SCNetworkReachabilitySetFlagsForTesting(kSCNetworkReachabilityFlagsReachable);
        KVNInfoViewController::resetSharedWaitingTimeTextForTesting();
    }

    void TearDown() override
    {
        if (screen && screen->identificationHandler())
            screen->identificationHandler()->finishIdentification();
        if (auto current = KavoniController::currentKavoniController())
            current->identificationCanceledByUser();
        runFor(1.0);
        window.reset();
        screen.reset();
        navigation.reset();
        auto manager = KVNRequestManager::sharedManager();
        manager->cancelTasks();
        loop->spin_until([&] { return idle(); }, kWait);
        manager->setIdent(nullptr);
        KVNIdentification::resetSharedIdentification();
        SCNetworkReachabilitySetFlagsForTesting(std::nullopt);
        UIApplication::sharedApplication()->resetForTesting();
        AVCaptureDevice::setDevicesForTesting(std::nullopt);
        kvn::SoftwareKeyboard::shared().resetForTesting();
        bundle.reset();
        SimFixture::TearDown();
    }

    static bool idle()
    {
        return kvn::test::requestManagerIdle();
    }

    static std::string tokenWith(const std::string& keyword)
    {
        return kvn::test::uniqueToken(keyword);
    }

    // The session as the initialisation leaves it, for a token of the test's own.
    void initialise(const std::string& keyword = "SCREEN")
    {
        token = tokenWith(keyword);
        KVNIdentification::resetSharedIdentification();
        settings = kvn::test::settingsForSim(token, sim->baseURL());
        ident = kvn::test::initialiseSession(settings, token, [this](const std::function<bool()>& condition, const std::string& what) { waitUntil(condition, what); });
    }

    // The host starts the identification; the data check presents `made` in a stack of its
    // own, and the screen starts its first attempt.
    void show(std::shared_ptr<KVNIdentificationViewController> made)
    {
        host = std::make_shared<UIViewController>();
        host->init();
        window = std::make_shared<UIWindow>();
        window->initWithFrame(CGRectMake(0, 0, 375, 667));
        window->setRootViewController(host);
        window->makeKeyAndVisible();
        controller = std::make_shared<KavoniController>();
        controller->initWithSettings(settings);
        controller->startIdentificationFromViewController_withCompletionBlock(
            host, [this](bool ok, const std::shared_ptr<NSError>& error, bool canceled) { reports.push_back({ok, error, canceled}); });
        runFor(1.0);
        auto checkScreens = std::dynamic_pointer_cast<UINavigationController>(host->presentedViewController());
        ASSERT_TRUE(checkScreens) << "the data check's stack";
        screen = std::move(made);
        screen->init();
        navigation = std::make_shared<UINavigationController>();
        navigation->initWithRootViewController(screen);
        checkScreens->presentViewController_animated_completion(navigation, false, nullptr);
        runFor(0.5);
        window->layoutIfNeeded();
    }

    // With a stand-in call: waits until the start went through and the preview is there.
    void showWithStandInCall()
    {
        initialise();
        show(std::make_shared<StandInCallScreen>());
        waitUntil([&] { return screen->identificationHandler()->currentWebRTCHandler() && screen->publisherView()->subviews().size() > 1; },
                  "the start and the preview");
        runFor(1.0);
    }

    void waitUntil(const std::function<bool()>& condition, const std::string& what)
    {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(kWait);
        while (!condition()) {
            if (std::chrono::steady_clock::now() > deadline) {
                FAIL() << "timed out waiting for " << what;
            }
            loop->spin_until(condition, 0.05);
            if (!condition())
                runFor(0.1);
        }
    }

    std::shared_ptr<KVNVideoIdentification> session() const { return ident->videoIdentification(); }

    // What the driver reports, as the driver reports it: the session's status first.
    void report(long status)
    {
        session()->setIdentificationStatus(status);
        screen->identificationHandler_didChangeIdentificationStatus(screen->identificationHandler(), status);
        window->layoutIfNeeded();
    }

    // The identification's calls of this kind the service answered.
    size_t serviceCalls(const std::string& call) const
    {
        // The empty call is the identification itself, which the waiting-queue poll reads.
        const std::string path = "/api/v1/vellumbank/identifications/" + token + (call.empty() ? "" : "/" + call);
        size_t n = 0;
        for (const auto& request : sim->requests())
            if (request["path"] == path && !request["status"].is_null())
                ++n;
        return n;
    }

    void writePicture(const std::string& name) const
    {
        window->layoutIfNeeded();
        kvn::test::writeTestPicture("video-screen", name, fixtures::snapshot(window));
    }

    std::unique_ptr<KvnTestBundle> bundle;
    std::string token;
    std::shared_ptr<KavoniSettings> settings;
    std::shared_ptr<KVNIdentification> ident;
    std::shared_ptr<KavoniController> controller;
    std::shared_ptr<UIViewController> host;
    std::shared_ptr<UIWindow> window;
    std::shared_ptr<KVNIdentificationViewController> screen;
    std::shared_ptr<UINavigationController> navigation;
    std::vector<HostReport> reports;
};

} // namespace videoscreen
