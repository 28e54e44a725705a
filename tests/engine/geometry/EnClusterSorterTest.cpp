#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "engine/core/EnCamera.h"
#include "engine/core/EnDrawRecord.h"
#include "engine/core/EnPointer.h"
#include "engine/core/EnTList.h"
#include "engine/geometry/EnClusterRecord.h"
#include "engine/geometry/EnClusterSorter.h"
#include "engine/geometry/EnDepthOrderGraph.h"
#include "engine/geometry/EnTriShape.h"

namespace {

// A small triangle around a point, its bound of the given radius (the vertices lie on it).
EnPointer<EnTriShape> MakeShape(const EnVector3& kCenter, float fRadius) {
    EnVector3* pVertex =
        new EnVector3[3]{{0.0f, fRadius, 0.0f}, {0.0f, -fRadius, 0.0f}, {0.0f, 0.0f, fRadius}};
    uint16_t* pTriangles = new uint16_t[3]{0, 1, 2};
    EnPointer<EnTriShape> spShape =
        new EnTriShape(3, pVertex, nullptr, nullptr, nullptr, 1, pTriangles);
    spShape->SetLocalTranslate(kCenter);
    spShape->Update(0.0f);
    spShape->SetWorldBound(EnBoundSphere(kCenter, fRadius));
    return spShape;
}

// Queues draw records of the shapes, in the given order, as an accumulator does.
class Queue {
public:
    Queue(EnCamera& kCamera, const std::vector<EnPointer<EnTriShape>>& kShapes) {
        for (const auto& spShape : kShapes)
            m_kList.AddTail(kCamera.CreateDrawRecord(spShape.Get()));
    }
    ~Queue() {
        while (!m_kList.IsEmpty()) {
            EnDrawRecord* pRecord = m_kList.RemoveHead();
            pRecord->m_pGeometry->ReleaseReference();
            delete pRecord;
        }
    }
    const EnTList<EnDrawRecord*>& List() const { return m_kList; }

private:
    EnTList<EnDrawRecord*> m_kList{2};
};

// The geometry in the order the sorter hands it out.
std::vector<EnGeometry*> DrawOrder(EnClusterSorter& kSorter, const EnTList<EnDrawRecord*>& kQueue) {
    kSorter.Build(kQueue);
    kSorter.BeginIteration();
    std::vector<EnGeometry*> kOrder;
    while (EnDrawRecord* pRecord = kSorter.NextObject()) kOrder.push_back(pRecord->m_pGeometry);
    kSorter.ReleaseRecords();
    return kOrder;
}

EnPointer<EnCamera> MakeCamera() {
    EnPointer<EnCamera> spCamera = new EnCamera;
    spCamera->SetViewFrustum({-0.5f, 0.5f, 0.5f, -0.5f, 1.0f, 100.0f});
    return spCamera;
}

TEST(EnClusterSorter, AnEmptyQueueHandsOutNothing) {
    EnPointer<EnCamera> spCamera = MakeCamera();
    EnClusterSorter kSorter(spCamera);
    EnTList<EnDrawRecord*> kEmpty(2);
    kSorter.Build(kEmpty);
    EXPECT_EQ(kSorter.GetRecordCount(), 0u);
    kSorter.BeginIteration();
    EXPECT_EQ(kSorter.NextObject(), nullptr);
}

TEST(EnClusterSorter, HoldsOneReferenceToItsCamera) {
    EnPointer<EnCamera> spCamera = MakeCamera();
    {
        EnClusterSorter kSorter(spCamera);
        EXPECT_EQ(spCamera->GetRefCount(), 2);
        kSorter.SetCamera(nullptr);
        EXPECT_EQ(spCamera->GetRefCount(), 1);
        kSorter.SetCamera(spCamera);
    }
    EXPECT_EQ(spCamera->GetRefCount(), 1);
}

TEST(EnClusterSorter, OverlappingObjectsAreDrawnFarthestFirst) {
    EnPointer<EnCamera> spCamera = MakeCamera();
    // On the viewing axis, queued near to far and far to near.
    std::vector<EnPointer<EnTriShape>> kShapes = {MakeShape({5.0f, 0.0f, 0.0f}, 1.0f),
                                                  MakeShape({20.0f, 0.0f, 0.0f}, 1.0f),
                                                  MakeShape({10.0f, 0.1f, 0.0f}, 1.0f)};
    for (bool bReverse : {false, true}) {
        auto kQueued = kShapes;
        if (bReverse) std::reverse(kQueued.begin(), kQueued.end());
        Queue kQueue(*spCamera, kQueued);
        EnClusterSorter kSorter(spCamera);
        const auto kOrder = DrawOrder(kSorter, kQueue.List());
        ASSERT_EQ(kOrder.size(), 3u);
        EXPECT_EQ(kOrder[0], kShapes[1].Get());
        EXPECT_EQ(kOrder[1], kShapes[2].Get());
        EXPECT_EQ(kOrder[2], kShapes[0].Get());
    }
}

TEST(EnClusterSorter, PairsWithOverlappingDepthsAreOrderedByTheirBounds) {
    EnPointer<EnCamera> spCamera = MakeCamera();
    struct Case {
        const char* name;
        EnVector3 farCentre;
        float farRadius;
        EnVector3 nearCentre;
        float nearRadius;
    };
    const Case cases[] = {
        {"equal spheres", {12.0f, 0.0f, 0.0f}, 3.0f, {10.0f, 0.0f, 0.0f}, 3.0f},
        // The large far sphere reaches nearer than the small near one: depth sorting alone
        // would draw the near one first.
        {"large behind small", {20.0f, 0.0f, 0.0f}, 15.0f, {8.0f, 0.0f, 0.0f}, 1.0f},
    };
    for (const Case& c : cases) {
        std::vector<EnPointer<EnTriShape>> kShapes = {MakeShape(c.nearCentre, c.nearRadius),
                                                      MakeShape(c.farCentre, c.farRadius)};
        for (bool bReverse : {false, true}) {
            auto kQueued = kShapes;
            if (bReverse) std::swap(kQueued[0], kQueued[1]);
            Queue kQueue(*spCamera, kQueued);
            EnClusterSorter kSorter(spCamera);
            const auto kOrder = DrawOrder(kSorter, kQueue.List());
            EXPECT_EQ(kSorter.GetRecordCount(), 2u);
            ASSERT_EQ(kOrder.size(), 2u);
            EXPECT_EQ(kOrder[0], kShapes[1].Get()) << c.name;
            EXPECT_EQ(kOrder[1], kShapes[0].Get()) << c.name;
        }
    }
}

TEST(EnClusterSorter, ObjectsApartOnScreenStayInDepthOrder) {
    EnPointer<EnCamera> spCamera = MakeCamera();
    // Far apart left and right: their boxes do not overlap, so only depth orders them.
    std::vector<EnPointer<EnTriShape>> kShapes = {MakeShape({10.0f, 0.0f, -4.0f}, 0.5f),
                                                  MakeShape({30.0f, 0.0f, 12.0f}, 0.5f)};
    Queue kQueue(*spCamera, kShapes);
    EnClusterSorter kSorter(spCamera);
    const auto kOrder = DrawOrder(kSorter, kQueue.List());
    ASSERT_EQ(kOrder.size(), 2u);
    EXPECT_EQ(kOrder[0], kShapes[1].Get());
    EXPECT_EQ(kOrder[1], kShapes[0].Get());
    EXPECT_EQ(kSorter.GetGroupSizeAt(0), 1);
    EXPECT_EQ(kSorter.GetGroupSizeAt(1), 1);
}

TEST(EnClusterSorter, EachRecordIsHandedOutOnceWhateverTheScene) {
    const uint32_t uiSeed = 4242;
    std::mt19937 kRng(uiSeed);
    std::uniform_real_distribution<float> kDepth(2.0f, 90.0f);
    std::uniform_real_distribution<float> kSide(-20.0f, 20.0f);
    std::uniform_real_distribution<float> kRadius(0.0f, 8.0f);
    EnPointer<EnCamera> spCamera = MakeCamera();
    EnClusterSorter kSorter(spCamera);
    // Frames of growing size: the arrays and the order graph grow with them.
    for (int iCount : {1, 2, 3, 17, 40, 5}) {
        std::vector<EnPointer<EnTriShape>> kShapes;
        for (int i = 0; i < iCount; i++)
            kShapes.push_back(MakeShape({kDepth(kRng), kSide(kRng), kSide(kRng)}, kRadius(kRng)));
        Queue kQueue(*spCamera, kShapes);
        auto kOrder = DrawOrder(kSorter, kQueue.List());
        std::vector<EnGeometry*> kExpected;
        for (const auto& spShape : kShapes) kExpected.push_back(spShape.Get());
        std::sort(kOrder.begin(), kOrder.end());
        std::sort(kExpected.begin(), kExpected.end());
        EXPECT_EQ(kOrder, kExpected) << "seed " << uiSeed << " count " << iCount;
    }
    EXPECT_GE(kSorter.GetRecordCapacity(), 40u);
}

TEST(EnClusterSorter, AGroupLargerThanSixteenGrowsTheOrderGraph) {
    EnPointer<EnCamera> spCamera = MakeCamera();
    std::vector<EnPointer<EnTriShape>> kShapes;
    for (int i = 0; i < 20; i++) kShapes.push_back(MakeShape({5.0f + 3.0f * i, 0.0f, 0.0f}, 2.0f));
    Queue kQueue(*spCamera, kShapes);
    EnClusterSorter kSorter(spCamera);
    EXPECT_EQ(kSorter.GetOrderGraph().GetCapacity(), 16u);
    const auto kOrder = DrawOrder(kSorter, kQueue.List());
    EXPECT_EQ(kSorter.GetOrderGraph().GetCapacity(), 20u);
    ASSERT_EQ(kOrder.size(), 20u);
    for (int i = 0; i < 20; i++) EXPECT_EQ(kOrder[i], kShapes[19 - i].Get()) << i;
}

// Records with hand-made extents for the order tests.
struct Boxes {
    std::vector<EnClusterRecord> m_kRecords;
    explicit Boxes(std::initializer_list<std::array<float, 6>> kExtents) {
        for (const auto& a : kExtents) {
            EnClusterRecord kRecord;
            for (int k = 0; k < 3; k++) {
                kRecord.m_afMin[k] = a[k];
                kRecord.m_afMax[k] = a[3 + k];
            }
            m_kRecords.push_back(kRecord);
        }
    }
};

TEST(EnClusterSorter, ExtentOrderIsAStrictWeakOrderEvenWithNaN) {
    const float fNaN = std::numeric_limits<float>::quiet_NaN();
    const float afValues[] = {fNaN, -1.0f, 0.0f, -0.0f,
                              0.5f, fNaN,  1.0f, std::numeric_limits<float>::infinity()};
    std::vector<EnClusterRecord> kRecords;
    for (float f : afValues) {
        EnClusterRecord kRecord;
        kRecord.m_afMin[0] = kRecord.m_afMin[1] = kRecord.m_afMin[2] = f;
        kRecords.push_back(kRecord);
    }
    using Compare = int (*)(const EnClusterRecord&, const EnClusterRecord&);
    for (Compare pfn : {&EnClusterSorter::CompareMinX, &EnClusterSorter::CompareMinY,
                        &EnClusterSorter::CompareMinZ}) {
        for (const auto& a : kRecords) {
            EXPECT_EQ(pfn(a, a), 0);
            for (const auto& b : kRecords) {
                EXPECT_EQ(pfn(a, b), -pfn(b, a));
                for (const auto& c : kRecords) {
                    if (pfn(a, b) < 0 && pfn(b, c) < 0) {
                        EXPECT_LT(pfn(a, c), 0);
                    }
                    if (pfn(a, b) == 0 && pfn(b, c) == 0) {
                        EXPECT_EQ(pfn(a, c), 0);
                    }
                }
            }
        }
        // A NaN sorts before every number.
        EXPECT_LT(pfn(kRecords[0], kRecords[1]), 0);
        EXPECT_EQ(pfn(kRecords[0], kRecords[5]), 0);
    }
}

TEST(EnClusterSorter, NaNBoundsAreStillHandedOutOnce) {
    EnPointer<EnCamera> spCamera = MakeCamera();
    const float fNaN = std::numeric_limits<float>::quiet_NaN();
    std::vector<EnPointer<EnTriShape>> kShapes;
    for (int i = 0; i < 12; i++) {
        kShapes.push_back(MakeShape({5.0f + i, 0.0f, 0.0f}, 1.0f));
        if (i % 3 == 0) kShapes.back()->SetWorldBound(EnBoundSphere({fNaN, 0.0f, fNaN}, fNaN));
    }
    Queue kQueue(*spCamera, kShapes);
    EnClusterSorter kSorter(spCamera);
    auto kOrder = DrawOrder(kSorter, kQueue.List());
    EXPECT_EQ(kOrder.size(), 12u);
    std::sort(kOrder.begin(), kOrder.end());
    EXPECT_EQ(std::adjacent_find(kOrder.begin(), kOrder.end()), kOrder.end());
}

TEST(EnClusterSorter, DrawOrderOfTwoRecords) {
    // Boxes: min x, y, z, max x, y, z.
    struct Case {
        const char* name;
        std::array<float, 6> a, b;
        int expected;
    };
    const Case cases[] = {
        {"apart in x", {-1, -1, 0.1f, -0.5f, 1, 0.2f}, {0.5f, -1, 0.5f, 1, 1, 0.6f}, 0},
        {"apart in y", {-1, -1, 0.1f, 1, -0.5f, 0.2f}, {-1, 0.5f, 0.5f, 1, 1, 0.6f}, 0},
        {"touching in x overlap", {-1, -1, 0.1f, 0, 1, 0.2f}, {0, -1, 0.5f, 1, 1, 0.6f}, -1},
        {"a nearer", {-1, -1, 0.1f, 1, 1, 0.2f}, {-1, -1, 0.5f, 1, 1, 0.6f}, -1},
        {"b nearer", {-1, -1, 0.5f, 1, 1, 0.6f}, {-1, -1, 0.1f, 1, 1, 0.2f}, 1},
    };
    for (const Case& c : cases) {
        Boxes kBoxes{c.a, c.b};
        EXPECT_EQ(EnClusterSorter::CompareDrawOrder(kBoxes.m_kRecords[0], kBoxes.m_kRecords[1],
                                                    EnVector3::ZERO),
                  c.expected)
            << c.name;
    }
}

TEST(EnClusterSorter, OverlappingDepthsAreOrderedByTheWorldBounds) {
    // Depth ranges overlap: the split point between the centres decides. The eye at the
    // origin is on A's side when A's centre is nearer.
    EnPointer<EnTriShape> spNear = MakeShape({4.0f, 0.0f, 0.0f}, 3.0f);
    EnPointer<EnTriShape> spFar = MakeShape({6.0f, 0.0f, 0.0f}, 3.0f);
    EnPointer<EnCamera> spCamera = MakeCamera();
    EnDrawRecord* pNear = spCamera->CreateDrawRecord(spNear.Get());
    EnDrawRecord* pFar = spCamera->CreateDrawRecord(spFar.Get());
    Boxes kBoxes{{-1, -1, 0.0f, 1, 1, 0.5f}, {-1, -1, 0.1f, 1, 1, 0.6f}};
    kBoxes.m_kRecords[0].m_pEntry = pNear;
    kBoxes.m_kRecords[1].m_pEntry = pFar;
    EXPECT_EQ(EnClusterSorter::CompareDrawOrder(kBoxes.m_kRecords[0], kBoxes.m_kRecords[1],
                                                EnVector3::ZERO),
              -1);
    EXPECT_EQ(EnClusterSorter::CompareDrawOrder(kBoxes.m_kRecords[1], kBoxes.m_kRecords[0],
                                                EnVector3::ZERO),
              1);
    // Seen from beyond both, the order turns round.
    EXPECT_EQ(EnClusterSorter::CompareDrawOrder(kBoxes.m_kRecords[0], kBoxes.m_kRecords[1],
                                                EnVector3(20.0f, 0.0f, 0.0f)),
              1);
    for (EnDrawRecord* pRecord : {pNear, pFar}) {
        pRecord->m_pGeometry->ReleaseReference();
        delete pRecord;
    }
}

TEST(EnClusterSorter, TouchingExtentsJoinOneGroup) {
    EnPointer<EnCamera> spCamera = MakeCamera();
    // Default frustum depth 1..100: spheres whose depth ranges meet exactly at 10.
    std::vector<EnPointer<EnTriShape>> kShapes = {MakeShape({8.0f, 0.0f, 0.0f}, 2.0f),
                                                  MakeShape({11.0f, 0.0f, 0.0f}, 1.0f),
                                                  MakeShape({60.0f, 30.0f, 0.0f}, 1.0f)};
    Queue kQueue(*spCamera, kShapes);
    EnClusterSorter kSorter(spCamera);
    kSorter.Build(kQueue.List());
    EXPECT_EQ(kSorter.GetGroupSizeAt(0), 2);
    EXPECT_EQ(kSorter.GetGroupSizeAt(2), 1);
    kSorter.ReleaseRecords();
}

}  // namespace

