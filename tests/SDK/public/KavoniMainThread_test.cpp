// The library's controller, REST client and event channel belong to the main thread: their
// entry points stop a caller on any other thread, naming the operation.
#include <gtest/gtest.h>

#include <memory>

#include "Private/Helper/KVNRequestManager.h"
#include "Private/Helper/KVNSocketHandler.h"
#include "UIKit/UIViewController.h"
#include "public/KavoniController.h"
#include "public/KavoniSettings.h"
#include "support/ManualClockFixture.h"
#include "support/OffMainThreadCall.h"

namespace {

class KavoniMainThreadTest : public ManualClockFixture {};

TEST_F(KavoniMainThreadTest, EntryPointsOfControllerClientAndChannelAbortOffTheMainThread)
{
    KVN_SKIP_UNLESS_MAIN_THREAD_CHECKED();
    auto controller = std::make_shared<KavoniController>();
    controller->initWithSettings(KavoniSettings::settingsWithCompanyID_transactionToken("vellumbank", "TOKEN"));
    auto presenter = std::make_shared<UIViewController>();
    auto manager = std::make_shared<KVNRequestManager>();
    auto channel = std::make_shared<KVNSocketHandler>();
    channel->initWithDelegate({});
    expectEachToDieOffTheMainThread({
        {"KavoniController::initializeWithCompletionBlock", [=] { controller->initialize(); }},
        {"KavoniController::startIdentificationFromViewController_withCompletionBlock",
         [=] { controller->startIdentificationFromViewController(presenter); }},
        {"KavoniController::currentKavoniController", [] { KavoniController::currentKavoniController(); }},
        {"KVNRequestManager::requestMessages", [=] { manager->requestMessages(nullptr); }},
        {"KVNRequestManager::cancelTasks", [=] { manager->cancelTasks(); }},
        {"KVNSocketHandler::reconnectSocket", [=] { channel->reconnectSocket(); }},
        {"KVNSocketHandler::closeConnection", [=] { channel->closeConnection(); }},
    });
}

} // namespace
