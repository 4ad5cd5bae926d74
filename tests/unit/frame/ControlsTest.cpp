// The control step: mode cycling with TAB, the flown camera's flag, moving and
// resizing the selected sphere, and the F1, H and Home keys.
#include "tests/unit/frame/FrameFixture.h"

#include <cmath>
#include <tuple>

namespace
{
class ControlsTest : public FrameTest
{
protected:
    void Step(std::initializer_list<int> keys = {})
    {
        platform.ReleaseAll();
        for (int key : keys)
            platform.Press(key);
        UpdateControls();
    }
    static D3DXVECTOR3 Center(const CCollisionSphere& s) { return *const_cast<CCollisionSphere&>(s).GetCenter(); }
    // Real D3DX on the last frame's transforms: a world point's picture x, y, or
    // back (bBack) from picture x, y at depth z, 0 on the near plane, 1 on the far.
    D3DXVECTOR3 Project(const D3DXVECTOR3& v, bool bBack = false) const
    {
        const D3DVIEWPORT9 viewport = {0, 0, 640, 480, 0.0f, 1.0f};
        const D3DXMATRIX proj(api.device.LastTransform(D3DTS_PROJECTION)), view(api.device.LastTransform(D3DTS_VIEW));
        D3DXVECTOR3 out;
        (bBack ? D3DXVec3Unproject : D3DXVec3Project)(&out, &v, &viewport, &proj, &view, nullptr);
        return out;
    }
    // How far along D3DX's ray through picture point (x, y) it enters the sphere (0 for a miss), and where.
    float Under(const CCollisionSphere& s, float x, float y, D3DXVECTOR3* pv) const
    {
        const D3DXVECTOR3 vNear = Project({x, y, 0}, true), vRay = Project({x, y, 1}, true) - vNear;
        float f = 0;
        s.IntersectRay(vNear, vRay, &f);
        *pv = vNear + vRay * f;
        return f;
    }
};
} // namespace

TEST_F(ControlsTest, TabCyclesForwardOncePerPressAndShiftTabBackwards)
{
    struct Case { std::initializer_list<int> keys; int expectedMode; };
    const Case cases[] = {
        {{VK_TAB}, 1},           {{VK_TAB}, 1}, // held: no second step
        {{}, 1},                 {{VK_TAB}, 2},
        {{}, 2},                 {{VK_TAB}, 0}, // wraps to the camera
        {{}, 0},                 {{VK_SHIFT, VK_TAB}, 2},
        {{VK_SHIFT, VK_TAB}, 2}, {{VK_SHIFT}, 2},
        {{VK_SHIFT, VK_TAB}, 1}, {{}, 1},
        {{VK_SHIFT, VK_TAB}, 0},
    };
    for (size_t i = 0; i < std::size(cases); ++i)
    {
        const Case& c = cases[i];
        Step(c.keys);
        EXPECT_EQ(c.expectedMode, g_controlMode) << "step " << i;
        EXPECT_EQ(c.expectedMode == 0, g_cameraFlyer.bActive);
    }
}

TEST_F(ControlsTest, F1AndHToggleOncePerPressAndAltHIsTheMenus)
{
    struct Case { std::initializer_list<int> keys; bool bHelp, bHit; };
    const Case cases[] = {
        {{VK_F1}, true, false}, {{VK_F1}, true, false}, // held: no second toggle
        {{}, true, false},      {{VK_F1}, false, false},
        {{'H'}, false, true},   {{'H'}, false, true},
        {{}, false, true},      {{VK_MENU, 'H'}, false, true}, // Alt+H opens the Help menu
        {{'H'}, false, true},                                  // the same press, Alt let go first
        {{}, false, true},      {{'H', VK_F1, VK_TAB}, true, false},
    };
    for (size_t i = 0; i < std::size(cases); ++i)
    {
        const Case& c = cases[i];
        Step(c.keys);
        EXPECT_EQ(c.bHelp, g_bShowHelp) << "step " << i;
        EXPECT_EQ(c.bHit, g_bHitColors) << "step " << i;
    }
    EXPECT_EQ(1, g_controlMode) << "TAB in the same frame still counts";
}

