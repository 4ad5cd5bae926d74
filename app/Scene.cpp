#include "app/Scene.h"

#include "app/Platform.h"
#include "camera/CameraFlyer.h"
#include "camera/CameraSmooth.h"
#include "collision/CollisionSphere.h"
#include "frame/HelpPanel.h"
#include "graphics/Direct3DApi.h"
#include "graphics/Graphics.h"
#include "timing/FrameRate.h"
#include "timing/TimeSource.h"

CGraphics* g_pGraphics = nullptr;
ID3DXFont* g_pFont = nullptr;

namespace
{
HRESULT g_hrDeviceError = S_OK; // why InitScene found no device
DWORD g_dwLastRecreate = 0;     // when the latest attempt to make the device anew began
DWORD g_dwLastFont = 0;         // when the font was last asked for

// Without a font the frame draws no overlay until a retry makes one.
void CreateOverlayFont()
{
    g_dwLastFont = GetTime();
    if (FAILED(g_direct3d.D3DXCreateFontW(g_pGraphics->GetDevice(), -16, 0, FW_BOLD, 1, FALSE,
                                          DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                          DEFAULT_PITCH | FF_DONTCARE, L"System", &g_pFont)))
        g_pFont = nullptr;
}

void ReleaseOverlayFont()
{
    if (g_pFont)
        g_pFont->Release();
    g_pFont = nullptr;
}

// Set at start-up and again after every Reset or new device, neither of which
// keeps it.
void SetProjection()
{
    D3DXMATRIX matProj;
    g_direct3d.D3DXMatrixPerspectiveFovLH(&matProj, FIELD_OF_VIEW, ASPECT, NEAR_PLANE, FAR_PLANE);
    g_pGraphics->GetDevice()->SetTransform(D3DTS_PROJECTION, &matProj);
}

// While the window is minimised (client area 0 x 0) the device is left as it is:
// there is nothing to show, and a device made now would take that size for its
// back buffer. Once the window is restored the device comes back.
bool IsMinimised() { return g_platform.IsIconic(g_pGraphics->GetWindow()) != FALSE; }

// After a driver error or a failed Reset: the font and the device go, and both
// are made anew as at start-up. The first attempt comes at once; after it, one a
// second, whether the last one failed or made a device that failed again (a
// driver error often repeats an earlier one). The frame's short pauses keep the
// window answering meanwhile.
bool RecreateDevice()
{
    const DWORD dwNow = GetTime();
    if (dwNow - g_dwLastRecreate < RETRY_INTERVAL)
        return false;
    if (IsMinimised())
        return false;
    g_dwLastRecreate = dwNow;
    ReleaseOverlayFont();
    ReleaseHelpPanel();
    if (FAILED(g_pGraphics->Recreate()))
        return false;
    CreateOverlayFont();
    return true;
}
} // namespace

BOOL InitScene(HWND hWnd)
{
    g_pGraphics = new CGraphics();
    if (FAILED(g_pGraphics->Create(hWnd)))
    {
        g_hrDeviceError = g_pGraphics->GetCreateError();
        delete g_pGraphics;
        g_pGraphics = nullptr;
        return FALSE;
    }

    // The scene is seen through the smoothing camera, which follows the flown one.
    g_cameraSmooth.SetFollowed(&g_cameraFlyer);
    g_pGraphics->SetCamera(&g_cameraSmooth);
    ResetScene();

    // Again, now that the clock has been chosen: every slot is timed by one clock.
    g_frameRate.SetFrameRate(60);

    CreateOverlayFont();
    SetProjection();
    g_dwLastRecreate = GetTime() - RETRY_INTERVAL; // the first re-creation may come at once
    return TRUE;
}

void ResetScene()
{
    g_cameraFlyer.ResetOrientation();
    g_cameraFlyer.SetPosition(D3DXVECTOR3(0.0f, 0.0f, -300.0f));
    g_cameraSmooth.Restart();
    g_sphere1.SetCenterRadius(D3DXVECTOR3(-40.0f, 0.0f, 0.0f), 50.0f);
    g_sphere2.SetCenterRadius(D3DXVECTOR3(40.0f, 0.0f, 0.0f), 50.0f);
}

HRESULT GetDeviceError() { return g_hrDeviceError; }

void RetryOverlayFont()
{
    if (!g_pFont && GetTime() - g_dwLastFont >= RETRY_INTERVAL)
        CreateOverlayFont();
}

BOOL RestoreLostDevice()
{
    if (!g_pGraphics->IsBroken())
    {
        HRESULT hr = g_pGraphics->TestDevice();
        if (hr == D3DERR_DEVICENOTRESET)
        {
            if (IsMinimised())
                return FALSE;
            // Reset fails while anything of the default pool is alive: the font's
            // textures go before it and come back after it.
            if (g_pFont)
                g_pFont->OnLostDevice();
            hr = g_pGraphics->ResetDevice();
            // The font makes its textures anew here, which can fail for want of
            // video memory: then it goes, and comes back as a font that could not be made.
            if (SUCCEEDED(hr) && g_pFont && FAILED(g_pFont->OnResetDevice()))
                ReleaseOverlayFont();
        }
        if (FAILED(hr) && !g_pGraphics->IsBroken())
            return FALSE;
    }
    // The driver failed, in an earlier Present or just now.
    if (g_pGraphics->IsBroken() && !RecreateDevice())
        return FALSE;

    SetProjection();
    // The slots missed while the device was lost are not made up.
    g_frameRate.ResetTiming();
    return TRUE;
}

void ShutdownApplication()
{
    ReleaseOverlayFont();
    ReleaseHelpPanel();
    if (g_pGraphics)
    {
        g_pGraphics->Destroy();
        delete g_pGraphics;
        g_pGraphics = nullptr;
    }
}
