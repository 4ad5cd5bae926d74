#include "camera/CameraSmooth.h"

#include "graphics/Direct3DApi.h"

namespace
{
// Share of the remaining difference closed per step.
const float kFollowWeight = 0.25f;
const float kKeepWeight = 0.75f;
} // namespace

CCameraSmooth::CCameraSmooth() : pFollowed(nullptr) {}

CCameraSmooth::~CCameraSmooth() {}

void CCameraSmooth::SetFollowed(CCamera* pCamera) { pFollowed = pCamera; }

void CCameraSmooth::Update()
{
    // Following itself would recurse without end; treat it like following nothing.
    if (pFollowed == nullptr || pFollowed == this)
        return;

    pFollowed->Update();

    const D3DXVECTOR3& vFollowedPosition = *pFollowed->GetPosition();
    const D3DXVECTOR3& vFollowedTarget = *pFollowed->GetTarget();
    const D3DXVECTOR3& vFollowedUp = *pFollowed->GetUp();

    // A zero up vector means no step has run yet: start exactly on the followed
    // view instead of gliding in from the origin.
    if (vUp.x == 0.0f && vUp.y == 0.0f && vUp.z == 0.0f)
    {
        vPosition = vFollowedPosition;
        vTarget = vFollowedTarget;
        vUp = vFollowedUp;
        return;
    }

    vPosition = vPosition * kKeepWeight + vFollowedPosition * kFollowWeight;
    vTarget = vTarget * kKeepWeight + vFollowedTarget * kFollowWeight;
    vUp = vUp * kKeepWeight + vFollowedUp * kFollowWeight;
    // Only the direction is blended; points keep their blended values.
    g_direct3d.D3DXVec3Normalize(&vUp, &vUp);
}

void CCameraSmooth::Restart()
{
    // A zero up vector is what Update takes for "no step yet".
    vPosition = vTarget = vUp = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
}
