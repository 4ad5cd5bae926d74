// Helpers shared by the camera tests.
#pragma once

#include "camera/CameraFlyer.h"

#include <gtest/gtest.h>

inline void ExpectVector(const D3DXVECTOR3& v, float x, float y, float z)
{
    EXPECT_EQ(v.x, x);
    EXPECT_EQ(v.y, y);
    EXPECT_EQ(v.z, z);
}

// A camera that counts its steps and, if asked, moves its eye point each step.
class CountingCamera : public CCamera
{
public:
    void Update() override
    {
        ++nUpdates;
        vPosition += vStep;
    }
    void Place(const D3DXVECTOR3& vNewPosition, const D3DXVECTOR3& vNewTarget, const D3DXVECTOR3& vNewUp)
    {
        vPosition = vNewPosition;
        vTarget = vNewTarget;
        vUp = vNewUp;
    }
    int nUpdates = 0;
    D3DXVECTOR3 vStep{0, 0, 0};
};

// The flown camera with its angles in view.
class TestFlyer : public CCameraFlyer
{
public:
    using CCameraFlyer::fPitch;
    using CCameraFlyer::fYaw;
    D3DXVECTOR3 Forward() { return *GetTarget() - *GetPosition(); }
};
