#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <tuple>
#include <vector>

#include "engine/core/EnExtraData.h"
#include "engine/core/EnNode.h"
#include "engine/core/EnStringExtraData.h"
#include "engine/core/EnTimeController.h"
#include "engine/core/EnWireframeProperty.h"
#include "engine/core/EnZBufferProperty.h"
#include "engine/geometry/EnEnvMappedTriShape.h"
#include "engine/geometry/EnTriShape.h"
#include "engine/geometry/EnTriShapeDynamicData.h"
#include "engine/geometry/EnTriStrips.h"
#include "engine/geometry/StripifyScene.h"
#include "engine/geometry/TriangleStripifier.h"
#include "tests/engine/geometry/GeometryTestHelpers.h"
#include "tests/support/DebugCapture.h"

namespace {

// Vertices on a parabola, so that every triangle of distinct indices has some area.
EnVector3* NewVertices(uint16_t usVertices) {
    EnVector3* pVertex = new EnVector3[usVertices ? usVertices : 1];
    for (uint16_t i = 0; i < usVertices; i++) pVertex[i] = EnVector3(float(i), float(i * i), 0.5f);
    return pVertex;
}

EnTriShapeData* NewShapeData(uint16_t usVertices, const std::vector<uint16_t>& kList) {
    return new EnTriShapeData(usVertices, NewVertices(usVertices), nullptr, nullptr, nullptr,
                              uint16_t(kList.size() / 3), NewArray(kList));
}

EnPointer<EnTriShape> MakeShape(uint16_t usVertices, const std::vector<uint16_t>& kList,
                                const char* pcName = nullptr) {
    EnPointer<EnTriShape> spShape = new EnTriShape(NewShapeData(usVertices, kList));
    spShape->SetName(pcName);
    return spShape;
}

size_t Occurrences(const std::string& kText, const std::string& kWhat) {
    size_t uiCount = 0;
    for (size_t pos = kText.find(kWhat); pos != std::string::npos; pos = kText.find(kWhat, pos + 1))
        uiCount++;
    return uiCount;
}

// Takes any target, so that tests can hand it to shapes and strips alike.
class PassTestController : public EnTimeController {
public:
    void Update(float) override {}
    bool IsTargetTypeValid() const override { return true; }
};

// A node whose scale can be set to what a loaded file may hold, a mirroring one included.
class ScaleDonor : public EnNode {
public:
    explicit ScaleDonor(float fScale) { m_fLocalScale = fScale; }
};

// A shape kind of its own: the pass leaves subclasses alone.
class DerivedShape : public EnTriShape {
    EN_DECLARE_RTTI;

public:
    using EnTriShape::EnTriShape;
};
EN_IMPLEMENT_RTTI(DerivedShape, EnTriShape);

std::vector<EnProperty*> PropertiesOf(const EnAVObject& kObject) {
    std::vector<EnProperty*> kOut;
    const auto& kList = kObject.GetPropertyList();
    for (EnTListIterator pos = kList.GetHeadPos(); pos;) kOut.push_back(kList.GetNext(pos));
    return kOut;
}

}  // namespace

struct WarningCase {
    const char* pcWhat;
    const char* pcName;
    std::vector<uint16_t> kList;
    uint16_t usKept;
    const char* pcText;
};

TEST(StripifyScene, ReportsTheDegenerateTrianglesItDrops) {
    const WarningCase kCases[] = {
        {"two of five degenerate",
         "Hull",
         {0, 1, 2, 2, 2, 3, 2, 1, 3, 3, 4, 3, 1, 3, 4},
         3,
         "Warning: 2 degenerate triangles deleted from EnTriShape \"Hull\".\n"},
        {"an unnamed shape",
         nullptr,
         {0, 1, 1, 0, 1, 2},
         1,
         "Warning: 1 degenerate triangles deleted from EnTriShape \"\".\n"},
        {"all degenerate",
         "Flat",
         {0, 0, 1, 2, 2, 2},
         0,
         "Warning: 2 degenerate triangles deleted from EnTriShape \"Flat\".\n"},
        {"none degenerate", "Clean", {0, 1, 2, 2, 1, 3}, 2, ""},
        {"no triangles", "Empty", {}, 0, ""},
    };
    for (const WarningCase& c : kCases) {
        EnPointer<EnNode> spRoot = new EnNode;
        spRoot->AddChild(MakeShape(5, c.kList, c.pcName));
        DebugCapture kCapture;
        StripifyScene(spRoot, false);
        EXPECT_EQ(kCapture.Text(), c.pcText) << c.pcWhat;

        auto* pStrips = EnDynamicCast(EnTriStrips, spRoot->GetAt(0));
        ASSERT_NE(pStrips, nullptr) << c.pcWhat;
        EnTriStripsData* pData = pStrips->GetStripsData();
        EXPECT_EQ(pData->GetTriangleCount(), c.usKept) << c.pcWhat;
        EXPECT_TRUE(pData->HasValidStrips()) << c.pcWhat;
        EXPECT_EQ(pData->GetStripCount() == 0, c.usKept == 0) << c.pcWhat;
    }
}

