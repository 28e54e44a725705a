#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/gfx/Device.h"
#include "platform/gfx/Graphics.h"
#include "platform/gfx/Graphics3D.h"
#include "platform/gfx/NullBackend.h"
#include "platform/gfx/Palette.h"
#include "platform/gfx/Ref.h"
#include "platform/gfx/SoftDevice.h"
#include "platform/gfx/SoftSurface.h"
#include "platform/gfx/Surface.h"
#include "platform/gfx/VertexBuffer.h"
#include "platform/gfx/VertexFormat.h"

using namespace plat::gfx;

namespace {

plat::Window* FakeWindow() {
    static int token;
    return reinterpret_cast<plat::Window*>(&token);
}

SurfaceDesc Desc(uint32_t caps, uint32_t w = 0, uint32_t h = 0) {
    SurfaceDesc d;
    d.flags = SurfaceDescBits::Caps;
    d.caps.caps = caps;
    if (w) {
        d.flags |= SurfaceDescBits::Width | SurfaceDescBits::Height;
        d.width = w;
        d.height = h;
    }
    return d;
}

SurfaceDesc TextureDesc(uint32_t w, uint32_t h, const PixelFormat& f, uint32_t extraCaps = 0) {
    SurfaceDesc d = Desc(SurfaceCapBits::Texture | extraCaps, w, h);
    d.flags |= SurfaceDescBits::PixelFormat;
    d.pixelFormat = f;
    return d;
}

class NullBackendTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(backend.CreateGraphics(nullptr, g.Put()), Result::Ok);
        ASSERT_EQ(g->SetCooperativeLevel(FakeWindow(), CoopBits::Normal | CoopBits::Multithreaded),
                  Result::Ok);
    }
    Ref<Surface> Make(const SurfaceDesc& d) {
        Ref<Surface> s;
        EXPECT_EQ(g->CreateSurface(d, s.Put()), Result::Ok);
        return s;
    }
    NullBackend backend;
    Ref<Graphics> g;
};

TEST(NullBackendEnumeration, PresentsOnePrimaryDriverWithATransformAndLightDevice) {
    NullBackend backend;
    int drivers = 0;
    bool primaryHasNullGuid = false;
    backend.EnumerateDrivers(
        [&](const DriverGuid* guid, const char*, const char*, uint32_t) {
            ++drivers;
            primaryHasNullGuid = guid == nullptr;
            return true;
        },
        EnumDriverBits::AttachedSecondaryDevices);
    EXPECT_EQ(drivers, 1);
    EXPECT_TRUE(primaryHasNullGuid);

    Ref<Graphics> g;
    ASSERT_EQ(backend.CreateGraphics(nullptr, g.Put()), Result::Ok);
    GraphicsCaps caps, emu;
    ASSERT_EQ(g->GetCaps(&caps, &emu), Result::Ok);
    EXPECT_TRUE(caps.caps & GraphicsCapBits::Has3D);
    EXPECT_TRUE(caps.caps2 & GraphicsCap2Bits::CanRenderWindowed);
    EXPECT_FALSE(emu.caps & GraphicsCapBits::Has3D);

    Ref<Graphics3D> g3d;
    ASSERT_EQ(g->QueryGraphics3D(g3d.Put()), Result::Ok);
    std::vector<DeviceDesc> devices;
    g3d->EnumDevices([&](const char*, const char*, const DeviceDesc& d) {
        devices.push_back(d);
        return true;
    });
    ASSERT_EQ(devices.size(), 1u);
    const DeviceDesc& d = devices[0];
    EXPECT_EQ(d.deviceType, DeviceType::TnLHal);
    EXPECT_TRUE(d.devCaps & DevCapBits::HwRasterization);
    EXPECT_TRUE(d.devCaps & DevCapBits::HwTransformAndLight);
    EXPECT_FALSE(d.devCaps & DevCapBits::SeparateTextureMemories);
    EXPECT_TRUE(d.triCaps.textureCaps & TextureCapBits::Perspective);
    EXPECT_TRUE(d.triCaps.shadeCaps & ShadeCapBits::ColorGouraudRgb);
    EXPECT_FALSE(d.triCaps.rasterCaps & RasterCapBits::WBuffer);
    EXPECT_EQ(d.maxTextureBlendStages, d.maxSimultaneousTextures);
    EXPECT_TRUE(d.textureOpCaps & TextureOpCapBit(TextureOp::SelectArg2));
    EXPECT_TRUE(d.triCaps.srcBlendCaps & BlendCapBit(Blend::SrcAlphaSat));

    std::vector<PixelFormat> z;
    g3d->EnumZBufferFormats(DeviceType::TnLHal, [&](const PixelFormat& f) {
        z.push_back(f);
        return true;
    });
    ASSERT_EQ(z.size(), 3u);
    EXPECT_EQ(z[0].zBufferBitDepth, 16u);
    EXPECT_TRUE(z[2].flags & PixelFormatBits::StencilBuffer);
    EXPECT_EQ(g3d->EnumZBufferFormats(DeviceType::Rgb, [](const PixelFormat&) { return true; }),
              Result::InvalidParams);
}

