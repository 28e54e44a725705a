#include <gtest/gtest.h>
#include <pthread.h>

#include <algorithm>
#include <functional>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "engine/core/EnAlphaProperty.h"
#include "engine/core/EnBillboardNode.h"
#include "engine/core/EnCamera.h"
#include "engine/core/EnNode.h"
#include "engine/core/EnPointer.h"
#include "engine/core/EnPropertyState.h"
#include "engine/core/EnRayQuery.h"
#include "engine/core/EnStream.h"
#include "engine/core/EnViewerStrings.h"
#include "engine/core/EnZBufferProperty.h"
#include "engine/geometry/EnDynamicEffectState.h"
#include "engine/geometry/EnTriShape.h"
#include "engine/render/EnAlphaAccumulator.h"
#include "engine/render/EnAlphaProxy.h"
#include "engine/render/EnAlphaSorter.h"
#include "tests/engine/render/AlphaSorterTestHelpers.h"
#include "tests/support/DebugCapture.h"
#include "tests/support/RecordingRender.h"
#include "tests/support/TempDir.h"

namespace {

using namespace alpha_test;
using BSPTree = EnAlphaSorter::BSPTree;
using ProxyNode = EnAlphaSorter::ProxyNode;

EnPointer<EnAlphaProperty> MakeBlend(bool bBlend = true, bool bNoSorter = false) {
    EnPointer<EnAlphaProperty> spAlpha = new EnAlphaProperty;
    spAlpha->SetAlphaBlending(bBlend);
    spAlpha->SetNoSorter(bNoSorter);
    return spAlpha;
}

// A camera drawing a root that holds the sorted scene and, after it, the sorter, through a
// recording renderer. The scene blends everything below it.
struct Stage {
    EnPointer<RecordingRender> spRenderer = new RecordingRender;
    EnPointer<EnCamera> spCamera = new EnCamera;
    EnPointer<EnNode> spRoot = new EnNode;
    EnPointer<EnNode> spScene = new EnNode;
    EnPointer<EnAlphaSorter> spSorter = new EnAlphaSorter;
    EnPointer<EnAlphaProperty> spBlend = MakeBlend();
    std::map<const void*, std::string> kNames;  // geometry data -> the name a test gave it

