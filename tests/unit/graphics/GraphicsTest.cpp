// CGraphics against a fake Direct3D object and device.
#include "camera/Camera.h"
#include "graphics/Graphics.h"
#include "tests/fakes/FakeDirect3D.h"
#include "tests/fakes/Last.h"

#include <gtest/gtest.h>

namespace
{
// A camera that only counts its steps.
class CountingCamera : public CCamera
{
public:
    void Update() override { ++nUpdates; }
    int nUpdates = 0;
};

class GraphicsTest : public ::testing::Test
{
protected:
    FakeDirect3DApi api;
    CGraphics graphics;
    HWND hWnd = reinterpret_cast<HWND>(0x1234);

    void Create() { ASSERT_EQ(S_OK, graphics.Create(hWnd)); }
    D3DCOLOR LastClearColor() const { return Last(api.device.clears, "Clear").color; }
};
} // namespace

TEST_F(GraphicsTest, CreateAsksForAWindowedSoftwareDeviceWithA16BitDepthBuffer)
{
    Create();

    ASSERT_EQ(1u, api.direct3DCreateVersions.size());
    EXPECT_EQ(32u, api.direct3DCreateVersions[0]);
    ASSERT_EQ(1u, api.d3d.createCalls.size());
    const auto& call = api.d3d.createCalls[0];
    EXPECT_EQ(0u, call.adapter);
    EXPECT_EQ(D3DDEVTYPE_HAL, call.type);
    EXPECT_EQ(hWnd, call.hFocus);
    EXPECT_EQ(DWORD(D3DCREATE_SOFTWARE_VERTEXPROCESSING), call.flags);

    // Every field zero but the four the program sets.
    D3DPRESENT_PARAMETERS expected;
    ZeroMemory(&expected, sizeof(expected));
    expected.SwapEffect = D3DSWAPEFFECT_DISCARD;
    expected.Windowed = TRUE;
    expected.EnableAutoDepthStencil = TRUE;
    expected.AutoDepthStencilFormat = D3DFMT_D16;
    EXPECT_EQ(0, memcmp(&expected, &call.params, sizeof(expected)));

    EXPECT_EQ(&api.device, graphics.GetDevice());
    using State = std::pair<D3DRENDERSTATETYPE, DWORD>;
    EXPECT_EQ((std::vector<State>{{D3DRS_ZENABLE, D3DZB_TRUE}, {D3DRS_NORMALIZENORMALS, TRUE}}),
              api.device.renderStates);
}

TEST_F(GraphicsTest, ASecondCreateChangesNothing)
{
    Create();
    EXPECT_EQ(S_OK, graphics.Create(hWnd));
    EXPECT_EQ(1u, api.direct3DCreateVersions.size());
    EXPECT_EQ(1u, api.d3d.createCalls.size());
}

TEST_F(GraphicsTest, NoDirect3DObjectFailsWithNothingHeld)
{
    api.bDirect3DCreateFails = true;
    EXPECT_EQ(E_FAIL, graphics.Create(hWnd));
    EXPECT_EQ(E_NO_DIRECT3D_OBJECT, graphics.GetCreateError());
    EXPECT_EQ(nullptr, graphics.GetDevice());
    EXPECT_EQ(E_FAIL, graphics.BeginFrame());
}

TEST_F(GraphicsTest, AFailedDeviceReleasesTheDirect3DObjectAndReportsEFail)
{
    api.d3d.hrCreateDevice = D3DERR_INVALIDCALL;
    EXPECT_EQ(E_FAIL, graphics.Create(hWnd));
    EXPECT_EQ(D3DERR_INVALIDCALL, graphics.GetCreateError()) << "the device's own reason is kept";
    EXPECT_EQ(1, api.d3d.nReleases);
    EXPECT_EQ(nullptr, graphics.GetDevice());
    EXPECT_EQ(E_FAIL, graphics.EndFrame());
    EXPECT_EQ(0u, api.device.renderStates.size());
}

TEST_F(GraphicsTest, FramesBeforeCreateAndAfterDestroyFailWithoutTouchingTheDevice)
{
    EXPECT_EQ(E_FAIL, graphics.BeginFrame());
    EXPECT_EQ(E_FAIL, graphics.EndFrame());
    Create();
    graphics.Destroy();
    EXPECT_EQ(E_FAIL, graphics.BeginFrame());
    EXPECT_EQ(E_FAIL, graphics.EndFrame());
    EXPECT_EQ(E_FAIL, graphics.TestDevice());
    EXPECT_EQ(E_FAIL, graphics.ResetDevice());
    EXPECT_EQ(-1, api.log.Find("Clear"));
    EXPECT_EQ(-1, api.log.Find("Present"));
    EXPECT_EQ(-1, api.log.Find("TestCooperativeLevel"));
    EXPECT_EQ(-1, api.log.Find("Reset"));
}

