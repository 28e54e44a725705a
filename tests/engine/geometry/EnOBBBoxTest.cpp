#include "engine/geometry/EnOBBBox.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "engine/geometry/EnOBBRoot.h"
#include "tests/engine/geometry/CollisionTestHelpers.h"

namespace {

// A tree that serves only as the owner of hand-made boxes: the time step and the velocity.
std::unique_ptr<EnOBBRoot> MakeOwner(float fTime, const EnVector3& kVelocity) {
    const EnVector3 akVertex[3] = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
    const uint16_t ausIndex[3] = {0, 1, 2};
    auto spOwner = EnOBBRoot::Create(1, ausIndex, akVertex, 3, 1);
    spOwner->SetTimeStep(fTime);
    spOwner->SetVelocity(kVelocity);
    return spOwner;
}

EnOBBBox MakeBox(EnOBBRoot* pOwner, const EnVector3& kCenter, const EnMatrix3& kRotate, float e0,
                 float e1, float e2) {
    EnOBBBox kBox;
    kBox.m_kModelCenter = EnVector3(0, 0, 0);
    kBox.m_afModelExtent[0] = e0;
    kBox.m_afModelExtent[1] = e1;
    kBox.m_afModelExtent[2] = e2;
    kBox.m_pOwner = pOwner;
    kBox.UpdateWorld(kRotate, kCenter, 1.0f);
    return kBox;
}

EnMatrix3 RandomRotation(RandomSource& kRandom) {
    EnVector3 kAxis = kRandom.Vector(1.0f);
    if (kAxis.Unitize() == 0.0f) kAxis = EnVector3::UNIT_Z;
    EnMatrix3 kRotate;
    kRotate.MakeRotation(kRandom.Float(-3.14159f, 3.14159f), kAxis);
    return kRotate;
}

// The box moved on by its owner's velocity for a time, grown (or shrunk) by a margin, and
// held still.
EnOBBBox MovedBox(const EnOBBBox& kBox, float fTime, EnOBBRoot* pStillOwner, float fMargin = 0.0f) {
    EnOBBBox kMoved = kBox;
    kMoved.m_kWorldCenter += kBox.m_pOwner->GetVelocity() * fTime;
    for (float& fExtent : kMoved.m_afWorldExtent) fExtent += fMargin;
    kMoved.m_pOwner = pStillOwner;
    return kMoved;
}

}  // namespace

TEST(EnOBBBox, UpdateWorldRotatesScalesAndMoves) {
    EnOBBBox kBox;
    kBox.m_kModelCenter = EnVector3(1, 0, 0);
    kBox.m_afModelExtent[0] = 1;
    kBox.m_afModelExtent[1] = 2;
    kBox.m_afModelExtent[2] = 3;
    EnMatrix3 kRotate;
    kRotate.MakeZRotation(-1.5707964f);  // turns +x to +y
    kBox.UpdateWorld(kRotate, EnVector3(10, 0, 0), 2.0f);
    EXPECT_TRUE(NearVector(kBox.m_kWorldCenter, EnVector3(10, 2, 0), 1e-5f));
    EXPECT_TRUE(NearVector(kBox.m_akWorldAxis[0], EnVector3(0, 1, 0), 1e-6f));
    EXPECT_TRUE(NearVector(kBox.m_akWorldAxis[1], EnVector3(-1, 0, 0), 1e-6f));
    EXPECT_FLOAT_EQ(kBox.m_afWorldExtent[0], 2.0f);
    EXPECT_FLOAT_EQ(kBox.m_afWorldExtent[2], 6.0f);
    EXPECT_TRUE(NearVector(kBox.m_kModelCenter, EnVector3(1, 0, 0), 0.0f)) << "model part stays";
}

