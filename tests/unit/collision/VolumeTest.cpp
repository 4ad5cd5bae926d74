// Box overlap and sphere intersection: strict comparisons, symmetry, NaN, and
// the box kept in step with centre and radius.
#include "collision/CollisionSphere.h"

#include <gtest/gtest.h>

#include <limits>
#include <ostream>
#include <string>

namespace
{
const float kNaN = std::numeric_limits<float>::quiet_NaN();

void ExpectVector(const D3DXVECTOR3& v, float x, float y, float z)
{
    EXPECT_EQ(v.x, x);
    EXPECT_EQ(v.y, y);
    EXPECT_EQ(v.z, z);
}

struct BoxCase
{
    const char* name;
    AABB a, b;
    bool bExpected;
};

std::ostream& operator<<(std::ostream& os, const BoxCase& c) { return os << c.name; }

struct SphereCase
{
    const char* name;
    D3DXVECTOR3 vCenter1;
    float fRadius1;
    D3DXVECTOR3 vCenter2;
    float fRadius2;
    bool bBoxesOverlap;
    bool bSpheresCollide;
};

std::ostream& operator<<(std::ostream& os, const SphereCase& c) { return os << c.name; }

// Test names from the case names ("face x" -> "face_x").
template <class Case> std::string CaseName(const ::testing::TestParamInfo<Case>& info)
{
    std::string name = info.param.name;
    for (char& ch : name)
        if (ch == ' ')
            ch = '_';
    return name;
}

// A volume built straight from a box, to reach the base class's own constructors.
class BoxVolume : public CCollision
{
public:
    explicit BoxVolume(int nKind) : CCollision(nKind) {}
    BoxVolume(int nKind, float x0, float y0, float z0, float x1, float y1, float z1)
        : CCollision(nKind, x0, y0, z0, x1, y1, z1)
    {
    }
    HRESULT Draw(IDirect3DDevice9*) const override { return S_OK; }
    bool Collide(const CCollisionSphere&) const override { return false; }
};
} // namespace

TEST(AABB, DefaultIsAllZero)
{
    AABB box;
    ExpectVector(box.vMin, 0, 0, 0);
    ExpectVector(box.vMax, 0, 0, 0);
}

TEST(AABB, SixFloatsAreMinimumThenMaximumAndGiveTheExtents)
{
    AABB box(-1, -2, -3, 4, 6, 8);
    ExpectVector(box.vMin, -1, -2, -3);
    ExpectVector(box.vMax, 4, 6, 8);
    EXPECT_EQ(box.GetWidth(), 5.0f);
    EXPECT_EQ(box.GetHeight(), 8.0f);
    EXPECT_EQ(box.GetDepth(), 11.0f);
}

class BoxOverlap : public ::testing::TestWithParam<BoxCase>
{
};

TEST_P(BoxOverlap, AnswersTheSameBothWays)
{
    const BoxCase& c = GetParam();
    EXPECT_EQ(c.a.Intersects(c.b), c.bExpected);
    EXPECT_EQ(c.b.Intersects(c.a), c.bExpected);
}

// Unit cube against a second box placed around it.
INSTANTIATE_TEST_SUITE_P(
    Placements, BoxOverlap,
    ::testing::Values(BoxCase{"overlapping", AABB(0, 0, 0, 2, 2, 2), AABB(1, 1, 1, 3, 3, 3), true},
                      BoxCase{"contained", AABB(0, 0, 0, 10, 10, 10), AABB(2, 2, 2, 3, 3, 3), true},
                      BoxCase{"identical", AABB(0, 0, 0, 1, 1, 1), AABB(0, 0, 0, 1, 1, 1), true},
                      BoxCase{"face x", AABB(0, 0, 0, 1, 1, 1), AABB(1, 0, 0, 2, 1, 1), false},
                      BoxCase{"face y", AABB(0, 0, 0, 1, 1, 1), AABB(0, 1, 0, 1, 2, 1), false},
                      BoxCase{"face z", AABB(0, 0, 0, 1, 1, 1), AABB(0, 0, 1, 1, 1, 2), false},
                      BoxCase{"edge", AABB(0, 0, 0, 1, 1, 1), AABB(1, 1, 0, 2, 2, 1), false},
                      BoxCase{"corner", AABB(0, 0, 0, 1, 1, 1), AABB(1, 1, 1, 2, 2, 2), false},
                      BoxCase{"apart in x only", AABB(0, 0, 0, 1, 1, 1), AABB(3, 0, 0, 4, 1, 1), false},
                      BoxCase{"apart in y only", AABB(0, 0, 0, 1, 1, 1), AABB(0, 3, 0, 1, 4, 1), false},
                      BoxCase{"apart in z only", AABB(0, 0, 0, 1, 1, 1), AABB(0, 0, 3, 1, 1, 4), false},
                      BoxCase{"same point", AABB(5, 5, 5, 5, 5, 5), AABB(5, 5, 5, 5, 5, 5), false},
                      // Swapped corners are taken as they are.
                      BoxCase{"inverted inside a box", AABB(10, 10, 10, -10, -10, -10),
                              AABB(-50, -50, -50, 50, 50, 50), true},
                      BoxCase{"two inverted", AABB(10, 10, 10, -10, -10, -10),
                              AABB(10, 10, 10, -10, -10, -10), false}),
    CaseName<BoxCase>);

