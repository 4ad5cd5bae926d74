#include "frame/HelpPanel.h"

#include "app/Scene.h"
#include "frame/Controls.h"
#include "timing/TimeSource.h"

#include <cstring>
#include <cwchar>

namespace
{
// Below the overlay's five lines, which end near y = 100, across the picture.
const RECT PANEL = HELP_PANEL;
const int PANEL_WIDTH = PANEL.right - PANEL.left;
const int PANEL_HEIGHT = PANEL.bottom - PANEL.top;
// Powers of two, which every Direct3D 9 device takes; the panel uses its top left.
const UINT TEXTURE_WIDTH = 1024;
const UINT TEXTURE_HEIGHT = 512;
const int MEANINGS_LEFT = 168;             // second column, within the panel: what the keys do
const COLORREF BAND_COLOR = RGB(0, 0, 64); // the background's blue, darkened
// The same, as the device clears to it and as GDI paints it in a 32-bit bitmap (low three bytes).
const D3DCOLOR BAND_D3DCOLOR =
    D3DCOLOR_XRGB(GetRValue(BAND_COLOR), GetGValue(BAND_COLOR), GetBValue(BAND_COLOR));
const COLORREF TEXT_COLOR = RGB(255, 255, 255);
const int WORD_GAP = 6; // columns without ink that still belong to one run of text

struct HelpRow
{
    const wchar_t* pszKeys;
    const wchar_t* pszMeaning;
};

const HelpRow CAMERA_ROWS[] = {
    {L"Left / Right", L"turn"},
    {L"Up / Down", L"look up / down"},
    {L"SHIFT+arrows", L"slide sideways, rise / fall"},
    {L"Z / X", L"fly forward / back"},
    {L"Mouse wheel", L"fly forward / back 10 units a notch"},
};
const HelpRow SPHERE_ROWS[] = {
    {L"Left / Right", L"move along the camera's side axis"},
    {L"Up / Down", L"move along the camera's up axis"},
    {L"Z / X", L"move away / towards the camera"},
    {L"SHIFT+Up / Down", L"radius + 1 / - 1, from 1 to 100"},
    {L"Mouse wheel", L"radius + 1 / - 1 a notch"},
};
const HelpRow COMMON_ROWS[] = {
    {L"TAB / SHIFT+TAB", L"next / previous: camera, sphere 1, sphere 2"},
    {L"Click, drag", L"select the sphere under the cursor, move it across the view"},
    {L"W (held)", L"wireframe"},
    {L"F1", L"this help"},
    {L"Home", L"start again"},
    {L"H", L"hit colours: boxes dark cyan while they overlap,"},
    {L"", L"spheres green while they intersect"},
    {L"", L""},
    {L"The overlay", L""},
    {L"FPS  CPU", L"frame rate measured / target, processor load"},
    {L"Sphere1, 2", L"centre (x, y, z) and radius R"},
    {L"AABB", L"true while the boxes overlap"},
    {L"Collision", L"true while the spheres intersect"},
};

const size_t TEXT_SIZE = 1024;

// The two columns, a line per row.
struct HelpText
{
    WCHAR keys[TEXT_SIZE];
    WCHAR meanings[TEXT_SIZE];
};

void AddRows(HelpText& text, const HelpRow* pRows, size_t nRows)
{
    for (const HelpRow* pRow = pRows; pRow != pRows + nRows; ++pRow)
    {
        wcscat_s(text.keys, TEXT_SIZE, pRow->pszKeys);
        wcscat_s(text.keys, TEXT_SIZE, L"\n");
        wcscat_s(text.meanings, TEXT_SIZE, pRow->pszMeaning);
        wcscat_s(text.meanings, TEXT_SIZE, L"\n");
    }
}

void WriteHelpText(HelpText& text, int nMode)
{
    // The header spans both columns: the second starts a line lower.
    wcscpy_s(text.meanings, TEXT_SIZE, L"\n");
    if (nMode == CONTROL_CAMERA)
    {
        wcscpy_s(text.keys, TEXT_SIZE, L"Keys in camera mode\n");
        AddRows(text, CAMERA_ROWS, ARRAYSIZE(CAMERA_ROWS));
    }
    else
    {
        swprintf_s(text.keys, TEXT_SIZE, L"Keys for sphere %d\n", nMode);
        AddRows(text, SPHERE_ROWS, ARRAYSIZE(SPHERE_ROWS));
    }
    AddRows(text, COMMON_ROWS, ARRAYSIZE(COMMON_ROWS));
}

// Pre-transformed: straight to the screen, not lit.
struct PanelVertex
{
    float x, y, z, rhw;
    float u, v;
};

IDirect3DTexture9* g_pTexture = nullptr;
int g_nPaintedMode = -1;              // the mode whose keys the texture shows; -1 for none yet
std::vector<PanelVertex> g_textQuads; // two triangles for each run of text the texture holds
bool g_bFailed = false;               // the latest attempt to make or paint the texture failed
DWORD g_dwFailedAt = 0;               // when it began

// Adds the quad that shows the texture's rectangle x0..x1, y0..y1 (the panel's
// own coordinates) in its place on the screen: half a pixel up and left puts
// each texel on its pixel, nearest the eye (z = 0), clockwise as culling keeps.
void AddQuad(int x0, int y0, int x1, int y1)
{
    const float l = PANEL.left + x0 - 0.5f, t = PANEL.top + y0 - 0.5f;
    const float r = PANEL.left + x1 - 0.5f, b = PANEL.top + y1 - 0.5f;
    const float u0 = float(x0) / TEXTURE_WIDTH, v0 = float(y0) / TEXTURE_HEIGHT;
    const float u1 = float(x1) / TEXTURE_WIDTH, v1 = float(y1) / TEXTURE_HEIGHT;
    const PanelVertex lt = {l, t, 0, 1, u0, v0}, rt = {r, t, 0, 1, u1, v0};
    const PanelVertex lb = {l, b, 0, 1, u0, v1}, rb = {r, b, 0, 1, u1, v1};
    g_textQuads.insert(g_textQuads.end(), {lt, rt, lb, lb, rt, rb});
}

// Finds the runs of text in the painted panel (PANEL_WIDTH x PANEL_HEIGHT pixels,
// top-down): each line's rows with ink, cut where WORD_GAP columns have none,
// each run as high as its own ink. Only these are drawn from the texture, which
// on a software rasteriser costs by the pixel; the band around them is a clear,
// which costs next to nothing.
void FindText(const DWORD* pBits)
{
    auto ink = [&](int x0, int y0, int x1, int y1) {
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x)
                if (((pBits[y * PANEL_WIDTH + x] ^ BAND_D3DCOLOR) & 0xFFFFFF) != 0)
                    return true;
        return false;
    };
    g_textQuads.clear();
    for (int y0 = 0, y1; y0 < PANEL_HEIGHT; y0 = y1)
    {
        for (y1 = y0; y1 < PANEL_HEIGHT && ink(0, y1, PANEL_WIDTH, y1 + 1); ++y1)
            ;
        if (y1 == y0)
        {
            ++y1;
            continue;
        }
        for (int x0 = 0, x1; x0 < PANEL_WIDTH; x0 = x1)
        {
            if (!ink(x0, y0, x0 + 1, y1))
            {
                x1 = x0 + 1;
                continue;
            }
            int xEnd = x0 + 1; // just past the run's last column with ink
            for (x1 = xEnd; x1 < PANEL_WIDTH && x1 - xEnd < WORD_GAP; ++x1)
                if (ink(x1, y0, x1 + 1, y1))
                    xEnd = x1 + 1;
            int yTop = y0, yBottom = y1; // the run's own rows with ink
            while (!ink(x0, yTop, xEnd, yTop + 1))
                ++yTop;
            while (!ink(x0, yBottom - 1, xEnd, yBottom))
                --yBottom;
            AddQuad(x0, yTop, xEnd, yBottom);
            x1 = xEnd;
        }
    }
}

