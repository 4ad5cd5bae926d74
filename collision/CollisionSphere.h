// Sphere collision volume: centre and radius, with its bounding cube kept in
// step by every setter.
#pragma once

#include "collision/Collision.h"

class CCollisionSphere : public CCollision
{
public:
    // Centre at the origin, radius 0; the box stays all zero until a setter runs.
    CCollisionSphere();

    void SetCenterRadius(const D3DXVECTOR3& vCenter, float fRadius);
    void SetCenter(const D3DXVECTOR3& vCenter);
    void SetRadius(float fRadius);
    const D3DXVECTOR3* GetCenter() const { return &vCenter; }
    float GetRadius() const { return fRadius; }

    // Recomputes the bounding cube from centre and radius.
    void UpdateAABB();

    // Draws a 16 x 16 sphere mesh at the centre. Returns the creation failure, or S_OK.
    HRESULT Draw(IDirect3DDevice9* pDevice) const override;
    // True when the centres are closer than the sum of the radii; touching is not enough.
    bool Collide(const CCollisionSphere& other) const override;
    // True when the ray from vOrigin along vDirection enters the sphere ahead of
    // its origin; *pfDistance is then where, in lengths of vDirection. A ray from
    // inside meets no front face, as the picture shows none from in there; one
    // that only grazes the sphere does not count, as for Collide.
    bool IntersectRay(const D3DXVECTOR3& vOrigin, const D3DXVECTOR3& vDirection, float* pfDistance) const;

protected:
    D3DXVECTOR3 vCenter;
    float fRadius;
};

extern CCollisionSphere g_sphere1, g_sphere2;
