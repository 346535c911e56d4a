#include "app/fps_timer.h"
#include "platform/manual_clock.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace quorva {
namespace {

// Sleeps and spins by moving the manual clock, and records what the timer asked for.
class ClockSleeper final : public Sleeper {
public:
    explicit ClockSleeper(ManualClock& clock) : clock_(clock) {}
    void sleepMs(uint32_t ms) override
    {
        sleeps.push_back(ms);
        clock_.advance(ms);
    }
    void spinPause() override
    {
        ++spins;
        clock_.advance(1);
    }

    std::vector<uint32_t> sleeps;
    int spins = 0;

private:
    ManualClock& clock_;
};

TEST(FpsTimer, PacesToTheLimitSleepingMostOfTheWaitAndSpinningTheRest)
{
    ManualClock clock(1000);
    ClockSleeper sleeper(clock);
    FpsTimer timer(clock, sleeper);
    ASSERT_TRUE(timer.start());
    EXPECT_DOUBLE_EQ(timer.measuredFps(), 0.0);

    // Next deadline 16.67 ms after start: the frame ends at the first ms past it.
    timer.frame();
    EXPECT_EQ(clock.nowMs(), 1017u);
    EXPECT_NEAR(timer.deadline(), 1000.0 / 60.0, 1e-9);
    ASSERT_EQ(sleeper.sleeps.size(), 1u);
    EXPECT_EQ(sleeper.sleeps[0], 15u);
    EXPECT_EQ(sleeper.spins, 2);
    EXPECT_NEAR(timer.frameFactor(), 17 * 0.06, 1e-9);
    EXPECT_FLOAT_EQ(timer.frameFactorF(), static_cast<float>(17 * 0.06));
    // One 17 ms frame and 59 frames of 1/60 s.
    EXPECT_NEAR(timer.measuredFps(), 60.0 / (0.017 + 59.0 / 60.0), 1e-9);

    // Deadlines advance by exactly 1000/60 ms, so the long-run rate is exact.
    for (int i = 0; i < 59; ++i) {
        timer.frame();
    }
    EXPECT_NEAR(timer.deadline(), 1000.0, 1e-6);
    EXPECT_GE(clock.nowMs(), 2000u);
    EXPECT_LE(clock.nowMs(), 2001u);
    EXPECT_NEAR(timer.measuredFps(), 60.0, 0.1);

    // A frame that is already late does not wait at all.
    sleeper.sleeps.clear();
    sleeper.spins = 0;
    clock.advance(50);
    timer.frame();
    EXPECT_TRUE(sleeper.sleeps.empty());
    EXPECT_EQ(sleeper.spins, 0);
}

TEST(FpsTimer, StallResetsTheDeadlineAndReportsOneFrame)
{
    ManualClock clock(500);
    ClockSleeper sleeper(clock);
    FpsTimer timer(clock, sleeper);
    timer.start();
    timer.frame();
    clock.advance(250);
    timer.frame();
    EXPECT_DOUBLE_EQ(timer.frameFactor(), 1.0);
    EXPECT_DOUBLE_EQ(timer.deadline(), 267.0);
    // The ring still records the real length of the stalled frame.
    EXPECT_NEAR(timer.measuredFps(), 60.0 / (0.017 + 0.25 + 58.0 / 60.0), 1e-9);

    // Pacing resumes from the new deadline.
    timer.frame();
    EXPECT_EQ(clock.nowMs(), 500u + 267u + 17u);
}

TEST(FpsTimer, NoLimitNeverWaitsAndDeadlineFollowsTheClock)
{
    ManualClock clock(0);
    ClockSleeper sleeper(clock);
    FpsTimer timer(clock, sleeper);
    timer.setLimit(0.0);
    timer.start();
    for (int i = 0; i < 5; ++i) {
        clock.advance(4);
        timer.frame();
        EXPECT_DOUBLE_EQ(timer.deadline(), 4.0 * (i + 1));
        EXPECT_NEAR(timer.frameFactor(), 4 * 0.06, 1e-12);
    }
    EXPECT_TRUE(sleeper.sleeps.empty());
    EXPECT_EQ(sleeper.spins, 0);
    // A ring of frames all shorter than the clock's millisecond does not make the rate
    // infinite: the last measured rate stands.
    for (int i = 0; i < 60; ++i) {
        timer.frame();
        EXPECT_TRUE(std::isfinite(timer.measuredFps()));
        EXPECT_GT(timer.measuredFps(), 0.0);
    }
}

TEST(FpsTimer, SurvivesTheWrapOfTheMillisecondClock)
{
    ManualClock clock(0xFFFFFFF0u);
    ClockSleeper sleeper(clock);
    FpsTimer timer(clock, sleeper);
    timer.start();
    for (int i = 0; i < 3; ++i) {
        timer.frame();
    }
    EXPECT_EQ(clock.nowMs(), 0xFFFFFFF0u + 51u);
    EXPECT_NEAR(timer.frameFactor(), 17 * 0.06, 1e-9);
    EXPECT_NEAR(timer.deadline(), 50.0, 1e-9);
}

TEST(FpsTimer, HigherLimitShortensTheFrame)
{
    ManualClock clock(0);
    ClockSleeper sleeper(clock);
    FpsTimer timer(clock, sleeper);
    timer.setLimit(120.0);
    timer.start();
    for (int i = 0; i < 120; ++i) {
        timer.frame();
    }
    EXPECT_GE(clock.nowMs(), 1000u);
    EXPECT_LE(clock.nowMs(), 1001u);
    EXPECT_NEAR(timer.measuredFps(), 120.0, 1.0);
}

}  // namespace
}  // namespace quorva
