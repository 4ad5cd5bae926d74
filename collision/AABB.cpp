#include "collision/AABB.h"

AABB::AABB() : vMin(0.0f, 0.0f, 0.0f), vMax(0.0f, 0.0f, 0.0f) {}

AABB::AABB(float fMinX, float fMinY, float fMinZ, float fMaxX, float fMaxY, float fMaxZ)
    : vMin(fMinX, fMinY, fMinZ), vMax(fMaxX, fMaxY, fMaxZ)
{
}

float AABB::GetWidth() const { return vMax.x - vMin.x; }

float AABB::GetHeight() const { return vMax.y - vMin.y; }

float AABB::GetDepth() const { return vMax.z - vMin.z; }

bool AABB::Intersects(const AABB& other) const
{
    // Strict comparisons only: boxes that merely touch stay apart, and any NaN
    // fails its comparison.
    return vMin.x < other.vMax.x && other.vMin.x < vMax.x && vMin.y < other.vMax.y && other.vMin.y < vMax.y &&
           vMin.z < other.vMax.z && other.vMin.z < vMax.z;
}
