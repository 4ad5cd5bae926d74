// The camera base: its starting vectors, SetPosition, and ApplyView handing the
// device the view built by the real D3DX from the vectors after the step.
#include "camera/CameraSmooth.h"
#include "tests/fakes/FakeDirect3D.h"
#include "tests/fakes/FakePlatform.h"
#include "tests/unit/camera/CameraTestSupport.h"

namespace
{
class ApplyView : public ::testing::Test
{
protected:
    IDirect3DDevice9* Device() { return &api.device; }

    void ExpectViewOf(CCamera& camera)
    {
        D3DXMATRIX matExpected;
        D3DXMatrixLookAtLH(&matExpected, camera.GetPosition(), camera.GetTarget(), camera.GetUp());
        const D3DMATRIX mat = api.device.LastTransform(D3DTS_VIEW);
        for (int r = 0; r < 4; ++r)
            for (int c = 0; c < 4; ++c)
                EXPECT_EQ(mat.m[r][c], matExpected.m[r][c]) << "element " << r << c;
    }

    FakePlatform platform;
    FakeDirect3DApi api;
};
} // namespace

TEST(Camera, StartsAtTheOriginAndSetPositionMovesOnlyTheEyePoint)
{
    CountingCamera camera;
    ExpectVector(*camera.GetPosition(), 0, 0, 0);
    ExpectVector(*camera.GetTarget(), 0, 0, 0);
    ExpectVector(*camera.GetUp(), 0, 0, 0);

    camera.Place(D3DXVECTOR3(1, 2, 3), D3DXVECTOR3(4, 5, 6), D3DXVECTOR3(0, 1, 0));
    camera.SetPosition(D3DXVECTOR3(-7, 8, -9));
    ExpectVector(*camera.GetPosition(), -7, 8, -9);
    ExpectVector(*camera.GetTarget(), 4, 5, 6);
    ExpectVector(*camera.GetUp(), 0, 1, 0);
}

TEST_F(ApplyView, SetsTheViewOfTheVectorsAfterTheStep)
{
    CCameraFlyer flyer;
    flyer.SetPosition(D3DXVECTOR3(0, 0, -300));
    platform.Press(VK_RIGHT);
    platform.Press('Z');
    flyer.ApplyView(Device());

    EXPECT_EQ(api.log.calls, std::vector<std::string>{"SetTransform VIEW"});
    EXPECT_NE(flyer.GetPosition()->z, -300.0f); // the step ran before the view was built
    ExpectViewOf(flyer);
}

TEST_F(ApplyView, EachCallIsOneStep)
{
    CountingCamera camera;
    camera.Place(D3DXVECTOR3(0, 0, -5), D3DXVECTOR3(0, 0, 0), D3DXVECTOR3(0, 1, 0));
    camera.vStep = D3DXVECTOR3(0, 0, 1);
    camera.ApplyView(Device());
    camera.ApplyView(Device());

    EXPECT_EQ(camera.nUpdates, 2);
    EXPECT_EQ(api.log.Count("SetTransform VIEW"), 2);
    ExpectVector(*camera.GetPosition(), 0, 0, -3);
    ExpectViewOf(camera);
}

TEST_F(ApplyView, SmoothCameraStepsTheFlyerOncePerFrame)
{
    CCameraFlyer flyer;
    CCameraSmooth smooth;
    flyer.SetPosition(D3DXVECTOR3(0, 0, -300));
    smooth.SetFollowed(&flyer);
    platform.Press('Z');
    for (int i = 0; i < 3; ++i)
        smooth.ApplyView(Device());

    ExpectVector(*flyer.GetPosition(), 0, 0, -297);
    ExpectViewOf(smooth);
}