TEST(StripifyScene, ReplacesPlainShapesAtAnyDepthAndLeavesOtherKinds) {
    EnPointer<EnNode> spRoot = new EnNode;
    EnPointer<EnNode> spMiddle = new EnNode;
    EnPointer<EnNode> spDeep = new EnNode;
    const std::vector<uint16_t> kQuad = {0, 1, 2, 2, 1, 3};
    EnPointer<EnTriShape> spEnvMapped = new EnEnvMappedTriShape(NewShapeData(4, kQuad));
    EnPointer<EnTriShape> spDerived = new DerivedShape(NewShapeData(4, kQuad));
    EnPointer<EnTriShape> spDynamic = new EnTriShape(new EnTriShapeDynamicData(
        4, NewVertices(4), nullptr, nullptr, nullptr, 2, NewArray(kQuad), 4, 1));
    EnPointer<EnTriShape> spBadIndices = MakeShape(3, kQuad);  // index 3 is past the vertices
    EnPointer<EnTriShape> spAnimated = MakeShape(4, kQuad);
    EnPointer<EnTimeController> spController = new PassTestController;
    spController->SetTarget(spAnimated);

    spRoot->AddChild(MakeShape(4, kQuad, "top"));
    EnPointer<EnNode> spGone = new EnNode;
    spRoot->AddChild(spGone);
    spRoot->AddChild(spMiddle);
    spRoot->RemoveChild(spGone);  // leaves an empty slot
    spMiddle->AddChild(spDeep);
    spDeep->AddChild(MakeShape(4, kQuad, "deep"));
    for (EnTriShape* pKept : {spEnvMapped.Get(), spDerived.Get(), spDynamic.Get(),
                              spBadIndices.Get(), spAnimated.Get()})
        spDeep->AddChild(pKept);

    StripifyScene(spRoot, true);

    auto* pTop = EnDynamicCast(EnTriStrips, spRoot->GetAt(0));
    ASSERT_NE(pTop, nullptr);
    EXPECT_STREQ(pTop->GetName(), "top");
    EXPECT_EQ(spRoot->GetAt(1), nullptr);
    EXPECT_EQ(spRoot->GetAt(2), spMiddle.Get());
    EXPECT_EQ(spMiddle->GetAt(0), spDeep.Get());
    auto* pDeep = EnDynamicCast(EnTriStrips, spDeep->GetAt(0));
    ASSERT_NE(pDeep, nullptr);
    EXPECT_STREQ(pDeep->GetName(), "deep");
    EXPECT_EQ(pDeep->GetParent(), spDeep.Get());
    const EnTriShape* apKept[] = {spEnvMapped, spDerived, spDynamic, spBadIndices, spAnimated};
    for (uint32_t i = 0; i < 5; i++) {
        EXPECT_EQ(spDeep->GetAt(i + 1), apKept[i]) << "child " << i + 1;
        EXPECT_FALSE(CanStripify(apKept[i])) << "child " << i + 1;
    }
    EXPECT_EQ(spController->GetTarget(), spAnimated.Get());
    EXPECT_EQ(ConvertTriShape(spAnimated, true).Get(), nullptr);
}

