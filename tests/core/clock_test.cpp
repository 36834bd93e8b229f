#include "core/clock.h"

#include <gtest/gtest.h>

#include <thread>

namespace kyv {
namespace {

class ClockTest : public ::testing::Test {
protected:
    void SetUp() override { saved_ = timeScale(); clearStopRequest(); }
    void TearDown() override { setTimeScale(saved_); clearStopRequest(); }
    double saved_ = 1.0;
};

TEST_F(ClockTest, ScaleMultipliesProtocolDurations)
{
    setTimeScale(0.01);
    EXPECT_EQ(scaled(ProtocolMs{1000}), std::chrono::milliseconds{10});
    EXPECT_EQ(scaled(ProtocolMs{0}), RealNs{0});
    setTimeScale(-1.0); // refused: the scale stays
    EXPECT_EQ(scaled(ProtocolMs{1000}), std::chrono::milliseconds{10});
}

TEST_F(ClockTest, SleepLastsTheScaledTime)
{
    setTimeScale(0.001);
    auto start = now();
    EXPECT_TRUE(sleepFor(ProtocolMs{20000})); // 20 s of protocol time, 20 ms real
    auto took = now() - start;
    EXPECT_GE(took, std::chrono::milliseconds{20});
    EXPECT_LT(took, std::chrono::seconds{2});
}

TEST_F(ClockTest, DeadlineRunsOutAndNeverPollsZeroEarly)
{
    setTimeScale(0.001);
    Deadline deadline(ProtocolMs{10000}); // 10 ms real
    EXPECT_FALSE(deadline.expired());
    EXPECT_GE(deadline.remainingPollMs(), 1);
    sleepFor(ProtocolMs{15000});
    EXPECT_TRUE(deadline.expired());
    EXPECT_EQ(deadline.remainingPollMs(), 0);
}

TEST_F(ClockTest, StopRequestWakesASleeper)
{
    setTimeScale(1.0);
    auto start = now();
    std::thread stopper([] {
        std::this_thread::sleep_for(std::chrono::milliseconds{20});
        requestStop();
    });
    EXPECT_FALSE(sleepFor(ProtocolMs{60000}));
    stopper.join();
    EXPECT_LT(now() - start, std::chrono::seconds{5});
    EXPECT_FALSE(sleepFor(ProtocolMs{60000})) << "a stop stays requested until cleared";
}

} // namespace
} // namespace kyv
