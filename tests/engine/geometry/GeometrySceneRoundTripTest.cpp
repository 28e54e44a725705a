#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/core/EnBone.h"
#include "engine/core/EnNode.h"
#include "engine/core/EnRayQuery.h"
#include "engine/core/EnStream.h"
#include "engine/core/EnSystem.h"
#include "engine/geometry/EnAmbientLight.h"
#include "engine/geometry/EnAutoNormalParticles.h"
#include "engine/geometry/EnAutoNormalParticlesData.h"
#include "engine/geometry/EnDirectionalLight.h"
#include "engine/geometry/EnEnvMappedTriShape.h"
#include "engine/geometry/EnEnvMappedTriShapeData.h"
#include "engine/geometry/EnLines.h"
#include "engine/geometry/EnParticles.h"
#include "engine/geometry/EnPointLight.h"
#include "engine/geometry/EnSpotLight.h"
#include "engine/geometry/EnTextureEffect.h"
#include "engine/geometry/EnTriShape.h"
#include "engine/geometry/EnTriShapeDynamicData.h"
#include "engine/geometry/EnTriShapeSkinController.h"
#include "engine/geometry/EnTriStrip.h"
#include "engine/geometry/EnTriStrips.h"
#include "engine/geometry/EnTriangles.h"
#include "tests/engine/core/SceneFileHelpers.h"
#include "tests/engine/geometry/GeometryTestHelpers.h"

