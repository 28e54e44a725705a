#include <gtest/gtest.h>

#include <vector>

#include "engine/core/EnMath.h"
#include "engine/core/EnRayHit.h"
#include "engine/core/EnRayQuery.h"
#include "engine/geometry/EnTriShape.h"
#include "tests/engine/geometry/GeometryTestHelpers.h"

namespace {

// Two triangles in the plane x = 0, one behind the other along +x at x = 2, both facing -x.
EnPointer<EnTriShape> MakeWall() {
    return new EnTriShape(
        6,
        NewArray<EnVector3>(
            {{2, -1, -1}, {2, -1, 1}, {2, 1, 0}, {0, -1, -1}, {0, -1, 1}, {0, 1, 0}}),
        NewArray<EnVector3>({{-1, 0, 0}, {-1, 0, 0}, {-1, 0, 0}, {0, 1, 0}, {0, 1, 0}, {0, 1, 0}}),
        NewArray<EnColorRGBA>(
            {{1, 0, 0, 1}, {1, 0, 0, 1}, {1, 0, 0, 1}, {0, 0, 1, 1}, {0, 0, 1, 1}, {0, 0, 1, 1}}),
        NewArray<EnVector2>({{0, 0}, {1, 0}, {0, 1}, {0, 0}, {1, 0}, {0, 1}}), 2,
        NewArray<uint16_t>({0, 1, 2, 3, 4, 5}));
}

}  // namespace

struct RayTriangleCase {
    const char* pcWhat;
    EnVector3 kOrigin, kDir;
    bool bFrontOnly, bHit;
    float fDistance;
};

TEST(EnTriBasedGeom, IntersectRayTriangleRejectsParallelBehindAndBackFaces) {
    const EnVector3 a(0, -1, -1), b(0, -1, 1), c(0, 1, 0);  // normal along -x
    const RayTriangleCase kCases[] = {
        {"straight through", {-3, 0, 0}, {1, 0, 0}, false, true, 3.0f},
        {"distance in direction units", {-3, 0, 0}, {2, 0, 0}, false, true, 1.5f},
        {"parallel", {-3, 0, 0}, {0, 1, 0}, false, false, 0},
        {"behind the origin", {3, 0, 0}, {1, 0, 0}, false, false, 0},
        {"from the back, two-sided", {3, 0, 0}, {-1, 0, 0}, false, true, 3.0f},
        {"from the back, front only", {3, 0, 0}, {-1, 0, 0}, true, false, 0},
        {"from the front, front only", {-3, 0, 0}, {1, 0, 0}, true, true, 3.0f},
        {"beside the triangle", {-3, 0.9f, 0.9f}, {1, 0, 0}, false, false, 0},
    };
    for (const RayTriangleCase& k : kCases) {
        EnVector3 kPoint;
        float fDistance = -1, fU = -1, fV = -1;
        EXPECT_EQ(EnTriBasedGeom::IntersectRayTriangle(k.kOrigin, k.kDir, a, b, c, k.bFrontOnly,
                                                       kPoint, fDistance, fU, fV),
                  k.bHit)
            << k.pcWhat;
        if (!k.bHit) continue;
        EXPECT_FLOAT_EQ(fDistance, k.fDistance) << k.pcWhat;
        // The weights give the point back.
        const EnVector3 kBack = (1 - fU - fV) * a + fU * b + fV * c;
        EXPECT_TRUE(NearVector(kBack, kPoint, 1e-5f)) << k.pcWhat;
    }
    EnVector3 kPoint;
    float f, u, v;
    EXPECT_FALSE(EnTriBasedGeom::IntersectRayTriangle({-3, 0, 0}, {1, 0, 0}, a, a, c, false, kPoint,
                                                      f, u, v))
        << "a degenerate triangle is never hit";
}

