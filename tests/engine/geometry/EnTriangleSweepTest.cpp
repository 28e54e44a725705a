#include "engine/geometry/EnTriangleSweep.h"

#include <gtest/gtest.h>

#include <cmath>

#include "tests/engine/geometry/CollisionTestHelpers.h"

namespace {

const EnVector3 kStill(0, 0, 0);
const Triangle kFloor = {EnVector3(0, 0, 0), EnVector3(1, 0, 0), EnVector3(0, 1, 0)};

struct Contact {
    bool bMet = false;
    float fTime = -1.0f;
    EnVector3 kPoint{0, 0, 0};
};

Contact Sweep(const Triangle& a, const EnVector3& va, const Triangle& b, const EnVector3& vb,
              float fTime) {
    Contact c;
    c.bMet = FindSweptTriangleContact(fTime, va, a[0], a[1], a[2], vb, b[0], b[1], b[2], c.fTime,
                                      c.kPoint);
    return c;
}

}  // namespace

TEST(EnTriangleSweep, BarycentricWeightsGiveThePointBack) {
    const EnVector3 a(0, 0, 0), b(2, 0, 0), c(0, 2, 1);
    for (const EnVector3& p : {EnVector3(0.5f, 0.5f, 0.25f), EnVector3(3, -1, -0.5f), a, b, c}) {
        float w[3];
        ASSERT_TRUE(ComputeBarycentric(a, b, c, p, w));
        EXPECT_TRUE(NearVector(a * w[0] + b * w[1] + c * w[2], p, 1e-5f));
    }
    float w[3] = {7, 7, 7};
    EXPECT_FALSE(ComputeBarycentric(a, a, c, b, w)) << "a triangle without area measures nothing";
    EXPECT_EQ(w[0], 7.0f);
}

TEST(EnTriangleSweep, SegmentSweepMeetsThePlaneFromFirstToLastCrossing) {
    const EnVector3 kUp(0, 0, 1);
    struct Case {
        const char* pcWhat;
        EnVector3 kStart, kEnd, kVelocity;
        bool bMet;
        float fFirst, fLast;
        EnVector3 kFirst, kLast;
    };
    const Case kCases[] = {
        {"upright, moving sideways: crosses all the step",
         {0, 0, 1},
         {0, 0, -1},
         {1, 0, 0},
         true,
         0,
         2,
         {0, 0, 0},
         {2, 0, 0}},
        {"level above, coming down",
         {0, 0, 1},
         {1, 0, 1},
         {0, 0, -1},
         true,
         1,
         1,
         {0, 0, 0},
         {1, 0, 0}},
        {"lying in the plane, lifting off",
         {0, 0, 0},
         {1, 0, 0},
         {0, 0, 1},
         true,
         0,
         0,
         {0, 0, 0},
         {1, 0, 0}},
        {"one end on the plane, leaving",
         {0, 0, 0},
         {1, 0, 1},
         {0, 0, 1},
         true,
         0,
         0,
         {0, 0, 0},
         {0, 0, 0}},
        {"above and staying above", {0, 0, 1}, {1, 0, 2}, {0, 0, 0.25f}, false, 0, 0, {}, {}},
        {"above, coming down too slowly",
         {0, 0, 1},
         {1, 0, 2},
         {0, 0, -0.25f},
         false,
         0,
         0,
         {},
         {}},
    };
    for (const Case& c : kCases) {
        float fFirst = -1, fLast = -1;
        EnVector3 kFirst, kLast;
        ASSERT_EQ(SweepSegmentAgainstPlane(2.0f, kUp, 0.0f, c.kVelocity, c.kStart, c.kEnd, fFirst,
                                           kFirst, fLast, kLast),
                  c.bMet)
            << c.pcWhat;
        if (!c.bMet) continue;
        EXPECT_FLOAT_EQ(fFirst, c.fFirst) << c.pcWhat;
        EXPECT_FLOAT_EQ(fLast, c.fLast) << c.pcWhat;
        EXPECT_TRUE(NearVector(kFirst, c.kFirst, 1e-6f)) << c.pcWhat;
        EXPECT_TRUE(NearVector(kLast, c.kLast, 1e-6f)) << c.pcWhat;
    }
}

TEST(EnTriangleSweep, SegmentEnteringAcrossItsSecondNegativeCoordinateIsFound) {
    // An upright segment whose crossing with the floor's plane travels from (1.72857, -0.6),
    // outside two of the floor triangle's edges, to (0.3, 0.4) inside: it leaves the first
    // edge's outside at 0.3 of the step but is inside the triangle only from 0.6 on.
    const EnVector3 kFrom(1.7285714f, -0.6f, 0.0f), kTo(0.3f, 0.4f, 0.0f);
    const EnVector3 kNormal(0, 0, 1);
    float fEarliest = 3.4e38f;
    EnVector3 kPoint;
    ASSERT_TRUE(SweepSegmentAgainstTriangle(kFrom + EnVector3(0, 0, 1), kFrom - EnVector3(0, 0, 1),
                                            kFloor[0], kFloor[1], kFloor[2], kNormal, 0.0f,
                                            kTo - kFrom, 1.0f, fEarliest, kPoint));
    EXPECT_NEAR(fEarliest, 0.6f, 1e-5f);
    EXPECT_TRUE(NearVector(kPoint, kFrom + (kTo - kFrom) * 0.6f, 1e-5f));

    // A later contact does not replace an earlier one, but is still a contact.
    fEarliest = 0.1f;
    kPoint = EnVector3(9, 9, 9);
    EXPECT_TRUE(SweepSegmentAgainstTriangle(kFrom + EnVector3(0, 0, 1), kFrom - EnVector3(0, 0, 1),
                                            kFloor[0], kFloor[1], kFloor[2], kNormal, 0.0f,
                                            kTo - kFrom, 1.0f, fEarliest, kPoint));
    EXPECT_EQ(fEarliest, 0.1f);
    EXPECT_TRUE(NearVector(kPoint, EnVector3(9, 9, 9), 0.0f));
}

