// The main-thread check: silent on the main thread and in work brought back to it, fatal and
// named anywhere else.
#include <gtest/gtest.h>

#include <memory>
#include <thread>

#include "Foundation/BindToMainQueue.h"
#include "Foundation/MainThreadChecker.h"
#include "support/ManualClockFixture.h"
#include "support/OffMainThreadCall.h"

namespace {

struct Counter {
    void increment()
    {
        KVN_ASSERT_MAIN_THREAD();
        ++value;
    }
    int value = 0;
};

class MainThreadCheckerTest : public ManualClockFixture {};

TEST_F(MainThreadCheckerTest, PassesOnTheMainThreadAndInWorkAWorkerBringsBack)
{
    auto counter = std::make_shared<Counter>();
    counter->increment();
    std::thread([weak = std::weak_ptr<Counter>(counter)] { kvn::postToMainQueue(weak, [](Counter& c) { c.increment(); }); }).join();
    loop->pump();
    EXPECT_EQ(counter->value, 2);
}

TEST_F(MainThreadCheckerTest, AbortsNamingTheOperationOnAnyOtherThread)
{
    KVN_SKIP_UNLESS_MAIN_THREAD_CHECKED();
    auto counter = std::make_shared<Counter>();
    expectEachToDieOffTheMainThread({{"Counter::increment", [counter] { counter->increment(); }}});
}

} // namespace
