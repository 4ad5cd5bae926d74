// Paces the frame loop to a target rate and measures how it keeps up.
//
// Frames run on a fixed grid of time slots. The budget of a slot is the frame
// time in whole milliseconds, with the fraction carried from slot to slot in
// 16.16 fixed point: 16, 17, 16, 17, 17, 16, 17, 17, ... ms at 60 per second.
// A frame that ends early sleeps out the rest of its slot; one that overruns
// does not sleep, and the following frames make up for it, unless it overran
// by 250 ms or more, in which case the grid starts afresh at that moment.
//
// All times are unsigned 32-bit milliseconds from GetTime, compared through
// unsigned differences, so the clock's wrap-around does no harm.
#pragma once

#include <windows.h>

class CFrameRate
{
  public:
    CFrameRate();

    // Sets the target (0 switches pacing off) and restarts every measurement,
    // with the first slot starting now.
    void SetFrameRate(UINT nFramesPerSecond);
    UINT GetFrameRate() const { return nFrameRate; }

    // Starts a new slot now and forgets lateness.
    void ResetTiming();
    void ClearBusyTotal() { dwBusyTotal = 0; }
    // Milliseconds worked by the frames that finished within their budget.
    DWORD GetBusyTotal() const { return dwBusyTotal; }
    void ResetFrameCount() { nFrameCount = 0; }
    UINT GetFrameCount() const { return nFrameCount; }

    // The end of a frame: records it and sleeps out the rest of its slot.
    void Wait();

    // The last paced frame overran by three budgets or more.
    bool IsLate() const { return bLate; }
    // Late frames in the previous window of GetFrameRate() frames.
    int GetLateFrames() const { return nLateFrames; }
    // Frames per second over the recent frames; 0 before the 16th Wait.
    UINT GetMeasuredRate() const;
    // Per cent of the frame time spent working rather than asleep, over the sixteen
    // frames held at ring positions 0 to 15 (fixed positions, not the latest
    // sixteen); 0 before the 16th Wait. Not clamped: a stale sleep read after a
    // SetFrameRate can take it below 0.
    int GetCpuLoad() const;

    // The frame budget in milliseconds, 16.16 fixed point.
    DWORD GetInterval() const { return dwInterval; }
    // Where the current frame's slot began.
    DWORD GetSlotStart() const { return dwSlotStart; }
    // The sleep the last Wait asked for, 0 when it did not sleep.
    DWORD GetLastSleep() const { return dwSleepTimes[nIndex & kRingMask]; }

  private:
    static const UINT kRingSize = 32;
    static const UINT kRingMask = kRingSize - 1;

    UINT nFrameRate;
    DWORD dwInterval;
    DWORD dwSlotStart;
    DWORD dwAccumulator;
    DWORD dwBusyTotal;
    DWORD dwFrameTimes[kRingSize]; // when each Wait began
    DWORD dwSleepTimes[kRingSize]; // the sleep each Wait asked for
    // Counts Waits up to 2 * kRingSize and then folds back to kRingSize, so
    // "kRingSize or more" means the rings are full and the counter never overflows.
    UINT nIndex;
    UINT nFrameCount;
    bool bLate;
    int nLateFrames;
    int nLateCount;
};

extern CFrameRate g_frameRate;
