#include "TimingFixture.h"

#include "timing/FrameRate.h"

#include <random>
#include <vector>

namespace
{
// 1000 ms / 60 in 16.16 fixed point.
const DWORD kInterval60 = 1092266;

// The slot grid at 60 per second: the first n budgets add up to the whole
// milliseconds of n intervals, the fraction always being carried.
DWORD SumOfBudgets60(UINT nFrames)
{
    return static_cast<DWORD>((static_cast<unsigned long long>(nFrames) * kInterval60) >> 16);
}
DWORD Budget60(UINT nFrame) { return SumOfBudgets60(nFrame) - SumOfBudgets60(nFrame - 1); }
} // namespace

class FrameRateTest : public TimingTest
{
  protected:
    // The clock reads 1000 before the controller under test is constructed.
    FrameRateTest() : TimingTest(1000) {}

    void Work(DWORD dwMs) { fake.Advance(dwMs); }
    // A frame that reaches Wait dwMs into its slot.
    void Frame(DWORD dwWorkMs)
    {
        Work(dwWorkMs);
        frameRate.Wait();
    }
    void WaitAt(DWORD dwNow)
    {
        ASSERT_LE(Now(), dwNow);
        SetClock(dwNow);
        frameRate.Wait();
    }

    CFrameRate frameRate; // constructed at clock 1000, target 60
};

TEST(GlobalFrameRate, TargetsSixtyFromStartUp)
{
    EXPECT_EQ(60u, g_frameRate.GetFrameRate());
    EXPECT_EQ(kInterval60, g_frameRate.GetInterval());
}

TEST_F(FrameRateTest, SixtyPerSecondGivesBudgetsOf16And17)
{
    EXPECT_EQ(60u, frameRate.GetFrameRate());
    EXPECT_EQ(kInterval60, frameRate.GetInterval());
    EXPECT_EQ(1000u, frameRate.GetSlotStart());

    for (int i = 0; i < 6; ++i)
        Frame(0);
    EXPECT_EQ((std::vector<DWORD>{16, 17, 16, 17, 17, 16}), fake.sleeps);
    EXPECT_EQ(1099u, frameRate.GetSlotStart());
}

TEST_F(FrameRateTest, WorkedSequenceSleepsAndCatchesUpOnTheGrid)
{
    SetClock(0);
    frameRate.SetFrameRate(60);
    SetClock(1000);
    frameRate.SetFrameRate(60);

    struct Step
    {
        DWORD dwWork;
        DWORD dwWaitAt;
        DWORD dwSleep; // 0: no sleep
        DWORD dwSlotStart;
        DWORD dwBusyTotal;
    };
    const Step kSteps[] = {
        {5, 1005, 11, 1016, 5},  // budget 16
        {30, 1046, 0, 1033, 5},  // budget 17, overrun 13
        {5, 1051, 0, 1049, 5},   // budget 16, elapsed 18, overrun 2
        {5, 1056, 10, 1066, 12}, // budget 17, elapsed 7: back on the grid
    };
    int nFrame = 0;
    for (const Step& step : kSteps)
    {
        SCOPED_TRACE(++nFrame);
        const size_t nSleepsBefore = fake.sleeps.size();
        Work(step.dwWork);
        EXPECT_EQ(step.dwWaitAt, Now());
        frameRate.Wait();

        if (step.dwSleep != 0)
        {
            ASSERT_EQ(nSleepsBefore + 1, fake.sleeps.size());
            EXPECT_EQ(step.dwSleep, fake.sleeps.back());
        }
        else
        {
            EXPECT_EQ(nSleepsBefore, fake.sleeps.size());
        }
        EXPECT_EQ(step.dwSleep, frameRate.GetLastSleep());
        EXPECT_EQ(step.dwSlotStart, frameRate.GetSlotStart());
        EXPECT_EQ(step.dwBusyTotal, frameRate.GetBusyTotal());
        EXPECT_FALSE(frameRate.IsLate());
    }
    EXPECT_EQ(1000u + 16 + 17 + 16 + 17, frameRate.GetSlotStart());
    EXPECT_EQ(1066u, Now());
    EXPECT_EQ(4u, frameRate.GetFrameCount());
}

TEST_F(FrameRateTest, OverrunDecidesLatenessAndWhetherTheGridRestarts)
{
    struct Case
    {
        DWORD dwOver;
        bool bLate;
        bool bRestart;
    };
    // The first budget is 16 ms, so three budgets are 48 ms.
    const Case kCases[] = {
        {0, false, false},  {13, false, false}, {47, false, false},    {48, true, false},
        {249, true, false}, {250, false, true}, {100000, false, true},
    };
    for (const Case& c : kCases)
    {
        SCOPED_TRACE(c.dwOver);
        SetClock(1000);
        frameRate.SetFrameRate(60);
        fake.sleeps.clear();

        Frame(16 + c.dwOver);

        EXPECT_EQ(c.bLate, frameRate.IsLate());
        EXPECT_TRUE(fake.sleeps.empty());
        EXPECT_EQ(0u, frameRate.GetLastSleep());
        EXPECT_EQ(0u, frameRate.GetBusyTotal());
        EXPECT_EQ(c.bRestart ? Now() : 1016u, frameRate.GetSlotStart());
    }
}

