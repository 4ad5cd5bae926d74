// Scene set-up and shutdown on the fake Direct3D.
#include "app/Scene.h"
#include "camera/CameraFlyer.h"
#include "camera/CameraSmooth.h"
#include "collision/CollisionSphere.h"
#include "frame/RenderFrame.h"
#include "graphics/Graphics.h"
#include "tests/fakes/FakeDirect3D.h"
#include "tests/fakes/FakePlatform.h"
#include "timing/FrameRate.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <new>

namespace
{
const HWND WINDOW = reinterpret_cast<HWND>(0x1234);

// Blocks of the device wrapper's size handed out while watched and not yet
// freed: the only way to see that a wrapper nobody points at was deleted.
bool s_bWatchWrappers = false;
void* s_apWrappers[8] = {};
int LiveWrappers() { return int(8 - std::count(s_apWrappers, s_apWrappers + 8, nullptr)); }

class SceneTest : public ::testing::Test
{
protected:
    FakePlatform platform;
    FakeDirect3DApi api;

    void SetUp() override
    {
        g_cameraSmooth = CCameraSmooth();
        g_cameraFlyer = CCameraFlyer();
        g_sphere1 = CCollisionSphere();
        g_sphere2 = CCollisionSphere();
    }
    void TearDown() override { ShutdownApplication(); }

    static float Bits(uint32_t bits)
    {
        float f;
        std::memcpy(&f, &bits, sizeof(f));
        return f;
    }
};
} // namespace

void* operator new(std::size_t nSize)
{
    void* p = HeapAlloc(GetProcessHeap(), 0, nSize ? nSize : 1);
    if (!p)
        throw std::bad_alloc();
    void** ppFree = std::find(s_apWrappers, s_apWrappers + 8, nullptr);
    if (s_bWatchWrappers && nSize == sizeof(CGraphics) && ppFree != s_apWrappers + 8)
        *ppFree = p;
    return p;
}

void operator delete(void* p) noexcept
{
    std::replace(s_apWrappers, s_apWrappers + 8, p, static_cast<void*>(nullptr));
    HeapFree(GetProcessHeap(), 0, p);
}

void operator delete(void* p, std::size_t) noexcept { operator delete(p); }

TEST_F(SceneTest, StartUpPlacesCamerasSpheresRateFontAndProjection)
{
    platform.dwTime = platform.dwTickCount = 5000;
    ASSERT_TRUE(InitScene(WINDOW));
    ASSERT_NE(nullptr, g_pGraphics);
    EXPECT_EQ(&api.device, g_pGraphics->GetDevice());

    EXPECT_EQ(D3DXVECTOR3(0, 0, -300), *g_cameraFlyer.GetPosition());
    EXPECT_EQ(D3DXVECTOR3(-40, 0, 0), *g_sphere1.GetCenter());
    EXPECT_EQ(D3DXVECTOR3(40, 0, 0), *g_sphere2.GetCenter());
    EXPECT_EQ(50.0f, g_sphere1.GetRadius());
    EXPECT_EQ(50.0f, g_sphere2.GetRadius());
    EXPECT_EQ(D3DXVECTOR3(-90, -50, -50), g_sphere1.GetAABB()->vMin);
    EXPECT_EQ(60u, g_frameRate.GetFrameRate());
    EXPECT_EQ(0u, g_frameRate.GetFrameCount());

    ASSERT_EQ(1u, api.fontCalls.size());
    const auto& font = api.fontCalls[0];
    EXPECT_EQ(&api.device, font.device);
    EXPECT_EQ(-16, font.height);
    EXPECT_EQ(0u, font.width);
    EXPECT_EQ(700u, font.weight);
    EXPECT_EQ(1u, font.mipLevels);
    EXPECT_EQ(FALSE, font.italic);
    EXPECT_EQ(1u, font.charSet);
    EXPECT_EQ(0u, font.outputPrecision + font.quality + font.pitchAndFamily);
    EXPECT_EQ(L"System", font.face);
    ASSERT_EQ(1u, api.fonts.size());
    EXPECT_EQ(api.fonts[0].get(), g_pFont);

    // pi/4 and 640/480 as the floats 0x3F490FDB and 0x3FAAAAAB.
    D3DXMATRIX expected;
    D3DXMatrixPerspectiveFovLH(&expected, Bits(0x3F490FDB), Bits(0x3FAAAAAB), 1.0f, 1000.0f);
    D3DMATRIX projection = api.device.LastTransform(D3DTS_PROJECTION);
    EXPECT_EQ(0, std::memcmp(&expected, &projection, sizeof(D3DMATRIX)));
    EXPECT_EQ(1, api.log.Count("SetTransform PROJECTION"));
}