// Paints the panel and copies it into the texture's top left.
bool PaintPanel(int nMode)
{
    const std::vector<DWORD> pixels = PaintHelpPanel(nMode);
    D3DLOCKED_RECT locked;
    if (pixels.empty() || FAILED(g_pTexture->LockRect(0, &locked, nullptr, 0)))
        return false;
    FindText(pixels.data());
    for (int y = 0; y < PANEL_HEIGHT; ++y)
        std::memcpy(static_cast<BYTE*>(locked.pBits) + y * locked.Pitch, &pixels[y * PANEL_WIDTH],
                    PANEL_WIDTH * 4);
    g_pTexture->UnlockRect(0);
    return true;
}

// The texture, made on first use and painted again when the mode changes.
bool MakePanel(IDirect3DDevice9* pDevice, int nMode)
{
    if (!g_pTexture)
    {
        g_nPaintedMode = -1;
        if (FAILED(pDevice->CreateTexture(TEXTURE_WIDTH, TEXTURE_HEIGHT, 1, 0, D3DFMT_X8R8G8B8,
                                          D3DPOOL_MANAGED, &g_pTexture, nullptr)))
            g_pTexture = nullptr;
        if (!g_pTexture)
            return false;
    }
    if (nMode != g_nPaintedMode)
    {
        if (!PaintPanel(nMode))
            return false;
        g_nPaintedMode = nMode;
    }
    return true;
}