// Between two running frames a tap (down and up again) acts once. A latched key
// held down through a pause does not fire when the frames resume; a movement key
// acts from then on. The H left over from Alt+H, which opened the menu, toggles
// nothing when it closes, Alt still down or not.
TEST_F(ControlsTest, TapsActOnceAndNoPressFromAPauseFires)
{
    struct Case { bool bPause; std::initializer_list<int> held, taps; int mode; bool bHelp, bHit; float x; };
    const Case cases[] = {
        {false, {}, {VK_TAB, VK_F1, 'H'}, 1, true, true, -40},
        {false, {}, {}, 1, true, true, -40},
        {true, {VK_TAB, VK_F1, 'H', VK_HOME, VK_RIGHT}, {}, 1, true, true, -39},
        {false, {VK_TAB, VK_F1, 'H', VK_HOME, VK_RIGHT}, {}, 1, true, true, -38},
        {true, {VK_MENU}, {'H'}, 1, true, true, -38},
        {false, {}, {}, 1, true, true, -38},
        {true, {}, {'H', VK_LEFT}, 1, true, true, -38},
        {false, {}, {'H', VK_LEFT}, 1, true, false, -39},
    };
    for (size_t i = 0; i < std::size(cases); ++i)
    {
        const Case& c = cases[i];
        if (c.bPause)
            PauseInput();
        for (int key : c.taps)
            platform.Tap(key);
        Frame(c.held);
        EXPECT_EQ(std::make_tuple(c.mode, c.bHelp, c.bHit, c.x),
                  std::make_tuple(g_controlMode, g_bShowHelp, g_bHitColors, Center(g_sphere1).x))
            << "step " << i;
    }
}

TEST_F(ControlsTest, HomePutsCamerasSpheresAndModeBackOncePerPress)
{
    for (int i = 0; i < 40; ++i) // turned, pitched and flown away, the smoothing camera lagging behind
        Frame({VK_RIGHT, VK_UP, 'Z'});
    Frame({VK_TAB});
    for (int i = 0; i < 5; ++i)
        Frame({VK_SHIFT, VK_UP});
    Frame({VK_LEFT, 'Z'});
    const DWORD nFrames = g_frameRate.GetFrameCount();
    ASSERT_EQ(60, int(g_frameRate.GetMeasuredRate()));

    Frame({VK_HOME});
    EXPECT_EQ(CONTROL_CAMERA, g_controlMode);
    EXPECT_TRUE(g_cameraFlyer.bActive);
    EXPECT_NE(std::wstring::npos, LastOverlay().find(L"\nSphere1 (-40.00, 0.00, 0.00) R=50.00\n"
                                                     L"Sphere2 (40.00, 0.00, 0.00) R=50.00\nAABB true\n"))
        << "the frame of the press already shows the start: " << LastOverlay();
    Frame({VK_HOME}); // held: the flown camera takes its first step, and the smoothing one lands on it
    EXPECT_EQ(D3DXVECTOR3(0, 0, -300), *g_cameraFlyer.GetPosition());
    EXPECT_EQ(D3DXVECTOR3(0, 0, -299), *g_cameraFlyer.GetTarget());
    EXPECT_EQ(D3DXVECTOR3(0, 1, 0), *g_cameraFlyer.GetUp());
    EXPECT_EQ(*g_cameraFlyer.GetPosition(), *g_cameraSmooth.GetPosition()) << "no glide";
    EXPECT_EQ(*g_cameraFlyer.GetTarget(), *g_cameraSmooth.GetTarget());
    EXPECT_EQ(*g_cameraFlyer.GetUp(), *g_cameraSmooth.GetUp());
    EXPECT_EQ(nFrames + 2, g_frameRate.GetFrameCount()) << "the frame-rate figures go on";
    EXPECT_EQ(60, int(g_frameRate.GetMeasuredRate()));

    Frame({VK_HOME, VK_TAB});
    Frame({VK_HOME, VK_RIGHT}); // still the same press: sphere 1 moves and stays moved
    EXPECT_EQ(D3DXVECTOR3(-39, 0, 0), Center(g_sphere1));
    EXPECT_EQ(CONTROL_SPHERE1, g_controlMode);
}

