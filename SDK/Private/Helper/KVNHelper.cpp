#include "Private/Helper/KVNHelper.h"

#include <cstdlib>

#include "UIKit/UIApplication.h"
#include "UIKit/UIDevice.h"

namespace {

// The major number of a version text such as "12.4.1"; 0 when it has none.
long majorSystemVersion()
{
    const std::string& version = UIDevice::currentDevice()->systemVersion();
    return std::strtol(version.c_str(), nullptr, 10);
}

} // namespace

void KVNHelper::openUrlCompat(const std::string& url)
{
    auto application = UIApplication::sharedApplication();
    if (majorSystemVersion() >= 10)
        application->openURL_options_completionHandler(url, {}, nullptr);
    else
        application->openURL(url);
}