TEST_F(SceneTest, TheFirstFrameSeesExactlyTheFlownCamerasView)
{
    ASSERT_TRUE(InitScene(WINDOW));
    RenderFrame();
    EXPECT_EQ(D3DXVECTOR3(0, 0, -300), *g_cameraSmooth.GetPosition());
    EXPECT_EQ(D3DXVECTOR3(0, 0, -299), *g_cameraSmooth.GetTarget());
    EXPECT_EQ(D3DXVECTOR3(0, 1, 0), *g_cameraSmooth.GetUp());
    D3DXMATRIX expected;
    D3DXVECTOR3 eye(0, 0, -300), at(0, 0, -299), up(0, 1, 0);
    D3DXMatrixLookAtLH(&expected, &eye, &at, &up);
    D3DMATRIX view = api.device.LastTransform(D3DTS_VIEW);
    EXPECT_EQ(0, std::memcmp(&expected, &view, sizeof(D3DMATRIX)));
}

TEST_F(SceneTest, WithoutADeviceNothingElseIsTouched)
{
    api.d3d.hrCreateDevice = D3DERR_INVALIDCALL;
    g_sphere1.SetCenterRadius(D3DXVECTOR3(1, 2, 3), 4);

    api.log.calls.reserve(16); // so that no block of the log's can pass for a wrapper
    s_bWatchWrappers = true;
    EXPECT_FALSE(InitScene(WINDOW));
    s_bWatchWrappers = false;
    EXPECT_EQ(0, LiveWrappers()) << "the wrapper of the failed device was not deleted";
    EXPECT_EQ(nullptr, g_pGraphics);
    EXPECT_EQ(nullptr, g_pFont);
    EXPECT_TRUE(api.fontCalls.empty());
    EXPECT_TRUE(api.device.transforms.empty());
    EXPECT_EQ(D3DXVECTOR3(0, 0, 0), *g_cameraFlyer.GetPosition());
    EXPECT_EQ(D3DXVECTOR3(1, 2, 3), *g_sphere1.GetCenter());
    EXPECT_EQ(4.0f, g_sphere1.GetRadius());
    EXPECT_EQ(1, api.d3d.nReleases) << "the Direct3D object is given back";
    EXPECT_EQ(D3DERR_INVALIDCALL, GetDeviceError()) << "the device's own reason, for the user";
}

TEST_F(SceneTest, ShutdownReleasesTheFontThenTheDeviceThenTheDirect3DObjectOnce)
{
    ASSERT_TRUE(InitScene(WINDOW));
    ShutdownApplication();
    ShutdownApplication(); // a second shutdown has nothing left to release
    EXPECT_EQ((std::vector<std::string>{"Release Font", "Release Device", "Release Direct3D"}),
              api.log.Matching("Release "));
    EXPECT_EQ(nullptr, g_pGraphics);
}

// Frames without a font draw no overlay and ask for the font again once a
// second; a lost device comes back without one too.
TEST_F(SceneTest, WithoutAFontFramesDrawNoOverlayAndAskForItOnceASecond)
{
    api.hrCreateFont = E_OUTOFMEMORY;
    ASSERT_TRUE(InitScene(WINDOW));
    api.device.hrPresent = D3DERR_DEVICELOST;
    api.device.cooperativeLevels = {D3DERR_DEVICENOTRESET};
    for (int i = 0; i < 300 && platform.dwTime < 2500; ++i)
        RenderFrame();
    EXPECT_EQ(1u, api.device.resets.size());
    EXPECT_EQ(-1, api.log.Find("DrawTextW"));
    EXPECT_EQ(3u, api.fontCalls.size()) << "at start-up, then once a second";

    api.hrCreateFont = S_OK;
    for (int i = 0; i < 300 && !g_pFont; ++i)
        RenderFrame();
    EXPECT_EQ(4u, api.fontCalls.size());
    EXPECT_NE(-1, api.log.Find("DrawTextW")) << "drawn by the frame that made the font";
    ShutdownApplication();
    EXPECT_EQ(1, api.device.nReleases);
    EXPECT_EQ(1, api.fonts.at(0)->nReleases);
}
