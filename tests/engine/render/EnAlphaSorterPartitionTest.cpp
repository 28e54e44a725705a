#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "engine/core/EnPlaneEquation.h"
#include "engine/core/EnPointer.h"
#include "engine/core/EnZBufferProperty.h"
#include "engine/geometry/EnTriShape.h"
#include "engine/render/EnAlphaProxy.h"
#include "engine/render/EnAlphaSorter.h"
#include "tests/engine/render/AlphaSorterTestHelpers.h"

namespace {

using namespace alpha_test;
using BSPTree = EnAlphaSorter::BSPTree;

struct Pieces {
    EnPointer<EnTriShape> spFront;
    EnPointer<EnTriShape> spBack;
    EnPointer<EnTriShape> spOn;
};

Pieces Partition(EnTriShape* pShape, const EnAlphaProxy* pProxy, const EnPlaneEquation& kPlane) {
    BSPTree kTree;
    Pieces kPieces;
    kTree.Partition(pShape, pProxy, kPlane, kPieces.spFront, kPieces.spBack, kPieces.spOn);
    return kPieces;
}

// Barycentric weights of a point in a triangle's plane, and its distance from that plane.
void Barycentric(const EnVector3& x, const Triangle& t, double afW[3], double& dDistance) {
    const EnVector3 e1 = t.p[1] - t.p[0];
    const EnVector3 e2 = t.p[2] - t.p[0];
    const EnVector3 n = e1.Cross(e2);
    const double dArea2 = n.Dot(n);
    const EnVector3 d = x - t.p[0];
    dDistance = std::fabs(double(d.Dot(n))) / std::sqrt(dArea2);
    const double dU = double((d.Cross(e2)).Dot(n)) / dArea2;
    const double dV = double((e1.Cross(d)).Dot(n)) / dArea2;
    afW[0] = 1.0 - dU - dV;
    afW[1] = dU;
    afW[2] = dV;
}

// The pieces must be the original triangles exactly: the same total area and summed vector
// area, every sample point of an original covered by exactly one piece triangle, each piece
// triangle inside an original and wound the same way, and each piece on its own side of the
// plane (distances in world units).
void ExpectExactCover(const std::vector<Triangle>& kOriginal, const Pieces& kPieces,
                      const std::vector<Triangle>& kFront, const std::vector<Triangle>& kBack,
                      const std::vector<Triangle>& kOn, const EnPlaneEquation& kPlane,
                      double dTolerance, std::mt19937& kRandom) {
    (void)kPieces;
    std::vector<Triangle> kAll = kFront;
    kAll.insert(kAll.end(), kBack.begin(), kBack.end());
    kAll.insert(kAll.end(), kOn.begin(), kOn.end());

    double dOriginalArea = 0.0;
    double dPieceArea = 0.0;
    EnVector3 kOriginalVector = EnVector3::ZERO;
    EnVector3 kPieceVector = EnVector3::ZERO;
    for (const Triangle& t : kOriginal) {
        dOriginalArea += t.Area();
        kOriginalVector += t.VectorArea();
    }
    for (const Triangle& t : kAll) {
        dPieceArea += t.Area();
        kPieceVector += t.VectorArea();
    }
    EXPECT_NEAR(dPieceArea, dOriginalArea, 1e-4 * dOriginalArea + 1e-6);
    EXPECT_NEAR((kPieceVector - kOriginalVector).Length(), 0.0, 1e-4 * dOriginalArea + 1e-6);

    // Winding and containment of every piece triangle.
    for (const Triangle& kPiece : kAll) {
        if (kPiece.Area() < 1e-7 * dOriginalArea) continue;
        const EnVector3 c = kPiece.Centroid();
        const Triangle* pSource = nullptr;
        double dBest = 1e30;
        for (const Triangle& kTri : kOriginal) {
            double afW[3];
            double dDistance = 0.0;
            Barycentric(c, kTri, afW, dDistance);
            if (afW[0] < -1e-4 || afW[1] < -1e-4 || afW[2] < -1e-4) continue;
            if (dDistance < dBest) {
                dBest = dDistance;
                pSource = &kTri;
            }
        }
        ASSERT_NE(pSource, nullptr) << "a piece lies outside every original triangle";
        EXPECT_LT(dBest, dTolerance);
        EXPECT_GT(kPiece.VectorArea().Dot(pSource->VectorArea()), 0.0f)
            << "a piece is wound against its original";
    }

    // Sides.
    auto ExpectSide = [&](const std::vector<Triangle>& kSide, int iSide, const char* pcName) {
        for (const Triangle& t : kSide) {
            for (const EnVector3& p : t.p) {
                const double d = kPlane.Distance(p);
                const double dOff = iSide > 0 ? -d : (iSide < 0 ? d : std::fabs(d));
                EXPECT_LT(dOff, dTolerance) << pcName;
            }
        }
    };
    ExpectSide(kFront, 1, "front");
    ExpectSide(kBack, -1, "back");
    ExpectSide(kOn, 0, "in plane");

    // Coverage of sample points: exactly one piece in the original's plane, wound its way,
    // holds each point that is clear of every piece edge.
    std::uniform_real_distribution<double> kUnit(0.0, 1.0);
    auto UnitNormal = [](const Triangle& t) {
        EnVector3 n = t.VectorArea();
        n.Unitize();
        return n;
    };
    for (const Triangle& kTri : kOriginal) {
        const EnVector3 kTriNormal = UnitNormal(kTri);
        for (int s = 0; s < 12; s++) {
            double a = kUnit(kRandom);
            double b = kUnit(kRandom);
            if (a + b > 1.0) {
                a = 1.0 - a;
                b = 1.0 - b;
            }
            const EnVector3 x =
                kTri.p[0] + float(a) * (kTri.p[1] - kTri.p[0]) + float(b) * (kTri.p[2] - kTri.p[0]);
            int iInside = 0;
            bool bNearEdge = false;
            for (const Triangle& kPiece : kAll) {
                if (kPiece.Area() < 1e-9 || UnitNormal(kPiece).Dot(kTriNormal) < 0.9999f) continue;
                double afW[3];
                double dDistance = 0.0;
                Barycentric(x, kPiece, afW, dDistance);
                if (dDistance > dTolerance) continue;
                const double dMin = std::min({afW[0], afW[1], afW[2]});
                if (dMin > 1e-4)
                    iInside++;
                else if (dMin > -1e-4)
                    bNearEdge = true;
            }
            if (!bNearEdge) {
                EXPECT_EQ(iInside, 1) << "sample point covered " << iInside << " times";
            }
        }
    }
}

// No two vertices of a piece at the same place: cut vertices are shared, never repeated.
void ExpectNoRepeatedVertices(const EnTriShape* pPiece) {
    if (!pPiece) return;
    const EnTriShapeData* pData = pPiece->GetShapeData();
    std::set<std::tuple<float, float, float>> kSeen;
    for (uint16_t i = 0; i < pData->GetVertexCount(); i++) {
        const EnVector3& p = pData->GetVertices()[i];
        EXPECT_TRUE(kSeen.insert({p.x, p.y, p.z}).second)
            << "vertex (" << p.x << ", " << p.y << ", " << p.z << ") repeated";
    }
}

// Colours and texture coordinates follow the position they were made for.
void ExpectAttributesFollowPositions(const EnTriShape* pPiece, uint16_t usSets) {
    if (!pPiece) return;
    const EnTriShapeData* pData = pPiece->GetShapeData();
    ASSERT_NE(pData->GetColors(), nullptr);
    ASSERT_NE(pData->GetNormals(), nullptr);
    ASSERT_EQ(pData->GetTextureSets(), usSets);
    for (uint16_t i = 0; i < pData->GetVertexCount(); i++) {
        const EnVector3& p = pData->GetVertices()[i];
        const EnColorRGBA kWant = ColorAt(p);
        const EnColorRGBA& kGot = pData->GetColors()[i];
        EXPECT_NEAR(kGot.r, kWant.r, 1e-4);
        EXPECT_NEAR(kGot.g, kWant.g, 1e-4);
        EXPECT_NEAR(kGot.b, kWant.b, 1e-4);
        EXPECT_NEAR(kGot.a, kWant.a, 1e-6);
        EXPECT_NEAR((pData->GetNormals()[i] - EnVector3(0.0f, 0.0f, 1.0f)).Length(), 0.0, 1e-5);
        for (uint16_t s = 0; s < usSets; s++) {
            const EnVector2 kUV = pData->GetTextureSet(s)[i];
            EXPECT_NEAR(kUV.x, TextureAt(p, s).x, 1e-4);
            EXPECT_NEAR(kUV.y, TextureAt(p, s).y, 1e-4);
        }
    }
}

uint16_t Triangles(const EnTriShape* pShape) {
    return pShape ? pShape->GetShapeData()->GetTriangleCount() : 0;
}
uint16_t Vertices(const EnTriShape* pShape) {
    return pShape ? pShape->GetShapeData()->GetVertexCount() : 0;
}

const EnPlaneEquation kPlaneZ(EnVector3(0.0f, 0.0f, 1.0f), 0.0f);  // z = 0, front at z > 0

TEST(EnAlphaSorterPartition, OneTriangleAgainstAPlane) {
    struct Case {
        const char* name;
        std::vector<EnVector3> positions;
        // Triangles (and vertices) of the front, back and in-plane pieces; -1 for the object
        // itself, unchanged.
        int front, back, on;
        int frontVertices, backVertices;
    };
    const Case cases[] = {
        {"one vertex on the plane, the others on opposite sides",
         {{0, 0, 0}, {1, 0, 1}, {1, 1, -1}},
         1,
         1,
         0,
         3,
         3},
        {"a vertex within the tolerance counts as on the plane",
         {{0, 0, 0.0005f}, {1, 0, 1}, {1, 1, -1}},
         1,
         1,
         0,
         3,
         3},
        {"no vertex on the plane, one in front",
         {{0, 0, 1}, {1, 0, -1}, {0, 1, -1}},
         1,
         2,
         0,
         3,
         4},
        {"no vertex on the plane, one behind", {{0, 0, -1}, {1, 0, 1}, {0, 1, 1}}, 2, 1, 0, 4, 3},
        {"lone vertex second in the winding", {{1, 0, -1}, {0, 0, 1}, {0, 1, -1}}, 1, 2, 0, 3, 4},
        {"two vertices on the plane, the third in front",
         {{0, 0, 0}, {1, 0, 0}, {0, 1, 1}},
         -1,
         0,
         0,
         0,
         0},
        {"two vertices on the plane, the third behind",
         {{0, 0, 0}, {1, 0, 0}, {0, 1, -1}},
         0,
         -1,
         0,
         0,
         0},
        {"in the plane within the tolerance",
         {{0, 0, 0.0009f}, {1, 0, -0.0009f}, {0, 1, 0}},
         0,
         0,
         -1,
         0,
         0},
        {"wholly behind", {{0, 0, -1}, {1, 0, -2}, {0, 1, -0.5f}}, 0, -1, 0, 0, 0},
    };
    std::mt19937 kRandom(7);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EnPointer<EnTriShape> spShape = MakeShape(c.positions, {0, 1, 2});
        const Pieces kPieces = Partition(spShape, nullptr, kPlaneZ);
        auto Expect = [&](const EnPointer<EnTriShape>& spPiece, int iTriangles, int iVertices,
                          const char* pcSide) {
            if (iTriangles < 0) {
                EXPECT_EQ(spPiece.Get(), spShape.Get()) << pcSide;
                return;
            }
            EXPECT_NE(spPiece.Get(), spShape.Get()) << pcSide;
            EXPECT_EQ(Triangles(spPiece), iTriangles) << pcSide;
            if (iTriangles > 0) {
                EXPECT_EQ(Vertices(spPiece), iVertices) << pcSide;
            }
        };
        Expect(kPieces.spFront, c.front, c.frontVertices, "front");
        Expect(kPieces.spBack, c.back, c.backVertices, "back");
        Expect(kPieces.spOn, c.on, 0, "in plane");
        ExpectExactCover(TrianglesOf(spShape), kPieces, TrianglesOf(kPieces.spFront),
                         TrianglesOf(kPieces.spBack), TrianglesOf(kPieces.spOn), kPlaneZ, 2e-3,
                         kRandom);
    }
}

