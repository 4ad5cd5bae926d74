// The real frame on the real (Wine) Direct3D device: probes the colours of the
// back buffer after a few frames. Keys and clock are faked so the pictures are
// the same on every run; everything that draws is real.
#include "app/Scene.h"
#include "camera/CameraFlyer.h"
#include "collision/CollisionSphere.h"
#include "frame/Controls.h"
#include "frame/HelpPanel.h"
#include "frame/RenderFrame.h"
#include "graphics/Graphics.h"
#include "tests/fakes/FakePlatform.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

namespace
{
struct Rgb
{
    int r, g, b;
};

bool IsBlue(Rgb c) { return c.r < 8 && c.g < 8 && c.b > 247; }
// Red sphere under the yellow box, over blue: the blue is halved twice.
bool IsRedTinted(Rgb c) { return c.r > 200 && c.b < 100; }
// Only the box's yellow over blue: the blue is halved once.
bool IsBoxOnly(Rgb c) { return c.r > 150 && c.g > 150 && c.b >= 100 && c.b < 160; }
bool IsOverlayRed(Rgb c) { return c.r > 200 && c.g < 60 && c.b < 60; }

class SceneVisualTest : public ::testing::Test
{
protected:
    FakePlatform platform;
    HWND hWnd = nullptr;
    std::vector<DWORD> pixels; // the back buffer, 640 x 480, X8R8G8B8

    void SetUp() override
    {
        WNDCLASSEXW wc = {};
        wc.cbSize = sizeof(wc);
        wc.lpfnWndProc = DefWindowProcW;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"KelvaneVisualTest";
        RegisterClassExW(&wc);
        RECT rc = {0, 0, 640, 480};
        AdjustWindowRect(&rc, WS_OVERLAPPEDWINDOW, FALSE);
        hWnd =
            CreateWindowExW(0, wc.lpszClassName, L"kelvane visual test", WS_OVERLAPPEDWINDOW, 0, 0,
                            rc.right - rc.left, rc.bottom - rc.top, nullptr, nullptr, wc.hInstance, nullptr);
        ASSERT_NE(nullptr, hWnd);
        ShowWindow(hWnd, SW_SHOWNORMAL);
        ASSERT_TRUE(InitScene(hWnd)) << "no Direct3D device on this display";
        g_controlMode = CONTROL_CAMERA;
        g_tabLatch = g_homeLatch = g_helpLatch = g_hitLatch = false;
        g_bShowHelp = g_bHitColors = false;
        // A quarter turn into the light's circle: it shines from behind the
        // camera onto the spheres' front faces.
        platform.dwTime = 550;
    }

    void TearDown() override
    {
        ShutdownApplication();
        if (hWnd)
            DestroyWindow(hWnd);
    }

    void Frames(int n, std::initializer_list<int> keys = {})
    {
        platform.ReleaseAll();
        for (int key : keys)
            platform.Press(key);
        for (int i = 0; i < n; ++i)
            RenderFrame();
        ReadBackBuffer();
    }

    // What the last frame presented, read back from the screen where the
    // window's client area is.
    void ReadBackBuffer()
    {
        POINT origin = {0, 0};
        ClientToScreen(hWnd, &origin);
        BITMAPINFO bmi = {};
        bmi.bmiHeader.biSize = sizeof(bmi.bmiHeader);
        bmi.bmiHeader.biWidth = 640;
        bmi.bmiHeader.biHeight = -480; // top-down
        bmi.bmiHeader.biPlanes = 1;
        bmi.bmiHeader.biBitCount = 32;
        bmi.bmiHeader.biCompression = BI_RGB;
        void* pBits = nullptr;
        HDC hScreen = GetDC(nullptr);
        HDC hMem = CreateCompatibleDC(hScreen);
        HBITMAP hBitmap = CreateDIBSection(hScreen, &bmi, DIB_RGB_COLORS, &pBits, nullptr, 0);
        ASSERT_NE(nullptr, hBitmap);
        HGDIOBJ hOld = SelectObject(hMem, hBitmap);
        EXPECT_TRUE(BitBlt(hMem, 0, 0, 640, 480, hScreen, origin.x, origin.y, SRCCOPY));
        GdiFlush();
        pixels.assign(static_cast<DWORD*>(pBits), static_cast<DWORD*>(pBits) + 640 * 480);
        SelectObject(hMem, hOld);
        DeleteObject(hBitmap);
        DeleteDC(hMem);
        ReleaseDC(nullptr, hScreen);
    }

    Rgb At(int x, int y) const
    {
        DWORD c = pixels[y * 640 + x];
        return {int(c >> 16 & 0xFF), int(c >> 8 & 0xFF), int(c & 0xFF)};
    }