TEST(NullBackendEnumeration, CursorCapsComeFromTheConfigurationOrAFault) {
    GfxConfig cfg = GfxConfig::Standard();
    NullBackend colour(cfg);
    uint32_t caps = 0;
    ASSERT_EQ(colour.QueryCursorCaps(&caps), Result::Ok);
    EXPECT_TRUE(caps & CursorCapBits::Color);
    cfg.cursorCaps = 0;
    NullBackend mono(cfg);
    ASSERT_EQ(mono.QueryCursorCaps(&caps), Result::Ok);
    EXPECT_EQ(caps, 0u);
    mono.InjectFault({"Backend::QueryCursorCaps", Result::Unsupported, 0, 0, 1});
    EXPECT_EQ(mono.QueryCursorCaps(&caps), Result::Unsupported);
}

TEST(NullBackendEnumeration, ModesRunFrom512x384To1280x1024AtSixteenAndThirtyTwoBits) {
    NullBackend backend;
    Ref<Graphics> g;
    ASSERT_EQ(backend.CreateGraphics(nullptr, g.Put()), Result::Ok);
    std::vector<SurfaceDesc> modes;
    g->EnumDisplayModes(0, nullptr, [&](const SurfaceDesc& m) {
        modes.push_back(m);
        return true;
    });
    ASSERT_FALSE(modes.empty());
    EXPECT_EQ(modes.front().width, 512u);
    EXPECT_EQ(modes.front().height, 384u);
    EXPECT_EQ(modes.back().width, 1280u);
    EXPECT_EQ(modes.back().height, 1024u);
    for (const auto& m : modes) {
        uint32_t bits = m.pixelFormat.rgbBitCount;
        EXPECT_TRUE(bits == 16 || bits == 32) << bits;
    }
    SurfaceDesc filter;
    filter.flags = SurfaceDescBits::Width | SurfaceDescBits::PixelFormat;
    filter.width = 640;
    filter.pixelFormat.rgbBitCount = 16;
    int n = 0;
    g->EnumDisplayModes(0, &filter, [&](const SurfaceDesc& m) {
        EXPECT_EQ(m.height, 480u);
        ++n;
        return true;
    });
    EXPECT_EQ(n, 1);
}

TEST(NullBackendEnumeration, AnAddOnDriverComesWithItsGuid) {
    GfxConfig cfg = GfxConfig::Standard();
    GfxConfig::Driver addOn = cfg.drivers[0];
    addOn.primary = false;
    addOn.guid.bytes[0] = 7;
    addOn.description = "Add-on 3D";
    addOn.driverCaps.caps2 &= ~GraphicsCap2Bits::CanRenderWindowed;
    cfg.drivers[0].driverCaps.caps &= ~GraphicsCapBits::Has3D;
    cfg.drivers[0].devices.clear();
    cfg.drivers.push_back(addOn);
    NullBackend backend(cfg);
    std::vector<std::string> seen;
    DriverGuid guid;
    backend.EnumerateDrivers(
        [&](const DriverGuid* g, const char* desc, const char*, uint32_t) {
            seen.push_back(desc);
            if (g) guid = *g;
            return true;
        },
        0);
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[1], "Add-on 3D");
    Ref<Graphics> g;
    ASSERT_EQ(backend.CreateGraphics(&guid, g.Put()), Result::Ok);
    DriverGuid unknown;
    unknown.bytes[0] = 9;
    Ref<Graphics> none;
    EXPECT_EQ(backend.CreateGraphics(&unknown, none.Put()), Result::NotFound);
}

