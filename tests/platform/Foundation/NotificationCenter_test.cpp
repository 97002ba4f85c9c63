// Notification delivery: names, senders, queues and removal.
#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "Foundation/NSNotificationCenter.h"
#include "support/ManualClockFixture.h"

namespace {

class NotificationCenterTest : public ManualClockFixture {
protected:
    void TearDown() override
    {
        for (auto& observer : observers)
            center->removeObserver(observer);
        ManualClockFixture::TearDown();
    }

    std::shared_ptr<NSNotificationObserver> observe(const std::string& name, const void* object, dispatch_queue_t queue,
                                                    std::function<void(const NSNotification&)> block)
    {
        auto observer = center->addObserverForName_object_queue_usingBlock(name, object, std::move(queue), std::move(block));
        observers.push_back(observer);
        return observer;
    }

    std::shared_ptr<NSNotificationCenter> center = NSNotificationCenter::defaultCenter();
    std::vector<std::shared_ptr<NSNotificationObserver>> observers;
};

TEST_F(NotificationCenterTest, DeliversByNameWithSenderAndUserInfo)
{
    int sender = 0;
    std::vector<std::string> seen;
    observe("KVNMessagesUpdated", nullptr, nullptr, [&](const NSNotification& n) {
        seen.push_back(n.name());
        EXPECT_EQ(n.object(), &sender);
        const long* count = NSDictionaryValue<long>(n.userInfo(), "count");
        ASSERT_NE(count, nullptr);
        EXPECT_EQ(*count, 3);
        EXPECT_EQ(NSDictionaryValue<std::string>(n.userInfo(), "count"), nullptr) << "a value of another type reads as absent";
    });
    center->postNotificationName_object_userInfo("SomethingElse", &sender);
    center->postNotificationName_object_userInfo("KVNMessagesUpdated", &sender, {{"count", 3L}});
    EXPECT_EQ(seen, (std::vector<std::string>{"KVNMessagesUpdated"})) << "no queue: delivered synchronously while posting";
}

TEST_F(NotificationCenterTest, AnySenderVersusOneSender)
{
    int first = 0, second = 0;
    int anyCount = 0, firstOnlyCount = 0;
    observe("UIApplicationDidEnterBackgroundNotification", nullptr, nullptr, [&](const NSNotification&) { ++anyCount; });
    observe("UIApplicationDidEnterBackgroundNotification", &first, nullptr, [&](const NSNotification&) { ++firstOnlyCount; });
    center->postNotificationName_object_userInfo("UIApplicationDidEnterBackgroundNotification", &first);
    center->postNotificationName_object_userInfo("UIApplicationDidEnterBackgroundNotification", &second);
    center->postNotificationName_object_userInfo("UIApplicationDidEnterBackgroundNotification");
    EXPECT_EQ(anyCount, 3);
    EXPECT_EQ(firstOnlyCount, 1);
}

TEST_F(NotificationCenterTest, RemovedObserverIsNotCalledAgainNotEvenFromTheSamePost)
{
    int a = 0, b = 0;
    std::shared_ptr<NSNotificationObserver> second;
    observe("n", nullptr, nullptr, [&](const NSNotification&) {
        ++a;
        center->removeObserver(second); // removes the next observer mid-post
    });
    second = observe("n", nullptr, nullptr, [&](const NSNotification&) { ++b; });
    center->postNotificationName_object_userInfo("n");
    center->postNotificationName_object_userInfo("n");
    EXPECT_EQ(a, 2);
    EXPECT_EQ(b, 0);
}

TEST_F(NotificationCenterTest, MainQueueObserverRunsOnTheMainLoopWhenPostedFromAWorker)
{
    std::atomic<bool> posted{false};
    bool onMain = false;
    int calls = 0;
    observe("fromWorker", nullptr, dispatch_get_main_queue(), [&](const NSNotification&) {
        onMain = NSRunLoop::isMainThread();
        ++calls;
    });
    std::thread worker([&] {
        center->postNotificationName_object_userInfo("fromWorker");
        posted = true;
    });
    worker.join();
    EXPECT_EQ(calls, 0) << "delivery waits for the main loop";
    loop->pump();
    EXPECT_EQ(calls, 1);
    EXPECT_TRUE(onMain);
}

TEST_F(NotificationCenterTest, RemovalAlsoCancelsADeliveryAlreadyQueued)
{
    int calls = 0;
    auto observer = observe("queued", nullptr, dispatch_get_main_queue(), [&](const NSNotification&) { ++calls; });
    std::thread([&] { center->postNotificationName_object_userInfo("queued"); }).join();
    center->removeObserver(observer);
    loop->pump();
    EXPECT_EQ(calls, 0);
}

TEST_F(NotificationCenterTest, SelectorRegistrationsAreRemovedByOwnerAndName)
{
    int owner = 0;
    int resign = 0, active = 0;
    center->addObserver_selector_name_object(&owner, [&](const NSNotification&) { ++resign; }, "UIApplicationWillResignActiveNotification", nullptr);
    center->addObserver_selector_name_object(&owner, [&](const NSNotification&) { ++active; }, "UIApplicationDidBecomeActiveNotification", nullptr);
    center->removeObserver_name_object(&owner, "UIApplicationWillResignActiveNotification", nullptr);
    center->postNotificationName_object_userInfo("UIApplicationWillResignActiveNotification");
    center->postNotificationName_object_userInfo("UIApplicationDidBecomeActiveNotification");
    EXPECT_EQ(resign, 0);
    EXPECT_EQ(active, 1);
    center->removeObserver(static_cast<const void*>(&owner));
    center->postNotificationName_object_userInfo("UIApplicationDidBecomeActiveNotification");
    EXPECT_EQ(active, 1);
}

} // namespace
