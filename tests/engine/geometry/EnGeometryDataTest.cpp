#include <gtest/gtest.h>

#include <string>

#include "engine/core/EnStream.h"
#include "engine/geometry/EnTriShape.h"
#include "engine/geometry/EnTriShapeData.h"
#include "tests/engine/core/SceneFileHelpers.h"
#include "tests/engine/geometry/GeometryTestHelpers.h"

namespace {

EnPointer<EnTriShapeData> MakeData(uint16_t usVertices) {
    auto* pVertex = new EnVector3[usVertices];
    for (uint16_t i = 0; i < usVertices; i++)
        pVertex[i] = EnVector3(float(i % 7), float(i % 5), float(i % 3));
    return new EnTriShapeData(usVertices, pVertex, nullptr, nullptr, nullptr, 0, nullptr);
}

bool IsListed(const EnGeometryData* pData) {
    for (uint32_t i = 0; i < EnGeometryData::ms_sharedColorList.GetSize(); i++)
        if (EnGeometryData::ms_sharedColorList.GetAt(i) == pData) return true;
    return false;
}

}  // namespace

TEST(EnGeometryData, ConstructionComputesTheBoundAndCountsOneTextureSet) {
    EnPointer<EnTriShapeData> spData =
        new EnTriShapeData(2, NewArray<EnVector3>({{0, 0, 0}, {2, 0, 0}}), nullptr, nullptr,
                           NewArray<EnVector2>({{0, 0}, {1, 1}}), 0, nullptr);
    EXPECT_EQ(spData->GetTextureSets(), 1);
    EXPECT_EQ(spData->GetBound().GetFlag(), 0);
    EXPECT_EQ(spData->GetBound().GetCenter(), EnVector3(1, 0, 0));
    EXPECT_EQ(spData->GetBound().GetRadius(), 1.0f);

    EnPointer<EnTriShapeData> spEmpty = new EnTriShapeData;
    EXPECT_EQ(spEmpty->GetTextureSets(), 0);
    EXPECT_EQ(spEmpty->GetBound().GetFlag(), 1) << "nothing to compute the bound from yet";
    EXPECT_NE(spEmpty->GetDataID(), spData->GetDataID());
}

TEST(EnGeometryData, RevisionBumpsSkipZeroWhenTheyWrap) {
    EnPointer<EnTriShapeData> spData = MakeData(1);
    EXPECT_EQ(spData->GetRevision(), 0);
    for (int i = 0; i < 65535; i++) spData->BumpRevision();
    EXPECT_EQ(spData->GetRevision(), 65535);
    spData->BumpRevision();
    EXPECT_EQ(spData->GetRevision(), 1);
}

// The texture array holds vertices x sets pairs; the product is taken in 32 bits, so a mesh of
// 40000 vertices with two sets keeps all 80000 pairs, on its own and through a scene file.
TEST(EnGeometryData, TextureArraysLargerThanSixteenBitsKeepEveryPair) {
    EnPointer<EnTriShapeData> spData = MakeData(40000);
    spData->CreateTextures(true, 2);
    ASSERT_EQ(spData->GetTextureCount(), 80000u);
    EnVector2* pSet1 = spData->GetTextureSet(1);
    ASSERT_EQ(pSet1, spData->GetTextures() + 40000);
    pSet1[39999] = EnVector2(0.25f, 0.75f);
    EXPECT_EQ(spData->GetTextureSet(2), nullptr);

    LoadedScene kScene = RoundTripScene({spData});
    auto* pLoaded = kScene.Get<EnTriShapeData>(0);
    ASSERT_NE(pLoaded, nullptr);
    EXPECT_EQ(pLoaded->GetTextureSet(1)[39999], EnVector2(0.25f, 0.75f));
}

TEST(EnGeometryData, CreateTexturesReplacesAnArrayOfAnotherSetCount) {
    EnPointer<EnTriShapeData> spData = MakeData(3);
    spData->CreateTextures(true, 1);
    spData->GetTextures()[2] = EnVector2(5, 5);
    spData->CreateTextures(false, 1);
    EXPECT_EQ(spData->GetTextures()[2], EnVector2(5, 5)) << "the same set count keeps the array";
    spData->CreateTextures(true, 3);
    EXPECT_EQ(spData->GetTextureSets(), 3);
    EXPECT_EQ(spData->GetTextureSet(2)[2], EnVector2(0, 0));
}