TEST(StripifyScene, ShapesSharingDataShareOneStripData) {
    EnPointer<EnTriShapeData> spData = NewShapeData(4, {0, 1, 2, 3, 3, 1, 2, 1, 3});
    EnPointer<EnNode> spRoot = new EnNode;
    EnPointer<EnNode> spOther = new EnNode;
    EnPointer<EnTriShape> spFirst = new EnTriShape(spData);
    EnPointer<EnTriShape> spSecond = new EnTriShape(spData);
    spFirst->SetName("first");
    spSecond->SetName("second");
    spSecond->SetLocalTranslate(EnVector3(5, 0, 0));
    spRoot->AddChild(spFirst);
    spRoot->AddChild(spOther);
    spOther->AddChild(spSecond);

    DebugCapture kCapture;
    StripifyScene(spRoot, false);
    EXPECT_EQ(kCapture.Text(),
              "Warning: 1 degenerate triangles deleted from EnTriShape \"first\".\n");

    auto* pFirst = EnDynamicCast(EnTriStrips, spRoot->GetAt(0));
    auto* pSecond = EnDynamicCast(EnTriStrips, spOther->GetAt(0));
    ASSERT_NE(pFirst, nullptr);
    ASSERT_NE(pSecond, nullptr);
    EXPECT_EQ(pFirst->GetStripsData(), pSecond->GetStripsData());
    EXPECT_STREQ(pSecond->GetName(), "second");
    EXPECT_EQ(pSecond->GetLocalTranslate(), EnVector3(5, 0, 0));
    // The replaced shapes went with the tree's references; the source data lives on in ours.
    EXPECT_EQ(spFirst->GetParent(), nullptr);
    EXPECT_EQ(spData->GetRefCount(), 3);

    // A later pass starts with a fresh map and warns again.
    EnPointer<EnNode> spAgain = new EnNode;
    spAgain->AddChild(spFirst);
    StripifyScene(spAgain, false);
    EXPECT_EQ(Occurrences(kCapture.Text(), "Warning: "), 2u);
}

TEST(StripifyScene, TheStripShapeTakesOverTheShapesSceneState) {
    EnPointer<EnTriShape> spShape = MakeShape(4, {0, 1, 2, 2, 1, 3}, "Body");
    EnPointer<EnProperty> spWire = new EnWireframeProperty;
    EnPointer<EnProperty> spDepth = new EnZBufferProperty;
    spShape->AttachProperty(spWire);
    spShape->AttachProperty(spDepth);  // the list is now depth, wire
    EnPointer<EnExtraData> spTag = new EnStringExtraData("tag");
    EnPointer<EnExtraData> spBytes = new EnExtraData("xy", 2);
    spShape->AddExtraData(spBytes);
    spShape->AddExtraData(spTag);
    spShape->CopyLocalTransform(ScaleDonor(-2.0f));  // a mirroring scale, as a file may hold
    EnMatrix3 kTurn;
    kTurn.MakeZRotation(0.5f);
    spShape->SetLocalRotate(kTurn);
    spShape->SetLocalTranslate(EnVector3(1, 2, 3));
    spShape->SetLocalVelocity(EnVector3(0, 0, 9));
    spShape->SetAppCulled(true);
    spShape->SetPropagationMode(EnAVObject::USE_TRIANGLES);
    ASSERT_EQ(spShape->GetLocalScale(), -2.0f);

    EnPointer<EnNode> spRoot = new EnNode;
    spRoot->AddChild(spShape);
    StripifyScene(spRoot, true);
    auto* pStrips = EnDynamicCast(EnTriStrips, spRoot->GetAt(0));
    ASSERT_NE(pStrips, nullptr);

    EXPECT_STREQ(pStrips->GetName(), "Body");
    EXPECT_NE(pStrips->GetName(), spShape->GetName());  // a copy
    EXPECT_EQ(PropertiesOf(*pStrips), (std::vector<EnProperty*>{spDepth, spWire}));
    EXPECT_EQ(pStrips->GetFirstExtraData(), spTag.Get());
    EXPECT_EQ(spTag->GetNext(), spBytes.Get());
    EXPECT_EQ(spShape->GetFirstExtraData(), nullptr);
    EXPECT_EQ(pStrips->GetLocalRotate(), kTurn);
    EXPECT_EQ(pStrips->GetLocalTranslate(), EnVector3(1, 2, 3));
    EXPECT_EQ(pStrips->GetLocalVelocity(), EnVector3(0, 0, 9));
    EXPECT_EQ(pStrips->GetLocalScale(), -2.0f);
    EXPECT_TRUE(pStrips->GetAppCulled());
    EXPECT_EQ(pStrips->GetPropagationMode(), EnAVObject::USE_TRIANGLES);
    EXPECT_EQ(pStrips->GetFlags(), spShape->GetFlags());
}