    // Where the middle row of the picture crosses a volume's outline, as the
    // device's view and projection put the tested volume: the rays from the eye
    // that graze the sphere, left and right, then its box's outermost corners.
    static std::array<double, 4> OutlineOf(const CCollisionSphere& s)
    {
        D3DXMATRIX matView, matProj;
        g_pGraphics->GetDevice()->GetTransform(D3DTS_VIEW, &matView);
        g_pGraphics->GetDevice()->GetTransform(D3DTS_PROJECTION, &matProj);
        auto screenX = [&](double tangent) { return 320 + 320 * matProj._11 * tangent; };
        D3DXVECTOR3 c;
        D3DXVec3TransformCoord(&c, s.GetCenter(), &matView);
        const double a = std::atan2(c.x, c.z), da = std::asin(s.GetRadius() / std::hypot(c.x, c.z));
        std::array<double, 4> o = {screenX(std::tan(a - da)), screenX(std::tan(a + da)), 640, 0};
        for (float x : {s.GetAABB()->vMin.x, s.GetAABB()->vMax.x})
            for (float z : {s.GetAABB()->vMin.z, s.GetAABB()->vMax.z})
            {
                D3DXVECTOR3 corner(x, 0, z), v;
                D3DXVec3TransformCoord(&v, &corner, &matView);
                o[2] = std::min(o[2], screenX(v.x / v.z));
                o[3] = std::max(o[3], screenX(v.x / v.z));
            }
        return o;
    }

    // The pixel of the middle row nearest to outline[i], within 8, at which the
    // row turns from what lies outside (the box alone outside a sphere, the
    // background outside a box) to anything else, or back on the right; or -1.
    int FindEdge(const std::array<double, 4>& outline, int i) const
    {
        bool (*outside)(Rgb) = i < 2 ? IsBoxOnly : IsBlue;
        const bool bLeft = i % 2 == 0;
        for (int d = 0, x = int(std::lround(outline[i])); d <= 8; ++d)
            for (int j : {x - d, x + d})
                if (j > 0 && j < 640 && outside(At(j - 1, 240)) == bLeft && outside(At(j, 240)) != bLeft)
                    return j;
        return -1;
    }

    int CountInRect(int x0, int y0, int x1, int y1, bool (*pred)(Rgb)) const
    {
        int n = 0;
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x)
                n += pred(At(x, y)) ? 1 : 0;
        return n;
    }
};

} // namespace

TEST_F(SceneVisualTest, BlueBackgroundRedSpheresAndTheOverlay)
{
    Frames(3);
    for (auto corner : {std::pair<int, int>{2, 477}, {637, 477}, {637, 2}, {2, 240}})
    {
        Rgb c = At(corner.first, corner.second);
        EXPECT_TRUE(IsBlue(c)) << "corner " << corner.first << "," << corner.second << ": " << c.r << " "
                               << c.g << " " << c.b;
    }
    // Sphere centres project to about x = 243 and x = 397 on the middle row.
    for (int x : {243, 320, 397})
    {
        Rgb c = At(x, 240);
        EXPECT_TRUE(IsRedTinted(c)) << "x=" << x << ": " << c.r << " " << c.g << " " << c.b;
    }
    // Red text in the top-left corner, none elsewhere at the top right.
    EXPECT_GT(CountInRect(10, 10, 300, 100, IsOverlayRed), 200);
    EXPECT_EQ(0, CountInRect(500, 10, 640, 100, IsOverlayRed));
}

TEST_F(SceneVisualTest, WHeldShowsTheSpheresAsWireframe)
{
    Frames(2);
    const int solid = CountInRect(200, 150, 440, 330, IsRedTinted);
    Frames(2, {'W'});
    const int wire = CountInRect(200, 150, 440, 330, IsRedTinted);
    Frames(2);
    const int solidAgain = CountInRect(200, 150, 440, 330, IsRedTinted);

    EXPECT_GT(solid, 30000);
    EXPECT_LT(wire * 3, solid) << "wireframe leaves most of the background visible";
    EXPECT_GT(wire, 500) << "but the wires themselves are drawn";
    EXPECT_EQ(solid, solidAgain);
}

// Each volume is drawn where the projection puts the volume the tests test, and
// inside a box, beside its sphere, only the box tints the background: at the
// start, and with sphere 1 shrunk to radius 20, when its box stands clear of
// sphere 2's. Inner edges hidden behind the other volume are not looked for.
TEST_F(SceneVisualTest, OutlinesFallWhereTheProjectionPutsTheTestedVolumes)
{
    enum
    {
        SPHERE_LEFT,
        SPHERE_RIGHT,
        BOX_LEFT,
        BOX_RIGHT
    };
    for (bool bShrunk : {false, true})
    {
        std::vector<std::pair<int, int>> edges = {
            {0, BOX_LEFT}, {0, SPHERE_LEFT}, {1, SPHERE_RIGHT}, {1, BOX_RIGHT}};
        if (bShrunk)
        {
            g_controlMode = CONTROL_SPHERE1;
            g_cameraFlyer.bActive = false;
            Frames(30, {VK_SHIFT, VK_DOWN});
            g_controlMode = CONTROL_CAMERA; // no blinking in the frame looked at
            platform.dwTime = 550;          // nor another light
            edges.insert(edges.end(), {{0, BOX_RIGHT}, {1, BOX_LEFT}, {1, SPHERE_LEFT}});
        }
        Frames(1);
        ASSERT_EQ(bShrunk ? 20.0f : 50.0f, g_sphere1.GetRadius());
        const std::array<double, 4> outlines[] = {OutlineOf(g_sphere1), OutlineOf(g_sphere2)};
        for (auto [k, i] : edges)
            EXPECT_NEAR(outlines[k][i], FindEdge(outlines[k], i), 2)
                << "sphere " << k + 1 << ", edge " << i << (bShrunk ? ", shrunk" : "");
    }
}

