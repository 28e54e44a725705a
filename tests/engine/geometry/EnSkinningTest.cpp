#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "engine/core/EnBone.h"
#include "engine/core/EnNode.h"
#include "engine/core/EnStream.h"
#include "engine/geometry/EnTriShape.h"
#include "engine/geometry/EnTriShapeSkinController.h"
#include "tests/engine/core/SceneFileHelpers.h"
#include "tests/engine/geometry/GeometryTestHelpers.h"

namespace {

using VertexData = EnSkinController::VertexData;

EnPointer<EnTriShape> MakeMesh(uint16_t usVertices) {
    std::vector<uint16_t> kList;
    for (uint16_t i = 0; i + 2 < usVertices; i++)
        kList.insert(kList.end(), {i, uint16_t(i + 1), uint16_t(i + 2)});
    auto* pVertex = new EnVector3[usVertices];
    for (uint16_t i = 0; i < usVertices; i++) pVertex[i] = EnVector3(float(i), 1.0f, 0.0f);
    return new EnTriShape(usVertices, pVertex, nullptr, nullptr, nullptr,
                          uint16_t(kList.size() / 3), NewArray(kList));
}

// A controller on the shape whose bones each move the given entries.
struct BoneEntries {
    EnBone* pBone;
    std::vector<VertexData> kData;
    std::vector<uint16_t> kIndices;
};

EnPointer<EnTriShapeSkinController> Skin(EnTriShape* pShape,
                                         const std::vector<BoneEntries>& kBones) {
    EnPointer<EnTriShapeSkinController> spSkin = new EnTriShapeSkinController;
    spSkin->SetBoneCount(uint32_t(kBones.size()));
    for (uint32_t b = 0; b < kBones.size(); b++)
        spSkin->SetBoneData(b, kBones[b].pBone, uint32_t(kBones[b].kData.size()),
                            kBones[b].kData.data(), kBones[b].kIndices.data());
    if (pShape) spSkin->SetTarget(pShape);
    return spSkin;
}

// Reference arithmetic in double precision.
struct Affine {
    double r[3][3];
    double t[3];
    double s;

    static Affine Of(const EnAVObject& k) {
        Affine a{};
        for (int i = 0; i < 3; i++) {
            for (int j = 0; j < 3; j++) a.r[i][j] = k.GetLocalRotate().GetEntry(i, j);
        }
        a.t[0] = k.GetLocalTranslate().x;
        a.t[1] = k.GetLocalTranslate().y;
        a.t[2] = k.GetLocalTranslate().z;
        a.s = k.GetLocalScale();
        return a;
    }
    // this, then the child's local transform below it.
    Affine Then(const Affine& c) const {
        Affine o{};
        for (int i = 0; i < 3; i++) {
            for (int j = 0; j < 3; j++)
                for (int k = 0; k < 3; k++) o.r[i][j] += r[i][k] * c.r[k][j];
            o.t[i] = t[i];
            for (int k = 0; k < 3; k++) o.t[i] += s * r[i][k] * c.t[k];
        }
        o.s = s * c.s;
        return o;
    }
    void Apply(const double p[3], double out[3]) const {
        for (int i = 0; i < 3; i++) {
            out[i] = t[i];
            for (int k = 0; k < 3; k++) out[i] += s * r[i][k] * p[k];
        }
    }
};

EnMatrix3 RandomRotation(RandomSource& kRandom) {
    EnVector3 kAxis = kRandom.Vector(1.0f);
    if (kAxis.Unitize() == 0.0f) kAxis = EnVector3(0, 0, 1);
    EnMatrix3 k;
    k.MakeRotation(kRandom.Float(-3.0f, 3.0f), kAxis);
    return k;
}

}  // namespace

TEST(EnSkinController, OneEntryMovesItsVertexByItsWeight) {
    EnPointer<EnBone> spBone = new EnBone;
    spBone->Update(0.0f);
    EnPointer<EnTriShape> spMesh = MakeMesh(4);
    EnPointer<EnTriShapeSkinController> spSkin = Skin(spMesh, {{spBone, {{1, 0, 0, 0.5f}}, {0}}});
    std::vector<EnVector3> kOut(4, EnVector3(9, 9, 9));
    spSkin->Deform(kOut.data());
    EXPECT_EQ(kOut[0], EnVector3(0.5f, 0, 0));
    for (int i = 1; i < 4; i++) EXPECT_EQ(kOut[i], EnVector3(0, 0, 0)) << "no entry: the origin";
}

