#include "MediaStack/ConsoleLogSink.h"

#include <cstdio>
#include <mutex>

const char* ConsoleLogSink::nameOfLevel(LogLevel level)
{
    switch (level) {
    case LogLevel::Debug: return "DEBUG";
    case LogLevel::Info: return "INFO";
    case LogLevel::Warn: return "WARN";
    case LogLevel::Error: return "ERROR";
    case LogLevel::Fatal: return "FATAL";
    case LogLevel::None: break;
    }
    return "NONE";
}

void ConsoleLogSink::write(LogLevel level, const std::string& message)
{
    static std::mutex outputLock;
    std::lock_guard<std::mutex> hold(outputLock);
    std::fprintf(stderr, "MediaStack [%s] %s\n", nameOfLevel(level), message.c_str());
}