    explicit Stage(float fHalfWidth = 0.5f) {
        spCamera->SetViewFrustum({-fHalfWidth, fHalfWidth, fHalfWidth, -fHalfWidth, 1.0f, 100.0f});
        spCamera->SetRenderer(spRenderer);
        spCamera->SetScene(spRoot);
        spRoot->AddChild(spScene);
        spRoot->AddChild(spSorter);
        spScene->AttachProperty(spBlend);
    }
    EnTriShape* Add(const char* pcName, EnPointer<EnTriShape> spShape, EnNode* pParent = nullptr) {
        spShape->SetName(pcName);
        kNames[spShape->GetShapeData()] = pcName;
        (pParent ? pParent : spScene.Get())->AddChild(spShape);
        return spShape;
    }
    void Build(const EnAlphaSorter::ExclusionMap* pExclude = nullptr) {
        spSorter->BuildTree(spScene, 0.0f, pExclude);
        spRoot->Update(0.0f);
        spRoot->UpdateProperties();
        spRoot->UpdateEffects();
    }
    void Look(const EnVector3& kFrom, const EnVector3& kAt) {
        spCamera->SetLocalTranslate(kFrom);
        spCamera->Update(0.0f);
        ASSERT_TRUE(spCamera->AimAt(kAt, EnVector3(0.0f, 1.0f, 0.0f)));
        spCamera->Update(0.0f);
    }
    void Frame() {
        spRenderer->Clear();
        spCamera->RenderFrame();
    }
    // The names of the drawn geometry in draw order; a piece the test did not name is "?".
    std::vector<std::string> Drawn() const {
        std::vector<std::string> kOut;
        for (const RecordingRender::Call* pCall : spRenderer->GeometryDraws()) {
            auto it = kNames.find(pCall->m_pData);
            kOut.push_back(it != kNames.end() ? it->second : "?");
        }
        return kOut;
    }
};

// The objects of a tree node's chain, in chain order.
std::vector<const EnTriShape*> ChainObjects(const BSPTree* pTree) {
    std::vector<const EnTriShape*> kOut;
    for (const ProxyNode* p = pTree ? pTree->GetChain() : nullptr; p; p = p->m_spNext.get())
        kOut.push_back(p->m_spObject);
    return kOut;
}

// Every proxy in the tree, once per record.
void ForEachRecord(const BSPTree* pTree, const std::function<void(const ProxyNode&)>& fn) {
    if (!pTree) return;
    for (const ProxyNode* p = pTree->GetChain(); p; p = p->m_spNext.get()) fn(*p);
    ForEachRecord(pTree->GetFront(), fn);
    ForEachRecord(pTree->GetBack(), fn);
}

TEST(EnAlphaSorter, ParallelShapesDrawFarthestFirstFromEitherSide) {
    Stage kStage;
    kStage.Add("10", MakeQuadAtX(10.0f));
    kStage.Add("20", MakeQuadAtX(20.0f, 1.0f, 0.0f, 0.0f, true));
    kStage.Add("30", MakeQuadAtX(30.0f));
    kStage.Build();
    EXPECT_EQ(kStage.spSorter->GetTree()->GetRecordCount(), 3u);

    struct Case {
        EnVector3 from, at;
        std::vector<std::string> order;
    };
    const Case cases[] = {
        {{0, 0, 0}, {1, 0, 0}, {"30", "20", "10"}}, {{40, 0, 0}, {0, 0, 0}, {"10", "20", "30"}},
        {{25, 0, 0}, {40, 0, 0}, {"30"}},  // the others are behind the camera
        {{25, 0, 0}, {0, 0, 0}, {"10", "20"}},      {{15, 0.5f, 0.5f}, {40, 0, 0}, {"30", "20"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message()
                     << "camera at " << c.from.x << " looking toward " << c.at.x);
        kStage.Look(c.from, c.at);
        kStage.Frame();
        EXPECT_EQ(kStage.Drawn(), c.order);
        // Every mark is cleared by the sorter, so the next frame starts afresh.
        ForEachRecord(kStage.spSorter->GetTree(),
                      [](const ProxyNode& r) { EXPECT_FALSE(r.m_spProxy->IsDrawn()); });
    }
}

// B (x = 10), S (a flat quad lying across x = 20), Q (in P's plane), P (x = 20), F (x = 30):
// P is selected last and so gives the root's plane.
struct SplitScene : Stage {
    EnTriShape* pB;
    EnTriShape* pF;
    EnTriShape* pS;
    EnTriShape* pQ;
    EnTriShape* pP;
    explicit SplitScene(float fHalfWidth = 0.5f) : Stage(fHalfWidth) {
        pB = Add("B", MakeQuadAtX(10.0f));
        pF = Add("F", MakeQuadAtX(30.0f));
        pS = Add("S", MakeShape({{15, -3, -1}, {15, -3, 1}, {25, -3, 1}, {25, -3, -1}},
                                {0, 1, 2, 0, 2, 3}));
        pQ = Add("Q", MakeQuadAtX(20.0005f, 1.0f, 3.0f));
        pP = Add("P", MakeQuadAtX(20.0f));
        Build();
        // The pieces of S are named by their side of P.
        ForEachRecord(spSorter->GetTree(), [this](const ProxyNode& r) {
            if (kNames.count(r.m_spObject->GetShapeData())) return;
            const bool bFront = r.m_spObject->GetShapeData()->GetBound().m_center.x > 20.0f;
            kNames[r.m_spObject->GetShapeData()] = bFront ? "S front" : "S back";
        });
    }
};

TEST(EnAlphaSorter, PiecesInAPlaneJoinItsNodeAndStraddlingShapesAreCut) {
    SplitScene kStage;
    const BSPTree* pRoot = kStage.spSorter->GetTree();
    ASSERT_NE(pRoot, nullptr);
    EXPECT_NEAR(pRoot->GetPlane().m_normal.x, 1.0f, 1e-6);
    EXPECT_NEAR(pRoot->GetPlane().m_fConstant, 20.0f, 1e-5);
    // Q lies in P's plane within the tolerance and joins P's chain whole, ahead of P.
    EXPECT_EQ(ChainObjects(pRoot), (std::vector<const EnTriShape*>{kStage.pQ, kStage.pP}));
    // F is wholly in front and goes there as the same object; S is cut in two.
    ASSERT_NE(pRoot->GetFront(), nullptr);
    EXPECT_EQ(ChainObjects(pRoot->GetFront()), (std::vector<const EnTriShape*>{kStage.pF}));
    ASSERT_NE(pRoot->GetBack(), nullptr);
    EXPECT_EQ(ChainObjects(pRoot->GetBack()), (std::vector<const EnTriShape*>{kStage.pB}));
    EXPECT_EQ(pRoot->GetRecordCount(), 6u);

    struct Case {
        EnVector3 from, at;
        std::vector<std::string> order;
    };
    const Case cases[] = {
        {{0, 0, 0}, {1, 0, 0}, {"F", "S front", "Q", "P", "S back", "B"}},
        {{40, 0, 0}, {0, 0, 0}, {"B", "S back", "Q", "P", "S front", "F"}},
    };
    for (const Case& c : cases) {
        kStage.Look(c.from, c.at);
        kStage.Frame();
        EXPECT_EQ(kStage.Drawn(), c.order) << "camera at " << c.from.x;
    }
}

TEST(EnAlphaSorter, ACameraInANodesPlaneDrawsItsFrontSideFirst) {
    SplitScene kStage(1.2f);
    kStage.Look({20.0f, 0.0f, -15.0f}, {20.0f, 0.0f, 0.0f});
    kStage.Frame();
    EXPECT_EQ(kStage.Drawn(), (std::vector<std::string>{"F", "S front", "Q", "P", "B", "S back"}));
}

TEST(EnAlphaSorter, EachPieceDrawsWithItsProxysTransformStatesAndCullingPlanes) {
    Stage kStage;
    EnPointer<EnNode> spGroup = new EnNode;
    EnMatrix3 kTurn;
    kTurn.MakeYRotation(0.1f);
    spGroup->SetLocalRotate(kTurn);
    spGroup->SetLocalTranslate(EnVector3(0.0f, 1.0f, 0.0f));
    kStage.spScene->AddChild(spGroup);
    EnPointer<EnZBufferProperty> spZ = new EnZBufferProperty;
    EnTriShape* pInside = kStage.Add("inside", MakeQuadAtX(20.0f), spGroup);
    pInside->AttachProperty(spZ);
    kStage.Add("across the left edge", MakeQuadAtX(10.0f, 1.0f, 0.0f, -5.0f));
    kStage.Build();
    EnPointer<EnDynamicEffectState> spEffects = new EnDynamicEffectState;
    EnAlphaProxy* pInsideProxy = EnDynamicCast(EnAlphaProxy, spGroup->GetAt(0));
    ASSERT_NE(pInsideProxy, nullptr);
    pInsideProxy->SetEffectState(spEffects);

    kStage.Look({0, 0, 0}, {1, 0, 0});
    kStage.Frame();
    const auto& kCalls = kStage.spRenderer->m_kCalls;
    int iDraws = 0;
    for (size_t i = 0; i < kCalls.size(); i++) {
        if (kCalls[i].m_kName != "DrawTriShape") continue;
        iDraws++;
        const std::string kName = kStage.kNames[kCalls[i].m_pData];
        EnAlphaProxy* pProxy = nullptr;
        ForEachRecord(kStage.spSorter->GetTree(), [&](const ProxyNode& r) {
            if (r.m_spObject->GetShapeData() == kCalls[i].m_pData) pProxy = r.m_spProxy;
        });
        ASSERT_NE(pProxy, nullptr) << kName;
        EXPECT_EQ(kCalls[i].m_translate, pProxy->GetWorldTranslate()) << kName;
        EXPECT_EQ(kCalls[i].m_rotate, pProxy->GetWorldRotate()) << kName;
        EXPECT_EQ(kCalls[i].m_fScale, pProxy->GetWorldScale()) << kName;
        EXPECT_EQ(kCalls[i].m_pPropertyState, pProxy->GetPropertyState()) << kName;
        EXPECT_EQ(kCalls[i].m_pEffectState, pProxy->GetEffectState()) << kName;
        // The planes the proxy still straddled when the scene was culled.
        ASSERT_GT(i, 0u);
        ASSERT_EQ(kCalls[i - 1].m_kName, "SetClipPlanes") << kName;
        EXPECT_EQ(kCalls[i - 1].m_uiPlanes, kName == "inside" ? 0u : 1u) << kName;
    }
    EXPECT_EQ(iDraws, 2);
    EXPECT_EQ(pInsideProxy->GetPropertyState()->GetZBuffer(), spZ.Get());
    for (uint32_t i = 0; i < 6; i++) EXPECT_FALSE(kStage.spCamera->IsPlaneMasked(i));
}

TEST(EnAlphaSorter, AFrameLeavesReferenceCountsAndTheAccumulatorAsTheyWere) {
    Stage kStage;
    kStage.Add("near", MakeQuadAtX(10.0f));
    kStage.Add("far", MakeQuadAtX(30.0f));
    kStage.Add("straddling", MakeShape({{15, -3, -1}, {15, -3, 1}, {25, -3, 1}, {25, -3, -1}},
                                       {0, 1, 2, 0, 2, 3}));
    kStage.Add("mid", MakeQuadAtX(20.0f));
    // Left to the renderer's accumulator, which draws it after the scene.
    kStage.Add("excluded", MakeQuadAtX(25.0f, 1.0f, 3.0f));
    EnAlphaSorter::ExclusionMap kExclude;
    kExclude.SetAt("excluded", 1);
    kStage.Build(&kExclude);
    EnPointer<EnAlphaAccumulator> spAccumulator = new EnAlphaAccumulator;
    kStage.spRenderer->SetAccumulator(spAccumulator);
    kStage.Look({0, 0, 0}, {1, 0, 0});

    std::vector<std::pair<const char*, std::function<int32_t()>>> kCounts = {
        {"accumulator", [&] { return spAccumulator->GetRefCount(); }},
        {"renderer", [&] { return kStage.spRenderer->GetRefCount(); }},
        {"camera", [&] { return kStage.spCamera->GetRefCount(); }},
        {"scene", [&] { return kStage.spScene->GetRefCount(); }},
    };
    ForEachRecord(kStage.spSorter->GetTree(), [&](const ProxyNode& r) {
        EnTriShape* pObject = r.m_spObject;
        EnAlphaProxy* pProxy = r.m_spProxy;
        kCounts.push_back({"object", [pObject] { return pObject->GetRefCount(); }});
        kCounts.push_back({"proxy", [pProxy] { return pProxy->GetRefCount(); }});
        EnPropertyState* pState = pProxy->GetPropertyState();
        kCounts.push_back({"proxy property state", [pState] { return pState->GetRefCount(); }});
    });
    // The first frame lends the renderer the last opaque object's state; count from there.
    kStage.Frame();
    std::vector<int32_t> kBefore;
    for (const auto& kCount : kCounts) kBefore.push_back(kCount.second());
    EnPropertyState* pRendererState = kStage.spRenderer->GetPropertyState();

    for (int iFrame = 0; iFrame < 3; iFrame++) {
        kStage.Frame();
        EXPECT_EQ(kStage.Drawn(),
                  (std::vector<std::string>{"far", "?", "mid", "?", "near", "excluded"}));
        EXPECT_EQ(kStage.spRenderer->GetAccumulator(), spAccumulator.Get());
        EXPECT_EQ(spAccumulator->GetQueuedCount(), 0u);
        EXPECT_EQ(spAccumulator->GetCamera(), nullptr);
        EXPECT_EQ(kStage.spRenderer->GetPropertyState(), pRendererState);
        for (size_t i = 0; i < kCounts.size(); i++)
            EXPECT_EQ(kCounts[i].second(), kBefore[i]) << kCounts[i].first;
    }

    // Drawn on its own, the sorter gives the renderer back the states it found.
    EnPointer<EnPropertyState> spState = new EnPropertyState;
    kStage.spRenderer->SetPropertyState(spState);
    kStage.spRenderer->SetEffectState(nullptr);
    ForEachRecord(kStage.spSorter->GetTree(),
                  [](const ProxyNode& r) { r.m_spProxy->Draw(nullptr); });
    kStage.spSorter->Draw(kStage.spCamera);
    EXPECT_EQ(kStage.spRenderer->GetPropertyState(), spState.Get());
    EXPECT_EQ(kStage.spRenderer->GetEffectState(), nullptr);
    EXPECT_EQ(spState->GetRefCount(), 2);
}

TEST(EnAlphaSorter, SelectsBlendedShapesByItsOptionsAndTheExclusionMap) {
    struct Case {
        const char* name;
        bool observeNoSorter;
        bool sortBillboards;
        bool exclude;
        std::vector<std::string> sorted;  // of plain, opaque, nosort, board, skip, under
    };
    const Case cases[] = {
        {"defaults", true, true, false, {"plain", "board", "skip", "under"}},
        {"no-sorter flags ignored",
         false,
         true,
         false,
         {"plain", "nosort", "board", "skip", "under"}},
        {"billboards left alone", true, false, false, {"plain", "skip", "under"}},
        {"names excluded", true, true, true, {"plain", "board"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Stage kStage;
        kStage.spSorter->SetObserveNoSorter(c.observeNoSorter);
        kStage.spSorter->SetSortBillboards(c.sortBillboards);
        EXPECT_EQ(kStage.spSorter->GetFlags() & 0x18,
                  (c.observeNoSorter ? 0x08 : 0) | (c.sortBillboards ? 0x10 : 0));

        struct Place {
            EnNode* pParent;
            uint32_t uiIndex;
            EnTriShape* pShape;
        };
        std::map<std::string, Place> kShapes;
        auto Add = [&](const char* pcName, EnNode* pParent) {
            const uint32_t uiIndex = pParent->GetArrayCount();
            EnTriShape* pShape =
                kStage.Add(pcName, MakeQuadAtX(10.0f + float(kShapes.size())), pParent);
            kShapes[pcName] = {pParent, uiIndex, pShape};
            return pShape;
        };
        Add("plain", kStage.spScene);
        Add("opaque", kStage.spScene)->AttachProperty(MakeBlend(false));
        Add("nosort", kStage.spScene)->AttachProperty(MakeBlend(true, true));
        EnPointer<EnBillboardNode> spBoard = new EnBillboardNode;
        kStage.spScene->AddChild(spBoard);
        Add("board", spBoard);
        Add("skip", kStage.spScene);
        EnPointer<EnNode> spSkipNode = new EnNode;
        spSkipNode->SetName("skipnode");
        kStage.spScene->AddChild(spSkipNode);
        Add("under", spSkipNode);

        EnAlphaSorter::ExclusionMap kExclude;
        kExclude.SetAt("skip", 0);
        kExclude.SetAt("skipnode", 0);
        kStage.Build(c.exclude ? &kExclude : nullptr);

        std::vector<std::string> kSorted;
        for (const auto& [kName, kPlace] : kShapes) {
            EnAVObject* pNow = kPlace.pParent->GetAt(kPlace.uiIndex);
            const bool bProxy = EnIsKindOf(EnAlphaProxy, pNow);
            EXPECT_TRUE(bProxy || pNow == kPlace.pShape) << kName;
            if (bProxy) kSorted.push_back(kName);
        }
        std::sort(kSorted.begin(), kSorted.end());
        std::vector<std::string> kWant = c.sorted;
        std::sort(kWant.begin(), kWant.end());
        EXPECT_EQ(kSorted, kWant);
        EXPECT_EQ(kStage.spSorter->GetTree()->GetRecordCount(), kWant.size());
    }
}

TEST(EnAlphaSorter, SortedShapesSwitchToAlphaTestingAndKeepBlending) {
    Stage kStage;
    kStage.spBlend->SetAlphaTestRef(99);
    kStage.spBlend->SetTestMode(EnAlphaProperty::TEST_LESS);
    kStage.Add("glass", MakeQuadAtX(10.0f));
    kStage.Build();
    EXPECT_TRUE(kStage.spBlend->GetAlphaBlending());
    EXPECT_TRUE(kStage.spBlend->GetAlphaTesting());
    EXPECT_EQ(kStage.spBlend->GetTestMode(), EnAlphaProperty::TEST_GREATER);
    EXPECT_EQ(kStage.spBlend->GetAlphaTestRef(), 0);
    EXPECT_EQ(kStage.spBlend->GetSrcBlendMode(), EnAlphaProperty::ALPHA_SRCALPHA);
    EXPECT_EQ(kStage.spBlend->GetDestBlendMode(), EnAlphaProperty::ALPHA_INVSRCALPHA);
}

TEST(EnAlphaSorter, ShapesThatAreNotFlatBecomeANodeOfFlatPieces) {
    Stage kStage;
    // Two triangles at right angles, placed, turned and scaled, with a property of their own.
    EnTriShape* pBent = kStage.Add(
        "bent", MakeShape({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}}, {0, 1, 2, 0, 2, 3}));
    EnPointer<EnTriShape> spHoldBent = pBent;
    EnMatrix3 kTurn;
    kTurn.MakeZRotation(0.3f);
    pBent->SetLocalRotate(kTurn);
    pBent->SetLocalTranslate(EnVector3(12.0f, 0.5f, 0.0f));
    pBent->SetLocalScale(2.0f);
    EnPointer<EnZBufferProperty> spZ = new EnZBufferProperty;
    pBent->AttachProperty(spZ);
    // Clear of the plane of the bent shape's first piece (z = 0), so it is not cut.
    EnTriShape* pFlat = kStage.Add("flat", MakeQuadAtX(20.0f, 1.0f, 0.0f, 5.0f));
    EnTriShape* pSingle =
        kStage.Add("single", MakeShape({{30, 0, 0}, {30, 1, 0}, {30, 0, 1}}, {0, 1, 2}));
    kStage.Build();

    EnNode* pNode = EnDynamicCast(EnNode, kStage.spScene->GetAt(0));
    ASSERT_NE(pNode, nullptr);
    EXPECT_EQ(pNode->GetLocalTranslate(), EnVector3(12.0f, 0.5f, 0.0f));
    EXPECT_EQ(pNode->GetLocalRotate(), kTurn);
    EXPECT_EQ(pNode->GetLocalScale(), 2.0f);
    EXPECT_EQ(pNode->GetProperty(EnProperty::ZBUFFER).Get(), spZ.Get());
    EXPECT_EQ(pNode->GetChildCount(), 2u);
    std::vector<const EnTriShape*> kPieces;
    for (uint32_t i = 0; i < pNode->GetArrayCount(); i++) {
        auto* pProxy = EnDynamicCast(EnAlphaProxy, pNode->GetAt(i));
        ASSERT_NE(pProxy, nullptr);
        ForEachRecord(kStage.spSorter->GetTree(), [&](const ProxyNode& r) {
            if (r.m_spProxy == pProxy) kPieces.push_back(r.m_spObject);
        });
        // The proxy of a piece is where the bent shape was.
        EXPECT_EQ(pProxy->GetWorldTranslate(), EnVector3(12.0f, 0.5f, 0.0f));
        EXPECT_EQ(pProxy->GetWorldScale(), 2.0f);
    }
    ASSERT_EQ(kPieces.size(), 2u);
    for (const EnTriShape* pPiece : kPieces)
        EXPECT_EQ(pPiece->GetShapeData()->GetTriangleCount(), 1);
    // The bent shape itself is no longer referenced by the scene or the tree.
    EXPECT_EQ(spHoldBent->GetRefCount(), 1);

    // A flat quad and a single triangle are sorted whole.
    EXPECT_TRUE(EnIsKindOf(EnAlphaProxy, kStage.spScene->GetAt(1)));
    EXPECT_TRUE(EnIsKindOf(EnAlphaProxy, kStage.spScene->GetAt(2)));
    std::vector<const EnTriShape*> kObjects;
    ForEachRecord(kStage.spSorter->GetTree(),
                  [&](const ProxyNode& r) { kObjects.push_back(r.m_spObject); });
    EXPECT_EQ(std::count(kObjects.begin(), kObjects.end(), pFlat), 1);
    EXPECT_EQ(std::count(kObjects.begin(), kObjects.end(), pSingle), 1);
}

TEST(EnAlphaSorter, AMalformedFirstTriangleIsReportedWithTheFirstNameFoundAndTheBuildGoesOn) {
    const std::string kLong(300, 'x');
    struct Case {
        const char* name;
        const char* parent;       // name of the node holding the shape
        const char* grandparent;  // name of the node above it
        std::string reported;
    };
    const Case cases[] = {
        {"the parent's name", "Glass", "Track", "Glass"},
        {"the grandparent's name", nullptr, "Track", "Track"},
        {"no name", nullptr, nullptr, "<unnamed>"},
        {"a long name, cut at the buffer", kLong.c_str(), nullptr, kLong},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Stage kStage;
        EnPointer<EnNode> spGrandparent = new EnNode;
        spGrandparent->SetName(c.grandparent);
        EnPointer<EnNode> spParent = new EnNode;
        spParent->SetName(c.parent);
        kStage.spScene->AddChild(spGrandparent);
        spGrandparent->AddChild(spParent);
        kStage.Add("good", MakeQuadAtX(10.0f), spParent);
        // Selected last, so its first triangle, which has no area, gives the root's plane.
        kStage.Add("bad",
                   MakeShape({{20, 0, 0}, {20, 1, 0}, {20, 2, 0}, {20, 0, 1}}, {0, 1, 2, 0, 1, 3}),
                   spParent);
        DebugCapture kCapture;
        kStage.Build();
        std::string kWant =
            "EN Alpha Sorter: (Build Tree): Malformed triangle in object \"" + c.reported + "\".\n";
        if (kWant.size() > 253) kWant.resize(253);
        EXPECT_EQ(kCapture.Text(), kWant);
        // Everything lands in the root's chain.
        EXPECT_EQ(ChainObjects(kStage.spSorter->GetTree()).size(), 2u);
        EXPECT_EQ(kStage.spSorter->GetTree()->GetRecordCount(), 2u);
    }
}

TEST(EnAlphaSorter, ASceneWithoutBlendedShapesGivesAnEmptyTreeThatDrawsNothing) {
    Stage kStage;
    kStage.spBlend->SetAlphaBlending(false);
    kStage.Add("opaque", MakeQuadAtX(10.0f));
    DebugCapture kCapture;
    kStage.Build();
    ASSERT_NE(kStage.spSorter->GetTree(), nullptr);
    EXPECT_EQ(kStage.spSorter->GetTree()->GetRecordCount(), 0u);
    EXPECT_EQ(kCapture.Text(), "");
    kStage.Look({0, 0, 0}, {1, 0, 0});
    kStage.Frame();
    EXPECT_EQ(kStage.Drawn(), std::vector<std::string>{"opaque"});

    // Without any tree the sorter draws and finds nothing.
    EnPointer<EnAlphaSorter> spEmpty = new EnAlphaSorter;
    kStage.spRenderer->Clear();
    spEmpty->Draw(kStage.spCamera);
    EXPECT_TRUE(kStage.spRenderer->m_kCalls.empty());
    EnRayQuery kQuery;
    EXPECT_FALSE(spEmpty->FindIntersections({0, 0, 0}, {1, 0, 0}, kQuery));
}

TEST(EnAlphaSorter, ABuildReplacesTheTreeAndReleasesWhatTheOldOneHeld) {
    Stage kStage;
    EnPointer<EnTriShape> spShape = kStage.Add("glass", MakeQuadAtX(10.0f));
    kStage.Build();
    EXPECT_EQ(spShape->GetRefCount(), 2);  // the test and the tree
    EnAlphaProxy* pProxy = EnDynamicCast(EnAlphaProxy, kStage.spScene->GetAt(0));
    ASSERT_NE(pProxy, nullptr);
    EXPECT_EQ(pProxy->GetRefCount(), 2);  // the scene and the record
    kStage.Build();
    EXPECT_EQ(kStage.spSorter->GetTree()->GetRecordCount(), 0u);
    EXPECT_EQ(spShape->GetRefCount(), 1);
    EXPECT_EQ(pProxy->GetRefCount(), 1);
}

TEST(EnAlphaSorter, RayHitsOnSortedPiecesNameTheNodeHoldingTheProxy) {
    SplitScene kStage;
    EnRayQuery kQuery;
    // Clear of the quads' diagonals, where a ray would meet both of their triangles.
    EXPECT_TRUE(kStage.spSorter->FindIntersections({0, 0.5f, -0.25f}, {1, 0, 0}, kQuery));
    int iHits = 0;
    for (const auto& spHit : kQuery.m_kHits) {
        if (!spHit) continue;
        iHits++;
        EXPECT_EQ(spHit->m_spObject.Get(), kStage.spScene.Get());
    }
    EXPECT_EQ(iHits, 3);  // B, P and F
    // Down onto the cut quad S, on either side of P's plane.
    for (float fX : {17.0f, 23.0f}) {
        kQuery.ClearHits();
        EXPECT_TRUE(kStage.spSorter->FindIntersections({fX, 5, 0}, {0, -1, 0}, kQuery)) << fX;
        ASSERT_EQ(kQuery.m_kHits.size(), 1u);
        EXPECT_EQ(kQuery.m_kHits[0]->m_spObject.Get(), kStage.spScene.Get());
    }
    kQuery.ClearHits();
    EXPECT_FALSE(kStage.spSorter->FindIntersections({0, 50, 0}, {1, 0, 0}, kQuery));
}

// Builds the tree in a thread whose stack is far too small for one call level per tree level,
// then draws it, clears it and destroys it there.
struct DeepBuild {
    uint32_t uiShapes = 0;
    uint32_t uiRecords = 0;
    size_t uiDraws = 0;
    bool bDepthReached = false;

    static void* Run(void* pvSelf) {
        auto* pSelf = static_cast<DeepBuild*>(pvSelf);
        Stage kStage(100.0f);
        // Facing quads one behind the other: each level of the tree holds one of them.
        for (uint32_t i = 0; i < pSelf->uiShapes; i++)
            kStage.spScene->AddChild(MakeQuadAtX(1000.0f - 0.25f * float(i), 0.5f));
        kStage.Build();
        pSelf->uiRecords = kStage.spSorter->GetTree()->GetRecordCount();
        // Each level holds one quad and has one subtree, in front or behind.
        uint32_t uiDepth = 0;
        for (const BSPTree* p = kStage.spSorter->GetTree(); p;
             p = p->GetFront() ? p->GetFront() : p->GetBack())
            uiDepth++;
        pSelf->bDepthReached = uiDepth == pSelf->uiShapes;
        kStage.spCamera->SetViewFrustum({-100.0f, 100.0f, 100.0f, -100.0f, 1.0f, 10000.0f});
        kStage.Look({0, 0, 0}, {1, 0, 0});
        kStage.Frame();
        pSelf->uiDraws = kStage.spRenderer->GeometryDraws().size();
        return nullptr;
    }
};

TEST(EnAlphaSorter, TreesAsDeepAsTheNumberOfShapesNeedNoDeepCallStack) {
    DeepBuild kBuild;
    kBuild.uiShapes = 2000;
    pthread_attr_t kAttr;
    ASSERT_EQ(pthread_attr_init(&kAttr), 0);
    ASSERT_EQ(pthread_attr_setstacksize(&kAttr, 128 * 1024), 0);
    pthread_t kThread;
    ASSERT_EQ(pthread_create(&kThread, &kAttr, &DeepBuild::Run, &kBuild), 0);
    pthread_join(kThread, nullptr);
    pthread_attr_destroy(&kAttr);
    EXPECT_EQ(kBuild.uiRecords, kBuild.uiShapes);
    EXPECT_TRUE(kBuild.bDepthReached);
    EXPECT_EQ(kBuild.uiDraws, kBuild.uiShapes);
}

// Compares the drawing order with an independent test of what hides what: for every pair of
// drawn triangles, no point of the later one may be hidden from the eye by the earlier one.
TEST(EnAlphaSorter, RandomScenesDrawNothingBeforeWhatItHides) {
    for (uint32_t uiSeed = 1; uiSeed <= 12; uiSeed++) {
        SCOPED_TRACE("seed " + std::to_string(uiSeed));
        std::mt19937 kRandom(uiSeed);
        std::uniform_real_distribution<float> kBox(-4.0f, 4.0f);
        std::uniform_real_distribution<float> kUnit(0.0f, 1.0f);
        Stage kStage(3.0f);
        kStage.spCamera->SetViewFrustum({-3.0f, 3.0f, 3.0f, -3.0f, 0.1f, 1000.0f});
        // Shapes of one to three random triangles around (20, 0, 0), crossing one another.
        for (int s = 0; s < 14; s++) {
            const int iTriangles = 1 + int(kRandom() % 3);
            std::vector<EnVector3> kPositions;
            std::vector<uint16_t> kList;
            const EnVector3 kCentre(20.0f + kBox(kRandom), kBox(kRandom), kBox(kRandom));
            for (int t = 0; t < iTriangles; t++) {
                for (int j = 0; j < 3; j++) {
                    kList.push_back(uint16_t(kPositions.size()));
                    kPositions.push_back(
                        kCentre + 0.6f * EnVector3(kBox(kRandom), kBox(kRandom), kBox(kRandom)));
                }
            }
            kStage.spScene->AddChild(MakeShape(kPositions, kList));
        }
        {
            // Cuts close to a vertex leave slivers too small to give a plane; they are
            // reported and sorted with their node.
            DebugCapture kQuiet;
            kStage.Build();
        }

        for (int iView = 0; iView < 6; iView++) {
            const EnVector3 kEye(20.0f + 3.0f * kBox(kRandom), 3.0f * kBox(kRandom),
                                 3.0f * kBox(kRandom));
            kStage.Look(kEye, {20.0f, 0.1f, 0.1f});
            kStage.Frame();
            // The drawn triangles in the world, in drawing order.
            std::vector<Triangle> kDrawn;
            for (const RecordingRender::Call* pCall : kStage.spRenderer->GeometryDraws()) {
                const auto* pData = static_cast<const EnTriShapeData*>(pCall->m_pData);
                for (const Triangle& t :
                     TrianglesOf(pData, pCall->m_rotate, pCall->m_translate, pCall->m_fScale))
                    kDrawn.push_back(t);
            }
            ASSERT_FALSE(kDrawn.empty());
            const EnVector3 kDir = kStage.spCamera->GetWorldDirection();
            int iViolations = 0;
            for (size_t j = 1; j < kDrawn.size(); j++) {
                for (int s = 0; s < 6; s++) {
                    float a = kUnit(kRandom), b = kUnit(kRandom);
                    if (a + b > 1.0f) {
                        a = 1.0f - a;
                        b = 1.0f - b;
                    }
                    const Triangle& tj = kDrawn[j];
                    const EnVector3 q = tj.p[0] + a * (tj.p[1] - tj.p[0]) + b * (tj.p[2] - tj.p[0]);
                    if ((q - kEye).Dot(kDir) <= 0.1f) continue;
                    for (size_t i = 0; i < j; i++) {
                        const double dT = SegmentHit(kEye, q, kDrawn[i]);
                        if (dT > 0.0 && dT < 1.0 - 1e-3) iViolations++;
                    }
                }
            }
            EXPECT_EQ(iViolations, 0) << "view " << iView;
        }
        if (HasFailure()) return;
    }
}

TEST(EnAlphaSorterStream, SavesWhetherItHadATreeAndLoadsAnEmptyOne) {
    ASSERT_EQ(EnStream::FindLoader("EnAlphaSorter"), nullptr);
    EXPECT_EQ(EnAlphaSorter::RegisterLoader(), 1);

    EnPointer<EnNode> spScene = new EnNode;
    spScene->AttachProperty(MakeBlend());
    spScene->AddChild(MakeQuadAtX(10.0f));
    EnPointer<EnAlphaSorter> spBuilt = new EnAlphaSorter;
    spBuilt->BuildTree(spScene, 0.0f, nullptr);
    ASSERT_EQ(spBuilt->GetTree()->GetRecordCount(), 1u);
    EnPointer<EnAlphaSorter> spUnbuilt = new EnAlphaSorter;
    spUnbuilt->SetSortBillboards(false);

    TempDir kDir;
    const std::string kPath = kDir.File("sorters.enf");
    {
        EnStream kStream;
        kStream.InsertObject(spBuilt);
        kStream.InsertObject(spUnbuilt);
        ASSERT_TRUE(kStream.Save(kPath.c_str()));
    }
    EnStream kStream;
    ASSERT_TRUE(kStream.Load(kPath.c_str())) << EnStream::GetLastErrorText();
    ASSERT_EQ(kStream.GetObjectCount(), 2u);
    auto* pBuilt = EnDynamicCast(EnAlphaSorter, kStream.GetObjectAt(0));
    auto* pUnbuilt = EnDynamicCast(EnAlphaSorter, kStream.GetObjectAt(1));
    ASSERT_TRUE(pBuilt && pUnbuilt);
    ASSERT_NE(pBuilt->GetTree(), nullptr);
    EXPECT_EQ(pBuilt->GetTree()->GetRecordCount(), 0u);
    EXPECT_EQ(pBuilt->GetTree()->GetChain(), nullptr);
    EXPECT_EQ(pUnbuilt->GetTree(), nullptr);
    EXPECT_TRUE(pBuilt->GetObserveNoSorter());
    EXPECT_TRUE(pBuilt->GetSortBillboards());
    EXPECT_FALSE(pUnbuilt->GetSortBillboards());
    EXPECT_TRUE(pBuilt->EqualsObject(spBuilt));
    EXPECT_EQ(spBuilt->CloneObject(), spBuilt.Get());

    EnTArray<char*> kStrings;
    spBuilt->AppendMemberStrings(kStrings);
    bool bTree = false;
    for (uint32_t i = 0; i < kStrings.GetSize(); i++)
        bTree |= kStrings.GetAt(i) && std::string(kStrings.GetAt(i)).rfind("m_pTree = ", 0) == 0;
    EnFreeViewerStrings(kStrings);
    EXPECT_TRUE(bTree);
}

}  // namespace
