#include "app/Application.h"

#include "app/FailedStart.h"
#include "app/MainWindow.h"
#include "app/Platform.h"
#include "app/Scene.h"
#include "frame/Input.h"
#include "frame/RenderFrame.h"
#include "graphics/Direct3DApi.h"
#include "resources/resource.h"
#include "timing/TimeSource.h"

HINSTANCE g_hInstance = nullptr;
HWND g_hWnd = nullptr;
WCHAR g_title[100];
WCHAR g_windowClass[100];

namespace
{
DWORD g_dwWindowError = 0; // GetLastError of the failed CreateWindowExW
} // namespace

int RunApplication(HINSTANCE hInstance, int nCmdShow)
{
    LoadStringW(hInstance, ID_STRING_TITLE, g_title, 100);
    LoadStringW(hInstance, ID_MAIN, g_windowClass, 100);
    // A failed start must not look like success, to the user who double-clicked and
    // sees nothing, or to a script reading the exit code: it says why in a box.
    // D3DX first, the one part of the platform Windows may lack; the box needs
    // only the title. The class may exist already, registered by this module
    // earlier in the process (the tests do so): that one serves.
    if (const DWORD dwError = LoadD3DX())
        return ReportNoD3DX(dwError);
    if (!RegisterMainWindowClass(hInstance))
    {
        const DWORD dwError = GetLastError();
        if (dwError != ERROR_CLASS_ALREADY_EXISTS)
            return ReportNoWindowClass(dwError);
    }
    if (!InitApplication(hInstance, nCmdShow))
        return g_hWnd ? ReportNoDirect3D(GetDeviceError()) : ReportNoWindow(g_dwWindowError);

    // The pacing sleeps whole milliseconds, but Windows wakes a sleeping thread
    // only at its timer's ticks, 15.6 ms apart unless the process asks for finer
    // ones: without this, frames would land on those ticks, 15.6 or 31.3 ms
    // apart, however even the slots. The clock has been chosen by now; what is
    // raised here is released after the loop, the one way out from here, and
    // meanwhile while the loop waits in the background.
    BeginHighResolution();
    // Keys pressed before the start were meant for another program.
    PauseInput();

    // Alt+? and Alt+/ open the About box, as the accelerator table says.
    HACCEL hAccel = LoadAcceleratorsW(hInstance, MAKEINTRESOURCEW(ID_MAIN));
    int exitCode = RunMessageLoop(hAccel);

    ShutdownApplication();
    EndHighResolution();
    return exitCode;
}

BOOL InitApplication(HINSTANCE hInstance, int nCmdShow)
{
    g_hInstance = hInstance;

    // Created hidden (no WS_VISIBLE); the class supplies the menu. A hook that
    // refuses the window sets no error: whatever an earlier call left must not
    // pass for the reason.
    SetLastError(ERROR_SUCCESS);
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
            ResumeHighResolution();
            RenderFrame();
        }
        else
        {
            PauseInput();
            // A fast timer costs a laptop power, and 100 ms sleeps need none.
            PauseHighResolution();
            g_platform.Sleep(100);
        }
    }
    return int(msg.wParam);
}
