// Frames per second of the Direct3D renderer drawing a generated, lit 50,000-triangle scene at
// 640x480 through the camera, the renderer and the graphics device on the OpenGL back end,
// next to the same triangles drawn with plain OpenGL calls in the same run; the ratio of the two
// is what the engine and device layers cost.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "engine/core/EnCamera.h"
#include "engine/core/EnColorRGB.h"
#include "engine/core/EnMaterialProperty.h"
#include "engine/core/EnNode.h"
#include "engine/core/EnZBufferProperty.h"
#include "engine/d3d/EnD3DFrameBuffer.h"
#include "engine/d3d/EnD3DRender.h"
#include "engine/geometry/EnDirectionalLight.h"
#include "engine/geometry/EnTriShape.h"
#include "platform/gfx/Backend.h"
#include "platform/gfx/gl/GlBackend.h"
#include "platform/gfx/gl/GlDirectMesh.h"
#include "platform/window/Window.h"
#include "platform/window/WindowClass.h"

using namespace plat::gfx;

namespace {

constexpr uint32_t kWidth = 640, kHeight = 480;
constexpr uint32_t kColumns = 200, kRows = 125;  // cells of two triangles each
constexpr uint32_t kTriangles = kColumns * kRows * 2;
constexpr uint32_t kBands = 10;  // the scene's objects, one band of rows each
constexpr float kDistance = 2.5f;

// A gently waved grid in front of the camera (which looks along +x, +y up, +z right).
struct Grid {
    struct Vertex {
        float x, y, z, nx, ny, nz, u, v;
    };
    std::vector<Vertex> vertices;
    std::vector<uint16_t> indices;

    Grid() {
        for (uint32_t j = 0; j <= kRows; ++j)
            for (uint32_t i = 0; i <= kColumns; ++i) {
                const float z = -1.6f + 3.2f * i / kColumns, y = -1.2f + 2.4f * j / kRows;
                const float x = kDistance + 0.1f * std::sin(6.0f * z) * std::cos(6.0f * y);
                const float dz = 0.6f * std::cos(6.0f * z) * std::cos(6.0f * y);
                const float dy = -0.6f * std::sin(6.0f * z) * std::sin(6.0f * y);
                const float len = std::sqrt(1.0f + dz * dz + dy * dy);
                vertices.push_back({x, y, z, -1.0f / len, dy / len, dz / len, 0.0f, 0.0f});
            }
        for (uint32_t j = 0; j < kRows; ++j)
            for (uint32_t i = 0; i < kColumns; ++i) {
                const auto v00 = uint16_t(j * (kColumns + 1) + i), v10 = uint16_t(v00 + 1);
                const auto v01 = uint16_t(v00 + kColumns + 1), v11 = uint16_t(v01 + 1);
                // Counter-clockwise as the camera sees them: kept by the renderer's culling.
                indices.insert(indices.end(), {v00, v10, v01, v10, v11, v01});
            }
    }

    // The rows of one band as a shape of its own.
    EnTriShape* Band(uint32_t band) const {
        const uint32_t row0 = band * kRows / kBands, row1 = (band + 1) * kRows / kBands;
        const uint32_t first = row0 * (kColumns + 1);
        const uint32_t count = (row1 - row0 + 1) * (kColumns + 1);
        auto* position = new EnVector3[count];
        auto* normal = new EnVector3[count];
        for (uint32_t k = 0; k < count; ++k) {
            const Vertex& v = vertices[first + k];
            position[k] = EnVector3(v.x, v.y, v.z);
            normal[k] = EnVector3(v.nx, v.ny, v.nz);
        }
        const uint32_t triangles = (row1 - row0) * kColumns * 2;
        auto* list = new uint16_t[3 * triangles];
        for (uint32_t t = 0; t < 3 * triangles; ++t)
            list[t] = uint16_t(indices[row0 * kColumns * 6 + t] - first);
        return new EnTriShape(uint16_t(count), position, normal, nullptr, nullptr,
                              uint16_t(triangles), list);
    }
};

struct Bench {
    std::string why;
    plat::Window* window = nullptr;
    EnPointer<EnD3DRender> renderer;
    EnPointer<EnCamera> camera;
    EnPointer<EnNode> scene;
    EnPointer<EnDirectionalLight> light;
    Grid grid;
    std::vector<uint16_t> white{0xffff};
    std::unique_ptr<GlDirectMesh> direct;

