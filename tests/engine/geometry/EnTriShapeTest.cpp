#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "engine/core/EnStream.h"
#include "engine/geometry/EnTriShape.h"
#include "engine/geometry/EnTriShapeDynamicData.h"
#include "engine/geometry/EnTriStripsData.h"
#include "tests/engine/core/SceneFileHelpers.h"
#include "tests/engine/geometry/GeometryTestHelpers.h"
#include "tests/support/AssertCapture.h"

namespace {

EnPointer<EnTriShape> MakeQuad() {
    return new EnTriShape(4, NewArray<EnVector3>({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}}),
                          nullptr, nullptr, nullptr, 2, NewArray<uint16_t>({0, 1, 2, 0, 2, 3}));
}

// A scene file holding one EnTriShapeData record with the given index list and groups, in the
// file format of the version given.
std::string TriShapeDataFile(const char* pcVersion, uint16_t usVertices, uint16_t usTriangles,
                             const std::vector<uint16_t>& kList,
                             const std::vector<std::vector<uint16_t>>* pGroups) {
    SceneBytes b;
    b.Top().Str("EnTriShapeData").U32(1).U16(usVertices).U32(1);
    for (uint16_t i = 0; i < usVertices; i++) b.F32(float(i)).F32(0).F32(0);
    b.U32(0);                       // no normals
    b.F32(0).F32(0).F32(0).F32(1);  // bound
    b.U32(0).U16(0).U32(0);         // no colours, no texture sets
    b.U16(usTriangles).U32(uint32_t(kList.size()));
    for (uint16_t i : kList) b.U16(i);
    if (pGroups) {
        b.U16(uint16_t(pGroups->size()));
        for (const auto& g : *pGroups) {
            b.U16(uint16_t(g.size()));
            for (uint16_t i : g) b.U16(i);
        }
    }
    return SceneHeader(pcVersion) + b.End().s;
}

}  // namespace

TEST(EnTriShape, CloneDrawsTheSameDataObject) {
    EnPointer<EnTriShape> spShape = MakeQuad();
    EnTriShapeData* pData = spShape->GetShapeData();
    const int32_t iRefs = pData->GetRefCount();
    EnPointer<EnObject> spClone = spShape->MakeClone();
    auto* pClone = EnDynamicCast(EnTriShape, spClone.Get());
    ASSERT_NE(pClone, nullptr);
    EXPECT_NE(pClone, spShape.Get());
    EXPECT_EQ(pClone->GetGeometryData(), pData);
    EXPECT_EQ(pData->GetRefCount(), iRefs + 1);
    EXPECT_TRUE(pClone->EqualsObject(spShape));
}

TEST(EnTriShape, SetGeometryDataRemakesWorldArraysForANewVertexCount) {
    EnPointer<EnTriShape> spShape = MakeQuad();
    spShape->CreateWorldVertices();
    spShape->CreateWorldNormals();
    spShape->Update(0.0f);
    spShape->UpdateWorldVertices();
    ASSERT_EQ(spShape->GetWorldVertices()[2], EnVector3(1, 1, 0));

    EnPointer<EnTriShapeData> spSix = new EnTriShapeData(
        6, NewArray<EnVector3>({{0, 0, 0}, {1, 0, 0}, {2, 0, 0}, {3, 0, 0}, {4, 0, 0}, {5, 5, 5}}),
        nullptr, nullptr, nullptr, 1, NewArray<uint16_t>({3, 4, 5}));
    spShape->SetGeometryData(spSix);
    EXPECT_EQ(spShape->GetGeometryData(), spSix.Get());
    ASSERT_NE(spShape->GetWorldVertices(), nullptr);
    EXPECT_EQ(spShape->GetWorldVertices()[5], EnVector3(5, 5, 5));
    EnVector3 *p0, *p1, *p2;
    spShape->GetTriangleWorldPoints(0, p0, p1, p2);
    EXPECT_EQ(p2, spShape->GetWorldVertices() + 5);

    spShape->SetGeometryData(nullptr);
    EXPECT_EQ(spShape->GetGeometryData(), spSix.Get()) << "null is ignored";
}

