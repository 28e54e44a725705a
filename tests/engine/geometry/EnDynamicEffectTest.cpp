#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/core/EnCloneExtraData.h"
#include "engine/core/EnMath.h"
#include "engine/core/EnNode.h"
#include "engine/geometry/EnAmbientLight.h"
#include "engine/geometry/EnDirectionalLight.h"
#include "engine/geometry/EnPointLight.h"
#include "engine/geometry/EnSpotLight.h"
#include "engine/geometry/EnTextureEffect.h"
#include "engine/geometry/EnTriShape.h"
#include "tests/engine/core/SceneFileHelpers.h"
#include "tests/engine/geometry/GeometryTestHelpers.h"

namespace {

bool Lists(const EnNode& kNode, EnDynamicEffect* pEffect) {
    return kNode.HasEffect(pEffect);
}

uint32_t CloneMarkers(const EnObjectNET& kObject) {
    uint32_t uiCount = 0;
    for (EnExtraData* p = kObject.GetFirstExtraData(); p; p = p->GetNext())
        if (EnIsExactKindOf(EnCloneExtraData, p)) uiCount++;
    return uiCount;
}

}  // namespace

TEST(EnDynamicEffect, AttachingTwiceLeavesOneEntryOnEachSide) {
    EnPointer<EnPointLight> spLight = new EnPointLight;
    EnPointer<EnNode> spNode = new EnNode;
    spLight->AttachAffectedNode(spNode);
    spLight->AttachAffectedNode(spNode);
    spNode->AttachEffect(spLight);
    EXPECT_EQ(spLight->GetAffectedNodeCount(), 1u);
    EXPECT_EQ(spNode->GetEffectList().ItemsInList(), 1u);
}

TEST(EnDynamicEffect, DetachingANodeItDoesNotAffectChangesNothing) {
    EnPointer<EnPointLight> spLight = new EnPointLight;
    EnPointer<EnNode> spA = new EnNode, spB = new EnNode;
    spA->AttachEffect(spLight);
    spLight->DetachAffectedNode(spB);
    EXPECT_EQ(spLight->GetAffectedNodeCount(), 1u);
    EXPECT_TRUE(Lists(*spA, spLight));
    spLight->DetachAffectedNode(spA);
    EXPECT_EQ(spLight->GetAffectedNodeCount(), 0u);
    EXPECT_FALSE(Lists(*spA, spLight));
}

TEST(EnDynamicEffect, ADestroyedLightLeavesEveryNodeItAffectedAndTellsTheRenderers) {
    EnPointer<RecordingRender> spRenderer = new RecordingRender;
    std::vector<EnPointer<EnNode>> kNodes = {new EnNode, new EnNode, new EnNode};
    std::vector<EnPointer<EnDynamicEffect>> kEffects = {new EnAmbientLight, new EnDirectionalLight,
                                                        new EnPointLight, new EnSpotLight,
                                                        new EnTextureEffect};
    for (EnPointer<EnDynamicEffect>& spEffect : kEffects) {
        EnDynamicEffect* pEffect = spEffect;
        const std::string kClass = pEffect->GetClassName();
        for (auto& spNode : kNodes) pEffect->AttachAffectedNode(spNode);
        spRenderer->m_kDestroyedNotices.clear();
        spEffect = nullptr;
        EXPECT_EQ(spRenderer->m_kDestroyedNotices, std::vector<std::string>{"effect"})
            << kClass << ": told once, whatever the number of light levels";
        for (auto& spNode : kNodes) EXPECT_FALSE(spNode->HasEffect(pEffect)) << kClass;
    }
}

