// The Windows operations the program calls at run time, gathered in one table.
//
// Production code calls g_platform.Sleep(...) and friends instead of the
// Windows functions themselves. The table points at the real functions; a test
// swaps single entries for fakes and puts the table back afterwards.
#pragma once

#include <windows.h>
#include <mmsystem.h>

struct PlatformTable
{
    SHORT(WINAPI* GetAsyncKeyState)(int vKey);
    HWND(WINAPI* GetForegroundWindow)();
    BOOL(WINAPI* MessageBeep)(UINT uType);
    VOID(WINAPI* Sleep)(DWORD dwMilliseconds);
    DWORD(WINAPI* GetTickCount)();
    DWORD(WINAPI* timeGetTime)();
    MMRESULT(WINAPI* timeGetDevCaps)(LPTIMECAPS ptc, UINT cbtc);
    MMRESULT(WINAPI* timeBeginPeriod)(UINT uPeriod);
    MMRESULT(WINAPI* timeEndPeriod)(UINT uPeriod);
    int(WINAPI* MessageBoxW)(HWND hWnd, LPCWSTR lpText, LPCWSTR lpCaption, UINT uType);
    BOOL(WINAPI* IsIconic)(HWND hWnd);
    ATOM(WINAPI* RegisterClassExW)(const WNDCLASSEXW* pWndClass);
    HMODULE(WINAPI* LoadLibraryW)(LPCWSTR lpLibFileName);
    LONG(WINAPI* GetMessageTime)();
};

extern PlatformTable g_platform;

// A key counts as pressed when the asynchronous key state is anything but 0:
// the down bit or the pressed-since-last-query bit.
inline bool IsKeyPressed(int vKey)
{
    return g_platform.GetAsyncKeyState(vKey) != 0;
}
