// Base of the collision volumes: a bounding box, a kind tag, and drawing of
// the box. Each volume kind draws itself and tests itself against a sphere.
#pragma once

#include "collision/AABB.h"

#include <d3d9.h>
#include <d3dx9.h>

class CCollisionSphere;

class CCollision
{
public:
    explicit CCollision(int nKind);
    CCollision(int nKind, float fMinX, float fMinY, float fMinZ, float fMaxX, float fMaxY, float fMaxZ);
    virtual ~CCollision();

    // Draws the bounding box as a box mesh placed at the box's centre. Returns
    // the creation failure, or S_OK.
    virtual HRESULT DrawAABB(IDirect3DDevice9* pDevice) const;
    // Draws the volume itself.
    virtual HRESULT Draw(IDirect3DDevice9* pDevice) const = 0;
    // True when this volume and the sphere intersect.
    virtual bool Collide(const CCollisionSphere& other) const = 0;

    const AABB* GetAABB() const { return &aabb; }
    int GetKind() const { return nKind; }

protected:
    // Places a freshly created mesh at vAt (translation only), draws it and
    // releases the mesh, then the adjacency buffer. Either may be null.
    static void DrawMeshAt(IDirect3DDevice9* pDevice, ID3DXMesh* pMesh, ID3DXBuffer* pAdjacency,
                           const D3DXVECTOR3& vAt);

    AABB aabb;
    int nKind;
};