TEST(EnOBBBox, SweptOverlapNeedsASeparationAtBothEndsOfTheStep) {
    struct Case {
        const char* pcWhat;
        float fOffset, fSpeed;
        bool bOverlap;
    };
    const Case kCases[] = {
        {"touching exactly", 2.0f, 0.0f, true},
        {"just apart, still", 2.001f, 0.0f, false},
        {"closing the gap in the step", 4.0f, -2.0f, true},
        {"closing only part of the gap", 4.0f, -1.0f, false},
        {"passing right through within the step", 4.0f, -8.0f, true},
        {"moving apart", 3.0f, 1.0f, false},
        {"overlapping, moving apart", 1.0f, 5.0f, true},
        {"behind, passing through", -4.0f, 8.0f, true},
    };
    auto spA = MakeOwner(1.0f, EnVector3(0, 0, 0));
    for (const Case& c : kCases) {
        auto spB = MakeOwner(1.0f, EnVector3(c.fSpeed, 0, 0));
        const EnOBBBox kA = MakeBox(spA.get(), EnVector3(0, 0, 0), EnMatrix3::IDENTITY, 1, 1, 1);
        const EnOBBBox kB =
            MakeBox(spB.get(), EnVector3(c.fOffset, 0.5f, 0), EnMatrix3::IDENTITY, 1, 1, 1);
        EXPECT_EQ(kA.SweptOverlap(kB), c.bOverlap) << c.pcWhat;
        float fTime = -1;
        EnVector3 kPoint;
        EXPECT_EQ(kA.FindSweptContact(kB, fTime, kPoint), c.bOverlap) << c.pcWhat;
    }
}

TEST(EnOBBBox, SweptContactIsWhenTheLastGapCloses) {
    auto spA = MakeOwner(1.0f, EnVector3(0, 0, 0));
    auto spB = MakeOwner(1.0f, EnVector3(-8, 0, 0));
    const EnOBBBox kA = MakeBox(spA.get(), EnVector3(0, 0, 0), EnMatrix3::IDENTITY, 1, 1, 1);
    const EnOBBBox kB = MakeBox(spB.get(), EnVector3(4, 0, 0), EnMatrix3::IDENTITY, 1, 1, 1);
    float fTime = -1;
    EnVector3 kPoint;
    ASSERT_TRUE(kA.FindSweptContact(kB, fTime, kPoint));
    EXPECT_FLOAT_EQ(fTime, 0.25f) << "the gap of 2 closes at a quarter of the step";
    EXPECT_FLOAT_EQ(kPoint.x, 1.0f) << "a vertex of B on A's face";
    EXPECT_FLOAT_EQ(std::fabs(kPoint.y), 1.0f);

    // Overlapping at the start: time 0 and the middle of the two centres.
    const EnOBBBox kNear = MakeBox(spB.get(), EnVector3(1, 0, 0), EnMatrix3::IDENTITY, 1, 1, 1);
    ASSERT_TRUE(kA.FindSweptContact(kNear, fTime, kPoint));
    EXPECT_EQ(fTime, 0.0f);
    EXPECT_TRUE(NearVector(kPoint, EnVector3(0.5f, 0, 0), 0.0f));
}

// Random pairs of turned, moving boxes. The test is conservative: boxes seen overlapping at
// any sampled instant of the step overlap for it, and the contact search agrees and answers no
// later than that instant. Its time is when the last separated axis closed (exit times are not
// examined), so just before it that axis still holds the boxes apart.
TEST(EnOBBBox, SweptContactIsConservativeAgainstDenseSampling) {
    RandomSource kRandom(4711);
    auto spStill = MakeOwner(0.0f, EnVector3(0, 0, 0));
    int iSampled = 0, iLater = 0;
    for (int i = 0; i < 3000; i++) {
        auto spA = MakeOwner(1.0f, kRandom.Vector(2.0f));
        auto spB = MakeOwner(1.0f, kRandom.Vector(2.0f));
        const EnOBBBox kA =
            MakeBox(spA.get(), EnVector3(0, 0, 0), RandomRotation(kRandom), kRandom.Float(0.1f, 1),
                    kRandom.Float(0.1f, 1), kRandom.Float(0, 1));
        const EnOBBBox kB =
            MakeBox(spB.get(), kRandom.Vector(3.0f), RandomRotation(kRandom),
                    kRandom.Float(0.1f, 1), kRandom.Float(0.1f, 1), kRandom.Float(0, 1));
        float fTime = -1;
        EnVector3 kPoint;
        const bool bOverlap = kA.SweptOverlap(kB);
        ASSERT_EQ(kA.FindSweptContact(kB, fTime, kPoint), bOverlap) << kRandom.Seed() << " " << i;
        for (int s = 0; s <= 200; s++) {
            const float t = float(s) / 200.0f;
            // Shrunk a little, so that only a clear overlap counts.
            if (!MovedBox(kA, t, spStill.get(), -1e-4f)
                     .SweptOverlap(MovedBox(kB, t, spStill.get(), -1e-4f)))
                continue;
            iSampled++;
            ASSERT_TRUE(bOverlap) << kRandom.Seed() << " " << i << " overlaps at " << t;
            EXPECT_LE(fTime, t + 1e-4f) << kRandom.Seed() << " " << i;
            break;
        }
        if (!bOverlap) continue;
        ASSERT_GE(fTime, 0.0f) << kRandom.Seed() << " " << i;
        ASSERT_LE(fTime, 1.0f) << kRandom.Seed() << " " << i;
        if (fTime > 1e-3f) {
            iLater++;
            EXPECT_FALSE(MovedBox(kA, fTime - 1e-3f, spStill.get())
                             .SweptOverlap(MovedBox(kB, fTime - 1e-3f, spStill.get())))
                << kRandom.Seed() << " " << i << " at " << fTime;
        }
    }
    EXPECT_GT(iSampled, 300);
    EXPECT_GT(iLater, 100);
}

