#include <gtest/gtest.h>

#include <cstdint>

#include "Private/Helper/IdentTimer.h"

namespace {

class IdentTimerTest : public testing::Test {
protected:
    void SetUp() override
    {
        IdentTimerSetTickSourceForTesting([this] { return ticks; });
    }
    void TearDown() override { IdentTimerSetTickSourceForTesting(nullptr); }

    uint64_t ticks = 0;
};

} // namespace

TEST_F(IdentTimerTest, StopComputesSecondsAndHundredthsFromTheStart)
{
    IdentTimer timer;
    IdentTimerInit(&timer);
    EXPECT_EQ(timer.m_timeBaseInfo.numer, 1u);
    EXPECT_EQ(timer.m_timeBaseInfo.denom, 1u);

    ticks = 7'000'000'000ull;
    IdentTimerStart(&timer);
    EXPECT_EQ(timer.t0, 7'000'000'000ull);

    ticks += 2'500'000'000ull;
    IdentTimerStop(&timer);
    EXPECT_EQ(timer.t1, 9'500'000'000ull);
    EXPECT_DOUBLE_EQ(timer.m_elapsed, 2.5);
    EXPECT_EQ(timer.m_seconds, 2);
    EXPECT_EQ(timer.m_millis, 250); // hundredths, not thousandths

    // A second stop measures again from the same start.
    ticks += 1'009'000'000ull;
    IdentTimerStop(&timer);
    EXPECT_EQ(timer.t0, 7'000'000'000ull);
    EXPECT_EQ(timer.m_seconds, 3);
    EXPECT_EQ(timer.m_millis, 350); // 3.509 s truncated
}

TEST_F(IdentTimerTest, StartClearsTheLastMeasurement)
{
    IdentTimer timer;
    IdentTimerInit(&timer);
    IdentTimerStart(&timer);
    ticks = 4'000'000'000ull;
    IdentTimerStop(&timer);
    ASSERT_EQ(timer.m_seconds, 4);

    ticks = 5'000'000'000ull;
    IdentTimerStart(&timer);
    EXPECT_EQ(timer.t0, 5'000'000'000ull);
    EXPECT_EQ(timer.t1, 0u);
    EXPECT_EQ(timer.m_elapsed, 0.0);
    EXPECT_EQ(timer.m_seconds, 0);
    EXPECT_EQ(timer.m_millis, 0);
}

TEST_F(IdentTimerTest, TimebaseScalesTicksAndOddRecordsDoNotFault)
{
    // A counter of 41.666... ns per tick (numer 125, denom 3): 60 million ticks are 2.5 s.
    IdentTimer timer;
    timer.m_timeBaseInfo = {125, 3};
    IdentTimerStart(&timer);
    ticks = 60'000'000ull;
    IdentTimerStop(&timer);
    EXPECT_DOUBLE_EQ(timer.m_elapsed, 2.5);
    EXPECT_EQ(timer.m_millis, 250);

    // Never initialised: no division by zero, ticks taken as nanoseconds.
    IdentTimer uninitialised;
    ticks = 0;
    IdentTimerStart(&uninitialised);
    ticks = 1'500'000'000ull;
    IdentTimerStop(&uninitialised);
    EXPECT_DOUBLE_EQ(uninitialised.m_elapsed, 1.5);

    // A counter that went backwards wraps as an unsigned difference; the integer fields
    // saturate instead of overflowing.
    IdentTimer backwards;
    IdentTimerInit(&backwards);
    ticks = 10;
    IdentTimerStart(&backwards);
    ticks = 5;
    IdentTimerStop(&backwards);
    EXPECT_GT(backwards.m_elapsed, 1e10);
    EXPECT_EQ(backwards.m_seconds, INT32_MAX);
    EXPECT_EQ(backwards.m_millis, INT32_MAX);

    // The system counter runs forward.
    IdentTimerSetTickSourceForTesting(nullptr);
    IdentTimer real;
    IdentTimerInit(&real);
    IdentTimerStart(&real);
    IdentTimerStop(&real);
    EXPECT_GE(real.t1, real.t0);
    EXPECT_GE(real.m_elapsed, 0.0);
}
