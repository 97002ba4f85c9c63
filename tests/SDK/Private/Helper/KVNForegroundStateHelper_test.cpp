#include "Private/Helper/KVNForegroundStateHelper.h"

#include <memory>
#include <string>
#include <vector>

#include "Foundation/NSNotificationCenter.h"
#include "UIKit/UIApplication.h"
#include "support/ManualClockFixture.h"

namespace {

// Records what it is told, with the helper's state at that moment.
class RecordingDelegate : public KVNForegroundStateDelegate {
public:
    explicit RecordingDelegate(const KVNForegroundStateHelper* helper) : m_helper(helper) {}
    void willEnterForeground() override { calls.push_back(std::string("foreground, was ") + state()); }
    void didEnterBackground() override { calls.push_back(std::string("background, was ") + state()); }
    std::vector<std::string> calls;

private:
    const char* state() const { return m_helper->isInForeground() ? "in front" : "behind"; }
    const KVNForegroundStateHelper* m_helper;
};

class KVNForegroundStateHelperTest : public ManualClockFixture {
protected:
    void SetUp() override
    {
        ManualClockFixture::SetUp();
        UIApplication::sharedApplication()->resetForTesting();
        helper = std::make_shared<KVNForegroundStateHelper>();
        helper->init();
        delegate = std::make_shared<RecordingDelegate>(helper.get());
        helper->setDelegate(delegate);
    }
    void TearDown() override
    {
        UIApplication::sharedApplication()->resetForTesting();
        ManualClockFixture::TearDown();
    }
    static void post(const std::string& name)
    {
        NSNotificationCenter::defaultCenter()->postNotificationName_object_userInfo(name, nullptr);
    }

    std::shared_ptr<KVNForegroundStateHelper> helper;
    std::shared_ptr<RecordingDelegate> delegate;
};

TEST_F(KVNForegroundStateHelperTest, TellsTheDelegateBeforeChangingState)
{
    EXPECT_TRUE(helper->isInForeground());
    helper->registerForNotifications();
    UIApplication::sharedApplication()->simulateEnterBackground();
    EXPECT_FALSE(helper->isInForeground());
    UIApplication::sharedApplication()->simulateEnterForeground();
    EXPECT_TRUE(helper->isInForeground());
    EXPECT_EQ(delegate->calls, (std::vector<std::string>{"background, was in front", "foreground, was behind"}));
}

TEST_F(KVNForegroundStateHelperTest, HearsAnySenderOnlyWhileRegistered)
{
    int sender = 0;
    post(UIApplicationDidEnterBackgroundNotification);
    EXPECT_TRUE(helper->isInForeground()) << "not registered yet";

    helper->registerForNotifications();
    helper->registerForNotifications();
    NSNotificationCenter::defaultCenter()->postNotificationName_object_userInfo(UIApplicationDidEnterBackgroundNotification, &sender);
    EXPECT_FALSE(helper->isInForeground());
    EXPECT_EQ(delegate->calls.size(), 1u) << "registering twice must not report twice";

    helper->unregisterFromNotifications();
    post(UIApplicationWillEnterForegroundNotification);
    EXPECT_FALSE(helper->isInForeground());
    EXPECT_EQ(delegate->calls.size(), 1u);
}

TEST_F(KVNForegroundStateHelperTest, WorksWithoutDelegateAndAfterRelease)
{
    helper->registerForNotifications();
    delegate.reset();
    post(UIApplicationDidEnterBackgroundNotification);
    EXPECT_FALSE(helper->isInForeground());
    helper.reset();
    post(UIApplicationWillEnterForegroundNotification); // must not reach the released helper
}

} // namespace
