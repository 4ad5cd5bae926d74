// One frame, end to end on the fake device: order of calls, states, light,
// materials, blinking, the overlay text, presentation and pacing.
#include "tests/unit/frame/FrameFixture.h"

#include <algorithm>
#include <cmath>

namespace
{
const wchar_t START_OVERLAY[] = L"FPS 00/60  CPU 000%\n"
                                L"Sphere1 (-40.00, 0.00, 0.00) R=50.00\n"
                                L"Sphere2 (40.00, 0.00, 0.00) R=50.00\n"
                                L"AABB true\n"
                                L"Collision true\n";

std::string State(D3DRENDERSTATETYPE state, DWORD value)
{
    return "SetRenderState " + std::to_string(int(state)) + " " + std::to_string(value);
}

DWORD LastState(const FakeDevice& device, D3DRENDERSTATETYPE state)
{
    for (auto it = device.renderStates.rbegin(); it != device.renderStates.rend(); ++it)
        if (it->first == state)
            return it->second;
    ADD_FAILURE() << "render state " << state << " never set";
    return 0;
}
} // namespace

TEST_F(FrameTest, OneFrameRunsItsStepsInOrder)
{
    api.log.calls.clear();
    Frame();

    const std::vector<std::string> expected = {
        "Clear", "BeginScene", "SetTransform VIEW",
        State(D3DRS_FILLMODE, D3DFILL_SOLID), State(D3DRS_LIGHTING, TRUE), State(D3DRS_ALPHABLENDENABLE, TRUE),
        State(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA), "SetLight 0", "LightEnable 0 1",
        State(D3DRS_AMBIENT, 0x00202020), "SetMaterial",
        "CreateSphere", "SetTransform WORLD", "DrawSubset Sphere 0", "Release Sphere", "Release Buffer",
        "CreateSphere", "SetTransform WORLD", "DrawSubset Sphere 0", "Release Sphere", "Release Buffer",
        "SetMaterial",
        "CreateBox", "SetTransform WORLD", "DrawSubset Box 0", "Release Box", "Release Buffer",
        "CreateBox", "SetTransform WORLD", "DrawSubset Box 0", "Release Box", "Release Buffer",
        "DrawTextW", "EndScene", "Present"};
    EXPECT_EQ(expected, api.log.calls);
    // The source blend factor is left at the device's default.
    for (const auto& state : api.device.renderStates)
        EXPECT_NE(D3DRS_SRCBLEND, state.first);

    // Paced: the frame reached Wait at once and slept out its 16 ms budget.
    EXPECT_EQ(std::vector<DWORD>{16}, platform.sleeps);
    EXPECT_EQ(1u, g_frameRate.GetFrameCount());
}

TEST_F(FrameTest, MaterialsAreHalfTransparentRedThenYellowOrWithHTheHitColours)
{
    // Sphere 2 moved to (30, 80, 80): the boxes overlap, the spheres keep apart; to (150, 0, 0): neither.
    struct Case { bool bHit; D3DXVECTOR3 vCenter2; D3DCOLORVALUE sphere, box; };
    const D3DCOLORVALUE RED = {1, 0, 0, 0.5f}, YELLOW = {1, 1, 0, 0.5f};
    const D3DCOLORVALUE GREEN = {0, 1, 0, 0.5f}, DARK_CYAN = {0, 0.6f, 0.6f, 0.5f};
    const D3DXVECTOR3 START(40, 0, 0), BOXES(30, 80, 80), APART(150, 0, 0);
    const Case cases[] = {{false, START, RED, YELLOW}, {true, START, GREEN, DARK_CYAN},
                          {true, BOXES, RED, DARK_CYAN}, {true, APART, RED, YELLOW}, {false, BOXES, RED, YELLOW}};
    for (const Case& c : cases)
    {
        g_bHitColors = c.bHit;
        g_sphere2.SetCenter(c.vCenter2);
        api.device.materials.clear();
        Frame();
        ASSERT_EQ(2u, api.device.materials.size());
        for (int i = 0; i < 2; ++i)
        {
            const D3DCOLORVALUE& expected = i ? c.box : c.sphere;
            const D3DMATERIAL9& m = api.device.materials[i];
            EXPECT_EQ(0, memcmp(&expected, &m.Diffuse, sizeof(D3DCOLORVALUE)))
                << i << " hit " << c.bHit << " x " << c.vCenter2.x;
            EXPECT_EQ(0, memcmp(&expected, &m.Ambient, sizeof(D3DCOLORVALUE))) << i;
            EXPECT_EQ(0.0f, m.Specular.r + m.Specular.g + m.Specular.b + m.Specular.a);
            EXPECT_EQ(0.0f, m.Emissive.r + m.Emissive.g + m.Emissive.b + m.Emissive.a);
            EXPECT_EQ(0.0f, m.Power);
        }
    }
}