TEST(EnSkinController, BonesSharingAVertexAddTheirParts) {
    EnPointer<EnNode> spRoot = new EnNode;
    EnPointer<EnBone> spA = new EnBone, spB = new EnBone;
    spA->SetLocalTranslate(EnVector3(4, 0, 0));
    spB->SetLocalScale(2.0f);
    spRoot->AddChild(spA);
    spRoot->AddChild(spB);
    spRoot->Update(0.0f);
    EnPointer<EnTriShape> spMesh = MakeMesh(5);
    EnPointer<EnTriShapeSkinController> spSkin =
        Skin(spMesh, {{spA, {{0, 1, 0, 0.25f}}, {3}}, {spB, {{0, 1, 0, 0.75f}}, {3}}});
    std::vector<EnVector3> kOut(5);
    spSkin->Deform(kOut.data());
    EXPECT_TRUE(NearVector(kOut[3], EnVector3(1.0f, 0.25f + 1.5f, 0), 1e-6f));
}

// Deformation against a reference that composes the bones' local transforms itself.
TEST(EnSkinController, DeformationMatchesTheReferenceOnRandomSkeletons) {
    for (uint32_t uiSeed = 1; uiSeed <= 25; uiSeed++) {
        RandomSource kRandom(uiSeed);
        EnPointer<EnNode> spRoot = new EnNode;
        spRoot->SetLocalTranslate(kRandom.Vector(50.0f));  // the skin space ignores it
        std::vector<EnPointer<EnBone>> kBones;
        std::vector<Affine> kSkin;
        for (uint32_t b = 0, n = kRandom.Int(1, 6); b < n; b++) {
            EnPointer<EnBone> spBone = new EnBone;
            spBone->SetLocalRotate(RandomRotation(kRandom));
            spBone->SetLocalTranslate(kRandom.Vector(3.0f));
            spBone->SetLocalScale(kRandom.Float(0.5f, 2.0f));
            // Each bone hangs under an earlier one, or starts a hierarchy under the root node.
            const uint32_t uiParent = b ? kRandom.Int(0, b) : 0;
            if (uiParent == b) {
                spRoot->AddChild(spBone);
                kSkin.push_back(Affine::Of(*spBone));
            } else {
                kBones[uiParent]->AddChild(spBone);
                kSkin.push_back(kSkin[uiParent].Then(Affine::Of(*spBone)));
            }
            kBones.push_back(spBone);
        }
        spRoot->Update(0.0f);

        const uint16_t usVertices = uint16_t(kRandom.Int(1, 20));
        EnPointer<EnTriShape> spMesh = MakeMesh(usVertices);
        std::vector<BoneEntries> kBoneEntries;
        std::vector<std::vector<double>> kExpected(usVertices, std::vector<double>(3, 0.0));
        for (uint32_t b = 0; b < kBones.size(); b++) {
            BoneEntries kEntries{kBones[b], {}, {}};
            for (uint32_t e = kRandom.Int(0, 8); e > 0; e--) {
                const EnVector3 p = kRandom.Vector(2.0f);
                const VertexData kEntry{p.x, p.y, p.z, kRandom.Float(0.0f, 1.0f)};
                const uint16_t usIndex = uint16_t(kRandom.Int(0, usVertices - 1));
                kEntries.kData.push_back(kEntry);
                kEntries.kIndices.push_back(usIndex);
                const double ad[3] = {p.x, p.y, p.z};
                double aOut[3];
                kSkin[b].Apply(ad, aOut);
                for (int i = 0; i < 3; i++) kExpected[usIndex][i] += kEntry.m_fWeight * aOut[i];
            }
            kBoneEntries.push_back(std::move(kEntries));
        }
        EnPointer<EnTriShapeSkinController> spSkin = Skin(spMesh, kBoneEntries);
        std::vector<EnVector3> kOut(usVertices);
        spSkin->Deform(kOut.data());
        for (uint16_t i = 0; i < usVertices; i++) {
            const EnVector3 kWant(float(kExpected[i][0]), float(kExpected[i][1]),
                                  float(kExpected[i][2]));
            EXPECT_TRUE(NearVector(kOut[i], kWant, 1e-3f)) << kRandom.Seed() << ", vertex " << i;
        }
    }
}

