// The demo data set as the engine sees it: written into a temporary install, its scene file
// loads whole, names pictures that exist and read, and holds every kind of content the test
// track is meant to show.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <set>
#include <string>

#include "engine/core/EnAlphaProperty.h"
#include "engine/core/EnCamera.h"
#include "engine/core/EnFogProperty.h"
#include "engine/core/EnLODNode.h"
#include "engine/core/EnNode.h"
#include "engine/core/EnPropertyState.h"
#include "engine/core/EnStream.h"
#include "engine/core/EnSwitchNode.h"
#include "engine/core/EnVertexColorProperty.h"
#include "engine/geometry/EnDirectionalLight.h"
#include "engine/geometry/EnPointLight.h"
#include "engine/geometry/EnRawImageData.h"
#include "engine/geometry/EnTextureProperty.h"
#include "engine/geometry/EnTriShape.h"
#include "engine/geometry/EnTriStrips.h"
#include "engine/geometry/ReadImageFile.h"
#include "tests/support/TempDir.h"
#include "tools/demodata/DemoDataSet.h"
#include "tools/demodata/TestTrackScene.h"

namespace {

namespace fs = std::filesystem;

void Visit(EnAVObject* pObject, const std::function<void(EnAVObject*)>& fnVisit) {
    if (!pObject) return;
    fnVisit(pObject);
    if (EnNode* pNode = EnDynamicCast(EnNode, pObject))
        for (uint32_t i = 0; i < pNode->GetArrayCount(); ++i) Visit(pNode->GetAt(i), fnVisit);
}

template <class TProperty>
TProperty* FindProperty(const EnAVObject* pObject) {
    const auto& kList = pObject->GetPropertyList();
    for (EnTListIterator pos = kList.GetHeadPos(); pos;) {
        EnProperty* pProperty = kList.GetNext(pos);
        if (pProperty && pProperty->GetPropertyType() == TProperty::TYPE)
            return static_cast<TProperty*>(pProperty);
    }
    return nullptr;
}

class DemoDataSetTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_kSet.Write(m_kDir.Path())) << m_kSet.GetError();
        m_kScene = m_kDir.Path() + "/enfFiles/" + TestTrackScene::SCENE_FILE;
        ASSERT_TRUE(m_kStream.Load(m_kScene.c_str())) << EnStream::GetLastErrorText();
        ASSERT_EQ(m_kStream.GetObjectCount(), 2u);
        m_pRoot = EnDynamicCast(EnNode, m_kStream.GetObjectAt(0));
        m_pCamera = EnDynamicCast(EnCamera, m_kStream.GetObjectAt(1));
        ASSERT_NE(m_pRoot, nullptr);
        ASSERT_NE(m_pCamera, nullptr);
        m_pRoot->Update(0.0f);
        m_pCamera->Update(0.0f);
    }

    EnAVObject* Find(const char* pcName) const { return m_pRoot->FindObjectByName(pcName); }

    TempDir m_kDir;
    DemoDataSet m_kSet;
    std::string m_kScene;
    EnStream m_kStream;
    EnNode* m_pRoot = nullptr;
    EnCamera* m_pCamera = nullptr;
};

