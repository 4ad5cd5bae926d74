// Stand-ins for the keyboard, both clocks, Sleep, MessageBeep, the foreground
// window, message boxes, IsIconic, the multimedia timer, class registration and
// loading a library, and message times.
// Constructing a FakePlatform points every entry of g_platform at it; destroying
// it puts the real functions back.
#pragma once

#include "app/Platform.h"

#include <deque>
#include <set>
#include <string>
#include <utility>
#include <vector>

class FakePlatform
{
public:
    FakePlatform();
    ~FakePlatform();
    FakePlatform(const FakePlatform&) = delete;
    FakePlatform& operator=(const FakePlatform&) = delete;

    // Keyboard as Windows keeps it: a key in `pressed` answers the down bit 0x8000;
    // a press also sets bit 1, which stays after the release until the key is
    // next queried. Tap is a press and release between two queries.
    void Press(int vKey) { pressed.insert(vKey), pressBits.insert(vKey); }
    void Tap(int vKey) { pressBits.insert(vKey); }
    void Release(int vKey) { pressed.erase(vKey); }
    void ReleaseAll() { pressed.clear(); }
    std::set<int> pressed, pressBits;
    std::vector<int> queriedKeys; // every GetAsyncKeyState argument, in order

    // Clocks: Sleep and Advance move both forward together.
    void Advance(DWORD ms) { dwTime += ms; dwTickCount += ms; }
    DWORD dwTime = 0;      // timeGetTime
    DWORD dwTickCount = 0; // GetTickCount, and GetMessageTime: a message is made as it is sent
    UINT nMicros = 0;      // how far into the clocks' current millisecond, in us
    std::vector<DWORD> sleeps;
    // Sleep as on Windows, never early: while a timeBeginPeriod is in force it
    // wakes a fraction of a millisecond to a whole one late, in a fixed pattern;
    // otherwise (as on Windows 10 2004 and later) at the next tick of the default
    // timer, k * 15.625 ms. Unset, Sleep takes exactly its milliseconds.
    bool bWindowsSleep = false;

    std::vector<UINT> beeps;
    HWND hForeground = nullptr;
    struct MessageBoxCall { HWND hOwner; std::wstring text, caption; UINT uType; };
    std::vector<MessageBoxCall> messageBoxes; // each answered IDOK
    std::deque<BOOL> iconic;                  // IsIconic's answers in turn, then FALSE
    std::vector<HWND> iconicWindows;          // whom IsIconic was asked about

    // Multimedia timer capabilities and period requests.
    MMRESULT capsResult = TIMERR_NOERROR;
    UINT wPeriodMin = 1;
    UINT wPeriodMax = 1000000;
    std::vector<UINT> beginPeriods;
    std::vector<UINT> endPeriods;

    // RegisterClassExW registers for real unless this is set: then it fails with it.
    DWORD dwRegisterClassError = 0;

    // LoadLibraryW loads what it is asked for, or this file when set: one that
    // is missing, or that lacks the functions asked for.
    std::wstring libraryInstead;
    std::vector<std::wstring> librariesAsked;

private:
    PlatformTable saved;
};