TEST(EnDynamicEffect, AClonedLightIsNewOnAndAffectsNothing) {
    EnPointer<EnSpotLight> spLight = new EnSpotLight;
    EnPointer<EnNode> spNode = new EnNode;
    spNode->AttachEffect(spLight);
    spLight->SetSwitch(false);
    spLight->SetSpotAngle(0.5f);
    spLight->SetConstantAttenuation(2.0f);
    spLight->SetDiffuseColor(EnColorRGB(0.5f, 0.25f, 1.0f));

    EnPointer<EnObject> spFirst = spLight->CloneObject();
    EnPointer<EnObject> spSecond = spLight->CloneObject();
    EXPECT_EQ(CloneMarkers(*spLight), 1u) << "one mark, even for two clones before the clean-up";
    spLight->CloneCleanup();
    EXPECT_EQ(CloneMarkers(*spLight), 0u);

    auto* pCopy = EnDynamicCast(EnSpotLight, spFirst.Get());
    ASSERT_NE(pCopy, nullptr);
    EXPECT_NE(pCopy->GetIndex(), spLight->GetIndex());
    EXPECT_TRUE(pCopy->GetSwitch());
    EXPECT_EQ(pCopy->GetAffectedNodeCount(), 0u);
    EXPECT_EQ(pCopy->GetSpotAngle(), 0.5f);
    EXPECT_EQ(pCopy->GetConstantAttenuation(), 2.0f);
    EXPECT_EQ(pCopy->GetDiffuseColor(), EnColorRGB(0.5f, 0.25f, 1.0f));
    EXPECT_EQ(pCopy->GetRevision(), spLight->GetRevision());
}

TEST(EnDynamicEffect, ClonedSubtreesUseTheCopyOfAnEffectInsideAndShareOneOutside) {
    EnPointer<EnNode> spRoot = new EnNode;
    EnPointer<EnNode> spLit = new EnNode;
    EnPointer<EnPointLight> spInside = new EnPointLight;
    EnPointer<EnPointLight> spOutside = new EnPointLight;
    spRoot->AddChild(spLit);
    spRoot->AddChild(spInside);
    spLit->AttachEffect(spInside);
    spLit->AttachEffect(spOutside);

    EnPointer<EnObject> spCopy = spRoot->MakeClone();
    auto* pRootCopy = EnDynamicCast(EnNode, spCopy.Get());
    ASSERT_NE(pRootCopy, nullptr);
    auto* pLitCopy = EnDynamicCast(EnNode, pRootCopy->GetAt(0));
    auto* pInsideCopy = EnDynamicCast(EnPointLight, pRootCopy->GetAt(1));
    ASSERT_TRUE(pLitCopy && pInsideCopy);
    EXPECT_TRUE(pLitCopy->HasEffect(pInsideCopy));
    EXPECT_FALSE(pLitCopy->HasEffect(spInside));
    EXPECT_TRUE(pLitCopy->HasEffect(spOutside));
    EXPECT_EQ(spOutside->GetAffectedNodeCount(), 2u);
    EXPECT_EQ(CloneMarkers(*spInside), 0u);
}

TEST(EnDynamicEffect, DirectionalAndSpotLightsFollowTheirWorldXAxis) {
    EnMatrix3 kRotate;
    kRotate.MakeYRotation(EN_HALF_PI);  // turns +x onto +z
    for (EnPointer<EnLight> spLight :
         {EnPointer<EnLight>(new EnDirectionalLight), EnPointer<EnLight>(new EnSpotLight)}) {
        spLight->SetLocalRotate(kRotate);
        const uint32_t uiRevision = spLight->GetRevision();
        spLight->Update(0.0f);
        const EnVector3 kDir =
            EnIsKindOf(EnSpotLight, spLight.Get())
                ? static_cast<EnSpotLight*>(spLight.Get())->GetWorldDirection()
                : static_cast<EnDirectionalLight*>(spLight.Get())->GetWorldDirection();
        EXPECT_TRUE(NearVector(kDir, EnVector3(0, 0, 1), 1e-6f)) << spLight->GetClassName();
        EXPECT_EQ(spLight->GetRevision(),
                  uiRevision + (EnIsKindOf(EnSpotLight, spLight.Get()) ? 2u : 1u));
    }
    EnPointer<EnAmbientLight> spAmbient = new EnAmbientLight;
    const uint32_t uiRevision = spAmbient->GetRevision();
    spAmbient->Update(0.0f);
    EXPECT_EQ(spAmbient->GetRevision(), uiRevision) << "an ambient light has no placement";
}

