#include <gtest/gtest.h>

#include <vector>

#include "engine/core/EnNode.h"
#include "engine/geometry/EnDynamicEffectState.h"
#include "engine/geometry/EnPointLight.h"
#include "engine/geometry/EnTextureEffect.h"
#include "engine/geometry/EnTriShape.h"
#include "tests/engine/geometry/GeometryTestHelpers.h"

namespace {

EnPointer<EnTextureEffect> MakeTexture(EnTextureEffect::TextureMode eMode) {
    EnPointer<EnTextureEffect> spEffect = new EnTextureEffect;
    spEffect->SetTextureMode(eMode);
    return spEffect;
}

std::vector<uint32_t> Indices(const std::vector<EnLight*>& kLights) {
    std::vector<uint32_t> k;
    for (EnLight* p : kLights) k.push_back(p->GetIndex());
    return k;
}

}  // namespace

TEST(EnDynamicEffectState, LightsAreKeptOnceInIndexOrder) {
    std::vector<EnPointer<EnPointLight>> kLights = {new EnPointLight, new EnPointLight,
                                                    new EnPointLight};
    EnPointer<EnDynamicEffectState> spState = new EnDynamicEffectState;
    spState->AddEffect(kLights[2]);
    spState->AddEffect(kLights[0]);
    spState->AddEffect(kLights[1]);
    spState->AddEffect(kLights[0]);
    spState->AddEffect(nullptr);
    EXPECT_EQ(Indices(spState->GetLights()),
              (std::vector<uint32_t>{kLights[0]->GetIndex(), kLights[1]->GetIndex(),
                                     kLights[2]->GetIndex()}));
}

TEST(EnDynamicEffectState, TextureEffectsGoByTheirMode) {
    EnPointer<EnTextureEffect> spLight = MakeTexture(EnTextureEffect::PROJECTED_LIGHT);
    EnPointer<EnTextureEffect> spShadow = MakeTexture(EnTextureEffect::PROJECTED_SHADOW);
    EnPointer<EnTextureEffect> spEnv1 = MakeTexture(EnTextureEffect::ENVIRONMENT_MAP);
    EnPointer<EnTextureEffect> spEnv2 = MakeTexture(EnTextureEffect::ENVIRONMENT_MAP);
    EnPointer<EnTextureEffect> spFog = MakeTexture(EnTextureEffect::FOG_MAP);
    EnPointer<EnTextureEffect> spOdd = MakeTexture(EnTextureEffect::TextureMode(7));
    EnPointer<EnDynamicEffectState> spState = new EnDynamicEffectState;
    for (EnTextureEffect* p :
         {spLight.Get(), spShadow.Get(), spEnv1.Get(), spEnv2.Get(), spFog.Get(), spOdd.Get()})
        spState->AddEffect(p);
    EXPECT_EQ(spState->GetProjectedLights(), std::vector<EnTextureEffect*>{spLight});
    EXPECT_EQ(spState->GetProjectedShadows(), std::vector<EnTextureEffect*>{spShadow});
    EXPECT_EQ(spState->GetEnvironmentMap(), spEnv2.Get()) << "the last one added wins";
    EXPECT_EQ(spState->GetFogMap(), spFog.Get());
    EXPECT_TRUE(spState->GetLights().empty());
}

TEST(EnDynamicEffectState, CopiesCompareEqualUntilTheyDiffer) {
    EnPointer<EnPointLight> spA = new EnPointLight, spB = new EnPointLight;
    EnPointer<EnTextureEffect> spFog = MakeTexture(EnTextureEffect::FOG_MAP);
    EnPointer<EnDynamicEffectState> spState = new EnDynamicEffectState;
    spState->AddEffect(spA);
    EnPointer<EnDynamicEffectState> spCopy = spState->Copy();
    EXPECT_EQ(spCopy->GetRefCount(), 1) << "the copy came with no reference of its own";
    EXPECT_TRUE(spCopy->Equals(spState));
    EXPECT_FALSE(spCopy->Equals(nullptr));
    spCopy->AddEffect(spB);
    EXPECT_FALSE(spCopy->Equals(spState)) << "a list that is a prefix of the other";
    EXPECT_FALSE(spState->Equals(spCopy));

    EnPointer<EnDynamicEffectState> spFogged = spState->Copy();
    spFogged->AddEffect(spFog);
    EXPECT_FALSE(spFogged->Equals(spState)) << "the same lights, different fog maps";
}

TEST(EnDynamicEffectState, TheEffectPassGivesEachObjectTheEffectsAboveIt) {
    EnPointer<EnNode> spRoot = new EnNode, spLit = new EnNode;
    EnPointer<EnPointLight> spTop = new EnPointLight, spLocal = new EnPointLight;
    auto MakeShape = [] {
        return EnPointer<EnTriShape>(new EnTriShape(3, new EnVector3[3](), nullptr, nullptr,
                                                    nullptr, 1, NewArray<uint16_t>({0, 1, 2})));
    };
    EnPointer<EnTriShape> spA = MakeShape(), spB = MakeShape(), spC = MakeShape();
    spRoot->AddChild(spA);
    spRoot->AddChild(spLit);
    spLit->AddChild(spB);
    spLit->AddChild(spC);
    spRoot->AttachEffect(spTop);
    spLit->AttachEffect(spLocal);
    spRoot->UpdateEffects();

    ASSERT_NE(spA->GetEffectState(), nullptr);
    EXPECT_EQ(spA->GetEffectState()->GetLights().size(), 1u);
    ASSERT_NE(spB->GetEffectState(), nullptr);
    EXPECT_EQ(spB->GetEffectState()->GetLights().size(), 2u);
    EXPECT_EQ(spB->GetEffectState(), spC->GetEffectState()) << "siblings share one state";
    EXPECT_EQ(EnDynamicEffectState::GetSharedState(), nullptr) << "emptied after the pass";

    // Drawing lends the object's state to the renderer.
    DrawStage kStage;
    spRoot->Update(0.0f);
    spB->PreDraw(kStage.spCamera);
    spB->Draw(kStage.spCamera);
    ASSERT_EQ(kStage.spRenderer->GeometryDraws().size(), 1u);
    EXPECT_EQ(kStage.spRenderer->GeometryDraws()[0]->m_pEffectState, spB->GetEffectState());
}
