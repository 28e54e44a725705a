#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "engine/core/EnAlphaProperty.h"
#include "engine/core/EnCamera.h"
#include "engine/core/EnColorRGBA.h"
#include "engine/core/EnPointer.h"
#include "engine/core/EnPropertyState.h"
#include "engine/core/EnStream.h"
#include "engine/core/EnViewerStrings.h"
#include "engine/core/EnZBufferProperty.h"
#include "engine/render/EnScreenPolygon.h"
#include "tests/support/RecordingRender.h"
#include "tests/support/TempDir.h"

namespace {

const EnVector3 kQuad[4] = {
    {0.0f, 0.0f, 0.0f}, {1.0f, 0.0f, 0.0f}, {1.0f, 1.0f, 0.5f}, {0.0f, 1.0f, 0.5f}};
const EnVector2 kUV[4] = {{0.0f, 0.0f}, {1.0f, 0.0f}, {1.0f, 1.0f}, {0.0f, 1.0f}};
const EnColorRGBA kColors[4] = {{1.0f, 0.0f, 0.0f, 1.0f},
                                {0.0f, 1.0f, 0.0f, 0.5f},
                                {0.0f, 0.0f, 1.0f, 0.25f},
                                {1.0f, 1.0f, 1.0f, 0.0f}};

// Saves the objects to a scene file and loads it back; the loaded top objects, in order.
std::vector<EnPointer<EnObject>> RoundTrip(const std::vector<EnObject*>& kObjects,
                                           const TempDir& kDir) {
    const std::string kPath = kDir.File("polygons.enf");
    {
        EnStream kStream;
        for (EnObject* pObject : kObjects) kStream.InsertObject(pObject);
        EXPECT_TRUE(kStream.Save(kPath.c_str()));
    }
    EnStream kStream;
    EXPECT_TRUE(kStream.Load(kPath.c_str())) << EnStream::GetLastErrorText();
    std::vector<EnPointer<EnObject>> kLoaded;
    for (uint32_t i = 0; i < kStream.GetObjectCount(); i++)
        kLoaded.push_back(kStream.GetObjectAt(i));
    return kLoaded;
}

TEST(EnScreenPolygon, CopiesItsArraysAndMakesItsOwnPropertyState) {
    EnPointer<EnScreenPolygon> spPolygon = new EnScreenPolygon(4, kQuad, kUV, kColors);
    ASSERT_EQ(spPolygon->GetVertexCount(), 4);
    EXPECT_NE(spPolygon->GetVertices(), kQuad);
    EXPECT_EQ(spPolygon->GetVertices()[2], kQuad[2]);
    EXPECT_EQ(spPolygon->GetTextures()[3], kUV[3]);
    EXPECT_EQ(spPolygon->GetColors()[1].a, 0.5f);
    ASSERT_NE(spPolygon->GetPropertyState(), nullptr);

    EnPointer<EnScreenPolygon> spBare = new EnScreenPolygon(3, kQuad, nullptr, nullptr);
    EXPECT_EQ(spBare->GetTextures(), nullptr);
    EXPECT_EQ(spBare->GetColors(), nullptr);
    EXPECT_NE(spBare->GetPropertyState(), spPolygon->GetPropertyState());
}

TEST(EnScreenPolygon, DrawLendsItsStateAndClearsTheEffectState) {
    EnPointer<RecordingRender> spRenderer = new RecordingRender;
    EnPointer<EnScreenPolygon> spPolygon = new EnScreenPolygon(4, kQuad, kUV, nullptr);
    spPolygon->Draw(*spRenderer);
    ASSERT_EQ(spRenderer->m_kCalls.size(), 1u);
    const RecordingRender::Call& kCall = spRenderer->m_kCalls[0];
    EXPECT_EQ(kCall.m_kName, "DrawScreenPolygon");
    EXPECT_EQ(kCall.m_usVertices, 4);
    EXPECT_EQ(kCall.m_pVertex, spPolygon->GetVertices());
    EXPECT_EQ(kCall.m_pPropertyState, spPolygon->GetPropertyState());
    EXPECT_EQ(kCall.m_pEffectState, nullptr);
    EXPECT_EQ(spRenderer->GetPropertyState(), spPolygon->GetPropertyState());
}

struct RoundTripCase {
    const char* name;
    const EnVector2* pTexture;
    const EnColorRGBA* pColor;
};

TEST(EnScreenPolygon, RoundTripsThroughSceneFiles) {
    const RoundTripCase cases[] = {
        {"positions only", nullptr, nullptr},
        {"texture coordinates", kUV, nullptr},
        {"colours", nullptr, kColors},
        {"everything", kUV, kColors},
    };
    for (const RoundTripCase& c : cases) {
        TempDir kDir;
        EnPointer<EnScreenPolygon> spPolygon = new EnScreenPolygon(4, kQuad, c.pTexture, c.pColor);
        EnPointer<EnAlphaProperty> spAlpha = new EnAlphaProperty;
        spPolygon->GetPropertyState()->SetProperty(spAlpha);
        auto kLoaded = RoundTrip({spPolygon}, kDir);
        ASSERT_EQ(kLoaded.size(), 1u) << c.name;
        EnScreenPolygon* pLoaded = EnDynamicCast(EnScreenPolygon, kLoaded[0].Get());
        ASSERT_NE(pLoaded, nullptr) << c.name;
        EXPECT_EQ(pLoaded->GetVertexCount(), 4) << c.name;
        for (int i = 0; i < 4; i++) EXPECT_EQ(pLoaded->GetVertices()[i], kQuad[i]) << c.name;
        EXPECT_EQ(pLoaded->GetTextures() != nullptr, c.pTexture != nullptr) << c.name;
        EXPECT_EQ(pLoaded->GetColors() != nullptr, c.pColor != nullptr) << c.name;
        if (c.pTexture) {
            EXPECT_EQ(pLoaded->GetTextures()[2], kUV[2]) << c.name;
        }
        if (c.pColor) {
            EXPECT_EQ(pLoaded->GetColors()[2].a, 0.25f) << c.name;
        }
        // The saved alpha property came back in the alpha slot, as a new object.
        EnProperty* pAlpha = pLoaded->GetPropertyState()->GetProperty(0);
        ASSERT_NE(pAlpha, nullptr) << c.name;
        EXPECT_TRUE(EnIsExactKindOf(EnAlphaProperty, pAlpha)) << c.name;
        EXPECT_NE(pAlpha, spAlpha.Get()) << c.name;
    }
}

// The bytes of a scene file holding one textured polygon with an alpha property, and the
// offset of the polygon's vertex count (right after its class name and link ID).
struct SavedPolygon {
    std::string kBytes;
    size_t uiCount = 0;
    size_t TextureFlag() const { return uiCount + 2 + 4 * 12; }
    size_t ColorFlag() const { return TextureFlag() + 4 + 4 * 8; }
    size_t PropertyCount() const { return ColorFlag() + 4; }
    size_t PropertyID(int i) const { return PropertyCount() + 4 + 4 * size_t(i); }