TEST_F(GraphicsTest, DestroyReleasesTheDeviceBeforeTheDirect3DObjectOnce)
{
    Create();
    graphics.Destroy();
    graphics.Destroy();
    EXPECT_EQ((std::vector<std::string>{"Release Device", "Release Direct3D"}), api.log.Matching("Release "));
    EXPECT_EQ(nullptr, graphics.GetDevice());
    // And it can be created again.
    Create();
    EXPECT_EQ(2u, api.d3d.createCalls.size());
}

TEST_F(GraphicsTest, ClearColours)
{
    Create();
    struct Case { int r, g, b; D3DCOLOR expected; };
    EXPECT_EQ(S_OK, graphics.BeginFrame());
    EXPECT_EQ(0xFF000000u, LastClearColor()) << "opaque black until a colour is set";
    for (const Case& c : {Case{0, 0, 255, 0xFF0000FF}, Case{257, 0, 0, 0xFF010000}, Case{-1, 0x1234, 7, 0xFFFF3407}})
    {
        graphics.SetClearColor(c.r, c.g, c.b);
        graphics.BeginFrame();
        EXPECT_EQ(c.expected, LastClearColor()) << c.r << "," << c.g << "," << c.b;
    }
    const auto clear = Last(api.device.clears, "Clear");
    EXPECT_EQ(0u, clear.count);
    EXPECT_EQ(DWORD(D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER), clear.flags);
    EXPECT_EQ(1.0f, clear.z);
    EXPECT_EQ(0u, clear.stencil);
}

TEST_F(GraphicsTest, BeginFrameClearsThenBeginsThenStepsTheCamera)
{
    CountingCamera camera;
    graphics.SetCamera(&camera);
    Create();
    api.log.calls.clear();

    EXPECT_EQ(S_OK, graphics.BeginFrame());
    EXPECT_EQ((std::vector<std::string>{"Clear", "BeginScene", "SetTransform VIEW"}), api.log.calls);
    EXPECT_EQ(1, camera.nUpdates);
}

TEST_F(GraphicsTest, WithoutACameraNoViewIsSet)
{
    Create();
    EXPECT_EQ(S_OK, graphics.BeginFrame());
    EXPECT_EQ(-1, api.log.Find("SetTransform VIEW"));
    EXPECT_NE(-1, api.log.Find("BeginScene"));
}

TEST_F(GraphicsTest, AFailedClearSkipsTheSceneAndAFailedBeginSkipsTheCamera)
{
    CountingCamera camera;
    graphics.SetCamera(&camera);
    Create();

    api.device.hrClear = D3DERR_DEVICELOST;
    EXPECT_EQ(D3DERR_DEVICELOST, graphics.BeginFrame());
    EXPECT_EQ(-1, api.log.Find("BeginScene"));

    api.device.hrClear = S_OK;
    api.device.hrBeginScene = D3DERR_INVALIDCALL;
    EXPECT_EQ(D3DERR_INVALIDCALL, graphics.BeginFrame());
    EXPECT_EQ(0, camera.nUpdates);

    // Failures inside a frame leave the wrapper created.
    api.device.hrBeginScene = S_OK;
    EXPECT_EQ(S_OK, graphics.BeginFrame());
    EXPECT_EQ(1, camera.nUpdates);
}

TEST_F(GraphicsTest, EndFramePresentsEvenWhenEndSceneFailsAndHandsOnPresentsResult)
{
    Create();
    api.device.hrEndScene = D3DERR_INVALIDCALL;
    api.device.hrPresent = D3DERR_DEVICELOST;
    EXPECT_EQ(D3DERR_DEVICELOST, graphics.EndFrame());
    int nEnd = api.log.Find("EndScene");
    ASSERT_NE(-1, nEnd);
    EXPECT_NE(-1, api.log.Find("Present", nEnd));
}

// Lost, the device waits for a Reset; after a driver error only a new one helps.
TEST_F(GraphicsTest, PresentsDeviceLostMarksTheDeviceLostAndADriverErrorBroken)
{
    Create();
    struct Case { HRESULT hr; bool bLost, bBroken; };
    for (const Case& c : {Case{S_OK, false, false}, Case{D3DERR_INVALIDCALL, false, false},
                          Case{D3DERR_DEVICELOST, true, false}, Case{D3DERR_DRIVERINTERNALERROR, true, true}})
    {
        api.device.hrPresent = c.hr;
        EXPECT_EQ(c.hr, graphics.EndFrame());
        EXPECT_EQ(c.bLost, graphics.IsLost()) << std::hex << c.hr;
        EXPECT_EQ(c.bBroken, graphics.IsBroken()) << std::hex << c.hr;
    }
    EXPECT_EQ(S_OK, graphics.Recreate());
    EXPECT_FALSE(graphics.IsLost() || graphics.IsBroken()) << "a new device works";
}
