#include "app/Scene.h"

#include "camera/CameraFlyer.h"
#include "camera/CameraSmooth.h"
#include "collision/CollisionSphere.h"
#include "graphics/Direct3DApi.h"
#include "graphics/Graphics.h"
#include "timing/FrameRate.h"

CGraphics* g_pGraphics = nullptr;
ID3DXFont* g_pFont = nullptr;

namespace
{
// Set at start-up and again after every Reset, which forgets it. The aspect is
// the start-up client area's, whatever the window's size now.
void SetProjection()
{
    D3DXMATRIX matProj;
    D3DXMatrixPerspectiveFovLH(&matProj, D3DX_PI / 4, float(640.0 / 480.0), 1.0f, 1000.0f);
    g_pGraphics->GetDevice()->SetTransform(D3DTS_PROJECTION, &matProj);
}
} // namespace

BOOL InitScene(HWND hWnd)
{
    g_pGraphics = new CGraphics();
    if (FAILED(g_pGraphics->Create(hWnd)))
    {
        delete g_pGraphics;
        g_pGraphics = nullptr;
        return FALSE;
    }

    // The scene is seen through the smoothing camera, which follows the flown one.
    g_cameraFlyer.SetPosition(D3DXVECTOR3(0.0f, 0.0f, -300.0f));
    g_cameraSmooth.SetFollowed(&g_cameraFlyer);
    g_pGraphics->SetCamera(&g_cameraSmooth);

    g_sphere1.SetCenterRadius(D3DXVECTOR3(-40.0f, 0.0f, 0.0f), 50.0f);
    g_sphere2.SetCenterRadius(D3DXVECTOR3(40.0f, 0.0f, 0.0f), 50.0f);

    // Again, now that the clock has been chosen: every slot is timed by one clock.
    g_frameRate.SetFrameRate(60);

    // Without a font the frame simply draws no overlay.
    if (FAILED(g_direct3d.D3DXCreateFontW(g_pGraphics->GetDevice(), -16, 0, FW_BOLD, 1, FALSE, DEFAULT_CHARSET,
                                          OUT_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE,
                                          L"System", &g_pFont)))
        g_pFont = nullptr;

    SetProjection();
    return TRUE;
}

BOOL RestoreLostDevice()
{
    HRESULT hr = g_pGraphics->TestDevice();
    if (hr == D3DERR_DEVICENOTRESET)
    {
        // Reset fails while anything of the default pool is alive: the font's
        // textures go before it and come back after it.
        if (g_pFont)
            g_pFont->OnLostDevice();
        hr = g_pGraphics->ResetDevice();
        if (SUCCEEDED(hr) && g_pFont)
            g_pFont->OnResetDevice();
    }
    if (FAILED(hr))
        return FALSE;

    SetProjection();
    // The slots missed while the device was lost are not made up.
    g_frameRate.ResetTiming();
    return TRUE;
}

void ShutdownApplication()
{
    if (g_pFont)
    {
        g_pFont->Release();
        g_pFont = nullptr;
    }
    if (g_pGraphics)
    {
        g_pGraphics->Destroy();
        delete g_pGraphics;
        g_pGraphics = nullptr;
    }
}