TEST(EnGeometryData, CreateColorsFillsOpaqueBlackOnRequest) {
    EnPointer<EnTriShapeData> spData = MakeData(2);
    spData->CreateColors(false);
    EXPECT_EQ(spData->GetColors()[1], EnColorRGBA(0, 0, 0, 0));
    spData->CreateColors(true);
    EXPECT_EQ(spData->GetColors()[1], EnColorRGBA(0, 0, 0, 1));
}

TEST(EnGeometryData, SharedDefaultColorsAreListedOnceAndKeepTheirUsersAlive) {
    EnPointer<EnTriShapeData> spData = MakeData(4);
    const uint32_t uiLive = EnObject::GetLiveObjectCount();
    spData->UseDefaultColors();
    spData->UseDefaultColors();
    EXPECT_TRUE(spData->UsesDefaultColors());
    EXPECT_EQ(spData->GetColors()[3], EnColorRGBA::WHITE);
    uint32_t uiListed = 0;
    for (uint32_t i = 0; i < EnGeometryData::ms_sharedColorList.GetSize(); i++)
        if (EnGeometryData::ms_sharedColorList.GetAt(i) == spData) uiListed++;
    EXPECT_EQ(uiListed, 1u);

    EnTriShapeData* pData = spData;
    spData = nullptr;
    EXPECT_EQ(EnObject::GetLiveObjectCount(), uiLive) << "the list keeps the object alive";
    EXPECT_EQ(pData->GetRefCount(), 1);

    spData = pData;
    spData->CreateOwnColors();
    EXPECT_FALSE(spData->UsesDefaultColors());
    EXPECT_FALSE(IsListed(spData));
    EXPECT_EQ(spData->GetRefCount(), 1);
    EXPECT_EQ(spData->GetColors()[0], EnColorRGBA::WHITE);
    spData->GetColors()[0] = EnColorRGBA(1, 0, 0, 1);
    EXPECT_EQ(EnGeometryData::GetDefaultColors()[0], EnColorRGBA::WHITE)
        << "own colours are no longer the shared ones";
    spData->CreateOwnColors();
    EXPECT_EQ(spData->GetColors()[0], EnColorRGBA(1, 0, 0, 1)) << "own colours are left alone";
}

TEST(EnGeometryData, ReservingMoreDefaultColorsMovesEveryUser) {
    EnPointer<EnTriShapeData> spA = MakeData(3);
    EnPointer<EnTriShapeData> spB = MakeData(5);
    spA->UseDefaultColors();
    spB->UseDefaultColors();
    const EnColorRGBA* pBefore = EnGeometryData::GetDefaultColors();
    const uint32_t uiCapacity = EnGeometryData::GetDefaultColorCapacity();
    EnGeometryData::ReserveDefaultColors(2);
    EXPECT_EQ(EnGeometryData::GetDefaultColors(), pBefore) << "a smaller count keeps the array";
    EnGeometryData::ReserveDefaultColors(uiCapacity + 100);
    EXPECT_EQ(EnGeometryData::GetDefaultColorCapacity(), uiCapacity + 100);
    EXPECT_EQ(spA->GetColors(), EnGeometryData::GetDefaultColors());
    EXPECT_EQ(spB->GetColors(), EnGeometryData::GetDefaultColors());
    EXPECT_EQ(spB->GetColors()[uiCapacity + 99], EnColorRGBA::WHITE);
    spA->CreateOwnColors();
    spB->CreateOwnColors();
}

TEST(EnGeometryData, DefaultColorsAreSavedInFullAndLoadAsOwnColors) {
    EnPointer<EnTriShapeData> spData = MakeData(3);
    spData->UseDefaultColors();
    LoadedScene kScene = RoundTripScene({spData});
    auto* pLoaded = kScene.Get<EnTriShapeData>(0);
    ASSERT_NE(pLoaded, nullptr);
    EXPECT_FALSE(pLoaded->UsesDefaultColors());
    EXPECT_EQ(pLoaded->GetColors()[2], EnColorRGBA::WHITE);
    spData->CreateOwnColors();
}

TEST(EnGeometryData, DefaultTextureCoordinatesAreMadeOnce) {
    EnGeometryData::ReserveDefaultTextureCoords(16);
    const EnVector2* pFirst = EnGeometryData::GetDefaultTextureCoords();
    const uint32_t uiSize = EnGeometryData::GetDefaultTextureSize();
    EnGeometryData::ReserveDefaultTextureCoords(uiSize + 50);
    EXPECT_EQ(EnGeometryData::GetDefaultTextureCoords(), pFirst);
    EXPECT_EQ(EnGeometryData::GetDefaultTextureSize(), uiSize);
    EXPECT_EQ(pFirst[uiSize - 1], EnVector2(0, 0));
}

