#include "collision/CollisionSphere.h"

#include "graphics/Direct3DApi.h"

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
