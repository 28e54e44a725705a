#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "platform/gfx/Device.h"
#include "platform/gfx/Graphics.h"
#include "platform/gfx/Graphics3D.h"
#include "platform/gfx/NullBackend.h"
#include "platform/gfx/Ref.h"
#include "platform/gfx/SoftDevice.h"
#include "platform/gfx/Surface.h"
#include "platform/gfx/VertexBuffer.h"
#include "platform/gfx/VertexFormat.h"

using namespace plat::gfx;

namespace {

plat::Window* FakeWindow() {
    static int token;
    return reinterpret_cast<plat::Window*>(&token);
}

class NullDeviceTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(backend.CreateGraphics(nullptr, g.Put()), Result::Ok);
        ASSERT_EQ(g->SetCooperativeLevel(FakeWindow(), CoopBits::Normal), Result::Ok);
        SurfaceDesc d;
        d.flags = SurfaceDescBits::Caps | SurfaceDescBits::Width | SurfaceDescBits::Height;
        d.caps.caps = SurfaceCapBits::Device3D | SurfaceCapBits::VideoMemory;
        d.width = 32;
        d.height = 16;
        ASSERT_EQ(g->CreateSurface(d, target.Put()), Result::Ok);
        SurfaceDesc zd = d;
        zd.flags |= SurfaceDescBits::PixelFormat;
        zd.caps.caps = SurfaceCapBits::ZBuffer;
        zd.pixelFormat = Formats::Depth16();
        ASSERT_EQ(g->CreateSurface(zd, z.Put()), Result::Ok);
        ASSERT_EQ(target->AddAttachedSurface(z.Get()), Result::Ok);
        ASSERT_EQ(g->QueryGraphics3D(g3d.Put()), Result::Ok);
        ASSERT_EQ(g3d->CreateDevice(DeviceType::TnLHal, target.Get(), dev.Put()), Result::Ok);
    }
    SoftDevice& Soft() { return *static_cast<SoftDevice*>(dev.Get()); }
    Ref<VertexBuffer> MakeBuffer(uint32_t fvf, uint32_t n) {
        VertexBufferDesc vd;
        vd.caps = VertexBufferBits::WriteOnly;
        vd.fvf = fvf;
        vd.numVertices = n;
        Ref<VertexBuffer> vb;
        EXPECT_EQ(g3d->CreateVertexBuffer(vd, vb.Put(), 0), Result::Ok);
        return vb;
    }

    NullBackend backend;
    Ref<Graphics> g;
    Ref<Graphics3D> g3d;
    Ref<Surface> target, z;
    Ref<Device> dev;
};

TEST_F(NullDeviceTest, StartsWithTheDocumentedDefaults) {
    struct Case {
        RenderState state;
        uint32_t value;
    };
    const Case cases[] = {
        {RenderState::CullMode, uint32_t(Cull::Ccw)},
        {RenderState::ZEnable, uint32_t(ZBufferType::True)},  // a z-buffer was attached
        {RenderState::ZFunc, uint32_t(Cmp::LessEqual)},
        {RenderState::ZWriteEnable, 1},
        {RenderState::SrcBlend, uint32_t(Blend::One)},
        {RenderState::DestBlend, uint32_t(Blend::Zero)},
        {RenderState::Lighting, 1},
        {RenderState::FogEnd, FloatBits(1.0f)},
        {RenderState::DiffuseMaterialSource, uint32_t(MaterialSource::Color1)},
        {RenderState::AmbientMaterialSource, uint32_t(MaterialSource::Material)},
    };
    for (const Case& c : cases) {
        uint32_t v = 0;
        ASSERT_EQ(dev->GetRenderState(c.state, v), Result::Ok);
        EXPECT_EQ(v, c.value) << RenderStateName(c.state);
    }
    uint32_t v;
    dev->GetTextureStageState(0, StageState::ColorOp, v);
    EXPECT_EQ(v, uint32_t(TextureOp::Modulate));
    dev->GetTextureStageState(1, StageState::ColorOp, v);
    EXPECT_EQ(v, uint32_t(TextureOp::Disable));
    dev->GetTextureStageState(3, StageState::TexCoordIndex, v);
    EXPECT_EQ(v, 3u);
    Viewport vp;
    dev->GetViewport(vp);
    EXPECT_EQ(vp, (Viewport{0, 0, 32, 16, 0.0f, 1.0f}));
}