TEST_F(SceneVisualTest, HShowsTheStartsHitsInGreenAndDarkCyan)
{
    Frames(1, {'H'});
    Frames(2);
    for (int x : {243, 397}) // both tests answer true: green spheres under dark cyan boxes
    {
        Rgb c = At(x, 240);
        EXPECT_TRUE(c.r < 8 && c.g > 200 && c.b > 150)
            << "x=" << x << ": " << c.r << " " << c.g << " " << c.b;
    }
    for (int x : {125, 515}) // the boxes' dark cyan alone over the blue
    {
        Rgb c = At(x, 240);
        EXPECT_TRUE(c.r < 8 && c.g > 90 && c.g < 160 && c.b > 247)
            << "x=" << x << ": " << c.r << " " << c.g << " " << c.b;
    }
    EXPECT_GT(CountInRect(10, 10, 300, 100, IsOverlayRed), 200);
}

TEST_F(SceneVisualTest, F1ShowsAnOpaquePanelBelowTheOverlayForEachMode)
{
    // The band's dark blue, white text and the grey blend of the two at the glyphs' edges.
    auto IsPanel = [](Rgb c) { return c.r == c.g && c.b >= 64 && c.b - c.r <= 64; };
    auto IsWhite = [](Rgb c) { return c.r > 247 && c.g > 247 && c.b > 247; };
    Frames(1, {VK_F1});
    Frames(2, {'W'}); // wireframe for the volumes only
    // Pixels of the panel's rectangle unlike the panel GDI paints for nMode.
    auto Unlike = [this](int nMode) {
        const std::vector<DWORD> painted = PaintHelpPanel(nMode);
        int n = painted.size() == 624u * 326u ? 0 : -1;
        for (int y = 106; n >= 0 && y < 432; ++y)
            for (int x = 8; x < 632; ++x)
                n += ((pixels[y * 640 + x] ^ painted[(y - 106) * 624 + x - 8]) & 0xFFFFFF) != 0;
        return n;
    };
    // The panel hides the volumes behind it, wholly, and shows its text exactly
    // as painted; the overlay above it and the picture around it stay as they
    // were. White text in both columns, on eighteen lines.
    EXPECT_EQ(0, Unlike(CONTROL_CAMERA));
    EXPECT_EQ(0, CountInRect(0, 105, 640, 106, IsPanel) + CountInRect(0, 432, 640, 433, IsPanel) +
                     CountInRect(7, 106, 8, 432, IsPanel) + CountInRect(632, 106, 633, 432, IsPanel));
    EXPECT_GT(CountInRect(8, 106, 176, 432, IsWhite), 1000);
    EXPECT_GT(CountInRect(176, 106, 632, 432, IsWhite), 3000);
    auto TextLines = [this, IsWhite] {
        int nLines = 0;
        for (int y = 106, bText = 0; y < 432; ++y)
        {
            const bool bRow = CountInRect(8, y, 632, y + 1, IsWhite) > 0;
            nLines += bRow && !bText;
            bText = bRow;
        }
        return nLines;
    };
    EXPECT_EQ(18, TextLines());
    EXPECT_GT(CountInRect(10, 10, 300, 100, IsOverlayRed), 200);
    EXPECT_TRUE(IsBlue(At(320, 440)) && IsBlue(At(320, 100)) && IsBlue(At(2, 240)) && IsBlue(At(637, 240)));
    Frames(2, {VK_TAB}); // the panel shows a mode change a frame later
    EXPECT_EQ(0, Unlike(1));
    EXPECT_TRUE(PaintHelpPanel(CONTROL_CAMERA) != PaintHelpPanel(1))
        << "the keys of sphere 1 differ from the camera's";
    EXPECT_EQ(18, TextLines());
    Frames(1);
    Frames(2, {VK_TAB});
    EXPECT_EQ(0, Unlike(2));
    EXPECT_TRUE(PaintHelpPanel(1) != PaintHelpPanel(2)) << "the header names sphere 2";
    Frames(1, {VK_F1});
    Frames(2);
    EXPECT_TRUE(IsRedTinted(At(243, 240)) && IsBoxOnly(At(125, 240))) << "F1 again: the volumes are back";
}