TEST_F(DemoDataSetTest, SceneFileLoadsWithItsCameraAndNamesOnlyPicturesThatRead) {
    EXPECT_STREQ(m_pRoot->GetName(), TestTrackScene::ROOT_NAME);
    EXPECT_STREQ(m_pCamera->GetName(), TestTrackScene::CAMERA_NAME);
    EXPECT_EQ(m_pCamera->GetScene(), m_pRoot);
    ASSERT_GE(m_pCamera->GetScreenPolygonSlots(), 1u);
    EnScreenPolygon* pBanner = m_pCamera->GetScreenPolygonAt(0);
    ASSERT_NE(pBanner, nullptr);

    std::set<std::string> kNamed;
    auto checkTexture = [&](EnTextureProperty* pTexture, const std::string& kWhere) {
        if (!pTexture) return;
        EnImage* pImage = pTexture->GetImage();
        ASSERT_NE(pImage, nullptr) << kWhere;
        ASSERT_NE(pImage->GetURL(), nullptr) << kWhere;
        // The stream found the file beside the scene file and replaced the name by its path.
        const fs::path kPath(pImage->GetURL());
        EXPECT_TRUE(fs::exists(kPath)) << kWhere << ": " << kPath;
        EnPointer<EnRawImageData> spRaw = new EnRawImageData;
        ASSERT_TRUE(ReadImageFile(pImage->GetURL(), spRaw)) << kWhere << ": " << kPath;
        EXPECT_NE(EnImage::ComputeMipLevels(spRaw->GetWidth(), spRaw->GetHeight()), 0u)
            << kPath << " is not a power of two on both sides";
        kNamed.insert(kPath.filename().string());
    };
    Visit(m_pRoot, [&](EnAVObject* pObject) {
        checkTexture(FindProperty<EnTextureProperty>(pObject),
                     pObject->GetName() ? pObject->GetName() : "(unnamed)");
    });
    checkTexture(static_cast<EnTextureProperty*>(
                     pBanner->GetPropertyState()->GetProperty(EnProperty::TEXTURE)),
                 "banner");

    const std::set<std::string> kExpected = {
        TestTrackScene::GRASS_IMAGE, TestTrackScene::ASPHALT_IMAGE, TestTrackScene::FENCE_IMAGE,
        TestTrackScene::SKY_IMAGE,   TestTrackScene::WALL_IMAGE,    TestTrackScene::BANNER_IMAGE};
    EXPECT_EQ(kNamed, kExpected);

    // Every file the set reports exists, and the pictures are exactly those the scene names.
    std::set<std::string> kPictures;
    for (const std::string& kFile : m_kSet.GetWrittenFiles()) {
        EXPECT_TRUE(fs::exists(m_kDir.Path() + "/" + kFile)) << kFile;
        if (fs::path(kFile).extension() != ".enf") kPictures.insert(fs::path(kFile).filename());
    }
    EXPECT_EQ(kPictures, kExpected);
}

TEST_F(DemoDataSetTest, HoldsEveryKindOfContentTheTrackShows) {
    // Road: one closed strip whose last pair of vertices meets the first.
    auto* pRoad = EnDynamicCast(EnTriStrips, Find("road_strip"));
    ASSERT_NE(pRoad, nullptr);
    EnTriStripsData* pStrips = pRoad->GetStripsData();
    ASSERT_TRUE(pStrips->HasValidStrips());
    ASSERT_EQ(pStrips->GetStripCount(), 1u);
    const uint16_t* pusList = pStrips->GetStripLists();
    const uint16_t usLength = pStrips->GetStripLengths()[0];
    for (int i = 0; i < 2; ++i) {
        const EnVector3& a = pStrips->GetVertices()[pusList[i]];
        const EnVector3& b = pStrips->GetVertices()[pusList[usLength - 2 + i]];
        EXPECT_NEAR((a - b).Length(), 0.0f, 1e-3f) << "the road loop does not close";
    }
    EXPECT_NE(pStrips->GetTextures(), nullptr);

    auto* pKerbs = EnDynamicCast(EnTriStrips, Find("kerbs"));
    ASSERT_NE(pKerbs, nullptr);
    EXPECT_EQ(pKerbs->GetStripsData()->GetStripCount(), 2u);
    EXPECT_TRUE(pKerbs->GetStripsData()->HasValidStrips());

    // Vertex-coloured objects carry colours and a property that uses them.
    for (const char* pcName : {"kerbs", "grandstand_shape", "skydome_shape", "lights_red"}) {
        auto* pGeometry = EnDynamicCast(EnGeometry, Find(pcName));
        ASSERT_NE(pGeometry, nullptr) << pcName;
        EXPECT_NE(pGeometry->GetGeometryData()->GetColors(), nullptr) << pcName;
        EnAVObject* pHolder = pGeometry->GetParent();
        auto* pColors = FindProperty<EnVertexColorProperty>(pHolder);
        ASSERT_NE(pColors, nullptr) << pcName;
        EXPECT_NE(pColors->GetSourceMode(), EnVertexColorProperty::SOURCE_IGNORE) << pcName;
    }

    // Fog over the track, none on the sky.
    auto* pFog = FindProperty<EnFogProperty>(m_pRoot);
    ASSERT_NE(pFog, nullptr);
    EXPECT_TRUE(pFog->GetFog());
    EnAVObject* pSky = Find(TestTrackScene::SKY_NAME);
    ASSERT_NE(pSky, nullptr);
    ASSERT_NE(FindProperty<EnFogProperty>(pSky), nullptr);
    EXPECT_FALSE(FindProperty<EnFogProperty>(pSky)->GetFog());

    // Blended groups with several objects each, for the sorter to order.
    for (const char* pcName : {"fences", "glass"}) {
        auto* pNode = EnDynamicCast(EnNode, Find(pcName));
        ASSERT_NE(pNode, nullptr) << pcName;
        auto* pAlpha = FindProperty<EnAlphaProperty>(pNode);
        ASSERT_NE(pAlpha, nullptr) << pcName;
        EXPECT_TRUE(pAlpha->GetAlphaBlending()) << pcName;
        EXPECT_FALSE(pAlpha->GetNoSorter()) << pcName;
        EXPECT_GE(pNode->GetChildCount(), 4u) << pcName;
    }

    // Lights: the sun and the sky light over everything, a lamp over the pits.
    auto* pSun = EnDynamicCast(EnDirectionalLight, Find("sun"));
    ASSERT_NE(pSun, nullptr);
    EXPECT_TRUE(m_pRoot->HasEffect(pSun));
    EXPECT_LT(pSun->GetWorldDirection().z, -0.5f) << "the sun shines from above";
    auto* pLamp = EnDynamicCast(EnPointLight, Find("pit_lamp"));
    ASSERT_NE(pLamp, nullptr);
    auto* pPits = EnDynamicCast(EnNode, Find("pits"));
    ASSERT_NE(pPits, nullptr);
    EXPECT_TRUE(pPits->HasEffect(pLamp));

    // Start lights on a switch showing the red set.
    auto* pSwitch = EnDynamicCast(EnSwitchNode, Find("start_lights"));
    ASSERT_NE(pSwitch, nullptr);
    EXPECT_EQ(pSwitch->GetChildCount(), 2u);
    ASSERT_NE(pSwitch->GetActiveChild(), nullptr);
    EXPECT_STREQ(pSwitch->GetActiveChild()->GetName(), "lights_red");
}

