#include "engine/geometry/TrianglePair.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "tests/engine/geometry/CollisionTestHelpers.h"

namespace {

struct PairResult {
    bool bTest = false;
    bool bFind = false;
    float fTime = -1.0f;
    EnVector3 kPoint{0, 0, 0};
    EnVector3 kNormalA{0, 0, 0}, kNormalB{0, 0, 0};
    uint32_t uiKind = 0;
};

PairResult RunPair(const Triangle& a, const EnVector3& va, const Triangle& b, const EnVector3& vb,
                   float fTMax) {
    PairResult r;
    TrianglePair kTest(&a[0], &a[1], &a[2], &va, &b[0], &b[1], &b[2], &vb);
    r.bTest = kTest.Test(fTMax);
    TrianglePair kFind(&a[0], &a[1], &a[2], &va, &b[0], &b[1], &b[2], &vb);
    r.bFind = kFind.Find(fTMax, r.fTime, r.kPoint, true, r.kNormalA, r.kNormalB);
    r.uiKind = kFind.GetContactKind();
    return r;
}

const EnVector3 kStill(0, 0, 0);
const Triangle kFloor = {EnVector3(0, 0, 0), EnVector3(1, 0, 0), EnVector3(0, 1, 0)};

bool IsInPlaneKind(uint32_t uiKind) {
    return uiKind >= TrianglePair::AXIS_NE0 && uiKind <= (TrianglePair::AXIS_MG0 << 2);
}

}  // namespace

TEST(TrianglePair, SortsProjectionsStablyWithTheirCorners) {
    struct Case {
        float afValue[3];
        float afSorted[3];
        int aiCorner[3];
    };
    const Case kCases[] = {
        {{5, 1, 5}, {1, 5, 5}, {1, 0, 2}},  // equal values keep their corner order
        {{3, 2, 1}, {1, 2, 3}, {2, 1, 0}}, {{0, 0, 0}, {0, 0, 0}, {0, 1, 2}},
        {{2, 2, 1}, {1, 2, 2}, {2, 0, 1}}, {{-1, 4, 4}, {-1, 4, 4}, {0, 1, 2}},
    };
    for (const Case& c : kCases) {
        float afSorted[3];
        int aiCorner[3];
        TrianglePair::SortProjections(c.afValue, afSorted, aiCorner);
        for (int i = 0; i < 3; i++) {
            EXPECT_EQ(afSorted[i], c.afSorted[i]);
            EXPECT_EQ(aiCorner[i], c.aiCorner[i])
                << c.afValue[0] << " " << c.afValue[1] << " " << c.afValue[2];
        }
    }
}

TEST(TrianglePair, AnswersTheStillAndMovingCases) {
    struct Case {
        const char* pcWhat;
        Triangle kB;
        EnVector3 kVelocityB;
        float fTMax;
        bool bContact;
        float fTime;
    };
    const Triangle kAbove = {EnVector3(0, 0, 1), EnVector3(1, 0, 1), EnVector3(0, 1, 1)};
    const Case kCases[] = {
        {"still, touching at one corner",
         {EnVector3(1, 0, 0), EnVector3(2, 0, 1), EnVector3(2, 1, 1)},
         kStill,
         1.0f,
         true,
         0.0f},
        {"still, parallel planes one apart", kAbove, kStill, 1.0f, false, 0.0f},
        {"coming back at 2, a quarter second covers half the gap", kAbove, EnVector3(0, 0, -2),
         0.25f, false, 0.0f},
        {"coming back at 2, half a second closes it", kAbove, EnVector3(0, 0, -2), 0.5f, true,
         0.5f},
        {"coplanar and overlapping",
         {EnVector3(0.2f, 0.2f, 0), EnVector3(2, 0.2f, 0), EnVector3(0.2f, 2, 0)},
         kStill,
         1.0f,
         true,
         0.0f},
        {"coplanar, apart, sliding together",
         {EnVector3(3, 0, 0), EnVector3(4, 0, 0), EnVector3(3, 1, 0)},
         EnVector3(-4, 0, 0),
         1.0f,
         true,
         0.5f},
        {"coplanar, apart, sliding too slowly",
         {EnVector3(3, 0, 0), EnVector3(4, 0, 0), EnVector3(3, 1, 0)},
         EnVector3(-1, 0, 0),
         1.0f,
         false,
         0.0f},
        {"crossing the plane beside the triangle",
         {EnVector3(3, 3, 1), EnVector3(4, 3, 1), EnVector3(3, 4, -1)},
         EnVector3(0, 0, -1),
         2.0f,
         false,
         0.0f},
    };
    for (const Case& c : kCases) {
        const PairResult r = RunPair(kFloor, kStill, c.kB, c.kVelocityB, c.fTMax);
        EXPECT_EQ(r.bTest, c.bContact) << c.pcWhat;
        EXPECT_EQ(r.bFind, c.bContact) << c.pcWhat;
        if (c.bContact) {
            EXPECT_NEAR(r.fTime, c.fTime, 1e-6f) << c.pcWhat;
        }
    }
}