    bool Build();
    void Frame();
    uint32_t CentrePixel();
    ~Bench() {
        direct.reset();
        camera = nullptr;
        scene = nullptr;
        light = nullptr;
        renderer = nullptr;
        if (window && plat::Window::IsWindow(window)) window->Destroy();
    }
};

bool Bench::Build() {
    if (!GlBackend::Available(&why)) return false;
    Backend::Install(std::make_shared<GlBackend>());
    plat::WindowClassDesc cls;
    cls.name = "CorvaneD3DBench";
    plat::WindowClass::Register(cls);
    window = plat::Window::Create("CorvaneD3DBench", "bench", plat::WindowStyle::Popup, 0, 0,
                                  kWidth, kHeight);
    if (!window) return why = "no window", false;
    renderer = EnD3DRender::Create(0, kWidth, kHeight, 0x09, window, nullptr, nullptr);
    if (!renderer) return why = EnD3DRender::GetLastError(), false;

    scene = new EnNode;
    EnPointer<EnZBufferProperty> depth = new EnZBufferProperty;
    depth->SetZBufferTest(true);
    depth->SetZBufferWrite(true);
    scene->AttachProperty(depth);
    EnPointer<EnMaterialProperty> material = new EnMaterialProperty;
    material->SetDiffuseColor(EnColorRGB(0.9f, 0.9f, 0.9f));
    material->SetAmbientColor(EnColorRGB(0.0f, 0.0f, 0.0f));
    scene->AttachProperty(material);
    light = new EnDirectionalLight;  // shining along +x, away from the camera
    light->SetAmbientColor(EnColorRGB(0.0f, 0.0f, 0.0f));
    light->SetSpecularColor(EnColorRGB(0.0f, 0.0f, 0.0f));
    scene->AttachEffect(light);
    for (uint32_t b = 0; b < kBands; ++b) scene->AddChild(grid.Band(b));
    scene->Update(0.0f);
    scene->UpdateProperties();
    scene->UpdateEffects();

    camera = new EnCamera;
    const float halfHeight = std::tan(0.5f);
    camera->SetViewFrustum(EnFrustum{-halfHeight * kWidth / kHeight, halfHeight * kWidth / kHeight,
                                     halfHeight, -halfHeight, 0.5f, 10.0f});
    camera->SetScene(scene);
    camera->SetRenderer(renderer);
    camera->Update(0.0f);
    renderer->SetBackgroundColor(EnColorRGB(0.0f, 0.0f, 0.0f));
    Frame();

    // The yardstick draws the same triangles with the very matrices the renderer gave the
    // device (row-vector matrices read as column-major are the GL ones) and depth mapped from
    // 0..1 onto -1..1. Its picture stays upright in GL's bottom-up framebuffer, so the triangles
    // keep the counter-clockwise winding that GL draws as front faces.
    Matrix view, projection;
    renderer->GetD3DDevice()->GetTransform(TransformState::View, view);
    renderer->GetD3DDevice()->GetTransform(TransformState::Projection, projection);
    Matrix fix;
    fix.m[0][0] = 1;
    fix.m[1][1] = 1;
    fix.m[2][2] = 2;
    fix.m[3][2] = -1;
    fix.m[3][3] = 1;
    Matrix clip;
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            for (int k = 0; k < 4; ++k) clip.m[r][c] += projection.m[r][k] * fix.m[k][c];
    GlDirectMesh::Setup s;
    s.vertices = grid.vertices.data();
    s.vertexCount = uint32_t(grid.vertices.size());
    s.indices = grid.indices.data();
    s.indexCount = uint32_t(grid.indices.size());
    s.texture565 = white.data();
    s.texSize = 1;
    s.width = kWidth;
    s.height = kHeight;
    std::memcpy(s.modelView, &view.m[0][0], 64);
    std::memcpy(s.projection, &clip.m[0][0], 64);
    // Towards the light in eye space: the light shines along +x, the camera looks along +x.
    s.lightDirection[2] = -1;
    const float white4[4] = {1, 1, 1, 1}, grey[4] = {0.9f, 0.9f, 0.9f, 1};
    std::memcpy(s.lightDiffuse, white4, 16);
    std::memcpy(s.materialDiffuse, grey, 16);
    direct = std::make_unique<GlDirectMesh>(window);
    if (!direct->Init(s)) return why = "direct OpenGL set-up failed", false;
    return true;
}

void Bench::Frame() {
    renderer->ClearBuffers(nullptr, EnRender::CLEAR_ALL);
    camera->RenderFrame();
    renderer->SwapBuffers();
    GlBackend::Finish(renderer->GetDirectDraw());
}

uint32_t Bench::CentrePixel() {
    Surface* back = renderer->GetCurrentFrameBuffer()->GetBackSurface();
    SurfaceDesc lock;
    uint32_t pixel = 0;
    if (back->Lock(nullptr, lock, LockBits::Wait | LockBits::ReadOnly) == Result::Ok) {
        std::memcpy(
            &pixel,
            static_cast<uint8_t*>(lock.surface) + (kHeight / 2) * lock.pitch + (kWidth / 2) * 4, 4);
        back->Unlock(nullptr);
    }
    return pixel & 0xffffff;
}

Bench* g_bench = nullptr;

void Report(benchmark::State& state) {
    state.counters["fps"] =
        benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
    state.SetItemsProcessed(int64_t(state.iterations()) * kTriangles);
}

void BM_RendererScene(benchmark::State& state) {
    if (!g_bench) {
        state.SkipWithError("no OpenGL display");
        return;
    }
    for (auto _ : state) g_bench->Frame();
    Report(state);
}

void BM_DirectGlScene(benchmark::State& state) {
    if (!g_bench) {
        state.SkipWithError("no OpenGL display");
        return;
    }
    for (auto _ : state) {
        g_bench->direct->Draw();
        g_bench->direct->Finish();
    }
    Report(state);
}

BENCHMARK(BM_RendererScene)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
BENCHMARK(BM_DirectGlScene)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

// Keeps the frame rates for the closing comparison.
class RateReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& r : runs) {
            auto it = r.counters.find("fps");
            if (it != r.counters.end()) rates[r.run_name.function_name] = it->second.value;
        }
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> rates;
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    auto bench = std::make_unique<Bench>();
    if (bench->Build()) {
        g_bench = bench.get();
        bench->direct->Draw();
        bench->direct->Finish();
        std::printf(
            "%u triangles in %u objects at %ux%u; centre pixel: renderer 0x%06x, direct "
            "OpenGL 0x%06x\n",
            kTriangles, kBands, kWidth, kHeight, bench->CentrePixel(),
            bench->direct->CentrePixel());
    } else {
        std::printf("skipped: %s\n", bench->why.c_str());
    }
    RateReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const auto renderer = reporter.rates.find("BM_RendererScene");
    const auto direct = reporter.rates.find("BM_DirectGlScene");
    if (renderer != reporter.rates.end() && direct != reporter.rates.end() && direct->second > 0)
        std::printf("frames per second: renderer %.1f, direct OpenGL %.1f (ratio %.3f)\n",
                    renderer->second, direct->second, renderer->second / direct->second);
    g_bench = nullptr;
    bench.reset();
    Backend::Install(nullptr);
    benchmark::Shutdown();
    return 0;
}
