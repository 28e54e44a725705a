#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/core/EnAlphaProperty.h"
#include "engine/core/EnCamera.h"
#include "engine/core/EnNode.h"
#include "engine/core/EnPointer.h"
#include "engine/core/EnPropertyState.h"
#include "engine/core/EnZBufferProperty.h"
#include "engine/geometry/EnDynamicEffectState.h"
#include "engine/geometry/EnTriShape.h"
#include "engine/render/EnAlphaAccumulator.h"
#include "platform/sys/Clock.h"
#include "tests/support/RecordingRender.h"

namespace {

// A small triangle placed at a point; its world bound is no larger than the radius.
EnPointer<EnTriShape> MakeShape(const EnVector3& kAt, float fRadius = 0.5f) {
    const float h = fRadius * 0.5f;
    EnVector3* pVertex = new EnVector3[3]{{0.0f, h, 0.0f}, {0.0f, -h, -h}, {0.0f, -h, h}};
    uint16_t* pTriangles = new uint16_t[3]{0, 1, 2};
    EnPointer<EnTriShape> spShape =
        new EnTriShape(3, pVertex, nullptr, nullptr, nullptr, 1, pTriangles);
    spShape->SetLocalTranslate(kAt);
    return spShape;
}

EnPointer<EnAlphaProperty> MakeBlend(bool bBlend, bool bNoSorter = false) {
    EnPointer<EnAlphaProperty> spAlpha = new EnAlphaProperty;
    spAlpha->SetAlphaBlending(bBlend);
    spAlpha->SetNoSorter(bNoSorter);
    return spAlpha;
}

// A camera at the origin looking along +X through a 1..100 frustum, drawing a scene root
// through a recording renderer.
struct Stage {
    EnPointer<RecordingRender> spRenderer = new RecordingRender;
    EnPointer<EnCamera> spCamera = new EnCamera;
    EnPointer<EnNode> spRoot = new EnNode;

