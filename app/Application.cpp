#include "app/Application.h"

#include "app/MainWindow.h"
#include "app/Platform.h"
#include "app/Scene.h"
#include "frame/RenderFrame.h"
#include "resources/resource.h"

HINSTANCE g_hInstance = nullptr;
HWND g_hWnd = nullptr;
WCHAR g_title[100];
WCHAR g_windowClass[100];

int RunApplication(HINSTANCE hInstance, int nCmdShow)
{
    LoadStringW(hInstance, ID_STRING_TITLE, g_title, 100);
    LoadStringW(hInstance, ID_MAIN, g_windowClass, 100);
    RegisterMainWindowClass(hInstance);

    // Every start-up failure ends quietly with exit code 0.
    if (!InitApplication(hInstance, nCmdShow))
        return 0;

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
        return FALSE;

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
