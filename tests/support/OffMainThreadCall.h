#pragma once
// Death tests of KVN_ASSERT_MAIN_THREAD: each case calls one main-thread entry point from a
// thread of its own and expects the process to end naming that entry point. Tests that use it
// start with KVN_SKIP_UNLESS_MAIN_THREAD_CHECKED(): builds without the checks skip them.
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#ifdef KVN_CHECK_MAIN_THREAD
#define KVN_SKIP_UNLESS_MAIN_THREAD_CHECKED() static_cast<void>(0)
#else
#define KVN_SKIP_UNLESS_MAIN_THREAD_CHECKED() GTEST_SKIP() << "this build has no main-thread checks"
#endif

struct OffMainThreadCall {
    std::string function; // as the check names it, "Class::operation"
    std::function<void()> call;
};

inline void expectEachToDieOffTheMainThread(const std::vector<OffMainThreadCall>& calls)
{
    // The child re-runs the test binary instead of forking a process that has threads.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    for (const auto& c : calls)
        EXPECT_DEATH(std::thread(c.call).join(), c.function + ".* must be called on the main thread") << c.function;
}