    Stage() {
        spCamera->SetViewFrustum({-0.5f, 0.5f, 0.5f, -0.5f, 1.0f, 100.0f});
        spCamera->SetRenderer(spRenderer);
        spCamera->SetScene(spRoot);
    }
    void Prepare() {
        spRoot->Update(0.0f);
        spRoot->UpdateProperties();
        spRoot->UpdateEffects();
    }
    void Frame() {
        spRenderer->Clear();
        spCamera->RenderFrame();
    }
    // The drawn geometry objects, identified through their data, in draw order.
    std::vector<const EnTriShape*> Drawn(const std::vector<EnPointer<EnTriShape>>& kShapes) const {
        std::vector<const EnTriShape*> kOut;
        for (const RecordingRender::Call* pCall : spRenderer->GeometryDraws()) {
            const EnTriShape* pFound = nullptr;
            for (const auto& spShape : kShapes)
                if (spShape->GetShapeData() == pCall->m_pData) pFound = spShape;
            kOut.push_back(pFound);
        }
        return kOut;
    }
};

TEST(CameraDraw, OnlyObjectsNotWhollyOutsideAFrustumPlaneReachADraw) {
    Stage kStage;
    struct Case {
        const char* name;
        EnVector3 at;
        bool drawn;
        uint32_t planes;  // culling planes left to test at the draw
    };
    const Case cases[] = {
        {"ahead", {10.0f, 0.0f, 0.0f}, true, 0},
        {"behind the eye", {-10.0f, 0.0f, 0.0f}, false, 0},
        {"before the near plane", {0.5f, 0.0f, 0.0f}, false, 0},
        {"beyond the far plane", {150.0f, 0.0f, 0.0f}, false, 0},
        {"left", {10.0f, 0.0f, -20.0f}, false, 0},
        {"right", {10.0f, 0.0f, 20.0f}, false, 0},
        {"above", {10.0f, 20.0f, 0.0f}, false, 0},
        {"below", {10.0f, -20.0f, 0.0f}, false, 0},
        {"across the left edge", {10.0f, 0.0f, -5.0f}, true, 1},
        {"across the far plane", {100.0f, 0.0f, 0.0f}, true, 1},
    };
    std::vector<EnPointer<EnTriShape>> kShapes;
    for (const Case& c : cases) {
        kShapes.push_back(MakeShape(c.at));
        kStage.spRoot->AddChild(kShapes.back());
    }
    kStage.Prepare();
    kStage.Frame();

    const auto kDrawn = kStage.Drawn(kShapes);
    for (size_t i = 0; i < std::size(cases); i++) {
        const bool bDrawn =
            std::find(kDrawn.begin(), kDrawn.end(), kShapes[i].Get()) != kDrawn.end();
        EXPECT_EQ(bDrawn, cases[i].drawn) << cases[i].name;
    }
    // Each draw is preceded by the planes its object still straddles.
    const auto& kCalls = kStage.spRenderer->m_kCalls;
    for (size_t i = 1; i < kCalls.size(); i++) {
        if (!kCalls[i].m_pData) continue;
        ASSERT_EQ(kCalls[i - 1].m_kName, "SetClipPlanes");
        for (size_t c = 0; c < std::size(cases); c++) {
            if (kShapes[c]->GetShapeData() == kCalls[i].m_pData) {
                EXPECT_EQ(kCalls[i - 1].m_uiPlanes, cases[c].planes) << cases[c].name;
            }
        }
    }
    // The mask bits set for one object are cleared before the next.
    for (uint32_t i = 0; i < 6; i++) EXPECT_FALSE(kStage.spCamera->IsPlaneMasked(i));
}

TEST(CameraDraw, DrawsCarryTheObjectsTransformAndStates) {
    Stage kStage;
    EnPointer<EnNode> spGroup = new EnNode;
    EnMatrix3 kTurn;
    kTurn.MakeYRotation(0.25f);
    spGroup->SetLocalRotate(kTurn);
    spGroup->SetLocalTranslate(EnVector3(20.0f, 1.0f, 0.0f));
    spGroup->SetLocalScale(2.0f);
    kStage.spRoot->AddChild(spGroup);
    EnPointer<EnTriShape> spPlain = MakeShape({10.0f, 0.0f, 0.0f});
    EnPointer<EnTriShape> spZ = MakeShape({1.0f, 0.0f, 0.0f});
    EnPointer<EnZBufferProperty> spZBuffer = new EnZBufferProperty;
    spZ->AttachProperty(spZBuffer);
    kStage.spRoot->AddChild(spPlain);
    spGroup->AddChild(spZ);
    kStage.Prepare();
    EnPointer<EnDynamicEffectState> spEffects = new EnDynamicEffectState;
    spZ->SetEffectState(spEffects);
    kStage.Frame();

    const auto kDraws = kStage.spRenderer->GeometryDraws();
    ASSERT_EQ(kDraws.size(), 2u);
    for (const RecordingRender::Call* pCall : kDraws) {
        const EnTriShape* pShape =
            pCall->m_pData == spZ->GetShapeData() ? spZ.Get() : spPlain.Get();
        EXPECT_EQ(pCall->m_kName, "DrawTriShape");
        EXPECT_EQ(pCall->m_translate, pShape->GetWorldTranslate());
        EXPECT_EQ(pCall->m_rotate, pShape->GetWorldRotate());
        EXPECT_EQ(pCall->m_fScale, pShape->GetWorldScale());
        EXPECT_EQ(pCall->m_worldBound, pShape->GetWorldBound());
        EXPECT_EQ(pCall->m_pPropertyState, pShape->GetPropertyState());
        EXPECT_EQ(pCall->m_pEffectState, pShape->GetEffectState());
    }
    // The nested shape: scaled and turned by its group, independently of the scene code.
    const RecordingRender::Call* pNested =
        kDraws[0]->m_pData == spZ->GetShapeData() ? kDraws[0] : kDraws[1];
    const EnVector3 kExpected =
        EnVector3(20.0f, 1.0f, 0.0f) + 2.0f * (kTurn * EnVector3(1.0f, 0.0f, 0.0f));
    EXPECT_NEAR((pNested->m_translate - kExpected).Length(), 0.0f, 1e-5f);
    EXPECT_EQ(pNested->m_fScale, 2.0f);
    EXPECT_EQ(pNested->m_pPropertyState->GetZBuffer(), spZBuffer.Get());
    EXPECT_EQ(pNested->m_pEffectState, spEffects.Get());
}

TEST(CameraDraw, FrameCallsTheRendererInOrder) {
    Stage kStage;
    kStage.spCamera->SetViewPort({0.0f, 0.5f, 1.0f, 0.5f});
    EnPointer<EnTriShape> spShape = MakeShape({10.0f, 0.0f, 0.0f});
    kStage.spRoot->AddChild(spShape);
    kStage.Prepare();
    kStage.Frame();
    EXPECT_EQ(kStage.spRenderer->Names(),
              (std::vector<std::string>{"SetViewFromCamera", "OpenScene", "SetClipPlanes",
                                        "DrawTriShape", "CloseScene"}));
    EXPECT_EQ(kStage.spRenderer->m_viewDir, EnVector3(1.0f, 0.0f, 0.0f));
    EXPECT_EQ(kStage.spRenderer->m_viewUp, EnVector3(0.0f, 1.0f, 0.0f));
    EXPECT_EQ(kStage.spRenderer->m_viewRight, EnVector3(0.0f, 0.0f, 1.0f));
    EXPECT_EQ(kStage.spRenderer->m_viewFrustum.m_fFar, 100.0f);
    EXPECT_EQ(kStage.spRenderer->m_viewPort.m_right, 0.5f);

    kStage.spRenderer->Clear();
    kStage.spCamera->ClearViewport(EnRender::CLEAR_ALL);
    kStage.spCamera->PresentFrame();
    EXPECT_EQ(kStage.spRenderer->Names(),
              (std::vector<std::string>{"ClearBuffers", "SwapBuffers"}));
    EXPECT_EQ(kStage.spRenderer->m_lastClear, kStage.spCamera->GetViewPort());

    // An app-culled scene draws nothing but still frames the scene.
    kStage.spRoot->SetAppCulled(true);
    kStage.Frame();
    EXPECT_EQ(kStage.spRenderer->Names(),
              (std::vector<std::string>{"SetViewFromCamera", "OpenScene", "CloseScene"}));

    // Without a renderer nothing happens at all.
    kStage.spCamera->SetRenderer(nullptr);
    kStage.Frame();
    kStage.spCamera->ClearViewport(EnRender::CLEAR_ALL);
    kStage.spCamera->PresentFrame();
    EXPECT_TRUE(kStage.spRenderer->m_kCalls.empty());
}

TEST(CameraDraw, BlendedObjectsAreDrawnLastFromBackToFront) {
    Stage kStage;
    EnPointer<EnAlphaAccumulator> spAccumulator = new EnAlphaAccumulator;
    kStage.spRenderer->SetAccumulator(spAccumulator);
    // Scene order: near blended, opaque, far blended, middle blended (one across the left
    // edge), opaque.
    std::vector<EnPointer<EnTriShape>> kShapes = {
        MakeShape({10.0f, 0.0f, 0.0f}, 2.0f), MakeShape({12.0f, 0.0f, 0.0f}),
        MakeShape({40.0f, 0.0f, 0.0f}, 2.0f), MakeShape({25.0f, 0.0f, -12.0f}, 2.0f),
        MakeShape({60.0f, 3.0f, 0.0f})};
    const bool abBlended[] = {true, false, true, true, false};
    EnPointer<EnAlphaProperty> spBlend = MakeBlend(true);
    for (size_t i = 0; i < kShapes.size(); i++) {
        if (abBlended[i]) kShapes[i]->AttachProperty(spBlend);
        kStage.spRoot->AddChild(kShapes[i]);
    }
    kStage.Prepare();
    std::vector<int32_t> kCounts;
    for (const auto& spShape : kShapes) kCounts.push_back(spShape->GetRefCount());
    const int32_t iAccumulatorCount = spAccumulator->GetRefCount();

    for (int iFrame = 0; iFrame < 2; iFrame++) {
        kStage.Frame();
        const auto kDrawn = kStage.Drawn(kShapes);
        ASSERT_EQ(kDrawn, (std::vector<const EnTriShape*>{kShapes[1], kShapes[4], kShapes[2],
                                                          kShapes[3], kShapes[0]}))
            << "frame " << iFrame;
        const auto kDraws = kStage.spRenderer->GeometryDraws();
        for (size_t i = 2; i < kDraws.size(); i++) {
            // Drawn with the accumulator set aside and the object's own states.
            EXPECT_EQ(kDraws[i]->m_pAccumulator, nullptr);
            EXPECT_EQ(kDraws[i]->m_pPropertyState->GetAlpha(), spBlend.Get());
        }
        // The deferred object across the left edge still tests the left plane, and only it.
        const auto& kCalls = kStage.spRenderer->m_kCalls;
        for (size_t i = 1; i < kCalls.size(); i++) {
            if (kCalls[i].m_pData == kShapes[3]->GetShapeData()) {
                EXPECT_EQ(kCalls[i - 1].m_uiPlanes, 1u);
                EXPECT_EQ(kCalls[i - 1].m_uiFrustumBits, 1u << EnCamera::LEFT_PLANE);
            }
        }
        // Everything the frame took is given back.
        EXPECT_EQ(kStage.spRenderer->GetAccumulator(), spAccumulator.Get());
        EXPECT_EQ(spAccumulator->GetRefCount(), iAccumulatorCount);
        EXPECT_EQ(spAccumulator->GetQueuedCount(), 0u);
        EXPECT_EQ(spAccumulator->GetCamera(), nullptr);
        for (size_t i = 0; i < kShapes.size(); i++)
            EXPECT_EQ(kShapes[i]->GetRefCount(), kCounts[i]);
        EXPECT_EQ(kStage.spRenderer->Names().back(), "CloseScene");
    }
}

TEST(CameraDraw, AnAccumulatorAlreadyCollectingIsSetAsideForTheFrame) {
    Stage kStage;
    EnPointer<EnAlphaAccumulator> spAccumulator = new EnAlphaAccumulator;
    kStage.spRenderer->SetAccumulator(spAccumulator);
    EnPointer<EnTriShape> spFar = MakeShape({40.0f, 0.0f, 0.0f}, 2.0f);
    EnPointer<EnTriShape> spNear = MakeShape({10.0f, 0.0f, 0.0f}, 2.0f);
    EnPointer<EnAlphaProperty> spBlend = MakeBlend(true);
    spNear->AttachProperty(spBlend);
    spFar->AttachProperty(spBlend);
    kStage.spRoot->AddChild(spNear);
    kStage.spRoot->AddChild(spFar);
    kStage.Prepare();

    EnPointer<EnCamera> spOther = new EnCamera;
    ASSERT_TRUE(spAccumulator->BeginCollect(spOther));
    const int32_t iCount = spAccumulator->GetRefCount();
    kStage.Frame();
    // Drawn at once, in scene order, and the accumulator is back afterwards, untouched.
    EXPECT_EQ(kStage.Drawn({spNear, spFar}),
              (std::vector<const EnTriShape*>{spNear.Get(), spFar.Get()}));
    for (const RecordingRender::Call* pCall : kStage.spRenderer->GeometryDraws())
        EXPECT_EQ(pCall->m_pAccumulator, nullptr);
    EXPECT_EQ(kStage.spRenderer->GetAccumulator(), spAccumulator.Get());
    EXPECT_EQ(spAccumulator->GetRefCount(), iCount);
    EXPECT_EQ(spAccumulator->GetCamera(), spOther.Get());
    spAccumulator->EndCollect();
}

TEST(CameraDraw, AlphaAccumulatorTakesOnlyBlendedObjects) {
    struct Case {
        const char* name;
        bool blend;
        bool noSorter;
        bool observeHint;
        bool deferred;
    };
    const Case cases[] = {
        {"opaque", false, false, true, false},
        {"blended", true, false, true, true},
        {"blended, no-sorter flag observed", true, true, true, false},
        {"blended, no-sorter flag ignored", true, true, false, true},
        {"not blending, no-sorter flag ignored", false, true, false, false},
    };
    for (const Case& c : cases) {
        Stage kStage;
        EnPointer<EnAlphaAccumulator> spAccumulator = new EnAlphaAccumulator;
        spAccumulator->SetObserveNoSortHint(c.observeHint);
        kStage.spRenderer->SetAccumulator(spAccumulator);
        EnPointer<EnTriShape> spShape = MakeShape({10.0f, 0.0f, 0.0f});
        EnPointer<EnTriShape> spOpaque = MakeShape({20.0f, 0.0f, 0.0f});
        spShape->AttachProperty(MakeBlend(c.blend, c.noSorter));
        kStage.spRoot->AddChild(spShape);
        kStage.spRoot->AddChild(spOpaque);
        kStage.Prepare();
        kStage.Frame();
        // A deferred object comes after the opaque one drawn later in scene order.
        const auto kDrawn = kStage.Drawn({spShape, spOpaque});
        ASSERT_EQ(kDrawn.size(), 2u) << c.name;
        EXPECT_EQ(kDrawn[1] == spShape.Get(), c.deferred) << c.name;
    }
}

TEST(CameraDraw, BeginCameraDrawRestoresTheRenderersStatesAndCounts) {
    Stage kStage;
    EnPointer<EnTriShape> spShape = MakeShape({10.0f, 0.0f, 0.0f});
    spShape->AttachProperty(MakeBlend(true));
    kStage.spRoot->AddChild(spShape);
    kStage.Prepare();
    EnPointer<EnDynamicEffectState> spShapeEffects = new EnDynamicEffectState;
    spShape->SetEffectState(spShapeEffects);

    EnPointer<EnPropertyState> spState = new EnPropertyState;
    EnPointer<EnDynamicEffectState> spEffects = new EnDynamicEffectState;
    EnPointer<EnAlphaAccumulator> spAccumulator = new EnAlphaAccumulator;
    RecordingRender& kRenderer = *kStage.spRenderer;
    kRenderer.SetPropertyState(spState);
    kRenderer.SetEffectState(spEffects);
    kRenderer.SetAccumulator(spAccumulator);
    const int32_t aiBefore[] = {spState->GetRefCount(), spEffects->GetRefCount(),
                                spAccumulator->GetRefCount(), spShape->GetRefCount()};

    EnDrawRecord* pRecord = kStage.spCamera->CreateDrawRecord(spShape.Get());
    ASSERT_NE(pRecord, nullptr);
    kStage.spCamera->SetPlaneMaskBit(3);
    kStage.spCamera->DrawRecordWithMask(*pRecord);
    ASSERT_EQ(kRenderer.GeometryDraws().size(), 1u);
    const RecordingRender::Call& kDraw = *kRenderer.GeometryDraws()[0];
    EXPECT_EQ(kDraw.m_pAccumulator, nullptr);
    EXPECT_EQ(kDraw.m_pPropertyState, spShape->GetPropertyState());
    EXPECT_EQ(kDraw.m_pEffectState, spShapeEffects.Get());
    // The record's mask (taken before bit 3 was set) was in force, and the camera's is back.
    EXPECT_EQ(kRenderer.CallsNamed("SetClipPlanes")[0]->m_uiPlanes, 6u);
    EXPECT_TRUE(kStage.spCamera->IsPlaneMasked(3));

    EXPECT_EQ(kRenderer.GetPropertyState(), spState.Get());
    EXPECT_EQ(kRenderer.GetEffectState(), spEffects.Get());
    EXPECT_EQ(kRenderer.GetAccumulator(), spAccumulator.Get());
    pRecord->m_pGeometry->ReleaseReference();
    delete pRecord;
    const int32_t aiAfter[] = {spState->GetRefCount(), spEffects->GetRefCount(),
                               spAccumulator->GetRefCount(), spShape->GetRefCount()};
    EXPECT_EQ(std::vector<int32_t>(std::begin(aiAfter), std::end(aiAfter)),
              std::vector<int32_t>(std::begin(aiBefore), std::end(aiBefore)));
}

// A counter that moves by a fixed step at every reading.
class SteppingClock : public plat::ClockSource {
public:
    int64_t PerformanceCounter() override { return m_iCounter += 10; }
    int64_t PerformanceFrequency() override { return 1000; }
    uint32_t Milliseconds() override { return uint32_t(m_iCounter); }

private:
    int64_t m_iCounter = 1000;
};

TEST(CameraDraw, StatisticsSampleTheInjectedClockAndTheDrawCounters) {
    Stage kStage;
    for (float fDepth : {10.0f, 20.0f, 30.0f, -10.0f})
        kStage.spRoot->AddChild(MakeShape({fDepth, 0.0f, 0.0f}));
    kStage.Prepare();
    SteppingClock kClock;
    plat::Clock::SetSource(&kClock);
    kStage.Frame();
    plat::Clock::SetSource(nullptr);
    const EnCameraStatistics& kStats = EnCamera::GetStatistics();
    EXPECT_EQ(kStats.m_iFrameStart, 1010);
    EXPECT_EQ(kStats.m_iSceneTicks, 10);
    EXPECT_EQ(kStats.m_iScreenPolygonTicks, 10);
    EXPECT_EQ(kStats.m_iCloseTicks, 10);
    EXPECT_EQ(kStats.m_uiSceneObjects, 3u);
    EXPECT_EQ(kStats.m_uiSceneTriangles, 3u);
    EXPECT_EQ(kStats.m_uiSceneVertices, 9u);
    EXPECT_EQ(kStats.m_uiScreenPolygonObjects, 0u);
}

}  // namespace