TEST(EnAlphaSorterPartition, TrianglesSharingACutEdgeShareItsNewVertex) {
    // A square standing across the plane, its diagonal cut as well as two sides: three cut
    // vertices in all, each used by both halves.
    const std::vector<EnVector3> kSquare = {{0, 0, -1}, {2, 0, -1}, {2, 0, 1}, {0, 0, 1}};
    EnPointer<EnTriShape> spShape = MakeShape(kSquare, {0, 1, 2, 0, 2, 3}, {true, true, 2});
    const Pieces kPieces = Partition(spShape, nullptr, kPlaneZ);
    ASSERT_TRUE(kPieces.spFront && kPieces.spBack);
    EXPECT_FALSE(kPieces.spOn);
    EXPECT_EQ(Vertices(kPieces.spFront), 5);
    EXPECT_EQ(Vertices(kPieces.spBack), 5);
    EXPECT_EQ(Triangles(kPieces.spFront), 3);
    EXPECT_EQ(Triangles(kPieces.spBack), 3);
    std::set<std::tuple<float, float, float>> kFrontCuts;
    std::set<std::tuple<float, float, float>> kBackCuts;
    for (const auto& [spPiece, pSet] :
         {std::pair{kPieces.spFront, &kFrontCuts}, std::pair{kPieces.spBack, &kBackCuts}}) {
        const EnTriShapeData* pData = spPiece->GetShapeData();
        for (uint16_t i = 0; i < pData->GetVertexCount(); i++) {
            const EnVector3& p = pData->GetVertices()[i];
            if (p.z == 0.0f) pSet->insert({p.x, p.y, p.z});
        }
        ExpectNoRepeatedVertices(spPiece);
        ExpectAttributesFollowPositions(spPiece, 2);
    }
    EXPECT_EQ(kFrontCuts.size(), 3u);
    EXPECT_EQ(kFrontCuts, kBackCuts);
    std::mt19937 kRandom(11);
    ExpectExactCover(TrianglesOf(spShape), kPieces, TrianglesOf(kPieces.spFront),
                     TrianglesOf(kPieces.spBack), TrianglesOf(kPieces.spOn), kPlaneZ, 2e-3,
                     kRandom);
}