TEST_F(FrameTest, TheFirstFramesShowTheStartOverlayInRedAtTheTopLeft)
{
    for (int i = 0; i < 15; ++i)
    {
        Frame();
        EXPECT_EQ(START_OVERLAY, LastOverlay()) << "frame " << i;
    }
    ASSERT_FALSE(api.fonts.empty());
    const auto call = Last(api.fonts[0]->drawn, "DrawTextW");
    EXPECT_EQ(nullptr, call.sprite);
    EXPECT_EQ(-1, call.count);
    EXPECT_EQ(10, call.rect.left);
    EXPECT_EQ(10, call.rect.top);
    EXPECT_EQ(400, call.rect.right);
    EXPECT_EQ(300, call.rect.bottom);
    EXPECT_EQ(DWORD(DT_NOCLIP), call.format);
    EXPECT_EQ(0xFFFF0000u, call.color);
}

TEST_F(FrameTest, AfterSixteenPacedFramesTheOverlayReadsSixtyOfSixty)
{
    for (int i = 0; i < 40; ++i)
        Frame();
    const std::wstring overlay = LastOverlay();
    EXPECT_EQ(0u, overlay.find(L"FPS 60/60  CPU ")) << overlay;
}

TEST_F(FrameTest, RatesOfAHundredOrMorePrintWithThreeDigits)
{
    g_frameRate.SetFrameRate(250); // 4 ms budgets
    for (int i = 0; i < 20; ++i)
        Frame();
    EXPECT_EQ(0u, LastOverlay().find(L"FPS 250/250  CPU "));
}

TEST_F(FrameTest, EveryValueOfTheOverlayHasItsOwnPlace)
{
    // Thirteen different values: 25 ms frames against 16.7 ms budgets (40 of 60,
    // never sleeping), two spheres with distinct coordinates and radii whose boxes
    // overlap while the spheres keep apart.
    g_sphere1.SetCenterRadius(D3DXVECTOR3(1.25f, -2.5f, 3.75f), 35);
    g_sphere2.SetCenterRadius(D3DXVECTOR3(61.5f, 58.25f, -4.5f), 45);
    for (int i = 0; i < 40; ++i)
    {
        platform.Advance(25);
        Frame();
    }
    EXPECT_EQ(L"FPS 40/60  CPU 100%\n"
              L"Sphere1 (1.25, -2.50, 3.75) R=35.00\n"
              L"Sphere2 (61.50, 58.25, -4.50) R=45.00\n"
              L"AABB true\n"
              L"Collision false\n",
              LastOverlay());
}

TEST_F(FrameTest, ASmallNegativeCoordinateKeepsItsSign)
{
    g_sphere1.SetCenter(D3DXVECTOR3(-0.001f, 0.0f, 0.0f));
    Frame();
    EXPECT_NE(std::wstring::npos, LastOverlay().find(L"Sphere1 (-0.00, 0.00, 0.00) R=50.00\n"));
}

TEST_F(FrameTest, TheOverlayShowsTheTestsAfterThisFramesMove)
{
    // Sphere 1 moved left until the two only touch: both answers turn false.
    g_sphere1.SetCenter(D3DXVECTOR3(-59.0f, 0.0f, 0.0f));
    g_controlMode = CONTROL_SPHERE1;
    g_tabLatch = true;
    Frame(); // the flown camera stops taking keys from the next frame on
    Frame({VK_LEFT});
    EXPECT_NE(std::wstring::npos, LastOverlay().find(L"Sphere1 (-60.00, 0.00, 0.00) R=50.00\n"));
    EXPECT_NE(std::wstring::npos, LastOverlay().find(L"AABB false\nCollision false\n"));
}

