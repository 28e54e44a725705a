#include "engine/core/EnProperty.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "engine/core/EnAlphaProperty.h"
#include "engine/core/EnCorrectionProperty.h"
#include "engine/core/EnDitherProperty.h"
#include "engine/core/EnFogProperty.h"
#include "engine/core/EnMaterialProperty.h"
#include "engine/core/EnShadeProperty.h"
#include "engine/core/EnSpecularProperty.h"
#include "engine/core/EnStencilProperty.h"
#include "engine/core/EnTextureModeProperty.h"
#include "engine/core/EnTimeController.h"
#include "engine/core/EnTransparentProperty.h"
#include "engine/core/EnVertexColorProperty.h"
#include "engine/core/EnWireframeProperty.h"
#include "engine/core/EnZBufferProperty.h"
#include "tests/engine/core/SceneFileHelpers.h"

namespace {

using Make = std::function<EnProperty*()>;

template <class T>
Make Maker() {
    return [] { return new T; };
}

// The record of a property up to and including its flags word.
std::string Prefix(const char* pcClass, uint16_t usFlags) {
    return SceneBytes().NamedHead(pcClass, 1).U16(usFlags).s;
}

struct DefaultCase {
    const char* pcClass;
    Make make;
    int32_t iType;
    uint16_t usFlags;
    std::string fields;  // what a new property writes after its flags word
    std::function<EnPointer<EnProperty>()> getDefault;
};

std::vector<DefaultCase> DefaultCases() {
    return {
        {"EnAlphaProperty", Maker<EnAlphaProperty>(), 0, 0x00EC, SceneBytes().U8(0).s,
         [] { return EnPointer<EnProperty>(GetDefaultAlphaProperty()); }},
        {"EnCorrectionProperty", Maker<EnCorrectionProperty>(), 1, 0x0001, "",
         [] { return EnPointer<EnProperty>(GetDefaultCorrectionProperty()); }},
        {"EnFogProperty", Maker<EnFogProperty>(), 2, 0x0000,
         SceneBytes().F32(1.0f).F32(0).F32(0).F32(0).s,
         [] { return EnPointer<EnProperty>(GetDefaultFogProperty()); }},
        {"EnMaterialProperty", Maker<EnMaterialProperty>(), 3, 0x0001,
         SceneBytes()
             .F32(0.5f)
             .F32(0.5f)
             .F32(0.5f)
             .F32(0.5f)
             .F32(0.5f)
             .F32(0.5f)
             .F32(0)
             .F32(0)
             .F32(0)
             .F32(0)
             .F32(0)
             .F32(0)
             .F32(4.0f)
             .F32(1.0f)
             .s,
         [] { return EnPointer<EnProperty>(GetDefaultMaterialProperty()); }},
        {"EnShadeProperty", Maker<EnShadeProperty>(), 4, 0x0001, "",
         [] { return EnPointer<EnProperty>(GetDefaultShadeProperty()); }},
        {"EnTextureModeProperty", Maker<EnTextureModeProperty>(), 5, 0x00C2,
         SceneBytes().U16(0).U16(uint16_t(-75)).s,
         [] { return EnPointer<EnProperty>(GetDefaultTextureModeProperty()); }},
        {"EnTransparentProperty", Maker<EnTransparentProperty>(), 7, 0x0000, SceneBytes().U32(0).s,
         [] { return EnPointer<EnProperty>(GetDefaultTransparentProperty()); }},
        {"EnWireframeProperty", Maker<EnWireframeProperty>(), 8, 0x0000, "",
         [] { return EnPointer<EnProperty>(GetDefaultWireframeProperty()); }},
        {"EnZBufferProperty", Maker<EnZBufferProperty>(), 9, 0x0000, "",
         [] { return EnPointer<EnProperty>(GetDefaultZBufferProperty()); }},
        {"EnDitherProperty", Maker<EnDitherProperty>(), 10, 0x0000, "",
         [] { return EnPointer<EnProperty>(GetDefaultDitherProperty()); }},
        {"EnVertexColorProperty", Maker<EnVertexColorProperty>(), 11, 0x0000,
         SceneBytes().U32(0).U32(1).s,
         [] { return EnPointer<EnProperty>(GetDefaultVertexColorProperty()); }},
        {"EnSpecularProperty", Maker<EnSpecularProperty>(), 12, 0x0000, "",
         [] { return EnPointer<EnProperty>(GetDefaultSpecularProperty()); }},
        {"EnStencilProperty", Maker<EnStencilProperty>(), 14, 0x0000,
         SceneBytes().U8(0).U32(4).U32(0).U32(0xFFFFFFFF).U32(0).U32(0).U32(3).s,
         [] { return EnPointer<EnProperty>(GetDefaultStencilProperty()); }},
    };
}

TEST(EnProperty, NewPropertiesHaveTheirClassDefaultsAndStreamThem) {
    for (const DefaultCase& c : DefaultCases()) {
        EnPointer<EnProperty> sp(c.make());
        EXPECT_STREQ(sp->GetClassName(), c.pcClass);
        EXPECT_TRUE(EnIsKindOf(EnProperty, sp.Get()));
        EXPECT_EQ(sp->GetTypeRecord()->GetBaseType(), &EnProperty::ms_RTTI) << c.pcClass;
        EXPECT_EQ(sp->GetPropertyType(), c.iType) << c.pcClass;
        EXPECT_EQ(sp->GetFlags(), c.usFlags) << c.pcClass;
        const std::string file = SaveSceneBytes({sp});
        EXPECT_EQ(FieldsAfter(file, Prefix(c.pcClass, c.usFlags)), c.fields) << c.pcClass;

        EnPointer<EnProperty> spDefault = c.getDefault();
        ASSERT_NE(spDefault, nullptr) << c.pcClass;
        EXPECT_EQ(EnProperty::GetDefault(c.iType), spDefault.Get()) << c.pcClass;
        EXPECT_EQ(c.getDefault(), spDefault) << "one shared instance";
        EXPECT_TRUE(spDefault->EqualsObject(sp)) << c.pcClass;
        EXPECT_EQ(spDefault->GetName(), nullptr);
        EXPECT_EQ(spDefault->GetFirstExtraData(), nullptr);
        EXPECT_EQ(spDefault->GetFirstController(), nullptr);
    }
    EXPECT_EQ(EnProperty::GetDefault(-1), nullptr);
    EXPECT_EQ(EnProperty::GetDefault(EnProperty::MAX_TYPES), nullptr);
}

TEST(EnProperty, EveryClassRoundTripsWithChangedValues) {
    EnPointer<EnAlphaProperty> spAlpha(new EnAlphaProperty);
    spAlpha->SetAlphaBlending(true);
    spAlpha->SetTestMode(EnAlphaProperty::TEST_GREATER);
    spAlpha->SetAlphaTestRef(200);
    EnPointer<EnFogProperty> spFog(new EnFogProperty);
    spFog->SetFog(true);
    spFog->SetFogFunction(EnFogProperty::FOG_RANGE_SQ);
    spFog->SetDepth(0.25f);
    spFog->SetFogColor({0.1f, 0.2f, 0.3f});
    EnPointer<EnMaterialProperty> spMaterial(new EnMaterialProperty);
    spMaterial->SetEmittance({1, 0.5f, 0});
    spMaterial->SetShineness(12.0f);
    spMaterial->SetAlpha(0.5f);
    EnPointer<EnTextureModeProperty> spMode(new EnTextureModeProperty);
    spMode->SetApplyMode(EnTextureModeProperty::APPLY_DECAL);
    spMode->SetFilterMode(EnTextureModeProperty::FILTER_TRILERP);
    spMode->SetClampMode(EnTextureModeProperty::CLAMP_S_WRAP_T);
    spMode->SetLValue(-2);
    spMode->SetKValue(33);
    EnPointer<EnTransparentProperty> spTransparent(new EnTransparentProperty);
    spTransparent->SetTransparent(true);
    spTransparent->SetColor(0xFF00FF);
    EnPointer<EnVertexColorProperty> spVertex(new EnVertexColorProperty);
    spVertex->SetSourceMode(EnVertexColorProperty::SOURCE_AMB_DIFF);
    spVertex->SetLightingMode(EnVertexColorProperty::LIGHTING_E);
    EnPointer<EnStencilProperty> spStencil(new EnStencilProperty);
    spStencil->SetStencilOn(true);
    spStencil->SetStencilFunction(EnStencilProperty::TEST_EQUAL);
    spStencil->SetStencilReference(7);
    spStencil->SetStencilMask(0xF0);
    spStencil->SetStencilFailAction(EnStencilProperty::ACTION_ZERO);
    spStencil->SetStencilPassZFailAction(EnStencilProperty::ACTION_INVERT);
    spStencil->SetStencilPassAction(EnStencilProperty::ACTION_REPLACE);
    EnPointer<EnZBufferProperty> spZ(new EnZBufferProperty);
    spZ->SetZBufferTest(true);
    spZ->SetZBufferWrite(true);
    EnPointer<EnCorrectionProperty> spCorrection(new EnCorrectionProperty);
    spCorrection->SetCorrection(false);
    EnPointer<EnShadeProperty> spShade(new EnShadeProperty);
    spShade->SetSmooth(false);
    EnPointer<EnWireframeProperty> spWire(new EnWireframeProperty);
    spWire->SetWireframe(true);
    EnPointer<EnDitherProperty> spDither(new EnDitherProperty);
    spDither->SetDithering(true);
    EnPointer<EnSpecularProperty> spSpecular(new EnSpecularProperty);
    spSpecular->SetSpecular(true);
    spSpecular->SetName("shiny");

    std::vector<EnObject*> kAll = {spAlpha,  spFog,     spMaterial, spMode,       spTransparent,
                                   spVertex, spStencil, spZ,        spCorrection, spShade,
                                   spWire,   spDither,  spSpecular};
    LoadedScene kScene = RoundTripScene(kAll);
    ASSERT_EQ(kScene.kObjects.size(), kAll.size());
    // Loading takes every value from the file, also where the constructor set another.
    EXPECT_FALSE(kScene.Get<EnCorrectionProperty>(8)->GetCorrection());
    EXPECT_FALSE(kScene.Get<EnShadeProperty>(9)->GetSmooth());
    EXPECT_EQ(kScene.Get<EnAlphaProperty>(0)->GetAlphaTestRef(), 200);
    EXPECT_EQ(kScene.Get<EnAlphaProperty>(0)->GetFlags(), spAlpha->GetFlags());
    EXPECT_EQ(kScene.Get<EnZBufferProperty>(7)->GetFlags(), 0x0003);
    EXPECT_STREQ(kScene.Get<EnSpecularProperty>(12)->GetName(), "shiny");
}

TEST(EnProperty, FlagHelpersTouchOnlyTheirField) {
    struct Case {
        uint16_t usBefore;
        std::function<void(EnProperty&)> set;
        uint16_t usAfter;
    };
    const Case cases[] = {
        {0x0000, [](EnProperty& p) { p.SetFlagBit(1, 3); }, 0x0008},
        {0xFFFF, [](EnProperty& p) { p.SetFlagBit(0, 3); }, 0xFFF7},
        {0x0000, [](EnProperty& p) { p.SetFlagBit(5, 15); }, 0x8000},  // any non-zero value
        {0x1234, [](EnProperty& p) { p.SetFlagBit(1, 16); }, 0x1234},  // no such bit
        {0x0000, [](EnProperty& p) { p.SetFlagField(6, 0x0F, 1); }, 0x000C},
        // The value is cut to the field: the fifth bit of 0x1F would land in bit 5.
        {0x0000, [](EnProperty& p) { p.SetFlagField(0x1F, 0x0F, 1); }, 0x001E},
        {0xFFFF, [](EnProperty& p) { p.SetFlagField(0, 0x07, 3); }, 0xFFC7},
        {0x0000, [](EnProperty& p) { p.SetFlagField(0xFFFF, 0x03, 14); }, 0xC000},
        {0x00FF, [](EnProperty& p) { p.SetFlagField(7, 0xFF, 5); }, (0x00FF & ~0x1FE0) | 0x00E0},
    };
    for (const Case& c : cases) {
        EnPointer<EnZBufferProperty> sp(new EnZBufferProperty);
        sp->SetFlags(c.usBefore);
        c.set(*sp);
        EXPECT_EQ(sp->GetFlags(), c.usAfter) << std::hex << c.usBefore;
    }
    EnPointer<EnZBufferProperty> sp(new EnZBufferProperty);
    sp->SetFlags(0x1C00);
    EXPECT_EQ(sp->GetFlagField(0x07, 10), 7u);
    EXPECT_TRUE(sp->GetFlagBit(12));
    EXPECT_FALSE(sp->GetFlagBit(9));
}

TEST(EnProperty, ComparisonsLookOnlyAtTheBitsEachClassDefines) {
    struct Case {
        const char* pcClass;
        Make make;
        uint16_t usFlip;  // flag bits that differ between the two properties
        bool bEqual;
    };
    const Case cases[] = {
        {"alpha", Maker<EnAlphaProperty>(), 0xE000, true},  // the no-sorter hint and above
        {"alpha", Maker<EnAlphaProperty>(), 0x0001, false},
        {"alpha", Maker<EnAlphaProperty>(), 0x0002, false},
        {"alpha", Maker<EnAlphaProperty>(), 0x0100, false},
        {"alpha", Maker<EnAlphaProperty>(), 0x0200, false},
        {"alpha", Maker<EnAlphaProperty>(), 0x0800, false},  // the test function
        {"z-buffer", Maker<EnZBufferProperty>(), 0xFFFC, true},
        {"z-buffer", Maker<EnZBufferProperty>(), 0x0002, false},
        {"wireframe", Maker<EnWireframeProperty>(), 0xFFFE, true},
        {"wireframe", Maker<EnWireframeProperty>(), 0x0001, false},
        {"transparent", Maker<EnTransparentProperty>(), 0xFFFE, true},
        {"transparent", Maker<EnTransparentProperty>(), 0x0001, false},
        {"correction", Maker<EnCorrectionProperty>(), 0x0002, true},
        {"correction", Maker<EnCorrectionProperty>(), 0x0001, false},
        {"shade", Maker<EnShadeProperty>(), 0xFFFE, true},
        {"dither", Maker<EnDitherProperty>(), 0x0002, true},
        {"dither", Maker<EnDitherProperty>(), 0x0001, false},
        {"specular", Maker<EnSpecularProperty>(), 0x0001, false},
        {"fog", Maker<EnFogProperty>(), 0x0005, true},  // bits 0 and 2
        {"fog", Maker<EnFogProperty>(), 0xFFE0, true},
        {"fog", Maker<EnFogProperty>(), 0x0002, false},
        {"fog", Maker<EnFogProperty>(), 0x0010, false},  // the fog function
        {"texture mode", Maker<EnTextureModeProperty>(), 0xFF00, true},
        {"texture mode", Maker<EnTextureModeProperty>(), 0x0004, false},
        {"texture mode", Maker<EnTextureModeProperty>(), 0x0020, false},
        {"texture mode", Maker<EnTextureModeProperty>(), 0x0080, false},
        {"vertex colour", Maker<EnVertexColorProperty>(), 0xFFFF, true},
        {"material", Maker<EnMaterialProperty>(), 0xFFFF, true},
        {"stencil", Maker<EnStencilProperty>(), 0xFFFF, true},
    };
    for (const Case& c : cases) {
        EnPointer<EnProperty> spA(c.make()), spB(c.make());
        spB->SetFlags(spB->GetFlags() ^ c.usFlip);
        EXPECT_EQ(spA->EqualsObject(spB), c.bEqual) << c.pcClass << " " << std::hex << c.usFlip;
        EXPECT_EQ(spB->EqualsObject(spA), c.bEqual) << c.pcClass << " " << std::hex << c.usFlip;
    }
    EnPointer<EnProperty> spZ(new EnZBufferProperty), spWire(new EnWireframeProperty);
    EXPECT_FALSE(spZ->EqualsObject(spWire));
    EXPECT_FALSE(spZ->EqualsObject(nullptr));
}

TEST(EnProperty, ComparisonsLookAtEveryMemberBesideTheFlags) {
    using Change = std::function<void(EnProperty&)>;
    struct Case {
        const char* pcWhat;
        Make make;
        Change change;
    };
    auto Alpha = [](EnProperty& p) -> EnAlphaProperty& { return static_cast<EnAlphaProperty&>(p); };
    auto Fog = [](EnProperty& p) -> EnFogProperty& { return static_cast<EnFogProperty&>(p); };
    auto Mat = [](EnProperty& p) -> EnMaterialProperty& {
        return static_cast<EnMaterialProperty&>(p);
    };
    auto Mode = [](EnProperty& p) -> EnTextureModeProperty& {
        return static_cast<EnTextureModeProperty&>(p);
    };
    auto Vtx = [](EnProperty& p) -> EnVertexColorProperty& {
        return static_cast<EnVertexColorProperty&>(p);
    };
    auto Sten = [](EnProperty& p) -> EnStencilProperty& {
        return static_cast<EnStencilProperty&>(p);
    };
    const Case cases[] = {
        {"alpha reference", Maker<EnAlphaProperty>(),
         [&](EnProperty& p) { Alpha(p).SetAlphaTestRef(1); }},
        {"transparent colour", Maker<EnTransparentProperty>(),
         [](EnProperty& p) { static_cast<EnTransparentProperty&>(p).SetColor(1); }},
        {"fog depth", Maker<EnFogProperty>(), [&](EnProperty& p) { Fog(p).SetDepth(2); }},
        {"fog colour", Maker<EnFogProperty>(),
         [&](EnProperty& p) {
             Fog(p).SetFogColor({0, 0, 1});
         }},
        {"ambient", Maker<EnMaterialProperty>(),
         [&](EnProperty& p) {
             Mat(p).SetAmbientColor({1, 0.5f, 0.5f});
         }},
        {"diffuse", Maker<EnMaterialProperty>(),
         [&](EnProperty& p) {
             Mat(p).SetDiffuseColor({0.5f, 1, 0.5f});
         }},
        {"specular", Maker<EnMaterialProperty>(),
         [&](EnProperty& p) {
             Mat(p).SetSpecularColor({0, 0, 1});
         }},
        {"emissive", Maker<EnMaterialProperty>(),
         [&](EnProperty& p) {
             Mat(p).SetEmittance({0, 1, 0});
         }},
        {"shine", Maker<EnMaterialProperty>(), [&](EnProperty& p) { Mat(p).SetShineness(5); }},
        {"opacity", Maker<EnMaterialProperty>(), [&](EnProperty& p) { Mat(p).SetAlpha(0.5f); }},
        {"L", Maker<EnTextureModeProperty>(), [&](EnProperty& p) { Mode(p).SetLValue(1); }},
        {"K", Maker<EnTextureModeProperty>(), [&](EnProperty& p) { Mode(p).SetKValue(1); }},
        {"source", Maker<EnVertexColorProperty>(),
         [&](EnProperty& p) { Vtx(p).SetSourceMode(EnVertexColorProperty::SOURCE_EMISSIVE); }},
        {"lighting", Maker<EnVertexColorProperty>(),
         [&](EnProperty& p) { Vtx(p).SetLightingMode(EnVertexColorProperty::LIGHTING_E); }},
        {"stencil on", Maker<EnStencilProperty>(),
         [&](EnProperty& p) { Sten(p).SetStencilOn(true); }},
        {"stencil test", Maker<EnStencilProperty>(),
         [&](EnProperty& p) { Sten(p).SetStencilFunction(EnStencilProperty::TEST_LESS); }},
        {"stencil reference", Maker<EnStencilProperty>(),
         [&](EnProperty& p) { Sten(p).SetStencilReference(3); }},
        {"stencil mask", Maker<EnStencilProperty>(),
         [&](EnProperty& p) { Sten(p).SetStencilMask(3); }},
        {"fail action", Maker<EnStencilProperty>(),
         [&](EnProperty& p) { Sten(p).SetStencilFailAction(EnStencilProperty::ACTION_ZERO); }},
        {"z-fail action", Maker<EnStencilProperty>(),
         [&](EnProperty& p) { Sten(p).SetStencilPassZFailAction(EnStencilProperty::ACTION_ZERO); }},
        {"pass action", Maker<EnStencilProperty>(),
         [&](EnProperty& p) { Sten(p).SetStencilPassAction(EnStencilProperty::ACTION_KEEP); }},
        {"name", Maker<EnWireframeProperty>(), [](EnProperty& p) { p.SetName("w"); }},
    };
    for (const Case& c : cases) {
        EnPointer<EnProperty> spA(c.make()), spB(c.make());
        EXPECT_TRUE(spA->EqualsObject(spB)) << c.pcWhat;
        c.change(*spB);
        EXPECT_FALSE(spA->EqualsObject(spB)) << c.pcWhat;
        EXPECT_FALSE(spB->EqualsObject(spA)) << c.pcWhat;
    }
}

TEST(EnProperty, ClonesAreEqualAndShareNothing) {
    for (const DefaultCase& c : DefaultCases()) {
        EnPointer<EnProperty> sp(c.make());
        sp->SetFlags(uint16_t(sp->GetFlags() ^ 0x5A5A));
        sp->AddExtraData(new EnExtraData("d", 1));
        EnPointer<EnProperty> spCopy(static_cast<EnProperty*>(sp->MakeClone()));
        ASSERT_NE(spCopy, nullptr) << c.pcClass;
        EXPECT_NE(spCopy, sp);
        EXPECT_STREQ(spCopy->GetClassName(), c.pcClass);
        EXPECT_EQ(spCopy->GetFlags(), sp->GetFlags()) << c.pcClass;
        EXPECT_TRUE(spCopy->EqualsObject(sp)) << c.pcClass;
        EXPECT_NE(spCopy->GetFirstExtraData(), sp->GetFirstExtraData());
        EXPECT_EQ(EnExtraData::GetChainLength(sp->GetFirstExtraData()), 1u) << "no mark left";
    }
    EnPointer<EnStencilProperty> spStencil(new EnStencilProperty);
    spStencil->SetStencilMask(0x0F);
    EnPointer<EnStencilProperty> spCopy(static_cast<EnStencilProperty*>(spStencil->MakeClone()));
    spCopy->SetStencilMask(0xF0);
    EXPECT_EQ(spStencil->GetStencilMask(), 0x0Fu);
}

TEST(EnMaterialProperty, IndicesAreUniqueAndNeverCloned) {
    EnPointer<EnMaterialProperty> spA(new EnMaterialProperty);
    EnPointer<EnMaterialProperty> spB(new EnMaterialProperty);
    EXPECT_EQ(spB->GetIndex(), spA->GetIndex() + 1);
    spA->SetRevision(9);
    EnPointer<EnMaterialProperty> spCopy(static_cast<EnMaterialProperty*>(spA->MakeClone()));
    EXPECT_EQ(spCopy->GetIndex(), spB->GetIndex() + 1);
    EXPECT_EQ(spCopy->GetRevision(), 1u);
    // Index, revision and flags differ; the values do not.
    spCopy->SetChanged(false);
    EXPECT_TRUE(spCopy->EqualsObject(spA));
    EXPECT_GT(GetDefaultMaterialProperty()->GetIndex(), 0u);
}

TEST(EnMaterialProperty, ShineOfOneOrLessLoadsAsTheDefault) {
    struct Case {
        float fStored, fLoaded;
    };
    const float fNaN = std::numeric_limits<float>::quiet_NaN();
    const float fInf = std::numeric_limits<float>::infinity();
    const Case cases[] = {{1.0f, 4.0f}, {0.5f, 4.0f}, {-3.0f, 4.0f},
                          {fNaN, 4.0f}, {1.5f, 1.5f}, {1.0000001f, 1.0000001f},
                          {fInf, fInf}};
    for (const Case& c : cases) {
        SceneBytes b;
        b.s = SceneHeader();
        b.Top().NamedHead("EnMaterialProperty", 1).U16(0);
        for (int i = 0; i < 12; i++) b.F32(0.25f);
        b.F32(c.fStored).F32(0.75f).End();
        LoadedScene kScene = LoadSceneBytes(b.s);
        auto* pMaterial = kScene.Get<EnMaterialProperty>(0);
        ASSERT_NE(pMaterial, nullptr);
        EXPECT_EQ(pMaterial->GetShineness(), c.fLoaded) << c.fStored;
        EXPECT_EQ(pMaterial->GetAlpha(), 0.75f);
        EXPECT_FALSE(pMaterial->GetChanged()) << "the flags word comes from the file";
    }
}

TEST(EnTextureModeProperty, OldFilesRenumberTheApplyModeAndLackLAndK) {
    struct Case {
        const char* pcVersion;
        uint16_t usStoredFlags;
        uint16_t usLoadedFlags;
        bool bHasLK;
    };
    const Case cases[] = {
        // Before "3.02" the apply modes had two more values below modulate.
        {"3.01", 0xFFC0, 0xFFC0, false},
        {"3.01", 0x0001, 0x0001, false},
        {"3.01", 0x0002, 0x0002, false},
        {"3.01", 0x0003, 0x0002, false},
        {"3.01", 0x0004, 0x0002, false},
        {"3.01", 0x0005, 0x0003, false},
        {"3.01", 0x0006, 0x0004, false},
        {"3.01", 0x0007, 0x0007, false},
        {"3.01", 0xFF2B, (0xFF2B & ~7) | 2, false},  // only the apply bits change
        {"3.0", 0x0006, 0x0004, false},            // read as "3.00"
        {"3.03", 0x0003, 0x0003, false},
        {"3.04", 0x0003, 0x0003, true},
        {"3.1", 0x0006, 0x0006, true},
    };
    for (const Case& c : cases) {
        SceneBytes b;
        b.s = SceneHeader(c.pcVersion);
        b.Top().NamedHead("EnTextureModeProperty", 1).U16(c.usStoredFlags);
        if (c.bHasLK) b.U16(uint16_t(-8)).U16(40);
        b.End();
        LoadedScene kScene = LoadSceneBytes(b.s);
        auto* pMode = kScene.Get<EnTextureModeProperty>(0);
        ASSERT_NE(pMode, nullptr) << c.pcVersion << " " << EnStream::GetLastErrorText();
        EXPECT_EQ(pMode->GetFlags(), c.usLoadedFlags) << c.pcVersion << " " << c.usStoredFlags;
        EXPECT_EQ(pMode->GetLValue(), c.bHasLK ? -8 : 0) << c.pcVersion;
        EXPECT_EQ(pMode->GetKValue(), c.bHasLK ? 40 : -75) << c.pcVersion;
        // Whatever was read, a save writes the current form.
        EXPECT_EQ(
            FieldsAfter(SaveSceneBytes({pMode}),
                        Prefix("EnTextureModeProperty", pMode->GetFlags())),
            SceneBytes().U16(uint16_t(pMode->GetLValue())).U16(uint16_t(pMode->GetKValue())).s);
    }
}

TEST(EnProperty, RecordsWithoutVersionBranchesReadTheSameInOldFiles) {
    struct Case {
        const char* pcClass;
        std::string fields;
    };
    const Case cases[] = {
        {"EnAlphaProperty", SceneBytes().U8(9).s},
        {"EnFogProperty", SceneBytes().F32(2).F32(0.5f).F32(0.25f).F32(1).s},
        {"EnStencilProperty", SceneBytes().U8(1).U32(2).U32(3).U32(4).U32(5).U32(1).U32(2).s},
        {"EnVertexColorProperty", SceneBytes().U32(2).U32(0).s},
        {"EnTransparentProperty", SceneBytes().U32(0xABCDEF).s},
        {"EnZBufferProperty", ""},
    };
    for (const Case& c : cases) {
        std::string body =
            SceneBytes().Top().NamedHead(c.pcClass, 1).U16(3).s + c.fields + SceneBytes().End().s;
        LoadedScene kOld = LoadSceneBytes(SceneHeader("3.0") + body);
        LoadedScene kNew = LoadSceneBytes(SceneHeader("3.1") + body);
        ASSERT_TRUE(kOld.bLoaded && kNew.bLoaded) << c.pcClass;
        EXPECT_TRUE(kOld.kObjects[0]->EqualsObject(kNew.kObjects[0])) << c.pcClass;
        EXPECT_EQ(FieldsAfter(SaveSceneBytes({kOld.kObjects[0]}), Prefix(c.pcClass, 3)), c.fields)
            << c.pcClass;
    }
}

TEST(EnProperty, TruncatedRecordsFailTheLoad) {
    for (const DefaultCase& c : DefaultCases()) {
        EnPointer<EnProperty> sp(c.make());
        const std::string file = SaveSceneBytes({sp});
        const size_t uiEnd = file.rfind(SceneBytes().End().s);
        // Cut inside the flags word and, where there are any, inside the fields after it.
        for (size_t uiCut : {c.fields.size() + 1, c.fields.size() / 2 + 1}) {
            if (uiCut > c.fields.size() + 1) continue;
            LoadedScene kScene = LoadSceneBytes(file.substr(0, uiEnd - uiCut));
            EXPECT_FALSE(kScene.bLoaded) << c.pcClass << " cut " << uiCut;
            EXPECT_EQ(kScene.uiError, EnStream::ERROR_TRUNCATED) << c.pcClass;
        }
    }
}

TEST(EnProperty, DumpsNameTheirOwnMembers) {
    struct Case {
        Make make;
        std::vector<std::string> kTail;  // the lines after "--- EnProperty ---"
    };
    const Case cases[] = {
        {Maker<EnAlphaProperty>(),
         {"--- EnAlphaProperty ---", "m_bAlpha = false", "m_destBlend = ALPHA_INVSRCALPHA"}},
        {Maker<EnShadeProperty>(), {"--- EnShadeProperty ---", "m_bSmooth = true"}},
        {Maker<EnSpecularProperty>(), {"--- EnSpecularProperty ---", "m_bSpec = false"}},
        {Maker<EnCorrectionProperty>(), {"--- EnCorrectionProperty ---", "m_bCorrect = true"}},
        {Maker<EnDitherProperty>(), {"--- EnDitherProperty ---", "m_bDither = false"}},
        {Maker<EnWireframeProperty>(), {"--- EnWireframeProperty ---", "m_bWireframe = false"}},
        {Maker<EnZBufferProperty>(),
         {"--- EnZBufferProperty ---", "m_bZTest = false", "m_bZWrite = false"}},
        {Maker<EnTransparentProperty>(),
         {"--- EnTransparentProperty ---", "m_bTransparent = false", "m_uiColor = 0"}},
        {Maker<EnTextureModeProperty>(),
         {"--- EnTextureModeProperty ---", "m_apply = APPLY_MODULATE", "m_filter = FILTER_NEAREST",
          "m_clamp = WRAP_S_WRAP_T", "m_sL = 0", "m_sK = -75"}},
        {Maker<EnFogProperty>(),
         {"--- EnFogProperty ---", "m_bFog = false", "m_fDepth = 1.000000e+00",
          "m_uiFunc = FOG_Z_LINEAR", "m_color = (0.000,0.000,0.000)"}},
        {Maker<EnVertexColorProperty>(),
         {"--- EnVertexColorProperty ---", "m_eSource = SOURCE_IGNORE",
          "m_eLighting = LIGHTING_E_A_D"}},
        {Maker<EnMaterialProperty>(),
         {"--- EnMaterialProperty ---", "m_amb = (0.500,0.500,0.500)",
          "m_diff = (0.500,0.500,0.500)", "m_spec = (0.000,0.000,0.000)",
          "m_emit = (0.000,0.000,0.000)", "m_fShine = 4.000000e+00", "m_fAlpha = 1.000000e+00"}},
        {Maker<EnStencilProperty>(),
         {"--- EnStencilProperty ---", "m_bEnable = 0", "m_uiRef = 0", "m_uiMask = 4294967295",
          "m_eTest = TEST_GREATER", "m_eFailAct = ACTION_KEEP", "m_eZFailAct = ACTION_KEEP",
          "m_ePassAct = ACTION_INCREMENT"}},
    };
    for (const Case& c : cases) {
        EnPointer<EnProperty> sp(c.make());
        std::vector<std::string> kLines = DumpLines(*sp);
        ASSERT_GE(kLines.size(), 6u + c.kTail.size());
        EXPECT_EQ(kLines[3], "--- EnObjectNET ---");
        EXPECT_EQ(kLines[5], "--- EnProperty ---");
        EXPECT_EQ(std::vector<std::string>(kLines.begin() + 6, kLines.end()), c.kTail);
    }
}

TEST(EnProperty, EnumerationTextsCoverEveryNamedValue) {
    struct Case {
        char* (*pfnMake)(const char*, uint32_t);
        uint32_t uiValue;
        const char* pcLine;
    };
    const Case cases[] = {
        {&EnAlphaProperty::MakeBlendViewerString, 0, "f = ALPHA_ONE"},
        {&EnAlphaProperty::MakeBlendViewerString, 10, "f = ALPHA_SRCALPHASAT"},
        {&EnAlphaProperty::MakeBlendViewerString, 11, "f = UNKNOWN(11)"},
        {&EnTextureModeProperty::MakeFilterViewerString, 5, "f = FILTER_BILERP_MIPNEAREST"},
        {&EnTextureModeProperty::MakeFilterViewerString, 6, "f = UNKNOWN(6)"},
        {&EnTextureModeProperty::MakeClampViewerString, 0, "f = CLAMP_S_CLAMP_T"},
        {&EnTextureModeProperty::MakeClampViewerString, 2, "f = WRAP_S_CLAMP_T"},
        {&EnTextureModeProperty::MakeApplyViewerString, 4, "f = APPLY_HILIGHT2"},
        {&EnStencilProperty::MakeTestViewerString, 0, "f = TEST_NEVER"},
        {&EnStencilProperty::MakeTestViewerString, 7, "f = TEST_ALWAYS"},
        {&EnStencilProperty::MakeActionViewerString, 5, "f = ACTION_INVERT"},
    };
    for (const Case& c : cases) {
        char* pc = c.pfnMake("f", c.uiValue);
        EXPECT_STREQ(pc, c.pcLine);
        delete[] pc;
    }
}

// A controller that records the times it is updated with.
class PropTestController : public EnTimeController {
    EN_DECLARE_RTTI;

public:
    EnObject* CloneObject() override {
        auto* pCopy = new PropTestController;
        CopyMembers(pCopy);
        return pCopy;
    }
    void Update(float fTime) override { m_pLog->push_back(m_iId * 100 + int(fTime)); }
    bool IsTargetTypeValid() const override { return true; }
    std::vector<int>* m_pLog = nullptr;
    int m_iId = 0;
};
EN_IMPLEMENT_RTTI(PropTestController, EnTimeController);

TEST(EnProperty, UpdateControllersRunsTheChainInOrder) {
    std::vector<int> kLog;
    EnPointer<EnMaterialProperty> sp(new EnMaterialProperty);
    for (int i = 1; i <= 3; i++) {
        auto* p = new PropTestController;
        p->m_pLog = &kLog;
        p->m_iId = i;
        p->SetTarget(sp);
    }
    sp->UpdateControllers(7.0f);
    EXPECT_EQ(kLog, (std::vector<int>{307, 207, 107}));
}

}  // namespace
