// The mouse in the scene. The window procedure records what the left button, the
// cursor and the wheel do; the frame's control step takes it once per frame. A
// click on a sphere selects it as TAB would; while the button stays down the
// sphere follows the cursor across the screen, the point grabbed kept under it;
// each notch of the wheel sizes the selected sphere or flies the camera.
//
// Positions are in the picture's pixels, as Direct3D numbers them (the centre of
// the top-left pixel is 0, 0), whatever size the window has.
#pragma once

#include <windows.h>

// Recorded by the window procedure.
// The left button went down at (x, y) in the client area at dwTime (GetTickCount's
// clock). False when the press is not the scene's: it came while the frames
// paused, or was made before the frame that ended the pause, so it is the click
// that brought the window back to the foreground, or was meant for the About box
// or the menu.
bool PressMouse(float x, float y, DWORD dwTime);
// The cursor is at (x, y); beyond the picture's edges while a drag has the capture.
void MoveMouse(float x, float y);
// The button is up, or the capture went elsewhere: the drag ends with the next frame.
void ReleaseMouse();
// The wheel turned by nDelta, WHEEL_DELTA a notch, positive away from the user;
// while the frames pause, only for the resume to drop it.
void TurnMouseWheel(int nDelta);

// Taken by the control step, in this order.
// The sphere under a click made since the last frame, nearer first and sphere 1
// on a tie, seen by the smoothing camera: selected, and grabbed where the ray met
// it. A click on nothing changes nothing.
void PickWithMouse();
// Whole notches turned since the last frame; the rest waits for more.
int TakeWheelNotches();
// Moves the grabbed sphere parallel to the screen so that the point grabbed lies
// under the latest cursor position. The drag ends once the button is up, and at
// once if a key has selected something else.
void DragWithMouse();

// Called by ResumeInput after a pause: what was recorded meanwhile, or before it
// and not yet taken, is dropped, and a drag ends.
void DropMouseInput();
