#include "tests/fakes/FakePlatform.h"

namespace
{
FakePlatform* s_pCurrent = nullptr;

SHORT WINAPI FakeGetAsyncKeyState(int vKey)
{
    s_pCurrent->queriedKeys.push_back(vKey);
    const bool bPressBit = s_pCurrent->pressBits.erase(vKey) != 0;
    return SHORT((s_pCurrent->pressed.count(vKey) ? 0x8000 : 0) | (bPressBit ? 1 : 0));
}
HWND WINAPI FakeGetForegroundWindow() { return s_pCurrent->hForeground; }
BOOL WINAPI FakeMessageBeep(UINT uType)
{
    s_pCurrent->beeps.push_back(uType);
    return TRUE;
}
VOID WINAPI FakeSleep(DWORD ms)
{
    FakePlatform& p = *s_pCurrent;
    p.sleeps.push_back(ms);
    const UINT LATE[] = {300, 1000, 550, 100, 850, 700, 1000, 250}; // us
    ULONGLONG wake = (ULONGLONG(p.dwTime) + ms) * 1000 + p.nMicros;
    if (p.bWindowsSleep && p.beginPeriods.size() > p.endPeriods.size())
        wake += LATE[p.sleeps.size() % 8];
    else if (p.bWindowsSleep)
        wake = (wake + 15624) / 15625 * 15625;
    p.Advance(DWORD(wake / 1000 - p.dwTime));
    p.nMicros = UINT(wake % 1000);
}
DWORD WINAPI FakeGetTickCount() { return s_pCurrent->dwTickCount; }
DWORD WINAPI FakeTimeGetTime() { return s_pCurrent->dwTime; }
MMRESULT WINAPI FakeTimeGetDevCaps(LPTIMECAPS ptc, UINT cbtc)
{
    if (s_pCurrent->capsResult == TIMERR_NOERROR && cbtc >= sizeof(TIMECAPS))
    {
        ptc->wPeriodMin = s_pCurrent->wPeriodMin;
        ptc->wPeriodMax = s_pCurrent->wPeriodMax;
    }
    return s_pCurrent->capsResult;
}
MMRESULT WINAPI FakeTimeBeginPeriod(UINT uPeriod)
{
    s_pCurrent->beginPeriods.push_back(uPeriod);
    return TIMERR_NOERROR;
}
MMRESULT WINAPI FakeTimeEndPeriod(UINT uPeriod)
{
    s_pCurrent->endPeriods.push_back(uPeriod);
    return TIMERR_NOERROR;
}
int WINAPI FakeMessageBoxW(HWND hWnd, LPCWSTR lpText, LPCWSTR lpCaption, UINT uType)
{
    s_pCurrent->messageBoxes.push_back({hWnd, lpText ? lpText : L"", lpCaption ? lpCaption : L"", uType});
    return IDOK;
}
BOOL WINAPI FakeIsIconic(HWND hWnd)
{
    s_pCurrent->iconicWindows.push_back(hWnd);
    std::deque<BOOL>& answers = s_pCurrent->iconic;
    const BOOL bIconic = answers.empty() ? FALSE : answers.front();
    if (!answers.empty())
        answers.pop_front();
    return bIconic;
}
ATOM WINAPI FakeRegisterClassExW(const WNDCLASSEXW* pWndClass)
{
    if (!s_pCurrent->dwRegisterClassError)
        return ::RegisterClassExW(pWndClass);
    SetLastError(s_pCurrent->dwRegisterClassError);
    return 0;
}
HMODULE WINAPI FakeLoadLibraryW(LPCWSTR lpLibFileName)
{
    s_pCurrent->librariesAsked.push_back(lpLibFileName);
    const std::wstring& instead = s_pCurrent->libraryInstead;
    return ::LoadLibraryW(instead.empty() ? lpLibFileName : instead.c_str());
}
LONG WINAPI FakeGetMessageTime() { return LONG(s_pCurrent->dwTickCount); }
} // namespace

FakePlatform::FakePlatform() : saved(g_platform)
{
    s_pCurrent = this;
    g_platform = {FakeGetAsyncKeyState, FakeGetForegroundWindow, FakeMessageBeep,    FakeSleep,
                  FakeGetTickCount,     FakeTimeGetTime,         FakeTimeGetDevCaps, FakeTimeBeginPeriod,
                  FakeTimeEndPeriod,    FakeMessageBoxW,         FakeIsIconic,       FakeRegisterClassExW,
                  FakeLoadLibraryW,     FakeGetMessageTime};
}

FakePlatform::~FakePlatform()
{
    g_platform = saved;
    s_pCurrent = nullptr;
}