TEST(EnTriShape, RefusesDataOfAnotherKind) {
    EnPointer<EnTriShape> spShape = MakeQuad();
    EnPointer<EnTriStripsData> spStrips = new EnTriStripsData;
    AssertCapture kAsserts;
    spShape->SetGeometryData(spStrips);
    EXPECT_EQ(kAsserts.Count(), 1u);
    EXPECT_TRUE(EnIsKindOf(EnTriShapeData, spShape->GetGeometryData()));
}

TEST(EnTriShape, DrawHandsTheDataAndTransformToTheRendererAndCountsIt) {
    DrawStage kStage;
    std::vector<EnPointer<EnTriShape>> kShapes = {MakeQuad(), MakeQuad(), MakeQuad()};
    kShapes[1]->SetLocalTranslate(EnVector3(5, 0, 0));
    EnTriBasedGeom::ClearStatistics();
    for (auto& spShape : kShapes) {
        spShape->Update(0.0f);
        spShape->UpdateProperties();
        spShape->Draw(kStage.spCamera);
    }
    uint32_t uiObjects, uiTriangles, uiVertices;
    EnTriBasedGeom::GetStatistics(uiObjects, uiTriangles, uiVertices);
    EXPECT_EQ(uiObjects, 3u);
    EXPECT_EQ(uiTriangles, 6u);
    EXPECT_EQ(uiVertices, 12u);

    auto kDraws = kStage.spRenderer->CallsNamed("DrawTriShape");
    ASSERT_EQ(kDraws.size(), 3u);
    EXPECT_EQ(kDraws[1]->m_pData, kShapes[1]->GetShapeData());
    EXPECT_EQ(kDraws[1]->m_translate, EnVector3(5, 0, 0));
    EXPECT_TRUE(kDraws[1]->m_worldBound == kShapes[1]->GetWorldBound());
    EXPECT_EQ(kStage.spRenderer->CallsNamed("SetClipPlanes").size(), 3u);
}

TEST(EnTriShape, PreDrawLendsItsStatesToTheRenderer) {
    DrawStage kStage;
    EnPointer<EnTriShape> spShape = MakeQuad();
    spShape->Update(0.0f);
    spShape->UpdateProperties();
    ASSERT_NE(spShape->GetPropertyState(), nullptr);
    spShape->CullAndDraw(kStage.spCamera);
    auto kDraws = kStage.spRenderer->CallsNamed("DrawTriShape");
    ASSERT_EQ(kDraws.size(), 1u);
    EXPECT_EQ(kDraws[0]->m_pPropertyState, spShape->GetPropertyState());
    EXPECT_EQ(kDraws[0]->m_pEffectState, nullptr);
}

TEST(EnTriShape, DynamicDataDrawsAndCountsItsActivePartOnly) {
    DrawStage kStage;
    std::vector<EnVector3> kVertices(100);
    for (uint16_t i = 0; i < 100; i++) kVertices[i] = EnVector3(float(i), 0, 0);
    std::vector<uint16_t> kList;
    for (uint16_t t = 0; t < 30; t++)
        kList.insert(kList.end(), {t, uint16_t(t + 1), uint16_t(t + 2)});
    EnPointer<EnTriShapeDynamicData> spData = new EnTriShapeDynamicData(
        100, NewArray(kVertices), nullptr, nullptr, nullptr, 30, NewArray(kList), 40, 12);
    EXPECT_EQ(spData->GetVertexCount(), 100);
    EXPECT_EQ(spData->GetTriangleCount(), 30);
    EXPECT_EQ(spData->GetTriListLength(), 90u);
    EXPECT_EQ(spData->GetBound().GetCenter(), EnVector3(19.5f, 0, 0)) << "the active 40 only";

    EnPointer<EnTriShape> spShape = new EnTriShape(spData);
    spShape->Update(0.0f);
    EnTriBasedGeom::ClearStatistics();
    spShape->Draw(kStage.spCamera);
    uint32_t uiObjects, uiTriangles, uiVertices;
    EnTriBasedGeom::GetStatistics(uiObjects, uiTriangles, uiVertices);
    EXPECT_EQ(uiTriangles, 12u);
    EXPECT_EQ(uiVertices, 40u);

    spData->SetActiveVertexCount(500);
    spData->SetActiveTriangleCount(500);
    EXPECT_EQ(spData->GetActiveVertexCount(), 100) << "never past the arrays";
    EXPECT_EQ(spData->GetActiveTriangleCount(), 30);
}

