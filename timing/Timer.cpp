#include "timing/Timer.h"

#include "timing/TimeSource.h"

DWORD CTimer::dwFrameTime = 0;

CTimer::CTimer() : dwStart(0), dwPauseTime(0), nPauseDepth(0)
{
    TimerRegistry.insert(this);
    Reset();
}

CTimer::CTimer(const CTimer& other)
    : dwStart(other.dwStart), dwPauseTime(other.dwPauseTime), nPauseDepth(other.nPauseDepth)
{
    TimerRegistry.insert(this);
}

CTimer& CTimer::operator=(const CTimer& other)
{
    dwStart = other.dwStart;
    dwPauseTime = other.dwPauseTime;
    nPauseDepth = other.nPauseDepth;
    return *this;
}

CTimer::~CTimer() { TimerRegistry.erase(this); }

// The plain forms read the clock only when the effect depends on it.

void CTimer::Reset() { ResetAt(GetTime()); }
void CTimer::ResetAtFrameTime() { ResetAt(dwFrameTime); }

DWORD CTimer::GetElapsed() const { return IsPaused() ? dwPauseTime - dwStart : GetTime() - dwStart; }
DWORD CTimer::GetElapsedAtFrameTime() const { return ElapsedAt(dwFrameTime); }

void CTimer::SetElapsed(DWORD dwElapsed)
{
    if (IsPaused())
        dwStart = dwPauseTime - dwElapsed;
    else
        dwStart = GetTime() - dwElapsed;
}
void CTimer::SetElapsedAtFrameTime(DWORD dwElapsed) { SetElapsedAt(dwFrameTime, dwElapsed); }

void CTimer::Pause()
{
    if (nPauseDepth++ == 0)
        dwPauseTime = GetTime();
}
void CTimer::PauseAtFrameTime() { PauseAt(dwFrameTime); }

void CTimer::Resume()
{
    if (--nPauseDepth == 0)
        dwStart += GetTime() - dwPauseTime;
}
void CTimer::ResumeAtFrameTime() { ResumeAt(dwFrameTime); }

void CTimer::PauseAll()
{
    for (CTimer* pTimer : TimerRegistry)
        pTimer->Pause();
}

void CTimer::ResumeAll()
{
    for (CTimer* pTimer : TimerRegistry)
        pTimer->Resume();
}

DWORD CTimer::UpdateFrameTime()
{
    dwFrameTime = GetTime();
    return dwFrameTime;
}

void CTimer::ResetAt(DWORD dwNow)
{
    dwStart = dwNow;
    nPauseDepth = 0;
}

DWORD CTimer::ElapsedAt(DWORD dwNow) const { return (IsPaused() ? dwPauseTime : dwNow) - dwStart; }

void CTimer::SetElapsedAt(DWORD dwNow, DWORD dwElapsed)
{
    dwStart = (IsPaused() ? dwPauseTime : dwNow) - dwElapsed;
}

void CTimer::PauseAt(DWORD dwNow)
{
    if (nPauseDepth++ == 0)
        dwPauseTime = dwNow;
}

void CTimer::ResumeAt(DWORD dwNow)
{
    if (--nPauseDepth == 0)
        dwStart += dwNow - dwPauseTime;
}
