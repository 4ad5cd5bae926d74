// The help panel that F1 shows below the overlay: the keys and the mouse of the
// current control mode and of F1, Home and H, and what the overlay's lines mean,
// in white on a dark band.
//
// The text is painted once per control mode into a texture of the managed pool,
// which outlives a Reset. Each frame, before the volumes, clears the band to its
// colour and to the nearest depth, so that nothing behind it is shaded, and
// draws from the texture only the runs of text. Drawing the same text with the
// overlay's font every frame would double the program's processor time under a
// software rasteriser, and even a textured rectangle the panel's size costs a
// tenth more.
#pragma once

#include <d3d9.h>

#include <vector>

// Where the panel lies in the 640 x 480 picture.
const RECT HELP_PANEL = {8, 106, 632, 432};

// The panel for control mode nMode as GDI paints it, which is exactly what the
// frame shows: its rows top-down, a pixel a DWORD (0x00RRGGBB in the low three
// bytes). Empty when GDI could not paint it.
std::vector<DWORD> PaintHelpPanel(int nMode);

// Draws the panel for control mode nMode into the open scene, first of all.
// Leaves the depth test on and no texture set, and after text alpha blending
// off and the fill mode solid: the frame sets those two again and draws nothing
// textured. While the texture cannot be made or painted it draws the band
// without text and tries again at most once a second.
void DrawHelpPanel(IDirect3DDevice9* pDevice, int nMode);
// Before the device goes (a new one, or the end of the run): the panel's
// texture goes with it and is made again on the next device when next drawn,
// at once even if the last attempt failed.
void ReleaseHelpPanel();