TEST(EnAlphaSorterPartition, CutNormalsAreUnitAndPiecesKeepTheObjectsPlaceAndProperties) {
    EnPointer<EnTriShape> spShape = MakeShape({{0, 0, 1}, {1, 0, -1}, {0, 1, -1}}, {0, 1, 2});
    EnTriShapeData* pData = spShape->GetShapeData();
    pData->CreateNormals(false);
    pData->GetNormals()[0] = EnVector3(1.0f, 0.0f, 0.0f);
    pData->GetNormals()[1] = EnVector3(0.0f, 1.0f, 0.0f);
    pData->GetNormals()[2] = EnVector3(0.0f, 1.0f, 0.0f);
    EnPointer<EnZBufferProperty> spZ = new EnZBufferProperty;
    spShape->AttachProperty(spZ);
    spShape->SetLocalTranslate(EnVector3(1.0f, 2.0f, 3.0f));
    spShape->SetLocalScale(3.0f);

    const Pieces kPieces = Partition(spShape, nullptr, kPlaneZ);
    ASSERT_TRUE(kPieces.spFront && kPieces.spBack);
    // The cut of the first edge lies half way, where the two normals mix equally.
    const EnTriShapeData* pFront = kPieces.spFront->GetShapeData();
    bool bFoundHalfway = false;
    for (uint16_t i = 0; i < pFront->GetVertexCount(); i++) {
        const EnVector3& n = pFront->GetNormals()[i];
        EXPECT_NEAR(n.Length(), 1.0, 1e-5);
        if (pFront->GetVertices()[i] == EnVector3(0.5f, 0.0f, 0.0f)) {
            bFoundHalfway = true;
            EXPECT_NEAR(n.x, std::sqrt(0.5), 1e-5);
            EXPECT_NEAR(n.y, std::sqrt(0.5), 1e-5);
        }
    }
    EXPECT_TRUE(bFoundHalfway);
    for (const EnTriShape* pPiece : {kPieces.spFront.Get(), kPieces.spBack.Get()}) {
        EXPECT_EQ(pPiece->GetLocalTranslate(), spShape->GetLocalTranslate());
        EXPECT_EQ(pPiece->GetLocalScale(), 3.0f);
        EXPECT_EQ(pPiece->GetProperty(EnProperty::ZBUFFER).Get(), spZ.Get());
    }
}