// A rigid skin (every vertex wholly on one bone) deforms inside the skin bound.
TEST(EnSkinController, TheSkinBoundHoldsARigidlyDeformedMesh) {
    for (uint32_t uiSeed = 1; uiSeed <= 20; uiSeed++) {
        RandomSource kRandom(uiSeed);
        EnPointer<EnNode> spRoot = new EnNode;
        std::vector<EnPointer<EnBone>> kBones;
        for (uint32_t b = 0, n = kRandom.Int(1, 4); b < n; b++) {
            EnPointer<EnBone> spBone = new EnBone;
            spBone->SetLocalRotate(RandomRotation(kRandom));
            spBone->SetLocalTranslate(kRandom.Vector(3.0f));
            spBone->SetLocalScale(kRandom.Float(0.5f, 2.0f));
            (b ? kBones[b - 1].Get() : spRoot.Get())->AddChild(spBone);
            kBones.push_back(spBone);
        }
        spRoot->Update(0.0f);
        const uint16_t usVertices = uint16_t(kRandom.Int(3, 30));
        EnPointer<EnTriShape> spMesh = MakeMesh(usVertices);
        std::vector<BoneEntries> kBoneEntries;
        for (auto& spBone : kBones) kBoneEntries.push_back({spBone, {}, {}});
        for (uint16_t i = 0; i < usVertices; i++) {
            BoneEntries& kEntries = kBoneEntries[kRandom.Int(0, uint32_t(kBones.size()) - 1)];
            const EnVector3 p = kRandom.Vector(2.0f);
            kEntries.kData.push_back({p.x, p.y, p.z, 1.0f});
            kEntries.kIndices.push_back(i);
        }
        EnPointer<EnTriShapeSkinController> spSkin = Skin(spMesh, kBoneEntries);
        spSkin->ComputeBoneBounds();
        EnBoundSphere kBound;
        ASSERT_TRUE(spSkin->ComputeSkinBound(kBound)) << kRandom.Seed();
        std::vector<EnVector3> kOut(usVertices);
        spSkin->Deform(kOut.data());
        for (const EnVector3& v : kOut)
            EXPECT_LE((v - kBound.GetCenter()).Length(), kBound.GetRadius() * 1.0001f + 1e-4f)
                << kRandom.Seed();
    }
}

TEST(EnSkinController, BoundsWaitForATarget) {
    EnPointer<EnBone> spBone = new EnBone;
    EnPointer<EnTriShapeSkinController> spSkin = Skin(nullptr, {{spBone, {{1, 0, 0, 1}}, {0}}});
    spSkin->ComputeBoneBounds();
    EXPECT_EQ(spSkin->GetBoneBounds(), nullptr);
    EnPointer<EnTriShape> spMesh = MakeMesh(3);
    spSkin->SetTarget(spMesh);
    spSkin->ComputeBoneBounds();
    ASSERT_NE(spSkin->GetBoneBounds(), nullptr);
    EXPECT_EQ(spSkin->GetBoneBounds()[0].GetCenter(), EnVector3(1, 0, 0));
}