TEST(StripifyScene, ControllersMoveToTheNewObjectInChainOrder) {
    EnPointer<EnTriShape> spShape = MakeShape(3, {0, 1, 2});
    EnPointer<EnTimeController> spFirst = new PassTestController;
    EnPointer<EnTimeController> spSecond = new PassTestController;
    EnPointer<EnTimeController> spThird = new PassTestController;
    // Each joins at the head of the chain.
    for (EnTimeController* p : {spThird.Get(), spSecond.Get(), spFirst.Get()})
        p->SetTarget(spShape);
    ASSERT_EQ(spShape->GetFirstController(), spFirst.Get());

    EnPointer<EnTriStrips> spNew = new EnTriStrips(new EnTriStripsData);
    TransferObjectState(spNew, spShape);
    EXPECT_EQ(spShape->GetFirstController(), nullptr);
    std::vector<EnTimeController*> kChain;
    for (EnTimeController* p = spNew->GetFirstController(); p; p = p->GetNext()) {
        kChain.push_back(p);
        EXPECT_EQ(p->GetTarget(), spNew.Get());
    }
    EXPECT_EQ(kChain, (std::vector<EnTimeController*>{spFirst, spSecond, spThird}));

    RetargetControllers(spNew, nullptr);
    EXPECT_EQ(spNew->GetFirstController(), spFirst.Get());
}

TEST(StripifyScene, TheStripDataCopiesEveryVertexArray) {
    const uint16_t usVertices = 4;
    EnVector3* pNormal = new EnVector3[usVertices];
    EnColorRGBA* pColor = new EnColorRGBA[usVertices];
    for (uint16_t i = 0; i < usVertices; i++) {
        pNormal[i] = EnVector3(0, 0, float(i));
        pColor[i] = EnColorRGBA(0.1f * i, 0.2f, 0.3f, 1.0f);
    }
    EnPointer<EnTriShapeData> spData =
        new EnTriShapeData(usVertices, NewVertices(usVertices), pNormal, pColor, nullptr, 2,
                           NewArray<uint16_t>({0, 1, 2, 2, 1, 3}));
    spData->CreateTextures(false, 2);
    for (uint32_t i = 0; i < spData->GetTextureCount(); i++)
        spData->GetTextures()[i] = EnVector2(float(i), -float(i));
    EnPointer<EnTriShape> spShape = new EnTriShape(spData);
    EnPointer<EnTriShape> spPlain = MakeShape(usVertices, {0, 1, 2});
    spPlain->GetShapeData()->UseDefaultColors();

    EnPointer<EnTriStrips> spStrips = ConvertTriShape(spShape, false);
    ASSERT_NE(spStrips.Get(), nullptr);
    EnTriStripsData* pStrips = spStrips->GetStripsData();
    EXPECT_EQ(pStrips->GetVertexCount(), usVertices);
    EXPECT_EQ(pStrips->GetTextureSets(), 2);
    EXPECT_EQ(pStrips->GetBound().GetCenter(), spData->GetBound().GetCenter());
    EXPECT_EQ(pStrips->GetBound().GetRadius(), spData->GetBound().GetRadius());
    EXPECT_NE(pStrips->GetVertices(), spData->GetVertices());
    EXPECT_EQ(0, std::memcmp(pStrips->GetVertices(), spData->GetVertices(),
                             usVertices * sizeof(EnVector3)));
    EXPECT_EQ(0, std::memcmp(pStrips->GetNormals(), spData->GetNormals(),
                             usVertices * sizeof(EnVector3)));
    EXPECT_EQ(0, std::memcmp(pStrips->GetColors(), spData->GetColors(),
                             usVertices * sizeof(EnColorRGBA)));
    EXPECT_EQ(0, std::memcmp(pStrips->GetTextures(), spData->GetTextures(),
                             spData->GetTextureCount() * sizeof(EnVector2)));

    EnPointer<EnTriStrips> spPlainStrips = ConvertTriShape(spPlain, false);
    ASSERT_NE(spPlainStrips.Get(), nullptr);
    EXPECT_EQ(spPlainStrips->GetStripsData()->GetNormals(), nullptr);
    EXPECT_EQ(spPlainStrips->GetStripsData()->GetTextures(), nullptr);
    EXPECT_TRUE(spPlainStrips->GetStripsData()->UsesDefaultColors());
}