// Arrays are optional one by one; each is announced by its own presence word.
TEST(EnGeometryData, EveryCombinationOfArraysSurvivesAScene) {
    for (int iMask = 0; iMask < 16; iMask++) {
        SCOPED_TRACE(iMask);
        const uint16_t n = 3;
        EnVector3* pVertex =
            (iMask & 1) ? NewArray<EnVector3>({{1, 2, 3}, {4, 5, 6}, {7, 8, 9}}) : nullptr;
        EnVector3* pNormal =
            (iMask & 2) ? NewArray<EnVector3>({{0, 0, 1}, {0, 1, 0}, {1, 0, 0}}) : nullptr;
        EnColorRGBA* pColor =
            (iMask & 4) ? NewArray<EnColorRGBA>({{1, 0, 0, 1}, {0, 1, 0, 1}, {0, 0, 1, 0.5f}})
                        : nullptr;
        EnVector2* pTexture =
            (iMask & 8) ? NewArray<EnVector2>({{0, 0}, {0.5f, 1}, {1, 0.25f}}) : nullptr;
        EnPointer<EnTriShapeData> spData =
            new EnTriShapeData(n, pVertex, pNormal, pColor, pTexture, 0, nullptr);
        LoadedScene kScene = RoundTripScene({spData});
        auto* pLoaded = kScene.Get<EnTriShapeData>(0);
        ASSERT_NE(pLoaded, nullptr);
        EXPECT_EQ(pLoaded->GetVertices() != nullptr, pVertex != nullptr);
        EXPECT_EQ(pLoaded->GetNormals() != nullptr, pNormal != nullptr);
        EXPECT_EQ(pLoaded->GetColors() != nullptr, pColor != nullptr);
        EXPECT_EQ(pLoaded->GetTextures() != nullptr, pTexture != nullptr);
    }
}

// The file's bound is kept for comparison, but the first world-bound update recomputes it from
// the vertices, whatever the file held.
TEST(EnGeometryData, ALoadedBoundIsRecomputedAtTheFirstWorldBoundUpdate) {
    EnPointer<EnTriShapeData> spData = new EnTriShapeData(
        2, NewArray<EnVector3>({{0, 0, 0}, {4, 0, 0}}), nullptr, nullptr, nullptr, 0, nullptr);
    spData->SetBound(EnBoundSphere(EnVector3(100, 100, 100), 1.0f));
    EnPointer<EnTriShape> spShape = new EnTriShape(spData);
    LoadedScene kScene = RoundTripScene({spShape});
    auto* pLoaded = kScene.Get<EnTriShape>(0);
    ASSERT_NE(pLoaded, nullptr);
    EnGeometryData* pLoadedData = pLoaded->GetGeometryData();
    EXPECT_EQ(pLoadedData->GetBound().GetCenter(), EnVector3(100, 100, 100));
    EXPECT_EQ(pLoadedData->GetBound().GetFlag(), 1);
    pLoaded->Update(0.0f);
    EXPECT_EQ(pLoadedData->GetBound().GetCenter(), EnVector3(2, 0, 0));
    EXPECT_EQ(pLoaded->GetWorldBound().GetRadius(), 2.0f);
}

TEST(EnGeometryData, ReplaceArraysTakesTheNewArraysAndTheirBound) {
    EnPointer<EnTriShapeData> spData = MakeData(5);
    spData->CreateTextures(true, 2);
    spData->ReplaceArrays(2, NewArray<EnVector3>({{0, 0, 0}, {0, 6, 0}}), nullptr, nullptr,
                          NewArray<EnVector2>({{1, 1}, {2, 2}}));
    EXPECT_EQ(spData->GetVertexCount(), 2);
    EXPECT_EQ(spData->GetTextureSets(), 1);
    EXPECT_EQ(spData->GetNormals(), nullptr);
    EXPECT_EQ(spData->GetBound().GetCenter(), EnVector3(0, 3, 0));

    // SetArrays leaves the old arrays to the caller.
    EnVector3* pOld = spData->GetVertices();
    EnVector2* pOldTexture = spData->GetTextures();
    spData->SetArrays(1, NewArray<EnVector3>({{1, 1, 1}}), nullptr, nullptr, nullptr);
    EXPECT_EQ(pOld[1], EnVector3(0, 6, 0));
    EXPECT_EQ(pOldTexture[1], EnVector2(2, 2));
    delete[] pOld;
    delete[] pOldTexture;
}
