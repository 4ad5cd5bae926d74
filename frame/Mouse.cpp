#include "frame/Mouse.h"

#include "app/Scene.h"
#include "camera/CameraSmooth.h"
#include "collision/CollisionSphere.h"
#include "frame/Controls.h"
#include "frame/HelpPanel.h"
#include "frame/Input.h"

#include <cmath>
#include <cstring>

namespace
{
// Where the cursor was and how the scene was seen: a drag moves its sphere only
// when either has changed, so a sphere held still stays exactly where it is
// (moving it again to where it is would let rounding creep it along the view).
struct DragPose
{
    float x, y;
    D3DXVECTOR3 vEye, vTarget, vUp;
};

bool g_bClicked = false;    // a press of the scene's not yet picked
bool g_bButtonDown = false; // the button is down since that press
float g_fPressX = 0.0f, g_fPressY = 0.0f;
float g_fCursorX = 0.0f, g_fCursorY = 0.0f;
int g_nWheelDelta = 0; // turned and not yet taken as whole notches
int g_nDragged = 0;    // CONTROL_SPHERE1 or CONTROL_SPHERE2 while a drag holds it, else 0
D3DXVECTOR3 g_vGrab;   // the point grabbed, less the sphere's centre
DragPose g_lastPose;   // when the dragged sphere was last moved

// The view the frame draws with, the smoothing camera's: the eye and three unit axes.
struct View
{
    D3DXVECTOR3 vEye, vRight, vUp, vAhead;
};

View GetView()
{
    const D3DXMATRIX m = g_cameraSmooth.GetViewMatrix();
    return {*g_cameraSmooth.GetPosition(), {m._11, m._21, m._31}, {m._12, m._22, m._32}, {m._13, m._23, m._33}};
}

// The direction from the eye through picture point (x, y), one unit deep along
// the view: a distance along it is a depth. At depth 1 the picture's edges lie
// tan(FIELD_OF_VIEW / 2) above and below the view's axis, ASPECT times that aside.
D3DXVECTOR3 RayThrough(const View& view, float x, float y)
{
    const float fTanY = std::tan(FIELD_OF_VIEW / 2);
    const float fSide = (2.0f * x / PICTURE_WIDTH - 1.0f) * fTanY * ASPECT;
    const float fUp = (1.0f - 2.0f * y / PICTURE_HEIGHT) * fTanY;
    return view.vAhead + view.vRight * fSide + view.vUp * fUp;
}

DragPose GetPose()
{
    return {g_fCursorX, g_fCursorY, *g_cameraSmooth.GetPosition(), *g_cameraSmooth.GetTarget(),
            *g_cameraSmooth.GetUp()};
}

// The panel is opaque and drawn over the volumes: a click on it is on the panel.
bool IsOnHelpPanel(float x, float y)
{
    return g_bShowHelp && x > HELP_PANEL.left - 0.5f && x < HELP_PANEL.right - 0.5f &&
           y > HELP_PANEL.top - 0.5f && y < HELP_PANEL.bottom - 0.5f;
}
} // namespace

bool PressMouse(float x, float y, DWORD dwTime)
{
    if (IsFromPause(dwTime))
        return false;
    g_bClicked = g_bButtonDown = true;
    g_fPressX = g_fCursorX = x;
    g_fPressY = g_fCursorY = y;
    return true;
}

void MoveMouse(float x, float y)
{
    if (!g_bButtonDown)
        return;
    g_fCursorX = x;
    g_fCursorY = y;
}

void ReleaseMouse() { g_bButtonDown = false; }

void TurnMouseWheel(int nDelta) { g_nWheelDelta += nDelta; }

void PickWithMouse()
{
    if (!g_bClicked)
        return;
    g_bClicked = false;
    if (IsOnHelpPanel(g_fPressX, g_fPressY))
        return;
    const View view = GetView();
    const D3DXVECTOR3 vRay = RayThrough(view, g_fPressX, g_fPressY);
    float fDistance1 = 0.0f, fDistance2 = 0.0f;
    const bool bHit1 = g_sphere1.IntersectRay(view.vEye, vRay, &fDistance1);
    const bool bHit2 = g_sphere2.IntersectRay(view.vEye, vRay, &fDistance2);
    if (!bHit1 && !bHit2)
        return;
    const bool bFirst = bHit1 && (!bHit2 || fDistance1 <= fDistance2);
    const CCollisionSphere& sphere = bFirst ? g_sphere1 : g_sphere2;
    g_controlMode = g_nDragged = bFirst ? CONTROL_SPHERE1 : CONTROL_SPHERE2;
    g_vGrab = view.vEye + vRay * (bFirst ? fDistance1 : fDistance2) - *sphere.GetCenter();
    g_lastPose = GetPose();
    g_lastPose.x = g_fPressX;
    g_lastPose.y = g_fPressY;
}

int TakeWheelNotches()
{
    const int nNotches = g_nWheelDelta / WHEEL_DELTA;
    g_nWheelDelta -= nNotches * WHEEL_DELTA;
    return nNotches;
}

void DragWithMouse()
{
    if (g_nDragged != g_controlMode)
        g_nDragged = 0;
    if (!g_nDragged)
        return;
    const DragPose pose = GetPose();
    if (std::memcmp(&pose, &g_lastPose, sizeof(pose)) != 0)
    {
        g_lastPose = pose;
        CCollisionSphere& sphere = (g_nDragged == CONTROL_SPHERE1) ? g_sphere1 : g_sphere2;
        const View view = GetView();
        const D3DXVECTOR3 vFromEye = *sphere.GetCenter() + g_vGrab - view.vEye;
        const float fDepth = D3DXVec3Dot(&vFromEye, &view.vAhead);
        // A point that the keys have moved nearer than the near plane is not
        // drawn: it has no place under the cursor.
        if (fDepth >= NEAR_PLANE)
            sphere.SetCenter(view.vEye + RayThrough(view, g_fCursorX, g_fCursorY) * fDepth - g_vGrab);
    }
    if (!g_bButtonDown)
        g_nDragged = 0;
}

void DropMouseInput()
{
    g_bClicked = g_bButtonDown = false;
    g_nWheelDelta = 0;
    g_nDragged = 0;
}