namespace {

// Orders between records read from a table indexed by their spare words.
int g_aiOrder[8][8];
int TableOrder(const EnClusterRecord& kA, const EnClusterRecord& kB, const EnVector3&) {
    return g_aiOrder[kA.m_uiSpare][kB.m_uiSpare];
}

std::vector<uint32_t> SortTable(EnDepthOrderGraph& kGraph, uint32_t uiCount) {
    std::vector<EnClusterRecord> kRecords(uiCount);
    std::vector<EnClusterRecord*> kPointers;
    for (uint32_t i = 0; i < uiCount; i++) {
        kRecords[i].m_uiSpare = i;
        kPointers.push_back(&kRecords[i]);
    }
    kGraph.Sort(kPointers.data(), uiCount, &TableOrder, EnVector3::ZERO);
    // Handed out from the last position to the first.
    std::vector<uint32_t> kHandedOut;
    for (uint32_t i = uiCount; i-- > 0;) kHandedOut.push_back(kPointers[i]->m_uiSpare);
    return kHandedOut;
}

TEST(EnDepthOrderGraph, ACycleIsBrokenAtTheLowestRecordWithFewestFartherNeighbours) {
    // 0 is nearer than 1, 1 nearer than 2, and 2 nearer than 0: no order satisfies all three.
    std::memset(g_aiOrder, 0, sizeof g_aiOrder);
    g_aiOrder[0][1] = -1, g_aiOrder[1][0] = 1;
    g_aiOrder[1][2] = -1, g_aiOrder[2][1] = 1;
    g_aiOrder[0][2] = 1, g_aiOrder[2][0] = -1;
    EnDepthOrderGraph kGraph;
    EXPECT_EQ(SortTable(kGraph, 3), (std::vector<uint32_t>{0, 2, 1}));
}

TEST(EnDepthOrderGraph, AcyclicOrdersAreRespectedPairByPair) {
    const uint32_t uiSeed = 99;
    std::mt19937 kRng(uiSeed);
    EnDepthOrderGraph kGraph;
    for (int iRound = 0; iRound < 200; iRound++) {
        const uint32_t n = 3 + kRng() % 6;
        // A hidden depth per record; each pair is ordered by it or left unordered.
        std::vector<uint32_t> kDepth(n);
        for (uint32_t i = 0; i < n; i++) kDepth[i] = i;
        std::shuffle(kDepth.begin(), kDepth.end(), kRng);
        for (uint32_t i = 0; i < n; i++) {
            for (uint32_t j = 0; j < n; j++) {
                const bool bOrdered = i != j && (kRng() % 3 != 0);
                g_aiOrder[i][j] = !bOrdered ? 0 : (kDepth[i] < kDepth[j] ? -1 : 1);
                if (j < i) g_aiOrder[i][j] = -g_aiOrder[j][i];
            }
        }
        const auto kOrder = SortTable(kGraph, n);
        std::vector<uint32_t> kPosition(n);
        for (uint32_t k = 0; k < n; k++) kPosition[kOrder[k]] = k;
        for (uint32_t i = 0; i < n; i++) {
            for (uint32_t j = 0; j < n; j++) {
                if (g_aiOrder[i][j] > 0) {  // i is farther: drawn first
                    EXPECT_LT(kPosition[i], kPosition[j])
                        << "seed " << uiSeed << " round " << iRound;
                }
            }
        }
    }
}

}  // namespace
