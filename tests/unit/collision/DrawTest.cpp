// Drawing the volumes: a mesh per call, sized by D3DX, placed by a pure
// translation, drawn once and released before the call returns.
#include "collision/CollisionSphere.h"
#include "tests/fakes/FakeDirect3D.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{
class BoxVolume : public CCollision
{
public:
    BoxVolume(float x0, float y0, float z0, float x1, float y1, float z1)
        : CCollision(1, x0, y0, z0, x1, y1, z1)
    {
    }
    HRESULT Draw(IDirect3DDevice9*) const override { return S_OK; }
    bool Collide(const CCollisionSphere&) const override { return false; }
};

class VolumeDrawing : public ::testing::Test
{
protected:
    IDirect3DDevice9* Device() { return &api.device; }

    // The world matrix set last must be exactly the translation to (x, y, z).
    void ExpectWorldAt(float x, float y, float z)
    {
        D3DXMATRIX matExpected;
        D3DXMatrixTranslation(&matExpected, x, y, z);
        const D3DMATRIX mat = api.device.LastTransform(D3DTS_WORLD);
        for (int r = 0; r < 4; ++r)
            for (int c = 0; c < 4; ++c)
                EXPECT_EQ(mat.m[r][c], matExpected.m[r][c]) << "element " << r << c;
    }

    void ExpectEverythingReleasedOnce()
    {
        for (auto& pMesh : api.meshes)
            EXPECT_EQ(pMesh->nReleases, 1) << pMesh->kind;
        for (auto& pBuffer : api.buffers)
            EXPECT_EQ(pBuffer->nReleases, 1);
    }

    FakeDirect3DApi api;
};

CCollisionSphere SphereAt(float x, float y, float z, float fRadius)
{
    CCollisionSphere sphere;
    sphere.SetCenterRadius(D3DXVECTOR3(x, y, z), fRadius);
    return sphere;
}
} // namespace

TEST_F(VolumeDrawing, SphereIsA16By16MeshOfItsRadiusAtItsCentre)
{
    const CCollisionSphere sphere = SphereAt(-40, 0, 0, 50);
    EXPECT_EQ(sphere.Draw(Device()), S_OK);

    ASSERT_EQ(api.sphereCalls.size(), 1u);
    EXPECT_EQ(api.sphereCalls[0].device, Device());
    EXPECT_EQ(api.sphereCalls[0].radius, 50.0f);
    EXPECT_EQ(api.sphereCalls[0].slices, 16u);
    EXPECT_EQ(api.sphereCalls[0].stacks, 16u);
    EXPECT_TRUE(api.sphereCalls[0].bWantsAdjacency);
    ExpectWorldAt(-40, 0, 0);
    EXPECT_EQ(api.log.calls,
              (std::vector<std::string>{"CreateSphere", "SetTransform WORLD", "DrawSubset Sphere 0",
                                        "Release Sphere", "Release Buffer"}));
    ExpectEverythingReleasedOnce();
}

TEST_F(VolumeDrawing, SphereBoxIsACubeAroundTheSameCentre)
{
    const CCollisionSphere sphere = SphereAt(-40, 0, 0, 50);
    EXPECT_EQ(sphere.DrawAABB(Device()), S_OK);

    ASSERT_EQ(api.boxCalls.size(), 1u);
    EXPECT_EQ(api.boxCalls[0].device, Device());
    EXPECT_EQ(api.boxCalls[0].width, 100.0f);
    EXPECT_EQ(api.boxCalls[0].height, 100.0f);
    EXPECT_EQ(api.boxCalls[0].depth, 100.0f);
    EXPECT_TRUE(api.boxCalls[0].bWantsAdjacency);
    ExpectWorldAt(-40, 0, 0);
    EXPECT_EQ(api.log.calls, (std::vector<std::string>{"CreateBox", "SetTransform WORLD", "DrawSubset Box 0",
                                                       "Release Box", "Release Buffer"}));
    ExpectEverythingReleasedOnce();
}

TEST_F(VolumeDrawing, BoxExtentsGoToWidthHeightDepthAroundTheCentre)
{
    struct Case
    {
        BoxVolume box;
        float fWidth, fHeight, fDepth, x, y, z;
    };
    const Case cases[] = {
        {BoxVolume(-10, -50, -50, 90, 50, 50), 100, 100, 100, 40, 0, 0},
        {BoxVolume(0, 0, 0, 2, 4, 8), 2, 4, 8, 1, 2, 4},
        {BoxVolume(-3, 1, -7, -1, 2, 9), 2, 1, 16, -2, 1.5f, 1},
    };
    for (const Case& c : cases)
    {
        const size_t nBefore = api.boxCalls.size();
        EXPECT_EQ(c.box.DrawAABB(Device()), S_OK);
        ASSERT_EQ(api.boxCalls.size(), nBefore + 1);
        EXPECT_EQ(api.boxCalls.back().width, c.fWidth);
        EXPECT_EQ(api.boxCalls.back().height, c.fHeight);
        EXPECT_EQ(api.boxCalls.back().depth, c.fDepth);
        ExpectWorldAt(c.x, c.y, c.z);
    }
    ExpectEverythingReleasedOnce();
}

TEST_F(VolumeDrawing, FailedBoxDrawsNothingAndLeavesTheWorldAlone)
{
    api.hrCreateBox = E_OUTOFMEMORY;
    const CCollisionSphere sphere = SphereAt(-40, 0, 0, 50);
    EXPECT_EQ(sphere.DrawAABB(Device()), E_OUTOFMEMORY);
    EXPECT_EQ(api.log.calls, (std::vector<std::string>{"CreateBox"}));
    EXPECT_TRUE(api.device.transforms.empty());
}

TEST_F(VolumeDrawing, FailedSphereDrawsNothingAndLeavesTheWorldAlone)
{
    api.hrCreateSphere = D3DERR_INVALIDCALL;
    const CCollisionSphere sphere = SphereAt(-40, 0, 0, 50);
    EXPECT_EQ(sphere.Draw(Device()), D3DERR_INVALIDCALL);
    EXPECT_EQ(api.log.calls, (std::vector<std::string>{"CreateSphere"}));
    EXPECT_TRUE(api.device.transforms.empty());
}

TEST_F(VolumeDrawing, AFrameOfFourVolumesReleasesEveryMeshThenItsBuffer)
{
    const CCollisionSphere sphere1 = SphereAt(-40, 0, 0, 50);
    const CCollisionSphere sphere2 = SphereAt(40, 0, 0, 50);
    sphere1.Draw(Device());
    sphere2.Draw(Device());
    sphere1.DrawAABB(Device());
    sphere2.DrawAABB(Device());

    ASSERT_EQ(api.meshes.size(), 4u);
    ASSERT_EQ(api.buffers.size(), 4u);
    ExpectEverythingReleasedOnce();
    // Each draw ends with its mesh released and then its buffer, before the next creation.
    const char* kinds[] = {"Sphere", "Sphere", "Box", "Box"};
    size_t nAt = 0;
    for (const char* kind : kinds)
    {
        const int nCreate = api.log.Find(std::string("Create") + kind, nAt);
        ASSERT_GE(nCreate, 0);
        const int nMesh = api.log.Find(std::string("Release ") + kind, size_t(nCreate));
        ASSERT_GE(nMesh, 0);
        EXPECT_EQ(api.log.calls[size_t(nMesh) + 1], "Release Buffer");
        nAt = size_t(nMesh) + 2;
    }
    // The world transform keeps the last volume's place.
    ExpectWorldAt(40, 0, 0);
}