TEST(EnTriangleSweep, FindsTheFirstContactOfTwoMovingTriangles) {
    struct Case {
        const char* pcWhat;
        Triangle kB;
        EnVector3 kVelocityA, kVelocityB;
        bool bMet;
        float fTime;
        EnVector3 kPoint;
    };
    const Case kCases[] = {
        {"already intersecting",
         {EnVector3(0.2f, 0.2f, -1), EnVector3(0.2f, 0.2f, 1), EnVector3(0.3f, 0.25f, 0)},
         kStill,
         kStill,
         true,
         0.0f,
         {0.2f, 0.2f, 0}},
        {"a corner coming down",
         {EnVector3(0.25f, 0.25f, 1), EnVector3(1, 1, 2), EnVector3(0.25f, 1, 2)},
         kStill,
         {0, 0, -2},
         true,
         0.5f,
         {0.25f, 0.25f, 0}},
        {"the floor coming up to the corner",
         {EnVector3(0.25f, 0.25f, 1), EnVector3(1, 1, 2), EnVector3(0.25f, 1, 2)},
         {0, 0, 2},
         kStill,
         true,
         0.5f,
         {0.25f, 0.25f, 1}},
        {"coplanar, sliding together",
         {EnVector3(3, 0, 0), EnVector3(4, 0, 0), EnVector3(3, 1, 0)},
         kStill,
         {-4, 0, 0},
         true,
         0.5f,
         {1, 0, 0}},
        {"coplanar, sliding past each other",
         {EnVector3(3, 2, 0), EnVector3(4, 2, 0), EnVector3(3, 3, 0)},
         kStill,
         {-8, 0, 0},
         false,
         0.0f,
         {}},
        {"passing by beside",
         {EnVector3(3, 3, 1), EnVector3(4, 3, 1), EnVector3(3, 4, -1)},
         kStill,
         {0, 0, -1},
         false,
         0.0f,
         {}},
    };
    for (const Case& c : kCases) {
        const Contact r = Sweep(kFloor, c.kVelocityA, c.kB, c.kVelocityB, 1.0f);
        ASSERT_EQ(r.bMet, c.bMet) << c.pcWhat;
        if (!c.bMet) continue;
        EXPECT_NEAR(r.fTime, c.fTime, 1e-6f) << c.pcWhat;
        EXPECT_TRUE(NearVector(r.kPoint, c.kPoint, 1e-5f)) << c.pcWhat;
    }
}

// Random moving pairs: whenever the triangles are seen clearly intersecting at a sampled
// instant, the sweep reports a contact no later than that, at a point that lies on both
// triangles where they are at the contact time.
TEST(EnTriangleSweep, IsConservativeAgainstDenseSamplingOfRandomMovingPairs) {
    const uint32_t uiSeed = 7356;
    RandomSource kRandom(uiSeed);
    int iSampledContacts = 0;
    for (float fScale : {0.01f, 1.0f, 100.0f}) {
        for (int iPair = 0; iPair < 1500; iPair++) {
            const float fTMax = kRandom.Float(0.25f, 2.0f);
            const EnVector3 kOffset = kRandom.Vector(2.0f * fScale);
            const Triangle kA = RandomTriangle(kRandom, EnVector3(0, 0, 0), fScale);
            const Triangle kB = RandomTriangle(kRandom, kOffset, fScale);
            const EnVector3 kVelocityA = kRandom.Vector(fScale);
            const EnVector3 kVelocityB =
                kRandom.Vector(fScale) - kOffset * (kRandom.Float(0.0f, 1.5f) / fTMax);
            const Contact r = Sweep(kA, kVelocityA, kB, kVelocityB, fTMax);
            if (r.bMet) {
                ASSERT_GE(r.fTime, 0.0f) << kRandom.Seed() << " pair " << iPair;
                ASSERT_LE(r.fTime, fTMax * (1 + 1e-5f)) << kRandom.Seed() << " pair " << iPair;
                const double fTolerance = 1e-3 * fScale;
                EXPECT_LE(TriangleDistance(r.kPoint, Moved(kA, kVelocityA, r.fTime)), fTolerance)
                    << kRandom.Seed() << ", scale " << fScale << " pair " << iPair;
                EXPECT_LE(TriangleDistance(r.kPoint, Moved(kB, kVelocityB, r.fTime)), fTolerance)
                    << kRandom.Seed() << ", scale " << fScale << " pair " << iPair;
            }
            for (int s = 0; s <= 200; s++) {
                const float t = fTMax * float(s) / 200.0f;
                if (!ClearlyIntersect(Moved(kA, kVelocityA, t), Moved(kB, kVelocityB, t), fScale))
                    continue;
                iSampledContacts++;
                ASSERT_TRUE(r.bMet) << kRandom.Seed() << ", scale " << fScale << " pair " << iPair
                                    << " intersects at " << t;
                EXPECT_LE(r.fTime, t + 1e-4f * fTMax)
                    << kRandom.Seed() << ", scale " << fScale << " pair " << iPair;
                break;
            }
        }
    }
    EXPECT_GT(iSampledContacts, 300) << kRandom.Seed();
}
