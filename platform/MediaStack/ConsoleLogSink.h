#pragma once
// A log sink that writes each line to the process's standard error, prefixed with its level.
// Any thread; lines from different threads are not interleaved.
#include "MediaStack/LogSink.h"

class ConsoleLogSink : public LogSink {
public:
    explicit ConsoleLogSink(LogLevel level) : LogSink(level) { }

    void write(LogLevel level, const std::string& message) override;

    // "DEBUG", "INFO", "WARN", "ERROR", "FATAL".
    static const char* nameOfLevel(LogLevel level);
};
