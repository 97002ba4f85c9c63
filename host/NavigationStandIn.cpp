#include "NavigationStandIn.h"

#include "Foundation/NSLog.h"
#include "Foundation/NSNotificationCenter.h"
#include "ScriptRuntime/NavigationManager.h"
#include "UIKit/UIApplication.h"
#include "UIKit/UIApplicationDelegate.h"
#include "UIKit/UIColor.h"
#include "UIKit/UIView.h"
#include "UIKit/UIViewController.h"
#include "UIKit/UIWindow.h"

namespace {

[[maybe_unused]] const bool kObservingApplication = [] {
    auto center = NSNotificationCenter::defaultCenter();
    // The observations last as long as the program.
    center->addObserverForName_object_queue_usingBlock(UIApplicationDidFinishLaunchingNotification, nullptr, nullptr,
                                                       [](const NSNotification&) {
                                                           NavigationStandIn::applicationDidFinishLaunching(UIApplication::sharedApplication());
                                                       });
    center->addObserverForName_object_queue_usingBlock(UIApplicationWillTerminateNotification, nullptr, nullptr,
                                                       [](const NSNotification&) { NavigationStandIn::applicationWillTerminate(); });
    return true;
}();

} // namespace

void NavigationStandIn::applicationDidFinishLaunching(const std::shared_ptr<UIApplication>& application)
{
    auto delegate = application->delegate();
    auto window = delegate ? delegate->window() : nullptr;
    if (!window) {
        NSLog("NavigationStandIn: the app's delegate has no window; there is no screen to show");
        return;
    }
    if (window->rootViewController())
        return;
    auto root = std::make_shared<UIViewController>();
    root->init();
    root->view()->setBackgroundColor(UIColor::whiteColor());
    window->setRootViewController(root);
    window->makeKeyAndVisible();
    NSLog("NavigationStandIn: the script's screens are not built yet; a blank root screen stands in for them");
}

void NavigationStandIn::applicationWillTerminate()
{
    NavigationManager::sharedInstance()->stopBridge();
}
