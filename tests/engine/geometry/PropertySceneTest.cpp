// Scenes that use every property and extra-data class at once: they must save, load and save
// again byte for byte, load equal to what was saved, and clone equal but apart.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/core/EnAlphaProperty.h"
#include "engine/core/EnCloneExtraData.h"
#include "engine/core/EnCorrectionProperty.h"
#include "engine/core/EnDitherProperty.h"
#include "engine/core/EnFogProperty.h"
#include "engine/core/EnMaterialProperty.h"
#include "engine/core/EnNode.h"
#include "engine/core/EnShadeProperty.h"
#include "engine/core/EnSpecularProperty.h"
#include "engine/core/EnStencilProperty.h"
#include "engine/core/EnStringExtraData.h"
#include "engine/core/EnTextureModeProperty.h"
#include "engine/core/EnTimeController.h"
#include "engine/core/EnTransparentProperty.h"
#include "engine/core/EnVertWeightsExtraData.h"
#include "engine/core/EnVertexColorProperty.h"
#include "engine/core/EnWireframeProperty.h"
#include "engine/core/EnZBufferProperty.h"
#include "engine/geometry/EnMultiTextureProperty.h"
#include "engine/geometry/EnTextureProperty.h"
#include "tests/engine/core/SceneFileHelpers.h"
#include "tests/engine/geometry/TexturePropertyFixture.h"

namespace {

class SceneTestController : public EnTimeController {
    EN_DECLARE_RTTI;
    EN_DECLARE_STREAM;

public:
    EnObject* CloneObject() override {
        auto* pCopy = new SceneTestController;
        CopyMembers(pCopy);
        return pCopy;
    }
    void Update(float) override {}
    bool IsTargetTypeValid() const override { return true; }
};
EN_IMPLEMENT_RTTI(SceneTestController, EnTimeController);
EN_IMPLEMENT_STREAM(SceneTestController);

size_t Occurrences(const std::string& file, const char* pcClass) {
    const std::string needle = SceneBytes().Str(pcClass).s;
    size_t uiCount = 0;
    for (size_t i = file.find(needle); i != std::string::npos; i = file.find(needle, i + 1))
        uiCount++;
    return uiCount;
}

class PropertySceneTest : public TexturePropertyTest {
protected:
    // A root with two children: the first carries one property of every type, the second
    // shares its alpha and material; extra data and controllers hang off several objects.
    void SetUp() override {
        TexturePropertyTest::SetUp();
        m_spRoot = new EnNode;
        m_spRoot->SetName("root");
        m_spRoot->AddExtraData(new EnExtraData("\x00\xFF\x10", 3));
        const float afWeights[2] = {0.5f, 0.5f};
        m_spRoot->AddExtraData(new EnVertWeightsExtraData(2, afWeights));
        m_spRoot->AddExtraData(new EnStringExtraData("sound=engine"));

        EnPointer<EnNode> spA(new EnNode), spB(new EnNode);
        spA->SetName("A");
        spB->SetName("B");
        m_spRoot->AddChild(spA);
        m_spRoot->AddChild(spB);

        auto* pAlpha = new EnAlphaProperty;
        pAlpha->SetAlphaBlending(true);
        pAlpha->SetNoSorter(true);
        auto* pMaterial = new EnMaterialProperty;
        pMaterial->SetDiffuseColor({0.9f, 0.1f, 0.2f});
        pMaterial->AddExtraData(new EnStringExtraData("paint"));
        (new SceneTestController)->SetTarget(pMaterial);
        auto* pFog = new EnFogProperty;
        pFog->SetFog(true);
        auto* pTexture = new EnTextureProperty;
        pTexture->SetImage(MakeImage(3));
        auto* pMulti = new EnMultiTextureProperty;
        pMulti->SetMap(
            EnMultiTextureProperty::DETAIL_MAP,
            EnMultiTextureProperty::Map(pTexture->GetImage(), EnTextureModeProperty::WRAP_S_WRAP_T,
                                        EnTextureModeProperty::FILTER_TRILERP));
        pMulti->SetMap(
            6, EnMultiTextureProperty::Map(MakeImage(4), EnTextureModeProperty::CLAMP_S_CLAMP_T,
                                           EnTextureModeProperty::FILTER_BILERP, 1));
        auto* pStencil = new EnStencilProperty;
        pStencil->SetStencilOn(true);

        EnProperty* apProperties[] = {
            pAlpha,
            new EnCorrectionProperty,
            pFog,
            pMaterial,
            new EnShadeProperty,
            new EnTextureModeProperty,
            pTexture,
            new EnTransparentProperty,
            new EnWireframeProperty,
            new EnZBufferProperty,
            new EnDitherProperty,
            new EnVertexColorProperty,
            new EnSpecularProperty,
            pMulti,
            pStencil,
        };
        for (EnProperty* p : apProperties) spA->AttachProperty(p);
        spB->AttachProperty(pAlpha);
        spB->AttachProperty(pMaterial);
    }