TEST(EnAlphaSorterPartition, ThePlaneIsCarriedIntoTheObjectsModelSpace) {
    // The triangle lies across x = 0 in its own space; its proxy places it at x = 5, scaled
    // by 2 and turned about z, so that the world plane x = 5 cuts it and x = 7.5 misses it.
    EnPointer<EnTriShape> spShape = MakeShape({{-1, -1, 0}, {1, -1, 0}, {0, 1, 0}}, {0, 1, 2});
    EnPointer<EnAlphaProxy> spProxy = new EnAlphaProxy(spShape);
    EnMatrix3 kTurn;
    kTurn.MakeZRotation(-0.5f);
    spProxy->SetWorldRotate(kTurn);
    spProxy->SetWorldTranslate(EnVector3(5.0f, 0.0f, 0.0f));
    spProxy->SetWorldScale(2.0f);

    const EnVector3 kAxis = kTurn * EnVector3(1.0f, 0.0f, 0.0f);
    const Pieces kCut = Partition(spShape, spProxy, EnPlaneEquation(kAxis, kAxis.Dot({5, 0, 0})));
    EXPECT_TRUE(kCut.spFront && kCut.spBack);
    const Pieces kMiss =
        Partition(spShape, spProxy, EnPlaneEquation(kAxis, kAxis.Dot({5, 0, 0}) + 2.5f));
    EXPECT_EQ(kMiss.spBack.Get(), spShape.Get());
    EXPECT_FALSE(kMiss.spFront || kMiss.spOn);

    // A mirroring scale keeps the world's sides: mirrored, the triangle spans world x from
    // 3 to 7, wholly behind the plane x = 7.5, although its model-space vertices lie in front
    // of the plane carried into model space.
    spProxy->SetWorldRotate(EnMatrix3::IDENTITY);
    spProxy->SetWorldScale(-2.0f);
    const Pieces kMirror =
        Partition(spShape, spProxy, EnPlaneEquation(EnVector3(1.0f, 0.0f, 0.0f), 7.5f));
    EXPECT_EQ(kMirror.spBack.Get(), spShape.Get());
}

