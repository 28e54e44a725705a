#include <gtest/gtest.h>

#include <cstring>
#include <tuple>
#include <vector>

#include "engine/core/EnRayQuery.h"
#include "engine/geometry/EnAutoNormalParticles.h"
#include "engine/geometry/EnAutoNormalParticlesData.h"
#include "engine/geometry/EnLines.h"
#include "engine/geometry/EnParticles.h"
#include "engine/geometry/EnTriangles.h"
#include "tests/engine/core/SceneFileHelpers.h"
#include "tests/engine/geometry/GeometryTestHelpers.h"

namespace {

EnVector3* NewRow(uint16_t usCount) {
    auto* p = new EnVector3[usCount];
    for (uint16_t i = 0; i < usCount; i++) p[i] = EnVector3(float(i), 0.0f, 0.0f);
    return p;
}

}  // namespace

TEST(EnTrianglesData, ActiveVerticesMakeWholeTriangles) {
    EnPointer<EnTrianglesData> spData =
        new EnTrianglesData(15, NewRow(15), nullptr, nullptr, nullptr, 5);
    spData->SetActiveVertexCount(10);
    EXPECT_EQ(spData->GetActiveTriangleCount(), 3);
    EXPECT_EQ(spData->GetActiveVertexCount(), 9);
    spData->SetActiveTriangleCount(9);
    EXPECT_EQ(spData->GetActiveTriangleCount(), 5);
}

TEST(EnTriangles, DrawsItsActiveTriangles) {
    DrawStage kStage;
    EnPointer<EnTriangles> spTriangles =
        new EnTriangles(new EnTrianglesData(15, NewRow(15), nullptr, nullptr, nullptr, 5));
    spTriangles->GetTrianglesData()->SetActiveTriangleCount(2);
    spTriangles->Update(0.0f);
    EnTriBasedGeom::ClearStatistics();
    spTriangles->Draw(kStage.spCamera);
    uint32_t uiObjects, uiTriangles, uiVertices;
    EnTriBasedGeom::GetStatistics(uiObjects, uiTriangles, uiVertices);
    EXPECT_EQ(uiTriangles, 2u);
    EXPECT_EQ(uiVertices, 6u);
    EXPECT_EQ(kStage.spRenderer->CallsNamed("DrawTriangles").size(), 1u);
}

TEST(EnTrianglesData, LoadRefusesTrianglesPastTheVertices) {
    EnPointer<EnTrianglesData> spData =
        new EnTrianglesData(6, NewRow(6), nullptr, nullptr, nullptr, 2);
    const std::string kGood = SaveSceneBytes({spData});
    RoundTripScene({spData});
    const size_t uiCounts = kGood.rfind(SceneBytes().End().s) - 4;
    for (const auto& [usTriangles, usActive, bLoads] :
         std::vector<std::tuple<uint16_t, uint16_t, bool>>{
             {2, 2, true}, {2, 1, true}, {3, 2, false}, {2, 3, false}}) {
        std::string kFile = kGood;
        kFile.replace(uiCounts, 4, SceneBytes().U16(usTriangles).U16(usActive).s);
        EXPECT_EQ(LoadSceneBytes(kFile).bLoaded, bLoads) << usTriangles << " / " << usActive;
    }
}

TEST(EnLinesData, WithoutFlagsTheVerticesFormSeparatePairs) {
    EnPointer<EnLinesData> spData = new EnLinesData(5, NewRow(5), nullptr, nullptr, nullptr);
    const uint8_t aucExpected[5] = {1, 0, 1, 0, 0};
    // The last vertex has no partner: its flag would join it to nothing.
    EXPECT_EQ(spData->GetFlags()[0], aucExpected[0]);
    EXPECT_EQ(spData->GetFlags()[1], aucExpected[1]);
    EXPECT_EQ(spData->GetFlags()[2], aucExpected[2]);
    EXPECT_EQ(spData->GetFlags()[3], aucExpected[3]);
    EXPECT_EQ(spData->GetNormals(), nullptr);
}

