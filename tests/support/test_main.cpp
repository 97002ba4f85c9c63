// The main of every test executable: the thread that runs the tests is the main thread, the
// one whose run loop carries the main queue and the timers.
#include <gtest/gtest.h>

#if __has_include("Foundation/NSRunLoop.h")
#include "Foundation/NSRunLoop.h"
#define KVN_TEST_MAIN_HAS_RUN_LOOP 1
#endif

int main(int argc, char** argv)
{
#ifdef KVN_TEST_MAIN_HAS_RUN_LOOP
    NSRunLoop::setMainThread();
#endif
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