TEST_F(FrameTest, TheSelectedSphereSkipsEveryEighthFrame)
{
    struct Case { int nMode; float fOtherX; };
    for (const Case& c : {Case{CONTROL_SPHERE1, 40.0f}, Case{CONTROL_SPHERE2, -40.0f}})
    {
        g_controlMode = c.nMode;
        g_tabLatch = true;
        for (int frame = 0; frame < 17; ++frame)
        {
            const bool bHidden = (g_frameRate.GetFrameCount() & 7) == 0; // the count before this frame's Wait
            api.sphereCalls.clear();
            api.boxCalls.clear();
            Frame();
            ASSERT_EQ(bHidden ? 1u : 2u, api.sphereCalls.size()) << "mode " << c.nMode << " frame " << frame;
            ASSERT_EQ(bHidden ? 1u : 2u, api.boxCalls.size()) << "mode " << c.nMode << " frame " << frame;
            // When the selected one hides, the other is still drawn, box last.
            if (bHidden)
            {
                EXPECT_EQ(c.fOtherX, api.device.LastTransform(D3DTS_WORLD)._41) << "mode " << c.nMode;
            }
        }
    }
}

TEST_F(FrameTest, InCameraModeNothingBlinks)
{
    for (int frame = 0; frame < 9; ++frame)
    {
        api.sphereCalls.clear();
        Frame();
        EXPECT_EQ(2u, api.sphereCalls.size());
    }
}

TEST_F(FrameTest, WHeldDrawsWireframeAndReleasingItReturnsToSolid)
{
    Frame({'W'});
    EXPECT_EQ(DWORD(D3DFILL_WIREFRAME), LastState(api.device, D3DRS_FILLMODE));
    Frame();
    EXPECT_EQ(DWORD(D3DFILL_SOLID), LastState(api.device, D3DRS_FILLMODE));
}

TEST_F(FrameTest, TheLightCirclesFortyFiveDegreesDown)
{
    struct Case { DWORD t; float x, y, z; };
    const float h = std::sqrt(0.5f);
    const Case cases[] = {
        {0, h, -h, 0},
        {550, 0, -h, h},                       // a quarter turn
        {1100, -h, -h, 0},                     // half a turn
        {4294967000u, -0.70574f, -h, -0.04398f}, // 49 days of uptime: the exact angle, no float steps
    };
    for (const Case& c : cases)
    {
        platform.dwTime = c.t;
        Frame();
        const D3DLIGHT9 light = Last(api.device.lights, "SetLight");
        EXPECT_EQ(D3DLIGHT_DIRECTIONAL, light.Type);
        EXPECT_NEAR(c.x, light.Direction.x, 2e-3) << "t=" << c.t;
        EXPECT_NEAR(c.y, light.Direction.y, 1e-5) << "t=" << c.t;
        EXPECT_NEAR(c.z, light.Direction.z, 2e-3) << "t=" << c.t;
        EXPECT_EQ(1.0f, light.Diffuse.r);
        EXPECT_EQ(1.0f, light.Diffuse.g);
        EXPECT_EQ(1.0f, light.Diffuse.b);
        EXPECT_EQ(0.0f, light.Diffuse.a);
        EXPECT_EQ(1000.0f, light.Range);
    }
}

TEST_F(FrameTest, AFailingSceneBeepsPausesAndStillFinishesTheFrame)
{
    api.device.hrBeginScene = D3DERR_INVALIDCALL;
    for (int i = 0; i < 3; ++i)
    {
        platform.sleeps.clear();
        api.device.nPresents = 0;
        Frame();
        EXPECT_EQ(size_t(i + 1), platform.beeps.size());
        EXPECT_EQ(0u, Last(platform.beeps, "MessageBeep"));
        ASSERT_FALSE(platform.sleeps.empty());
        EXPECT_EQ(500u, platform.sleeps.front());
        EXPECT_EQ(1, api.device.nPresents);
        EXPECT_EQ(START_OVERLAY, LastOverlay());
    }
    EXPECT_EQ(3u, g_frameRate.GetFrameCount());
}

