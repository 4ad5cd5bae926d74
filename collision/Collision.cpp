#include "collision/Collision.h"

#include "graphics/Direct3DApi.h"

CCollision::CCollision(int nKind) : aabb(), nKind(nKind) {}

CCollision::CCollision(int nKind, float fMinX, float fMinY, float fMinZ, float fMaxX, float fMaxY,
                       float fMaxZ)
    : aabb(fMinX, fMinY, fMinZ, fMaxX, fMaxY, fMaxZ), nKind(nKind)
{
}

CCollision::~CCollision() {}

HRESULT CCollision::DrawAABB(IDirect3DDevice9* pDevice) const
{
    ID3DXMesh* pMesh = nullptr;
    ID3DXBuffer* pAdjacency = nullptr;
    // D3DX builds the box around the origin; the world matrix moves it into place.
    HRESULT hr = g_direct3d.D3DXCreateBox(pDevice, aabb.GetWidth(), aabb.GetHeight(), aabb.GetDepth(), &pMesh,
                                          &pAdjacency);
    if (FAILED(hr))
        return hr;

    const D3DXVECTOR3 vCentre((aabb.vMin.x + aabb.vMax.x) * 0.5f, (aabb.vMin.y + aabb.vMax.y) * 0.5f,
                              (aabb.vMin.z + aabb.vMax.z) * 0.5f);
    DrawMeshAt(pDevice, pMesh, pAdjacency, vCentre);
    return S_OK;
}

void CCollision::DrawMeshAt(IDirect3DDevice9* pDevice, ID3DXMesh* pMesh, ID3DXBuffer* pAdjacency,
                            const D3DXVECTOR3& vAt)
{
    if (pMesh)
    {
        D3DXMATRIX matWorld;
        g_direct3d.D3DXMatrixTranslation(&matWorld, vAt.x, vAt.y, vAt.z);
        pDevice->SetTransform(D3DTS_WORLD, &matWorld);
        pMesh->DrawSubset(0);
        // Meshes are rebuilt every frame, so nothing may stay referenced here.
        pMesh->Release();
    }
    if (pAdjacency)
        pAdjacency->Release();
}