TEST(EnAlphaSorterPartition, RandomMeshesAndPlanesAreCoveredExactly) {
    for (uint32_t uiSeed = 1; uiSeed <= 40; uiSeed++) {
        SCOPED_TRACE("seed " + std::to_string(uiSeed));
        std::mt19937 kRandom(uiSeed);
        std::uniform_real_distribution<float> kSym(-1.0f, 1.0f);
        // A grid of 5 x 5 vertices with random heights: shared edges everywhere. Every third
        // seed keeps it flat on whole coordinates, so the plane x = 0 passes through vertices.
        const bool bFlatGrid = uiSeed % 3 == 0;
        std::vector<EnVector3> kPositions;
        for (int j = 0; j <= 4; j++)
            for (int i = 0; i <= 4; i++)
                kPositions.push_back(
                    {float(i - 2), float(j - 2), bFlatGrid ? 0.0f : kSym(kRandom)});
        std::vector<uint16_t> kTriangles;
        for (int j = 0; j < 4; j++) {
            for (int i = 0; i < 4; i++) {
                const uint16_t a = uint16_t(j * 5 + i), b = uint16_t(a + 1), c = uint16_t(a + 6),
                               d = uint16_t(a + 5);
                kTriangles.insert(kTriangles.end(), {a, b, c, a, c, d});
            }
        }
        EnPointer<EnTriShape> spShape = MakeShape(kPositions, kTriangles, {true, true, 1});

        // A random world placement of the proxy (and the object).
        EnMatrix3 kRotate;
        EnVector3 kAxis(kSym(kRandom), kSym(kRandom), kSym(kRandom));
        kAxis.Unitize();
        if (kAxis.Length() == 0.0f) kAxis = EnVector3::UNIT_Z;
        kRotate.MakeRotation(3.0f * kSym(kRandom), kAxis);
        const EnVector3 kTranslate(5.0f * kSym(kRandom), 5.0f * kSym(kRandom),
                                   5.0f * kSym(kRandom));
        const float fScale = 1.25f + 0.75f * kSym(kRandom);
        spShape->SetWorldRotate(kRotate);
        spShape->SetWorldTranslate(kTranslate);
        spShape->SetWorldScale(fScale);
        EnPointer<EnAlphaProxy> spProxy = new EnAlphaProxy(spShape);

        // A world plane through the mesh.
        EnVector3 kNormal(kSym(kRandom), kSym(kRandom), kSym(kRandom));
        if (bFlatGrid) kNormal = EnVector3(1.0f, 0.0f, 0.0f);
        kNormal.Unitize();
        const float fModelConstant = bFlatGrid ? 0.0f : 0.8f * kSym(kRandom);
        const EnVector3 kWorldNormal = kRotate * kNormal;
        const EnVector3 kModelPoint = kNormal * fModelConstant;
        const EnPlaneEquation kPlane(kWorldNormal, kRotate * (kModelPoint * fScale) + kTranslate);

        const Pieces kPieces = Partition(spShape, spProxy, kPlane);
        auto World = [&](const EnTriShape* pShape) {
            return TrianglesOf(pShape ? pShape->GetShapeData() : nullptr, kRotate, kTranslate,
                               fScale);
        };
        ExpectExactCover(World(spShape), kPieces, World(kPieces.spFront), World(kPieces.spBack),
                         World(kPieces.spOn), kPlane, 2.5e-3 * fScale, kRandom);
        for (const EnTriShape* pPiece :
             {kPieces.spFront.Get(), kPieces.spBack.Get(), kPieces.spOn.Get()}) {
            if (!pPiece || pPiece == spShape.Get()) continue;
            ExpectNoRepeatedVertices(pPiece);
            ExpectAttributesFollowPositions(pPiece, 1);
            // The piece stands where the object stands, so its world bound is real.
            const EnBoundSphere& kBound = pPiece->GetWorldBound();
            for (const Triangle& t : World(pPiece))
                for (const EnVector3& p : t.p)
                    EXPECT_LE((p - kBound.m_center).Length(), kBound.m_fRadius * 1.0001f + 1e-4f);
        }
        if (HasFailure()) return;
    }
}