TEST_F(NullDeviceTest, AddressSetsBothDirections) {
    dev->SetTextureStageState(1, StageState::Address, TextureAddress::Clamp);
    uint32_t u, v;
    dev->GetTextureStageState(1, StageState::AddressU, u);
    dev->GetTextureStageState(1, StageState::AddressV, v);
    EXPECT_EQ(u, uint32_t(TextureAddress::Clamp));
    EXPECT_EQ(v, uint32_t(TextureAddress::Clamp));
    EXPECT_EQ(dev->SetTextureStageState(8, StageState::ColorOp, 1u), Result::InvalidParams);
}

TEST_F(NullDeviceTest, DrawsHappenOnlyInsideAScene) {
    auto vb = MakeBuffer(VertexFormat::Xyz, 6);
    EXPECT_EQ(dev->DrawPrimitiveVB(PrimitiveType::TriangleList, vb.Get(), 0, 6, 0),
              Result::SceneNotInScene);
    EXPECT_EQ(dev->EndScene(), Result::SceneNotInScene);
    ASSERT_EQ(dev->BeginScene(), Result::Ok);
    EXPECT_EQ(dev->BeginScene(), Result::SceneInScene);
    EXPECT_EQ(dev->DrawPrimitiveVB(PrimitiveType::TriangleList, vb.Get(), 0, 6, 0), Result::Ok);
    const uint16_t strip[] = {0, 1, 2, 3, 4};
    EXPECT_EQ(
        dev->DrawIndexedPrimitiveVB(PrimitiveType::TriangleStrip, vb.Get(), 1, 5, strip, 5, 0),
        Result::Ok);
    EXPECT_EQ(dev->DrawPrimitiveVB(PrimitiveType::LineList, vb.Get(), 4, 4, 0),
              Result::InvalidParams);
    const uint16_t bad[] = {0, 1, 6};
    EXPECT_EQ(dev->DrawIndexedPrimitiveVB(PrimitiveType::TriangleList, vb.Get(), 0, 6, bad, 3, 0),
              Result::InvalidParams);
    ASSERT_EQ(dev->EndScene(), Result::Ok);
    SoftDevice::Stats st = Soft().GetStats();
    EXPECT_EQ(st.draws, 2u);
    EXPECT_EQ(st.primitives, 2u + 3u);
    EXPECT_EQ(st.scenes, 1u);
}

TEST_F(NullDeviceTest, LockedOrOptimisedBuffersBehaveAsTheyShould) {
    auto vb = MakeBuffer(VertexFormat::Xyz | VertexFormat::Diffuse, 3);
    void* data = nullptr;
    ASSERT_EQ(vb->Lock(LockBits::WriteOnly | LockBits::DiscardContents, &data, nullptr),
              Result::Ok);
    dev->BeginScene();
    EXPECT_EQ(dev->DrawPrimitiveVB(PrimitiveType::TriangleList, vb.Get(), 0, 3, 0),
              Result::VertexBufferLocked);
    vb->Unlock();
    EXPECT_EQ(vb->Unlock(), Result::NotLocked);
    ASSERT_EQ(vb->Optimize(dev.Get(), 0), Result::Ok);
    VertexBufferDesc d;
    vb->GetVertexBufferDesc(d);
    EXPECT_TRUE(d.caps & VertexBufferBits::Optimized);
    EXPECT_EQ(vb->Lock(0, &data, nullptr), Result::VertexBufferOptimized);
    EXPECT_EQ(dev->DrawPrimitiveVB(PrimitiveType::TriangleList, vb.Get(), 0, 3, 0), Result::Ok);
    dev->EndScene();
    VertexBufferDesc bad;
    bad.fvf = VertexFormat::XyzRhw | VertexFormat::Normal;
    bad.numVertices = 3;
    Ref<VertexBuffer> none;
    EXPECT_EQ(g3d->CreateVertexBuffer(bad, none.Put(), 0), Result::InvalidVertexFormat);
}

