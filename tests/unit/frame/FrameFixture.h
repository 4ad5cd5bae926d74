// A scene set up on the fake device and fake keyboard and clock, with every
// global the frame uses back at its start-up state.
#pragma once

#include "app/Scene.h"
#include "camera/CameraFlyer.h"
#include "camera/CameraSmooth.h"
#include "collision/CollisionSphere.h"
#include "frame/Controls.h"
#include "frame/Input.h"
#include "frame/Mouse.h"
#include "frame/RenderFrame.h"
#include "graphics/Graphics.h"
#include "tests/fakes/FakeDirect3D.h"
#include "tests/fakes/FakePlatform.h"
#include "tests/fakes/Last.h"
#include "timing/FrameRate.h"

#include <gtest/gtest.h>

#include <string>

class FrameTest : public ::testing::Test
{
protected:
    FakePlatform platform;
    FakeDirect3DApi api;
    const HWND hWnd = reinterpret_cast<HWND>(0x1234);

    void SetUp() override
    {
        platform.dwTime = platform.dwTickCount = 1000;
        g_cameraSmooth = CCameraSmooth();
        g_cameraFlyer = CCameraFlyer();
        g_controlMode = CONTROL_CAMERA;
        g_tabLatch = g_homeLatch = g_helpLatch = g_hitLatch = false;
        g_bShowHelp = g_bHitColors = false;
        ASSERT_TRUE(InitScene(hWnd));
        PauseInput(), ResumeInput(); // the frames have been polling from now, with no key down
    }

    void TearDown() override { ShutdownApplication(); }

    // Runs one frame with exactly these keys held.
    void Frame(std::initializer_list<int> keys = {})
    {
        platform.ReleaseAll();
        for (int key : keys)
            platform.Press(key);
        RenderFrame();
    }

    std::wstring LastOverlay() const
    {
        if (api.fonts.empty() || api.fonts[0]->drawn.empty())
            return L"(no overlay drawn)";
        return api.fonts[0]->drawn.back().text;
    }
};
