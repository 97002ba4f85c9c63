#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "Foundation/NSCache.h"

namespace {

std::shared_ptr<int> boxed(int value) { return std::make_shared<int>(value); }

} // namespace

TEST(NSCacheTest, CountLimitLetsTheLeastRecentlyUsedGo)
{
    NSCache<int> cache;
    cache.setCountLimit(2);
    cache.setObject_forKey(boxed(1), "a");
    cache.setObject_forKey(boxed(2), "b");
    EXPECT_EQ(*cache.objectForKey("a"), 1); // a is now the most recent
    cache.setObject_forKey(boxed(3), "c");
    EXPECT_EQ(cache.objectForKey("b"), nullptr);
    EXPECT_EQ(*cache.objectForKey("a"), 1);
    EXPECT_EQ(*cache.objectForKey("c"), 3);

    cache.setObject_forKey(boxed(4), "a"); // replacing keeps one entry
    EXPECT_EQ(cache.count(), 2u);
    EXPECT_EQ(*cache.objectForKey("a"), 4);
    cache.setObject_forKey(nullptr, "a");
    EXPECT_EQ(cache.objectForKey("a"), nullptr);
    cache.setCountLimit(0); // no limit
    for (int i = 0; i < 50; ++i)
        cache.setObject_forKey(boxed(i), std::to_string(i));
    EXPECT_EQ(cache.count(), 51u);
    cache.setCountLimit(5);
    EXPECT_EQ(cache.count(), 5u) << "a lower limit applies at once";
    EXPECT_NE(cache.objectForKey("49"), nullptr);
    cache.removeObjectForKey("49");
    cache.removeAllObjects();
    EXPECT_EQ(cache.count(), 0u);
}

TEST(NSCacheTest, CostLimit)
{
    NSCache<int> cache;
    cache.setTotalCostLimit(10);
    cache.setObject_forKey_cost(boxed(1), "a", 4);
    cache.setObject_forKey_cost(boxed(2), "b", 4);
    cache.setObject_forKey_cost(boxed(3), "c", 4);
    EXPECT_EQ(cache.objectForKey("a"), nullptr);
    EXPECT_NE(cache.objectForKey("b"), nullptr);
    cache.setObject_forKey_cost(boxed(4), "huge", 11);
    EXPECT_EQ(cache.count(), 0u) << "an entry beyond the whole limit is not kept";
}

TEST(NSCacheTest, SharedBetweenThreads)
{
    NSCache<int> cache;
    cache.setCountLimit(8);
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&cache, t] {
            for (int i = 0; i < 2000; ++i) {
                auto key = std::to_string((i * 7 + t) % 20);
                cache.setObject_forKey(boxed(i), key);
                if (auto hit = cache.objectForKey(std::to_string(i % 20))) {
                    EXPECT_GE(*hit, 0);
                }
                if (i % 50 == 0)
                    cache.removeObjectForKey(key);
            }
        });
    for (auto& thread : threads)
        thread.join();
    EXPECT_LE(cache.count(), 8u);
}
