// The flown camera: key query order, turning, sliding, moving, and the exact
// single-precision values its steps produce.
#include "tests/fakes/FakePlatform.h"
#include "tests/unit/camera/CameraTestSupport.h"

#include <cmath>
#include <vector>

namespace
{
const float kStep = 0.01f;
const float kPi = 3.14159265f;

class Flyer : public ::testing::Test
{
protected:
    // Holds the given keys for one step, then lets them go.
    void StepWith(std::initializer_list<int> keys)
    {
        for (int nKey : keys)
            platform.Press(nKey);
        flyer.Update();
        platform.ReleaseAll();
    }

    FakePlatform platform;
    TestFlyer flyer;
};
} // namespace

TEST_F(Flyer, StartsLevelWithWorldUpAndTheKeyboard)
{
    ExpectVector(*flyer.GetPosition(), 0, 0, 0);
    ExpectVector(*flyer.GetTarget(), 0, 0, 0);
    ExpectVector(*flyer.GetUp(), 0, 1, 0);
    EXPECT_EQ(flyer.fYaw, 0.0f);
    EXPECT_EQ(flyer.fPitch, 0.0f);
    EXPECT_TRUE(flyer.bActive);
}

TEST_F(Flyer, QueriesShiftThenArrowsThenZAndX)
{
    const std::vector<int> kOrder = {VK_SHIFT, VK_LEFT, VK_RIGHT, VK_DOWN, VK_UP, 'Z', 'X'};
    flyer.Update();
    EXPECT_EQ(platform.queriedKeys, kOrder);

    platform.queriedKeys.clear();
    StepWith({VK_SHIFT});
    EXPECT_EQ(platform.queriedKeys, kOrder);
}

TEST_F(Flyer, InactiveQueriesOnlyShiftMovesNothingButRewritesTheTarget)
{
    flyer.bActive = false;
    flyer.SetPosition(D3DXVECTOR3(5, 6, 7));
    StepWith({VK_SHIFT, VK_LEFT, VK_RIGHT, VK_UP, VK_DOWN, 'Z', 'X'});

    EXPECT_EQ(platform.queriedKeys, std::vector<int>{VK_SHIFT});
    EXPECT_EQ(flyer.fYaw, 0.0f);
    EXPECT_EQ(flyer.fPitch, 0.0f);
    ExpectVector(*flyer.GetPosition(), 5, 6, 7);
    ExpectVector(*flyer.GetTarget(), 5, 6, 8);
}

TEST_F(Flyer, FirstStepFromTheStartLooksOneUnitAhead)
{
    flyer.SetPosition(D3DXVECTOR3(0, 0, -300));
    flyer.Update();
    ExpectVector(*flyer.GetPosition(), 0, 0, -300);
    ExpectVector(*flyer.GetTarget(), 0, 0, -299);
    ExpectVector(*flyer.GetUp(), 0, 1, 0);
}

TEST_F(Flyer, OneRightStepTurnsBySinglePrecisionHundredth)
{
    StepWith({VK_RIGHT});
    EXPECT_EQ(flyer.fYaw, 0.01f);
    EXPECT_EQ(flyer.fPitch, 0.0f);
    // Eye point at the origin, so the target is the forward vector itself.
    const float fCos0 = std::cos(0.0f);
    ExpectVector(*flyer.GetTarget(), std::sin(0.01f) * fCos0, std::sin(0.0f), std::cos(0.01f) * fCos0);
    EXPECT_NEAR(flyer.GetTarget()->x, 0.0099998f, 1e-7f);
    EXPECT_NEAR(flyer.GetTarget()->z, 0.99995f, 1e-6f);
    ExpectVector(*flyer.GetPosition(), 0, 0, 0);
}

// SHIFT alone changes nothing.
TEST_F(Flyer, ArrowsWithoutShiftTurnAndLeaveTheEyePoint)
{
    struct Case
    {
        int nKey;
        float fYaw, fPitch;
    };
    const Case cases[] = {{VK_LEFT, -kStep, 0},
                          {VK_RIGHT, kStep, 0},
                          {VK_DOWN, 0, -kStep},
                          {VK_UP, 0, kStep},
                          {VK_SHIFT, 0, 0}};
    for (const Case& c : cases)
    {
        TestFlyer fresh;
        fresh.SetPosition(D3DXVECTOR3(1, 2, 3));
        platform.Press(c.nKey);
        fresh.Update();
        platform.ReleaseAll();
        EXPECT_EQ(fresh.fYaw, c.fYaw) << "key " << c.nKey;
        EXPECT_EQ(fresh.fPitch, c.fPitch) << "key " << c.nKey;
        ExpectVector(*fresh.GetPosition(), 1, 2, 3);
    }
}

TEST_F(Flyer, ArrowsWithShiftSlideSidewaysOrAlongWorldY)
{
    struct Case
    {
        int nKey;
        float x, y, z;
    };
    const Case cases[] = {{VK_LEFT, -1, 0, 0}, {VK_RIGHT, 1, 0, 0}, {VK_DOWN, 0, -1, 0}, {VK_UP, 0, 1, 0}};
    for (const Case& c : cases)
    {
        TestFlyer fresh;
        // Looking up: the world y move must not follow the view.
        platform.Press(VK_UP);
        for (int i = 0; i < 30; ++i)
            fresh.Update();
        platform.ReleaseAll();
        const float fPitch = fresh.fPitch;

        platform.Press(VK_SHIFT);
        platform.Press(c.nKey);
        fresh.Update();
        platform.ReleaseAll();
        EXPECT_EQ(fresh.fYaw, 0.0f) << "key " << c.nKey;
        EXPECT_EQ(fresh.fPitch, fPitch) << "key " << c.nKey;
        ExpectVector(*fresh.GetPosition(), c.x, c.y, c.z);
    }
}

