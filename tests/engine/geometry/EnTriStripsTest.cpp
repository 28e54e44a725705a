#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "engine/core/EnRayQuery.h"
#include "engine/core/EnStream.h"
#include "engine/geometry/EnTriStrip.h"
#include "engine/geometry/EnTriStrips.h"
#include "tests/engine/core/SceneFileHelpers.h"
#include "tests/engine/geometry/GeometryTestHelpers.h"

namespace {

// A scene file with one EnTriStripsData record over three vertices.
std::string StripsDataFile(uint16_t usTriangles, const std::vector<uint16_t>& kLengths,
                           const std::vector<uint16_t>& kList) {
    SceneBytes b;
    b.Top().Str("EnTriStripsData").U32(1).U16(3).U32(1);
    for (int i = 0; i < 3; i++) b.F32(float(i)).F32(float(i * i)).F32(0);
    b.U32(0).F32(0).F32(0).F32(0).F32(1).U32(0).U16(0).U32(0);
    b.U16(usTriangles).U16(uint16_t(kLengths.size()));
    for (uint16_t l : kLengths) b.U16(l);
    for (uint16_t i : kList) b.U16(i);
    return SceneHeader() + b.End().s;
}

}  // namespace

struct StripsFileCase {
    const char* pcWhat;
    uint16_t usTriangles;
    std::vector<uint16_t> kLengths;
    std::vector<uint16_t> kList;
    bool bLoads;
};

TEST(EnTriStripsData, LoadChecksLengthsTheirSumAndIndices) {
    const StripsFileCase kCases[] = {
        {"two consistent strips", 3, {3, 4}, {0, 1, 2, 2, 1, 0, 1}, true},
        {"a strip of two indices holds no triangle", 1, {2, 3}, {0, 1, 0, 1, 2}, true},
        {"lengths that do not sum to the list", 2, {3, 5}, {0, 1, 2, 0, 1, 2}, false},
        {"a strip of one index", 2, {1, 5}, {0, 0, 1, 2, 0, 1}, false},
        {"an index past the vertices", 1, {3}, {0, 1, 3}, false},
        {"no strips but triangles", 1, {}, {}, false},
        {"no strips and no triangles", 0, {}, {}, true},
    };
    for (const StripsFileCase& c : kCases) {
        LoadedScene kScene = LoadSceneBytes(StripsDataFile(c.usTriangles, c.kLengths, c.kList));
        EXPECT_EQ(kScene.bLoaded, c.bLoads) << c.pcWhat;
        if (!c.bLoads) {
            EXPECT_EQ(kScene.uiError, uint32_t(EnStream::ERROR_BAD_RECORD)) << c.pcWhat;
        } else if (!kScene.kObjects.empty()) {
            RoundTripScene({kScene.kObjects[0]});
        }
    }
}

// The index list holds triangles + 2 x strips entries; 65000 triangles in 1000 strips make a
// list of 67000, which a 16-bit sum would cut to 1464.
TEST(EnTriStripsData, ListsLongerThanSixteenBitsLoadWhole) {
    const uint16_t usStrips = 1000, usLength = 67;
    std::vector<uint16_t> kLengths(usStrips, usLength), kList;
    for (uint32_t i = 0; i < uint32_t(usStrips) * usLength; i++) kList.push_back(uint16_t(i % 3));
    kList.back() = 2;
    EnPointer<EnTriStripsData> spData =
        new EnTriStripsData(3, NewArray<EnVector3>({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}), nullptr,
                            nullptr, nullptr, 65000, usStrips, NewArray(kLengths), NewArray(kList));
    ASSERT_EQ(spData->GetStripListLength(), 67000u);
    ASSERT_TRUE(spData->HasValidStrips());
    LoadedScene kScene = RoundTripScene({spData});
    auto* pLoaded = kScene.Get<EnTriStripsData>(0);
    ASSERT_NE(pLoaded, nullptr);
    EXPECT_EQ(pLoaded->GetStripLists()[66999], 2);
}

TEST(EnTriStrips, DrawsItsStripsAndCountsAllTheirTriangles) {
    DrawStage kStage;
    EnPointer<EnTriStrips> spStrips = new EnTriStrips(new EnTriStripsData(
        5, NewArray<EnVector3>({{0, 0, 0}, {0, 1, 0}, {1, 0, 0}, {1, 1, 0}, {2, 0, 0}}), nullptr,
        nullptr, nullptr, 3, 1, NewArray<uint16_t>({5}), NewArray<uint16_t>({0, 1, 2, 3, 4})));
    spStrips->Update(0.0f);
    EnTriBasedGeom::ClearStatistics();
    spStrips->Draw(kStage.spCamera);
    uint32_t uiObjects, uiTriangles, uiVertices;
    EnTriBasedGeom::GetStatistics(uiObjects, uiTriangles, uiVertices);
    EXPECT_EQ(uiObjects, 1u);
    EXPECT_EQ(uiTriangles, 3u);
    EXPECT_EQ(uiVertices, 5u);
    ASSERT_EQ(kStage.spRenderer->CallsNamed("DrawTriStrips").size(), 1u);
    EXPECT_EQ(kStage.spRenderer->CallsNamed("DrawTriStrips")[0]->m_pData,
              spStrips->GetStripsData());
}