TEST_F(NullDeviceTest, ValidationFollowsTheStageCaps) {
    uint32_t passes = 0;
    dev->SetTextureStageState(0, StageState::ColorOp, TextureOp::SelectArg2);
    ASSERT_EQ(dev->ValidateDevice(&passes), Result::Ok);
    EXPECT_EQ(passes, 1u);
    dev->SetTextureStageState(1, StageState::ColorOp, TextureOp::Modulate2X);
    EXPECT_EQ(dev->ValidateDevice(&passes), Result::Ok);
    dev->SetTextureStageState(2, StageState::ColorOp, TextureOp::Modulate);
    EXPECT_EQ(dev->ValidateDevice(&passes), Result::TooManyOperations);
    dev->SetTextureStageState(2, StageState::ColorOp, TextureOp::Disable);
    dev->SetTextureStageState(1, StageState::ColorArg1, 9u);
    EXPECT_EQ(dev->ValidateDevice(&passes), Result::UnsupportedColorArg);

    backend.SetValidateHook([](const SoftDevice& d, uint32_t* p) {
        *p = 2;
        return d.TSS(1, StageState::ColorOp) == uint32_t(TextureOp::Add)
                   ? Result::Ok
                   : Result::TooManyOperations;
    });
    dev->SetTextureStageState(1, StageState::ColorOp, TextureOp::Add);
    EXPECT_EQ(dev->ValidateDevice(&passes), Result::Ok);
    EXPECT_EQ(passes, 2u);
    backend.SetValidateHook(nullptr);
}

TEST_F(NullDeviceTest, ClearFillsTheTargetAndZBufferInsideTheViewport) {
    ASSERT_EQ(dev->Clear(0, nullptr, ClearBits::Target | ClearBits::ZBuffer, 0x00ff0000, 1.0f, 0),
              Result::Ok);
    Viewport vp{8, 4, 8, 8, 0.0f, 1.0f};
    ASSERT_EQ(dev->SetViewport(vp), Result::Ok);
    Rect r{0, 0, 32, 16};
    ASSERT_EQ(dev->Clear(1, &r, ClearBits::Target | ClearBits::ZBuffer, 0x000000ff, 0.5f, 0),
              Result::Ok);
    EXPECT_EQ(dev->Clear(0, nullptr, ClearBits::Stencil, 0, 1.0f, 0), Result::InvalidParams);
    SurfaceDesc lk;
    ASSERT_EQ(target->Lock(nullptr, lk, LockBits::ReadOnly), Result::Ok);
    auto px = [&](int x, int y) {
        return *reinterpret_cast<const uint32_t*>(static_cast<uint8_t*>(lk.surface) + y * lk.pitch +
                                                  x * 4) &
               0xffffff;
    };
    EXPECT_EQ(px(0, 0), 0xff0000u);
    EXPECT_EQ(px(8, 4), 0x0000ffu);
    EXPECT_EQ(px(15, 11), 0x0000ffu);
    EXPECT_EQ(px(16, 12), 0xff0000u);
    target->Unlock(nullptr);
    ASSERT_EQ(z->Lock(nullptr, lk, LockBits::ReadOnly), Result::Ok);
    const auto* zrow = static_cast<const uint16_t*>(lk.surface);
    EXPECT_EQ(zrow[0], 0xffff);
    EXPECT_EQ(
        reinterpret_cast<const uint16_t*>(static_cast<uint8_t*>(lk.surface) + 4 * lk.pitch)[8],
        0x8000);
    z->Unlock(nullptr);
}

TEST_F(NullDeviceTest, SetRenderTargetResetsTheViewportToTheNewTarget) {
    SurfaceDesc d;
    d.flags = SurfaceDescBits::Caps | SurfaceDescBits::Width | SurfaceDescBits::Height;
    d.caps.caps = SurfaceCapBits::Device3D | SurfaceCapBits::Texture;
    d.width = d.height = 128;
    Ref<Surface> rt;
    ASSERT_EQ(g->CreateSurface(d, rt.Put()), Result::Ok);
    ASSERT_EQ(dev->SetRenderTarget(rt.Get(), 0), Result::Ok);
    Viewport vp;
    dev->GetViewport(vp);
    EXPECT_EQ(vp.width, 128u);
    Ref<Surface> cur;
    dev->GetRenderTarget(cur.Put());
    EXPECT_EQ(cur.Get(), rt.Get());
    SurfaceDesc sys;
    sys.flags = SurfaceDescBits::Caps | SurfaceDescBits::Width | SurfaceDescBits::Height;
    sys.caps.caps = SurfaceCapBits::OffscreenPlain;
    sys.width = sys.height = 8;
    Ref<Surface> plain;
    g->CreateSurface(sys, plain.Put());
    EXPECT_EQ(dev->SetRenderTarget(plain.Get(), 0), Result::InvalidParams);
}