TEST(EnLinesData, FlagsSurviveASceneByteForByte) {
    EnPointer<EnLines> spLines =
        new EnLines(4, NewRow(4), nullptr, nullptr, NewArray<uint8_t>({1, 1, 0, 7}));
    LoadedScene kScene = RoundTripScene({spLines});
    auto* pLoaded = kScene.Get<EnLines>(0);
    ASSERT_NE(pLoaded, nullptr);
    EXPECT_EQ(std::memcmp(pLoaded->GetLinesData()->GetFlags(), "\1\1\0\7", 4), 0);
}

TEST(EnLines, DrawsThroughTheRendererWithoutCountingTriangles) {
    DrawStage kStage;
    EnPointer<EnLines> spLines = new EnLines(4, NewRow(4), nullptr, nullptr, nullptr);
    spLines->Update(0.0f);
    EnTriBasedGeom::ClearStatistics();
    spLines->Draw(kStage.spCamera);
    uint32_t uiObjects, uiTriangles, uiVertices;
    EnTriBasedGeom::GetStatistics(uiObjects, uiTriangles, uiVertices);
    EXPECT_EQ(uiObjects, 0u);
    ASSERT_EQ(kStage.spRenderer->CallsNamed("DrawLines").size(), 1u);
    EXPECT_EQ(kStage.spRenderer->CallsNamed("DrawLines")[0]->m_pData, spLines->GetLinesData());
}

TEST(EnLines, TakePartInNoTriangleQuery) {
    EnPointer<EnLines> spLines =
        new EnLines(2, NewArray<EnVector3>({{0, -1, 0}, {0, 1, 0}}), nullptr, nullptr, nullptr);
    spLines->Update(0.0f);
    EnRayQuery kQuery;
    EXPECT_FALSE(spLines->FindIntersections(EnVector3(-5, 0, 0), EnVector3(1, 0, 0), kQuery));
    EXPECT_FALSE(EnIsKindOf(EnTriBasedGeom, spLines.Get()));
}

TEST(EnParticlesData, MissingSizesLoadAsOneAndSaveAsPresent) {
    EnPointer<EnParticlesData> spData = new EnParticlesData(3, NewRow(3), nullptr, nullptr);
    const std::string kFile = SaveSceneBytes({spData});
    // The record ends with the presence word and three sizes.
    const size_t uiSizes = kFile.rfind(SceneBytes().End().s) - 16;
    ASSERT_EQ(kFile.substr(uiSizes, 4), SceneBytes().U32(1).s);
    const std::string kWithout = kFile.substr(0, uiSizes) + SceneBytes().U32(0).End().s;
    LoadedScene kScene = LoadSceneBytes(kWithout);
    ASSERT_TRUE(kScene.bLoaded);
    auto* pLoaded = kScene.Get<EnParticlesData>(0);
    ASSERT_NE(pLoaded, nullptr);
    for (int i = 0; i < 3; i++) EXPECT_EQ(pLoaded->GetSizes()[i], 1.0f);
    EXPECT_EQ(SaveSceneBytes({pLoaded}), kFile);
}

TEST(EnParticlesData, LoadRefusesMoreActiveParticlesThanThereAre) {
    EnPointer<EnParticlesData> spData = new EnParticlesData(3, NewRow(3), nullptr, nullptr);
    std::string kFile = SaveSceneBytes({spData});
    const size_t uiActive = kFile.rfind(SceneBytes().End().s) - 16 - 2;
    kFile.replace(uiActive, 2, SceneBytes().U16(4).s);
    EXPECT_FALSE(LoadSceneBytes(kFile).bLoaded);
}

