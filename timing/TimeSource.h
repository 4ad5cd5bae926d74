// The program's one millisecond clock, and the multimedia timer's resolution.
//
// Readings are unsigned 32-bit milliseconds that wrap around at 2^32; compare
// them only through unsigned differences.
#pragma once

#include <windows.h>

// after windows.h, whose types it uses
#include <mmsystem.h>

// The current time in milliseconds: timeGetTime when the start-up probe accepted
// the multimedia timer, GetTickCount otherwise (also before the probe has run).
DWORD GetTime();

// Raises the timer resolution to the probed minimum period for the first of
// nested callers and returns that period (1 when the timer was rejected, in which
// case nothing is raised).
UINT BeginHighResolution();
// Releases the resolution when the last caller leaves.
void EndHighResolution();

// While the program only waits (its window in the background), the raised
// resolution is let go, and raised again when it resumes: with the period and
// the clock chosen before, without probing the timer anew. Each does nothing
// when there is nothing to let go or to raise again.
void PauseHighResolution();
void ResumeHighResolution();

// Constructing one probes the multimedia timer and chooses the clock. The program
// owns two, among its global objects.
class CTimeSourceInit
{
  public:
    CTimeSourceInit();
};

// The time source's state. All of it is constant-initialised to zero, so that
// GetTime works while other global objects are still being constructed.
extern TIMECAPS TimeCaps;      // as the probe left it (wPeriodMin 1 when rejected)
extern bool bHighResolution;   // the probe accepted the multimedia timer
extern int nResolutionUsers;   // BeginHighResolution calls not yet ended
extern bool bResolutionPaused; // the raised resolution is let go for a pause
