// Triangles per second through the graphics device (OpenGL back end) for a 20,000-triangle
// textured, lit mesh, next to the same mesh drawn with plain OpenGL calls in the same run; the
// ratio of the two is the device layer's overhead.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/gfx/Device.h"
#include "platform/gfx/GfxMath.h"
#include "platform/gfx/Graphics.h"
#include "platform/gfx/Graphics3D.h"
#include "platform/gfx/Ref.h"
#include "platform/gfx/Surface.h"
#include "platform/gfx/VertexBuffer.h"
#include "platform/gfx/VertexFormat.h"
#include "platform/gfx/gl/GlBackend.h"
#include "platform/gfx/gl/GlDirectMesh.h"
#include "platform/window/Window.h"
#include "platform/window/WindowClass.h"

using namespace plat::gfx;

namespace {

constexpr uint32_t kCells = 100;  // 100 x 100 cells, two triangles each
constexpr uint32_t kTriangles = kCells * kCells * 2;
constexpr uint32_t kWidth = 512, kHeight = 384, kTex = 256;

struct Vertex {
    float x, y, z, nx, ny, nz, u, v;
};

struct Scene {
    std::string why;
    plat::Window* window = nullptr;
    std::shared_ptr<GlBackend> backend;
    Ref<Graphics> g;
    Ref<Graphics3D> g3d;
    Ref<Surface> target, z, texture;
    Ref<Device> dev;
    Ref<VertexBuffer> vb;
    std::vector<Vertex> vertices;
    std::vector<uint16_t> indices;
    std::vector<uint16_t> texels;
    Matrix world, view, projection;
    std::unique_ptr<GlDirectMesh> direct;

