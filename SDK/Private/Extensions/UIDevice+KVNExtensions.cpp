#include "Private/Extensions/UIDevice+KVNExtensions.h"

#include "UIKit/UIDevice.h"

namespace KVNExtensions {

std::string currentDeviceModel()
{
    return UIDevice::currentDevice()->machineName();
}

} // namespace KVNExtensions
