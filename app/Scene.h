// The scene's set-up and shutdown, bracketing a run, and the device wrapper and
// overlay font they own.
#pragma once

#include <windows.h>

#include <d3dx9.h>

class CGraphics;

// The picture: the back buffer keeps the start-up client area's 640 x 480 whatever
// size the window takes later, and is seen through a perspective of this vertical
// field of view (radians) and these near and far planes, with its aspect.
const int PICTURE_WIDTH = 640;
const int PICTURE_HEIGHT = 480;
const float FIELD_OF_VIEW = D3DX_PI / 4;
const float ASPECT = float(double(PICTURE_WIDTH) / PICTURE_HEIGHT);
const float NEAR_PLANE = 1.0f;
const float FAR_PLANE = 1000.0f;

// ms between attempts to make anew what failed (the device, the overlay's font,
// the help panel): often enough to be back soon, seldom enough not to spend the
// frames on what keeps failing.
const DWORD RETRY_INTERVAL = 1000;

extern CGraphics* g_pGraphics; // owning; null when there is no device
extern ID3DXFont* g_pFont;     // one reference owned; null while the font cannot be made

// Called once with the hidden main window; FALSE when the device could not be made,
// in which case nothing else of the scene has been touched.
BOOL InitScene(HWND hWnd);
// Puts the cameras and the spheres where a run starts: the flown camera at
// (0, 0, -300), level and looking along +z, the smoothing camera landing on it
// at its next step, the spheres at (-40, 0, 0) and (40, 0, 0) with radius 50.
// InitScene places them so; the Home key puts them back.
void ResetScene();
// Why InitScene could not make the device: the failed Direct3D call's own code
// (E_NO_DIRECT3D_OBJECT when Direct3D 9 gave no object at all).
HRESULT GetDeviceError();
// Called once after the message loop when start-up succeeded: releases the font
// and the device.
void ShutdownApplication();

// Called by a frame while the device is lost: asks the device whether it can be
// reset and, once it can (and the window is not minimised), resets it with the
// font's device objects released around the Reset (a font that cannot make them
// again goes, until RetryOverlayFont makes it anew). After a driver error or a
// failed Reset it releases the font, makes the device anew and the font again:
// the first time at once, then at most once a second. Then it sets the
// projection again and restarts the frame pacing. TRUE once the device draws
// again; FALSE while it cannot.
BOOL RestoreLostDevice();
// Called by every frame on a working device: while there is no font (it could
// not be made at start-up or with a new device), asks for it again, at most once
// a second.
void RetryOverlayFont();