TEST(TrianglePair, ParallelPlanesMeetInThePlaneAtRest) {
    // B, a copy of A one unit along A's normal, coming back at 2 per second: the planes are
    // parallel, so B is moved into A's plane and the rest is decided there.
    const Triangle kB = {EnVector3(0, 0, 1), EnVector3(1, 0, 1), EnVector3(0, 1, 1)};
    const PairResult r = RunPair(kFloor, kStill, kB, EnVector3(0, 0, -2), 0.5f);
    ASSERT_TRUE(r.bFind);
    EXPECT_EQ(r.uiKind, uint32_t(TrianglePair::AXIS_N));
    EXPECT_FLOAT_EQ(r.fTime, 0.5f);
    EXPECT_TRUE(NearVector(r.kPoint, EnVector3(0, 0, 0), 1e-6f));
    EXPECT_TRUE(NearVector(r.kNormalA, EnVector3(0, 0, 1), 1e-6f));
    EXPECT_TRUE(NearVector(r.kNormalB, EnVector3(0, 0, 1), 1e-6f));
}

TEST(TrianglePair, ContactPointsComeFromTheTouchingFeatures) {
    // A corner of B coming down on the inside of a large floor.
    const Triangle kBigFloor = {EnVector3(-1, -1, 0), EnVector3(2, -1, 0), EnVector3(-1, 2, 0)};
    const Triangle kCorner = {EnVector3(0, 0, 1), EnVector3(1, 0, 2), EnVector3(0, 1, 2)};
    PairResult r = RunPair(kBigFloor, kStill, kCorner, EnVector3(0, 0, -2), 1.0f);
    ASSERT_TRUE(r.bFind);
    EXPECT_NEAR(r.fTime, 0.5f, 1e-6f);
    EXPECT_TRUE(NearVector(r.kPoint, EnVector3(0, 0, 0), 1e-5f));

    // Two edges crossing: A's top edge along x, B's bottom edge along y coming down onto it.
    const Triangle kEdgeA = {EnVector3(-1, 0, 0), EnVector3(1, 0, 0), EnVector3(0, 0, -1)};
    const Triangle kEdgeB = {EnVector3(0, -1, 1), EnVector3(0, 1, 1), EnVector3(0, 0, 2)};
    r = RunPair(kEdgeA, kStill, kEdgeB, EnVector3(0, 0, -2), 1.0f);
    ASSERT_TRUE(r.bFind);
    EXPECT_NEAR(r.fTime, 0.5f, 1e-6f);
    EXPECT_TRUE(NearVector(r.kPoint, EnVector3(0, 0, 0), 1e-5f));

    // The same with A moving too: the point is where the two meet in the world at that time.
    r = RunPair(kEdgeA, EnVector3(0, 0, 1), kEdgeB, EnVector3(0, 0, -1), 1.0f);
    ASSERT_TRUE(r.bFind);
    EXPECT_NEAR(r.fTime, 0.5f, 1e-6f);
    EXPECT_TRUE(NearVector(r.kPoint, EnVector3(0, 0, 0.5f), 1e-5f));

    // Overlapping at the start: no axis sets a time, the point is the smaller triangle's
    // centroid.
    const Triangle kSmall = {EnVector3(0.1f, 0.1f, -0.1f), EnVector3(0.2f, 0.1f, 0.1f),
                             EnVector3(0.1f, 0.2f, 0.1f)};
    r = RunPair(kBigFloor, kStill, kSmall, kStill, 1.0f);
    ASSERT_TRUE(r.bFind);
    EXPECT_EQ(r.uiKind, uint32_t(TrianglePair::AXIS_NONE));
    EXPECT_EQ(r.fTime, 0.0f);
    EXPECT_TRUE(NearVector(r.kPoint, EnVector3(0.4f, 0.4f, 0.1f) * (1.0f / 3.0f), 1e-6f));
}

