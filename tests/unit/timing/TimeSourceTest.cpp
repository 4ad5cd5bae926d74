#include "TimingFixture.h"

#include <iterator>
#include <vector>

namespace
{
std::vector<UINT> s_capsSizes;
MMRESULT(WINAPI* s_pFakeGetDevCaps)(LPTIMECAPS, UINT) = nullptr;

MMRESULT WINAPI RecordingGetDevCaps(LPTIMECAPS ptc, UINT cbtc)
{
    s_capsSizes.push_back(cbtc);
    return s_pFakeGetDevCaps(ptc, cbtc);
}
} // namespace

class TimeSourceTest : public TimingTest
{
  protected:
    TimeSourceTest()
    {
        fake.dwTime = 111;
        fake.dwTickCount = 222;
        fake.wPeriodMin = 5;
    }
};

TEST_F(TimeSourceTest, ReadsTheTickCountBeforeAnyProbe) { EXPECT_EQ(222u, GetTime()); }

struct ProbeCase
{
    const char* pszName;
    MMRESULT capsResult;
    UINT wPlatformPeriodMin;
    bool bHighResolution;
    UINT wStoredPeriodMin;
};

const ProbeCase kProbeCases[] = {
    {"1 ms", TIMERR_NOERROR, 1, true, 1},
    {"9 ms", TIMERR_NOERROR, 9, true, 9},
    {"10 ms", TIMERR_NOERROR, 10, false, 1},
    {"15 ms", TIMERR_NOERROR, 15, false, 1},
    {"caps call fails", TIMERR_NOCANDO, 5, false, 1},
};

TEST_F(TimeSourceTest, ProbeChoosesTheClockByTheMinimumPeriod)
{
    s_capsSizes.clear();
    s_pFakeGetDevCaps = g_platform.timeGetDevCaps;
    g_platform.timeGetDevCaps = RecordingGetDevCaps;

    for (const ProbeCase& c : kProbeCases)
    {
        SCOPED_TRACE(c.pszName);
        TimeCaps = {7, 7};
        bHighResolution = !c.bHighResolution;
        fake.capsResult = c.capsResult;
        fake.wPeriodMin = c.wPlatformPeriodMin;

        CTimeSourceInit probe;

        EXPECT_EQ(c.bHighResolution, bHighResolution);
        EXPECT_EQ(c.wStoredPeriodMin, TimeCaps.wPeriodMin);
        EXPECT_EQ(c.bHighResolution ? 111u : 222u, GetTime());
    }
    EXPECT_EQ(std::vector<UINT>(std::size(kProbeCases), 8u), s_capsSizes);
}

TEST_F(TimeSourceTest, ProbingTwiceKeepsTheResult)
{
    fake.wPeriodMin = 9;
    CTimeSourceInit first;
    CTimeSourceInit second;
    EXPECT_TRUE(bHighResolution);
    EXPECT_EQ(9u, TimeCaps.wPeriodMin);
}

TEST_F(TimeSourceTest, NestedBeginEndRaiseAndReleaseTheResolutionOnce)
{
    CTimeSourceInit probe;

    EXPECT_EQ(5u, BeginHighResolution());
    EXPECT_EQ(5u, BeginHighResolution());
    EXPECT_EQ(2, nResolutionUsers);
    EXPECT_EQ(std::vector<UINT>{5}, fake.beginPeriods);

    EndHighResolution();
    EXPECT_TRUE(fake.endPeriods.empty());
    EndHighResolution();
    EXPECT_EQ(std::vector<UINT>{5}, fake.endPeriods);
    EXPECT_EQ(0, nResolutionUsers);
    EXPECT_EQ(std::vector<UINT>{5}, fake.beginPeriods);
}

TEST_F(TimeSourceTest, BeginProbesAgainBeforeRaising)
{
    // No start-up probe: Begin must still find the timer itself.
    EXPECT_EQ(5u, BeginHighResolution());
    EXPECT_TRUE(bHighResolution);
    EXPECT_EQ(std::vector<UINT>{5}, fake.beginPeriods);
    EndHighResolution();
    EXPECT_EQ(std::vector<UINT>{5}, fake.endPeriods);
}

// A pause lets the raised period go, once; resuming raises the same period
// again, once, though the timer now answers otherwise: no new probe, the same
// clock. An End while paused has nothing left to release.
TEST_F(TimeSourceTest, PauseReleasesAndResumeRaisesThePeriodChosenBefore)
{
    CTimeSourceInit probe;
    PauseHighResolution();
    EXPECT_TRUE(fake.endPeriods.empty()) << "nothing raised yet, nothing to let go";
    BeginHighResolution();
    fake.capsResult = TIMERR_NOCANDO;
    for (void (*pStep)() : {PauseHighResolution, PauseHighResolution, ResumeHighResolution, ResumeHighResolution,
                            PauseHighResolution, EndHighResolution, ResumeHighResolution})
        pStep();
    EXPECT_EQ(std::vector<UINT>(2, 5), fake.beginPeriods);
    EXPECT_EQ(std::vector<UINT>(2, 5), fake.endPeriods);
    EXPECT_EQ(111u, GetTime()) << "the clock chosen at start";
}

TEST_F(TimeSourceTest, UnmatchedEndLeavesTheCountNegative)
{
    CTimeSourceInit probe;

    EndHighResolution();
    EXPECT_EQ(-1, nResolutionUsers);
    EXPECT_TRUE(fake.endPeriods.empty());

    EXPECT_EQ(5u, BeginHighResolution());
    EXPECT_EQ(0, nResolutionUsers);
    EXPECT_TRUE(fake.beginPeriods.empty());
}

TEST_F(TimeSourceTest, RejectedTimerCountsCallersButRaisesNothing)
{
    for (MMRESULT capsResult : {MMRESULT(TIMERR_NOCANDO), MMRESULT(TIMERR_NOERROR)})
    {
        SCOPED_TRACE(capsResult);
        fake.capsResult = capsResult;
        fake.wPeriodMin = 10; // rejected either way

        EXPECT_EQ(1u, BeginHighResolution());
        EXPECT_EQ(1, nResolutionUsers);
        PauseHighResolution();
        ResumeHighResolution();
        EndHighResolution();
        EXPECT_EQ(0, nResolutionUsers);
        EXPECT_FALSE(bHighResolution);
    }
    EXPECT_TRUE(fake.beginPeriods.empty());
    EXPECT_TRUE(fake.endPeriods.empty());
}
