#include "frame/HelpPanel.h"

#include "frame/Controls.h"

#include <cstring>
#include <cwchar>

namespace
{
// Below the overlay's five lines, which end near y = 100, across the picture.
const RECT PANEL = {8, 106, 632, 432};
const int PANEL_WIDTH = PANEL.right - PANEL.left;
const int PANEL_HEIGHT = PANEL.bottom - PANEL.top;
// Powers of two, which every Direct3D 9 device takes; the panel uses its top left.
const UINT TEXTURE_WIDTH = 1024;
const UINT TEXTURE_HEIGHT = 512;
const int MEANINGS_LEFT = 168;             // second column, within the panel: what the keys do
const COLORREF BAND_COLOR = RGB(0, 0, 64); // the background's blue, darkened
const COLORREF TEXT_COLOR = RGB(255, 255, 255);

struct HelpRow
{
    const wchar_t* pszKeys;
    const wchar_t* pszMeaning;
};

const HelpRow CAMERA_ROWS[] = {
    {L"Left / Right", L"turn left / right"},
    {L"Up / Down", L"look up / down"},
    {L"SHIFT+arrows", L"slide left / right, rise / fall"},
    {L"Z / X", L"fly forward / back"},
};
const HelpRow SPHERE_ROWS[] = {
    {L"Left / Right", L"move it along the camera's side axis"},
    {L"Up / Down", L"move it along the camera's up axis"},
    {L"Z / X", L"move it away from / towards the camera"},
    {L"SHIFT+Up / Down", L"radius + 1 / - 1, from 1 to 100"},
};
const HelpRow COMMON_ROWS[] = {
    {L"TAB / SHIFT+TAB", L"next / previous mode: camera, sphere 1, sphere 2"},
    {L"W (held)", L"wireframe"},
    {L"F1", L"show / hide this help"},
    {L"Home", L"start again: cameras, spheres, camera mode"},
    {L"H", L"hit colours on / off: boxes dark cyan while they"},
    {L"", L"overlap, spheres green while they intersect"},
    {L"", L""},
    {L"The overlay", L""},
    {L"FPS  CPU", L"frame rate measured / target; processor load"},
    {L"Sphere1, 2", L"each sphere's centre (x, y, z) and radius R"},
    {L"AABB", L"true while the two boxes overlap"},
    {L"Collision", L"true while the two spheres intersect"},
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

IDirect3DTexture9* g_pTexture = nullptr;
int g_nPaintedMode = -1; // the mode whose keys the texture shows; -1 for none yet

// Paints the panel with GDI, in the overlay's font, and copies it into the
// texture's top left.
bool PaintPanel(int nMode)
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
    HFONT hFont = CreateFontW(-16, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                              CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, L"System");
    D3DLOCKED_RECT locked;
    bool bPainted = false;
    if (hdc && hBitmap && hFont && SUCCEEDED(g_pTexture->LockRect(0, &locked, nullptr, 0)))
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
        for (int y = 0; y < PANEL_HEIGHT; ++y)
            std::memcpy(static_cast<BYTE*>(locked.pBits) + y * locked.Pitch,
                        static_cast<const BYTE*>(pBits) + y * PANEL_WIDTH * 4, PANEL_WIDTH * 4);
        g_pTexture->UnlockRect(0);
        SelectObject(hdc, hOldFont);
        SelectObject(hdc, hOldBitmap);
        bPainted = true;
    }
    if (hFont)
        DeleteObject(hFont);
    if (hBitmap)
        DeleteObject(hBitmap);
    if (hdc)
        DeleteDC(hdc);
    return bPainted;
}

// The texture, made on first use and painted again when the mode changes.
bool PreparePanel(IDirect3DDevice9* pDevice, int nMode)
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

// Pre-transformed: straight to the screen, not lit.
struct PanelVertex
{
    float x, y, z, rhw;
    float u, v;
};
} // namespace

void DrawHelpPanel(IDirect3DDevice9* pDevice, int nMode)
{
    if (!PreparePanel(pDevice, nMode))
        return;
    // Half a pixel up and left puts each texel on its pixel. Nearest the eye
    // (z = 0) and written to the depth buffer, clockwise as culling keeps.
    const float l = PANEL.left - 0.5f, t = PANEL.top - 0.5f, r = PANEL.right - 0.5f, b = PANEL.bottom - 0.5f;
    const float u = float(PANEL_WIDTH) / TEXTURE_WIDTH, v = float(PANEL_HEIGHT) / TEXTURE_HEIGHT;
    const PanelVertex panel[] = {
        {l, t, 0.0f, 1.0f, 0.0f, 0.0f},
        {r, t, 0.0f, 1.0f, u, 0.0f},
        {l, b, 0.0f, 1.0f, 0.0f, v},
        {r, b, 0.0f, 1.0f, u, v},
    };
    pDevice->SetRenderState(D3DRS_FILLMODE, D3DFILL_SOLID); // also while W is held
    pDevice->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
    pDevice->SetTexture(0, g_pTexture);
    pDevice->SetFVF(D3DFVF_XYZRHW | D3DFVF_TEX1);
    pDevice->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, panel, sizeof(PanelVertex));
    pDevice->SetTexture(0, nullptr);
}

void ReleaseHelpPanel()
{
    if (g_pTexture)
        g_pTexture->Release();
    g_pTexture = nullptr;
}
