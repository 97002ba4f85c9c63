#pragma once
// What the navigation add-on does for the app at its start and its end, until the add-on's
// screens exist. When launching has finished, the delegate's window gets a blank root screen
// (where the script's first screen will be) and becomes the key window, so that the script
// has a screen to present from. When the app ends, the script bridge is stopped while
// everything its thread uses is still there.
// Both run on the application's notifications (UIApplicationDidFinishLaunchingNotification,
// UIApplicationWillTerminateNotification), which the class observes from the program's load.
// Main thread.
#include <memory>

class UIApplication;

class NavigationStandIn {
public:
    // A window that has a root screen already (made by the add-on, or by a test) is left alone.
    static void applicationDidFinishLaunching(const std::shared_ptr<UIApplication>& application);
    static void applicationWillTerminate();
};
