#include "app/Platform.h"

namespace
{
// Thin adapters keep the table's signatures exact whatever the SDK headers
// declare (BOOL versus WINBOOL, VOID versus void).
SHORT WINAPI RealGetAsyncKeyState(int vKey) { return ::GetAsyncKeyState(vKey); }
HWND WINAPI RealGetForegroundWindow() { return ::GetForegroundWindow(); }
BOOL WINAPI RealMessageBeep(UINT uType) { return ::MessageBeep(uType); }
VOID WINAPI RealSleep(DWORD dwMilliseconds) { ::Sleep(dwMilliseconds); }
DWORD WINAPI RealGetTickCount() { return ::GetTickCount(); }
DWORD WINAPI RealTimeGetTime() { return ::timeGetTime(); }
MMRESULT WINAPI RealTimeGetDevCaps(LPTIMECAPS ptc, UINT cbtc) { return ::timeGetDevCaps(ptc, cbtc); }
MMRESULT WINAPI RealTimeBeginPeriod(UINT uPeriod) { return ::timeBeginPeriod(uPeriod); }
MMRESULT WINAPI RealTimeEndPeriod(UINT uPeriod) { return ::timeEndPeriod(uPeriod); }
int WINAPI RealMessageBoxW(HWND hWnd, LPCWSTR lpText, LPCWSTR lpCaption, UINT uType)
{
    return ::MessageBoxW(hWnd, lpText, lpCaption, uType);
}
BOOL WINAPI RealIsIconic(HWND hWnd) { return ::IsIconic(hWnd); }
ATOM WINAPI RealRegisterClassExW(const WNDCLASSEXW* pWndClass) { return ::RegisterClassExW(pWndClass); }
HMODULE WINAPI RealLoadLibraryW(LPCWSTR lpLibFileName) { return ::LoadLibraryW(lpLibFileName); }
LONG WINAPI RealGetMessageTime() { return ::GetMessageTime(); }
} // namespace

// Constant-initialised, so it is ready before any global object's constructor
// runs (the time source probes the timer during start-up).
PlatformTable g_platform = {
    RealGetAsyncKeyState, RealGetForegroundWindow, RealMessageBeep,    RealSleep,
    RealGetTickCount,     RealTimeGetTime,         RealTimeGetDevCaps, RealTimeBeginPeriod,
    RealTimeEndPeriod,    RealMessageBoxW,         RealIsIconic,       RealRegisterClassExW,
    RealLoadLibraryW,     RealGetMessageTime,
};
