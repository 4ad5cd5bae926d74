#include "camera/CameraFlyer.h"

#include "app/Platform.h"

#include <cmath>

namespace
{
// One step of turning per frame, in radians.
const float kTurnStep = 0.01f;
} // namespace

CCameraFlyer::CCameraFlyer()
    : bActive(true), fYaw(0.0f), fPitch(0.0f), nKeyLeft(VK_LEFT), nKeyRight(VK_RIGHT), nKeyUp(VK_UP),
      nKeyDown(VK_DOWN), nKeyForward('Z'), nKeyBackward('X'), nKeyShift(VK_SHIFT)
{
    vUp = D3DXVECTOR3(0.0f, 1.0f, 0.0f);
}

CCameraFlyer::~CCameraFlyer() {}

void CCameraFlyer::Update()
{
    // SHIFT is queried on every step, keyboard on or off; the other keys only
    // while the keyboard is ours.
    const bool bShift = IsKeyPressed(nKeyShift);

    if (bActive && !bShift)
    {
        if (IsKeyPressed(nKeyLeft))
            fYaw -= kTurnStep;
        if (IsKeyPressed(nKeyRight))
            fYaw += kTurnStep;
        if (IsKeyPressed(nKeyDown))
            fPitch -= kTurnStep;
        if (IsKeyPressed(nKeyUp))
            fPitch += kTurnStep;
    }

    const D3DXVECTOR3 vForward = GetForward();

    if (bActive && bShift)
    {
        // Horizontal, so sliding never changes height; up and down use world y.
        const D3DXVECTOR3 vRight(std::cos(fYaw), 0.0f, -std::sin(fYaw));
        if (IsKeyPressed(nKeyLeft))
            vPosition -= vRight;
        if (IsKeyPressed(nKeyRight))
            vPosition += vRight;
        if (IsKeyPressed(nKeyDown))
            vPosition.y -= 1.0f;
        if (IsKeyPressed(nKeyUp))
            vPosition.y += 1.0f;
    }

    if (bActive && IsKeyPressed(nKeyForward))
        vPosition += vForward;
    if (bActive && IsKeyPressed(nKeyBackward))
        vPosition -= vForward;

    vTarget = vPosition + vForward;
}

D3DXVECTOR3 CCameraFlyer::GetForward() const
{
    const float fCosPitch = std::cos(fPitch);
    return D3DXVECTOR3(std::sin(fYaw) * fCosPitch, std::sin(fPitch), std::cos(fYaw) * fCosPitch);
}

void CCameraFlyer::MoveForward(float fDistance) { vPosition += GetForward() * fDistance; }

void CCameraFlyer::ResetOrientation()
{
    fYaw = 0.0f;
    fPitch = 0.0f;
    vUp = D3DXVECTOR3(0.0f, 1.0f, 0.0f);
}