TEST(EnOBBBox, NormalIsTheFlatAxisOrTheGradientOfTheBox) {
    auto spOwner = MakeOwner(0.0f, EnVector3(0, 0, 0));
    struct Case {
        const char* pcWhat;
        float e0, e1, e2;
        EnVector3 kPoint, kNormal;
    };
    const Case kCases[] = {
        {"flat along axis 2", 1, 1, 0, {0.5f, 0.5f, 0}, {0, 0, 1}},
        {"flat along axis 1", 1, 0, 1, {0.5f, 0, 0.5f}, {0, 1, 0}},
        {"flat along axis 0", 0, 1, 1, {0, 0.5f, 0.5f}, {1, 0, 0}},
        {"a point", 0, 0, 0, {3, 3, 3}, {1, 0, 0}},
        {"on the +x face", 1, 2, 2, {1, 0, 0}, {1, 0, 0}},
        {"on the -y face", 2, 1, 2, {0, -1, 0}, {0, -1, 0}},
        {"at the centre", 1, 1, 1, {0, 0, 0}, {0, 0, 0}},
    };
    for (const Case& c : kCases) {
        const EnOBBBox kBox =
            MakeBox(spOwner.get(), EnVector3(0, 0, 0), EnMatrix3::IDENTITY, c.e0, c.e1, c.e2);
        EnVector3 kNormal(9, 9, 9);
        kBox.NormalAt(c.kPoint, kNormal);
        EXPECT_TRUE(NearVector(kNormal, c.kNormal, 1e-6f)) << c.pcWhat;
    }
}

TEST(EnOBBBox, RayMeetsTheBoxAtANonNegativeParameter) {
    auto spOwner = MakeOwner(0.0f, EnVector3(0, 0, 0));
    const EnOBBBox kBox = MakeBox(spOwner.get(), EnVector3(5, 0, 0), EnMatrix3::IDENTITY, 1, 1, 1);
    struct Case {
        const char* pcWhat;
        EnVector3 kOrigin, kDir;
        bool bHit;
    };
    const Case kCases[] = {
        {"towards it", {0, 0, 0}, {1, 0, 0}, true},
        {"away from it", {0, 0, 0}, {-1, 0, 0}, false},
        {"from inside, any way", {5, 0.5f, 0}, {0, -1, 0}, true},
        {"past it", {0, 0, 0}, {1, 1, 0}, false},
        {"slanting into it", {0, 0, 0}, {5, 0.9f, -0.9f}, true},
        {"parallel inside the slab", {0, 0.5f, 0}, {1, 0, 0}, true},
        {"parallel outside the slab", {0, 1.5f, 0}, {1, 0, 0}, false},
        {"behind, beyond the far face", {7, 0, 0}, {1, 0, 0}, false},
    };
    for (const Case& c : kCases)
        EXPECT_EQ(kBox.IntersectsRay(c.kOrigin, c.kDir), c.bHit) << c.pcWhat;
}