TEST(EnParticles, DrawingCountsTheActiveParticles) {
    DrawStage kStage;
    EnPointer<EnParticles> spParticles = new EnParticles(128, NewRow(128), nullptr, nullptr);
    spParticles->GetParticlesData()->SetActiveCount(40);
    spParticles->Update(0.0f);
    EnTriBasedGeom::ClearStatistics();
    spParticles->Draw(kStage.spCamera);
    uint32_t uiObjects, uiTriangles, uiVertices;
    EnTriBasedGeom::GetStatistics(uiObjects, uiTriangles, uiVertices);
    EXPECT_EQ(uiObjects, 1u);
    EXPECT_EQ(uiTriangles, 40u);
    EXPECT_EQ(uiVertices, 40u);
    EXPECT_EQ(kStage.spRenderer->CallsNamed("DrawParticles").size(), 1u);
}

TEST(EnParticles, ARecomputedBoundCoversTheActiveParticlesOnly) {
    EnPointer<EnParticles> spParticles = new EnParticles(10, NewRow(10), nullptr, nullptr);
    spParticles->GetParticlesData()->SetActiveCount(3);
    spParticles->GetParticlesData()->MarkBoundDirty();
    spParticles->Update(0.0f);
    EXPECT_EQ(spParticles->GetWorldBound().GetCenter(), EnVector3(1, 0, 0));
    EXPECT_EQ(spParticles->GetWorldBound().GetRadius(), 1.0f);
}

TEST(EnParticles, RaysNeverHitParticles) {
    EnPointer<EnParticles> spParticles = new EnParticles(3, NewRow(3), nullptr, nullptr);
    spParticles->Update(0.0f);
    EnRayQuery kQuery;
    EXPECT_FALSE(spParticles->FindIntersections(EnVector3(1, 0, -5), EnVector3(0, 0, 1), kQuery));
    kQuery.m_uiTestMode = 0;
    EXPECT_FALSE(spParticles->FindIntersections(EnVector3(1, 0, -5), EnVector3(0, 0, 1), kQuery));
    EXPECT_FALSE(kQuery.HasHit());
}

TEST(EnParticles, WorldVerticesCoverTheActiveParticles) {
    EnPointer<EnParticles> spParticles = new EnParticles(4, NewRow(4), nullptr, nullptr);
    spParticles->GetParticlesData()->SetActiveCount(2);
    spParticles->SetLocalTranslate(EnVector3(0, 10, 0));
    EnVector3* pWorld = spParticles->CreateWorldVertexArray();
    pWorld[3] = EnVector3(-1, -1, -1);
    spParticles->Update(0.0f);
    spParticles->UpdateWorldVertices();
    EXPECT_EQ(pWorld[1], EnVector3(1, 10, 0));
    EXPECT_EQ(pWorld[3], EnVector3(-1, -1, -1)) << "dead particles are not transformed";
}

TEST(EnAutoNormalParticles, DrawTurnsTheActiveNormalsToTheCamera) {
    DrawStage kStage;
    EnMatrix3 kTurn;
    kTurn.MakeZRotation(-0.5f);
    kStage.spCamera->SetLocalRotate(kTurn);
    kStage.spCamera->Update(0.0f);
    EnPointer<EnAutoNormalParticles> spParticles =
        new EnAutoNormalParticles(new EnAutoNormalParticlesData(
            4, NewRow(4), NewArray<EnVector3>({{0, 0, 1}, {0, 0, 1}, {0, 0, 1}, {0, 0, 1}}),
            nullptr));
    spParticles->GetParticlesData()->SetActiveCount(3);
    spParticles->Update(0.0f);
    spParticles->Draw(kStage.spCamera);
    const EnVector3 kFacing = -kStage.spCamera->GetWorldDirection();
    for (int i = 0; i < 3; i++) EXPECT_EQ(spParticles->GetNormals()[i], kFacing) << i;
    EXPECT_EQ(spParticles->GetNormals()[3], EnVector3(0, 0, 1));
    EXPECT_EQ(kStage.spRenderer->CallsNamed("DrawParticles").size(), 1u);
}
