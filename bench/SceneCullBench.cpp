// Update and culled draw of a generated scene of 10,000 nodes: 100 groups of 99 triangle
// shapes under one root, spread over a square of which the camera sees about two fifths.
#include <benchmark/benchmark.h>

#include <cstdint>

#include "engine/core/EnAlphaProperty.h"
#include "engine/core/EnCamera.h"
#include "engine/core/EnNode.h"
#include "engine/core/EnPointer.h"
#include "engine/geometry/EnTriShape.h"
#include "engine/render/EnAlphaAccumulator.h"
#include "engine/render/EnRender.h"

namespace {

// Counts draws and does nothing else, so the benchmark measures the scene code alone.
class NullRender : public EnRender {
public:
    uint64_t m_uiDraws = 0;

    const char* GetDisplayFormatInfo() override { return "null"; }
    uint32_t GetRendererField() override { return 0; }
    bool IsTextureFormatAvailable(uint32_t) override { return false; }
    bool SwapBuffers() override { return true; }
    bool ClearBuffers(const EnRect<float>*, uint32_t) override { return true; }
    uint32_t GetScreenWidth() override { return 640; }
    uint32_t GetScreenHeight() override { return 480; }
    EnImage* GetBufferSurface(uint32_t) override { return nullptr; }
    uint32_t BlitImage(EnImage*, const EnRect<uint32_t>*, uint32_t, uint32_t, bool) override {
        return 0;
    }
    bool SetBackgroundColor(const EnColorRGB&) override { return true; }
    bool PrecacheImage(EnImage*, bool, bool) override { return true; }
    bool ReleaseAllTextures(bool) override { return true; }
    bool ReleaseImageTextures(EnImage*) override { return true; }
    bool SetTextureManagerValue(uint32_t) override { return true; }
    uint32_t GetTextureManagerSetting() override { return 0; }
    void SetViewFromCamera(const EnVector3&, const EnVector3&, const EnVector3&, const EnVector3&,
                           const EnFrustum&, const EnRect<float>&) override {}
    void SetModelTransform(const EnVector3&, const EnMatrix3&, float) override {}
    bool SetClipPlanes(EnPlaneEquation* const*, uint32_t uiCount, uint32_t, uint32_t) override {
        return uiCount != 0;
    }
    void DrawTriShape(EnTriShapeData*, const EnBoundSphere&) override { ++m_uiDraws; }
    void DrawTriangles(EnTrianglesData*, const EnBoundSphere&) override { ++m_uiDraws; }
    void DrawTriStrip(EnTriStripData*, const EnBoundSphere&) override { ++m_uiDraws; }
    void DrawTriStrips(EnTriStripsData*, const EnBoundSphere&) override { ++m_uiDraws; }
    void DrawParticles(EnParticlesData*, const EnBoundSphere&) override { ++m_uiDraws; }
    void DrawLines(EnLinesData*, const EnBoundSphere&) override { ++m_uiDraws; }
    void DrawScreenPolygon(uint16_t, const EnVector3*, const EnVector2*,
                           const EnColorRGBA*) override {}
};

constexpr int kGroups = 100;
constexpr int kShapesPerGroup = 99;

struct Scene {
    EnPointer<EnNode> spRoot = new EnNode;
    EnPointer<NullRender> spRenderer = new NullRender;
    EnPointer<EnCamera> spCamera = new EnCamera;

    explicit Scene(bool bBlendEveryFifth) {
        // One shared data object, as a track's repeated props share theirs.
        EnVector3* pVertex =
            new EnVector3[3]{{0.0f, 1.0f, 0.0f}, {0.0f, -1.0f, -1.0f}, {0.0f, -1.0f, 1.0f}};
        uint16_t* pTriangles = new uint16_t[3]{0, 1, 2};
        EnPointer<EnTriShapeData> spData =
            new EnTriShapeData(3, pVertex, nullptr, nullptr, nullptr, 1, pTriangles);
        EnPointer<EnAlphaProperty> spBlend = new EnAlphaProperty;
        spBlend->SetAlphaBlending(true);
        for (int g = 0; g < kGroups; g++) {
            EnPointer<EnNode> spGroup = new EnNode;
            spGroup->SetLocalTranslate(
                EnVector3(float(g / 10) * 40.0f - 200.0f, 0.0f, float(g % 10) * 40.0f - 200.0f));
            for (int i = 0; i < kShapesPerGroup; i++) {
                EnPointer<EnTriShape> spShape = new EnTriShape(spData);
                spShape->SetLocalTranslate(
                    EnVector3(float(i / 10) * 4.0f, float(i % 3), float(i % 10) * 4.0f));
                if (bBlendEveryFifth && i % 5 == 0) spShape->AttachProperty(spBlend);
                spGroup->AddChild(spShape);
            }
            spRoot->AddChild(spGroup);
        }
        spRoot->Update(0.0f);
        spRoot->UpdateProperties();
        spRoot->UpdateEffects();
        spCamera->SetViewFrustum({-0.2f, 0.2f, 0.15f, -0.15f, 1.0f, 1000.0f});
        spCamera->SetLocalTranslate(EnVector3(-250.0f, 30.0f, -250.0f));
        spCamera->Update(0.0f);
        spCamera->AimAt(EnVector3(0.0f, 0.0f, 0.0f), EnVector3(0.0f, 1.0f, 0.0f));
        spCamera->SetRenderer(spRenderer);
        spCamera->SetScene(spRoot);
    }
};

void BM_SceneUpdate(benchmark::State& kState) {
    Scene kScene(false);
    float fTime = 0.0f;
    for (auto _ : kState) {
        kScene.spRoot->Update(fTime);
        fTime += 0.016f;
    }
    kState.SetItemsProcessed(kState.iterations() * (kGroups * (kShapesPerGroup + 1) + 1));
}
BENCHMARK(BM_SceneUpdate);

void BM_SceneCull(benchmark::State& kState) {
    Scene kScene(false);
    for (auto _ : kState) kScene.spCamera->RenderFrame();
    kState.counters["drawn"] = double(kScene.spRenderer->m_uiDraws) / double(kState.iterations());
}
BENCHMARK(BM_SceneCull);

void BM_SceneCullWithSortedBlending(benchmark::State& kState) {
    Scene kScene(true);
    EnPointer<EnAlphaAccumulator> spAccumulator = new EnAlphaAccumulator;
    kScene.spRenderer->SetAccumulator(spAccumulator);
    for (auto _ : kState) kScene.spCamera->RenderFrame();
    kState.counters["drawn"] = double(kScene.spRenderer->m_uiDraws) / double(kState.iterations());
}
BENCHMARK(BM_SceneCullWithSortedBlending);

}  // namespace

BENCHMARK_MAIN();