struct CompareCase {
    uint16_t a, b;
    uint32_t uiMask;
    int iExpected;
};

TEST(EnTriShape, CompareVerticesOrdersByTheSelectedFieldsBytes) {
    // Vertices 0 and 1 share a position; 1 and 2 share a normal; colours all differ.
    EnPointer<EnTriShape> spShape =
        new EnTriShape(3, NewArray<EnVector3>({{1, 2, 3}, {1, 2, 3}, {1, 2, 4}}),
                       NewArray<EnVector3>({{0, 0, 1}, {0, 1, 0}, {0, 1, 0}}),
                       NewArray<EnColorRGBA>({{1, 0, 0, 1}, {0, 1, 0, 1}, {0, 0, 1, 1}}), nullptr,
                       1, NewArray<uint16_t>({0, 1, 2}));
    const CompareCase kCases[] = {
        {0, 1, 0, 0},                  // no field selected
        {0, 1, 1, 0},                  // equal positions
        {0, 2, 1, -1},                 // 3.0f against 4.0f: the low bytes compare first
        {2, 0, 1, 1},  {0, 1, 3, -1},  // positions equal, then the normals: y 0.0f against 1.0f
        {1, 2, 2, 0},                  // equal normals
        {1, 2, 8, 0},                  // no texture coordinates: the bit is ignored
        {1, 2, 6, 1},                  // equal normals, colours differ
    };
    for (const CompareCase& c : kCases) {
        EXPECT_EQ(spShape->CompareVertices(c.a, c.b, c.uiMask), c.iExpected)
            << c.a << " against " << c.b << " with mask " << c.uiMask;
    }
}

TEST(EnTriShape, RemapVerticesShrinksEveryPresentArray) {
    EnPointer<EnTriShape> spShape =
        new EnTriShape(4, NewArray<EnVector3>({{0, 0, 0}, {1, 0, 0}, {2, 0, 0}, {3, 0, 0}}),
                       NewArray<EnVector3>({{0, 0, 1}, {0, 1, 0}, {1, 0, 0}, {0, 0, -1}}), nullptr,
                       NewArray<EnVector2>({{0, 0}, {0.1f, 0}, {0.2f, 0}, {0.3f, 0}}), 1,
                       NewArray<uint16_t>({0, 1, 2}));
    EnTriShapeData* pData = spShape->GetShapeData();
    pData->CreateTextures(false, 1);
    const uint32_t auiMap[4] = {1, EnTriShape::DROP_VERTEX, 0, 7};  // 7 is past the new count
    EXPECT_EQ(spShape->RemapVertices(2, auiMap), pData);
    EXPECT_EQ(pData->GetVertexCount(), 2);
    EXPECT_EQ(pData->GetVertices()[0], EnVector3(2, 0, 0));
    EXPECT_EQ(pData->GetVertices()[1], EnVector3(0, 0, 0));
    EXPECT_EQ(pData->GetNormals()[0], EnVector3(1, 0, 0));
    EXPECT_EQ(pData->GetColors(), nullptr) << "absent arrays stay absent";
    EXPECT_EQ(pData->GetTextureSets(), 1);
    EXPECT_EQ(pData->GetTextures()[0], EnVector2(0.2f, 0));
    EXPECT_EQ(pData->GetBound().GetCenter(), EnVector3(1, 0, 0));
}

