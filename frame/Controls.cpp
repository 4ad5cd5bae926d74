#include "frame/Controls.h"

#include "app/Platform.h"
#include "camera/CameraFlyer.h"
#include "collision/CollisionSphere.h"

int g_controlMode = CONTROL_CAMERA;
bool g_tabLatch = false;

namespace
{
void CycleControlMode()
{
    if (!IsKeyPressed(VK_TAB))
    {
        g_tabLatch = false;
        return;
    }
    if (g_tabLatch)
        return; // one step per press, however long TAB is held

    if (IsKeyPressed(VK_SHIFT))
    {
        if (--g_controlMode < 0)
            g_controlMode = 2;
    }
    else if (++g_controlMode > 2)
    {
        g_controlMode = 0;
    }
    g_tabLatch = true;
}

void ResizeSphere(CCollisionSphere& sphere)
{
    float r = sphere.GetRadius();
    if (IsKeyPressed(VK_UP))
        r += 1.0f;
    if (IsKeyPressed(VK_DOWN))
        r -= 1.0f;
    if (r < 1.0f)
        r = 1.0f;
    if (r > 100.0f)
        r = 100.0f;
    sphere.SetRadius(r);
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
    CycleControlMode();
    // Takes effect on the camera at its next step, at the start of the next frame.
    g_cameraFlyer.bActive = (g_controlMode == CONTROL_CAMERA);

    if (g_controlMode != CONTROL_SPHERE1 && g_controlMode != CONTROL_SPHERE2)
        return;
    CCollisionSphere& sphere = (g_controlMode == CONTROL_SPHERE1) ? g_sphere1 : g_sphere2;
    if (IsKeyPressed(VK_SHIFT))
        ResizeSphere(sphere);
    else
        MoveSphere(sphere);
}
