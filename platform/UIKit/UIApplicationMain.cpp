#include "UIKit/UIApplicationMain.h"

#include <cstdlib>

#include <nlohmann/json.hpp>

#include "Foundation/NSNotificationCenter.h"
#include "Foundation/NSRunLoop.h"
#include "UIKit/UIApplication.h"
#include "UIKit/UIApplicationDelegate.h"
#include "UIKit/UIKitLog.h"

namespace {

nlohmann::json launchOptionsFromEnvironment()
{
    const char* text = std::getenv("KVN_LAUNCH_OPTIONS");
    if (!text || !*text)
        return nlohmann::json::object();
    auto options = nlohmann::json::parse(text, nullptr, /*allow_exceptions=*/false);
    if (!options.is_object()) {
        UIKitLog("UIApplicationMain: KVN_LAUNCH_OPTIONS is not a JSON object; launching without options");
        return nlohmann::json::object();
    }
    return options;
}

} // namespace

int UIApplicationMain(int argc, char* argv[], const std::optional<std::string>& principalClassName,
                      const std::optional<std::string>& delegateClassName)
{
    NSRunLoop::setMainThread();

    if (principalClassName && *principalClassName != "UIApplication") {
        UIKitLog("UIApplicationMain: no application class named \"%s\"", principalClassName->c_str());
        return 1;
    }
    std::shared_ptr<UIApplicationDelegate> delegate;
    if (delegateClassName) {
        delegate = UIApplication::delegateWithClassName(*delegateClassName);
        if (!delegate) {
            UIKitLog("UIApplicationMain: no application delegate class named \"%s\"", delegateClassName->c_str());
            return 1;
        }
    }

    // The delegate lives as long as the app: the application itself only holds it weakly.
    auto application = UIApplication::sharedApplication();
    application->setDelegate(delegate);
    const auto launchOptions = launchOptionsFromEnvironment();
    if (delegate)
        delegate->application_didFinishLaunchingWithOptions(application, launchOptions);

    auto center = NSNotificationCenter::defaultCenter();
    center->postNotificationName_object_userInfo(UIApplicationDidFinishLaunchingNotification, application.get());
    // Asked to end while launching: the loop never runs.
    if (!application->terminationStatus())
        NSRunLoop::mainRunLoop()->run();
    center->postNotificationName_object_userInfo(UIApplicationWillTerminateNotification, application.get());
    return application->terminationStatus().value_or(0);
}