TEST(EnTriShape, SharedNormalGroupsArriveAfterVersion305) {
    const std::vector<uint16_t> kList = {0, 1, 2};
    const std::vector<std::vector<uint16_t>> kGroups = {{0, 2}, {}, {2, 0}};

    LoadedScene kOld = LoadSceneBytes(TriShapeDataFile("3.05", 3, 1, kList, nullptr));
    ASSERT_TRUE(kOld.bLoaded) << EnStream::GetLastErrorText();
    auto* pOld = kOld.Get<EnTriShapeData>(0);
    ASSERT_NE(pOld, nullptr);
    EXPECT_EQ(pOld->GetSharedNormalGroupCount(), 0);

    LoadedScene kNew = LoadSceneBytes(TriShapeDataFile("3.1", 3, 1, kList, &kGroups));
    ASSERT_TRUE(kNew.bLoaded) << EnStream::GetLastErrorText();
    auto* pNew = kNew.Get<EnTriShapeData>(0);
    ASSERT_NE(pNew, nullptr);
    ASSERT_EQ(pNew->GetSharedNormalGroupCount(), 3);
    EXPECT_EQ(pNew->GetSharedNormalGroups()[1].m_usCount, 0);
    EXPECT_EQ(pNew->GetSharedNormalGroups()[1].m_pusIndices, nullptr);
    EXPECT_EQ(pNew->GetSharedNormalGroups()[2].m_pusIndices[0], 2);

    // Both load to objects that save, load and save again the same bytes; the old one gains
    // an empty group list in the current format.
    RoundTripScene({pOld});
    RoundTripScene({pNew});
    LoadedScene kNone = LoadSceneBytes(TriShapeDataFile("3.1", 3, 1, kList, nullptr));
    EXPECT_FALSE(kNone.bLoaded) << "a current file without the group count is cut short";
}

struct BadListCase {
    const char* pcWhat;
    uint16_t usVertices;
    uint16_t usTriangles;
    std::vector<uint16_t> kList;
    std::vector<std::vector<uint16_t>> kGroups;
};

TEST(EnTriShape, LoadRefusesIndexListsThatLeaveTheirArrays) {
    const BadListCase kCases[] = {
        {"an index past the vertices", 3, 1, {0, 1, 3}, {}},
        {"a list shorter than its triangles", 3, 2, {0, 1, 2}, {}},
        {"no list for a triangle", 3, 1, {}, {}},
        {"a group entry past the vertices", 3, 1, {0, 1, 2}, {{0}, {9}, {}}},
    };
    for (const BadListCase& c : kCases) {
        LoadedScene kScene = LoadSceneBytes(
            TriShapeDataFile("3.1", c.usVertices, c.usTriangles, c.kList, &c.kGroups));
        EXPECT_FALSE(kScene.bLoaded) << c.pcWhat;
        EXPECT_EQ(kScene.uiError, uint32_t(EnStream::ERROR_BAD_RECORD)) << c.pcWhat;
    }
    const std::vector<std::vector<uint16_t>> kNoGroups;
    EXPECT_TRUE(LoadSceneBytes(TriShapeDataFile("3.1", 3, 1, {2, 1, 0}, &kNoGroups)).bLoaded);
}

TEST(EnTriShape, LoadRefusesActiveCountsPastTheArrays) {
    for (uint16_t usActiveVertices : {3, 4}) {
        for (uint16_t usActiveTriangles : {1, 2}) {
            EnPointer<EnTriShapeDynamicData> spData = new EnTriShapeDynamicData(
                3, NewArray<EnVector3>({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}), nullptr, nullptr,
                nullptr, 1, NewArray<uint16_t>({0, 1, 2}), 3, 1);
            std::string kFile = SaveSceneBytes({spData});
            // The two active counts are the last fields of the record.
            const size_t uiAt = kFile.rfind(SceneBytes().End().s) - 4;
            kFile.replace(uiAt, 4, SceneBytes().U16(usActiveVertices).U16(usActiveTriangles).s);
            const bool bFits = usActiveVertices <= 3 && usActiveTriangles <= 1;
            EXPECT_EQ(LoadSceneBytes(kFile).bLoaded, bFits)
                << usActiveVertices << " vertices, " << usActiveTriangles << " triangles";
        }
    }
}

