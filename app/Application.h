// The process itself: the main window's creation and the message loop.
#pragma once

#include <windows.h>

extern HINSTANCE g_hInstance;
extern HWND g_hWnd;
extern WCHAR g_title[100];
extern WCHAR g_windowClass[100];

// The whole run, as the process entry calls it: loads the title and the class
// name, registers the class, starts up, runs the message loop and shuts down.
// Returns the exit code: 0 after a normal run. A failed start says why in a
// message box and returns 1 when the main window (its class or the window)
// could not be made, 2 when Direct3D 9 could not be started, 4 when D3DX could
// not be loaded. The timer runs at its finest resolution from the first frame
// to the end of the loop, but for the loop's stays in the background.
int RunApplication(HINSTANCE hInstance, int nCmdShow);

// Creates the hidden main window, gives it a 640 x 480 client area, sets up the
// scene and shows the window. FALSE when the window or the scene could not be made.
BOOL InitApplication(HINSTANCE hInstance, int nCmdShow);

// Runs the message loop until WM_QUIT and returns the quit message's exit code.
// With the queue empty it renders one frame while the main window is in the
// foreground, and sleeps 100 ms otherwise. hAccel may be null.
int RunMessageLoop(HACCEL hAccel);
