#include "TimingFixture.h"

#include <memory>
#include <vector>

class TimerTest : public TimingTest
{
  protected:
    TimerTest()
    {
        SetClock(1000);
        // No timer outlives its test.
        EXPECT_TRUE(TimerRegistry.empty());
    }
    ~TimerTest() override { EXPECT_TRUE(TimerRegistry.empty()); }

    void Advance(DWORD dwMs) { fake.Advance(dwMs); }
};

TEST_F(TimerTest, NewTimerRunsFromItsConstruction)
{
    CTimer timer;
    Advance(250);
    EXPECT_EQ(250u, timer.GetElapsed());
    EXPECT_FALSE(timer.IsPaused());
}

TEST_F(TimerTest, NestedPauseHoldsUntilTheOutermostResume)
{
    CTimer timer;
    Advance(100);
    timer.Pause();
    Advance(50);
    timer.Pause();
    Advance(50);
    timer.Resume();
    EXPECT_TRUE(timer.IsPaused());
    EXPECT_EQ(100u, timer.GetElapsed());

    Advance(30);
    timer.Resume();
    EXPECT_FALSE(timer.IsPaused());
    EXPECT_EQ(100u, timer.GetElapsed());
    Advance(20);
    EXPECT_EQ(120u, timer.GetElapsed());
}

TEST_F(TimerTest, ResumeOnARunningTimerMakesTheNextPauseOnlyCount)
{
    CTimer timer;
    timer.Resume();
    EXPECT_EQ(-1, timer.GetPauseDepth());
    timer.Pause();
    EXPECT_EQ(0, timer.GetPauseDepth());
    EXPECT_FALSE(timer.IsPaused());
    Advance(40);
    EXPECT_EQ(40u, timer.GetElapsed());
}

TEST_F(TimerTest, ResetWhilePausedRunsAgainFromZero)
{
    CTimer timer;
    Advance(100);
    timer.Pause();
    timer.Pause();
    Advance(100);
    timer.Reset();
    EXPECT_EQ(0, timer.GetPauseDepth());
    EXPECT_EQ(0u, timer.GetElapsed());
    Advance(10);
    EXPECT_EQ(10u, timer.GetElapsed());
}

TEST_F(TimerTest, SetElapsedWhilePausedHoldsTheValueUntilResume)
{
    CTimer timer;
    Advance(100);
    timer.Pause();
    timer.SetElapsed(500);
    EXPECT_EQ(500u, timer.GetElapsed());
    Advance(100);
    EXPECT_EQ(500u, timer.GetElapsed());
    timer.Resume();
    EXPECT_EQ(500u, timer.GetElapsed());
    Advance(70);
    EXPECT_EQ(570u, timer.GetElapsed());
}

TEST_F(TimerTest, SetElapsedWhileRunningContinuesFromTheValue)
{
    CTimer timer;
    Advance(100);
    timer.SetElapsed(300);
    EXPECT_EQ(300u, timer.GetElapsed());
    Advance(5);
    EXPECT_EQ(305u, timer.GetElapsed());
}

TEST_F(TimerTest, PlainFormsReadTheClockOnlyWhereTheEffectNeedsIt)
{
    CTimer timer;
    struct Step
    {
        const char* pszName;
        void (*pfnDo)(CTimer&);
        int nReads;
    };
    const Step kSteps[] = {
        {"outermost Pause", [](CTimer& t) { t.Pause(); }, 1},
        {"inner Pause", [](CTimer& t) { t.Pause(); }, 0},
        {"GetElapsed while paused", [](CTimer& t) { t.GetElapsed(); }, 0},
        {"SetElapsed while paused", [](CTimer& t) { t.SetElapsed(5); }, 0},
        {"inner Resume", [](CTimer& t) { t.Resume(); }, 0},
        {"outermost Resume", [](CTimer& t) { t.Resume(); }, 1},
        {"GetElapsed while running", [](CTimer& t) { t.GetElapsed(); }, 1},
        {"SetElapsed while running", [](CTimer& t) { t.SetElapsed(5); }, 1},
        {"Resume below depth 0", [](CTimer& t) { t.Resume(); }, 0},
        {"Pause back to depth 0", [](CTimer& t) { t.Pause(); }, 0},
        {"Reset", [](CTimer& t) { t.Reset(); }, 1},
    };
    for (const Step& step : kSteps)
    {
        SCOPED_TRACE(step.pszName);
        const int nBefore = ClockReads();
        step.pfnDo(timer);
        EXPECT_EQ(step.nReads, ClockReads() - nBefore);
    }
}

TEST_F(TimerTest, FrameTimeFormsUseZeroBeforeTheFirstUpdate)
{
    SetClock(5000);
    CTimer timer;
    timer.ResetAtFrameTime();
    EXPECT_EQ(5000u, timer.GetElapsed());
    EXPECT_EQ(0u, timer.GetElapsedAtFrameTime());
    timer.SetElapsedAtFrameTime(20);
    EXPECT_EQ(20u, timer.GetElapsedAtFrameTime());
    EXPECT_EQ(5020u, timer.GetElapsed());
}

TEST_F(TimerTest, FrameTimeFormsSeeTheSnapshot)
{
    CTimer first;
    Advance(10);
    CTimer second;
    Advance(10);
    EXPECT_EQ(1020u, CTimer::UpdateFrameTime());
    Advance(500);

    EXPECT_EQ(20u, first.GetElapsedAtFrameTime());
    EXPECT_EQ(10u, second.GetElapsedAtFrameTime());

    // Paused, the frame-time forms count from the pause, not from the snapshot.
    first.PauseAtFrameTime(); // at 1020
    Advance(30);
    CTimer::UpdateFrameTime(); // 1550
    EXPECT_EQ(20u, first.GetElapsedAtFrameTime());
    first.SetElapsedAtFrameTime(15);
    EXPECT_EQ(15u, first.GetElapsedAtFrameTime());
    first.ResumeAtFrameTime();
    EXPECT_EQ(15u, first.GetElapsedAtFrameTime());

    // Resuming a running timer only counts below depth 0; its start stays.
    second.ResumeAtFrameTime();
    EXPECT_EQ(-1, second.GetPauseDepth());
    EXPECT_EQ(540u, second.GetElapsedAtFrameTime());
}