TEST_F(ControlsTest, InCameraModeTheSpheresStayPut)
{
    Step({VK_LEFT, VK_RIGHT, VK_UP, VK_DOWN, 'Z', 'X'});
    Step({VK_SHIFT, VK_UP});
    EXPECT_EQ(D3DXVECTOR3(-40, 0, 0), Center(g_sphere1));
    EXPECT_EQ(D3DXVECTOR3(40, 0, 0), Center(g_sphere2));
    EXPECT_EQ(50.0f, g_sphere1.GetRadius());
    EXPECT_TRUE(g_cameraFlyer.bActive);
}

TEST_F(ControlsTest, AtTheStartPoseEachKeyMovesOneUnitAlongTheCameraAxes)
{
    Frame(); // the flown camera takes its first step: looking along +z, up +y
    g_controlMode = CONTROL_SPHERE1;
    g_tabLatch = true;
    struct Case { int key; D3DXVECTOR3 delta; };
    const Case cases[] = {
        {VK_RIGHT, {1, 0, 0}}, {VK_LEFT, {-1, 0, 0}}, {VK_UP, {0, 1, 0}},
        {VK_DOWN, {0, -1, 0}}, {'Z', {0, 0, 1}},      {'X', {0, 0, -1}},
    };
    for (const Case& c : cases)
    {
        D3DXVECTOR3 before = Center(g_sphere1);
        Step({c.key});
        EXPECT_EQ(before + c.delta, Center(g_sphere1)) << "key " << c.key;
    }
    Step({VK_LEFT, VK_RIGHT});
    EXPECT_EQ(D3DXVECTOR3(-40, 0, 0), Center(g_sphere1));
    EXPECT_EQ(D3DXVECTOR3(40, 0, 0), Center(g_sphere2)) << "the other sphere never moves";
    EXPECT_FALSE(g_cameraFlyer.bActive);
}

TEST_F(ControlsTest, ATurnedAndPitchedCameraTurnsTheAxesToo)
{
    for (int i = 0; i < 30; ++i) // heading 0.3 rad right, pitch 0.2 rad down
        Frame(i < 20 ? std::initializer_list<int>{VK_RIGHT, VK_DOWN} : std::initializer_list<int>{VK_RIGHT});
    g_controlMode = CONTROL_SPHERE2;
    g_tabLatch = true;
    // vz the view, vy the up, vx = vy x vz.
    const D3DXVECTOR3 vz(0.289629f, -0.198669f, 0.936293f), vy(0, 1, 0), vx(0.936293f, 0, -0.289629f);
    struct Case { int key; D3DXVECTOR3 delta; };
    const Case cases[] = {{VK_RIGHT, vx}, {VK_LEFT, -vx}, {VK_UP, vy}, {VK_DOWN, -vy}, {'Z', vz}, {'X', -vz}};
    for (const Case& c : cases)
    {
        const D3DXVECTOR3 before = Center(g_sphere2);
        Step({c.key});
        const D3DXVECTOR3 moved = Center(g_sphere2) - before;
        EXPECT_NEAR(c.delta.x, moved.x, 1e-4f) << "key " << c.key;
        EXPECT_NEAR(c.delta.y, moved.y, 1e-4f) << "key " << c.key;
        EXPECT_NEAR(c.delta.z, moved.z, 1e-4f) << "key " << c.key;
    }
}

TEST_F(ControlsTest, MovementKeepsTheBoxInStep)
{
    Frame();
    g_controlMode = CONTROL_SPHERE2;
    g_tabLatch = true;
    Step({VK_UP});
    const AABB& box = *g_sphere2.GetAABB();
    EXPECT_EQ(D3DXVECTOR3(-10, -49, -50), box.vMin);
    EXPECT_EQ(D3DXVECTOR3(90, 51, 50), box.vMax);
}

