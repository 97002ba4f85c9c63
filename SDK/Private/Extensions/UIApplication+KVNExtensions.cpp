#include "Private/Extensions/UIApplication+KVNExtensions.h"

#include "Foundation/NSBundle.h"

namespace KVNExtensions {

bool viewControllerBasedStatusBarAppearanceEnabled()
{
    auto bundle = NSBundle::mainBundle();
    if (!bundle)
        return true;
    nlohmann::json value = bundle->objectForInfoDictionaryKey("UIViewControllerBasedStatusBarAppearance");
    if (value.is_boolean())
        return value.get<bool>();
    if (value.is_number())
        return value.get<double>() != 0.0;
    return true;
}

} // namespace KVNExtensions
