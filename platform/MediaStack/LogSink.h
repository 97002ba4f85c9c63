#pragma once
// Where the media stack's log lines end up. A sink has a level: lines below it are not
// written. The levels keep the stack's numbering (DEBUG 1 ... NONE 6); a sink at NONE
// writes nothing.
// Sinks are called from any media-stack thread; an implementation serialises its own output.
#include <string>

enum class LogLevel : int {
    Debug = 1,
    Info = 2,
    Warn = 3,
    Error = 4,
    Fatal = 5,
    None = 6,
};

class LogSink {
public:
    explicit LogSink(LogLevel level) : m_level(level) { }
    virtual ~LogSink() = default;

    LogLevel level() const { return m_level; }

    // Whether a line of this level passes the sink's level.
    bool accepts(LogLevel level) const
    {
        return level != LogLevel::None && m_level != LogLevel::None && static_cast<int>(level) >= static_cast<int>(m_level);
    }

    // Called only for lines that pass the level.
    virtual void write(LogLevel level, const std::string& message) = 0;

private:
    const LogLevel m_level;
};
