// Axis-aligned bounding box: the corners vMin and vMax and the overlap test.
#pragma once

#include <d3dx9.h>

struct AABB
{
    D3DXVECTOR3 vMin;
    D3DXVECTOR3 vMax;

    // Both corners at the origin.
    AABB();
    AABB(float fMinX, float fMinY, float fMinZ, float fMaxX, float fMaxY, float fMaxZ);

    // Extents along x, y and z (vMax - vMin); negative when the corners are swapped.
    float GetWidth() const;
    float GetHeight() const;
    float GetDepth() const;

    // True when the two boxes share interior volume. Touching faces, edges or
    // corners do not count, and a NaN on either side makes the answer false.
    bool Intersects(const AABB& other) const;
};
