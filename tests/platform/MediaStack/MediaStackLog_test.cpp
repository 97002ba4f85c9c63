#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "MediaStack/ConsoleLogSink.h"
#include "MediaStack/MediaStackLog.h"

namespace {
class RecordingSink : public LogSink {
public:
    using LogSink::LogSink;
    void write(LogLevel level, const std::string& message) override { lines.emplace_back(level, message); }
    std::vector<std::pair<LogLevel, std::string>> lines;
};

class MediaStackLogTest : public ::testing::Test {
protected:
    void TearDown() override { MediaStackLog::setSink(nullptr); }
};
}

TEST_F(MediaStackLogTest, SinkLevelFiltersLines)
{
    struct Case {
        LogLevel sinkLevel;
        std::vector<LogLevel> written;
    };
    const Case cases[] = {
        { LogLevel::Debug, { LogLevel::Debug, LogLevel::Info, LogLevel::Warn, LogLevel::Error, LogLevel::Fatal } },
        { LogLevel::Info, { LogLevel::Info, LogLevel::Warn, LogLevel::Error, LogLevel::Fatal } },
        { LogLevel::Error, { LogLevel::Error, LogLevel::Fatal } },
        { LogLevel::None, {} },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.sinkLevel));
        auto sink = std::make_shared<RecordingSink>(c.sinkLevel);
        MediaStackLog::setSink(sink);
        MediaStackLog::debug("d");
        MediaStackLog::info("i");
        MediaStackLog::warn("w");
        MediaStackLog::error("e");
        MediaStackLog::fatal("f");
        std::vector<LogLevel> written;
        for (const auto& line : sink->lines) {
            written.push_back(line.first);
        }
        EXPECT_EQ(written, c.written);
        EXPECT_EQ(MediaStackLog::isEnabled(LogLevel::Debug), c.sinkLevel == LogLevel::Debug);
    }
}

TEST_F(MediaStackLogTest, WithoutSinkNothingIsWrittenAndLevelsKeepTheirNumbers)
{
    MediaStackLog::setSink(nullptr);
    EXPECT_FALSE(MediaStackLog::isEnabled(LogLevel::Fatal));
    MediaStackLog::fatal("goes nowhere");

    EXPECT_EQ(static_cast<int>(LogLevel::Debug), 1);
    EXPECT_EQ(static_cast<int>(LogLevel::Error), 4);
    EXPECT_EQ(static_cast<int>(LogLevel::None), 6);
    EXPECT_STREQ(ConsoleLogSink::nameOfLevel(LogLevel::Warn), "WARN");
    ConsoleLogSink console(LogLevel::Error);
    EXPECT_EQ(console.level(), LogLevel::Error);
    EXPECT_FALSE(console.accepts(LogLevel::Warn));
}
