#include "app/MainWindow.h"

#include "app/Application.h"
#include "app/Platform.h"
#include "frame/Input.h"
#include "resources/resource.h"

ATOM RegisterMainWindowClass(HINSTANCE hInstance)
{
    WNDCLASSEXW wcex;
    wcex.cbSize = sizeof(WNDCLASSEXW);
    wcex.style = CS_HREDRAW | CS_VREDRAW;
    wcex.lpfnWndProc = MainWindowProc;
    wcex.cbClsExtra = 0;
    wcex.cbWndExtra = 0;
    wcex.hInstance = hInstance;
    wcex.hIcon = LoadIconW(hInstance, MAKEINTRESOURCEW(ID_ICON_LARGE));
    wcex.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512)); // IDC_ARROW
    wcex.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wcex.lpszMenuName = MAKEINTRESOURCEW(ID_MAIN);
    wcex.lpszClassName = g_windowClass;
    wcex.hIconSm = LoadIconW(hInstance, MAKEINTRESOURCEW(ID_ICON_SMALL));
    return g_platform.RegisterClassExW(&wcex);
}

// No painting of its own: the picture comes from the frame's Present.
LRESULT CALLBACK MainWindowProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message)
    {
    case WM_COMMAND:
        switch (LOWORD(wParam))
        {
        case ID_COMMAND_ABOUT:
            DialogBoxParamW(g_hInstance, MAKEINTRESOURCEW(ID_DIALOG_ABOUT), hWnd, AboutDialogProc, 0);
            PauseInput(); // what was typed in the box was the box's
            return 0;
        case ID_COMMAND_EXIT:
            DestroyWindow(hWnd);
            return 0;
        }
        break;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    // No frame runs inside the menu's or the system's move and size loops, nor in
    // the background: keys pressed meanwhile were meant for those.
    case WM_ENTERMENULOOP:
    case WM_ENTERSIZEMOVE:
        PauseInput();
        break;
    case WM_ACTIVATE:
        if (LOWORD(wParam) == WA_INACTIVE)
            PauseInput();
        break;
    }
    return DefWindowProcW(hWnd, message, wParam, lParam);
}

INT_PTR CALLBACK AboutDialogProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM)
{
    switch (message)
    {
    case WM_INITDIALOG:
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)
        {
            EndDialog(hDlg, LOWORD(wParam));
            return TRUE;
        }
        break;
    }
    return FALSE;
}
