#include "MediaStack/MediaStackLog.h"

#include <atomic>

namespace {
std::atomic<std::shared_ptr<LogSink>>& currentSink()
{
    static std::atomic<std::shared_ptr<LogSink>> sink;
    return sink;
}
}

void MediaStackLog::setSink(std::shared_ptr<LogSink> sink) { currentSink().store(std::move(sink)); }

std::shared_ptr<LogSink> MediaStackLog::sink() { return currentSink().load(); }

bool MediaStackLog::isEnabled(LogLevel level)
{
    auto sink = currentSink().load();
    return sink && sink->accepts(level);
}

void MediaStackLog::write(LogLevel level, const std::string& message)
{
    auto sink = currentSink().load();
    if (sink && sink->accepts(level)) {
        sink->write(level, message);
    }
}
