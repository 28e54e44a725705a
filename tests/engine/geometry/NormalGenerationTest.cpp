#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "engine/geometry/EnTriShapeData.h"
#include "engine/geometry/EnTriShapeDynamicData.h"
#include "engine/geometry/EnTriStripData.h"
#include "engine/geometry/EnTriStripsData.h"
#include "engine/geometry/EnTrianglesData.h"
#include "tests/engine/geometry/GeometryTestHelpers.h"

namespace {

// Reference arithmetic in double precision with an exact square root.
struct Vec {
    double x = 0, y = 0, z = 0;
    Vec operator+(const Vec& o) const { return {x + o.x, y + o.y, z + o.z}; }
    Vec operator-(const Vec& o) const { return {x - o.x, y - o.y, z - o.z}; }
    Vec Cross(const Vec& o) const {
        return {y * o.z - z * o.y, z * o.x - x * o.z, x * o.y - y * o.x};
    }
    Vec Unit() const {
        const double l = std::sqrt(x * x + y * y + z * z);
        return l > 0 ? Vec{x / l, y / l, z / l} : Vec{};
    }
    EnVector3 Float() const { return EnVector3(float(x), float(y), float(z)); }
};

Vec ToVec(const EnVector3& v) {
    return {v.x, v.y, v.z};
}

// Smooth normals as the sum of the unit face normals of the triangles at each vertex, with
// every face also counted at the vertices that share a normal with one of its corners. Each
// result keeps the sum's length and the number of faces in it, which bound how far a sum of
// slightly mis-scaled unit vectors may turn.
struct ReferenceNormal {
    Vec kUnit;
    double fSumLength = 0;
    int iFaces = 0;
};

std::vector<ReferenceNormal> ReferenceNormals(const std::vector<EnVector3>& kVertices,
                                              const std::vector<IndexTriangle>& kTriangles,
                                              const std::vector<std::vector<uint16_t>>& kGroups) {
    std::vector<Vec> kSum(kVertices.size());
    std::vector<int> kFaces(kVertices.size());
    for (const IndexTriangle& t : kTriangles) {
        const Vec a = ToVec(kVertices[t.a]), b = ToVec(kVertices[t.b]), c = ToVec(kVertices[t.c]);
        const Vec n = (b - a).Cross(c - b).Unit();
        for (uint16_t i : {t.a, t.b, t.c}) {
            kSum[i] = kSum[i] + n;
            kFaces[i]++;
            if (kGroups.size() != kVertices.size()) continue;
            for (uint16_t j : kGroups[i]) {
                kSum[j] = kSum[j] + n;
                kFaces[j]++;
            }
        }
    }
    std::vector<ReferenceNormal> kOut(kVertices.size());
    for (size_t i = 0; i < kSum.size(); i++) {
        const Vec& v = kSum[i];
        kOut[i] = {v.Unit(), std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z), kFaces[i]};
    }
    return kOut;
}

// The table square root scales each unit vector by at most 1 +- 1/256; a sum of k of them may
// so turn by about k / (256 |sum|). Sums that (nearly) cancel have no stable direction and are
// not compared.
void ExpectNormals(const EnVector3* pNormals, const std::vector<ReferenceNormal>& kExpected,
                   const ::testing::Message& kWhat) {
    ASSERT_NE(pNormals, nullptr);
    for (size_t i = 0; i < kExpected.size(); i++) {
        const ReferenceNormal& r = kExpected[i];
        if (r.iFaces == 0) {
            EXPECT_EQ(pNormals[i], EnVector3(0, 0, 0)) << kWhat << ", vertex " << i;
            continue;
        }
        if (r.fSumLength < 0.05) continue;
        const float fTolerance = float(0.006 + 0.006 * r.iFaces / r.fSumLength);
        EXPECT_TRUE(NearVector(pNormals[i], r.kUnit.Float(), fTolerance))
            << kWhat << ", vertex " << i << " of " << r.iFaces << " faces";
    }
}

std::vector<EnVector3> RandomVertices(RandomSource& kRandom, uint16_t usCount) {
    std::vector<EnVector3> k(usCount);
    for (EnVector3& v : k) v = kRandom.Vector(10.0f);
    return k;
}

}  // namespace

TEST(NormalGeneration, OneTriangleFacesAlongItsWinding) {
    EnPointer<EnTriShapeData> spData =
        new EnTriShapeData(3, NewArray<EnVector3>({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}), nullptr,
                           nullptr, nullptr, 1, NewArray<uint16_t>({0, 1, 2}));
    spData->ComputeNormals();
    for (int i = 0; i < 3; i++)
        EXPECT_TRUE(NearVector(spData->GetNormals()[i], EnVector3(0, 0, 1), 1e-6f)) << i;
}

