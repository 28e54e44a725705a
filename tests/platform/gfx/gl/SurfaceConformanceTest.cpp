#include <gtest/gtest.h>

#include <cstring>
#include <thread>
#include <vector>

#include "GfxRig.h"
#include "platform/gfx/Clipper.h"
#include "platform/gfx/PixelCodec.h"
#include "platform/gfx/VertexFormat.h"
#include "platform/window/Window.h"

using namespace gfxtest;
using namespace plat::gfx;

namespace {

// What both back ends must do alike: surfaces keep their pixels through locks and blits, lose
// and regain their memory, and the texture budget holds.
class SurfaceConformance : public ::testing::TestWithParam<BackendKind> {
protected:
    void SetUp() override {
        std::string why;
        if (!rig.Init(GetParam(), 64, 64, &why)) GTEST_SKIP() << "no OpenGL display: " << why;
    }
    Ref<Surface> Make(uint32_t caps, uint32_t w, uint32_t h, const PixelFormat& f) {
        SurfaceDesc d;
        d.flags = SurfaceDescBits::Caps | SurfaceDescBits::Width | SurfaceDescBits::Height |
                  SurfaceDescBits::PixelFormat;
        d.caps.caps = caps;
        d.width = w;
        d.height = h;
        d.pixelFormat = f;
        Ref<Surface> s;
        EXPECT_EQ(rig.g->CreateSurface(d, s.Put()), Result::Ok);
        return s;
    }
    GfxRig rig;
};

struct FormatCase {
    const char* name;
    PixelFormat format;
    uint32_t caps;
};

TEST_P(SurfaceConformance, LockUnlockKeepsEveryBitOf16And32BitSurfaces) {
    const FormatCase cases[] = {
        {"565 texture", Formats::Rgb565(), SurfaceCapBits::Texture},
        {"1555 texture", Formats::Argb1555(), SurfaceCapBits::Texture},
        {"4444 system image", Formats::Argb4444(),
         SurfaceCapBits::Texture | SurfaceCapBits::SystemMemory},
        {"8888 texture", Formats::Argb8888(), SurfaceCapBits::Texture},
        {"x888 render target", Formats::Xrgb8888(), SurfaceCapBits::Device3D},
        {"565 render target", Formats::Rgb565(), SurfaceCapBits::Device3D},
    };
    for (const FormatCase& c : cases) {
        Ref<Surface> s = Make(c.caps, 16, 8, c.format);
        ASSERT_TRUE(s) << c.name;
        const uint32_t bpp = c.format.rgbBitCount / 8;
        // Render targets drop bits a 32-bit store cannot keep (x888 alpha); write what survives.
        const uint32_t keep = c.format.rMask | c.format.gMask | c.format.bMask | c.format.aMask;
        SurfaceDesc lk;
        ASSERT_EQ(s->Lock(nullptr, lk, LockBits::Wait | LockBits::WriteOnly), Result::Ok) << c.name;
        EXPECT_GE(lk.pitch, static_cast<int32_t>(16 * bpp));
        EXPECT_EQ(lk.pixelFormat, c.format);
        for (uint32_t y = 0; y < 8; ++y)
            for (uint32_t x = 0; x < 16; ++x) {
                uint32_t v = ((x * 0x1357u + y * 0x2468u) * 2654435761u) & keep;
                std::memcpy(static_cast<uint8_t*>(lk.surface) + y * lk.pitch + x * bpp, &v, bpp);
            }
        ASSERT_EQ(s->Unlock(nullptr), Result::Ok);
        // A draw makes the GPU copy the current one for targets.
        if (c.caps & SurfaceCapBits::Device3D) {
            ASSERT_EQ(rig.dev->SetRenderTarget(s.Get(), 0), Result::Ok);
            ASSERT_EQ(rig.dev->BeginScene(), Result::Ok);
            rig.ScreenQuad(0, 0, 0.5f, 0, 1, 0, 0.001f);  // covers no pixel centre
            rig.dev->EndScene();
            rig.dev->SetRenderTarget(rig.target.Get(), 0);
        }
        ASSERT_EQ(s->Lock(nullptr, lk, LockBits::Wait | LockBits::ReadOnly), Result::Ok);
        int bad = 0;
        for (uint32_t y = 0; y < 8; ++y)
            for (uint32_t x = 0; x < 16; ++x) {
                uint32_t v = 0, want = ((x * 0x1357u + y * 0x2468u) * 2654435761u) & keep;
                std::memcpy(&v, static_cast<uint8_t*>(lk.surface) + y * lk.pitch + x * bpp, bpp);
                if (v != want) ++bad;
            }
        s->Unlock(nullptr);
        EXPECT_EQ(bad, 0) << c.name;
    }
}

TEST_P(SurfaceConformance, LockOfARectanglePointsIntoIt) {
    Ref<Surface> s = Make(SurfaceCapBits::Texture, 8, 8, Formats::Rgb565());
    SurfaceDesc all, part;
    ASSERT_EQ(s->Lock(nullptr, all, LockBits::Wait), Result::Ok);
    uint8_t* base = static_cast<uint8_t*>(all.surface);
    s->Unlock(nullptr);
    Rect r{2, 3, 6, 7};
    ASSERT_EQ(s->Lock(&r, part, LockBits::Wait), Result::Ok);
    EXPECT_EQ(static_cast<uint8_t*>(part.surface), base + 3 * all.pitch + 2 * 2);
    EXPECT_EQ(s->Lock(&r, part, 0), Result::SurfaceBusy);
    s->Unlock(nullptr);
    EXPECT_EQ(s->Unlock(nullptr), Result::NotLocked);
    Rect outside{4, 4, 9, 5};
    EXPECT_EQ(s->Lock(&outside, part, 0), Result::InvalidParams);
}

TEST_P(SurfaceConformance, ColourKeyedBlitLeavesKeyPixelsOut) {
    // Source: black | white | black | grey, key black; destination: red.
    Ref<Surface> src =
        Make(SurfaceCapBits::Texture | SurfaceCapBits::SystemMemory, 4, 1, Formats::Rgb565());
    SurfaceDesc lk;
    src->Lock(nullptr, lk, LockBits::Wait);
    const uint16_t px[4] = {0x0000, 0xffff, 0x0000, 0x8410};
    std::memcpy(lk.surface, px, sizeof px);
    src->Unlock(nullptr);
    for (bool keyed : {false, true}) {
        rig.Clear(0x00ff0000);
        BltFx fx;
        fx.srcKeyOverride = {0, 0};
        Rect dest{10, 20, 14, 21};
        ASSERT_EQ(rig.target->Blt(&dest, src.Get(), nullptr,
                                  BltBits::Wait | (keyed ? BltBits::KeySrcOverride : 0), &fx),
                  Result::Ok);
        EXPECT_TRUE(NearColor(rig.Pixel(10, 20), keyed ? 0xff0000 : 0x000000, 0)) << keyed;
        EXPECT_TRUE(NearColor(rig.Pixel(11, 20), 0xffffff, 0));
        EXPECT_TRUE(NearColor(rig.Pixel(12, 20), keyed ? 0xff0000 : 0x000000, 0));
        EXPECT_TRUE(NearColor(rig.Pixel(13, 20), 0x848284, 2));
        EXPECT_TRUE(NearColor(rig.Pixel(14, 20), 0xff0000, 0));
    }
    // The source's own key serves with KeySrc; without one the blit is refused.
    Rect dest{0, 0, 4, 1};
    EXPECT_EQ(rig.target->Blt(&dest, src.Get(), nullptr, BltBits::KeySrc, nullptr),
              Result::NoColorKey);
    ColorKey black{0, 0};
    src->SetColorKey(ColorKeyBits::SrcBlt, &black);
    rig.Clear(0x000000ff);
    ASSERT_EQ(rig.target->Blt(&dest, src.Get(), nullptr, BltBits::KeySrc, nullptr), Result::Ok);
    EXPECT_TRUE(NearColor(rig.Pixel(0, 0), 0x0000ff, 0));
}

TEST_P(SurfaceConformance, BlitStretchesAndConvertsBetweenFormats) {
    Ref<Surface> src =
        Make(SurfaceCapBits::Texture | SurfaceCapBits::SystemMemory, 2, 1, Formats::Argb4444());
    SurfaceDesc lk;
    src->Lock(nullptr, lk, LockBits::Wait);
    const uint16_t px[2] = {0xff00, 0xf0f0};  // red, green
    std::memcpy(lk.surface, px, sizeof px);
    src->Unlock(nullptr);
    rig.Clear(0);
    Rect dest{0, 0, 8, 4};
    ASSERT_EQ(rig.target->Blt(&dest, src.Get(), nullptr, BltBits::Wait, nullptr), Result::Ok);
    EXPECT_TRUE(NearColor(rig.Pixel(1, 1), 0xff0000, 0));
    EXPECT_TRUE(NearColor(rig.Pixel(6, 3), 0x00ff00, 0));
    EXPECT_TRUE(NearColor(rig.Pixel(8, 0), 0x000000, 0));
    // A render target blitted into a system-memory surface comes back through the CPU.
    Ref<Surface> copy = Make(SurfaceCapBits::OffscreenPlain | SurfaceCapBits::SystemMemory, 8, 4,
                             Formats::Rgb565());
    ASSERT_EQ(copy->Blt(nullptr, rig.target.Get(), &dest, BltBits::Wait, nullptr), Result::Ok);
    copy->Lock(nullptr, lk, LockBits::ReadOnly);
    EXPECT_EQ(static_cast<uint16_t*>(lk.surface)[0], 0xf800);
    copy->Unlock(nullptr);
    Rect bad{60, 0, 70, 4};
    EXPECT_EQ(rig.target->Blt(&bad, src.Get(), nullptr, BltBits::Wait, nullptr),
              Result::InvalidParams);
}

TEST_P(SurfaceConformance, LostSurfacesAreRefusedUntilRestored) {
    rig.Backend().LoseAllSurfaces();
    EXPECT_EQ(rig.target->IsLost(), Result::SurfaceLost);
    EXPECT_EQ(rig.dev->BeginScene(), Result::SurfaceLost);
    EXPECT_EQ(rig.dev->Clear(0, nullptr, ClearBits::Target, 0, 1, 0), Result::SurfaceLost);
    SurfaceDesc lk;
    EXPECT_EQ(rig.target->Lock(nullptr, lk, 0), Result::SurfaceLost);
    ASSERT_EQ(rig.g->RestoreAllSurfaces(), Result::Ok);
    EXPECT_EQ(rig.target->IsLost(), Result::Ok);
    rig.Clear(0x00123456);
    EXPECT_TRUE(NearColor(rig.Centre(), 0x123456, 0));
}

TEST_P(SurfaceConformance, TextureMemoryRunsOutAtTheBudget) {
    rig.Backend().SetTextureMemory(256 * 256 * 2 * 3);
    std::vector<Ref<Surface>> held;
    Result r = Result::Ok;
    for (int i = 0; i < 8 && r == Result::Ok; ++i) {
        SurfaceDesc d;
        d.flags = SurfaceDescBits::Caps | SurfaceDescBits::Width | SurfaceDescBits::Height |
                  SurfaceDescBits::PixelFormat;
        d.caps.caps = SurfaceCapBits::Texture | SurfaceCapBits::VideoMemory;
        d.width = d.height = 256;
        d.pixelFormat = Formats::Rgb565();
        Ref<Surface> t;
        r = rig.g->CreateSurface(d, t.Put());
        if (r == Result::Ok) held.push_back(t);
    }
    EXPECT_EQ(r, Result::OutOfVideoMemory);
    EXPECT_EQ(held.size(), 3u);
    SurfaceCaps tc;
    tc.caps = SurfaceCapBits::Texture;
    uint32_t total = 0, free = 1;
    rig.g->GetAvailableVidMem(tc, &total, &free);
    EXPECT_EQ(free, 0u);
    held.pop_back();
    rig.g->GetAvailableVidMem(tc, &total, &free);
    EXPECT_EQ(free, 256u * 256 * 2);
}

TEST_P(SurfaceConformance, DeviceClearReachesTheLockedPixels) {
    rig.Clear(0x00ff8040);
    Viewport vp{16, 16, 16, 16, 0, 1};
    rig.dev->SetViewport(vp);
    Rect r{0, 0, 64, 64};
    ASSERT_EQ(rig.dev->Clear(1, &r, ClearBits::Target, 0x000000ff, 1.0f, 0), Result::Ok);
    EXPECT_TRUE(NearColor(rig.Pixel(0, 0), 0xff8040, 0));
    EXPECT_TRUE(NearColor(rig.Pixel(16, 16), 0x0000ff, 0));
    EXPECT_TRUE(NearColor(rig.Pixel(31, 31), 0x0000ff, 0));
    EXPECT_TRUE(NearColor(rig.Pixel(32, 32), 0xff8040, 0));
}

TEST_P(SurfaceConformance, TheWindowedPresentAndTheFlipChainShowFrames) {
    Ref<Surface> primary;
    SurfaceDesc pd;
    pd.flags = SurfaceDescBits::Caps;
    pd.caps.caps = SurfaceCapBits::PrimarySurface;
    ASSERT_EQ(rig.g->CreateSurface(pd, primary.Put()), Result::Ok);
    Ref<Clipper> clipper;
    ASSERT_EQ(rig.g->CreateClipper(0, clipper.Put()), Result::Ok);
    if (rig.Window()) {
        ASSERT_EQ(clipper->SetWindow(0, rig.Window()), Result::Ok);
        ASSERT_EQ(primary->SetClipper(clipper.Get()), Result::Ok);
    }
    rig.Clear(0x0000ff00);
    Rect src{0, 0, 64, 64};
    Rect dest = src;
    if (rig.Window()) {
        plat::WinPoint o = rig.Window()->ClientToScreen({0, 0});
        dest = {o.x, o.y, o.x + 64, o.y + 64};
    }
    BltFx fx;
    fx.fxFlags = BltFxBits::NoTearing;
    EXPECT_EQ(primary->Blt(&dest, rig.target.Get(), &src, BltBits::Wait | BltBits::DdFx, &fx),
              Result::Ok);
    EXPECT_EQ(primary->Flip(nullptr, 0), Result::Unsupported);  // no chain in a window
}

TEST_P(SurfaceConformance, TwoThreadsShareTheDevice) {
    rig.Clear(0);
    std::thread other([&] {
        ASSERT_EQ(rig.dev->BeginScene(), Result::Ok);
        EXPECT_EQ(rig.dev->Clear(0, nullptr, ClearBits::Target, 0x00ff00ff, 1.0f, 0), Result::Ok);
        rig.dev->EndScene();
    });
    other.join();
    EXPECT_TRUE(NearColor(rig.Centre(), 0xff00ff, 0));
    rig.Clear(0x0000ffff);
    std::thread again([&] { EXPECT_TRUE(NearColor(rig.Pixel(1, 1), 0x00ffff, 0)); });
    again.join();
}

INSTANTIATE_TEST_SUITE_P(Backends, SurfaceConformance,
                         ::testing::Values(BackendKind::Null, BackendKind::Gl),
                         [](const auto& info) { return std::string(KindName(info.param)); });

}  // namespace