TEST(NullBackendEnumeration, SurfacesNeedACooperativeLevel) {
    NullBackend backend;
    Ref<Graphics> g;
    ASSERT_EQ(backend.CreateGraphics(nullptr, g.Put()), Result::Ok);
    Ref<Surface> s;
    EXPECT_EQ(g->CreateSurface(Desc(SurfaceCapBits::PrimarySurface), s.Put()),
              Result::NoCooperativeLevel);
    EXPECT_EQ(g->SetCooperativeLevel(nullptr, CoopBits::FullScreen | CoopBits::Exclusive),
              Result::InvalidParams);
    EXPECT_EQ(g->SetCooperativeLevel(FakeWindow(), CoopBits::FullScreen), Result::InvalidParams);
}

TEST_F(NullBackendTest, WindowedPrimaryTakesTheDesktopFormat) {
    SurfaceDesc mode;
    ASSERT_EQ(g->GetDisplayMode(mode), Result::Ok);
    Ref<Surface> primary = Make(Desc(SurfaceCapBits::PrimarySurface));
    SurfaceDesc d;
    ASSERT_EQ(primary->GetSurfaceDesc(d), Result::Ok);
    EXPECT_EQ(d.width, mode.width);
    EXPECT_EQ(d.pixelFormat, mode.pixelFormat);
    EXPECT_TRUE(d.caps.caps & SurfaceCapBits::PrimarySurface);
    Ref<Surface> second;
    EXPECT_NE(g->CreateSurface(Desc(SurfaceCapBits::PrimarySurface), second.Put()), Result::Ok);
}

TEST_F(NullBackendTest, FullScreenFlipChainFallsBackFromTripleBuffering) {
    ASSERT_EQ(
        g->SetCooperativeLevel(FakeWindow(), CoopBits::FullScreen | CoopBits::Exclusive |
                                                 CoopBits::AllowReboot | CoopBits::Multithreaded),
        Result::Ok);
    EXPECT_EQ(g->SetDisplayMode(640, 480, 24, 0, 0), Result::InvalidMode);
    ASSERT_EQ(g->SetDisplayMode(640, 480, 16, 0, 0), Result::Ok);
    backend.InjectFault(
        {"Graphics::CreateSurface", Result::OutOfVideoMemory, SurfaceCapBits::Flip, 0, 1});
    SurfaceDesc chain = Desc(SurfaceCapBits::PrimarySurface | SurfaceCapBits::Flip |
                             SurfaceCapBits::Complex | SurfaceCapBits::Device3D);
    chain.flags |= SurfaceDescBits::BackBufferCount;
    chain.backBufferCount = 2;
    Ref<Surface> front;
    EXPECT_EQ(g->CreateSurface(chain, front.Put()), Result::OutOfVideoMemory);
    chain.backBufferCount = 1;
    ASSERT_EQ(g->CreateSurface(chain, front.Put()), Result::Ok);
    SurfaceDesc d;
    front->GetSurfaceDesc(d);
    EXPECT_EQ(d.backBufferCount, 1u);
    EXPECT_EQ(d.width, 640u);
    EXPECT_EQ(d.pixelFormat, Formats::Rgb565());

    SurfaceCaps backCaps;
    backCaps.caps = SurfaceCapBits::BackBuffer;
    Ref<Surface> back;
    ASSERT_EQ(front->GetAttachedSurface(backCaps, back.Put()), Result::Ok);

    // A flip shows the back buffer: the front now holds what was drawn into the back.
    SurfaceDesc lk;
    ASSERT_EQ(back->Lock(nullptr, lk, LockBits::Wait), Result::Ok);
    static_cast<uint16_t*>(lk.surface)[0] = 0x1234;
    ASSERT_EQ(back->Unlock(nullptr), Result::Ok);
    backend.InjectFault({"Surface::Flip", Result::WasStillDrawing, 0, 0, 2});
    int tries = 0;
    Result fr;
    while ((fr = front->Flip(nullptr, 0)) == Result::WasStillDrawing) ++tries;
    EXPECT_EQ(fr, Result::Ok);
    EXPECT_EQ(tries, 2);
    ASSERT_EQ(front->Lock(nullptr, lk, LockBits::Wait | LockBits::ReadOnly), Result::Ok);
    EXPECT_EQ(static_cast<uint16_t*>(lk.surface)[0], 0x1234);
    front->Unlock(nullptr);
    EXPECT_EQ(back->Flip(nullptr, 0), Result::Unsupported);
}

