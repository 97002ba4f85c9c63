#pragma once
// What the harnesses share: the property check, which ends the run as a crash does (libFuzzer
// saves the input, the replay fails), and the main-thread set-up for code that asserts it.
#include <cstdio>
#include <cstdlib>

#include "Foundation/NSRunLoop.h"

#define FUZZ_CHECK(condition)                                                                          \
    do {                                                                                               \
        if (!(condition)) {                                                                            \
            std::fprintf(stderr, "%s:%d: property failed: %s\n", __FILE__, __LINE__, #condition);      \
            std::abort();                                                                              \
        }                                                                                              \
    } while (0)

namespace fuzz {

// The harness's thread is the main thread, as in the app, for code that checks it.
inline void useThisThreadAsMain()
{
    static const bool done = (NSRunLoop::setMainThread(), true);
    (void)done;
}

}