TEST(EnTriStrips, NeverBuildsACollisionTreeSoTreeRaysFindNothing) {
    EnPointer<EnTriStrips> spStrips = new EnTriStrips(new EnTriStripsData(
        3, NewArray<EnVector3>({{0, -1, -1}, {0, 1, -1}, {0, 0, 1}}), nullptr, nullptr, nullptr, 1,
        1, NewArray<uint16_t>({3}), NewArray<uint16_t>({0, 1, 2})));
    spStrips->CreateCollisionTree(1);
    EXPECT_EQ(spStrips->GetOBBRoot(), nullptr);
    spStrips->Update(0.0f);
    EnRayQuery kQuery;
    kQuery.m_bUseOBBTrees = true;
    EXPECT_FALSE(spStrips->FindIntersections(EnVector3(-5, 0, 0), EnVector3(1, 0, 0), kQuery));
    kQuery.m_bUseOBBTrees = false;
    EXPECT_TRUE(spStrips->FindIntersections(EnVector3(-5, 0, 0), EnVector3(1, 0, 0), kQuery));
}

struct ActiveCase {
    uint16_t usSet;
    bool bVertices;  // set as a vertex count, else as a triangle count
    uint16_t usTriangles;
};

TEST(EnTriStripData, ActiveCountsFollowTheStripAndStayInside) {
    // 8 triangles over 10 vertices.
    const ActiveCase kCases[] = {
        {2, true, 0},  {3, true, 1},  {7, true, 5},  {10, true, 8},
        {50, true, 8}, {0, false, 0}, {5, false, 5}, {9, false, 8},
    };
    for (const ActiveCase& c : kCases) {
        EnPointer<EnTriStripData> spData =
            new EnTriStripData(new EnVector3[10](), nullptr, nullptr, nullptr, 8);
        if (c.bVertices)
            spData->SetActiveVertexCount(c.usSet);
        else
            spData->SetActiveTriangleCount(c.usSet);
        EXPECT_EQ(spData->GetActiveTriangleCount(), c.usTriangles) << c.usSet;
        EXPECT_EQ(spData->GetActiveVertexCount(), c.usTriangles ? c.usTriangles + 2 : 0);
    }
}

TEST(EnTriStrip, DrawsAndCountsItsActiveTriangles) {
    DrawStage kStage;
    EnPointer<EnTriStrip> spStrip =
        new EnTriStrip(new EnVector3[10](), nullptr, nullptr, nullptr, 8);
    spStrip->GetStripData()->SetActiveTriangleCount(5);
    spStrip->Update(0.0f);
    EnTriBasedGeom::ClearStatistics();
    spStrip->Draw(kStage.spCamera);
    uint32_t uiObjects, uiTriangles, uiVertices;
    EnTriBasedGeom::GetStatistics(uiObjects, uiTriangles, uiVertices);
    EXPECT_EQ(uiTriangles, 5u);
    EXPECT_EQ(uiVertices, 7u);
    EXPECT_EQ(kStage.spRenderer->CallsNamed("DrawTriStrip").size(), 1u);
}

TEST(EnTriStripData, LoadRefusesStripsLongerThanTheirVertices) {
    EnPointer<EnTriStripData> spData =
        new EnTriStripData(new EnVector3[6](), nullptr, nullptr, nullptr, 4);
    const std::string kGood = SaveSceneBytes({spData});
    EXPECT_TRUE(LoadSceneBytes(kGood).bLoaded);
    RoundTripScene({spData});

    // The triangle count sits right before the active count at the end of the record.
    const size_t uiCounts = kGood.rfind(SceneBytes().End().s) - 4;
    for (const auto& [usTriangles, usActive, bLoads] :
         std::vector<std::tuple<uint16_t, uint16_t, bool>>{
             {4, 4, true}, {5, 4, false}, {4, 5, false}, {0, 0, true}}) {
        std::string kFile = kGood;
        kFile.replace(uiCounts, 4, SceneBytes().U16(usTriangles).U16(usActive).s);
        EXPECT_EQ(LoadSceneBytes(kFile).bLoaded, bLoads) << usTriangles << " / " << usActive;
    }
}
