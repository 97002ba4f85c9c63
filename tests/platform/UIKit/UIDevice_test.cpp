#include <gtest/gtest.h>

#include <sys/utsname.h>

#include "UIKit/UIDevice.h"

TEST(UIDeviceTest, MachineNameComesFromUnameUnlessOverridden)
{
    struct utsname info {};
    ASSERT_EQ(uname(&info), 0);
    auto device = UIDevice::currentDevice();
    EXPECT_EQ(device->machineName(), info.machine);

    UIDevice::setMachineNameForTesting("iPhone4,1");
    EXPECT_EQ(UIDevice::currentDevice()->machineName(), "iPhone4,1");
    UIDevice::setMachineNameForTesting(std::nullopt);
    EXPECT_EQ(device->machineName(), info.machine);
}

TEST(UIDeviceTest, SystemVersionIsSettable)
{
    auto device = UIDevice::currentDevice();
    EXPECT_EQ(device->systemVersion(), "12.0");
    device->setSystemVersionForTesting("9.3");
    EXPECT_EQ(device->systemVersion(), "9.3");
    device->setSystemVersionForTesting("12.0");
}
