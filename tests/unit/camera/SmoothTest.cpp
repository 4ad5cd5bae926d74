// The smoothing camera: stepping the followed camera once, the exact first
// copy, the quarter-way blend and the renormalised up vector.
#include "camera/CameraSmooth.h"
#include "tests/unit/camera/CameraTestSupport.h"

#include <cmath>

namespace
{
class Smooth : public ::testing::Test
{
protected:
    // Follows `followed`, synchronised on its current place after one step.
    void Synchronise()
    {
        smooth.SetFollowed(&followed);
        smooth.Update();
    }

    CountingCamera followed;
    CCameraSmooth smooth;
};

float Length(const D3DXVECTOR3& v) { return std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z); }
} // namespace

TEST_F(Smooth, WithoutAFollowedCameraNothingChanges)
{
    smooth.Update();
    ExpectVector(*smooth.GetPosition(), 0, 0, 0);
    ExpectVector(*smooth.GetTarget(), 0, 0, 0);
    ExpectVector(*smooth.GetUp(), 0, 0, 0);

    smooth.SetPosition(D3DXVECTOR3(5, 0, 0));
    smooth.Update();
    ExpectVector(*smooth.GetPosition(), 5, 0, 0);
    EXPECT_EQ(followed.nUpdates, 0);
}

TEST_F(Smooth, FollowingItselfDoesNothing)
{
    smooth.SetFollowed(&smooth);
    smooth.SetPosition(D3DXVECTOR3(5, 0, 0));
    smooth.Update();
    ExpectVector(*smooth.GetPosition(), 5, 0, 0);
    ExpectVector(*smooth.GetUp(), 0, 0, 0);
}

TEST_F(Smooth, FirstStepCopiesTheFollowedCameraExactly)
{
    // An up vector that is not unit length shows that the copy is not normalised.
    followed.Place(D3DXVECTOR3(1.1f, 2.2f, 3.3f), D3DXVECTOR3(-4.4f, 5.5f, 6.6f),
                   D3DXVECTOR3(0.3f, 0.9f, 0.1f));
    followed.vStep = D3DXVECTOR3(0, 0, 1);
    Synchronise();
    // The followed camera stepped first; its new place is the one copied.
    ExpectVector(*smooth.GetPosition(), 1.1f, 2.2f, 4.3f);
    ExpectVector(*smooth.GetTarget(), -4.4f, 5.5f, 6.6f);
    ExpectVector(*smooth.GetUp(), 0.3f, 0.9f, 0.1f);
}

TEST_F(Smooth, AnUpVectorWithAnyComponentSetMarksItSynchronised)
{
    for (const D3DXVECTOR3& vUp : {D3DXVECTOR3(1, 0, 0), D3DXVECTOR3(0, 1, 0), D3DXVECTOR3(0, 0, 1)})
    {
        CountingCamera leader;
        CCameraSmooth follower;
        follower.SetFollowed(&leader);
        leader.Place(D3DXVECTOR3(0, 0, 0), D3DXVECTOR3(0, 0, 1), vUp);
        follower.Update(); // copies
        leader.Place(D3DXVECTOR3(4, 0, 0), D3DXVECTOR3(4, 0, 1), vUp);
        follower.Update(); // blends: a quarter of the way, not a second copy
        EXPECT_EQ(1.0f, follower.GetPosition()->x) << "up (" << vUp.x << ", " << vUp.y << ", " << vUp.z << ")";
    }
}

// Each step steps the followed camera once, first.
TEST_F(Smooth, ClosesAQuarterOfTheGapPerStep)
{
    followed.Place(D3DXVECTOR3(0, 0, 0), D3DXVECTOR3(0, 0, 1), D3DXVECTOR3(0, 1, 0));
    Synchronise();
    EXPECT_EQ(followed.nUpdates, 1);

    followed.Place(D3DXVECTOR3(4, 0, 0), D3DXVECTOR3(4, 0, 1), D3DXVECTOR3(0, 1, 0));
    const float expected[] = {1.0f, 1.75f, 2.3125f};
    for (float x : expected)
    {
        smooth.Update();
        ExpectVector(*smooth.GetPosition(), x, 0, 0);
        ExpectVector(*smooth.GetTarget(), x, 0, 1);
        ExpectVector(*smooth.GetUp(), 0, 1, 0);
    }
    EXPECT_EQ(followed.nUpdates, 4);
}

TEST_F(Smooth, TrailsASteadyMoverByThreeSteps)
{
    followed.Place(D3DXVECTOR3(0, 0, 0), D3DXVECTOR3(0, 0, 1), D3DXVECTOR3(0, 1, 0));
    followed.vStep = D3DXVECTOR3(1, 0, 0);
    Synchronise();
    for (int i = 0; i < 60; ++i)
        smooth.Update();
    EXPECT_NEAR(followed.GetPosition()->x - smooth.GetPosition()->x, 3.0f, 1e-4f);
}

TEST_F(Smooth, RenormalisesUpButNotThePoints)
{
    followed.Place(D3DXVECTOR3(10, 0, 0), D3DXVECTOR3(10, 0, 10), D3DXVECTOR3(0, 1, 0));
    Synchronise();

    followed.Place(D3DXVECTOR3(30, 0, 0), D3DXVECTOR3(30, 0, 10), D3DXVECTOR3(1, 0, 0));
    smooth.Update();
    ExpectVector(*smooth.GetPosition(), 15, 0, 0);
    ExpectVector(*smooth.GetTarget(), 15, 0, 10);

    D3DXVECTOR3 vExpectedUp(0.25f, 0.75f, 0);
    D3DXVec3Normalize(&vExpectedUp, &vExpectedUp);
    ExpectVector(*smooth.GetUp(), vExpectedUp.x, vExpectedUp.y, vExpectedUp.z);
    EXPECT_NEAR(Length(*smooth.GetUp()), 1.0f, 1e-6f);
}

TEST_F(Smooth, ANewFollowedCameraIsBlendedTowardsNotCopied)
{
    followed.Place(D3DXVECTOR3(0, 0, 0), D3DXVECTOR3(0, 0, 1), D3DXVECTOR3(0, 1, 0));
    Synchronise();

    CountingCamera other;
    other.Place(D3DXVECTOR3(8, 0, 0), D3DXVECTOR3(8, 0, 1), D3DXVECTOR3(0, 1, 0));
    smooth.SetFollowed(&other);
    smooth.Update();
    ExpectVector(*smooth.GetPosition(), 2, 0, 0);
    EXPECT_EQ(other.nUpdates, 1);
}
