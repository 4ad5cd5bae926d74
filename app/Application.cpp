#include "app/Application.h"

#include "app/MainWindow.h"
#include "app/Platform.h"
#include "app/Scene.h"
#include "frame/RenderFrame.h"
#include "resources/resource.h"

#include <cwchar>

HINSTANCE g_hInstance = nullptr;
HWND g_hWnd = nullptr;
WCHAR g_title[100];
WCHAR g_windowClass[100];

namespace
{
const int EXIT_NO_WINDOW = 1;
const int EXIT_NO_DIRECT3D = 2;

DWORD g_dwWindowError = 0; // GetLastError of the failed CreateWindowExW

// A failed start must not look like success, to the user who double-clicked and
// sees nothing, or to a script reading the exit code: says in a box what failed
// and what to check, and gives the exit code for it.
int ReportFailedStart()
{
    WCHAR text[512];
    int nExitCode;
    if (!g_hWnd)
    {
        swprintf_s(text, 512,
                   L"The main window could not be created (error 0x%08X).\n\n"
                   L"Windows may be short of memory or other resources. Close some programs and try again.",
                   unsigned(g_dwWindowError));
        nExitCode = EXIT_NO_WINDOW;
    }
    else
    {
        swprintf_s(text, 512,
                   L"Direct3D 9 could not be started (error 0x%08X).\n\n"
                   L"Check that the graphics driver is installed and up to date. In a remote desktop session "
                   L"or a virtual machine, 3D acceleration may be missing.\n\n"
                   L"If it still fails, install the DirectX End-User Runtime from Microsoft.",
                   unsigned(GetDeviceError()));
        nExitCode = EXIT_NO_DIRECT3D;
    }
    g_platform.MessageBoxW(nullptr, text, g_title, MB_OK | MB_ICONERROR);
    return nExitCode;
}
} // namespace

int RunApplication(HINSTANCE hInstance, int nCmdShow)
{
    LoadStringW(hInstance, ID_STRING_TITLE, g_title, 100);
    LoadStringW(hInstance, ID_MAIN, g_windowClass, 100);
    RegisterMainWindowClass(hInstance);

    if (!InitApplication(hInstance, nCmdShow))
        return ReportFailedStart();

    // Alt+? and Alt+/ open the About box, as the accelerator table says.
    HACCEL hAccel = LoadAcceleratorsW(hInstance, MAKEINTRESOURCEW(ID_MAIN));
    int exitCode = RunMessageLoop(hAccel);

    ShutdownApplication();
    return exitCode;
}

BOOL InitApplication(HINSTANCE hInstance, int nCmdShow)
{
    g_hInstance = hInstance;

    // Created hidden (no WS_VISIBLE); the class supplies the menu.
    g_hWnd = CreateWindowExW(0, g_windowClass, g_title, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, 0, 640, 480,
                             nullptr, nullptr, hInstance, nullptr);
    if (!g_hWnd)
    {
        g_dwWindowError = GetLastError();
        return FALSE;
    }

    // Grow the window by whatever frame, caption and menu bar take, so that the
    // client area is exactly 640 x 480.
    RECT rcw, rcc;
    GetWindowRect(g_hWnd, &rcw);
    GetClientRect(g_hWnd, &rcc);
    SetWindowPos(g_hWnd, nullptr, 0, 0, (rcw.right - rcw.left) - (rcc.right - rcc.left) + 640,
                 (rcw.bottom - rcw.top) - (rcc.bottom - rcc.top) + 480, SWP_NOMOVE | SWP_NOZORDER);

    if (!InitScene(g_hWnd))
        return FALSE;

    ShowWindow(g_hWnd, nCmdShow);
    UpdateWindow(g_hWnd);
    return TRUE;
}

int RunMessageLoop(HACCEL hAccel)
{
    MSG msg = {};
    while (msg.message != WM_QUIT)
    {
        if (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
        {
            if (!hAccel || !g_hWnd || !TranslateAcceleratorW(g_hWnd, hAccel, &msg))
            {
                TranslateMessage(&msg);
                DispatchMessageW(&msg);
            }
        }
        else if (g_platform.GetForegroundWindow() == g_hWnd)
        {
            RenderFrame();
        }
        else
        {
            g_platform.Sleep(100);
        }
    }
    return int(msg.wParam);
}