TEST_F(ControlsTest, ShiftUpAndDownChangeTheRadiusWithinOneToAHundred)
{
    g_controlMode = CONTROL_SPHERE1;
    g_tabLatch = true;
    struct Case { float start; std::initializer_list<int> keys; float expected; };
    const Case cases[] = {
        {50, {VK_SHIFT, VK_UP}, 51},       {50, {VK_SHIFT, VK_DOWN}, 49},
        {100, {VK_SHIFT, VK_UP}, 100},     {1, {VK_SHIFT, VK_DOWN}, 1},
        {99.5f, {VK_SHIFT, VK_UP}, 100},   {1.5f, {VK_SHIFT, VK_DOWN}, 1},
        {50, {VK_SHIFT, VK_UP, VK_DOWN}, 50},
        {50, {VK_SHIFT}, 50},              {150, {VK_SHIFT}, 100}, // pulled to the nearer bound
        {0.25f, {VK_SHIFT}, 1},            {-5, {VK_SHIFT}, 1},
    };
    for (const Case& c : cases)
    {
        g_sphere1.SetRadius(c.start);
        Step(c.keys);
        EXPECT_EQ(c.expected, g_sphere1.GetRadius()) << "from " << c.start;
        EXPECT_EQ(D3DXVECTOR3(-40, 0, 0), Center(g_sphere1)) << "SHIFT never moves";
        EXPECT_EQ(-40 - c.expected, g_sphere1.GetAABB()->vMin.x);
    }
}

TEST_F(ControlsTest, HoldingShiftIgnoresTheMovementKeys)
{
    g_controlMode = CONTROL_SPHERE1;
    g_tabLatch = true;
    Step({VK_SHIFT, VK_LEFT, VK_RIGHT, 'Z', 'X'});
    EXPECT_EQ(D3DXVECTOR3(-40, 0, 0), Center(g_sphere1));
    EXPECT_EQ(50.0f, g_sphere1.GetRadius());
}

TEST_F(ControlsTest, TheFlownCameraLearnsOfTheModeOnlyAtItsNextStep)
{
    // The frame that leaves camera mode: the camera has already turned with this
    // frame's RIGHT, and the newly selected sphere moves with it too.
    auto Heading = [] { return (*g_cameraFlyer.GetTarget() - *g_cameraFlyer.GetPosition()).x; };
    Frame({VK_TAB, VK_RIGHT});
    EXPECT_EQ(1, g_controlMode);
    EXPECT_FLOAT_EQ(std::sin(0.01f), Heading());
    EXPECT_GT(Center(g_sphere1).x, -40.0f);

    Frame({VK_RIGHT});
    EXPECT_FLOAT_EQ(std::sin(0.01f), Heading()) << "inactive now: no further turn";
}

