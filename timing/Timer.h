// A pausable millisecond stopwatch. Every timer is listed in TimerRegistry for
// as long as it exists, so that all of them can be paused and resumed together.
//
// Each operation has two forms: the plain one reads the clock (GetTime) at the
// call, the ...AtFrameTime one reads the snapshot dwFrameTime that
// UpdateFrameTime takes, so timers handled within one frame see one instant.
// Pauses nest; a timer stands still from its outermost Pause to the matching
// Resume, and the paused time is not counted.
#pragma once

#include <windows.h>

#include <set>

class CTimer
{
  public:
    // A new timer runs from the moment of its construction.
    CTimer();
    // A copy is a timer of its own: it is registered and starts in the state of
    // the original (same start, same pause).
    CTimer(const CTimer& other);
    // Takes over the other timer's state; each object keeps its own registration.
    CTimer& operator=(const CTimer& other);
    virtual ~CTimer();

    void Reset();
    void ResetAtFrameTime();
    DWORD GetElapsed() const;
    DWORD GetElapsedAtFrameTime() const;
    void SetElapsed(DWORD dwElapsed);
    void SetElapsedAtFrameTime(DWORD dwElapsed);
    void Pause();
    void PauseAtFrameTime();
    void Resume();
    void ResumeAtFrameTime();

    bool IsPaused() const { return nPauseDepth > 0; }
    int GetPauseDepth() const { return nPauseDepth; }

    // Plain Pause / Resume on every registered timer, in ascending address order.
    static void PauseAll();
    static void ResumeAll();
    // Takes the snapshot the frame-time forms read, and returns it.
    static DWORD UpdateFrameTime();

    // The snapshot; 0 until the first UpdateFrameTime.
    static DWORD dwFrameTime;

  private:
    void ResetAt(DWORD dwNow);
    DWORD ElapsedAt(DWORD dwNow) const;
    void SetElapsedAt(DWORD dwNow, DWORD dwElapsed);
    void PauseAt(DWORD dwNow);
    void ResumeAt(DWORD dwNow);

    DWORD dwStart;     // elapsed time counts from here
    DWORD dwPauseTime; // when the outermost pause began
    int nPauseDepth;   // paused while above 0
};

// Every live timer, by address. It does not own them.
extern std::set<CTimer*> TimerRegistry;
