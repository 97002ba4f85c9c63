#pragma once
// The UIKit layer's console output: the warnings the platform prints for misuse it
// tolerates (presenting twice, adding a view to itself, ...) and the URLs a headless
// machine cannot open. printf-style; one console line each, through NSLog's console.
// Any thread.
#include <cstdarg>
#include <cstdio>
#include <string>

#include "Foundation/NSLog.h"

#if defined(__GNUC__)
__attribute__((format(printf, 1, 2)))
#endif
inline void UIKitLog(const char* format, ...)
{
    char buffer[1024];
    va_list args;
    va_start(args, format);
    std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    NSLogMessage(std::string("UIKit: ") + buffer);
}
