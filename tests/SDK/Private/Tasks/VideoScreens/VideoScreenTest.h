#pragma once
// The scene of the video identification's child screens: a phone-sized key window holding
// the screen as its root, the shared session bound to a simulated service of its own (the
// screens' owner calls it through the shared REST client), and a way to save what the window
// shows as a PNG under the build tree for people to look at.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>

#include <nlohmann/json.hpp>

#include "../../../../platform/UIKit/Snapshot.h"
#include "../../UIElements/Controls/ThemedUIKitTest.h"
#include "Foundation/NSLocale.h"
#include "Foundation/NSRunLoop.h"
#include "Private/Helper/KVNRequestManager.h"
#include "Private/Helper/KVNServer.h"
#include "UIKit/SoftwareKeyboard.h"
#include "UIKit/UIGraphics.h"
#include "UIKit/UIImage.h"
#include "UIKit/UIViewController.h"
#include "UIKit/UIWindow.h"
#include "models/KVNIdentification.h"
#include "public/KavoniSettings.h"
#include "support/KvnTestBundle.h"
#include "support/TestPicture.h"
#include "support/SimFixture.h"

class VideoScreenTest : public SimFixture<ThemedUIKitTest> {
protected:
    static constexpr double kWait = 30.0;

    void SetUp() override
    {
        SimFixture::SetUp();
        kvn::SoftwareKeyboard::shared().resetForTesting();
        bundle = std::make_unique<KvnTestBundle>();
        bundle->addImage("kvn-icon-chat-close", 24, 24, 0x333333FF);
        NSLocale::setPreferredLanguages({"en"});
        KVNIdentification::resetSharedIdentification();
        auto settings = KavoniSettings::settingsWithCompanyID_transactionToken("vellumbank", "DEV0001");
        settings->setEnvironment(8);
        settings->setApiHost(sim->baseURL());
        settings->setWebsocketHost(sim->baseURL());
        settings->setStunHost("127.0.0.1");
        ident = KVNIdentification::sharedIdentification();
        ident->setSettings(settings);
        ident->server()->setShortName("vellumbank");
        // The shared client outlives suites: bind it to this one's session.
        KVNRequestManager::sharedManager()->setIdent(ident);
    }

    void TearDown() override
    {
        window.reset();
        auto manager = KVNRequestManager::sharedManager();
        manager->cancelTasks();
        loop->spin_until([&] { return manager->managerJSONHTTP()->tasks().empty() && manager->managerJSONJSON()->tasks().empty(); }, kWait);
        manager->setIdent(nullptr);
        kvn::SoftwareKeyboard::shared().resetForTesting();
        KVNIdentification::resetSharedIdentification();
        bundle.reset();
        SimFixture::TearDown();
    }

    void show(const std::shared_ptr<UIViewController>& screen)
    {
        window = std::make_shared<UIWindow>();
        window->initWithFrame(CGRectMake(0, 0, 375, 667));
        window->setRootViewController(screen);
        window->makeKeyAndVisible();
        runFor(0.5);
        window->layoutIfNeeded();
    }

    void waitUntil(const std::function<bool()>& condition, const char* what)
    {
        ASSERT_TRUE(loop->spin_until(condition, kWait)) << "timed out waiting until " << what;
    }

    // The answered requests the sim received on `path`, oldest first.
    static nlohmann::json answered(const std::string& path)
    {
        auto found = nlohmann::json::array();
        for (const auto& request : sim->requests())
            if (request["path"] == path && !request["status"].is_null())
                found.push_back(request);
        return found;
    }

    void writePicture(const std::string& name) const
    {
        window->layoutIfNeeded();
        kvn::test::writeTestPicture("video-screens", name, fixtures::snapshot(window));
    }

    std::unique_ptr<KvnTestBundle> bundle;
    std::shared_ptr<KVNIdentification> ident;
    std::shared_ptr<UIWindow> window;
};