    bool Build();
    ~Scene() {
        direct.reset();
        vb.Reset();
        dev.Reset();
        texture.Reset();
        z.Reset();
        target.Reset();
        g3d.Reset();
        g.Reset();
        if (window && plat::Window::IsWindow(window)) window->Destroy();
    }
};

Scene* g_scene = nullptr;

bool Scene::Build() {
    if (!GlBackend::Available(&why)) return false;
    plat::WindowClassDesc cls;
    cls.name = "CorvaneBench";
    plat::WindowClass::Register(cls);
    window = plat::Window::Create("CorvaneBench", "bench", plat::WindowStyle::Popup, 0, 0, kWidth,
                                  kHeight);
    if (!window) return why = "no window", false;

    // A gently waved grid, its normals from the wave's slope.
    for (uint32_t j = 0; j <= kCells; ++j)
        for (uint32_t i = 0; i <= kCells; ++i) {
            const float x = -1.0f + 2.0f * i / kCells, y = -1.0f + 2.0f * j / kCells;
            const float zv = 0.1f * std::sin(6.0f * x) * std::cos(6.0f * y);
            const float dx = 0.6f * std::cos(6.0f * x) * std::cos(6.0f * y);
            const float dy = -0.6f * std::sin(6.0f * x) * std::sin(6.0f * y);
            Vector3 n = math::Normalize({-dx, -dy, -1.0f});
            vertices.push_back({x, y, zv, n.x, n.y, n.z, 4.0f * i / kCells, 4.0f * j / kCells});
        }
    for (uint32_t j = 0; j < kCells; ++j)
        for (uint32_t i = 0; i < kCells; ++i) {
            const auto v00 = static_cast<uint16_t>(j * (kCells + 1) + i);
            const auto v10 = static_cast<uint16_t>(v00 + 1),
                       v01 = static_cast<uint16_t>(v00 + kCells + 1);
            const auto v11 = static_cast<uint16_t>(v01 + 1);
            // Clockwise as seen from the camera, so the default culling keeps them.
            indices.insert(indices.end(), {v00, v01, v10, v10, v01, v11});
        }
    for (uint32_t y = 0; y < kTex; ++y)
        for (uint32_t x = 0; x < kTex; ++x)
            texels.push_back(((x / 16 + y / 16) & 1)
                                 ? 0xffe0
                                 : static_cast<uint16_t>(0x001f | (x << 5 & 0x7e0)));

    world = Matrix::Identity();
    view = Matrix::Identity();
    view.m[3][2] = 2.5f;  // the camera 2.5 units in front of the grid, looking along +z
    const float n = 0.5f, f = 10.0f, cot = 1.0f / std::tan(0.5f);
    projection = Matrix{};
    projection.m[0][0] = cot * kHeight / kWidth;
    projection.m[1][1] = cot;
    projection.m[2][2] = f / (f - n);
    projection.m[2][3] = 1.0f;
    projection.m[3][2] = -n * f / (f - n);

    backend = std::make_shared<GlBackend>();
    if (backend->CreateGraphics(nullptr, g.Put()) != Result::Ok) return why = "no graphics", false;
    if (g->SetCooperativeLevel(window, CoopBits::Normal | CoopBits::Multithreaded) != Result::Ok)
        return why = "no OpenGL on the window", false;
    SurfaceDesc d;
    d.flags = SurfaceDescBits::Caps | SurfaceDescBits::Width | SurfaceDescBits::Height |
              SurfaceDescBits::PixelFormat;
    d.caps.caps = SurfaceCapBits::Device3D | SurfaceCapBits::VideoMemory;
    d.width = kWidth;
    d.height = kHeight;
    d.pixelFormat = Formats::Xrgb8888();
    g->CreateSurface(d, target.Put());
    d.caps.caps = SurfaceCapBits::ZBuffer | SurfaceCapBits::VideoMemory;
    d.pixelFormat = Formats::Depth24Stencil8();
    g->CreateSurface(d, z.Put());
    target->AddAttachedSurface(z.Get());
    g->QueryGraphics3D(g3d.Put());
    if (g3d->CreateDevice(DeviceType::TnLHal, target.Get(), dev.Put()) != Result::Ok)
        return why = "no device", false;

    SurfaceDesc td;
    td.flags = SurfaceDescBits::Caps | SurfaceDescBits::Width | SurfaceDescBits::Height |
               SurfaceDescBits::PixelFormat;
    td.caps.caps = SurfaceCapBits::Texture;
    td.width = td.height = kTex;
    td.pixelFormat = Formats::Rgb565();
    g->CreateSurface(td, texture.Put());
    SurfaceDesc lk;
    texture->Lock(nullptr, lk, LockBits::Wait | LockBits::WriteOnly);
    for (uint32_t y = 0; y < kTex; ++y)
        std::memcpy(static_cast<uint8_t*>(lk.surface) + y * lk.pitch, &texels[y * kTex], kTex * 2);
    texture->Unlock(nullptr);

    VertexBufferDesc vd;
    vd.caps = VertexBufferBits::WriteOnly;
    vd.fvf = VertexFormat::Xyz | VertexFormat::Normal | VertexFormat::Tex1;
    vd.numVertices = static_cast<uint32_t>(vertices.size());
    g3d->CreateVertexBuffer(vd, vb.Put(), 0);
    void* p;
    vb->Lock(LockBits::WriteOnly, &p, nullptr);
    std::memcpy(p, vertices.data(), vertices.size() * sizeof(Vertex));
    vb->Unlock();
    vb->Optimize(dev.Get(), 0);

    dev->SetTransform(TransformState::View, view);
    dev->SetTransform(TransformState::Projection, projection);
    dev->SetRenderState(RenderState::ZEnable, ZBufferType::True);
    dev->SetRenderState(RenderState::DiffuseMaterialSource, MaterialSource::Material);
    Material mat;
    mat.diffuse = {0.9f, 0.9f, 0.9f, 1};
    dev->SetMaterial(mat);
    Light light;
    light.type = LightType::Directional;
    light.diffuse = {1, 1, 1, 0};
    light.direction = {0, 0, 1};
    dev->SetLight(0, light);
    dev->LightEnable(0, true);
    dev->SetTexture(0, texture.Get());
    dev->SetTextureStageState(0, StageState::ColorOp, TextureOp::Modulate);
    dev->SetTextureStageState(0, StageState::ColorArg1, TextureArg::Texture);
    dev->SetTextureStageState(0, StageState::ColorArg2, TextureArg::Diffuse);
    dev->SetTextureStageState(0, StageState::MagFilter, TextureFilter::Linear);
    dev->SetTextureStageState(0, StageState::MinFilter, TextureFilter::Linear);

    // The yardstick gets the very matrices the device sends to GL, so both draw the same image.
    GlDirectMesh::Setup s;
    s.vertices = vertices.data();
    s.vertexCount = static_cast<uint32_t>(vertices.size());
    s.indices = indices.data();
    s.indexCount = static_cast<uint32_t>(indices.size());
    s.texture565 = texels.data();
    s.texSize = kTex;
    s.width = kWidth;
    s.height = kHeight;
    Matrix fix;
    fix.m[0][0] = 1;
    fix.m[1][1] = -1;
    fix.m[2][2] = 2;
    fix.m[3][2] = -1;
    fix.m[3][3] = 1;
    const Matrix mv = math::Multiply(world, view), pr = math::Multiply(projection, fix);
    std::memcpy(s.modelView, &mv.m[0][0], 64);
    std::memcpy(s.projection, &pr.m[0][0], 64);
    s.lightDirection[2] = -1;
    const float white[4] = {1, 1, 1, 1}, grey[4] = {0.9f, 0.9f, 0.9f, 1};
    std::memcpy(s.lightDiffuse, white, 16);
    std::memcpy(s.materialDiffuse, grey, 16);
    direct = std::make_unique<GlDirectMesh>(window);
    if (!direct->Init(s)) return why = "direct OpenGL set-up failed", false;
    return true;
}

void DrawThroughDevice() {
    Scene& s = *g_scene;
    s.dev->BeginScene();
    s.dev->Clear(0, nullptr, ClearBits::Target | ClearBits::ZBuffer, 0, 1.0f, 0);
    s.dev->SetTransform(TransformState::World, s.world);
    s.dev->DrawIndexedPrimitiveVB(PrimitiveType::TriangleList, s.vb.Get(), 0,
                                  static_cast<uint32_t>(s.vertices.size()), s.indices.data(),
                                  static_cast<uint32_t>(s.indices.size()), 0);
    s.dev->EndScene();
    GlBackend::Finish(s.g.Get());
}

void BM_DeviceMesh(benchmark::State& state) {
    if (!g_scene) {
        state.SkipWithError("no OpenGL display");
        return;
    }
    for (auto _ : state) DrawThroughDevice();
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * kTriangles);
}

