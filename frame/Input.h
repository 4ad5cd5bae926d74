// Which key presses reach the scene. The keys are polled with GetAsyncKeyState,
// whose answer also carries a bit for a press made since the previous query, by
// whichever program had the keyboard then. While the frames do not poll (another
// window in front, the menu or the About box open, the window moved or sized, a
// lost device waited on) presses meant for something else gather in that bit:
// the first frame after such a pause throws them away.
#pragma once

#include <windows.h>

// Called wherever the frames stop polling; any number of times.
void PauseInput();
// True from a pause until the next frame's first poll.
bool IsInputPaused();
// True for an input made at dwTime (GetTickCount's clock, which GetMessageTime
// reads) that arrives while the frames pause, or that was made before the frame
// that ended the pause: it was meant for whatever had the input then.
bool IsFromPause(DWORD dwTime);
// First thing in a frame, before any key is read. After a pause it queries once
// every key the program reads, which clears their press bits, and sets each
// once-per-press latch from the down bit alone: a key still held from before the
// pause does not fire, while a movement key held down acts as usual. The mouse's
// clicks and wheel recorded meanwhile are dropped, and a drag ends.
void ResumeInput();
