// The main of every test executable: the thread that runs the tests is the main thread, the
// one whose run loop carries the main queue and the timers.
#include <gtest/gtest.h>

#include "Foundation/NSRunLoop.h"

int main(int argc, char** argv)
{
    NSRunLoop::setMainThread();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