TEST(StripifyScene, DrawsTheSameTrianglesWithTheSameWinding) {
    DebugCapture kCapture;  // the warnings are not looked at here
    for (uint32_t uiSeed = 1; uiSeed <= 20; uiSeed++) {
        RandomSource kRandom(uiSeed);
        const uint16_t usVertices = uint16_t(kRandom.Int(3, 40));
        std::vector<uint16_t> kList;
        for (uint32_t i = 0, n = 3 * kRandom.Int(1, 120); i < n; i++)
            kList.push_back(uint16_t(kRandom.Int(0, usVertices - 1)));
        EnPointer<EnTriShape> spShape = MakeShape(usVertices, kList);
        for (bool bRunOn : {false, true}) {
            EnPointer<EnTriStrips> spStrips = ConvertTriShape(spShape, bRunOn);
            ASSERT_NE(spStrips.Get(), nullptr) << kRandom.Seed();
            const uint16_t usKept = spStrips->GetStripsData()->GetTriangleCount();
            // Through the strip object's own triangle walk, as the collision code reads them.
            std::vector<IndexTriangle> kDrawn = TrianglesOf(*spStrips, usKept), kExpected;
            for (size_t i = 0; i < kList.size(); i += 3)
                if (!TriangleStripifier::IsDegenerate(kList[i], kList[i + 1], kList[i + 2]))
                    kExpected.push_back({kList[i], kList[i + 1], kList[i + 2]});
            ASSERT_EQ(kDrawn.size(), kExpected.size()) << kRandom.Seed();
            // Both sides turned so the smallest index comes first, then compared as sets.
            auto kNormalise = [](std::vector<IndexTriangle>& kTriangles) {
                for (IndexTriangle& t : kTriangles) {
                    while (t.a > t.b || t.a > t.c) t = {t.b, t.c, t.a};
                }
                std::sort(kTriangles.begin(), kTriangles.end(),
                          [](const IndexTriangle& x, const IndexTriangle& y) {
                              return std::tie(x.a, x.b, x.c) < std::tie(y.a, y.b, y.c);
                          });
            };
            kNormalise(kDrawn);
            kNormalise(kExpected);
            EXPECT_EQ(kDrawn, kExpected) << kRandom.Seed();
        }
    }
}

// A closed band that winds round seven times before it meets itself: run on, its one strip has
// 65,536 indices, one more than a strip length can hold.
TEST(StripifyScene, AMeshWhoseStripsDoNotFitStaysATriangleList) {
    const uint32_t uiVertices = 32767, uiTurn = 7;
    std::vector<uint16_t> kList;
    for (uint32_t i = 0; i < uiVertices; i++) {
        const auto a = uint16_t(i), b = uint16_t((i + 1) % uiVertices);
        const auto c = uint16_t((i + uiTurn) % uiVertices);
        const auto d = uint16_t((i + uiTurn + 1) % uiVertices);
        kList.insert(kList.end(), {a, b, c, b, d, c});
    }
    EnPointer<EnTriShape> spShape = MakeShape(uint16_t(uiVertices), kList, "Band");
    ASSERT_FALSE(
        TriangleStripifier(kList.data(), uint32_t(kList.size() / 3), true).FitsStripsData());

    EnPointer<EnNode> spRoot = new EnNode;
    spRoot->AddChild(spShape);
    DebugCapture kCapture;
    StripifyScene(spRoot, true);
    EXPECT_EQ(spRoot->GetAt(0), spShape.Get());
    EXPECT_STREQ(spShape->GetName(), "Band");
    EXPECT_EQ(kCapture.Text(), "");

    // Without run-on the same band is cut into strips that fit.
    StripifyScene(spRoot, false);
    auto* pStrips = EnDynamicCast(EnTriStrips, spRoot->GetAt(0));
    ASSERT_NE(pStrips, nullptr);
    EXPECT_EQ(pStrips->GetStripsData()->GetTriangleCount(), kList.size() / 3);
    EXPECT_TRUE(pStrips->GetStripsData()->HasValidStrips());
}
