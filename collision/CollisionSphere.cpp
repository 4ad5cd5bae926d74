#include "collision/CollisionSphere.h"

#include "graphics/Direct3DApi.h"

#include <cmath>

CCollisionSphere::CCollisionSphere() : CCollision(0), vCenter(0.0f, 0.0f, 0.0f), fRadius(0.0f) {}

void CCollisionSphere::SetCenterRadius(const D3DXVECTOR3& vNewCenter, float fNewRadius)
{
    vCenter = vNewCenter;
    fRadius = fNewRadius;
    UpdateAABB();
}

void CCollisionSphere::SetCenter(const D3DXVECTOR3& vNewCenter)
{
    vCenter = vNewCenter;
    UpdateAABB();
}

void CCollisionSphere::SetRadius(float fNewRadius)
{
    fRadius = fNewRadius;
    UpdateAABB();
}

void CCollisionSphere::UpdateAABB()
{
    aabb.vMin.x = vCenter.x - fRadius;
    aabb.vMin.y = vCenter.y - fRadius;
    aabb.vMin.z = vCenter.z - fRadius;
    aabb.vMax.x = vCenter.x + fRadius;
    aabb.vMax.y = vCenter.y + fRadius;
    aabb.vMax.z = vCenter.z + fRadius;
}

HRESULT CCollisionSphere::Draw(IDirect3DDevice9* pDevice) const
{
    ID3DXMesh* pMesh = nullptr;
    ID3DXBuffer* pAdjacency = nullptr;
    // Fixed tessellation whatever the radius; D3DX centres the sphere on the origin.
    HRESULT hr = g_direct3d.D3DXCreateSphere(pDevice, fRadius, 16, 16, &pMesh, &pAdjacency);
    if (FAILED(hr))
        return hr;

    DrawMeshAt(pDevice, pMesh, pAdjacency, vCenter);
    return S_OK;
}

bool CCollisionSphere::Collide(const CCollisionSphere& other) const
{
    // Squared distances, so no square root; float throughout.
    const float dx = vCenter.x - other.vCenter.x;
    const float dy = vCenter.y - other.vCenter.y;
    const float dz = vCenter.z - other.vCenter.z;
    const float s = fRadius + other.fRadius;
    return s * s > dx * dx + dy * dy + dz * dz;
}

bool CCollisionSphere::IntersectRay(const D3DXVECTOR3& vOrigin, const D3DXVECTOR3& vDirection,
                                    float* pfDistance) const
{
    // |m + t d| = r with m = origin - centre: a t^2 + 2 b t + c = 0.
    const D3DXVECTOR3 m = vOrigin - vCenter;
    const float a = D3DXVec3Dot(&vDirection, &vDirection);
    const float b = D3DXVec3Dot(&m, &vDirection);
    const float c = D3DXVec3Dot(&m, &m) - fRadius * fRadius;
    const float fDiscriminant = b * b - a * c;
    // Outside (c > 0) and heading in (b < 0), with two distinct crossings; a NaN
    // fails a comparison and misses.
    if (!(c > 0.0f && b < 0.0f && fDiscriminant > 0.0f))
        return false;
    *pfDistance = (-b - std::sqrt(fDiscriminant)) / a;
    return true;
}