namespace {

EnVector3* Points(uint16_t usCount, float fOffset) {
    auto* p = new EnVector3[usCount];
    for (uint16_t i = 0; i < usCount; i++)
        p[i] = EnVector3(float(i) + fOffset, float(i % 3) * 0.5f, float(i % 2) - fOffset);
    return p;
}

EnVector3* Normals(uint16_t usCount) {
    auto* p = new EnVector3[usCount];
    for (uint16_t i = 0; i < usCount; i++) p[i] = EnVector3(0, i % 2 ? 1.0f : 0.0f, 1);
    return p;
}

EnColorRGBA* Colors(uint16_t usCount) {
    auto* p = new EnColorRGBA[usCount];
    for (uint16_t i = 0; i < usCount; i++) p[i] = EnColorRGBA(0.1f * i, 0.5f, 1.0f, 0.75f);
    return p;
}

EnVector2* Textures(uint16_t usCount) {
    auto* p = new EnVector2[usCount];
    for (uint16_t i = 0; i < usCount; i++) p[i] = EnVector2(0.25f * i, 1.0f - 0.25f * i);
    return p;
}

// One scene with an object of every geometry, effect and skinning class.
EnPointer<EnNode> MakeEverything() {
    EnPointer<EnNode> spRoot = new EnNode;
    spRoot->SetName("everything");

    EnPointer<EnTriShapeData> spShared =
        new EnTriShapeData(5, Points(5, 0), Normals(5), Colors(5), Textures(5), 3,
                           NewArray<uint16_t>({0, 1, 2, 2, 1, 3, 2, 3, 4}));
    spShared->CreateTextures(false, 1);
    auto* pGroups = new EnTriShapeData::SharedNormalGroup[5];
    pGroups[1].Set(1, NewArray<uint16_t>({3}));
    pGroups[3].Set(1, NewArray<uint16_t>({1}));
    spShared->SetSharedNormalGroups(5, pGroups);
    EnPointer<EnTriShape> spShape = new EnTriShape(spShared);
    spShape->SetName("shape");
    spRoot->AddChild(spShape);
    spRoot->AddChild(static_cast<EnAVObject*>(spShape->MakeClone()));  // shares the data

    spRoot->AddChild(new EnTriShape(
        new EnTriShapeDynamicData(6, Points(6, 1), nullptr, nullptr, nullptr, 4,
                                  NewArray<uint16_t>({0, 1, 2, 1, 2, 3, 2, 3, 4, 3, 4, 5}), 5, 2)));
    spRoot->AddChild(new EnTriStrips(new EnTriStripsData(
        6, Points(6, 2), Normals(6), nullptr, nullptr, 3, 2, NewArray<uint16_t>({4, 3}),
        NewArray<uint16_t>({0, 1, 2, 3, 3, 4, 5}))));
    EnPointer<EnTriStrip> spStrip = new EnTriStrip(Points(6, 3), nullptr, Colors(6), nullptr, 4);
    spStrip->GetStripData()->SetActiveTriangleCount(3);
    spRoot->AddChild(spStrip);
    spRoot->AddChild(
        new EnTriangles(new EnTrianglesData(6, Points(6, 4), nullptr, nullptr, Textures(6), 2)));
    spRoot->AddChild(new EnLines(5, Points(5, 5), Colors(5), nullptr, nullptr));
    EnPointer<EnParticles> spParticles = new EnParticles(4, Points(4, 6), nullptr, Colors(4));
    spParticles->GetParticlesData()->SetRadius(0.25f);
    spParticles->GetParticlesData()->SetActiveCount(3);
    spParticles->GetParticlesData()->GetSizes()[2] = 3.0f;
    spRoot->AddChild(spParticles);
    spRoot->AddChild(new EnAutoNormalParticles(
        new EnAutoNormalParticlesData(3, Points(3, 7), Normals(3), nullptr)));
    spRoot->AddChild(new EnEnvMappedTriShape(new EnEnvMappedTriShapeData(
        3, Points(3, 8), Normals(3), nullptr, Textures(3), 1, NewArray<uint16_t>({0, 1, 2}))));

    // Effects, each lighting a different set of nodes.
    EnPointer<EnNode> spLit = new EnNode;
    spRoot->AddChild(spLit);
    EnPointer<EnAmbientLight> spAmbient = new EnAmbientLight;
    spAmbient->SetAmbientColor(EnColorRGB(0.2f, 0.2f, 0.3f));
    EnPointer<EnDirectionalLight> spSun = new EnDirectionalLight;
    spSun->SetDimmer(0.75f);
    EnPointer<EnPointLight> spLamp = new EnPointLight;
    spLamp->SetLinearAttenuation(0.5f);
    EnPointer<EnSpotLight> spSpot = new EnSpotLight;
    spSpot->SetSpotAngle(0.6f);
    spSpot->SetSpotExponent(2.0f);
    EnPointer<EnTextureEffect> spProjector = new EnTextureEffect;
    spProjector->SetTextureMode(EnTextureEffect::PROJECTED_SHADOW);
    spProjector->SetClippingPlaneEnable(true);
    spProjector->SetModelClippingPlane(EnPlaneEquation(EnVector3(0, 0, 1), 2.0f));
    spProjector->SetK(-20);
    for (EnDynamicEffect* pEffect :
         {(EnDynamicEffect*)spAmbient.Get(), (EnDynamicEffect*)spSun.Get(),
          (EnDynamicEffect*)spLamp.Get(), (EnDynamicEffect*)spSpot.Get(),
          (EnDynamicEffect*)spProjector.Get()}) {
        spLit->AddChild(pEffect);
        spRoot->AttachEffect(pEffect);
    }
    spLit->AttachEffect(spSpot);
    spLit->AttachEffect(spProjector);

    // A skinned mesh on a two-bone leg.
    EnPointer<EnBone> spHip = new EnBone, spKnee = new EnBone;
    spHip->AddChild(spKnee);
    spKnee->SetLocalTranslate(EnVector3(0, -1, 0));
    spRoot->AddChild(spHip);
    EnPointer<EnTriShape> spSkinned = new EnTriShape(4, Points(4, 9), Normals(4), nullptr, nullptr,
                                                     2, NewArray<uint16_t>({0, 1, 2, 1, 3, 2}));
    spRoot->AddChild(spSkinned);
    EnPointer<EnTriShapeSkinController> spSkin = new EnTriShapeSkinController;
    spSkin->SetBoneCount(2);
    const EnSkinController::VertexData akHip[] = {{0, 0, 0, 1}, {1, 0, 0, 0.5f}};
    const uint16_t ausHip[] = {0, 1};
    const EnSkinController::VertexData akKnee[] = {{1, 0, 0, 0.5f}, {0, 1, 0, 1}, {1, 1, 0, 1}};
    const uint16_t ausKnee[] = {1, 2, 3};
    spSkin->SetBoneData(0, spHip, 2, akHip, ausHip);
    spSkin->SetBoneData(1, spKnee, 3, akKnee, ausKnee);
    spSkin->SetTarget(spSkinned);
    return spRoot;
}

}  // namespace