TEST(EnDynamicEffect, LightsDifferingOnlyInTheirNodesAreEqual) {
    EnPointer<EnPointLight> spA = new EnPointLight, spB = new EnPointLight;
    EnPointer<EnNode> spN1 = new EnNode, spN2 = new EnNode;
    spA->AttachAffectedNode(spN1);
    spB->AttachAffectedNode(spN2);
    EXPECT_TRUE(spA->EqualsObject(spB));
    spB->AttachAffectedNode(spN1);
    EXPECT_FALSE(spA->EqualsObject(spB)) << "the number of nodes counts";
    spA->AttachAffectedNode(spN2);
    spA->SetQuadraticAttenuation(0.5f);
    EXPECT_FALSE(spA->EqualsObject(spB));
}

// A lit scene saves, loads and saves again byte for byte; the affected nodes come back in
// their saved order although the nodes re-attach themselves in file order.
TEST(EnDynamicEffect, LitScenesRoundTripWithTheirAffectedNodesInOrder) {
    EnPointer<EnNode> spRoot = new EnNode;
    std::vector<EnPointer<EnNode>> kNodes = {new EnNode, new EnNode, new EnNode};
    for (auto& spNode : kNodes) spRoot->AddChild(spNode);
    std::vector<EnPointer<EnDynamicEffect>> kEffects = {new EnAmbientLight, new EnDirectionalLight,
                                                        new EnPointLight, new EnSpotLight};
    for (auto& spEffect : kEffects) spRoot->AddChild(spEffect);
    // Attached out of the nodes' file order.
    for (auto& spEffect : kEffects) {
        spEffect->AttachAffectedNode(kNodes[1]);
        spEffect->AttachAffectedNode(kNodes[2]);
        spEffect->AttachAffectedNode(kNodes[0]);
    }
    auto* pSpot = static_cast<EnSpotLight*>(kEffects[3].Get());
    pSpot->SetSpotExponent(3.0f);
    pSpot->SetDimmer(0.5f);
    pSpot->SetName("spot");

    LoadedScene kScene = RoundTripScene({spRoot});
    auto* pRoot = kScene.Get<EnNode>(0);
    ASSERT_NE(pRoot, nullptr);
    auto* pLoadedSpot = EnDynamicCast(EnSpotLight, pRoot->GetAt(6));
    ASSERT_NE(pLoadedSpot, nullptr);
    EXPECT_EQ(pLoadedSpot->GetSpotExponent(), 3.0f);
    std::vector<EnNode*> kOrder;
    for (EnTListIterator pos = pLoadedSpot->GetAffectedNodeList().GetHeadPos(); pos;)
        kOrder.push_back(pLoadedSpot->GetAffectedNodeList().GetNext(pos));
    const std::vector<EnNode*> kExpected = {EnDynamicCast(EnNode, pRoot->GetAt(0)),
                                            EnDynamicCast(EnNode, pRoot->GetAt(2)),
                                            EnDynamicCast(EnNode, pRoot->GetAt(1))};
    EXPECT_EQ(kOrder, kExpected);
}

TEST(EnDynamicEffect, DumpsListEachAffectedNode) {
    EnPointer<EnPointLight> spLight = new EnPointLight;
    EnPointer<EnNode> spA = new EnNode, spB = new EnNode;
    spLight->AttachAffectedNode(spA);
    spLight->AttachAffectedNode(spB);
    const std::vector<std::string> kLines = DumpLines(*spLight);
    auto Has = [&](const std::string& k) {
        for (const std::string& s : kLines)
            if (s.rfind(k, 0) == 0) return true;
        return false;
    };
    EXPECT_TRUE(Has("--- EnDynamicEffect ---"));
    EXPECT_TRUE(Has("node[0] = "));
    EXPECT_TRUE(Has("node[1] = "));
    EXPECT_TRUE(Has("m_fAtten2 = 0.000000e+00"));
    EXPECT_TRUE(Has("m_fDimmer = 1.000000e+00"));
}