void BM_DirectGlMesh(benchmark::State& state) {
    if (!g_scene) {
        state.SkipWithError("no OpenGL display");
        return;
    }
    for (auto _ : state) {
        g_scene->direct->Draw();
        g_scene->direct->Finish();
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * kTriangles);
}

BENCHMARK(BM_DeviceMesh)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
BENCHMARK(BM_DirectGlMesh)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

// Prints the ratio of the two rates after the usual report.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    RatioReporter() : ConsoleReporter(OO_Tabular) {}
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& r : runs) {
            auto it = r.counters.find("items_per_second");
            if (it != r.counters.end()) rates[r.benchmark_name()] = it->second.value;
        }
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> rates;
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    auto scene = std::make_unique<Scene>();
    if (scene->Build()) {
        g_scene = scene.get();
        // Both paths must draw the same picture for the comparison to mean anything.
        DrawThroughDevice();
        g_scene->direct->Draw();
        SurfaceDesc lk;
        uint32_t viaDevice = 0;
        if (scene->target->Lock(nullptr, lk, LockBits::Wait | LockBits::ReadOnly) == Result::Ok) {
            std::memcpy(
                &viaDevice,
                static_cast<uint8_t*>(lk.surface) + (kHeight / 2) * lk.pitch + (kWidth / 2) * 4, 4);
            scene->target->Unlock(nullptr);
        }
        std::printf("centre pixel: device 0x%06x, direct OpenGL 0x%06x\n", viaDevice & 0xffffff,
                    g_scene->direct->CentrePixel());
    } else {
        std::printf("skipped: %s\n", scene->why.c_str());
    }
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    auto dev = reporter.rates.find("BM_DeviceMesh/min_time:2.000/real_time");
    auto gl = reporter.rates.find("BM_DirectGlMesh/min_time:2.000/real_time");
    if (dev != reporter.rates.end() && gl != reporter.rates.end() && gl->second > 0)
        std::printf("device / direct OpenGL triangles per second: %.3f\n",
                    dev->second / gl->second);
    g_scene = nullptr;
    scene.reset();
    benchmark::Shutdown();
    return 0;
}
