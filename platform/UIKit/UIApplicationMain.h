#pragma once
// The app's process entry. It makes the application object and the app's delegate (by the
// class name it was registered under, UI_APPLICATION_DELEGATE_CLASS), tells the delegate that
// launching has finished, posts UIApplicationDidFinishLaunchingNotification, then runs the main
// run loop until the app asks to end (UIApplication::terminateWithStatus), posts
// UIApplicationWillTerminateNotification and returns that status.
//
// Launch options: a headless machine launches the app from the command line, so they come from
// the environment variable KVN_LAUNCH_OPTIONS, a JSON object such as
// {"transactionToken": "DEV0001"}. Unset or empty gives {}; a value that is not a JSON object is
// reported on the console and {} stands in for it.
//
// `principalClassName`: only the platform's own application class exists (nullopt or
// "UIApplication"). An unknown application or delegate class is reported and the call returns 1
// without launching. The thread that calls it becomes the main thread.
#include <optional>
#include <string>

int UIApplicationMain(int argc, char* argv[], const std::optional<std::string>& principalClassName,
                      const std::optional<std::string>& delegateClassName);