// The texture ready to draw the text of mode nMode from. What failed (no texture
// from the device, GDI out of handles) is tried again at most once a second, as
// the overlay's font is: not in every frame.
bool PreparePanel(IDirect3DDevice9* pDevice, int nMode)
{
    if (g_pTexture && nMode == g_nPaintedMode)
        return true;
    const DWORD dwNow = GetTime();
    if (g_bFailed && dwNow - g_dwFailedAt < RETRY_INTERVAL)
        return false;
    g_bFailed = !MakePanel(pDevice, nMode);
    g_dwFailedAt = dwNow;
    return !g_bFailed;
}
} // namespace

std::vector<DWORD> PaintHelpPanel(int nMode)
{
    HelpText text;
    WriteHelpText(text, nMode);

    BITMAPINFO bmi = {};
    bmi.bmiHeader.biSize = sizeof(bmi.bmiHeader);
    bmi.bmiHeader.biWidth = PANEL_WIDTH;
    bmi.bmiHeader.biHeight = -PANEL_HEIGHT; // top-down, as the texture's rows
    bmi.bmiHeader.biPlanes = 1;
    bmi.bmiHeader.biBitCount = 32;
    bmi.bmiHeader.biCompression = BI_RGB;
    void* pBits = nullptr;
    HDC hdc = CreateCompatibleDC(nullptr);
    HBITMAP hBitmap = CreateDIBSection(hdc, &bmi, DIB_RGB_COLORS, &pBits, nullptr, 0);
    // Smaller and lighter than the overlay's: it reads as well, and each pixel of
    // ink is one more to draw in every frame.
    HFONT hFont =
        CreateFontW(-13, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                    CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, L"Tahoma");
    std::vector<DWORD> pixels;
    if (hdc && hBitmap && hFont)
    {
        HGDIOBJ hOldBitmap = SelectObject(hdc, hBitmap);
        HGDIOBJ hOldFont = SelectObject(hdc, hFont);
        RECT rc = {0, 0, PANEL_WIDTH, PANEL_HEIGHT};
        HBRUSH hBrush = CreateSolidBrush(BAND_COLOR);
        FillRect(hdc, &rc, hBrush);
        DeleteObject(hBrush);
        SetBkMode(hdc, TRANSPARENT);
        SetTextColor(hdc, TEXT_COLOR);
        RECT rcKeys = {12, 8, MEANINGS_LEFT, PANEL_HEIGHT};
        RECT rcMeanings = {MEANINGS_LEFT, 8, PANEL_WIDTH, PANEL_HEIGHT};
        DrawTextW(hdc, text.keys, -1, &rcKeys, DT_NOCLIP);
        DrawTextW(hdc, text.meanings, -1, &rcMeanings, DT_NOCLIP);
        GdiFlush();
        pixels.assign(static_cast<const DWORD*>(pBits),
                      static_cast<const DWORD*>(pBits) + PANEL_WIDTH * PANEL_HEIGHT);
        SelectObject(hdc, hOldFont);
        SelectObject(hdc, hOldBitmap);
    }
    if (hFont)
        DeleteObject(hFont);
    if (hBitmap)
        DeleteObject(hBitmap);
    if (hdc)
        DeleteDC(hdc);
    return pixels;
}

void DrawHelpPanel(IDirect3DDevice9* pDevice, int nMode)
{
    const bool bText = PreparePanel(pDevice, nMode);
    // The band, cleared to its colour and to the nearest depth: nothing behind it
    // is shaded, nothing drawn later shows through. Then its text, at that depth.
    // While the text cannot be made the band shows empty: F1 has taken, and the
    // text follows at the next attempt that succeeds.
    const D3DRECT rcBand = {PANEL.left, PANEL.top, PANEL.right, PANEL.bottom};
    pDevice->Clear(1, &rcBand, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, BAND_D3DCOLOR, 0.0f, 0);
    if (!bText || g_textQuads.empty())
        return;
    // The texture's colours as they are, with no depth test: the clear has done
    // what depth does here.
    pDevice->SetRenderState(D3DRS_FILLMODE, D3DFILL_SOLID); // also while W is held
    pDevice->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
    pDevice->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
    pDevice->SetTexture(0, g_pTexture);
    pDevice->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    pDevice->SetFVF(D3DFVF_XYZRHW | D3DFVF_TEX1);
    pDevice->DrawPrimitiveUP(D3DPT_TRIANGLELIST, UINT(g_textQuads.size() / 3), g_textQuads.data(),
                             sizeof(PanelVertex));
    pDevice->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    pDevice->SetTexture(0, nullptr);
    pDevice->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
}

void ReleaseHelpPanel()
{
    if (g_pTexture)
        g_pTexture->Release();
    g_pTexture = nullptr;
    g_bFailed = false; // a new device is tried at once
}