TEST_F(FrameRateTest, ReadingBeforeTheSlotStartRestartsTheGrid)
{
    SetClock(990); // a coarse clock behind the slot start
    frameRate.Wait();
    EXPECT_TRUE(fake.sleeps.empty());
    EXPECT_FALSE(frameRate.IsLate());
    EXPECT_EQ(990u, frameRate.GetSlotStart());

    Frame(3); // budget 17
    EXPECT_EQ(std::vector<DWORD>{14}, fake.sleeps);
    EXPECT_EQ(1007u, frameRate.GetSlotStart());
}

TEST_F(FrameRateTest, LateFramesAreReportedPerWindowOfTargetFrames)
{
    // At 20 per second every budget is 50 ms; 200 ms of work overruns by 150,
    // exactly three budgets, and the next three frames catch up without being late.
    frameRate.SetFrameRate(20);
    for (UINT nFrame = 1; nFrame <= 61; ++nFrame)
    {
        SCOPED_TRACE(nFrame);
        const bool bLate = nFrame == 3 || nFrame == 9 || nFrame == 21;
        Frame(bLate ? 200 : 0);
        EXPECT_EQ(bLate, frameRate.IsLate());

        // Windows close at Waits 1, 21, 41 and 61; frame 21 counts in the window it opens.
        const int nExpected = nFrame < 21 ? 0 : nFrame < 41 ? 2 : nFrame < 61 ? 1 : 0;
        EXPECT_EQ(nExpected, frameRate.GetLateFrames());
    }
}

TEST_F(FrameRateTest, MeasurementsStartWithTheSixteenthWait)
{
    const DWORD dwFirst = Now();
    for (UINT nFrame = 1; nFrame <= 15; ++nFrame)
    {
        Frame(0);
        EXPECT_EQ(0u, frameRate.GetMeasuredRate());
        EXPECT_EQ(0, frameRate.GetCpuLoad());
    }
    Work(1);
    EXPECT_EQ(dwFirst + 250, Now()); // the 16th reading is 250 ms after the first
    frameRate.Wait();
    EXPECT_EQ(60u, frameRate.GetMeasuredRate()); // (125 + 15000) / 250
    EXPECT_NE(0, frameRate.GetCpuLoad());
}

TEST_F(FrameRateTest, MeasuredRateOverFifteenIntervalsRoundsHalfUp)
{
    struct Case
    {
        DWORD dwSpan;
        UINT nRate;
    };
    // From 248 on, within 0.1 % of a boundary (near 60, in a catch-up): a scale that far off misreads.
    const Case kCases[] = {{250, 60}, {240, 63}, {242, 62}, {300, 50},  {1000, 15}, {2000, 8},
                           {0, 0},    {248, 60}, {252, 60}, {130, 115}, {131, 115}};
    for (const Case& c : kCases)
    {
        SCOPED_TRACE(c.dwSpan);
        SetClock(1000);
        frameRate.SetFrameRate(0); // readings exactly where the test puts them
        for (DWORD k = 0; k < 16; ++k)
            WaitAt(1000 + c.dwSpan * k / 15);
        EXPECT_EQ(c.nRate, frameRate.GetMeasuredRate());
    }
}

TEST_F(FrameRateTest, MeasuredRateSpansTheWholeRingOnceFull)
{
    // Gaps of 30 ms up to the 16th reading and of 20 ms after it: the last 15
    // intervals alone would read 50 at the 32nd.
    frameRate.SetFrameRate(0);
    for (UINT nFrame = 1; nFrame <= 32; ++nFrame)
        Frame(nFrame == 1 ? 0 : nFrame <= 16 ? 30 : 20);
    EXPECT_EQ(40u, frameRate.GetMeasuredRate()); // (385 + 31000) / 770

    // Long after the counter has folded: the last 32 readings are 10 ms apart,
    // the one before them 20 ms earlier.
    for (UINT nFrame = 33; nFrame <= 100; ++nFrame)
        Frame(20);
    for (UINT nFrame = 101; nFrame <= 131; ++nFrame)
        Frame(10);
    EXPECT_EQ(100u, frameRate.GetMeasuredRate()); // (155 + 31000) / 310
    Frame(10);
    EXPECT_EQ(100u, frameRate.GetMeasuredRate());
    Frame(40);
    EXPECT_EQ(91u, frameRate.GetMeasuredRate()); // (170 + 31000) / 340
}