TEST(EnSkinController, RemappingMovesEntriesToTheirNewVertices) {
    EnPointer<EnBone> spBone = new EnBone;
    EnPointer<EnTriShape> spMesh = MakeMesh(4);
    EnPointer<EnTriShapeSkinController> spSkin =
        Skin(spMesh, {{spBone, {{1, 0, 0, 1}, {2, 0, 0, 0.5f}, {3, 0, 0, 1}}, {0, 2, 3}}});
    spSkin->RemapVertices(4, 4, nullptr);
    EXPECT_EQ(spSkin->GetVertexCount(0), 3u) << "equal counts change no entry";
    EXPECT_EQ(spSkin->GetVertexIndices(0)[1], 2);

    const int32_t aiTable[4] = {1, -1, 0, -1};
    spSkin->RemapVertices(4, 2, aiTable);
    ASSERT_EQ(spSkin->GetVertexCount(0), 2u);
    EXPECT_EQ(spSkin->GetVertexData(0)[0].m_fX, 2.0f);
    EXPECT_EQ(spSkin->GetVertexData(0)[0].m_fWeight, 0.5f);
    EXPECT_EQ(spSkin->GetVertexData(0)[1].m_fX, 1.0f);
    EXPECT_EQ(spSkin->GetVertexIndices(0)[1], 1);
}

TEST(EnTriShapeSkinController, DeformsOnlyBeforeADrawAndOncePerTime) {
    DrawStage kStage;
    EnPointer<EnNode> spRoot = new EnNode;
    EnPointer<EnBone> spBone = new EnBone;
    spRoot->AddChild(spBone);
    EnPointer<EnTriShape> spMesh = MakeMesh(3);
    spRoot->AddChild(spMesh);
    EnPointer<EnTriShapeSkinController> spSkin =
        Skin(spMesh, {{spBone, {{0, 0, 0, 1}, {1, 0, 0, 1}, {0, 1, 0, 1}}, {0, 1, 2}}});
    spBone->SetLocalTranslate(EnVector3(10, 0, 0));
    EnTriShapeData* pData = spMesh->GetShapeData();

    spRoot->Update(1.0f);
    EXPECT_TRUE(spSkin->IsDeformPending());
    EXPECT_EQ(pData->GetVertices()[1], EnVector3(1, 1, 0)) << "not deformed before the draw";
    EXPECT_TRUE(NearVector(pData->GetBound().GetCenter(), EnVector3(10.5f, 0.5f, 0), 1e-6f))
        << "but the bound is already the new pose's";

    const uint16_t usRevision = pData->GetRevision();
    spMesh->PreDraw(kStage.spCamera);
    spMesh->Draw(kStage.spCamera);
    EXPECT_EQ(pData->GetVertices()[1], EnVector3(11, 0, 0));
    EXPECT_EQ(pData->GetRevision(), uint16_t(usRevision + 1));
    EXPECT_FALSE(spSkin->IsDeformPending()) << "the draw told the controller";

    spRoot->Update(1.0f);
    spMesh->PreDraw(kStage.spCamera);
    EXPECT_EQ(pData->GetRevision(), uint16_t(usRevision + 1)) << "the same time deforms nothing";
    spSkin->Stop();
    spRoot->Update(2.0f);
    EXPECT_FALSE(spSkin->IsDeformPending()) << "an inactive controller does nothing";
}

TEST(EnTriShapeSkinController, RecomputesNormalsWhenAsked) {
    DrawStage kStage;
    EnPointer<EnBone> spBone = new EnBone;
    EnPointer<EnTriShape> spMesh = MakeMesh(3);
    spMesh->GetShapeData()->CreateNormals(true);
    EnPointer<EnTriShapeSkinController> spSkin =
        Skin(spMesh, {{spBone, {{0, 0, 0, 1}, {0, 1, 0, 1}, {1, 0, 0, 1}}, {0, 1, 2}}});
    spSkin->SetRecomputeNormals(true);
    spBone->Update(0.0f);
    spSkin->Update(0.5f);
    spSkin->PreDraw();
    EXPECT_TRUE(NearVector(spMesh->GetNormals()[0], EnVector3(0, 0, -1), 1e-6f));
}

TEST(EnTriShapeSkinController, OnlyTriangleShapesAreValidTargets) {
    EnPointer<EnTriShapeSkinController> spSkin = new EnTriShapeSkinController;
    EnPointer<EnNode> spNode = new EnNode;
    spSkin->SetTarget(spNode);
    EXPECT_FALSE(spSkin->IsTargetTypeValid());
    spSkin->Update(1.0f);  // nothing to deform
    EnPointer<EnTriShape> spMesh = MakeMesh(3);
    spSkin->SetTarget(spMesh);
    EXPECT_TRUE(spSkin->IsTargetTypeValid());
}

