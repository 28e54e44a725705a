#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "engine/geometry/EnParticles.h"
#include "engine/geometry/EnTriShape.h"
#include "engine/geometry/EnTriStrip.h"
#include "engine/geometry/EnTriStrips.h"
#include "engine/geometry/EnTriangles.h"
#include "tests/engine/geometry/GeometryTestHelpers.h"

namespace {

// The triangles of a strip set written out strip by strip: triangle j of a strip takes its
// indices j, j + 1, j + 2, with the first two exchanged for odd j.
std::vector<IndexTriangle> ExpandStrips(const std::vector<std::vector<uint16_t>>& kStrips) {
    std::vector<IndexTriangle> kOut;
    for (const auto& s : kStrips)
        for (size_t j = 0; j + 2 < s.size(); j++)
            kOut.push_back(j % 2 ? IndexTriangle{s[j + 1], s[j], s[j + 2]}
                                 : IndexTriangle{s[j], s[j + 1], s[j + 2]});
    return kOut;
}

EnPointer<EnTriStrips> MakeStrips(uint16_t usVertices,
                                  const std::vector<std::vector<uint16_t>>& kStrips,
                                  EnVector3* pVertex = nullptr) {
    std::vector<uint16_t> kLengths, kList;
    uint16_t usTriangles = 0;
    for (const auto& s : kStrips) {
        kLengths.push_back(uint16_t(s.size()));
        kList.insert(kList.end(), s.begin(), s.end());
        usTriangles = uint16_t(usTriangles + s.size() - 2);
    }
    if (!pVertex) {
        pVertex = new EnVector3[usVertices];
        for (uint16_t i = 0; i < usVertices; i++) pVertex[i] = EnVector3(float(i), 0.0f, 0.0f);
    }
    return new EnTriStrips(new EnTriStripsData(usVertices, pVertex, nullptr, nullptr, nullptr,
                                               usTriangles, uint16_t(kStrips.size()),
                                               NewArray(kLengths), NewArray(kList)));
}

// Vertices of a flat zigzag in the z = 0 plane: k goes to (k / 2, k % 2, 0). Read as a strip,
// every triangle covers its own area, so the facing of each says whether its winding is right.
EnVector3* NewZigzag(uint16_t usVertices) {
    auto* p = new EnVector3[usVertices];
    for (uint16_t k = 0; k < usVertices; k++) p[k] = EnVector3(float(k / 2), float(k % 2), 0.0f);
    return p;
}

float FacingZ(const EnVector3* p0, const EnVector3* p1, const EnVector3* p2) {
    return (*p1 - *p0).Cross(*p2 - *p0).z;
}

// A world transform that turns the plane z = 0 on its side, so world facings differ from model
// facings and a mismatch of order shows.
void PlaceInWorld(EnTriBasedGeom& kGeom) {
    EnMatrix3 kRotate;
    kRotate.MakeXRotation(0.7f);
    kGeom.SetLocalRotate(kRotate);
    kGeom.SetLocalTranslate(EnVector3(3.0f, -2.0f, 5.0f));
    kGeom.SetLocalScale(2.0f);
    kGeom.CreateWorldVertices();
    kGeom.Update(0.0f);
    kGeom.UpdateWorldVertices();
}

}  // namespace

TEST(TriangleAccess, TwoStripsGiveTheirTrianglesInOrderAndAtRandom) {
    EnPointer<EnTriStrips> spStrips = MakeStrips(9, {{0, 1, 2, 3, 4}, {5, 6, 7, 8}});
    const std::vector<IndexTriangle> kExpected = {
        {0, 1, 2}, {2, 1, 3}, {2, 3, 4}, {5, 6, 7}, {7, 6, 8}};
    EXPECT_EQ(TrianglesOf(*spStrips, 5), kExpected);
    for (uint16_t i : {4, 0, 3, 3, 1, 2, 4, 0}) {
        IndexTriangle t{};
        spStrips->GetTriangleVertexIndices(i, t.a, t.b, t.c);
        EXPECT_EQ(t, kExpected[i]) << "triangle " << i;
    }
}

