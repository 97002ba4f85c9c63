#include "Foundation/MainThreadChecker.h"

#include <cstdio>
#include <cstdlib>

#include "Foundation/NSRunLoop.h"

void kvn::assertMainThread(const char* function)
{
    if (NSRunLoop::isMainThread())
        return;
    std::fprintf(stderr, "%s must be called on the main thread\n", function);
    std::fflush(stderr);
    std::abort();
}