TEST(EnTriBasedGeom, RaySearchStopsAtTheFirstTriangleInIndexOrder) {
    EnPointer<EnTriShape> spWall = MakeWall();
    spWall->Update(0.0f);
    EnRayQuery kQuery;
    kQuery.m_uiStopMode = kQuery.m_uiSortMode = 1;
    ASSERT_TRUE(spWall->FindIntersections(EnVector3(-5, 0, 0), EnVector3(1, 0, 0), kQuery));
    ASSERT_EQ(kQuery.m_kHits.size(), 1u);
    EXPECT_EQ(kQuery.m_kHits[0]->m_usTriangle, 0) << "the first in index order, not the nearest";
    EXPECT_FLOAT_EQ(kQuery.m_kHits[0]->m_fDistance, 7.0f);

    EnRayQuery kAll;
    ASSERT_TRUE(spWall->FindIntersections(EnVector3(-5, 0, 0), EnVector3(1, 0, 0), kAll));
    EXPECT_EQ(kAll.m_kHits.size(), 2u);
}

TEST(EnTriBasedGeom, RayHitsReportWorldPointsAndInterpolatedAttributes) {
    EnPointer<EnTriShape> spWall = MakeWall();
    EnMatrix3 kRotate;
    kRotate.MakeZRotation(-EN_HALF_PI);  // +x turns to +y
    spWall->SetLocalRotate(kRotate);
    spWall->SetLocalTranslate(EnVector3(0, 0, 10));
    spWall->SetLocalScale(2.0f);
    spWall->Update(0.0f);

    EnRayQuery kQuery;
    kQuery.m_bWantTexture = kQuery.m_bWantNormal = kQuery.m_bSmoothNormal = true;
    kQuery.m_bWantColor = true;
    // Straight at the second triangle's centre, along the object's +x (world +y).
    const EnVector3 kModelCentre(0, -1.0f / 3, 0);
    const EnVector3 kTarget = kRotate * (2.0f * kModelCentre) + EnVector3(0, 0, 10);
    const EnVector3 kFrom = kTarget - EnVector3(0, 4, 0);
    ASSERT_TRUE(spWall->FindIntersections(kFrom, EnVector3(0, 1, 0), kQuery));
    const EnRayHit* pHit = nullptr;
    for (const auto& spHit : kQuery.m_kHits)
        if (spHit && spHit->m_usTriangle == 1) pHit = spHit.get();
    ASSERT_NE(pHit, nullptr);
    EXPECT_TRUE(NearVector(pHit->m_kPoint, kTarget, 1e-4f));
    EXPECT_NEAR(pHit->m_fDistance, 4.0f, 1e-4f) << "distances are those of the world ray";
    EXPECT_EQ(pHit->m_ausVertex[0], 3);
    EXPECT_NEAR(pHit->m_afTexture[0], 1.0f / 3, 1e-5f);
    EXPECT_NEAR(pHit->m_afTexture[1], 1.0f / 3, 1e-5f);
    EXPECT_TRUE(NearVector(pHit->m_kNormal, kRotate * EnVector3(0, 1, 0), 1e-5f));
    EXPECT_FLOAT_EQ(pHit->m_afColor[2], 1.0f);
    EXPECT_EQ(pHit->m_spObject, spWall.Get());
}

TEST(EnTriBasedGeom, BoundOnlyQueriesAndAppCulledObjects) {
    EnPointer<EnTriShape> spWall = MakeWall();
    spWall->Update(0.0f);
    EnRayQuery kBound;
    kBound.m_uiTestMode = 0;
    // This ray misses both triangles but passes through the bound.
    ASSERT_TRUE(spWall->FindIntersections(EnVector3(1, 5, 0.9f), EnVector3(0, -1, 0), kBound));
    EXPECT_EQ(kBound.m_kHits.size(), 1u);

    spWall->SetAppCulled(true);
    EnRayQuery kQuery;
    EXPECT_FALSE(spWall->FindIntersections(EnVector3(-5, 0, 0), EnVector3(1, 0, 0), kQuery));
    kQuery.m_bObserveAppCulled = false;
    EXPECT_TRUE(spWall->FindIntersections(EnVector3(-5, 0, 0), EnVector3(1, 0, 0), kQuery));
}
