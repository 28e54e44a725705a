#include <gtest/gtest.h>

#include "GfxRig.h"

#include <cstdlib>
#include <cstring>

#include "platform/gfx/NullBackend.h"
#include "platform/gfx/PixelCodec.h"
#include "platform/gfx/VertexFormat.h"
#include "platform/gfx/gl/GlBackend.h"
#include "platform/gfx/gl/GlGraphics.h"
#include "platform/window/Window.h"
#include "platform/window/WindowClass.h"

namespace gfxtest {

const char* KindName(BackendKind k) {
    return k == BackendKind::Gl ? "Gl" : "Null";
}

::testing::AssertionResult NearColor(uint32_t actual, uint32_t expected, int tolerance) {
    for (int shift : {16, 8, 0}) {
        int a = static_cast<int>((actual >> shift) & 0xff),
            e = static_cast<int>((expected >> shift) & 0xff);
        if (std::abs(a - e) > tolerance) {
            char buf[96];
            std::snprintf(buf, sizeof buf, "got 0x%06x, expected 0x%06x (tolerance %d)",
                          actual & 0xffffff, expected & 0xffffff, tolerance);
            return ::testing::AssertionFailure() << buf;
        }
    }
    return ::testing::AssertionSuccess();
}

GfxRig::~GfxRig() {
    dev.Reset();
    z.Reset();
    target.Reset();
    g3d.Reset();
    g.Reset();
    if (m_window && plat::Window::IsWindow(m_window)) m_window->Destroy();
}

bool GfxRig::Init(BackendKind kind, uint32_t width, uint32_t height, std::string* why) {
    m_kind = kind;
    m_w = width;
    m_h = height;
    if (kind == BackendKind::Gl) {
        if (!GlBackend::Available(why)) return false;
        if (!plat::WindowClass::Find("CorvaneGfxTest")) {
            plat::WindowClassDesc cls;
            cls.name = "CorvaneGfxTest";
            plat::WindowClass::Register(cls);
        }
        m_window =
            plat::Window::Create("CorvaneGfxTest", "gfx test", plat::WindowStyle::Popup, 0, 0,
                                 static_cast<int32_t>(width), static_cast<int32_t>(height));
        if (!m_window) {
            if (why) *why = "no window";
            return false;
        }
        m_backend = std::make_shared<GlBackend>();
        m_backend->Log().SetEnabled(true);
    } else {
        m_backend = std::make_shared<NullBackend>();
        static int token;
        m_window = nullptr;
        EXPECT_EQ(m_backend->CreateGraphics(nullptr, g.Put()), Result::Ok);
        EXPECT_EQ(g->SetCooperativeLevel(reinterpret_cast<plat::Window*>(&token), CoopBits::Normal),
                  Result::Ok);
    }
    if (!g) {
        EXPECT_EQ(m_backend->CreateGraphics(nullptr, g.Put()), Result::Ok);
        Result r = g->SetCooperativeLevel(m_window, CoopBits::Normal | CoopBits::Multithreaded);
        if (r != Result::Ok) {
            if (why) *why = std::string("cooperative level: ") + ResultName(r);
            return false;
        }
    }
    SurfaceDesc d;
    d.flags = SurfaceDescBits::Caps | SurfaceDescBits::Width | SurfaceDescBits::Height |
              SurfaceDescBits::PixelFormat;
    d.caps.caps = SurfaceCapBits::Device3D | SurfaceCapBits::VideoMemory;
    d.width = width;
    d.height = height;
    d.pixelFormat = Formats::Xrgb8888();
    EXPECT_EQ(g->CreateSurface(d, target.Put()), Result::Ok);
    SurfaceDesc zd = d;
    zd.caps.caps = SurfaceCapBits::ZBuffer | SurfaceCapBits::VideoMemory;
    zd.pixelFormat = Formats::Depth24Stencil8();
    EXPECT_EQ(g->CreateSurface(zd, z.Put()), Result::Ok);
    EXPECT_EQ(target->AddAttachedSurface(z.Get()), Result::Ok);
    EXPECT_EQ(g->QueryGraphics3D(g3d.Put()), Result::Ok);
    EXPECT_EQ(g3d->CreateDevice(DeviceType::TnLHal, target.Get(), dev.Put()), Result::Ok);
    if (dev) {
        dev->SetRenderState(RenderState::CullMode, Cull::None);
        dev->SetRenderState(RenderState::Lighting, 0u);
        dev->SetRenderState(RenderState::ZEnable, ZBufferType::False);
    }
    return static_cast<bool>(dev);
}

uint32_t GfxRig::Pixel(int x, int y) {
    SurfaceDesc lk;
    EXPECT_EQ(target->Lock(nullptr, lk, LockBits::Wait | LockBits::ReadOnly), Result::Ok);
    if (!lk.surface) return 0xdeadbeef;
    uint32_t v;
    std::memcpy(
        &v, static_cast<uint8_t*>(lk.surface) + static_cast<ptrdiff_t>(y) * lk.pitch + x * 4, 4);
    target->Unlock(nullptr);
    return v & 0xffffff;
}

Ref<Surface> GfxRig::SolidTexture(const PixelFormat& f, uint32_t argb, uint32_t w, uint32_t h) {
    SurfaceDesc d;
    d.flags = SurfaceDescBits::Caps | SurfaceDescBits::Width | SurfaceDescBits::Height |
              SurfaceDescBits::PixelFormat;
    d.caps.caps = SurfaceCapBits::Texture;
    d.width = w;
    d.height = h;
    d.pixelFormat = f;
    Ref<Surface> t;
    EXPECT_EQ(g->CreateSurface(d, t.Put()), Result::Ok);
    if (!t) return t;
    PixelCodec codec(f);
    SurfaceDesc lk;
    EXPECT_EQ(t->Lock(nullptr, lk, LockBits::Wait | LockBits::WriteOnly), Result::Ok);
    for (uint32_t y = 0; y < h; ++y)
        for (uint32_t x = 0; x < w; ++x)
            codec.Write(static_cast<uint8_t*>(lk.surface) + static_cast<ptrdiff_t>(y) * lk.pitch +
                            x * codec.BytesPerPixel(),
                        codec.FromArgb(argb));
    t->Unlock(nullptr);
    return t;
}

Ref<Surface> GfxRig::RowTexture(const PixelFormat& f, std::initializer_list<uint32_t> argb) {
    SurfaceDesc d;
    d.flags = SurfaceDescBits::Caps | SurfaceDescBits::Width | SurfaceDescBits::Height |
              SurfaceDescBits::PixelFormat;
    d.caps.caps = SurfaceCapBits::Texture;
    d.width = static_cast<uint32_t>(argb.size());
    d.height = 1;
    d.pixelFormat = f;
    Ref<Surface> t;
    EXPECT_EQ(g->CreateSurface(d, t.Put()), Result::Ok);
    PixelCodec codec(f);
    SurfaceDesc lk;
    EXPECT_EQ(t->Lock(nullptr, lk, LockBits::Wait), Result::Ok);
    uint32_t x = 0;
    for (uint32_t c : argb)
        codec.Write(static_cast<uint8_t*>(lk.surface) + (x++) * codec.BytesPerPixel(),
                    codec.FromArgb(c));
    t->Unlock(nullptr);
    return t;
}

void GfxRig::ScreenQuad(uint32_t diffuse, uint32_t specular, float zv, float u0, float u1, float x0,
                        float x1) {
    struct V {
        float x, y, z, rhw;
        uint32_t diffuse, specular;
        float u, v;
    };
    const float w = static_cast<float>(m_w), h = static_cast<float>(m_h);
    if (x1 < 0) x1 = w;
    const V v[6] = {
        {x0, 0, zv, 1, diffuse, specular, u0, 0}, {x1, 0, zv, 1, diffuse, specular, u1, 0},
        {x0, h, zv, 1, diffuse, specular, u0, 1}, {x1, 0, zv, 1, diffuse, specular, u1, 0},
        {x1, h, zv, 1, diffuse, specular, u1, 1}, {x0, h, zv, 1, diffuse, specular, u0, 1}};
    const uint32_t fvf =
        VertexFormat::XyzRhw | VertexFormat::Diffuse | VertexFormat::Specular | VertexFormat::Tex1;
    EXPECT_EQ(dev->DrawPrimitive(PrimitiveType::TriangleList, fvf, v, 6, 0), Result::Ok);
}

void GfxRig::Clear(uint32_t color, float zv) {
    EXPECT_EQ(dev->Clear(0, nullptr, ClearBits::Target | ClearBits::ZBuffer | ClearBits::Stencil,
                         color, zv, 0),
              Result::Ok);
}

void GfxRig::Finish() {
    if (auto* gl = dynamic_cast<GlGraphics*>(g.Get())) gl->Finish();
}

}  // namespace gfxtest
