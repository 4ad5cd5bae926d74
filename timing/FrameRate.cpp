#include "timing/FrameRate.h"

#include "app/Platform.h"
#include "timing/TimeSource.h"

namespace
{
// One second in 16.16 fixed-point milliseconds.
const DWORD kOneSecondFixed = 1000u << 16;
// An overrun this long (the window was in the background, say) is not made up:
// the grid restarts instead of racing through a burst of catch-up frames.
const DWORD kRestartOverrun = 250;
// The measurements need this many frames since the last SetFrameRate.
const UINT kMeasuredFrames = 16;
} // namespace

CFrameRate::CFrameRate()
    : nFrameRate(0), dwInterval(0), dwSlotStart(0), dwAccumulator(0), dwBusyTotal(0), dwFrameTimes(),
      dwSleepTimes(), nIndex(0), nFrameCount(0), bLate(false), nLateFrames(0), nLateCount(0)
{
    SetFrameRate(60);
}

void CFrameRate::SetFrameRate(UINT nFramesPerSecond)
{
    ResetTiming();
    ClearBusyTotal();
    nFrameCount = 0;
    // The rings are not cleared: the measurements read only entries written since,
    // except the load, which reads ring position 0 from the 16th Wait on while only
    // the 32nd rewrites it. The program sets the rate before its first frame, when
    // that entry is still 0.
    nIndex = 0;
    nFrameRate = nFramesPerSecond;
    if (nFramesPerSecond != 0)
    {
        dwInterval = kOneSecondFixed / nFramesPerSecond;
        dwAccumulator = 0;
    }
}

void CFrameRate::ResetTiming()
{
    dwSlotStart = GetTime();
    bLate = false;
    nLateFrames = 0;
    nLateCount = 0;
}

void CFrameRate::Wait()
{
    const DWORD dwNow = GetTime();

    // Late frames are counted per window of nFrameRate frames, one second on time.
    if (nFrameRate != 0 && nFrameCount % nFrameRate == 0)
    {
        nLateFrames = nLateCount;
        nLateCount = 0;
    }

    dwFrameTimes[nIndex & kRingMask] = dwNow;
    if (++nIndex == 2 * kRingSize)
        nIndex = kRingSize;
    ++nFrameCount;

    if (nFrameRate == 0)
    {
        dwSleepTimes[nIndex & kRingMask] = 0;
        return;
    }

    dwAccumulator = (dwAccumulator & 0xFFFF) + dwInterval;
    const DWORD dwBudget = dwAccumulator >> 16;
    const DWORD dwElapsed = dwNow - dwSlotStart;

    if (dwElapsed < dwBudget)
    {
        const DWORD dwSleep = dwBudget - dwElapsed;
        dwBusyTotal += dwElapsed;
        dwSleepTimes[nIndex & kRingMask] = dwSleep;
        bLate = false;
        g_platform.Sleep(dwSleep);
        // The grid moves by exactly the budget; an oversleep counts against the next frame.
        dwSlotStart += dwBudget;
    }
    else
    {
        // A reading before the slot start (a coarse clock) also lands here, as a
        // huge overrun that restarts the grid.
        DWORD dwOver = dwElapsed - dwBudget;
        if (dwOver >= kRestartOverrun)
            dwOver = 0;
        bLate = dwOver >= 3 * dwBudget;
        if (bLate)
            ++nLateCount;
        dwSlotStart = dwNow - dwOver;
        dwSleepTimes[nIndex & kRingMask] = 0;
    }
}

UINT CFrameRate::GetMeasuredRate() const
{
    if (nIndex < kMeasuredFrames)
        return 0;

    DWORD dwSpan;
    DWORD dwIntervals;
    if (nIndex < kRingSize)
    {
        dwSpan = dwFrameTimes[nIndex - 1] - dwFrameTimes[nIndex - kMeasuredFrames];
        dwIntervals = kMeasuredFrames - 1;
    }
    else
    {
        // Newest minus oldest reading of the full ring.
        dwSpan = dwFrameTimes[(nIndex - 1) & kRingMask] - dwFrameTimes[nIndex & kRingMask];
        dwIntervals = kRingSize - 1;
    }
    if (dwSpan == 0)
        return 0;
    return (dwSpan / 2 + dwIntervals * 1000) / dwSpan;
}

int CFrameRate::GetCpuLoad() const
{
    if (nIndex < kMeasuredFrames)
        return 0;

    DWORD dwSlept = 0;
    for (UINT i = 0; i < kMeasuredFrames; ++i)
        dwSlept += dwSleepTimes[i];
    // Sixteen frames of 1000 ms per second, in per cent: the quotient is the share
    // of the time spent asleep. A frame that overran slept 0 and counts as busy.
    const DWORD dwSleepShare = (dwSlept * nFrameRate) / (kMeasuredFrames * 1000 / 100);
    return 100 - static_cast<int>(dwSleepShare);
}
