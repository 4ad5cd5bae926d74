#include "app/FailedStart.h"

#include "app/Application.h"
#include "app/Platform.h"
#include "graphics/Direct3DApi.h"
#include "graphics/Graphics.h"

#include <cwchar>

namespace
{
const int EXIT_NO_WINDOW = 1;
const int EXIT_NO_DIRECT3D = 2;
const int EXIT_NO_D3DX = 4; // 3 is the test proxies' own

const wchar_t ADVICE_CLASS[] = L"Sign out of Windows or restart it, and try again.";
const wchar_t ADVICE_WINDOW[] =
    L"Windows may be short of memory or other resources. Close some programs and try again.";
const wchar_t ADVICE_DRIVER[] =
    L"Check that the graphics driver is installed and up to date. In a remote desktop "
    L"session or a virtual machine, 3D acceleration may be missing.";
const wchar_t ADVICE_REFUSED[] =
    L"Another program that watches new windows, such as a desktop tool or security "
    L"software, may have refused it. Close such programs and try again.";
const wchar_t ADVICE_FULL_SCREEN[] =
    L"Another program may hold the display in full screen, or the screen may be locked, a system dialog "
    L"open or the computer going to sleep. Close that program or wait until the desktop is back, and start "
    L"kelvane again.";
const wchar_t ADVICE_VIDEO_MEMORY[] =
    L"There is not enough video memory left for it. Close other programs that "
    L"use the graphics card, such as games or video players, and try again.";
const wchar_t ADVICE_MEMORY[] =
    L"There is not enough memory left for it. Close other programs and try again.";
const wchar_t ADVICE_D3DX[] =
    L"Windows does not include it: Microsoft's DirectX End-User Runtime (June 2010) installs it. Search "
    L"Microsoft's Download Center for \"DirectX End-User Runtime Web Installer\", run it, and start "
    L"kelvane again.";
const wchar_t ADVICE_RESTART[] =
    L"Restart Windows and try again. If it still fails, update the graphics driver.";

// What CreateDevice answers, by name: a number alone tells the user nothing.
struct DeviceError
{
    HRESULT hr;
    const wchar_t* pszName;
    const wchar_t* pszAdvice;
};
const DeviceError DEVICE_ERRORS[] = {
    {D3DERR_NOTAVAILABLE, L"D3DERR_NOTAVAILABLE", ADVICE_DRIVER},
    {D3DERR_INVALIDCALL, L"D3DERR_INVALIDCALL", ADVICE_DRIVER}, // what a driver without 3D answers
    {D3DERR_DEVICELOST, L"D3DERR_DEVICELOST", ADVICE_FULL_SCREEN},
    {D3DERR_OUTOFVIDEOMEMORY, L"D3DERR_OUTOFVIDEOMEMORY", ADVICE_VIDEO_MEMORY},
    {E_OUTOFMEMORY, L"E_OUTOFMEMORY", ADVICE_MEMORY},
    {D3DERR_DRIVERINTERNALERROR, L"D3DERR_DRIVERINTERNALERROR", ADVICE_RESTART},
    {D3DERR_DEVICEREMOVED, L"D3DERR_DEVICEREMOVED", ADVICE_RESTART},
};

int Report(const wchar_t* pszWhat, const wchar_t* pszWhy, const wchar_t* pszAdvice, int nExitCode)
{
    WCHAR text[1024];
    swprintf_s(text, 1024, L"%s: %s.\n\n%s", pszWhat, pszWhy, pszAdvice);
    g_platform.MessageBoxW(nullptr, text, g_title, MB_OK | MB_ICONERROR);
    return nExitCode;
}

// The system's own words for a Windows error, beside its number ("Not enough
// memory (error 8)"), or the number alone when the system has none. The words'
// closing full stop (a Japanese one too) and line break go: the sentence
// carries on after them.
int ReportSystemError(const wchar_t* pszWhat, DWORD dwError, const wchar_t* pszAdvice, int nExitCode)
{
    WCHAR words[512];
    DWORD n = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, dwError, 0,
                             words, 512, nullptr);
    while (n > 0 && wcschr(L"\r\n .\u3002", words[n - 1]))
        --n;
    words[n] = L'\0';
    WCHAR why[600];
    if (n > 0)
        swprintf_s(why, 600, L"%s (error %lu)", words, dwError);
    else
        swprintf_s(why, 600, L"error %lu", dwError);
    return Report(pszWhat, why, pszAdvice, nExitCode);
}
} // namespace

int ReportNoWindowClass(DWORD dwError)
{
    return ReportSystemError(L"The main window's class could not be registered", dwError, ADVICE_CLASS,
                             EXIT_NO_WINDOW);
}

int ReportNoWindow(DWORD dwError)
{
    const wchar_t WHAT[] = L"The main window could not be created";
    // A hook that refuses the window sets no error: "The operation completed
    // successfully" would be no answer.
    if (dwError == ERROR_SUCCESS)
        return Report(WHAT, L"Windows gave no reason", ADVICE_REFUSED, EXIT_NO_WINDOW);
    return ReportSystemError(WHAT, dwError, ADVICE_WINDOW, EXIT_NO_WINDOW);
}

int ReportNoDirect3D(HRESULT hr)
{
    WCHAR why[100];
    const wchar_t* pszAdvice = ADVICE_DRIVER; // also for codes the table does not know
    if (hr == E_NO_DIRECT3D_OBJECT)
        swprintf_s(why, 100, L"Windows' Direct3D 9 did not start");
    else
        swprintf_s(why, 100, L"error 0x%08X", unsigned(hr));
    for (const DeviceError& error : DEVICE_ERRORS)
    {
        if (error.hr == hr)
        {
            swprintf_s(why, 100, L"%s (0x%08X)", error.pszName, unsigned(hr));
            pszAdvice = error.pszAdvice;
            break;
        }
    }
    return Report(L"Direct3D 9 could not be started", why, pszAdvice, EXIT_NO_DIRECT3D);
}

int ReportNoD3DX(DWORD dwError)
{
    WCHAR what[100];
    swprintf_s(what, 100, L"The D3DX 9 library %s could not be loaded", D3DX_DLL);
    return ReportSystemError(what, dwError, ADVICE_D3DX, EXIT_NO_D3DX);
}
