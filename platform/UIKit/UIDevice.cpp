#include "UIKit/UIDevice.h"

#include <mutex>
#include <sys/utsname.h>

namespace {
std::mutex& overrideMutex()
{
    static std::mutex mutex;
    return mutex;
}
std::optional<std::string>& machineNameOverride()
{
    static std::optional<std::string> value;
    return value;
}
}

std::shared_ptr<UIDevice> UIDevice::currentDevice()
{
    static const auto device = std::make_shared<UIDevice>();
    return device;
}

std::string UIDevice::machineName() const
{
    {
        std::lock_guard lock(overrideMutex());
        if (machineNameOverride())
            return *machineNameOverride();
    }
    struct utsname info {};
    if (uname(&info) != 0)
        return {};
    return std::string(info.machine);
}

void UIDevice::setMachineNameForTesting(const std::optional<std::string>& machineName)
{
    std::lock_guard lock(overrideMutex());
    machineNameOverride() = machineName;
}