TEST(NormalGeneration, EveryFaceCountsTheSameAtASharedVertex) {
    EnPointer<EnTriShapeData> spData = new EnTriShapeData(
        5, NewArray<EnVector3>({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {9, 9, 9}}), nullptr,
        nullptr, nullptr, 2, NewArray<uint16_t>({0, 1, 2, 0, 2, 3}));
    spData->ComputeNormals();
    const EnVector3* n = spData->GetNormals();
    EXPECT_TRUE(NearVector(n[0], EnVector3(0.7071f, 0, 0.7071f), 0.01f));
    EXPECT_TRUE(NearVector(n[2], EnVector3(0.7071f, 0, 0.7071f), 0.01f));
    EXPECT_TRUE(NearVector(n[1], EnVector3(0, 0, 1), 1e-6f));
    EXPECT_TRUE(NearVector(n[3], EnVector3(1, 0, 0), 1e-6f));
    EXPECT_EQ(n[4], EnVector3(0, 0, 0)) << "a vertex no triangle uses keeps a zero normal";
}

TEST(NormalGeneration, GroupsApplyOnlyWithOneGroupPerVertex) {
    // Two triangles facing different ways that meet at a seam (vertices 1 and 3 coincide).
    auto MakeSeam = [](uint16_t usGroups) {
        EnPointer<EnTriShapeData> spData = new EnTriShapeData(
            4, NewArray<EnVector3>({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 0, 0}}), nullptr, nullptr,
            nullptr, 2, NewArray<uint16_t>({0, 1, 2, 0, 2, 3}));
        auto* pGroups = new EnTriShapeData::SharedNormalGroup[usGroups];
        if (usGroups > 3) {
            pGroups[1].Set(1, NewArray<uint16_t>({3}));
            pGroups[3].Set(1, NewArray<uint16_t>({1}));
        }
        spData->SetSharedNormalGroups(usGroups, pGroups);
        spData->ComputeNormals();
        return spData;
    };
    EnPointer<EnTriShapeData> spGrouped = MakeSeam(4);
    EXPECT_TRUE(NearVector(spGrouped->GetNormals()[1], spGrouped->GetNormals()[3], 1e-6f));
    EnPointer<EnTriShapeData> spIgnored = MakeSeam(3);
    EXPECT_TRUE(NearVector(spIgnored->GetNormals()[1], EnVector3(0, 0, 1), 1e-6f));
    EXPECT_TRUE(NearVector(spIgnored->GetNormals()[3], EnVector3(0, 0, -1), 1e-6f));
}

TEST(NormalGeneration, TriangleListsMatchTheReferenceOnRandomMeshes) {
    for (uint32_t uiSeed = 1; uiSeed <= 30; uiSeed++) {
        RandomSource kRandom(uiSeed);
        const uint16_t usVertices = uint16_t(kRandom.Int(3, 30));
        const std::vector<EnVector3> kVertices = RandomVertices(kRandom, usVertices);
        std::vector<IndexTriangle> kTriangles(kRandom.Int(1, 40));
        std::vector<uint16_t> kList;
        for (IndexTriangle& t : kTriangles) {
            t = {uint16_t(kRandom.Int(0, usVertices - 1)), uint16_t(kRandom.Int(0, usVertices - 1)),
                 uint16_t(kRandom.Int(0, usVertices - 1))};
            kList.insert(kList.end(), {t.a, t.b, t.c});
        }
        std::vector<std::vector<uint16_t>> kGroups;
        if (uiSeed % 2) {
            kGroups.resize(usVertices);
            for (auto& g : kGroups)
                for (uint32_t n = kRandom.Int(0, 3); n > 0; n--)
                    g.push_back(uint16_t(kRandom.Int(0, usVertices - 1)));
        }
        EnPointer<EnTriShapeData> spData =
            new EnTriShapeData(usVertices, NewArray(kVertices), nullptr, nullptr, nullptr,
                               uint16_t(kTriangles.size()), NewArray(kList));
        if (!kGroups.empty()) {
            auto* pGroups = new EnTriShapeData::SharedNormalGroup[usVertices];
            for (uint16_t i = 0; i < usVertices; i++)
                if (!kGroups[i].empty())
                    pGroups[i].Set(uint16_t(kGroups[i].size()), NewArray(kGroups[i]));
            spData->SetSharedNormalGroups(usVertices, pGroups);
        }
        spData->ComputeNormals();
        ExpectNormals(spData->GetNormals(), ReferenceNormals(kVertices, kTriangles, kGroups),
                      kRandom.Seed());
    }
}

TEST(NormalGeneration, DynamicDataUsesItsActiveTrianglesAndVertices) {
    EnPointer<EnTriShapeDynamicData> spData = new EnTriShapeDynamicData(
        6, NewArray<EnVector3>({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 0}, {0, 0, 1}, {1, 0, 0}}),
        nullptr, nullptr, nullptr, 2, NewArray<uint16_t>({0, 1, 2, 3, 4, 5}), 3, 1);
    spData->ComputeNormals();
    EXPECT_TRUE(NearVector(spData->GetNormals()[0], EnVector3(0, 0, 1), 1e-6f));
    EXPECT_EQ(spData->GetNormals()[4], EnVector3(0, 0, 0)) << "the inactive triangle is skipped";
}