TEST_F(DemoDataSetTest, TreesShowBothLevelsOfDetailFromTheDemoCamera) {
    int iNear = 0, iFar = 0, iTrees = 0;
    Visit(m_pRoot, [&](EnAVObject* pObject) {
        auto* pLOD = EnDynamicCast(EnLODNode, pObject);
        if (!pLOD) return;
        ++iTrees;
        ASSERT_EQ(pLOD->GetRangeCount(), 2u);
        ASSERT_EQ(pLOD->GetChildCount(), 2u);
        // Child 0 is near until range 0 ends, where range 1 begins.
        EXPECT_EQ(pLOD->GetRange(0)->m_fFar, pLOD->GetRange(1)->m_fNear);
        const float fDistance =
            (pLOD->GetAt(0)->GetWorldBound().GetCenter() - m_pCamera->GetWorldLocation()).Length();
        (fDistance < pLOD->GetRange(0)->m_fFar ? iNear : iFar)++;
    });
    EXPECT_GE(iTrees, 10);
    EXPECT_GT(iNear, 0);
    EXPECT_GT(iFar, 0);
}

TEST(DemoDataSet, IsSmallAndTheSameEveryTime) {
    TempDir kFirst, kSecond;
    DemoDataSet kSetA, kSetB;
    ASSERT_TRUE(kSetA.Write(kFirst.Path())) << kSetA.GetError();
    ASSERT_TRUE(kSetB.Write(kSecond.Path())) << kSetB.GetError();
    ASSERT_EQ(kSetA.GetWrittenFiles(), kSetB.GetWrittenFiles());
    uintmax_t uiTotal = 0;
    for (const std::string& kFile : kSetA.GetWrittenFiles()) {
        const std::string kA = TempDir::Read(kFirst.Path() + "/" + kFile);
        EXPECT_FALSE(kA.empty()) << kFile;
        EXPECT_TRUE(kA == TempDir::Read(kSecond.Path() + "/" + kFile)) << kFile << " differs";
        uiTotal += kA.size();
    }
    EXPECT_LT(uiTotal, 400u * 1024u) << "the demo data set is meant to stay tiny";
}

TEST(DemoDataSet, ReportsWhereItCannotWrite) {
    TempDir kDir;
    // A file where the data directory should be.
    const std::string kBlocked = kDir.Write("data", "not a directory");
    DemoDataSet kSet;
    EXPECT_FALSE(kSet.Write(kBlocked));
    EXPECT_NE(kSet.GetError().find("cannot create"), std::string::npos) << kSet.GetError();
    EXPECT_TRUE(kSet.GetWrittenFiles().empty());
}

}  // namespace
