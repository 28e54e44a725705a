#include <gtest/gtest.h>

#include <string>

#include "engine/core/EnStream.h"
#include "engine/geometry/EnTextureEffect.h"
#include "tests/engine/core/SceneFileHelpers.h"
#include "tests/engine/geometry/GeometryTestHelpers.h"

namespace {

// A texture-effect record in the format of the given version: the effect part and the fields
// that version holds, with recognisable values.
std::string TextureEffectFile(const char* pcVersion) {
    SceneBytes b;
    b.Top().NamedHead("EnTextureEffect", 1, "projector");
    b.U16(0x6);                                                   // flags
    b.F32(0).F32(0).F32(0);                                       // translation
    for (int i = 0; i < 9; i++) b.F32(i % 4 == 0 ? 1.0f : 0.0f);  // rotation
    b.F32(1).F32(0).F32(0).F32(0);                                // scale, velocity
    b.U32(0).U32(0);                                     // no properties, no collision volume
    b.U32(0);                                            // no affected nodes
    for (int i = 0; i < 9; i++) b.F32(float(i) * 0.5f);  // model projection
    b.F32(1).F32(2).F32(3);
    b.U32(2).U32(1).U32(3).U32(1);  // filter, clamp, mode, coordinates
    const std::string kVersion = pcVersion;
    if (kVersion >= "3.03") b.U32(0).U8(1).F32(0).F32(1).F32(0).F32(4);
    if (kVersion >= "3.04") b.U16(7).U16(uint16_t(-9)).U8(1).U8(2);
    return SceneHeader(pcVersion) + b.End().s;
}

}  // namespace

TEST(EnTextureEffect, SphereMapsProjectFromTheWorldRotationAlone) {
    EnPointer<EnTextureEffect> spEffect = new EnTextureEffect;
    spEffect->SetCoordMode(EnTextureEffect::SPHERE_MAP);
    EnMatrix3 kAny(2, 0, 0, 0, 3, 0, 1, 1, 1);
    spEffect->SetModelProjectionMatrix(kAny);
    spEffect->Update(0.0f);
    EXPECT_TRUE(spEffect->GetWorldProjectionMatrix() ==
                EnMatrix3(0, 0, 0.5f, 0, -0.5f, 0, 0, 0, 0));
    EXPECT_EQ(spEffect->GetWorldProjectionTranslation(), EnVector3(0.5f, 0.5f, 0));
}

TEST(EnTextureEffect, WorldProjectionMapsWorldPointsAsTheirModelPoints) {
    EnPointer<EnTextureEffect> spEffect = new EnTextureEffect;
    spEffect->SetLocalScale(2.0f);
    spEffect->SetLocalTranslate(EnVector3(4, 0, 0));
    spEffect->Update(0.0f);
    const EnVector3 kMapped = spEffect->GetWorldProjectionMatrix() * EnVector3(6, 0, 0) +
                              spEffect->GetWorldProjectionTranslation();
    EXPECT_TRUE(NearVector(kMapped, EnVector3(1, 0, 0), 1e-6f));

    // Under any placement, a world point maps as its model point does.
    RandomSource kRandom(7);
    EnMatrix3 kProj(kRandom.Float(-1, 1), kRandom.Float(-1, 1), kRandom.Float(-1, 1),
                    kRandom.Float(-1, 1), kRandom.Float(-1, 1), kRandom.Float(-1, 1),
                    kRandom.Float(-1, 1), kRandom.Float(-1, 1), kRandom.Float(-1, 1));
    spEffect->SetModelProjectionMatrix(kProj);
    spEffect->SetModelProjectionTranslation(EnVector3(0.5f, -0.5f, 2.0f));
    EnMatrix3 kRotate;
    kRotate.MakeRotation(0.9f, EnVector3(0.48f, 0.6f, 0.64f));
    spEffect->SetLocalRotate(kRotate);
    spEffect->SetLocalScale(1.5f);
    spEffect->SetLocalTranslate(EnVector3(-3, 2, 7));
    spEffect->Update(0.0f);
    for (int i = 0; i < 10; i++) {
        const EnVector3 kModel = kRandom.Vector(5.0f);
        const EnVector3 kWorld = kRotate * (1.5f * kModel) + EnVector3(-3, 2, 7);
        const EnVector3 kFromWorld = spEffect->GetWorldProjectionMatrix() * kWorld +
                                     spEffect->GetWorldProjectionTranslation();
        const EnVector3 kFromModel = kProj * kModel + EnVector3(0.5f, -0.5f, 2.0f);
        EXPECT_TRUE(NearVector(kFromWorld, kFromModel, 1e-4f)) << kRandom.Seed();
    }
}