// A click selects the nearer sphere under it as D3DX unprojects the view drawn (at
// the start; a smoothing camera held behind the turning flown one), sphere 1 on a
// tie; on nothing, the help panel, or before the frame that ended a pause, nothing.
// Dragged, the point grabbed stays under the cursor at its depth, until TAB or a pause.
TEST_F(ControlsTest, AClickSelectsTheNearerSphereUnderTheCursorAndADragMovesIt)
{
    auto Click = [this](float x, float y, int nModeBefore, DWORD dwAgo = 0, bool bHelp = false) {
        g_bShowHelp = bHelp, g_controlMode = nModeBefore;
        PressMouse(x, y, platform.dwTickCount - dwAgo), ReleaseMouse(), Frame();
        return g_controlMode;
    };
    PauseInput(), Frame(); // 16 ms
    EXPECT_EQ(CONTROL_CAMERA, Click(397, 240, CONTROL_CAMERA, 17));
    EXPECT_EQ(CONTROL_SPHERE1, Click(320, 240, CONTROL_CAMERA));
    EXPECT_EQ(CONTROL_CAMERA, Click(397, 240, CONTROL_CAMERA, 0, true)) << "on the help panel";
    D3DXVECTOR3 v;
    for (bool bTurned : {false, true})
    {
        for (int i = 0; bTurned && i < 30; ++i)
            g_controlMode = CONTROL_CAMERA, Frame({VK_RIGHT, i < 10 ? VK_UP : VK_RIGHT});
        g_cameraSmooth.SetFollowed(bTurned ? nullptr : &g_cameraFlyer); // held 0.03 rad behind
        int nSeen[4] = {};
        for (int y = 168; y < 400; y += 80)
            for (float x = 0.5f; x < 640; ++x) // a pixel apart, between centres: never on the tie
            {
                const float f1 = Under(g_sphere1, x, float(y), &v), f2 = Under(g_sphere2, x, float(y), &v);
                ++nSeen[(f1 > 0) + 2 * (f2 > 0)];
                ASSERT_EQ(f1 > 0 && (f2 == 0 || f1 < f2) ? 1 : f2 > 0 ? 2 : int(x) % 3,
                          Click(x, float(y), int(x) % 3)) << x << ", " << y;
            }
        EXPECT_TRUE(nSeen[0] && nSeen[1] && nSeen[2] && nSeen[3]) << "none, one, the other, both";
    }
    const D3DXVECTOR3 at = Project(Center(g_sphere2)) + D3DXVECTOR3(12, -9, 0);
    const D3DXVECTOR3 vAhead = *g_cameraSmooth.GetTarget() - *g_cameraSmooth.GetPosition();
    ASSERT_GT(Under(g_sphere2, at.x, at.y, &v), 0);
    const D3DXVECTOR3 vGrab = v - Center(g_sphere2);
    const float fDepth = D3DXVec3Dot(&v, &vAhead);
    PressMouse(at.x, at.y, platform.dwTickCount);
    for (const D3DXVECTOR3& to : {at + D3DXVECTOR3(100, 0, 0), D3DXVECTOR3(500, 100, 0), D3DXVECTOR3(-40, 520, 0),
                                  D3DXVECTOR3(700, -30, 0), D3DXVECTOR3(400, 300, 0)}) // the first before the pick
    {
        MoveMouse(to.x, to.y), Frame();
        const D3DXVECTOR3 p = Project(v = Center(g_sphere2) + vGrab);
        EXPECT_TRUE(std::abs(to.x - p.x) < 0.5f && std::abs(to.y - p.y) < 0.5f) << p.x << ", " << p.y;
        EXPECT_NEAR(fDepth, D3DXVec3Dot(&v, &vAhead), 1e-3f) << "parallel to the screen";
    }
    for (int nEnd = 0; nEnd < 2; ++nEnd) // held still, then TAB; a pause
    {
        const D3DXVECTOR3 vHeld = Center(g_sphere2);
        nEnd ? PauseInput() : (Frame(), Frame(), Frame({VK_TAB}));
        MoveMouse(100, 100), Frame();
        EXPECT_EQ(vHeld, Center(g_sphere2)) << "end " << nEnd;
        PressMouse(400, 300, platform.dwTickCount), MoveMouse(410, 300), Frame();
    }
    ASSERT_EQ(CONTROL_SPHERE2, g_controlMode) << "dragged again";
    const D3DXVECTOR3 vBehind = *g_cameraSmooth.GetPosition() - vAhead * 100; // where X held long puts it
    g_sphere2.SetCenter(vBehind), MoveMouse(300, 200), Frame();
    EXPECT_EQ(vBehind, Center(g_sphere2)) << "a grabbed point behind the eye has no place under the cursor";
}

// A notch: radius +/- 1 within 1 to 100, or 10 units of camera flight; partial notches
// add up. Turned while the frames paused (0 pauses them), or before a pause: nothing.
TEST_F(ControlsTest, TheWheelSizesTheSelectedSphereOrFliesTheCamera)
{
    struct Case { int nMode; std::initializer_list<int> deltas; float r1, r2, z; };
    const Case cases[] = {
        {1, {120}, 51, 50, -300},   {1, {-120, -240}, 48, 50, -300}, {2, {60, 59}, 48, 50, -300},
        {2, {1}, 48, 51, -300},     {2, {-30, -90, 7200}, 48, 100, -300}, {2, {-24000}, 48, 1, -300},
        {0, {240}, 48, 1, -280},    {0, {-40, -40, -40}, 48, 1, -290},    {0, {0, 120}, 48, 1, -290},
        {1, {120, 0}, 48, 1, -290}, {1, {}, 48, 1, -290},
    };
    for (const Case& c : cases)
    {
        g_controlMode = c.nMode;
        for (int nDelta : c.deltas)
            nDelta ? TurnMouseWheel(nDelta) : PauseInput();
        Frame();
        EXPECT_EQ(std::make_tuple(c.r1, c.r2, c.z),
                  std::make_tuple(g_sphere1.GetRadius(), g_sphere2.GetRadius(), g_cameraFlyer.GetPosition()->z));
    }
    g_controlMode = CONTROL_CAMERA, Frame(), Frame({VK_RIGHT}), TurnMouseWheel(WHEEL_DELTA), Frame();
    EXPECT_NEAR(10 * std::sin(0.01f), g_cameraFlyer.GetPosition()->x, 1e-4f) << "along the heading, turned 0.01";
}
