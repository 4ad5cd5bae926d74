#include "timing/TimeSource.h"

#include "app/Platform.h"

#include <utility>

TIMECAPS TimeCaps = {};
bool bHighResolution = false;
int nResolutionUsers = 0;
bool bResolutionPaused = false;

static_assert(sizeof(TIMECAPS) == 8, "the timer caps record holds two 32-bit periods");

namespace
{
// Periods of 10 ms or more are no better than the tick count, so only a finer
// timer is worth reading.
const UINT kCoarsestUsefulPeriod = 10;

void ProbeTimer()
{
    if (g_platform.timeGetDevCaps(&TimeCaps, sizeof(TIMECAPS)) != TIMERR_NOERROR ||
        TimeCaps.wPeriodMin >= kCoarsestUsefulPeriod)
    {
        TimeCaps.wPeriodMin = 1;
        bHighResolution = false;
    }
    else
    {
        bHighResolution = true;
    }
}
} // namespace

DWORD GetTime() { return bHighResolution ? g_platform.timeGetTime() : g_platform.GetTickCount(); }

UINT BeginHighResolution()
{
    ProbeTimer();
    const int nOldUsers = nResolutionUsers++;
    if (nOldUsers == 0 && bHighResolution)
        g_platform.timeBeginPeriod(TimeCaps.wPeriodMin);
    return TimeCaps.wPeriodMin;
}

void EndHighResolution()
{
    if (--nResolutionUsers != 0)
        return;
    // A paused resolution has been let go already.
    if (bHighResolution && !bResolutionPaused)
        g_platform.timeEndPeriod(TimeCaps.wPeriodMin);
    bResolutionPaused = false;
}

void PauseHighResolution()
{
    if (nResolutionUsers > 0 && bHighResolution && !bResolutionPaused)
    {
        bResolutionPaused = true;
        g_platform.timeEndPeriod(TimeCaps.wPeriodMin);
    }
}

void ResumeHighResolution()
{
    if (std::exchange(bResolutionPaused, false))
        g_platform.timeBeginPeriod(TimeCaps.wPeriodMin);
}

CTimeSourceInit::CTimeSourceInit() { ProbeTimer(); }