TEST_F(NullBackendTest, ZBufferAttachesOnceAndDetaches) {
    Ref<Surface> target =
        Make(Desc(SurfaceCapBits::Device3D | SurfaceCapBits::VideoMemory, 64, 32));
    SurfaceDesc zd = Desc(SurfaceCapBits::ZBuffer | SurfaceCapBits::VideoMemory, 64, 32);
    zd.flags |= SurfaceDescBits::PixelFormat;
    zd.pixelFormat = Formats::Depth24Stencil8();
    Ref<Surface> z = Make(zd);
    SurfaceCaps zcaps;
    zcaps.caps = SurfaceCapBits::ZBuffer;
    Ref<Surface> found;
    EXPECT_EQ(target->GetAttachedSurface(zcaps, found.Put()), Result::NotFound);
    ASSERT_EQ(target->AddAttachedSurface(z.Get()), Result::Ok);
    EXPECT_EQ(target->AddAttachedSurface(z.Get()), Result::SurfaceAlreadyAttached);
    ASSERT_EQ(target->GetAttachedSurface(zcaps, found.Put()), Result::Ok);
    EXPECT_EQ(found.Get(), z.Get());
    EXPECT_EQ(target->DeleteAttachedSurface(0, z.Get()), Result::Ok);
    EXPECT_EQ(target->DeleteAttachedSurface(0, z.Get()), Result::CannotDetachSurface);

    SurfaceDesc wrongSize = zd;
    wrongSize.width = 32;
    Ref<Surface> small = Make(wrongSize);
    EXPECT_EQ(target->AddAttachedSurface(small.Get()), Result::CannotAttachSurface);
    SurfaceDesc unknown = zd;
    unknown.pixelFormat = Formats::Depth32();
    Ref<Surface> none;
    EXPECT_EQ(g->CreateSurface(unknown, none.Put()), Result::InvalidParams);
}

TEST_F(NullBackendTest, MipChainLevelsHalveAndEndWithNotFound) {
    Ref<Surface> top = Make(TextureDesc(
        64, 16, Formats::Rgb565(),
        SurfaceCapBits::MipMap | SurfaceCapBits::Complex | SurfaceCapBits::SystemMemory));
    SurfaceCaps mip;
    mip.caps = SurfaceCapBits::Texture | SurfaceCapBits::MipMap;
    std::vector<uint32_t> widths, heights;
    Ref<Surface> level = top;
    for (;;) {
        SurfaceDesc d;
        level->GetSurfaceDesc(d);
        widths.push_back(d.width);
        heights.push_back(d.height);
        Ref<Surface> next;
        Result r = level->GetAttachedSurface(mip, next.Put());
        if (r != Result::Ok) {
            EXPECT_EQ(r, Result::NotFound);
            break;
        }
        level = next;
    }
    EXPECT_EQ(widths, (std::vector<uint32_t>{64, 32, 16, 8, 4, 2, 1}));
    EXPECT_EQ(heights, (std::vector<uint32_t>{16, 8, 4, 2, 1, 1, 1}));
}

TEST_F(NullBackendTest, DeviceTexturesSpendTheBudgetAndGiveItBack) {
    backend.SetTextureMemory(64 * 64 * 2 * 2);
    SurfaceCaps tc;
    tc.caps = SurfaceCapBits::Texture;
    uint32_t total = 0, free = 0;
    ASSERT_EQ(g->GetAvailableVidMem(tc, &total, &free), Result::Ok);
    EXPECT_EQ(total, 64u * 64 * 2 * 2);
    EXPECT_EQ(free, total);
    Ref<Surface> a = Make(TextureDesc(64, 64, Formats::Rgb565()));
    Ref<Surface> b = Make(TextureDesc(64, 64, Formats::Argb4444()));
    g->GetAvailableVidMem(tc, &total, &free);
    EXPECT_EQ(free, 0u);
    Ref<Surface> c;
    EXPECT_EQ(g->CreateSurface(TextureDesc(64, 64, Formats::Rgb565()), c.Put()),
              Result::OutOfVideoMemory);
    // System-memory images do not count.
    Ref<Surface> sys = Make(TextureDesc(64, 64, Formats::Rgb565(), SurfaceCapBits::SystemMemory));
    a.Reset();
    EXPECT_EQ(g->CreateSurface(TextureDesc(64, 64, Formats::Rgb565()), c.Put()), Result::Ok);
}