TEST(EnTextureEffect, TheClippingPlaneMovesWithTheEffect) {
    EnPointer<EnTextureEffect> spEffect = new EnTextureEffect;
    spEffect->SetModelClippingPlane(EnPlaneEquation(EnVector3(0, 0, 1), 1.0f));
    spEffect->SetLocalScale(2.0f);
    spEffect->SetLocalTranslate(EnVector3(0, 0, 3));
    const uint32_t uiRevision = spEffect->GetRevision();
    spEffect->Update(0.0f);
    EXPECT_EQ(spEffect->GetWorldClippingPlane().m_normal, EnVector3(0, 0, 1));
    EXPECT_EQ(spEffect->GetWorldClippingPlane().m_fConstant, 5.0f);
    EXPECT_EQ(spEffect->GetRevision(), uiRevision + 1);
}

struct VersionCase {
    const char* pcVersion;
    bool bPlane;
    int16_t sK;
    uint8_t ucOption1;
};

TEST(EnTextureEffect, OlderFilesLackThePlaneAndTheRendererFields) {
    const VersionCase kCases[] = {
        {"3.02", false, -75, 0},
        {"3.03", true, -75, 0},
        {"3.04", true, -9, 2},
        {"3.1", true, -9, 2},
    };
    for (const VersionCase& c : kCases) {
        LoadedScene kScene = LoadSceneBytes(TextureEffectFile(c.pcVersion));
        ASSERT_TRUE(kScene.bLoaded) << c.pcVersion << ": " << EnStream::GetLastErrorText();
        auto* pEffect = kScene.Get<EnTextureEffect>(0);
        ASSERT_NE(pEffect, nullptr) << c.pcVersion;
        EXPECT_EQ(pEffect->GetImage(), nullptr);
        EXPECT_EQ(pEffect->GetClippingPlaneEnable(), c.bPlane) << c.pcVersion;
        EXPECT_EQ(pEffect->GetModelClippingPlane().m_normal,
                  c.bPlane ? EnVector3(0, 1, 0) : EnVector3(1, 0, 0))
            << c.pcVersion;
        EXPECT_EQ(pEffect->GetK(), c.sK) << c.pcVersion;
        EXPECT_EQ(pEffect->GetOption(1), c.ucOption1) << c.pcVersion;
        EXPECT_EQ(pEffect->GetTextureMode(), EnTextureEffect::FOG_MAP);
        EXPECT_EQ(pEffect->GetTextureClamp(), EnTextureEffect::CLAMP_S_WRAP_T);
        EXPECT_EQ(pEffect->GetModelProjectionTranslation(), EnVector3(1, 2, 3));
        // Whatever version it came from, it saves in the current format and comes back whole.
        RoundTripScene({pEffect});
    }
}

TEST(EnTextureEffect, EqualityIgnoresTheImageAndTheWorldMembers) {
    EnPointer<EnTextureEffect> spA = new EnTextureEffect, spB = new EnTextureEffect;
    spA->SetLocalTranslate(EnVector3(0, 0, 0));
    spA->SetL(3);
    spB->SetL(3);
    spB->Update(0.0f);
    EXPECT_TRUE(spA->EqualsObject(spB));
    spB->SetOption(0, 1);
    EXPECT_FALSE(spA->EqualsObject(spB));
}

TEST(EnTextureEffect, ClonesCopyEveryStoredMember) {
    EnPointer<EnTextureEffect> spEffect = new EnTextureEffect;
    spEffect->SetTextureMode(EnTextureEffect::ENVIRONMENT_MAP);
    spEffect->SetTextureFilter(EnTextureEffect::FILTER_TRILERP);
    spEffect->SetClippingPlaneEnable(true);
    spEffect->SetModelClippingPlane(EnPlaneEquation(EnVector3(0, 1, 0), 2.0f));
    spEffect->SetK(12);
    spEffect->SetOption(1, 9);
    EnPointer<EnObject> spCopy = spEffect->MakeClone();
    EXPECT_TRUE(spEffect->EqualsObject(spCopy));
}