TEST(EnSkinController, ClonesFollowClonedBonesAndKeepBonesOutsideTheSubtree) {
    EnPointer<EnNode> spScene = new EnNode;
    EnPointer<EnBone> spOutside = new EnBone;
    EnPointer<EnNode> spCharacter = new EnNode;
    EnPointer<EnBone> spInside = new EnBone;
    EnPointer<EnTriShape> spMesh = MakeMesh(3);
    spScene->AddChild(spOutside);
    spScene->AddChild(spCharacter);
    spCharacter->AddChild(spInside);
    spCharacter->AddChild(spMesh);
    EnPointer<EnTriShapeSkinController> spSkin =
        Skin(spMesh, {{spInside, {{1, 0, 0, 1}}, {0}}, {spOutside, {{0, 1, 0, 1}}, {1}}});

    EnPointer<EnObject> spCopy = spCharacter->MakeClone();
    auto* pCharacter = EnDynamicCast(EnNode, spCopy.Get());
    ASSERT_NE(pCharacter, nullptr);
    auto* pBoneCopy = EnDynamicCast(EnBone, pCharacter->GetAt(0));
    auto* pMeshCopy = EnDynamicCast(EnTriShape, pCharacter->GetAt(1));
    ASSERT_TRUE(pBoneCopy && pMeshCopy);
    auto* pSkinCopy = EnDynamicCast(EnTriShapeSkinController, pMeshCopy->GetFirstController());
    ASSERT_NE(pSkinCopy, nullptr);
    EXPECT_NE(pSkinCopy, spSkin.Get());
    EXPECT_EQ(pSkinCopy->GetTarget(), pMeshCopy);
    EXPECT_EQ(pSkinCopy->GetBone(0), pBoneCopy);
    EXPECT_EQ(pSkinCopy->GetBone(1), spOutside.Get()) << "a bone outside the clone is kept";
    EXPECT_EQ(pSkinCopy->GetVertexData(1)[0].m_fY, 1.0f);
    EXPECT_TRUE(pSkinCopy->EqualsObject(spSkin));
}

TEST(EnSkinController, SkinnedScenesRoundTrip) {
    EnPointer<EnNode> spRoot = new EnNode;
    EnPointer<EnBone> spHip = new EnBone, spKnee = new EnBone;
    EnPointer<EnTriShape> spMesh = MakeMesh(4);
    spRoot->AddChild(spHip);
    spHip->AddChild(spKnee);
    spRoot->AddChild(spMesh);
    spKnee->SetLocalTranslate(EnVector3(0, -1, 0));
    EnPointer<EnTriShapeSkinController> spSkin =
        Skin(spMesh, {{spHip, {{1, 0, 0, 1}, {0, 1, 0, 0.5f}}, {0, 1}},
                      {spKnee, {{0, 1, 0, 0.5f}, {2, 2, 2, 1}, {0, 0, 1, 1}}, {1, 2, 3}}});
    spSkin->SetRecomputeNormals(true);
    LoadedScene kScene = RoundTripScene({spRoot});
    auto* pRoot = kScene.Get<EnNode>(0);
    ASSERT_NE(pRoot, nullptr);
    auto* pMesh = EnDynamicCast(EnTriShape, pRoot->GetAt(1));
    ASSERT_NE(pMesh, nullptr);
    auto* pSkin = EnDynamicCast(EnTriShapeSkinController, pMesh->GetFirstController());
    ASSERT_NE(pSkin, nullptr);
    auto* pHip = EnDynamicCast(EnBone, pRoot->GetAt(0));
    EXPECT_EQ(pSkin->GetBone(0), pHip);
    EXPECT_EQ(pSkin->GetBone(1), pHip->GetAt(0));
    EXPECT_NE(pSkin->GetBoneBounds(), nullptr) << "bounds follow once the target is linked";
}

