#include "Private/Helper/KVNHelper.h"

#include <string>
#include <vector>

#include "UIKit/UIApplication.h"
#include "UIKit/UIDevice.h"
#include "support/ManualClockFixture.h"

namespace {

class KVNHelperTest : public ManualClockFixture {
protected:
    void SetUp() override
    {
        ManualClockFixture::SetUp();
        UIApplication::sharedApplication()->resetForTesting();
    }
    void TearDown() override
    {
        UIDevice::currentDevice()->setSystemVersionForTesting("12.0");
        UIApplication::sharedApplication()->resetForTesting();
        ManualClockFixture::TearDown();
    }
};

TEST_F(KVNHelperTest, OpensTheUrlOnNewAndOldSystems)
{
    for (const char* version : {"12.0", "10.0", "9.3.5"}) {
        UIApplication::sharedApplication()->resetForTesting();
        UIDevice::currentDevice()->setSystemVersionForTesting(version);
        KVNHelper::openUrlCompat("https://example.org/terms");
        loop->pump();
        EXPECT_EQ(UIApplication::sharedApplication()->openedURLs(), std::vector<std::string>{"https://example.org/terms"}) << version;
    }
}

TEST_F(KVNHelperTest, AnUrlThatCannotBeOpenedIsNotOpened)
{
    KVNHelper::openUrlCompat("not a url");
    loop->pump();
    EXPECT_TRUE(UIApplication::sharedApplication()->openedURLs().empty());
}

} // namespace