TEST_F(NullBackendTest, InjectedFaultsMatchCallCapsSkipAndCount) {
    backend.InjectFault(
        {"Graphics::CreateSurface", Result::OutOfVideoMemory, SurfaceCapBits::Texture, 1, 2});
    Ref<Surface> s;
    auto tex = TextureDesc(8, 8, Formats::Rgb565());
    EXPECT_EQ(g->CreateSurface(Desc(SurfaceCapBits::Device3D, 8, 8), s.Put()), Result::Ok);
    EXPECT_EQ(g->CreateSurface(tex, s.Put()), Result::Ok);  // skipped
    EXPECT_EQ(g->CreateSurface(tex, s.Put()), Result::OutOfVideoMemory);
    EXPECT_EQ(g->CreateSurface(tex, s.Put()), Result::OutOfVideoMemory);
    EXPECT_EQ(g->CreateSurface(tex, s.Put()), Result::Ok);  // used up
    backend.InjectFault({"Surface::Lock", Result::SurfaceBusy, 0, 0, -1});
    SurfaceDesc lk;
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(s->Lock(nullptr, lk, LockBits::Wait), Result::SurfaceBusy);
    backend.ClearFaults();
    EXPECT_EQ(s->Lock(nullptr, lk, LockBits::Wait), Result::Ok);
    EXPECT_EQ(s->Unlock(nullptr), Result::Ok);
}

TEST_F(NullBackendTest, CallLogRecordsCallsArgumentsAndResults) {
    backend.Log().Clear();
    Ref<Surface> s;
    g->CreateSurface(TextureDesc(8, 4, Formats::Rgb565()), s.Put());
    s->Unlock(nullptr);
    auto lines = backend.Log().Lines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_NE(lines[0].find("Graphics::CreateSurface(caps 0x1, 8x4)"), std::string::npos)
        << lines[0];
    EXPECT_NE(lines[0].find("-> Ok"), std::string::npos);
    EXPECT_NE(lines[1].find("Surface::Unlock"), std::string::npos);
    EXPECT_NE(lines[1].find("-> NotLocked"), std::string::npos);
    backend.Log().SetEnabled(false);
    s->Unlock(nullptr);
    EXPECT_EQ(backend.Log().Lines().size(), 2u);
}

TEST_F(NullBackendTest, LostSurfacesRefuseWorkUntilRestored) {
    Ref<Surface> t = Make(Desc(SurfaceCapBits::Device3D, 16, 16));
    Ref<Surface> sys = Make(TextureDesc(16, 16, Formats::Xrgb8888(), SurfaceCapBits::SystemMemory));
    backend.LoseAllSurfaces();
    EXPECT_EQ(t->IsLost(), Result::SurfaceLost);
    EXPECT_EQ(sys->IsLost(), Result::Ok);  // system memory is never taken away
    SurfaceDesc lk;
    EXPECT_EQ(t->Lock(nullptr, lk, 0), Result::SurfaceLost);
    EXPECT_EQ(t->Blt(nullptr, sys.Get(), nullptr, BltBits::Wait, nullptr), Result::SurfaceLost);
    backend.InjectFault({"Surface::Restore", Result::WrongMode, 0, 0, 1});
    EXPECT_EQ(t->Restore(), Result::WrongMode);
    EXPECT_EQ(g->RestoreAllSurfaces(), Result::Ok);
    EXPECT_EQ(t->IsLost(), Result::Ok);
}

TEST_F(NullBackendTest, ClientMemorySurfacesReadTheCallersPixels) {
    Ref<Surface> s = Make(TextureDesc(4, 2, Formats::Argb4444(), SurfaceCapBits::SystemMemory));
    std::vector<uint16_t> mine = {1, 2, 3, 4, 5, 6, 7, 8};
    SurfaceDesc d;
    d.flags = SurfaceDescBits::SurfaceMemory;
    d.surface = mine.data();
    ASSERT_EQ(s->SetSurfaceDesc(d, 0), Result::Ok);
    SurfaceDesc lk;
    ASSERT_EQ(s->Lock(nullptr, lk, LockBits::ReadOnly), Result::Ok);
    EXPECT_EQ(lk.surface, mine.data());
    EXPECT_EQ(lk.pitch, 8);
    s->Unlock(nullptr);
    Ref<Surface> video = Make(TextureDesc(4, 2, Formats::Argb4444()));
    EXPECT_EQ(video->SetSurfaceDesc(d, 0), Result::InvalidParams);
}

