#include "codecs/CodecConsole.h"

#include <cstdarg>
#include <cstdio>
#include <mutex>

namespace {
std::string formatted(const char* format, va_list args)
{
    char line[1024];
    std::vsnprintf(line, sizeof line, format, args);
    return line;
}
}

void CodecConsoleLog(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    const std::string line = formatted(format, args);
    va_end(args);
    static std::mutex outputLock;
    std::lock_guard<std::mutex> hold(outputLock);
    std::fprintf(stderr, "%s\n", line.c_str());
}

std::string CodecFormat(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    std::string line = formatted(format, args);
    va_end(args);
    return line;
}