TEST(EnAlphaSorterPartition, ObjectsWithoutReadableTrianglesStayInThePlane) {
    EnPointer<EnTriShape> spEmpty = new EnTriShape;
    EnPointer<EnTriShape> spBadIndex = MakeShape({{0, 0, -1}, {1, 0, 1}, {0, 1, 1}}, {0, 1, 7});
    for (EnTriShape* pShape : {spEmpty.Get(), spBadIndex.Get()}) {
        const Pieces kPieces = Partition(pShape, nullptr, kPlaneZ);
        EXPECT_EQ(kPieces.spOn.Get(), pShape);
        EXPECT_FALSE(kPieces.spFront || kPieces.spBack);
    }
}

TEST(EnAlphaSorterPlanarTest, FlatShapesSortAsOneUnit) {
    struct Case {
        const char* name;
        std::vector<EnVector3> positions;
        std::vector<uint16_t> triangles;
        bool planar;
    };
    const Case cases[] = {
        {"one triangle", {{0, 0, 0}, {1, 0, 0}, {0, 1, 5}}, {0, 1, 2}, true},
        {"a flat quad", {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}}, {0, 1, 2, 0, 2, 3}, true},
        {"two triangles in perpendicular planes",
         {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}},
         {0, 1, 2, 0, 2, 3},
         false},
        {"bent by a millionth of its size",
         {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 1e-6f}},
         {0, 1, 2, 0, 2, 3},
         true},
        {"bent by a thousandth of its size",
         {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 1e-3f}},
         {0, 1, 2, 0, 2, 3},
         false},
        {"a first triangle with no area",
         {{0, 0, 0}, {1, 0, 0}, {2, 0, 0}, {0, 1, 1}},
         {0, 1, 2, 0, 2, 3},
         true},
    };
    for (const Case& c : cases) {
        EnPointer<EnTriShape> spShape = MakeShape(c.positions, c.triangles);
        EXPECT_EQ(EnAlphaSorter::IsPlanar(spShape), c.planar) << c.name;
    }
}

