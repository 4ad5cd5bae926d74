#include "frame/Controls.h"

#include "app/Platform.h"
#include "app/Scene.h"
#include "camera/CameraFlyer.h"
#include "collision/CollisionSphere.h"
#include "frame/Mouse.h"

int g_controlMode = CONTROL_CAMERA;
bool g_tabLatch = false;
bool g_homeLatch = false;
bool g_helpLatch = false;
bool g_hitLatch = false;
bool g_bShowHelp = false;
bool g_bHitColors = false;

namespace
{
const float WHEEL_FLIGHT = 10.0f; // units the camera flies a notch of the wheel

// True in the first frame that finds the key down, then not again until a frame
// has found it up: one action per press, however long the key is held.
bool TakePress(int vKey, bool& bLatch)
{
    const bool bPressed = IsKeyPressed(vKey);
    const bool bNew = bPressed && !bLatch;
    bLatch = bPressed;
    return bNew;
}

void CycleControlMode()
{
    if (!TakePress(VK_TAB, g_tabLatch))
        return;
    if (IsKeyPressed(VK_SHIFT))
    {
        if (--g_controlMode < 0)
            g_controlMode = 2;
    }
    else if (++g_controlMode > 2)
    {
        g_controlMode = 0;
    }
}

void SetRadiusWithin(CCollisionSphere& sphere, float r)
{
    if (r < 1.0f)
        r = 1.0f;
    if (r > 100.0f)
        r = 100.0f;
    sphere.SetRadius(r);
}

void ResizeSphere(CCollisionSphere& sphere)
{
    float r = sphere.GetRadius();
    if (IsKeyPressed(VK_UP))
        r += 1.0f;
    if (IsKeyPressed(VK_DOWN))
        r -= 1.0f;
    SetRadiusWithin(sphere, r);
}

// Moves along the flown camera's own axes, unnormalised: a step along vz is the
// distance from its eye to its look-at point.
void MoveSphere(CCollisionSphere& sphere)
{
    D3DXVECTOR3 vs = *sphere.GetCenter();
    D3DXVECTOR3 vz = *g_cameraFlyer.GetTarget() - *g_cameraFlyer.GetPosition();
    D3DXVECTOR3 vy = *g_cameraFlyer.GetUp();
    D3DXVECTOR3 vx;
    D3DXVec3Cross(&vx, &vy, &vz);

    if (IsKeyPressed(VK_LEFT))
        vs -= vx;
    if (IsKeyPressed(VK_RIGHT))
        vs += vx;
    if (IsKeyPressed(VK_UP))
        vs += vy;
    if (IsKeyPressed(VK_DOWN))
        vs -= vy;
    if (IsKeyPressed('Z'))
        vs += vz;
    if (IsKeyPressed('X'))
        vs -= vz;
    sphere.SetCenter(vs);
}
} // namespace

void UpdateControls()
{
    // Before any key moves a sphere: the spheres are where the picture on screen has them.
    PickWithMouse();
    CycleControlMode();
    if (TakePress(VK_HOME, g_homeLatch))
    {
        ResetScene();
        g_controlMode = CONTROL_CAMERA;
    }
    if (TakePress(VK_F1, g_helpLatch))
        g_bShowHelp = !g_bShowHelp;
    // Alt+H opens the Help menu: that H is the menu's, not a toggle.
    if (TakePress('H', g_hitLatch) && !IsKeyPressed(VK_MENU))
        g_bHitColors = !g_bHitColors;
    // Takes effect on the camera at its next step, at the start of the next frame.
    g_cameraFlyer.bActive = (g_controlMode == CONTROL_CAMERA);

    const int nNotches = TakeWheelNotches();
    if (g_controlMode == CONTROL_SPHERE1 || g_controlMode == CONTROL_SPHERE2)
    {
        CCollisionSphere& sphere = (g_controlMode == CONTROL_SPHERE1) ? g_sphere1 : g_sphere2;
        if (IsKeyPressed(VK_SHIFT))
            ResizeSphere(sphere);
        else
            MoveSphere(sphere);
        if (nNotches != 0)
            SetRadiusWithin(sphere, sphere.GetRadius() + float(nNotches));
    }
    else if (nNotches != 0)
    {
        g_cameraFlyer.MoveForward(WHEEL_FLIGHT * float(nNotches));
    }
    // After the keys: the grabbed point goes under the cursor from wherever they left it.
    DragWithMouse();
}
