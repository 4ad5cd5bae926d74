#include "frame/Input.h"

#include "app/Platform.h"
#include "frame/Controls.h"
#include "frame/Mouse.h"

namespace
{
bool g_bInputPaused = false;
DWORD g_dwResumed = 0; // GetTickCount when the last pause ended

// Every key the frame, the control step and the flown camera read, Alt included
// (the guard of Alt+H).
const int MOVEMENT_KEYS[] = {VK_SHIFT, VK_LEFT, VK_UP, VK_RIGHT, VK_DOWN, 'Z', 'X', 'W', VK_MENU};

bool IsKeyDown(int vKey) { return (g_platform.GetAsyncKeyState(vKey) & 0x8000) != 0; }
} // namespace

void PauseInput() { g_bInputPaused = true; }

bool IsInputPaused() { return g_bInputPaused; }

bool IsFromPause(DWORD dwTime) { return g_bInputPaused || LONG(dwTime - g_dwResumed) < 0; }

void ResumeInput()
{
    if (!g_bInputPaused)
        return;
    g_bInputPaused = false;
    g_dwResumed = g_platform.GetTickCount();
    DropMouseInput();
    for (int vKey : MOVEMENT_KEYS)
        g_platform.GetAsyncKeyState(vKey);
    g_tabLatch = IsKeyDown(VK_TAB);
    g_homeLatch = IsKeyDown(VK_HOME);
    g_helpLatch = IsKeyDown(VK_F1);
    g_hitLatch = IsKeyDown('H');
}