TEST(EnTriShape, LinkRefusesDataOfAnotherKind) {
    // A shape whose data link names an EnTriStripsData record.
    EnPointer<EnTriShape> spShape = MakeQuad();
    std::string kFile = SaveSceneBytes({spShape});
    EnPointer<EnTriStripsData> spStrips = new EnTriStripsData;
    const std::string kStrips = SaveSceneBytes({spStrips});
    // Swap the data record for the strips record under the data's link ID.
    const size_t uiData = kFile.find(SceneBytes().Str("EnTriShapeData").s);
    ASSERT_NE(uiData, std::string::npos);
    const std::string kDataID =
        kFile.substr(uiData + SceneBytes().Str("EnTriShapeData").s.size(), 4);
    const size_t uiStripsBody = kStrips.find(SceneBytes().Str("EnTriStripsData").s);
    std::string kStripsRecord =
        kStrips.substr(uiStripsBody, kStrips.rfind(SceneBytes().End().s) - uiStripsBody);
    kStripsRecord.replace(SceneBytes().Str("EnTriStripsData").s.size(), 4, kDataID);
    kFile = kFile.substr(0, uiData) + kStripsRecord + SceneBytes().End().s;
    LoadedScene kScene = LoadSceneBytes(kFile);
    EXPECT_FALSE(kScene.bLoaded);
    EXPECT_EQ(kScene.uiError, uint32_t(EnStream::ERROR_BAD_RECORD));
}

// Baking moves the model data by a rigid transform: given in the parent's space, every point
// of the shape seen from the parent moves by exactly that transform.
TEST(EnTriShape, BakedTransformsMoveThePointsAsSeenFromTheParent) {
    for (bool bInParentSpace : {false, true}) {
        EnPointer<EnTriShape> spShape =
            new EnTriShape(3, NewArray<EnVector3>({{1, 0, 0}, {0, 2, 0}, {0, 0, 3}}),
                           NewArray<EnVector3>({{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}), nullptr, nullptr,
                           1, NewArray<uint16_t>({0, 1, 2}));
        EnMatrix3 kLocal, kBake;
        kLocal.MakeRotation(0.8f, EnVector3(0, 0.6f, 0.8f));
        kBake.MakeRotation(-1.1f, EnVector3(0.8f, 0, 0.6f));
        spShape->SetLocalRotate(kLocal);
        spShape->SetLocalTranslate(EnVector3(3, -1, 2));
        spShape->SetLocalScale(2.0f);
        spShape->Update(0.0f);
        std::vector<EnVector3> kBefore;
        for (int i = 0; i < 3; i++) {
            const EnVector3& v = spShape->GetVertices()[i];
            kBefore.push_back(bInParentSpace ? kLocal * (2.0f * v) + EnVector3(3, -1, 2) : v);
        }
        const EnVector3 kShift(0.5f, 4, -2);
        spShape->BakeTransform(kBake, kShift, bInParentSpace);
        for (int i = 0; i < 3; i++) {
            const EnVector3& v = spShape->GetVertices()[i];
            const EnVector3 kAfter = bInParentSpace ? kLocal * (2.0f * v) + EnVector3(3, -1, 2) : v;
            EXPECT_TRUE(NearVector(kAfter, kBake * kBefore[i] + kShift, 1e-4f))
                << (bInParentSpace ? "parent space" : "own frame") << ", vertex " << i;
        }
        // Normals follow the rotation (seen from the same frame) and keep their length.
        const EnVector3 kNormal = spShape->GetNormals()[0];
        const EnVector3 kSeen = bInParentSpace ? kLocal * kNormal : kNormal;
        const EnVector3 kWant =
            bInParentSpace ? kBake * (kLocal * EnVector3(1, 0, 0)) : kBake * EnVector3(1, 0, 0);
        EXPECT_TRUE(NearVector(kSeen, kWant, 1e-5f));
        EXPECT_EQ(spShape->GetShapeData()->GetBound().GetFlag(), 0);
    }
}