TEST_F(FrameRateTest, CpuLoadIsTheShareOfTheFrameTimeNotSlept)
{
    // Every frame sleeps 10 ms of its budget.
    for (UINT nFrame = 1; nFrame <= 32; ++nFrame)
    {
        Frame(Budget60(nFrame) - 10);
        ASSERT_EQ(10u, Last(fake.sleeps, "Sleep"));
        if (nFrame == 16) // positions 1 to 16 written, position 0 still clear
        {
            EXPECT_EQ(44, frameRate.GetCpuLoad()); // 100 - (150 * 60) / 160
        }
    }
    EXPECT_EQ(40, frameRate.GetCpuLoad()); // 100 - (160 * 60) / 160
}

TEST_F(FrameRateTest, CpuLoadCountsOverrunFramesAsFullyBusy)
{
    for (UINT nFrame = 1; nFrame <= 16; ++nFrame)
        Frame(Budget60(nFrame)); // elapsed equal to the budget: no sleep
    EXPECT_TRUE(fake.sleeps.empty());
    EXPECT_EQ(100, frameRate.GetCpuLoad());
}

TEST_F(FrameRateTest, CpuLoadReadsTheOneStaleSleepUntilTheRingComesRoundAndIsNotClamped)
{
    frameRate.SetFrameRate(10); // 100 ms budgets, slept in full; the 32nd sleep lands at position 0
    for (int i = 0; i < 32; ++i)
        Frame(0);

    // The rings are not cleared: from the 16th to the 31st Wait position 0 still
    // holds the 100 ms, beside the 249 ms slept in the first fifteen budgets.
    frameRate.SetFrameRate(60);
    for (UINT nFrame = 1; nFrame <= 16; ++nFrame)
        Frame(0);
    EXPECT_EQ(-30, frameRate.GetCpuLoad()); // 100 - (349 * 60) / 160, below 0 and left there
    for (UINT nFrame = 17; nFrame <= 32; ++nFrame)
        Frame(0);
    EXPECT_EQ(1, frameRate.GetCpuLoad()); // the 32nd Wait's 17 ms replaced it: 100 - (266 * 60) / 160
}

TEST_F(FrameRateTest, TargetZeroSwitchesPacingOff)
{
    frameRate.SetFrameRate(0);
    EXPECT_EQ(0u, frameRate.GetFrameRate());
    EXPECT_EQ(kInterval60, frameRate.GetInterval()); // nothing divided

    for (int i = 0; i < 20; ++i)
    {
        Frame(i == 2 ? 400 : 5); // the long frame lies before the measured span
        EXPECT_FALSE(frameRate.IsLate());
    }
    EXPECT_TRUE(fake.sleeps.empty());
    EXPECT_EQ(1000u, frameRate.GetSlotStart());
    EXPECT_EQ(0u, frameRate.GetBusyTotal());
    EXPECT_EQ(20u, frameRate.GetFrameCount());
    EXPECT_EQ(200u, frameRate.GetMeasuredRate()); // (37 + 15000) / 75
    EXPECT_EQ(100, frameRate.GetCpuLoad());

    // Pacing resumes from a fresh accumulator.
    frameRate.SetFrameRate(60);
    Frame(0);
    Frame(0);
    EXPECT_EQ((std::vector<DWORD>{16, 17}), fake.sleeps);
}

TEST_F(FrameRateTest, TargetAboveAThousandGivesZeroBudgetsThatNeverSleep)
{
    frameRate.SetFrameRate(2000);
    EXPECT_EQ(32768u, frameRate.GetInterval()); // half a millisecond

    // Budgets alternate 0 and 1 ms. An overrun of 0 is at least three budgets of 0.
    for (int nFrame = 1; nFrame <= 6; ++nFrame)
    {
        SCOPED_TRACE(nFrame);
        const size_t nSleepsBefore = fake.sleeps.size();
        Frame(0);
        const bool bZeroBudget = nFrame % 2 == 1;
        EXPECT_EQ(bZeroBudget, frameRate.IsLate());
        EXPECT_EQ(nSleepsBefore + (bZeroBudget ? 0 : 1), fake.sleeps.size());
    }
    EXPECT_EQ((std::vector<DWORD>{1, 1, 1}), fake.sleeps);
}