TEST_F(TimerTest, PauseAndResumeInDifferentFormsAddTheResumingFormsTime)
{
    CTimer timer;
    Advance(100); // 1100
    timer.Pause();
    Advance(50); // 1150
    CTimer::UpdateFrameTime();
    Advance(30);               // 1180
    timer.ResumeAtFrameTime(); // counts 1150 - 1100 as paused
    EXPECT_EQ(130u, timer.GetElapsed());
    EXPECT_EQ(100u, timer.GetElapsedAtFrameTime());

    timer.PauseAtFrameTime(); // at 1150
    Advance(20);              // 1200
    timer.Resume();           // counts 1200 - 1150 as paused
    EXPECT_EQ(100u, timer.GetElapsed());
}

TEST_F(TimerTest, ElapsedTimeCrossesTheClocksWrapAround)
{
    SetClock(0xFFFFFF00u);
    CTimer timer;
    Advance(0x180);
    EXPECT_EQ(0x80u, Now());
    EXPECT_EQ(0x180u, timer.GetElapsed());

    SetClock(0xFFFFFFF0u);
    timer.Reset();
    timer.Pause();
    Advance(0x40);
    timer.Resume();
    Advance(0x10);
    EXPECT_EQ(0x10u, timer.GetElapsed());
}

TEST_F(TimerTest, TimersAreRegisteredForTheirLifetime)
{
    {
        CTimer first;
        EXPECT_EQ(1u, TimerRegistry.count(&first));
        {
            CTimer second;
            EXPECT_EQ(2u, TimerRegistry.size());
            EXPECT_EQ(1u, TimerRegistry.count(&second));
        }
        EXPECT_EQ(1u, TimerRegistry.size());
        EXPECT_EQ(1u, TimerRegistry.count(&first));
    }
    EXPECT_TRUE(TimerRegistry.empty());
}

class CTestTimer : public CTimer
{
  public:
    std::vector<int> padding = std::vector<int>(4);
};

TEST_F(TimerTest, DeletingThroughTheBaseUnregisters)
{
    std::unique_ptr<CTimer> pTimer = std::make_unique<CTestTimer>();
    EXPECT_EQ(1u, TimerRegistry.count(pTimer.get()));
    pTimer.reset();
    EXPECT_TRUE(TimerRegistry.empty());
}

TEST_F(TimerTest, PauseAllAndResumeAllReachEveryLiveTimer)
{
    CTimer::PauseAll();
    CTimer::ResumeAll();
    EXPECT_EQ(0, ClockReads()); // nothing to pause

    CTimer first;
    auto pGone = std::make_unique<CTimer>();
    CTimer second;
    pGone.reset();

    Advance(100);
    CTimer::PauseAll();
    EXPECT_TRUE(first.IsPaused());
    EXPECT_TRUE(second.IsPaused());
    Advance(100);
    CTimer::ResumeAll();
    EXPECT_FALSE(first.IsPaused());
    EXPECT_FALSE(second.IsPaused());
    EXPECT_EQ(100u, first.GetElapsed());
    EXPECT_EQ(100u, second.GetElapsed());
}

TEST_F(TimerTest, CopyIsARegisteredTimerInTheOriginalsState)
{
    auto pOriginal = std::make_unique<CTimer>();
    Advance(100);
    pOriginal->Pause();
    Advance(50);

    CTimer copy(*pOriginal);
    EXPECT_EQ(2u, TimerRegistry.size());
    EXPECT_EQ(1u, TimerRegistry.count(&copy));
    EXPECT_TRUE(copy.IsPaused());
    EXPECT_EQ(100u, copy.GetElapsed());

    pOriginal.reset();
    EXPECT_EQ(1u, TimerRegistry.count(&copy));
    CTimer::ResumeAll();
    Advance(10);
    EXPECT_EQ(110u, copy.GetElapsed());
}

TEST_F(TimerTest, AssignmentCopiesStateButKeepsEachRegistration)
{
    CTimer source;
    Advance(100);
    source.Pause();
    CTimer target;

    target = source;
    EXPECT_EQ(2u, TimerRegistry.size());
    EXPECT_EQ(1u, TimerRegistry.count(&source));
    EXPECT_EQ(1u, TimerRegistry.count(&target));
    EXPECT_TRUE(target.IsPaused());
    EXPECT_EQ(100u, target.GetElapsed());

    const CTimer& sameTimer = target;
    target = sameTimer;
    EXPECT_EQ(100u, target.GetElapsed());
    EXPECT_EQ(2u, TimerRegistry.size());
}

TEST_F(TimerTest, TimersMovedAroundByAContainerStayRegistered)
{
    std::vector<CTimer> timers(3);
    for (int i = 0; i < 40; ++i)
        timers.emplace_back(); // reallocates several times
    EXPECT_EQ(timers.size(), TimerRegistry.size());
    for (const CTimer& timer : timers)
        EXPECT_EQ(1u, TimerRegistry.count(const_cast<CTimer*>(&timer)));
    timers.erase(timers.begin(), timers.begin() + 10);
    EXPECT_EQ(timers.size(), TimerRegistry.size());
    timers.clear();
    EXPECT_TRUE(TimerRegistry.empty());
}