TEST(NormalGeneration, StripSetsMatchTheReferenceOnRandomStrips) {
    for (uint32_t uiSeed = 1; uiSeed <= 30; uiSeed++) {
        RandomSource kRandom(uiSeed);
        const uint16_t usVertices = uint16_t(kRandom.Int(3, 25));
        const std::vector<EnVector3> kVertices = RandomVertices(kRandom, usVertices);
        std::vector<uint16_t> kLengths, kList;
        std::vector<IndexTriangle> kTriangles;
        for (uint32_t s = kRandom.Int(1, 5); s > 0; s--) {
            const uint16_t usLength = uint16_t(kRandom.Int(3, 10));
            kLengths.push_back(usLength);
            const size_t uiStart = kList.size();
            for (uint16_t k = 0; k < usLength; k++)
                kList.push_back(uint16_t(kRandom.Int(0, usVertices - 1)));
            // Triangle k of the strip ends at index k; the odd ones are turned back over.
            for (uint16_t k = 2; k < usLength; k++) {
                const uint16_t* p = kList.data() + uiStart;
                kTriangles.push_back(k % 2 ? IndexTriangle{p[k - 2], p[k], p[k - 1]}
                                           : IndexTriangle{p[k - 2], p[k - 1], p[k]});
            }
        }
        EnPointer<EnTriStripsData> spData = new EnTriStripsData(
            usVertices, NewArray(kVertices), nullptr, nullptr, nullptr, uint16_t(kTriangles.size()),
            uint16_t(kLengths.size()), NewArray(kLengths), NewArray(kList));
        ASSERT_TRUE(spData->HasValidStrips());
        spData->ComputeNormals();
        ExpectNormals(spData->GetNormals(), ReferenceNormals(kVertices, kTriangles, {}),
                      kRandom.Seed());
    }
}

TEST(NormalGeneration, AFlatStripGetsOneNormalEverywhere) {
    EnPointer<EnTriStripsData> spData = new EnTriStripsData(
        4, NewArray<EnVector3>({{0, 0, 0}, {0, 1, 0}, {1, 0, 0}, {1, 1, 0}}), nullptr, nullptr,
        nullptr, 2, 1, NewArray<uint16_t>({4}), NewArray<uint16_t>({0, 1, 2, 3}));
    spData->ComputeNormals();
    for (int i = 0; i < 4; i++)
        EXPECT_TRUE(NearVector(spData->GetNormals()[i], EnVector3(0, 0, -1), 1e-6f)) << i;
}

TEST(NormalGeneration, SingleStripsMatchTheReferenceOverTheirActiveTriangles) {
    for (uint32_t uiSeed = 1; uiSeed <= 30; uiSeed++) {
        RandomSource kRandom(uiSeed);
        const uint16_t usTriangles = uint16_t(kRandom.Int(1, 20));
        const uint16_t usActive = uint16_t(kRandom.Int(0, usTriangles));
        const std::vector<EnVector3> kVertices = RandomVertices(kRandom, usTriangles + 2);
        std::vector<IndexTriangle> kTriangles;
        for (uint16_t i = 0; i < usActive; i++)
            kTriangles.push_back(i % 2 ? IndexTriangle{i, uint16_t(i + 2), uint16_t(i + 1)}
                                       : IndexTriangle{i, uint16_t(i + 1), uint16_t(i + 2)});
        EnPointer<EnTriStripData> spData =
            new EnTriStripData(NewArray(kVertices), nullptr, nullptr, nullptr, usTriangles);
        spData->SetActiveTriangleCount(usActive);
        spData->ComputeNormals();
        std::vector<ReferenceNormal> kExpected = ReferenceNormals(kVertices, kTriangles, {});
        kExpected.resize(spData->GetActiveVertexCount());
        ExpectNormals(spData->GetNormals(), kExpected, kRandom.Seed());
    }
}

TEST(NormalGeneration, LooseTrianglesAreLitFlat) {
    EnPointer<EnTrianglesData> spData = new EnTrianglesData(
        6, NewArray<EnVector3>({{0, 0, 0}, {0, 1, 0}, {1, 0, 0}, {0, 0, 0}, {1, 1, 1}, {2, 2, 2}}),
        nullptr, nullptr, nullptr, 2);
    spData->SetActiveTriangleCount(1);
    spData->ComputeNormals();
    for (int i = 0; i < 3; i++)
        EXPECT_TRUE(NearVector(spData->GetNormals()[i], EnVector3(0, 0, -1), 1e-6f)) << i;
    for (int i = 3; i < 6; i++)
        EXPECT_EQ(spData->GetNormals()[i], EnVector3(0, 0, 0))
            << "a degenerate triangle gets the zero normal, active or not";
}
