#include "Private/Helper/KVNSystemInfo.h"

#include <optional>

#include <gtest/gtest.h>

#include "UIKit/UIDevice.h"

namespace {

class KVNSystemInfoTest : public ::testing::Test {
protected:
    void TearDown() override { UIDevice::setMachineNameForTesting(std::nullopt); }
};

TEST_F(KVNSystemInfoTest, IsPhone4SOnlyForItsExactMachineName)
{
    const struct {
        const char* machine;
        bool isPhone4S;
    } cases[] = {
        {"iPhone4,1", true},
        {"iPhone4,2", false},
        {"iPhone14,1", false},
        {"iphone4,1", false},
        {"x86_64", false},
        {"", false},
    };
    for (const auto& c : cases) {
        UIDevice::setMachineNameForTesting(std::string(c.machine));
        EXPECT_EQ(KVNSystemInfo::isPhone4S(), c.isPhone4S) << c.machine;
    }
}

} // namespace
