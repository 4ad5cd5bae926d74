#include "frame/RenderFrame.h"

#include "app/Platform.h"
#include "app/Scene.h"
#include "collision/CollisionSphere.h"
#include "frame/Controls.h"
#include "frame/HelpPanel.h"
#include "frame/Input.h"
#include "graphics/Direct3DApi.h"
#include "graphics/Graphics.h"
#include "timing/FrameRate.h"

#include <cmath>
#include <cwchar>

namespace
{
const D3DXCOLOR SPHERE_COLOR(1.0f, 0.0f, 0.0f, 0.5f); // half-transparent red
const D3DXCOLOR BOX_COLOR(1.0f, 1.0f, 0.0f, 0.5f);    // half-transparent yellow
const D3DXCOLOR TEXT_COLOR(1.0f, 0.0f, 0.0f, 1.0f);   // opaque red
// With H on, for the volumes the tests find touching; the help panel names them.
// The boxes are drawn over the spheres: a darker cyan lets the green show through.
const D3DXCOLOR HIT_SPHERE_COLOR(0.0f, 1.0f, 0.0f, 0.5f); // half-transparent green
const D3DXCOLOR HIT_BOX_COLOR(0.0f, 0.6f, 0.6f, 0.5f);    // half-transparent dark cyan
const DWORD LOST_DEVICE_PAUSE = 50;                       // ms between questions to a lost device

// The light's angle, a = t / 350 radians, for a time t in milliseconds. The turn
// is taken off in double precision first: a float of t / 350 alone loses the
// milliseconds within hours of the platform's uptime and makes the light jump.
float LightAngle(DWORD t)
{
    const double TWO_PI = 6.283185307179586;
    return float(std::fmod(double(t) / 350.0, TWO_PI));
}

// A directional light pointing 45 degrees down, circling once every 2 pi x 350 ms.
void SetCirclingLight(IDirect3DDevice9* pDevice)
{
    D3DLIGHT9 light;
    ZeroMemory(&light, sizeof(light));
    light.Type = D3DLIGHT_DIRECTIONAL;
    light.Diffuse.r = 1.0f;
    light.Diffuse.g = 1.0f;
    light.Diffuse.b = 1.0f;

    D3DXVECTOR3 vecDir;
    vecDir.z = std::sin(LightAngle(g_platform.timeGetTime()));
    vecDir.x = std::cos(LightAngle(g_platform.timeGetTime()));
    vecDir.y = -1.0f;
    D3DXVECTOR3 vecNormal;
    g_direct3d.D3DXVec3Normalize(&vecNormal, &vecDir);
    light.Direction = vecNormal;
    light.Range = 1000.0f;

    pDevice->SetLight(0, &light);
    pDevice->LightEnable(0, TRUE);
}

void SetMaterial(IDirect3DDevice9* pDevice, const D3DXCOLOR& color)
{
    D3DMATERIAL9 mtrl;
    ZeroMemory(&mtrl, sizeof(mtrl));
    mtrl.Diffuse = color;
    mtrl.Ambient = color;
    pDevice->SetMaterial(&mtrl);
}

const wchar_t* Word(bool b)
{
    return b ? L"true" : L"false";
}
} // namespace

void RenderFrame()
{
    if (!g_pGraphics)
        return;
    // A lost device draws nothing: the frame only asks whether it is back and,
    // while it is not, pauses briefly, leaving the thread to the window's messages.
    // This comes before the device is fetched: while a new one cannot be made
    // there is none, and the turn must still pause.
    if (g_pGraphics->IsLost() && !RestoreLostDevice())
    {
        PauseInput();
        g_platform.Sleep(LOST_DEVICE_PAUSE);
        return;
    }
    // Only now: making the device anew changes it.
    IDirect3DDevice9* pDevice = g_pGraphics->GetDevice();
    if (!pDevice)
        return;
    // The overlay is drawn as soon as its font can be made.
    RetryOverlayFont();

    // Before the flown camera reads the keys, in BeginFrame.
    ResumeInput();
    g_pGraphics->SetClearColor(0, 0, 255);
    if (FAILED(g_pGraphics->BeginFrame()))
    {
        // Not a loss (Present reports that): beep, give the device a moment and carry on.
        g_platform.MessageBeep(0);
        g_platform.Sleep(500);
    }
    // Opaque, nearest and first: what lies behind it is never shaded.
    if (g_bShowHelp)
        DrawHelpPanel(pDevice, g_controlMode);

    pDevice->SetRenderState(D3DRS_FILLMODE, IsKeyPressed('W') ? D3DFILL_WIREFRAME : D3DFILL_SOLID);
    pDevice->SetRenderState(D3DRS_LIGHTING, TRUE);
    pDevice->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    pDevice->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    SetCirclingLight(pDevice);
    pDevice->SetRenderState(D3DRS_AMBIENT, 0x00202020);

    UpdateControls();

    // The selected sphere blinks: it and its box skip one frame in eight.
    const bool bBlink = (g_frameRate.GetFrameCount() & 7) == 0;
    const bool bShow1 = !(g_controlMode == CONTROL_SPHERE1 && bBlink);
    const bool bShow2 = !(g_controlMode == CONTROL_SPHERE2 && bBlink);

    const bool bCollision = g_sphere1.Collide(g_sphere2);
    const bool bOverlap = g_sphere1.GetAABB()->Intersects(*g_sphere2.GetAABB());

    SetMaterial(pDevice, g_bHitColors && bCollision ? HIT_SPHERE_COLOR : SPHERE_COLOR);
    if (bShow1)
        g_sphere1.Draw(pDevice);
    if (bShow2)
        g_sphere2.Draw(pDevice);
    SetMaterial(pDevice, g_bHitColors && bOverlap ? HIT_BOX_COLOR : BOX_COLOR);
    if (bShow1)
        g_sphere1.DrawAABB(pDevice);
    if (bShow2)
        g_sphere2.DrawAABB(pDevice);

    RECT rc = {10, 10, 400, 300};

    const D3DXVECTOR3& v1 = *g_sphere1.GetCenter();
    const D3DXVECTOR3& v2 = *g_sphere2.GetCenter();
    WCHAR info[4096];
    swprintf_s(info, 4095,
               L"FPS %02d/%02d  CPU %03d%%\n"
               L"Sphere1 (%.2f, %.2f, %.2f) R=%.2f\n"
               L"Sphere2 (%.2f, %.2f, %.2f) R=%.2f\n"
               L"AABB %s\n"
               L"Collision %s\n",
               int(g_frameRate.GetMeasuredRate()), int(g_frameRate.GetFrameRate()), g_frameRate.GetCpuLoad(),
               double(v1.x), double(v1.y), double(v1.z), double(g_sphere1.GetRadius()), double(v2.x),
               double(v2.y), double(v2.z), double(g_sphere2.GetRadius()), Word(bOverlap), Word(bCollision));
    if (g_pFont)
        g_pFont->DrawTextW(nullptr, info, -1, &rc, DT_NOCLIP, TEXT_COLOR);

    g_pGraphics->EndFrame();
    g_frameRate.Wait();
}