TEST(TriangleAccess, RandomStripSetsMatchTheirExpansion) {
    for (uint32_t uiSeed = 1; uiSeed <= 40; uiSeed++) {
        RandomSource kRandom(uiSeed);
        const uint16_t usVertices = uint16_t(kRandom.Int(3, 40));
        std::vector<std::vector<uint16_t>> kStrips(kRandom.Int(1, 6));
        for (auto& s : kStrips) {
            s.resize(kRandom.Int(3, 12));
            for (uint16_t& i : s) i = uint16_t(kRandom.Int(0, usVertices - 1));
        }
        const std::vector<IndexTriangle> kExpected = ExpandStrips(kStrips);
        const uint16_t usCount = uint16_t(kExpected.size());
        EnPointer<EnTriStrips> spStrips = MakeStrips(usVertices, kStrips);
        // A second object on the same data, walked in between, must not disturb the first.
        EnPointer<EnTriStrips> spOther = new EnTriStrips(spStrips->GetStripsData());

        EXPECT_EQ(TrianglesOf(*spStrips, usCount), kExpected) << kRandom.Seed();
        std::vector<uint16_t> kOrder(usCount);
        for (uint16_t i = 0; i < usCount; i++) kOrder[i] = i;
        std::shuffle(kOrder.begin(), kOrder.end(), kRandom.m_kEngine);
        for (uint16_t i : kOrder) {
            IndexTriangle t{}, u{};
            spStrips->GetTriangleVertexIndices(i, t.a, t.b, t.c);
            spOther->GetTriangleVertexIndices(uint16_t(usCount - 1 - i), u.a, u.b, u.c);
            EXPECT_EQ(t, kExpected[i]) << kRandom.Seed() << ", triangle " << i;
            EXPECT_EQ(u, kExpected[usCount - 1 - i]) << kRandom.Seed();
        }
        ExpectPointsFollowIndices(*spStrips, usCount);
    }
}

TEST(TriangleAccess, SingleStripAlternatesItsLastTwoIndices) {
    EnPointer<EnTriStrip> spStrip = new EnTriStrip(NewZigzag(6), nullptr, nullptr, nullptr, 4);
    const std::vector<IndexTriangle> kExpected = {{0, 1, 2}, {1, 3, 2}, {2, 3, 4}, {3, 5, 4}};
    EXPECT_EQ(TrianglesOf(*spStrip, 4), kExpected);
}

TEST(TriangleAccess, LooseTrianglesOwnTheirVertices) {
    EnPointer<EnTriangles> spTriangles =
        new EnTriangles(new EnTrianglesData(9, NewZigzag(9), nullptr, nullptr, nullptr, 3));
    const std::vector<IndexTriangle> kExpected = {{0, 1, 2}, {3, 4, 5}, {6, 7, 8}};
    EXPECT_EQ(TrianglesOf(*spTriangles, 3), kExpected);
}

// The winding of a strip's triangles is what the renderer draws; model and world points must
// come in that winding too, or the triangle faces flip for every odd triangle.
TEST(TriangleAccess, EveryKindGivesPointsInTheWindingOfItsIndices) {
    const uint16_t usVertices = 12;
    std::vector<uint16_t> kZigzag(usVertices);
    for (uint16_t i = 0; i < usVertices; i++) kZigzag[i] = i;
    const std::vector<IndexTriangle> kStripTriangles = ExpandStrips({kZigzag});
    std::vector<uint16_t> kList;
    for (const IndexTriangle& t : kStripTriangles) kList.insert(kList.end(), {t.a, t.b, t.c});
    const uint16_t usTriangles = uint16_t(kStripTriangles.size());

    std::vector<EnPointer<EnTriBasedGeom>> kKinds = {
        new EnTriShape(usVertices, NewZigzag(usVertices), nullptr, nullptr, nullptr, usTriangles,
                       NewArray(kList)),
        new EnTriStrip(NewZigzag(usVertices), nullptr, nullptr, nullptr, usTriangles),
        MakeStrips(usVertices, {kZigzag}, NewZigzag(usVertices)).Get(),
    };
    for (EnTriBasedGeom* pGeom : kKinds) {
        SCOPED_TRACE(pGeom->GetClassName());
        ExpectPointsFollowIndices(*pGeom, usTriangles);
        PlaceInWorld(*pGeom);
        ExpectPointsFollowIndices(*pGeom, usTriangles);

        const EnVector3 kWorldNormal = pGeom->GetWorldRotate() * EnVector3(0.0f, 0.0f, 1.0f);
        for (uint16_t i = 0; i < usTriangles; i++) {
            EnVector3 *p0, *p1, *p2;
            pGeom->GetTriangleModelPoints(i, p0, p1, p2);
            EXPECT_LT(FacingZ(p0, p1, p2), 0.0f) << "model triangle " << i;
            pGeom->GetTriangleWorldPoints(i, p0, p1, p2);
            ASSERT_TRUE(p0 && p1 && p2);
            EXPECT_LT((*p1 - *p0).Cross(*p2 - *p0).Dot(kWorldNormal), 0.0f)
                << "world triangle " << i;
        }
    }
}

