// Shared set-up for the timing tests: a fake platform whose two clocks move
// together, the time source's state put back to its load-time zero, and a count
// of clock readings.
#pragma once

#include "tests/fakes/FakePlatform.h"
#include "tests/fakes/Last.h"
#include "timing/TimeSource.h"
#include "timing/Timer.h"

#include <gtest/gtest.h>

namespace timing_test
{
inline FakePlatform* s_pFake = nullptr;
inline int s_nClockReads = 0;

inline DWORD WINAPI CountedGetTickCount()
{
    ++s_nClockReads;
    return s_pFake->dwTickCount;
}
inline DWORD WINAPI CountedTimeGetTime()
{
    ++s_nClockReads;
    return s_pFake->dwTime;
}
} // namespace timing_test

class TimingTest : public ::testing::Test
{
  protected:
    explicit TimingTest(DWORD dwStartClock = 0)
    {
        SetClock(dwStartClock);
        // The program's own probes ran against the real timer before main.
        TimeCaps = {};
        bHighResolution = false;
        nResolutionUsers = 0;
        bResolutionPaused = false;
        CTimer::dwFrameTime = 0;

        timing_test::s_pFake = &fake;
        timing_test::s_nClockReads = 0;
        g_platform.GetTickCount = timing_test::CountedGetTickCount;
        g_platform.timeGetTime = timing_test::CountedTimeGetTime;
    }
    ~TimingTest() override { timing_test::s_pFake = nullptr; }

    void SetClock(DWORD dwNow)
    {
        fake.dwTime = dwNow;
        fake.dwTickCount = dwNow;
    }
    DWORD Now() const { return fake.dwTickCount; }
    int ClockReads() const { return timing_test::s_nClockReads; }

    FakePlatform fake;
};
