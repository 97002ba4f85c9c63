#include "Private/Helper/KVNSystemInfo.h"

#include "UIKit/UIDevice.h"

bool KVNSystemInfo::isPhone4S()
{
    return UIDevice::currentDevice()->machineName() == "iPhone4,1";
}