TEST(EnAlphaSorterPlanarTest, HalvesKeepOnlyTheVerticesTheyUseInOrderOfFirstUse) {
    const std::vector<EnVector3> kPositions = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0},
                                               {2, 0, 1}, {2, 1, 1}, {9, 9, 9}};
    EnPointer<EnTriShape> spShape =
        MakeShape(kPositions, {0, 1, 2, 0, 2, 3, 1, 4, 5, 1, 5, 2, 5, 4, 1}, {true, true, 3});
    EnPointer<EnTriShape> spFirst;
    EnPointer<EnTriShape> spSecond;
    EnAlphaSorter::SplitInTwo(spShape, spFirst, spSecond);
    ASSERT_TRUE(spFirst && spSecond);
    EXPECT_EQ(Triangles(spFirst), 2);
    EXPECT_EQ(Triangles(spSecond), 3);
    // The first half uses 0, 1, 2, 3; the second 1, 4, 5, 2 in that order of first use.
    const std::vector<EnVector3> kFirstWant = {kPositions[0], kPositions[1], kPositions[2],
                                               kPositions[3]};
    const std::vector<EnVector3> kSecondWant = {kPositions[1], kPositions[4], kPositions[5],
                                                kPositions[2]};
    for (const auto& [spHalf, kWant] :
         {std::pair{spFirst, kFirstWant}, std::pair{spSecond, kSecondWant}}) {
        const EnTriShapeData* pData = spHalf->GetShapeData();
        ASSERT_EQ(pData->GetVertexCount(), kWant.size());
        for (uint16_t i = 0; i < pData->GetVertexCount(); i++)
            EXPECT_EQ(pData->GetVertices()[i], kWant[i]);
        ExpectAttributesFollowPositions(spHalf, 3);
    }
    const uint16_t* pList = spSecond->GetShapeData()->GetTriList();
    EXPECT_EQ(std::vector<uint16_t>(pList, pList + 9),
              (std::vector<uint16_t>{0, 1, 2, 0, 2, 3, 2, 1, 0}));

    // A single triangle is never halved.
    EnPointer<EnTriShape> spOne = MakeShape({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {0, 1, 2});
    EnAlphaSorter::SplitInTwo(spOne, spFirst, spSecond);
    EXPECT_FALSE(spFirst || spSecond);
}

}  // namespace
