#pragma once
// The media stack's log facade: one process-wide sink, set by the app at start-up, receives
// every line the stack and its codecs write. Without a sink nothing is written.
// Any thread: the sink is swapped atomically, and a line goes to the sink that was set when
// it was written.
#include <memory>
#include <string>

#include "MediaStack/LogSink.h"

class MediaStackLog {
public:
    static void setSink(std::shared_ptr<LogSink> sink);
    static std::shared_ptr<LogSink> sink();

    // Whether a line of this level would be written; lets callers skip formatting.
    static bool isEnabled(LogLevel level);

    static void write(LogLevel level, const std::string& message);
    static void debug(const std::string& message) { write(LogLevel::Debug, message); }
    static void info(const std::string& message) { write(LogLevel::Info, message); }
    static void warn(const std::string& message) { write(LogLevel::Warn, message); }
    static void error(const std::string& message) { write(LogLevel::Error, message); }
    static void fatal(const std::string& message) { write(LogLevel::Fatal, message); }
};