TEST_F(FrameTest, WithoutADeviceTheFrameDoesNothing)
{
    ShutdownApplication();
    api.log.calls.clear();
    RenderFrame();
    EXPECT_TRUE(api.log.calls.empty());
    EXPECT_TRUE(platform.sleeps.empty());
    ASSERT_TRUE(InitScene(hWnd)); // for TearDown
}

// The panel's texture cannot be made, then not painted: each is tried again a second later, the band shown
// meanwhile without text. A new device takes the old one's texture with it and tries at once.
TEST_F(FrameTest, AHelpPanelThatCannotBeMadeIsTriedOnceASecondAndAtOnceOnANewDevice)
{
    api.device.createTextureResults = {E_OUTOFMEMORY};
    Frame({VK_F1});
    for (int i = 0; i < 150; ++i) // 2.5 s
        Frame();
    api.device.hrPresent = D3DERR_DRIVERINTERNALERROR;
    Frame();
    Frame(); // on a new device
    // F1 shows the panel from the next frame on, at 1016.
    const std::vector<std::string> expected = {"Texture made at 1016",   "Texture made at 2016",
                                               "Texture locked at 2016", "Texture locked at 3016",
                                               "Texture made at 3533",   "Texture locked at 3533"};
    EXPECT_EQ(expected, api.log.Matching("Texture "));
    EXPECT_EQ(0, api.device.texture.nRefs);
    auto isBand = [](const FakeDevice::ClearCall& c) { return c.color == D3DCOLOR_XRGB(0, 0, 64) && !c.z; };
    EXPECT_EQ(151, std::count_if(api.device.clears.begin(), api.device.clears.end(), isBand))
        << "the band in every frame on the first device after F1's";
}

namespace
{
// A lost device, from the Present that reports it to the first frame drawn again.
struct DeviceLoss
{
    const char* what;
    HRESULT hrPresent;                           // how Present reports the loss
    std::deque<HRESULT> levels, resets, creates; // answers of TestCooperativeLevel, Reset, CreateDevice
    std::deque<BOOL> iconic;                     // whether the window is minimised, as asked
    std::vector<std::string> calls;              // from the loss to the first Clear
    std::vector<DWORD> sleeps;                   // lost turns' pauses (50) and frames' sleeps, to the overlay
    std::deque<HRESULT> remadePresents = {}, fonts = {}; // Present's answers on each new device; the font's
    HRESULT hrFontReset = S_OK;                          // the start-up font's OnResetDevice
};

const std::vector<std::string> RESET_SUCCEEDS = {"OnLostDevice",
                                                 "Reset",
                                                 State(D3DRS_ZENABLE, D3DZB_TRUE),
                                                 State(D3DRS_NORMALIZENORMALS, TRUE),
                                                 "OnResetDevice",
                                                 "SetTransform PROJECTION",
                                                 "Clear"};
// After a driver error: the font and the device go, and come back as at start-up.
const std::vector<std::string> MADE_ANEW = {"Release Font",
                                            "Release Device",
                                            "Release Direct3D",
                                            "Direct3DCreate9",
                                            "CreateDevice",
                                            State(D3DRS_ZENABLE, D3DZB_TRUE),
                                            State(D3DRS_NORMALIZENORMALS, TRUE),
                                            "CreateFont",
                                            "SetTransform PROJECTION",
                                            "Clear"};

const std::string TCL = "TestCooperativeLevel";

template <class T> std::vector<T> Then(std::vector<T> first, const std::vector<T>& second)
{
    first.insert(first.end(), second.begin(), second.end());
    return first;
}

std::vector<DWORD> Repeat(const std::vector<DWORD>& part, int n)
{
    std::vector<DWORD> all;
    while (n-- > 0)
        all = Then(all, part);
    return all;
}

// A Reset that fails for any reason but another loss would fail again: a new device, at once.
DeviceLoss ResetFails(const char* what, HRESULT hr)
{
    // clang-format off
    return {what, D3DERR_DEVICELOST, {D3DERR_DEVICENOTRESET}, {hr}, {}, {},
            Then({TCL, "OnLostDevice", "Reset"}, MADE_ANEW), {16}};
    // clang-format on
}
} // namespace

class DeviceLossTest : public FrameTest, public ::testing::WithParamInterface<DeviceLoss>
{
};

