// The scene's set-up and shutdown, bracketing a run, and the device wrapper and
// overlay font they own.
#pragma once

#include <windows.h>

#include <d3dx9.h>

class CGraphics;

extern CGraphics* g_pGraphics; // owning; null when there is no device
extern ID3DXFont* g_pFont;     // one reference owned; null when the font could not be made

// Called once with the hidden main window; FALSE when the device could not be made,
// in which case nothing else of the scene has been touched.
BOOL InitScene(HWND hWnd);
// Called once after the message loop when start-up succeeded: releases the font
// and the device.
void ShutdownApplication();

// Called by a frame while the device is lost: asks the device whether it can be
// reset and, once it can, resets it with the font's device objects released
// around the Reset, sets the projection again and restarts the frame pacing.
// TRUE once the device draws again; FALSE while it is still lost.
BOOL RestoreLostDevice();