TEST_F(NullDeviceTest, LightEnableWithoutSetLightMakesADefaultLight) {
    EXPECT_EQ(dev->LightEnable(5, true), Result::Ok);
    Light l;
    ASSERT_EQ(dev->GetLight(5, l), Result::Ok);
    EXPECT_EQ(l.type, LightType::Directional);
    EXPECT_EQ(l.diffuse.r, 1.0f);
    EXPECT_EQ(l.direction, (Vector3{0, 0, 1}));
    bool on = false;
    dev->GetLightEnable(5, on);
    EXPECT_TRUE(on);
    EXPECT_EQ(dev->GetLight(6, l), Result::InvalidParams);
    Light bad;
    bad.type = static_cast<LightType>(7);
    EXPECT_EQ(dev->SetLight(1, bad), Result::InvalidLight);
}

TEST_F(NullDeviceTest, ProcessVerticesTransformsLightsAndGeneratesCoordinates) {
    // Camera at the origin looking along +z; a 90 degree projection with depth 0..1 over 1..11.
    Matrix proj;
    const float n = 1.0f, f = 11.0f;
    proj.m[0][0] = 1.0f;
    proj.m[1][1] = 1.0f;
    proj.m[2][2] = f / (f - n);
    proj.m[2][3] = 1.0f;
    proj.m[3][2] = -n * f / (f - n);
    dev->SetTransform(TransformState::Projection, proj);
    Light light;
    light.type = LightType::Directional;
    light.diffuse = {1, 0, 0, 0};
    light.direction = {0, 0, 1};
    dev->SetLight(0, light);
    dev->LightEnable(0, true);
    Material mat;
    mat.diffuse = {1, 1, 1, 1};
    dev->SetMaterial(mat);
    dev->SetRenderState(RenderState::Ambient, 0xff404040u);
    dev->SetRenderState(RenderState::AmbientMaterialSource, MaterialSource::Material);
    mat.ambient = {1, 1, 1, 1};
    dev->SetMaterial(mat);
    // Stage 0: sphere map from the reflection vector; stage 1: pass-through set 0.
    dev->SetTextureStageState(0, StageState::TexCoordIndex,
                              TexCoordGen::CameraSpaceReflectionVector);
    dev->SetTextureStageState(0, StageState::TextureTransformFlags, TextureTransform::Count2);
    Matrix sphere;
    sphere.m[1][1] = 0.5f;
    sphere.m[2][0] = 0.5f;
    sphere.m[3][0] = 0.5f;
    sphere.m[3][1] = 0.5f;
    dev->SetTransform(TransformState::Texture0, sphere);
    dev->SetTextureStageState(1, StageState::TexCoordIndex, 0u);

    const uint32_t srcFvf = VertexFormat::Xyz | VertexFormat::Normal | VertexFormat::Tex1;
    auto src = MakeBuffer(srcFvf, 1);
    float v[] = {0.0f, 0.0f, 6.0f, 0.0f, 0.0f, -1.0f, 0.25f, 0.75f};
    void* p;
    src->Lock(0, &p, nullptr);
    std::memcpy(p, v, sizeof v);
    src->Unlock();
    const uint32_t dstFvf = VertexFormat::XyzRhw | VertexFormat::Diffuse | VertexFormat::Specular |
                            VertexFormat::Tex(2);
    auto dst = MakeBuffer(dstFvf, 1);
    ASSERT_EQ(dst->ProcessVertices(VertexOpBits::Transform | VertexOpBits::Light, 0, 1, src.Get(),
                                   0, dev.Get(), 0),
              Result::Ok);
    dst->Lock(0, &p, nullptr);
    float out[10];
    std::memcpy(out, p, sizeof out);
    uint32_t diffuse;
    std::memcpy(&diffuse, static_cast<uint8_t*>(p) + 16, 4);
    dst->Unlock();
    EXPECT_FLOAT_EQ(out[0], 16.0f);  // centre of the 32-wide viewport
    EXPECT_FLOAT_EQ(out[1], 8.0f);
    EXPECT_NEAR(out[2], (6.0f - 1.0f) / 10.0f * 11.0f / 6.0f, 1e-5);
    EXPECT_FLOAT_EQ(out[3], 1.0f / 6.0f);
    // Facing the light: full red, plus ambient 0x40 in every channel.
    EXPECT_EQ(diffuse, 0xffff4040u);
    // The reflection of the view ray (0, 0, 1) off the normal (0, 0, -1) is (0, 0, -1): u = 0.
    EXPECT_NEAR(out[6], 0.0f, 1e-6);
    EXPECT_NEAR(out[7], 0.5f, 1e-6);
    EXPECT_FLOAT_EQ(out[8], 0.25f);
    EXPECT_FLOAT_EQ(out[9], 0.75f);
}

}  // namespace