TEST(TriangleAccess, LooseTrianglesGivePointsInIndexOrder) {
    EnPointer<EnTriangles> spTriangles =
        new EnTriangles(new EnTrianglesData(9, NewZigzag(9), nullptr, nullptr, nullptr, 3));
    ExpectPointsFollowIndices(*spTriangles, 3);
    PlaceInWorld(*spTriangles);
    ExpectPointsFollowIndices(*spTriangles, 3);
}

TEST(TriangleAccess, WorldPointsAreNullUntilTheObjectHasWorldVertices) {
    EnPointer<EnTriShape> spShape = new EnTriShape(3, NewZigzag(3), nullptr, nullptr, nullptr, 1,
                                                   NewArray<uint16_t>({0, 1, 2}));
    EnVector3 kSentinel(0.0f, 0.0f, 0.0f);
    EnVector3 *p0 = &kSentinel, *p1 = &kSentinel, *p2 = &kSentinel;
    spShape->GetTriangleWorldPoints(0, p0, p1, p2);
    EXPECT_EQ(p0, nullptr);
    EXPECT_EQ(p1, nullptr);
    EXPECT_EQ(p2, nullptr);
}

TEST(TriangleAccess, ParticlesAreDegenerateTrianglesAtTheirPoints) {
    EnPointer<EnParticles> spParticles = new EnParticles(4, NewZigzag(4), nullptr, nullptr);
    PlaceInWorld(*spParticles);
    const EnVector3* pWorld = spParticles->GetWorldVertices();
    for (uint16_t i = 0; i < 4; i++) {
        EnVector3 *p0, *p1, *p2;
        spParticles->GetTriangleWorldPoints(i, p0, p1, p2);
        EXPECT_TRUE(p0 == pWorld + i && p1 == pWorld + i && p2 == pWorld + i) << i;
        uint16_t a = 7, b = 8, c = 9;
        spParticles->GetTriangleVertexIndices(i, a, b, c);
        EXPECT_TRUE(a == 7 && b == 8 && c == 9) << "the indices are left untouched";
    }
}

TEST(TriangleAccess, TrianglesPastTheDataGiveNoPoints) {
    EnPointer<EnTriShape> spShape = new EnTriShape(3, NewZigzag(3), nullptr, nullptr, nullptr, 1,
                                                   NewArray<uint16_t>({0, 1, 2}));
    EnPointer<EnTriStrips> spStrips = MakeStrips(4, {{0, 1, 2, 3}});
    for (EnTriBasedGeom* pGeom : {(EnTriBasedGeom*)spShape.Get(), (EnTriBasedGeom*)spStrips}) {
        EnVector3 kSentinel(0.0f, 0.0f, 0.0f);
        EnVector3 *p0 = &kSentinel, *p1 = &kSentinel, *p2 = &kSentinel;
        pGeom->GetTriangleModelPoints(5, p0, p1, p2);
        EXPECT_TRUE(!p0 && !p1 && !p2) << pGeom->GetClassName();
    }
}
