// The scene's set-up and shutdown, bracketing a run.
#pragma once

#include <windows.h>

// Called once with the hidden main window; FALSE when the device could not be made.
BOOL InitScene(HWND hWnd);
// Called once after the message loop when start-up succeeded.
void ShutdownApplication();