TEST(TrianglePair, NearlyParallelPlanesAreDecidedInThePlaneAtAnyScale) {
    // B lies beside A, tilted by far less than the parallel tolerance, and slides towards it:
    // the in-plane edge normals decide, whether the triangles are millimetres or kilometres.
    for (float fScale : {0.001f, 1.0f, 1000.0f}) {
        const Triangle kA = {kFloor[0] * fScale, kFloor[1] * fScale, kFloor[2] * fScale};
        const Triangle kB = {EnVector3(3, 0, 0) * fScale, EnVector3(4, 0, 0.0001f) * fScale,
                             EnVector3(3, 1, 0) * fScale};
        const PairResult r = RunPair(kA, kStill, kB, EnVector3(-4, 0, 0) * fScale, 1.0f);
        ASSERT_TRUE(r.bFind) << "scale " << fScale;
        EXPECT_TRUE(IsInPlaneKind(r.uiKind)) << "scale " << fScale << " kind " << r.uiKind;
        EXPECT_NEAR(r.fTime, 0.5f, 1e-4f) << "scale " << fScale;

        // Tilted well past the tolerance, the nine edge-pair axes are used instead.
        const Triangle kTilted = {EnVector3(3, 0, 0) * fScale, EnVector3(4, 0, 0.5f) * fScale,
                                  EnVector3(3, 1, 0) * fScale};
        const PairResult t = RunPair(kA, kStill, kTilted, EnVector3(-4, 0, 0) * fScale, 1.0f);
        ASSERT_TRUE(t.bFind) << "scale " << fScale;
        EXPECT_FALSE(IsInPlaneKind(t.uiKind)) << "scale " << fScale << " kind " << t.uiKind;
    }
}

// Random moving pairs at three scales: Test and Find always agree, and whenever the triangles
// are seen clearly intersecting at one of many sampled instants of the step, both report a
// contact no later than that instant.
TEST(TrianglePair, IsConservativeAgainstDenseSamplingOfRandomMovingPairs) {
    const uint32_t uiSeed = 20240611;
    RandomSource kRandom(uiSeed);
    const int iSamples = 200;
    int iSampledContacts = 0, iReported = 0;
    for (float fScale : {0.01f, 1.0f, 100.0f}) {
        for (int iPair = 0; iPair < 1500; iPair++) {
            const float fTMax = kRandom.Float(0.25f, 2.0f);
            const EnVector3 kOffset = kRandom.Vector(2.0f * fScale);
            const Triangle kA = RandomTriangle(kRandom, EnVector3(0, 0, 0), fScale);
            const Triangle kB = RandomTriangle(kRandom, kOffset, fScale);
            const EnVector3 kVelocityA = kRandom.Vector(fScale);
            // B heads back towards A, more or less, so that many pairs meet during the step.
            const EnVector3 kVelocityB =
                kRandom.Vector(fScale) - kOffset * (kRandom.Float(0.0f, 1.5f) / fTMax);

            const PairResult r = RunPair(kA, kVelocityA, kB, kVelocityB, fTMax);
            ASSERT_EQ(r.bTest, r.bFind)
                << kRandom.Seed() << ", scale " << fScale << " pair " << iPair;
            if (r.bFind) {
                iReported++;
                EXPECT_GE(r.fTime, 0.0f) << kRandom.Seed() << " pair " << iPair;
                EXPECT_LE(r.fTime, fTMax * (1.0f + 1e-5f)) << kRandom.Seed() << " pair " << iPair;
                EXPECT_TRUE(std::isfinite(r.kPoint.x) && std::isfinite(r.kPoint.y) &&
                            std::isfinite(r.kPoint.z))
                    << kRandom.Seed() << " pair " << iPair;
            }
            for (int s = 0; s <= iSamples; s++) {
                const float t = fTMax * float(s) / float(iSamples);
                if (!ClearlyIntersect(Moved(kA, kVelocityA, t), Moved(kB, kVelocityB, t), fScale))
                    continue;
                iSampledContacts++;
                ASSERT_TRUE(r.bTest) << kRandom.Seed() << ", scale " << fScale << " pair " << iPair
                                     << " intersects at " << t;
                EXPECT_LE(r.fTime, t + 1e-4f * fTMax)
                    << kRandom.Seed() << ", scale " << fScale << " pair " << iPair;
                break;
            }
        }
    }
    // The draw must really exercise both answers.
    EXPECT_GT(iSampledContacts, 300) << kRandom.Seed();
    EXPECT_LT(iReported, 3 * 1500 - 300) << kRandom.Seed();
}
