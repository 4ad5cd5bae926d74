// The main window's class and window procedure, and the About box.
#pragma once

#include <windows.h>

ATOM RegisterMainWindowClass(HINSTANCE hInstance);
LRESULT CALLBACK MainWindowProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK AboutDialogProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam);