TEST(GeometryScene, EveryClassRoundTripsByteForByte) {
    EnPointer<EnNode> spScene = MakeEverything();
    LoadedScene kScene = RoundTripScene({spScene});
    auto* pRoot = kScene.Get<EnNode>(0);
    ASSERT_NE(pRoot, nullptr);
    EXPECT_STREQ(pRoot->GetName(), "everything");
    // The shape and its clone share one data object in the file as well.
    auto* pShape = EnDynamicCast(EnTriShape, pRoot->GetAt(0));
    auto* pCopy = EnDynamicCast(EnTriShape, pRoot->GetAt(1));
    ASSERT_TRUE(pShape && pCopy);
    EXPECT_EQ(pShape->GetGeometryData(), pCopy->GetGeometryData());
    EXPECT_EQ(pShape->GetShapeData()->GetSharedNormalGroupCount(), 5);
    // Every effect came back attached to the same number of nodes.
    auto* pLit = EnDynamicCast(EnNode, pRoot->GetAt(10));
    ASSERT_NE(pLit, nullptr);
    EXPECT_EQ(pLit->GetEffectList().ItemsInList(), 2u);
    EXPECT_EQ(pRoot->GetEffectList().ItemsInList(), 5u);

    // And a second round trip of what was loaded is just as stable.
    RoundTripScene({pRoot});
}

TEST(GeometryScene, AClonedSceneEqualsItsSource) {
    EnPointer<EnNode> spScene = MakeEverything();
    // Copies keep their names only in name mode 1.
    const uint32_t uiMode = EnObject::GetCloneNameMode();
    EnObject::SetCloneNameMode(1);
    EnPointer<EnObject> spCopy = spScene->MakeClone();
    EnObject::SetCloneNameMode(uiMode);
    EXPECT_TRUE(spScene->EqualsObject(spCopy));
}

TEST(GeometryScene, TheLoadedSceneUpdatesAndDraws) {
    LoadedScene kScene = LoadSceneBytes(SaveSceneBytes({MakeEverything()}));
    auto* pRoot = kScene.Get<EnNode>(0);
    ASSERT_NE(pRoot, nullptr);
    DrawStage kStage;
    kStage.spCamera->SetViewFrustum({-1.0f, 1.0f, 1.0f, -1.0f, 0.1f, 1000.0f});
    kStage.spCamera->SetLocalTranslate(EnVector3(-20, 0, 0));
    kStage.spCamera->SetScene(pRoot);
    kStage.spCamera->Update(0.0f);
    pRoot->Update(1.0f);
    pRoot->UpdateProperties();
    pRoot->UpdateEffects();
    kStage.spCamera->RenderFrame();
    // The two tri shapes, the dynamic shape, the environment map and the skinned mesh go
    // through DrawTriShape; every other kind through its own operation.
    EXPECT_EQ(kStage.spRenderer->CallsNamed("DrawTriShape").size(), 5u);
    for (const char* pcDraw : {"DrawTriStrips", "DrawTriStrip", "DrawTriangles", "DrawLines"})
        EXPECT_EQ(kStage.spRenderer->CallsNamed(pcDraw).size(), 1u) << pcDraw;
    EXPECT_EQ(kStage.spRenderer->CallsNamed("DrawParticles").size(), 2u);
    for (const RecordingRender::Call* pCall : kStage.spRenderer->GeometryDraws())
        EXPECT_NE(pCall->m_pEffectState, nullptr) << pCall->m_kName << " is lit";
}

