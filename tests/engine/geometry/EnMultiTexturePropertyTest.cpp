#include "engine/geometry/EnMultiTextureProperty.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "tests/engine/core/SceneFileHelpers.h"
#include "tests/engine/geometry/TexturePropertyFixture.h"

namespace {

using EnMultiTexturePropertyTest = TexturePropertyTest;
using Map = EnMultiTextureProperty::Map;

std::string Prefix() {
    return SceneBytes().NamedHead("EnMultiTextureProperty", 1).U16(0).s;
}

// A map as a file of version 3.04 or later holds it, after its presence word.
SceneBytes& MapFields(SceneBytes& b, uint32_t uiImageID, uint32_t uiClamp, uint32_t uiFilter,
                      uint32_t uiTexCoord, bool bMipValues, int16_t sL = 0, int16_t sK = -75,
                      uint8_t uc0 = 0, uint8_t uc1 = 0) {
    b.U32(1).U32(uiImageID).U32(uiClamp).U32(uiFilter).U32(uiTexCoord);
    if (bMipValues) b.U16(uint16_t(sL)).U16(uint16_t(sK)).U8(uc0).U8(uc1);
    return b;
}

TEST_F(EnMultiTexturePropertyTest, ANewPropertyHasFiveEmptySlots) {
    EnPointer<EnMultiTextureProperty> sp(new EnMultiTextureProperty);
    EXPECT_EQ(sp->GetPropertyType(), 13);
    EXPECT_EQ(sp->GetSlotCount(), 5u);
    for (uint32_t i = 0; i < 6; i++) EXPECT_EQ(sp->GetMap(i), nullptr);
    EXPECT_EQ(FieldsAfter(SaveSceneBytes({sp}), Prefix()),
              SceneBytes().U32(5).U32(0).U32(0).U32(0).U32(0).U32(0).s);
    EXPECT_TRUE(GetDefaultMultiTextureProperty()->EqualsObject(sp));
    EXPECT_EQ(DumpLines(*sp).back(), "--- EnMultiTextureProperty ---");
}

TEST_F(EnMultiTexturePropertyTest, MapsStreamInTheCurrentFormAndShareImages) {
    EnPointer<EnImage> spImage = MakeImage();
    EnPointer<EnMultiTextureProperty> sp(new EnMultiTextureProperty);
    Map kGloss(spImage, EnTextureModeProperty::CLAMP_S_WRAP_T, EnTextureModeProperty::FILTER_BILERP,
               1);
    kGloss.m_sL = -3;
    kGloss.m_sK = 12;
    kGloss.m_ucExtra0 = 7;
    kGloss.m_ucExtra1 = 9;
    sp->SetMap(EnMultiTextureProperty::GLOSS_MAP, kGloss);
    sp->SetMap(EnMultiTextureProperty::DARK_MAP, Map(nullptr, EnTextureModeProperty::WRAP_S_WRAP_T,
                                                     EnTextureModeProperty::FILTER_NEAREST));

    SceneBytes b;
    b.U32(5);
    MapFields(b, 0, 3, 0, 0, true);
    b.U32(0);
    MapFields(b, 2, 1, 1, 1, true, -3, 12, 7, 9);  // the image is the second object saved
    b.U32(0).U32(0);
    EXPECT_EQ(FieldsAfter(SaveSceneBytes({sp}), Prefix()).substr(0, b.s.size()), b.s);

    EnPointer<EnMultiTextureProperty> spOther(new EnMultiTextureProperty);
    spOther->SetMap(EnMultiTextureProperty::GLOW_MAP, kGloss);  // the same image again
    LoadedScene kScene = RoundTripScene({sp, spOther});
    auto* pLoaded = kScene.Get<EnMultiTextureProperty>(0);
    ASSERT_NE(pLoaded, nullptr);
    ASSERT_NE(pLoaded->GetMap(2), nullptr);
    EXPECT_TRUE(*pLoaded->GetMap(2) == kGloss);
    EXPECT_EQ(pLoaded->GetMap(0)->m_spImage, nullptr);
    EXPECT_EQ(kScene.Get<EnMultiTextureProperty>(1)->GetMap(3)->m_spImage,
              pLoaded->GetMap(2)->m_spImage);
}

TEST_F(EnMultiTexturePropertyTest, FilesBefore304LackTheMipValues) {
    for (const char* pcVersion : {"3.0", "3.03", "3.04", "3.1"}) {
        const bool bMipValues = std::string(pcVersion) >= "3.04";
        SceneBytes b;
        b.s = SceneHeader(pcVersion);
        b.Top().NamedHead("EnMultiTextureProperty", 1).U16(0).U32(2).U32(0);
        MapFields(b, 0, 0, 2, 3, bMipValues, 5, 6, 7, 8);
        b.End();
        LoadedScene kScene = LoadSceneBytes(b.s);
        auto* p = kScene.Get<EnMultiTextureProperty>(0);
        ASSERT_NE(p, nullptr) << pcVersion << ": " << EnStream::GetLastErrorText();
        const Map* pMap = p->GetMap(1);
        ASSERT_NE(pMap, nullptr);
        EXPECT_EQ(pMap->m_eClamp, 0u);
        EXPECT_EQ(pMap->m_eFilter, 2u);
        EXPECT_EQ(pMap->m_uiTexCoord, 3u);
        EXPECT_EQ(pMap->m_sL, bMipValues ? 5 : 0) << pcVersion;
        EXPECT_EQ(pMap->m_sK, bMipValues ? 6 : -75) << pcVersion;
        EXPECT_EQ(pMap->m_ucExtra0, bMipValues ? 7 : 0) << pcVersion;
        EXPECT_EQ(pMap->m_ucExtra1, bMipValues ? 8 : 0) << pcVersion;
    }
}

TEST_F(EnMultiTexturePropertyTest, FewerSlotsKeepFiveAndMoreSlotsAreDecals) {
    SceneBytes b;
    b.s = SceneHeader();
    b.Top().NamedHead("EnMultiTextureProperty", 1).U16(0).U32(3).U32(0).U32(0);
    MapFields(b, 0, 3, 0, 0, true);
    b.Top().NamedHead("EnMultiTextureProperty", 2).U16(0).U32(7);
    for (int i = 0; i < 5; i++) b.U32(0);
    MapFields(b, 0, 3, 0, 0, true);
    MapFields(b, 0, 2, 1, 0, true);
    b.End();
    LoadedScene kScene = LoadSceneBytes(b.s);
    ASSERT_TRUE(kScene.bLoaded) << EnStream::GetLastErrorText();

    auto* pThree = kScene.Get<EnMultiTextureProperty>(0);
    EXPECT_EQ(pThree->GetSlotCount(), 5u);
    EXPECT_NE(pThree->GetMap(2), nullptr);
    EXPECT_EQ(FieldsAfter(SaveSceneBytes({pThree}), Prefix()).substr(0, 4), SceneBytes().U32(5).s);

    auto* pSeven = kScene.Get<EnMultiTextureProperty>(1);
    EXPECT_EQ(pSeven->GetSlotCount(), 7u);
    std::vector<std::string> kHeadings;
    for (const std::string& line : DumpLines(*pSeven))
        if (line.rfind("MultiTexture", 0) == 0) kHeadings.push_back(line);
    EXPECT_EQ(kHeadings,
              (std::vector<std::string>{"MultiTexture Decal Map 5", "MultiTexture Decal Map 6"}));
}

TEST_F(EnMultiTexturePropertyTest, DumpsEachFilledSlotUnderItsRole) {
    EnPointer<EnMultiTextureProperty> sp(new EnMultiTextureProperty);
    for (uint32_t i = 0; i < 5; i++) sp->SetMap(i, Map());
    std::vector<std::string> kLines = DumpLines(*sp);
    std::vector<std::string> kHeadings;
    for (const std::string& line : kLines)
        if (line.rfind("MultiTexture", 0) == 0) kHeadings.push_back(line);
    EXPECT_EQ(kHeadings,
              (std::vector<std::string>{"MultiTexture Dark Map 0", "MultiTexture Detail Map 1",
                                        "MultiTexture Gloss Map 2", "MultiTexture Glow Map 3",
                                        "MultiTexture Decal Map 4"}));
    const std::vector<std::string> kTail(kLines.end() - 6, kLines.end());
    EXPECT_EQ(kTail[0].rfind("m_spImage  = ", 0), 0u) << kTail[0];
    EXPECT_EQ(std::vector<std::string>(kTail.begin() + 1, kTail.end()),
              (std::vector<std::string>{"m_eClamp  = WRAP_S_WRAP_T", "m_eFilter  = FILTER_NEAREST",
                                        "m_uiTexCoord  = 0", "m_sL = 0", "m_sK = -75"}));
}

TEST_F(EnMultiTexturePropertyTest, ComparisonGoesSlotBySlot) {
    using Change = std::function<void(EnMultiTextureProperty&)>;
    struct Case {
        const char* pcWhat;
        Change change;
        bool bEqual;
    };
    auto Gloss = [](EnMultiTextureProperty& p) -> Map& { return *p.GetMap(2); };
    const Case cases[] = {
        {"nothing", [](EnMultiTextureProperty&) {}, true},
        {"another image", [&](EnMultiTextureProperty& p) { Gloss(p).m_spImage = MakeImage(9); },
         true},
        {"no image", [&](EnMultiTextureProperty& p) { Gloss(p).m_spImage = nullptr; }, false},
        {"clamp", [&](EnMultiTextureProperty& p) { Gloss(p).m_eClamp = 0; }, false},
        {"filter", [&](EnMultiTextureProperty& p) { Gloss(p).m_eFilter = 4; }, false},
        {"coordinate set", [&](EnMultiTextureProperty& p) { Gloss(p).m_uiTexCoord = 1; }, false},
        {"L", [&](EnMultiTextureProperty& p) { Gloss(p).m_sL = 1; }, false},
        {"K", [&](EnMultiTextureProperty& p) { Gloss(p).m_sK = 1; }, false},
        {"first byte", [&](EnMultiTextureProperty& p) { Gloss(p).m_ucExtra0 = 1; }, false},
        {"second byte", [&](EnMultiTextureProperty& p) { Gloss(p).m_ucExtra1 = 1; }, false},
        {"emptied slot", [](EnMultiTextureProperty& p) { p.RemoveMap(2); }, false},
        {"one more empty slot", [](EnMultiTextureProperty& p) { p.RemoveMap(5); }, true},
        {"one more filled slot", [](EnMultiTextureProperty& p) { p.SetMap(5, Map()); }, false},
        {"extra word", [](EnMultiTextureProperty& p) { p.SetExtraWord(4); }, true},
    };
    for (const Case& c : cases) {
        EnPointer<EnMultiTextureProperty> spA(new EnMultiTextureProperty);
        EnPointer<EnMultiTextureProperty> spB(new EnMultiTextureProperty);
        for (EnMultiTextureProperty* p : {spA.Get(), spB.Get()})
            p->SetMap(2, Map(MakeImage(), EnTextureModeProperty::WRAP_S_WRAP_T,
                             EnTextureModeProperty::FILTER_TRILERP));
        c.change(*spB);
        EXPECT_EQ(spA->EqualsObject(spB), c.bEqual) << c.pcWhat;
        EXPECT_EQ(spB->EqualsObject(spA), c.bEqual) << c.pcWhat;
    }
    // Same maps, different numbers of slots.
    EnPointer<EnMultiTextureProperty> spA(new EnMultiTextureProperty);
    EnPointer<EnMultiTextureProperty> spB(new EnMultiTextureProperty);
    spB->SetMap(6, Map());
    spB->RemoveMap(6);
    EXPECT_EQ(spB->GetSlotCount(), 7u);
    EXPECT_FALSE(spA->EqualsObject(spB));
}

TEST_F(EnMultiTexturePropertyTest, ClonesShareImagesButNotMaps) {
    EnPointer<EnImage> spImage = MakeImage();
    EnPointer<EnMultiTextureProperty> sp(new EnMultiTextureProperty);
    sp->SetMap(7, Map(spImage, EnTextureModeProperty::CLAMP_S_CLAMP_T,
                      EnTextureModeProperty::FILTER_BILERP));
    sp->SetExtraWord(42);
    EnPointer<EnMultiTextureProperty> spCopy(static_cast<EnMultiTextureProperty*>(sp->MakeClone()));
    ASSERT_NE(spCopy->GetMap(7), nullptr);
    EXPECT_NE(spCopy->GetMap(7), sp->GetMap(7));
    EXPECT_EQ(spCopy->GetMap(7)->m_spImage, spImage.Get());
    EXPECT_EQ(spCopy->GetSlotCount(), 8u);
    EXPECT_EQ(spCopy->GetExtraWord(), 42u);
    EXPECT_TRUE(spCopy->EqualsObject(sp));
    spCopy->GetMap(7)->m_eFilter = EnTextureModeProperty::FILTER_NEAREST;
    EXPECT_EQ(sp->GetMap(7)->m_eFilter, uint32_t(EnTextureModeProperty::FILTER_BILERP));
}

TEST_F(EnMultiTexturePropertyTest, DamagedRecordsFailTheLoad) {
    struct Case {
        const char* pcWhat;
        std::string fields;
        uint32_t uiError;
    };
    const Case cases[] = {
        {"more slots than bytes", SceneBytes().U32(0x40000000).U32(0).s, EnStream::ERROR_TRUNCATED},
        {"a map cut short", SceneBytes().U32(1).U32(1).U32(0).U32(3).s, EnStream::ERROR_TRUNCATED},
        {"an image of the wrong class",
         SceneBytes().U32(1).U32(1).U32(1).U32(3).U32(0).U32(0).U32(0).U8(0).U8(0).s,
         EnStream::ERROR_WRONG_LINK_CLASS},
    };
    for (const Case& c : cases) {
        const std::string file = SceneHeader() + Prefix() + c.fields + SceneBytes().End().s;
        LoadedScene kScene = LoadSceneBytes(SceneHeader() + SceneBytes().Top().s +
                                            file.substr(SceneHeader().size()));
        EXPECT_FALSE(kScene.bLoaded) << c.pcWhat;
        EXPECT_EQ(kScene.uiError, c.uiError) << c.pcWhat;
    }
}

}  // namespace
