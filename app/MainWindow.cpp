#include "app/MainWindow.h"

#include "app/Application.h"
#include "app/Platform.h"
#include "app/Scene.h"
#include "frame/Input.h"
#include "frame/Mouse.h"
#include "resources/resource.h"

#include <windowsx.h>

namespace
{
struct PicturePoint
{
    float x, y;
};

// A client-area point in the picture's pixels: the picture keeps its 640 x 480
// and is stretched over the client area, whatever size that has, so the centre of
// a pixel of one falls on the same spot of the other.
PicturePoint ToPicture(HWND hWnd, LPARAM lParam)
{
    RECT rc;
    GetClientRect(hWnd, &rc);
    const float fScaleX = float(PICTURE_WIDTH) / float(rc.right > 0 ? rc.right : 1);
    const float fScaleY = float(PICTURE_HEIGHT) / float(rc.bottom > 0 ? rc.bottom : 1);
    return {(float(GET_X_LPARAM(lParam)) + 0.5f) * fScaleX - 0.5f,
            (float(GET_Y_LPARAM(lParam)) + 0.5f) * fScaleY - 0.5f};
}

// The wheel acts only while the window is in front and the cursor over the picture:
// Windows 10 sends the wheel to the window under the cursor, in front or not, and
// earlier versions to the focus, wherever the cursor is.
bool IsWheelOurs(HWND hWnd, LPARAM lParam)
{
    POINT pt = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)}; // screen coordinates
    RECT rc;
    return g_platform.GetForegroundWindow() == hWnd && ScreenToClient(hWnd, &pt) &&
           GetClientRect(hWnd, &rc) && PtInRect(&rc, pt);
}
} // namespace

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
        {
            PauseInput();
            // A drag ends with the foreground.
            if (GetCapture() == hWnd)
                ReleaseCapture();
        }
        break;
    // The click that brings the window to the foreground selects nothing. Windows
    // asks here and eats it. Under Wine the window manager has activated the
    // window before the click arrives (asking with a click on the menu bar), and
    // PressMouse refuses it: no frame has run since, or the press was made before
    // the first one.
    case WM_MOUSEACTIVATE:
        if (LOWORD(lParam) == HTCLIENT)
            return MA_ACTIVATEANDEAT;
        break;
    case WM_LBUTTONDOWN: {
        const PicturePoint pt = ToPicture(hWnd, lParam);
        // The drag goes on outside the window, with coordinates beyond its edges.
        if (PressMouse(pt.x, pt.y, DWORD(g_platform.GetMessageTime())))
            SetCapture(hWnd);
        return 0;
    }
    case WM_MOUSEMOVE: {
        const PicturePoint pt = ToPicture(hWnd, lParam);
        MoveMouse(pt.x, pt.y);
        return 0;
    }
    case WM_LBUTTONUP: {
        const PicturePoint pt = ToPicture(hWnd, lParam);
        MoveMouse(pt.x, pt.y);
        ReleaseMouse();
        if (GetCapture() == hWnd)
            ReleaseCapture();
        return 0;
    }
    case WM_CAPTURECHANGED: // lParam: the window that takes the capture
        if (reinterpret_cast<HWND>(lParam) != hWnd)
            ReleaseMouse();
        return 0;
    case WM_MOUSEWHEEL:
        if (IsWheelOurs(hWnd, lParam))
            TurnMouseWheel(GET_WHEEL_DELTA_WPARAM(wParam));
        return 0;
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