TEST_F(Flyer, SlidingFollowsTheHeadingButStaysLevel)
{
    for (int i = 0; i < 50; ++i)
        StepWith({VK_RIGHT});
    const float fYaw = flyer.fYaw;
    StepWith({VK_SHIFT, VK_RIGHT});
    EXPECT_EQ(flyer.fYaw, fYaw);
    ExpectVector(*flyer.GetPosition(), std::cos(fYaw), 0, -std::sin(fYaw));
}

TEST_F(Flyer, ZAndXMoveAlongTheViewWithOrWithoutShift)
{
    struct Case
    {
        std::initializer_list<int> keys;
        float z;
    };
    const Case cases[] = {{{'Z'}, 1}, {{'X'}, -1}, {{VK_SHIFT, 'Z'}, 1}, {{VK_SHIFT, 'X'}, -1}};
    for (const Case& c : cases)
    {
        TestFlyer fresh;
        for (int nKey : c.keys)
            platform.Press(nKey);
        fresh.Update();
        platform.ReleaseAll();
        ExpectVector(*fresh.GetPosition(), 0, 0, c.z);
        ExpectVector(*fresh.GetTarget(), 0, 0, c.z + 1);
    }
}

TEST_F(Flyer, ForwardUsesTheAnglesOfThisStep)
{
    // Turned and pitched at once, by different angles, so that no sine or cosine
    // can stand in for another.
    for (int i = 0; i < 30; ++i)
        StepWith({VK_RIGHT});
    for (int i = 0; i < 19; ++i)
        StepWith({VK_DOWN});
    StepWith({VK_RIGHT, VK_DOWN, 'Z'});
    const float fYaw = flyer.fYaw, fPitch = flyer.fPitch; // about 0.31 and -0.2
    EXPECT_NEAR(fYaw, 0.31f, 1e-5f);
    EXPECT_NEAR(fPitch, -0.2f, 1e-5f);
    const D3DXVECTOR3 vForward(std::sin(fYaw) * std::cos(fPitch), std::sin(fPitch),
                               std::cos(fYaw) * std::cos(fPitch));
    ExpectVector(*flyer.GetPosition(), vForward.x, vForward.y, vForward.z);
    const D3DXVECTOR3 vTarget = vForward + vForward;
    ExpectVector(*flyer.GetTarget(), vTarget.x, vTarget.y, vTarget.z);
    EXPECT_NEAR(vForward.x, 0.29898f, 1e-5f);
    EXPECT_NEAR(vForward.y, -0.19867f, 1e-5f);
    EXPECT_NEAR(vForward.z, 0.93335f, 1e-5f);
}

TEST_F(Flyer, OppositeKeysAreBothApplied)
{
    for (int i = 0; i < 7; ++i)
        StepWith({VK_RIGHT, VK_UP});
    const float fYaw = flyer.fYaw;
    const float fPitch = flyer.fPitch;

    StepWith({VK_LEFT, VK_RIGHT, VK_DOWN, VK_UP});
    EXPECT_EQ(flyer.fYaw, (fYaw - kStep) + kStep);
    EXPECT_EQ(flyer.fPitch, (fPitch - kStep) + kStep);

    flyer.SetPosition(D3DXVECTOR3(10, 20, 30));
    StepWith({VK_SHIFT, VK_LEFT, VK_RIGHT, VK_DOWN, VK_UP});
    const D3DXVECTOR3 vRight(std::cos(flyer.fYaw), 0, -std::sin(flyer.fYaw));
    const D3DXVECTOR3 vSlid = D3DXVECTOR3(10, 20, 30) - vRight + vRight;
    ExpectVector(*flyer.GetPosition(), vSlid.x, vSlid.y, vSlid.z);

    StepWith({'Z', 'X'});
    const D3DXVECTOR3 vForward = flyer.Forward();
    const D3DXVECTOR3 vMoved = vSlid + vForward - vForward;
    EXPECT_NEAR(flyer.GetPosition()->x, vMoved.x, 1e-5f);
    EXPECT_NEAR(flyer.GetPosition()->y, vMoved.y, 1e-5f);
    EXPECT_NEAR(flyer.GetPosition()->z, vMoved.z, 1e-5f);
}

TEST_F(Flyer, PitchIsNotClampedPastAQuarterTurn)
{
    for (int i = 0; i < 158; ++i)
        StepWith({VK_UP});
    EXPECT_GT(flyer.fPitch, kPi / 2);
    const D3DXVECTOR3 vForward = flyer.Forward();
    EXPECT_LT(vForward.z, 0.0f); // the horizontal part now points backwards
    EXPECT_GT(vForward.y, 0.99f);
    ExpectVector(*flyer.GetUp(), 0, 1, 0);
}

TEST_F(Flyer, HeadingIsNotWrapped)
{
    for (int i = 0; i < 629; ++i)
        StepWith({VK_RIGHT});
    float fExpected = 0.0f;
    for (int i = 0; i < 629; ++i)
        fExpected += kStep;
    EXPECT_EQ(flyer.fYaw, fExpected); // accumulated step by step in single precision
    EXPECT_GT(flyer.fYaw, 2 * kPi);
}