    explicit SavedPolygon(const TempDir& kDir) {
        const std::string kPath = kDir.File("saved.enf");
        EnPointer<EnScreenPolygon> spPolygon = new EnScreenPolygon(4, kQuad, kUV, nullptr);
        EnPointer<EnAlphaProperty> spAlpha = new EnAlphaProperty;
        spPolygon->GetPropertyState()->SetProperty(spAlpha);
        EnStream kStream;
        kStream.InsertObject(spPolygon);
        EXPECT_TRUE(kStream.Save(kPath.c_str()));
        kBytes = TempDir::Read(kPath);
        const size_t uiName = kBytes.find("EnScreenPolygon");
        EXPECT_NE(uiName, std::string::npos);
        uiCount = uiName + std::strlen("EnScreenPolygon") + 4;
    }
    std::string Patched(size_t uiOffset, uint32_t uiValue, int iBytes = 4) const {
        std::string kOut = kBytes;
        for (int i = 0; i < iBytes; i++) kOut[uiOffset + i] = char(uiValue >> (8 * i));
        return kOut;
    }
};

TEST(EnScreenPolygon, LoadsAnyNonZeroFlagAsPresentAndRefusesHostileCounts) {
    TempDir kDir;
    SavedPolygon kSaved(kDir);
    // Sanity: the offsets point where the writer put the fields.
    ASSERT_EQ(uint8_t(kSaved.kBytes[kSaved.uiCount]), 4);
    ASSERT_EQ(uint8_t(kSaved.kBytes[kSaved.TextureFlag()]), 1);
    ASSERT_EQ(uint8_t(kSaved.kBytes[kSaved.PropertyCount()]), 15);

    struct Case {
        const char* name;
        size_t uiOffset;
        uint32_t uiValue;
        int iBytes;
        bool loads;
    };
    const Case cases[] = {
        {"texture flag holding an old pointer value", kSaved.TextureFlag(), 0x0012F4A0u, 4, true},
        {"vertex count past the end", kSaved.uiCount, 0xFFFFu, 2, false},
        {"property count past the end", kSaved.PropertyCount(), 0x7FFFFFFFu, 4, false},
        {"property link to no object", kSaved.PropertyID(0), 999u, 4, true},
        {"property link to the polygon itself", kSaved.PropertyID(0), 1u, 4, false},
    };
    for (const Case& c : cases) {
        const std::string kFile =
            kDir.Write("patched.enf", kSaved.Patched(c.uiOffset, c.uiValue, c.iBytes));
        EnStream kStream;
        ASSERT_EQ(kStream.Load(kFile.c_str()), c.loads) << c.name;
        if (!c.loads) continue;
        EnScreenPolygon* pPolygon = EnDynamicCast(EnScreenPolygon, kStream.GetObjectAt(0));
        ASSERT_NE(pPolygon, nullptr) << c.name;
        ASSERT_NE(pPolygon->GetTextures(), nullptr) << c.name;
        EXPECT_EQ(pPolygon->GetTextures()[1], kUV[1]) << c.name;
        EXPECT_EQ(pPolygon->GetColors(), nullptr) << c.name;
    }

    // A link that resolves to nothing leaves the entry as it was: the default alpha property.
    const std::string kFile =
        kDir.Write("unresolved.enf", kSaved.Patched(kSaved.PropertyID(0), 999u));
    EnStream kStream;
    ASSERT_TRUE(kStream.Load(kFile.c_str()));
    EnScreenPolygon* pPolygon = EnDynamicCast(EnScreenPolygon, kStream.GetObjectAt(0));
    ASSERT_NE(pPolygon, nullptr);
    EnPointer<EnPropertyState> spDefaults = new EnPropertyState;
    EXPECT_EQ(pPolygon->GetPropertyState()->GetProperty(0), spDefaults->GetProperty(0));
}

TEST(EnScreenPolygon, CameraKeepsItsPolygonsThroughSceneFilesInArrayOrder) {
    TempDir kDir;
    EnPointer<EnCamera> spCamera = new EnCamera;
    EnPointer<EnScreenPolygon> apPolygons[3];
    for (int i = 0; i < 3; i++) {
        apPolygons[i] = new EnScreenPolygon(uint16_t(i + 2), kQuad, nullptr, nullptr);
        spCamera->AttachScreenPolygon(apPolygons[i]);
    }
    auto kLoaded = RoundTrip({spCamera}, kDir);
    ASSERT_EQ(kLoaded.size(), 1u);
    EnCamera* pCamera = EnDynamicCast(EnCamera, kLoaded[0].Get());
    ASSERT_NE(pCamera, nullptr);
    ASSERT_EQ(pCamera->GetScreenPolygonSlots(), 3u);

    EnPointer<RecordingRender> spRenderer = new RecordingRender;
    pCamera->SetRenderer(spRenderer);
    pCamera->RenderFrame();
    const auto kDraws = spRenderer->CallsNamed("DrawScreenPolygon");
    ASSERT_EQ(kDraws.size(), 3u);
    for (int i = 0; i < 3; i++) EXPECT_EQ(kDraws[i]->m_usVertices, i + 2);
    EXPECT_EQ(spRenderer->Names().back(), "CloseScene");
}

TEST(EnScreenPolygon, AttachFillsTheFirstFreeSlotAndRemoveEmptiesIt) {
    EnPointer<EnCamera> spCamera = new EnCamera;
    EnPointer<EnScreenPolygon> spA = new EnScreenPolygon(3, kQuad, nullptr, nullptr);
    EnPointer<EnScreenPolygon> spB = new EnScreenPolygon(4, kQuad, nullptr, nullptr);
    EnPointer<EnScreenPolygon> spC = new EnScreenPolygon(4, kQuad, nullptr, nullptr);
    spCamera->AttachScreenPolygon(spA);
    spCamera->AttachScreenPolygon(spB);
    EXPECT_EQ(spA->GetRefCount(), 2);
    spCamera->RemoveScreenPolygon(spA);
    EXPECT_EQ(spA->GetRefCount(), 1);
    EXPECT_EQ(spCamera->GetScreenPolygonAt(0), nullptr);
    spCamera->AttachScreenPolygon(spC);
    EXPECT_EQ(spCamera->GetScreenPolygonAt(0), spC.Get());
    EXPECT_EQ(spCamera->GetScreenPolygonAt(1), spB.Get());
}

TEST(EnScreenPolygon, EqualityComparesArraysAndPropertyObjects) {
    EnPointer<EnScreenPolygon> spA = new EnScreenPolygon(4, kQuad, kUV, kColors);
    EnPointer<EnScreenPolygon> spB = static_cast<EnScreenPolygon*>(spA->MakeClone());
    ASSERT_NE(spA.Get(), spB.Get());
    // The clone has a state of its own that shares the property objects.
    EXPECT_NE(spA->GetPropertyState(), spB->GetPropertyState());
    EXPECT_TRUE(spA->EqualsObject(spB));

    spB->GetColors()[3].g = 0.5f;
    EXPECT_FALSE(spA->EqualsObject(spB));
    spB->GetColors()[3].g = 1.0f;
    EXPECT_TRUE(spA->EqualsObject(spB));
    spB->GetPropertyState()->SetProperty(EnPointer<EnZBufferProperty>(new EnZBufferProperty));
    EXPECT_FALSE(spA->EqualsObject(spB));

    EnPointer<EnScreenPolygon> spNoUV = new EnScreenPolygon(4, kQuad, nullptr, kColors);
    EXPECT_FALSE(spA->EqualsObject(spNoUV));
}

TEST(EnScreenPolygon, ViewerStringsListArraysAndProperties) {
    EnPointer<EnScreenPolygon> spPolygon = new EnScreenPolygon(4, kQuad, nullptr, nullptr);
    EnTArray<char*> kStrings(8, 8);
    spPolygon->AppendMemberStrings(kStrings);
    std::string kAll;
    for (char* pc : kStrings)
        if (pc) kAll += std::string(pc) + "\n";
    EnFreeViewerStrings(kStrings);
    EXPECT_NE(kAll.find("m_usVertices = 4\n"), std::string::npos) << kAll;
    EXPECT_NE(kAll.find("m_pTexture = "), std::string::npos);
    EXPECT_NE(kAll.find("EnAlphaProperty = "), std::string::npos);
    EXPECT_NE(kAll.find("EnStencilProperty = "), std::string::npos);
}

}  // namespace