TEST_P(DeviceLossTest, ComesBackAndDrawsAFreshlyPacedFrame)
{
    Frame();
    api.device.hrPresent = GetParam().hrPresent;
    api.device.cooperativeLevels = GetParam().levels;
    api.device.resetResults = GetParam().resets;
    api.d3d.createResults = GetParam().creates;
    api.d3d.remadePresents = GetParam().remadePresents;
    api.createFontResults = GetParam().fonts;
    api.fonts.at(0)->hrOnResetDevice = GetParam().hrFontReset;
    platform.iconic = GetParam().iconic;
    Frame(); // its Present finds the loss
    api.log.calls.clear();
    platform.sleeps.clear();

    for (int turn = 0; turn < 100 && (api.log.Find("DrawTextW") == -1 || g_pGraphics->IsLost()); ++turn)
        Frame();
    const int nClear = api.log.Find("Clear");
    ASSERT_NE(-1, nClear) << "the device was never drawn on again";
    ASSERT_FALSE(g_pGraphics->IsLost() || api.log.Find("DrawTextW") == -1)
        << "no overlay on a working device";
    // Nothing is drawn or presented while the device is lost; the font's device
    // objects go before the Reset and come back after it; the start-up states
    // and the projection are set again.
    EXPECT_EQ(GetParam().calls,
              std::vector<std::string>(api.log.calls.begin(), api.log.calls.begin() + nClear + 1));
    EXPECT_EQ("Present", api.log.calls.back());
    // No beeps; a pause per lost turn; the first frame drawn again sleeps out a
    // whole slot instead of racing through the slots missed while lost.
    EXPECT_TRUE(platform.beeps.empty());
    EXPECT_EQ(GetParam().sleeps, platform.sleeps);
    EXPECT_EQ(2 + std::count_if(GetParam().sleeps.begin(), GetParam().sleeps.end(),
                                [](DWORD ms) { return ms != 50; }),
              g_frameRate.GetFrameCount())
        << "lost turns are not frames";

    // Reset keeps the back buffer the device chose at creation, and so does a
    // device made anew, for the same window.
    const FakeDirect3D::CreateDeviceCall& created = api.d3d.createCalls.at(0);
    D3DPRESENT_PARAMETERS chosen = created.params;
    chosen.BackBufferWidth = 640;
    chosen.BackBufferHeight = 480;
    for (const D3DPRESENT_PARAMETERS& reset : api.device.resets)
        EXPECT_EQ(0, memcmp(&chosen, &reset, sizeof(chosen))) << "Reset with the size chosen at creation";
    for (size_t i = 1; i < api.d3d.createCalls.size(); ++i)
        EXPECT_TRUE(api.d3d.createCalls[i].hFocus == hWnd &&
                    memcmp(&chosen, &api.d3d.createCalls[i].params, sizeof(chosen)) == 0)
            << "made anew for another window or with another back buffer";
    for (HWND hAsked : platform.iconicWindows)
        EXPECT_EQ(hWnd, hAsked);
    const FakeDevice& device = *static_cast<FakeDevice*>(g_pGraphics->GetDevice());
    EXPECT_EQ(&device, Last(api.sphereCalls, "CreateSphere").device) << "drawn on the device in use";
    const D3DMATRIX atStart = api.device.transforms.at(0).second;
    const D3DMATRIX afterReset = device.LastTransform(D3DTS_PROJECTION);
    EXPECT_EQ(0, memcmp(&atStart, &afterReset, sizeof(D3DMATRIX))) << "the start-up projection";
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Sequences, DeviceLossTest,
    ::testing::Values(
        DeviceLoss{"LostThenNotResetThenReset", D3DERR_DEVICELOST,
                   {D3DERR_DEVICELOST, D3DERR_DEVICELOST, D3DERR_DEVICENOTRESET}, {}, {}, {},
                   Then({TCL, TCL, TCL}, RESET_SUCCEEDS), {50, 50, 16}},
        DeviceLoss{"ResetLostAgainThenSucceeds", D3DERR_DEVICELOST,
                   {D3DERR_DEVICENOTRESET, D3DERR_DEVICELOST, D3DERR_DEVICENOTRESET},
                   {D3DERR_DEVICELOST, S_OK}, {}, {}, Then({TCL, "OnLostDevice", "Reset", TCL, TCL}, RESET_SUCCEEDS), {50, 50, 16}},
        DeviceLoss{"NotResetWhileMinimised", D3DERR_DEVICELOST,
                   {D3DERR_DEVICENOTRESET, D3DERR_DEVICENOTRESET, D3DERR_DEVICENOTRESET},
                   {}, {}, {TRUE, TRUE}, Then({TCL, TCL, TCL}, RESET_SUCCEEDS), {50, 50, 16}},
        DeviceLoss{"DriverErrorInPresent", D3DERR_DRIVERINTERNALERROR, {}, {}, {}, {}, MADE_ANEW, {16}},
        DeviceLoss{"DriverErrorInTestCooperativeLevel", D3DERR_DEVICELOST,
                   {D3DERR_DEVICELOST, D3DERR_DRIVERINTERNALERROR}, {}, {}, {},
                   Then({TCL, TCL}, MADE_ANEW), {50, 16}},
        ResetFails("DriverErrorInReset", D3DERR_DRIVERINTERNALERROR),
        ResetFails("DeviceRemovedInReset", D3DERR_DEVICEREMOVED),
        ResetFails("OutOfVideoMemoryInReset", D3DERR_OUTOFVIDEOMEMORY),
        ResetFails("OutOfMemoryInReset", E_OUTOFMEMORY),
        ResetFails("InvalidCallInReset", D3DERR_INVALIDCALL),
        DeviceLoss{"DeviceRemovedInPresent", D3DERR_DEVICEREMOVED, {}, {}, {}, {}, MADE_ANEW, {16}},
        DeviceLoss{"DeviceRemovedInTestCooperativeLevel", D3DERR_DEVICELOST,
                   {D3DERR_DEVICELOST, D3DERR_DEVICEREMOVED}, {}, {}, {}, Then({TCL, TCL}, MADE_ANEW), {50, 16}},
        // The new device fails at once: the next comes a second later (16 ms and 20 pauses).
        DeviceLoss{"MadeAnewOnceASecondWhileNewDevicesFail", D3DERR_DRIVERINTERNALERROR, {}, {}, {}, {},
                   MADE_ANEW, Then(Then({16}, std::vector<DWORD>(20, 50)), {17}), {D3DERR_DRIVERINTERNALERROR}},
        // A font that cannot be reset goes, and is made again a second after it was made.
        DeviceLoss{"FontNotResetIsMadeAgain", D3DERR_DEVICELOST, {D3DERR_DEVICENOTRESET}, {}, {}, {},
                   {TCL, "OnLostDevice", "Reset", State(D3DRS_ZENABLE, D3DZB_TRUE),
                    State(D3DRS_NORMALIZENORMALS, TRUE), "OnResetDevice", "Release Font",
                    "SetTransform PROJECTION", "Clear"},
                   Repeat({16, 17, 17}, 20), {}, {}, D3DERR_OUTOFVIDEOMEMORY},
        // A new device without its font draws a second of frames without the overlay.
        DeviceLoss{"FontAskedForAgainASecondLater", D3DERR_DRIVERINTERNALERROR, {}, {}, {}, {}, MADE_ANEW,
                   Then(Repeat({16, 17, 17}, 20), {16}), {}, {E_OUTOFMEMORY}},
        // Tried at once, then once a second on the program's clock (20 pauses of 50 ms).
        DeviceLoss{"MadeAnewOnceASecondWhileCreationFails", D3DERR_DRIVERINTERNALERROR, {}, {},
                   {D3DERR_NOTAVAILABLE, D3DERR_NOTAVAILABLE}, {},
                   Then({"Release Font", "Release Device", "Release Direct3D", "Direct3DCreate9", "CreateDevice",
                         "Release Direct3D", "Direct3DCreate9", "CreateDevice", "Release Direct3D"},
                        std::vector<std::string>(MADE_ANEW.begin() + 3, MADE_ANEW.end())),
                   Then(std::vector<DWORD>(40, 50), {16})},
        DeviceLoss{"MadeAnewOnceNoLongerMinimised", D3DERR_DRIVERINTERNALERROR, {}, {}, {}, {TRUE}, MADE_ANEW,
                   {50, 16}}),
    [](const ::testing::TestParamInfo<DeviceLoss>& info) { return std::string(info.param.what); });
// clang-format on
