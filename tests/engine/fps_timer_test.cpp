// Frame pacing against a settable clock: sleep lengths, the 16/17 ms cadence, lag and forgiveness.
#include <gtest/gtest.h>
#include <mmsystem.h>

#include "engine/util/FPSTimer.h"

namespace {

DWORD g_now = 1000;
DWORD g_slept = 0;
DWORD Now() { return g_now; }
void Advance(DWORD ms) {
    g_now += ms;
    g_slept += ms;
}

class FPSTimerTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_now = 1000;
        g_slept = 0;
        win32::hooks::SetClock(Now, Advance);
    }
    void TearDown() override { win32::hooks::SetClock(nullptr, nullptr); }
};

TEST_F(FPSTimerTest, QuickFramesSleepToTheCadenceAnd60FramesTake999ms) {
    CFPSTimer timer;
    DWORD start = g_now;
    std::vector<DWORD> lengths;
    for (int i = 0; i < 60; ++i) {
        DWORD before = g_now;
        g_now += 5;  // The frame's own work.
        timer.Wait();
        lengths.push_back(g_now - before);
        EXPECT_FALSE(timer.IsLagging());
    }
    EXPECT_EQ(g_now - start, 999u);
    EXPECT_EQ((std::vector<DWORD>{16, 17, 16, 17, 17, 16}), std::vector<DWORD>(lengths.begin(), lengths.begin() + 6));
}

TEST_F(FPSTimerTest, LongFrameLagsUntilTheBacklogIsGone) {
    CFPSTimer timer;
    g_now += 120;
    timer.Wait();
    EXPECT_TRUE(timer.IsLagging());
    // Quick frames then run without sleeping and clear the flag before the loop is on time again.
    int lagging = 0;
    DWORD slept = g_slept;
    for (int i = 0; i < 5 && g_slept == slept; ++i) {
        g_now += 1;
        timer.Wait();
        lagging += timer.IsLagging();
    }
    EXPECT_FALSE(timer.IsLagging());
    EXPECT_EQ(lagging, 3);
    EXPECT_EQ(g_slept, slept);
}

TEST_F(FPSTimerTest, StallOfAQuarterSecondIsForgiven) {
    CFPSTimer timer;
    g_now += 80;
    timer.Wait();
    ASSERT_TRUE(timer.IsLagging());
    g_now += 300;
    timer.Wait();
    EXPECT_FALSE(timer.IsLagging());
    // The schedule restarted from now: a quick frame sleeps again.
    DWORD slept = g_slept;
    g_now += 2;
    timer.Wait();
    EXPECT_GT(g_slept, slept);
}

TEST_F(FPSTimerTest, ZeroRateNeverSleeps) {
    CFPSTimer timer(0, 0);
    timer.Wait();
    EXPECT_EQ(g_slept, 0u);
}

}  // namespace
