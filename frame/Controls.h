// The control step of the frame: TAB and SHIFT+TAB cycle between flying the
// camera and moving sphere 1 or sphere 2; in a sphere mode the arrows, Z and X
// move the selected sphere along the flown camera's axes, and SHIFT+UP/DOWN
// change its radius within 1 to 100. Beyond those: Home puts the scene back as
// it starts, F1 shows or hides the help panel and H the hit colours; the mouse
// selects and drags a sphere, and its wheel sizes the sphere or flies the camera.
#pragma once

enum
{
    CONTROL_CAMERA = 0,
    CONTROL_SPHERE1 = 1,
    CONTROL_SPHERE2 = 2,
};

extern int g_controlMode; // 0 camera, 1 sphere 1, 2 sphere 2
extern bool g_tabLatch;   // a TAB press was acted on and TAB has not been released since
// Likewise for Home, F1 and H: each acts once per press.
extern bool g_homeLatch;
extern bool g_helpLatch;
extern bool g_hitLatch;
extern bool g_bShowHelp;  // F1: the help panel is drawn; off at start
extern bool g_bHitColors; // H: volumes that the tests find touching take the hit colours; off at start

void UpdateControls();
