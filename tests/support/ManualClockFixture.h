#pragma once
// A test fixture on the main run loop with a manual clock: time moves only through
// clock->advance(...) (or runFor), so timers, delays and animations fire in steps, never by
// sleeping. Each test starts with a fresh clock at 0, no pending main-queue work, no timers,
// no locale or bundle overrides and its own user-defaults file in its own temporary folder;
// at teardown pending main-queue work runs, leftover timers are cancelled and all of that
// is undone, so tests cannot leak into each other.
#include <atomic>
#include <filesystem>
#include <memory>
#include <string>

#include <gtest/gtest.h>
#include <unistd.h>

#include "Foundation/NSBundle.h"
#include "Foundation/NSLocale.h"
#include "Foundation/NSRunLoop.h"
#include "Foundation/NSUserDefaults.h"
#include "Foundation/RunLoopClock.h"

class ManualClockFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        loop = NSRunLoop::mainRunLoop();
        loop->discardPendingBlocks();
        loop->cancelAllTimers();
        clock = std::make_shared<ManualClock>();
        loop->setClock(clock);
        resetOverrides();
        static std::atomic<int> serial{0};
        m_tempDirectory = std::filesystem::temp_directory_path() /
                          ("kvn-test-" + std::to_string(::getpid()) + "-" + std::to_string(serial++));
        std::filesystem::remove_all(m_tempDirectory);
        std::filesystem::create_directories(m_tempDirectory);
        NSUserDefaults::setStorePath((m_tempDirectory / "defaults.json").string());
    }

    void TearDown() override
    {
        loop->pump();
        loop->cancelAllTimers();
        loop->discardPendingBlocks();
        loop->setClock(std::make_shared<MonotonicClock>());
        resetOverrides();
        std::error_code ec;
        std::filesystem::remove_all(m_tempDirectory, ec);
    }

    // Advances the clock, firing every timer that falls due on the way.
    void runFor(double seconds) { clock->advance(seconds); }
    // A folder of this test's own, removed at teardown.
    const std::filesystem::path& tempDirectory() const { return m_tempDirectory; }

    std::shared_ptr<NSRunLoop> loop;
    std::shared_ptr<ManualClock> clock;

private:
    static void resetOverrides()
    {
        NSLocale::resetOverrides();
        NSBundle::resetMainBundle();
        NSUserDefaults::resetStandardUserDefaults();
    }

    std::filesystem::path m_tempDirectory;
};