TEST_F(NullBackendTest, PalettesAndColorKeysAreKeptPerSurface) {
    Ref<Surface> s = Make(TextureDesc(8, 8, Formats::Pal8(), SurfaceCapBits::SystemMemory));
    Ref<Palette> none;
    EXPECT_EQ(s->GetPalette(none.Put()), Result::NoPalette);
    PaletteEntry entries[256] = {};
    entries[3] = {10, 20, 30, 0};
    Ref<Palette> pal;
    ASSERT_EQ(g->CreatePalette(PaletteBits::Bits8 | PaletteBits::Allow256, entries, pal.Put()),
              Result::Ok);
    ASSERT_EQ(s->SetPalette(pal.Get()), Result::Ok);
    Ref<Palette> got;
    ASSERT_EQ(s->GetPalette(got.Put()), Result::Ok);
    PaletteEntry e;
    got->GetEntries(0, 3, 1, &e);
    EXPECT_EQ(e, (PaletteEntry{10, 20, 30, 0}));
    Ref<Surface> rgb = Make(TextureDesc(8, 8, Formats::Rgb565(), SurfaceCapBits::SystemMemory));
    EXPECT_EQ(rgb->SetPalette(pal.Get()), Result::InvalidParams);

    ColorKey key;
    EXPECT_EQ(s->GetColorKey(ColorKeyBits::SrcBlt, key), Result::NoColorKey);
    ColorKey black{0, 0};
    ASSERT_EQ(s->SetColorKey(ColorKeyBits::SrcBlt, &black), Result::Ok);
    ASSERT_EQ(s->GetColorKey(ColorKeyBits::SrcBlt, key), Result::Ok);
    EXPECT_EQ(key, black);
    SurfaceDesc d;
    s->GetSurfaceDesc(d);
    EXPECT_TRUE(d.flags & SurfaceDescBits::ColorKeySrcBlt);
    s->SetColorKey(ColorKeyBits::SrcBlt, nullptr);
    EXPECT_EQ(s->GetColorKey(ColorKeyBits::SrcBlt, key), Result::NoColorKey);
}

TEST_F(NullBackendTest, LoadCopiesTheMatchingLevelsOfAMipChain) {
    const uint32_t mip = SurfaceCapBits::MipMap | SurfaceCapBits::Complex;
    Ref<Surface> sys =
        Make(TextureDesc(16, 16, Formats::Rgb565(), mip | SurfaceCapBits::SystemMemory));
    SurfaceDesc big = TextureDesc(8, 8, Formats::Rgb565(), mip);
    Ref<Surface> tex = Make(big);  // a smaller texture: the levels from 8x8 on are copied
    SurfaceCaps mc;
    mc.caps = SurfaceCapBits::Texture | SurfaceCapBits::MipMap;
    // Mark each source level with its width.
    Ref<Surface> level = sys;
    while (level) {
        SurfaceDesc lk;
        level->Lock(nullptr, lk, LockBits::Wait);
        static_cast<uint16_t*>(lk.surface)[0] = static_cast<uint16_t>(lk.width);
        level->Unlock(nullptr);
        Ref<Surface> next;
        if (level->GetAttachedSurface(mc, next.Put()) != Result::Ok) break;
        level = next;
    }
    Ref<Device> dev;
    Ref<Graphics3D> g3d;
    g->QueryGraphics3D(g3d.Put());
    Ref<Surface> target = Make(Desc(SurfaceCapBits::Device3D, 8, 8));
    ASSERT_EQ(g3d->CreateDevice(DeviceType::TnLHal, target.Get(), dev.Put()), Result::Ok);
    ASSERT_EQ(dev->Load(tex.Get(), nullptr, sys.Get(), nullptr, 0), Result::Ok);
    std::vector<uint16_t> seen;
    level = tex;
    while (level) {
        SurfaceDesc lk;
        level->Lock(nullptr, lk, LockBits::ReadOnly);
        seen.push_back(static_cast<uint16_t*>(lk.surface)[0]);
        level->Unlock(nullptr);
        Ref<Surface> next;
        if (level->GetAttachedSurface(mc, next.Put()) != Result::Ok) break;
        level = next;
    }
    EXPECT_EQ(seen, (std::vector<uint16_t>{8, 4, 2, 1}));
    Ref<Surface> other = Make(TextureDesc(8, 8, Formats::Argb4444()));
    EXPECT_EQ(dev->Load(other.Get(), nullptr, sys.Get(), nullptr, 0), Result::InvalidParams);
}

}  // namespace