TEST(AABB, NaNAnywhereMeansNoOverlap)
{
    for (int nBox = 0; nBox < 2; ++nBox)
        for (int nField = 0; nField < 6; ++nField)
        {
            AABB boxes[2] = {AABB(0, 0, 0, 2, 2, 2), AABB(1, 1, 1, 3, 3, 3)};
            D3DXVECTOR3& v = nField < 3 ? boxes[nBox].vMin : boxes[nBox].vMax;
            (&v.x)[nField % 3] = kNaN;
            EXPECT_FALSE(boxes[0].Intersects(boxes[1])) << "box " << nBox << " field " << nField;
            EXPECT_FALSE(boxes[1].Intersects(boxes[0])) << "box " << nBox << " field " << nField;
        }
}

TEST(CollisionVolume, KeepsItsKindAndBox)
{
    BoxVolume volume(7, -1, -2, -3, 1, 2, 3);
    EXPECT_EQ(volume.GetKind(), 7);
    ExpectVector(volume.GetAABB()->vMin, -1, -2, -3);
    ExpectVector(volume.GetAABB()->vMax, 1, 2, 3);

    BoxVolume bare(9);
    EXPECT_EQ(bare.GetKind(), 9);
    ExpectVector(bare.GetAABB()->vMin, 0, 0, 0);
    ExpectVector(bare.GetAABB()->vMax, 0, 0, 0);
}

TEST(CollisionSphere, StartsAtTheOriginWithAnEmptyBox)
{
    CCollisionSphere sphere;
    EXPECT_EQ(sphere.GetKind(), 0);
    ExpectVector(*sphere.GetCenter(), 0, 0, 0);
    EXPECT_EQ(sphere.GetRadius(), 0.0f);
    ExpectVector(sphere.GetAABB()->vMin, 0, 0, 0);
    ExpectVector(sphere.GetAABB()->vMax, 0, 0, 0);
}

TEST(CollisionSphere, EverySetterKeepsTheBoxInStep)
{
    CCollisionSphere sphere;
    sphere.SetCenterRadius(D3DXVECTOR3(-40, 0, 0), 50);
    ExpectVector(sphere.GetAABB()->vMin, -90, -50, -50);
    ExpectVector(sphere.GetAABB()->vMax, 10, 50, 50);

    sphere.SetCenter(D3DXVECTOR3(1, 2, 3));
    ExpectVector(*sphere.GetCenter(), 1, 2, 3);
    ExpectVector(sphere.GetAABB()->vMin, -49, -48, -47);
    ExpectVector(sphere.GetAABB()->vMax, 51, 52, 53);

    sphere.SetRadius(5);
    EXPECT_EQ(sphere.GetRadius(), 5.0f);
    ExpectVector(sphere.GetAABB()->vMin, -4, -3, -2);
    ExpectVector(sphere.GetAABB()->vMax, 6, 7, 8);

    // No validation: a negative radius turns the box inside out.
    sphere.SetRadius(-5);
    ExpectVector(sphere.GetAABB()->vMin, 6, 7, 8);
    ExpectVector(sphere.GetAABB()->vMax, -4, -3, -2);
}

