#include "engine/geometry/EnTextureProperty.h"

#include <gtest/gtest.h>

#include <string>

#include "engine/core/EnPropertyState.h"
#include "engine/core/EnZBufferProperty.h"
#include "engine/geometry/EnMultiTextureProperty.h"
#include "tests/engine/core/SceneFileHelpers.h"
#include "tests/engine/geometry/TexturePropertyFixture.h"

namespace {

using EnTexturePropertyTest = TexturePropertyTest;

TEST_F(EnTexturePropertyTest, ANewPropertyHasNoImageAndSavesALinkOfZero) {
    EnPointer<EnTextureProperty> sp(new EnTextureProperty);
    EXPECT_EQ(sp->GetPropertyType(), 6);
    EXPECT_EQ(sp->GetFlags(), 0);
    EXPECT_EQ(sp->GetImage(), nullptr);
    const std::string file = SaveSceneBytes({sp});
    EXPECT_EQ(FieldsAfter(file, SceneBytes().NamedHead("EnTextureProperty", 1).U16(0).s),
              SceneBytes().U32(0).s);
    EnPointer<EnTextureProperty> spDefault = GetDefaultTextureProperty();
    EXPECT_EQ(EnProperty::GetDefault(EnProperty::TEXTURE), spDefault.Get());
    EXPECT_EQ(spDefault->GetImage(), nullptr);
    EXPECT_TRUE(spDefault->EqualsObject(sp));
}

TEST_F(EnTexturePropertyTest, ImagesAreMadeFromPixelsOrFilesThroughTheFactory) {
    EnPointer<EnRawImageData> spRaw(new EnRawImageData(EnRawImageData::FORMAT_RGBA, 4, 4));
    EnPointer<EnTextureProperty> spFromPixels(new EnTextureProperty(spRaw));
    ASSERT_NE(spFromPixels->GetImage(), nullptr);
    EXPECT_EQ(spFromPixels->GetImage()->GetRawImageData(), spRaw.Get());
    EXPECT_EQ(spFromPixels->GetImage()->GetPrefTexFormat(), EnImage::TEX_DEFAULT);

    EnPointer<EnTextureProperty> spFromFile(new EnTextureProperty("track\\Sky.tga"));
    ASSERT_NE(spFromFile->GetImage(), nullptr);
    EXPECT_STREQ(spFromFile->GetImage()->GetURL(), "track\\Sky.tga");

    // Without a renderer's factory no image can be made; the property is still usable.
    EnImage::ms_pfnCreateImage = nullptr;
    EnPointer<EnTextureProperty> spNone(new EnTextureProperty("track\\Sky.tga"));
    EXPECT_EQ(spNone->GetImage(), nullptr);
    EnPointer<EnTextureProperty> spNoPixels(new EnTextureProperty(spRaw));
    EXPECT_EQ(spNoPixels->GetImage(), nullptr);
}

TEST_F(EnTexturePropertyTest, ClonesShareTheImage) {
    EnPointer<EnTextureProperty> sp(new EnTextureProperty);
    EnPointer<EnImage> spImage = MakeImage();
    sp->SetImage(spImage);
    const int32_t iCount = spImage->GetRefCount();
    EnPointer<EnTextureProperty> spCopy(static_cast<EnTextureProperty*>(sp->MakeClone()));
    EXPECT_NE(spCopy, sp);
    EXPECT_EQ(spCopy->GetImage(), spImage.Get());
    EXPECT_EQ(spImage->GetRefCount(), iCount + 1);
    EXPECT_TRUE(spCopy->EqualsObject(sp));
}

TEST_F(EnTexturePropertyTest, ComparisonAsksOnlyWhetherBothHaveAnImage) {
    EnPointer<EnTextureProperty> spA(new EnTextureProperty), spB(new EnTextureProperty);
    EXPECT_TRUE(spA->EqualsObject(spB));
    spA->SetImage(MakeImage(1));
    EXPECT_FALSE(spA->EqualsObject(spB));
    EXPECT_FALSE(spB->EqualsObject(spA));
    spB->SetImage(MakeImage(2));
    EXPECT_TRUE(spA->EqualsObject(spB));
    spB->SetFlags(0xFFFF);  // no bits of its own
    EXPECT_TRUE(spA->EqualsObject(spB));
}

TEST_F(EnTexturePropertyTest, ScenesShareOneImageBetweenProperties) {
    EnPointer<EnImage> spImage = MakeImage();
    EnPointer<EnTextureProperty> spA(new EnTextureProperty), spB(new EnTextureProperty);
    spA->SetImage(spImage);
    spB->SetImage(spImage);
    spB->SetName("second");
    EnPointer<EnTextureProperty> spEmpty(new EnTextureProperty);
    LoadedScene kScene = RoundTripScene({spA, spB, spEmpty});
    ASSERT_EQ(kScene.kObjects.size(), 3u);
    EnImage* pImage = kScene.Get<EnTextureProperty>(0)->GetImage();
    ASSERT_NE(pImage, nullptr);
    EXPECT_EQ(kScene.Get<EnTextureProperty>(1)->GetImage(), pImage);
    EXPECT_EQ(kScene.Get<EnTextureProperty>(2)->GetImage(), nullptr);
    EXPECT_TRUE(pImage->EqualsObject(spImage));
}

TEST_F(EnTexturePropertyTest, FilesBefore304CarryTwoMoreWords) {
    struct Case {
        const char* pcVersion;
        bool bTwoWords;
    };
    const Case cases[] = {
        {"3.0", true}, {"3.02", true}, {"3.03", true}, {"3.04", false}, {"3.1", false}};
    for (const Case& c : cases) {
        SceneBytes b;
        b.s = SceneHeader(c.pcVersion);
        b.Top().NamedHead("EnTextureProperty", 1).U16(0).U32(0);
        if (c.bTwoWords) b.U32(0xDEADBEEF).U32(0x12345678);
        // A record behind it shows that exactly the texture record's bytes were taken.
        b.Top().NamedHead("EnZBufferProperty", 2).U16(3).End();
        LoadedScene kScene = LoadSceneBytes(b.s);
        ASSERT_TRUE(kScene.bLoaded) << c.pcVersion << ": " << EnStream::GetLastErrorText();
        ASSERT_EQ(kScene.kObjects.size(), 2u);
        EXPECT_EQ(kScene.Get<EnTextureProperty>(0)->GetImage(), nullptr);
        EXPECT_EQ(kScene.Get<EnZBufferProperty>(1)->GetFlags(), 3) << c.pcVersion;
        // A save writes the current form whatever was read.
        EXPECT_EQ(FieldsAfter(SaveSceneBytes({kScene.kObjects[0]}),
                              SceneBytes().NamedHead("EnTextureProperty", 1).U16(0).s),
                  SceneBytes().U32(0).s);
    }
}

TEST_F(EnTexturePropertyTest, AnImageLinkToAnotherClassFailsTheLoad) {
    SceneBytes b;
    b.s = SceneHeader();
    b.Top().NamedHead("EnTextureProperty", 1).U16(0).U32(2);
    b.NamedHead("EnZBufferProperty", 2).U16(0).End();
    LoadedScene kScene = LoadSceneBytes(b.s);
    EXPECT_FALSE(kScene.bLoaded);
    EXPECT_EQ(kScene.uiError, EnStream::ERROR_WRONG_LINK_CLASS);
}

TEST_F(EnTexturePropertyTest, DumpsTheImagePointer) {
    EnPointer<EnTextureProperty> sp(new EnTextureProperty);
    std::vector<std::string> kLines = DumpLines(*sp);
    ASSERT_EQ(kLines.size(), 8u);
    EXPECT_EQ(kLines[6], "--- EnTextureProperty ---");
    EXPECT_EQ(kLines[7].rfind("m_spImage = ", 0), 0u);
}

TEST_F(EnTexturePropertyTest, AStateHoldsADefaultForEveryOneOfTheFifteenTypes) {
    EnPointer<EnPropertyState> spState(new EnPropertyState);
    for (int32_t iType = 0; iType < EnProperty::MAX_TYPES; iType++) {
        EnProperty* pSlot = spState->GetProperty(iType);
        ASSERT_NE(pSlot, nullptr) << iType;
        EXPECT_EQ(pSlot->GetPropertyType(), iType);
        EXPECT_EQ(pSlot, EnProperty::GetDefault(iType));
    }
    EXPECT_EQ(spState->GetTexture(), GetDefaultTextureProperty().Get());
    EXPECT_EQ(spState->GetMultiTexture(), GetDefaultMultiTextureProperty().Get());

    EnPointer<EnTextureProperty> spTexture(new EnTextureProperty);
    EnPointer<EnPropertyState> spChild(new EnPropertyState(*spState));
    spChild->SetProperty(spTexture);
    EXPECT_EQ(spChild->GetTexture(), spTexture.Get());
    EXPECT_EQ(spState->GetTexture(), GetDefaultTextureProperty().Get());
}

}  // namespace