TEST(EnSkinController, LoadRefusesEntriesPastTheMeshAndMissingBones) {
    for (const char* pcFault : {"index", "bone"}) {
        EnPointer<EnNode> spRoot = new EnNode;
        EnPointer<EnBone> spBone = new EnBone;
        EnPointer<EnTriShape> spMesh = MakeMesh(3);
        spRoot->AddChild(spBone);
        spRoot->AddChild(spMesh);
        EnPointer<EnTriShapeSkinController> spSkin = Skin(spMesh, {{spBone, {{1, 0, 0, 1}}, {2}}});
        std::string kFile = SaveSceneBytes({spRoot});
        ASSERT_TRUE(LoadSceneBytes(kFile).bLoaded);
        // The controller's record ends with the bone count, vertex count, bone link and one
        // entry {weight, index, x, y, z}.
        const size_t uiEntry = kFile.find(SceneBytes().F32(1).U16(2).F32(1).F32(0).F32(0).s);
        ASSERT_NE(uiEntry, std::string::npos);
        if (std::string(pcFault) == "index")
            kFile.replace(uiEntry + 4, 2, SceneBytes().U16(3).s);
        else
            kFile.replace(uiEntry - 4, 4, SceneBytes().U32(0).s);
        LoadedScene kScene = LoadSceneBytes(kFile);
        EXPECT_FALSE(kScene.bLoaded) << pcFault;
        EXPECT_EQ(kScene.uiError, uint32_t(EnStream::ERROR_BAD_RECORD)) << pcFault;
    }
}

TEST(EnSkinController, DeformingIgnoresEntriesPastAShrunkenMesh) {
    EnPointer<EnBone> spBone = new EnBone;
    EnPointer<EnTriShape> spMesh = MakeMesh(4);
    EnPointer<EnTriShapeSkinController> spSkin =
        Skin(spMesh, {{spBone, {{1, 0, 0, 1}, {2, 0, 0, 1}}, {0, 3}}});
    spMesh->GetShapeData()->ReplaceArrays(2, new EnVector3[2](), nullptr, nullptr, nullptr);
    std::vector<EnVector3> kOut(2);
    spSkin->Deform(kOut.data());
    EXPECT_EQ(kOut[0], EnVector3(1, 0, 0));
}

// The controller holds the bones it deforms with, so a mesh saved or kept without the bone
// hierarchy still has its bones; a bone above the mesh is not held, so no cycle keeps a
// released scene alive.
TEST(EnSkinController, BonesOutsideTheSceneStayAliveAndBonesAboveTheMeshDoNotLeak) {
    const uint32_t uiLive = EnObject::GetLiveObjectCount();
    {
        EnPointer<EnBone> spBone = new EnBone;
        spBone->SetLocalTranslate(EnVector3(0, 3, 0));
        EnPointer<EnTriShape> spMesh = MakeMesh(3);
        Skin(spMesh, {{spBone, {{1, 0, 0, 1}}, {0}}});
        LoadedScene kScene = LoadSceneBytes(SaveSceneBytes({spMesh}));
        ASSERT_TRUE(kScene.bLoaded);
        auto* pMesh = kScene.Get<EnTriShape>(0);
        ASSERT_NE(pMesh, nullptr);
        auto* pSkin = EnDynamicCast(EnTriShapeSkinController, pMesh->GetFirstController());
        ASSERT_NE(pSkin, nullptr);
        EnBone* pBone = pSkin->GetBone(0);
        ASSERT_NE(pBone, nullptr);
        EXPECT_EQ(pBone->GetParent(), nullptr) << "the bone came without any scene around it";
        pBone->Update(0.0f);
        pMesh->Update(1.0f);
        pSkin->PreDraw();
        EXPECT_EQ(pMesh->GetVertices()[0], EnVector3(1, 3, 0));
    }
    {
        EnPointer<EnNode> spRoot = new EnNode;
        EnPointer<EnBone> spBone = new EnBone;
        EnPointer<EnTriShape> spMesh = MakeMesh(3);
        spRoot->AddChild(spBone);
        spBone->AddChild(spMesh);
        Skin(spMesh, {{spBone, {{1, 0, 0, 1}}, {0}}});
        LoadedScene kScene = RoundTripScene({spRoot});
        EXPECT_NE(kScene.Get<EnNode>(0), nullptr);
    }
    EXPECT_EQ(EnObject::GetLiveObjectCount(), uiLive);
}