class SpherePair : public ::testing::TestWithParam<SphereCase>
{
protected:
    void SetUp() override
    {
        const SphereCase& c = GetParam();
        sphere1.SetCenterRadius(c.vCenter1, c.fRadius1);
        sphere2.SetCenterRadius(c.vCenter2, c.fRadius2);
    }
    CCollisionSphere sphere1, sphere2;
};

TEST_P(SpherePair, BoxesAndSpheresAnswerTheSameBothWays)
{
    const SphereCase& c = GetParam();
    EXPECT_EQ(sphere1.GetAABB()->Intersects(*sphere2.GetAABB()), c.bBoxesOverlap);
    EXPECT_EQ(sphere2.GetAABB()->Intersects(*sphere1.GetAABB()), c.bBoxesOverlap);
    EXPECT_EQ(sphere1.Collide(sphere2), c.bSpheresCollide);
    EXPECT_EQ(sphere2.Collide(sphere1), c.bSpheresCollide);
}

INSTANTIATE_TEST_SUITE_P(
    Placements, SpherePair,
    ::testing::Values(
        SphereCase{"start", D3DXVECTOR3(-40, 0, 0), 50, D3DXVECTOR3(40, 0, 0), 50, true, true},
        SphereCase{"touching", D3DXVECTOR3(-50, 0, 0), 50, D3DXVECTOR3(50, 0, 0), 50, false, false},
        SphereCase{"boxes only", D3DXVECTOR3(0, 0, 0), 50, D3DXVECTOR3(80, 80, 0), 50, true, false},
        // Distance exactly 7 along a diagonal (2, 3, 6) against radii 3 + 4.
        SphereCase{"touching diagonally", D3DXVECTOR3(0, 0, 0), 3, D3DXVECTOR3(2, 3, 6), 4, true, false},
        SphereCase{"just inside diagonally", D3DXVECTOR3(0, 0, 0), 3, D3DXVECTOR3(2, 3, 6), 4.001f, true,
                   true},
        SphereCase{"same centre radius 0", D3DXVECTOR3(3, 3, 3), 0, D3DXVECTOR3(3, 3, 3), 0, false, false},
        SphereCase{"same centre", D3DXVECTOR3(3, 3, 3), 1, D3DXVECTOR3(3, 3, 3), 1, true, true},
        SphereCase{"NaN centre", D3DXVECTOR3(kNaN, 0, 0), 50, D3DXVECTOR3(0, 0, 0), 50, false, false},
        SphereCase{"NaN radius", D3DXVECTOR3(0, 0, 0), kNaN, D3DXVECTOR3(0, 0, 0), 50, false, false},
        // Negative radii go through the formulas unchanged: the squared sum is
        // still large while the inverted boxes miss each other.
        SphereCase{"both radii negative", D3DXVECTOR3(-40, 0, 0), -50, D3DXVECTOR3(40, 0, 0), -50, false,
                   true},
        SphereCase{"one radius negative", D3DXVECTOR3(-40, 0, 0), 60, D3DXVECTOR3(40, 0, 0), -10, false,
                   false}),
    CaseName<SphereCase>);

// Into sphere 2 as it starts: where, in lengths of the direction; 0 for a miss.
TEST(CollisionSphere, ARayEntersOnlyAheadOfItsOriginAndNotGrazing)
{
    CCollisionSphere sphere;
    sphere.SetCenterRadius(D3DXVECTOR3(40, 0, 0), 50);
    const struct { D3DXVECTOR3 vOrigin, vDirection; float fDistance; } cases[] = {
        {{40, 30, -300}, {0, 0, 2}, 130}, {{-20, -80, 0}, {0.6f, 0.8f, 0}, 50}, {{89.99f, 0, -300}, {0, 0, 1}, 299},
        {{90, 0, -300}, {0, 0, 1}, 0}, {{40, 0, -300}, {0, 0, -1}, 0}, {{40, 0, -10}, {0, 0, 1}, 0}, {{40, 0, -300}, {0, 0, kNaN}, 0},
    };
    for (const auto& c : cases)
    {
        float f = 0;
        EXPECT_EQ(c.fDistance != 0, sphere.IntersectRay(c.vOrigin, c.vDirection, &f)) << c.fDistance;
        EXPECT_NEAR(c.fDistance, f, 0.01f) << c.vOrigin.x << " " << c.vOrigin.y;
    }
}