    EnPointer<EnNode> m_spRoot;
};

TEST_F(PropertySceneTest, EveryClassRoundTripsByteForByte) {
    LoadedScene kScene = RoundTripScene({m_spRoot});
    auto* pRoot = kScene.Get<EnNode>(0);
    ASSERT_NE(pRoot, nullptr);
    auto* pA = EnDynamicCast(EnNode, pRoot->GetAt(0));
    auto* pB = EnDynamicCast(EnNode, pRoot->GetAt(1));
    ASSERT_TRUE(pA && pB);
    EXPECT_EQ(pA->GetPropertyCount(), 15u);
    for (int32_t iType = 0; iType < EnProperty::MAX_TYPES; iType++)
        EXPECT_NE(pA->GetProperty(iType), nullptr) << iType;
    // Shared properties load as one object each.
    EXPECT_EQ(pB->GetProperty(EnProperty::ALPHA), pA->GetProperty(EnProperty::ALPHA));
    EXPECT_EQ(pB->GetProperty(EnProperty::MATERIAL), pA->GetProperty(EnProperty::MATERIAL));
    auto* pMaterial = static_cast<EnMaterialProperty*>(pA->GetProperty(EnProperty::MATERIAL).Get());
    ASSERT_NE(pMaterial->GetFirstController(), nullptr);
    EXPECT_EQ(pMaterial->GetFirstController()->GetTarget(), pMaterial);
    auto* pTexture = static_cast<EnTextureProperty*>(pA->GetProperty(EnProperty::TEXTURE).Get());
    auto* pMulti =
        static_cast<EnMultiTextureProperty*>(pA->GetProperty(EnProperty::MULTI_TEXTURE).Get());
    EXPECT_EQ(pMulti->GetMap(1)->m_spImage, pTexture->GetImage());
}

TEST_F(PropertySceneTest, SharedObjectsAreWrittenOnce) {
    const std::string file = SaveSceneBytes({m_spRoot});
    EXPECT_EQ(Occurrences(file, "EnAlphaProperty"), 1u);
    EXPECT_EQ(Occurrences(file, "EnMaterialProperty"), 1u);
    EXPECT_EQ(Occurrences(file, "EnImage"), 2u);  // the texture's image is also a detail map
    EXPECT_EQ(Occurrences(file, "EnStringExtraData"), 2u);
    EXPECT_EQ(Occurrences(file, "EnCloneExtraData"), 0u);
}

TEST_F(PropertySceneTest, ALoadComparesEqualObjectByObject) {
    TempDir dir;
    const std::string path = dir.File("compare.enf");
    EnStream kStream;
    kStream.SetCompareAfterLoad(true);
    kStream.InsertObject(m_spRoot);
    ASSERT_TRUE(kStream.Save(path.c_str()));
    kStream.ReleaseTopObjects();
    ASSERT_TRUE(kStream.Load(path.c_str()));
    EXPECT_TRUE(kStream.GetCompareResult());

    // A changed value of any saved object shows up in the compare pass.
    auto* pA = static_cast<EnNode*>(m_spRoot->GetAt(0));
    kStream.InsertObject(m_spRoot);
    ASSERT_TRUE(kStream.Save(path.c_str()));
    static_cast<EnStencilProperty*>(pA->GetProperty(EnProperty::STENCIL).Get())->SetStencilMask(1);
    ASSERT_TRUE(kStream.Load(path.c_str()));
    EXPECT_FALSE(kStream.GetCompareResult());
}

TEST_F(PropertySceneTest, ACloneIsEqualButIndependent) {
    // Copies keep their sources' names (mode 0 would leave them unnamed, and so unequal).
    const uint32_t uiOldMode = EnObject::GetCloneNameMode();
    EnObject::SetCloneNameMode(1);
    EnPointer<EnNode> spCopy(static_cast<EnNode*>(m_spRoot->MakeClone()));
    EnObject::SetCloneNameMode(uiOldMode);
    ASSERT_NE(spCopy, nullptr);
    // Extra data clone in reverse order, so the copy compares equal only with a palindrome;
    // here the copy keeps the root's data in the other order.
    EXPECT_EQ(EnExtraData::GetChainLength(spCopy->GetFirstExtraData()), 3u);
    EXPECT_TRUE(EnIsKindOf(EnExtraData, spCopy->GetFirstExtraData()));
    EXPECT_FALSE(EnIsExactKindOf(EnCloneExtraData, m_spRoot->GetFirstExtraData()));
    for (uint32_t i = 0; i < 2; i++) {
        auto* pSource = static_cast<EnNode*>(m_spRoot->GetAt(i));
        auto* pCopy = static_cast<EnNode*>(spCopy->GetAt(i));
        ASSERT_NE(pCopy, nullptr);
        EXPECT_NE(pCopy, pSource);
        EXPECT_TRUE(pCopy->EqualsObject(pSource)) << i;
        // Scene objects share their properties with the copy.
        EXPECT_EQ(pCopy->GetProperty(EnProperty::ALPHA), pSource->GetProperty(EnProperty::ALPHA));
    }
    // Nothing of the clone pass is left on the source.
    const std::string file = SaveSceneBytes({m_spRoot});
    EXPECT_EQ(Occurrences(file, "EnCloneExtraData"), 0u);
    EXPECT_EQ(Occurrences(file, "EnExtraData"), 1u);

    // Properties cloned themselves are equal and apart.
    auto* pA = static_cast<EnNode*>(m_spRoot->GetAt(0));
    for (int32_t iType = 0; iType < EnProperty::MAX_TYPES; iType++) {
        EnPointer<EnProperty> spProperty = pA->GetProperty(iType);
        EnPointer<EnProperty> spClone(static_cast<EnProperty*>(spProperty->MakeClone()));
        EXPECT_NE(spClone, spProperty);
        EXPECT_TRUE(spClone->EqualsObject(spProperty)) << iType;
        EXPECT_EQ(spClone->GetPropertyType(), iType);
    }
}

}  // namespace