// Counts and indices overwritten with small or huge values anywhere in a scene must give
// either a sound scene or a refused file; a scene that loads must update, draw and answer rays
// (the sanitizer build turns any stray access into a failure).
TEST(GeometryScene, DamagedScenesAreRefusedOrSafeToUse) {
    const std::string kGood = SaveSceneBytes({MakeEverything()});
    const size_t uiBody = SceneHeader().size();
    uint32_t uiLoaded = 0, uiBadRecords = 0;
    for (uint32_t uiSeed = 1; uiSeed <= 400; uiSeed++) {
        RandomSource kRandom(uiSeed);
        std::string kFile = kGood;
        for (uint32_t n = kRandom.Int(1, 3); n > 0; n--) {
            const size_t uiAt = kRandom.Int(uint32_t(uiBody), uint32_t(kFile.size() - 3));
            const uint32_t uiValue = kRandom.Int(0, 3) == 0 ? 0xFFFF : kRandom.Int(0, 70);
            kFile[uiAt] = char(uiValue & 0xFF);
            kFile[uiAt + 1] = char(uiValue >> 8);
        }
        LoadedScene kScene = LoadSceneBytes(kFile);
        if (!kScene.bLoaded) {
            EXPECT_GE(kScene.uiError, 1u) << kRandom.Seed();
            EXPECT_LE(kScene.uiError, uint32_t(EnStream::ERROR_BAD_RECORD)) << kRandom.Seed();
            if (kScene.uiError == EnStream::ERROR_BAD_RECORD) uiBadRecords++;
            continue;
        }
        uiLoaded++;
        auto* pRoot = kScene.Get<EnAVObject>(0);
        if (!pRoot) continue;
        DrawStage kStage;
        kStage.spCamera->SetViewFrustum({-1.0f, 1.0f, 1.0f, -1.0f, 0.1f, 1000.0f});
        kStage.spCamera->SetLocalTranslate(EnVector3(-20, 0, 0));
        kStage.spCamera->SetScene(pRoot);
        kStage.spCamera->Update(0.0f);
        pRoot->CreateWorldVertices();
        pRoot->Update(1.0f);
        pRoot->UpdateWorldVertices();
        pRoot->UpdateProperties();
        pRoot->UpdateEffects();
        kStage.spCamera->RenderFrame();
        EnRayQuery kQuery;
        kQuery.m_bWantNormal = kQuery.m_bWantTexture = kQuery.m_bWantColor = true;
        pRoot->FindIntersections(EnVector3(-20, 0.5f, 0), EnVector3(1, 0, 0), kQuery);
    }
    EXPECT_GT(uiLoaded, 0u);
    EXPECT_GT(uiBadRecords, 0u) << "some damage must be caught by the records' own checks";
}

struct LoaderCase {
    const char* pcClass;
    bool bAbstract;
};

TEST(GeometryScene, EveryClassIsRegisteredUnderItsName) {
    const LoaderCase kCases[] = {
        {"EnGeometry", true},
        {"EnGeometryData", true},
        {"EnTriBasedGeom", true},
        {"EnTriBasedGeomData", true},
        {"EnTriShape", false},
        {"EnTriShapeData", false},
        {"EnTriShapeDynamicData", false},
        {"EnTriStrips", false},
        {"EnTriStripsData", false},
        {"EnTriStrip", false},
        {"EnTriStripData", false},
        {"EnTriangles", false},
        {"EnTrianglesData", false},
        {"EnLines", false},
        {"EnLinesData", false},
        {"EnParticles", false},
        {"EnParticlesData", false},
        {"EnAutoNormalParticles", false},
        {"EnAutoNormalParticlesData", false},
        {"EnEnvMappedTriShape", false},
        {"EnEnvMappedTriShapeData", false},
        {"EnDynamicEffect", true},
        {"EnLight", true},
        {"EnAmbientLight", false},
        {"EnDirectionalLight", false},
        {"EnPointLight", false},
        {"EnSpotLight", false},
        {"EnTextureEffect", false},
        {"EnSkinController", true},
        {"EnTriShapeSkinController", false},
    };
    for (const LoaderCase& c : kCases) {
        EnCreateFunction pfnCreate = EnStream::FindLoader(c.pcClass);
        ASSERT_NE(pfnCreate, nullptr) << c.pcClass;
        EXPECT_EQ(pfnCreate == static_cast<EnCreateFunction>(&DoNothing), c.bAbstract) << c.pcClass;
    }
}