TEST_F(FrameRateTest, CountersAndTimingResetOnRequest)
{
    for (UINT nFrame = 1; nFrame <= 20; ++nFrame)
        Frame(5);
    EXPECT_EQ(20u, frameRate.GetFrameCount());
    EXPECT_EQ(100u, frameRate.GetBusyTotal());
    EXPECT_NE(0u, frameRate.GetMeasuredRate());

    frameRate.ResetFrameCount();
    EXPECT_EQ(0u, frameRate.GetFrameCount());
    EXPECT_EQ(100u, frameRate.GetBusyTotal());
    frameRate.ClearBusyTotal();
    EXPECT_EQ(0u, frameRate.GetBusyTotal());

    Work(1000);
    frameRate.ResetTiming();
    EXPECT_EQ(Now(), frameRate.GetSlotStart());
    EXPECT_NE(0u, frameRate.GetMeasuredRate()); // only SetFrameRate restarts the measurements

    frameRate.SetFrameRate(60);
    EXPECT_EQ(0u, frameRate.GetMeasuredRate());
    EXPECT_EQ(0, frameRate.GetCpuLoad());
}

TEST_F(FrameRateTest, BothResetsForgetLatenessAndSetFrameRateAlsoTheBusyTotal)
{
    for (bool bSetFrameRate : {false, true})
    {
        SCOPED_TRACE(bSetFrameRate ? "SetFrameRate" : "ResetTiming");
        // At 20 per second (50 ms budgets) an overrun of 150 to 249 ms is late: one
        // late frame in the first window, which the 21st Wait closes, and that one
        // late again, counted in the next window.
        frameRate.SetFrameRate(20);
        Frame(220);
        for (int i = 0; i < 19; ++i)
            Frame(5);
        Frame(220);
        ASSERT_TRUE(frameRate.IsLate());
        ASSERT_EQ(1, frameRate.GetLateFrames());
        const DWORD dwBusyTotal = frameRate.GetBusyTotal();
        ASSERT_NE(0u, dwBusyTotal);

        bSetFrameRate ? frameRate.SetFrameRate(20) : frameRate.ResetTiming();
        EXPECT_FALSE(frameRate.IsLate());
        EXPECT_EQ(0, frameRate.GetLateFrames());
        EXPECT_EQ(bSetFrameRate ? 0u : dwBusyTotal, frameRate.GetBusyTotal());
        // The late frame counted in the open window is forgotten too: the window
        // closes with none.
        for (int i = 0; i < 20 && frameRate.GetFrameCount() % 20 != 0; ++i)
            Frame(5);
        Frame(5);
        EXPECT_EQ(0, frameRate.GetLateFrames());
    }
}

TEST_F(FrameRateTest, GridSurvivesTheClocksWrapAround)
{
    const DWORD dwSetUp = 0xFFFFFFF0u;
    SetClock(dwSetUp);
    frameRate.SetFrameRate(60);
    for (UINT nFrame = 1; nFrame <= 40; ++nFrame)
    {
        SCOPED_TRACE(nFrame);
        Frame(5);
        EXPECT_EQ(Budget60(nFrame) - 5, Last(fake.sleeps, "Sleep"));
        EXPECT_EQ(static_cast<DWORD>(dwSetUp + SumOfBudgets60(nFrame)), frameRate.GetSlotStart());
        EXPECT_FALSE(frameRate.IsLate());
    }
    EXPECT_EQ(60u, frameRate.GetMeasuredRate());
}

TEST_F(FrameRateTest, SimulatedMinuteKeepsTheGridExact)
{
    const DWORD dwSetUp = 5000;
    SetClock(dwSetUp);
    frameRate.SetFrameRate(60);

    // Work of 10 to 13 ms keeps every frame within its budget; its jitter is
    // small enough that the rate over 31 intervals still rounds to 60.
    std::mt19937 random(20240607u);
    DWORD dwWorked = 0;
    const UINT nFrames = 60 * 60;
    for (UINT nFrame = 1; nFrame <= nFrames; ++nFrame)
    {
        const DWORD dwWork = 10 + random() % 4;
        dwWorked += dwWork;
        Frame(dwWork);

        ASSERT_EQ(nFrame, fake.sleeps.size()) << "frame " << nFrame;
        ASSERT_EQ(Budget60(nFrame) - dwWork, fake.sleeps.back()) << "frame " << nFrame;
        ASSERT_EQ(dwSetUp + SumOfBudgets60(nFrame), frameRate.GetSlotStart()) << "frame " << nFrame;
        ASSERT_FALSE(frameRate.IsLate()) << "frame " << nFrame;
        if (nFrame >= 32)
        {
            ASSERT_EQ(60u, frameRate.GetMeasuredRate()) << "frame " << nFrame;
        }
    }
    EXPECT_EQ(dwSetUp + 59999u, frameRate.GetSlotStart()); // 3600 x 16.666656 ms
    EXPECT_EQ(dwWorked, frameRate.GetBusyTotal());
    EXPECT_EQ(nFrames, frameRate.GetFrameCount());
    EXPECT_EQ(0, frameRate.GetLateFrames());
}
