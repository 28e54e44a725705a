// The texture manager and its cache on the null device: the formats it finds, the cache key,
// texture creation, reloads, taking over idle textures, eviction by age and size class, pinning
// and the texture memory it accounts for, with the device's texture budget injected.
#include <gtest/gtest.h>

#include "engine/d3d/EnD3DCachedTextureManager.h"
#include "engine/d3d/EnD3DTextureManager.h"
#include "engine/d3d/EnDDImage.h"
#include "tests/engine/d3d/D3DTestSupport.h"
#include "tests/engine/d3d/TextureTestSupport.h"

using namespace d3dtest;

namespace {

using Manager = EnD3DCachedTextureManager;
constexpr uint32_t kTexture64 = 64 * 64 * 4;  // a 64 x 64 texture in the 32-bit format

struct FormatCase {
    std::vector<PixelFormat> offered;
    std::vector<uint32_t> available;
};

TEST(TextureFormats, EachIndexTakesOnlyItsOwnLayout) {
    const FormatCase cases[] = {
        {{Formats::Rgb555(), Formats::Rgb565()}, {0, 1}},
        {{Formats::Rgb565()}, {1}},
        // One bit of alpha makes 1-5-5-5, never one of the colour formats.
        {{Formats::Argb1555()}, {3}},
        {{Formats::Argb8888(), Formats::Xrgb8888(), Formats::Pal8()}, {2, 5, 6}},
        {{Formats::Argb4444(), Formats::Argb8888(), Formats::Argb1555(), Formats::Rgb555(),
          Formats::Rgb565(), Formats::Xrgb8888(), Formats::Pal8()},
         {0, 1, 2, 3, 4, 5, 6}},
    };
    for (const FormatCase& c : cases) {
        GfxConfig config = GfxConfig::Standard();
        config.drivers[0].textureFormats = c.offered;
        auto backend = std::make_shared<NullBackend>(config);
        Backend::Install(backend);
        Ref<Graphics> graphics;
        ASSERT_EQ(backend->CreateGraphics(nullptr, graphics.Put()), Result::Ok);
        ASSERT_EQ(graphics->SetCooperativeLevel(nullptr, CoopBits::Normal), Result::Ok);
        SurfaceDesc desc;
        desc.flags = SurfaceDescBits::Caps | SurfaceDescBits::Width | SurfaceDescBits::Height;
        desc.width = desc.height = 8;
        desc.caps.caps = SurfaceCapBits::Device3D | SurfaceCapBits::VideoMemory;
        Ref<Surface> target;
        ASSERT_EQ(graphics->CreateSurface(desc, target.Put()), Result::Ok);
        Ref<Graphics3D> d3d;
        ASSERT_EQ(graphics->QueryGraphics3D(d3d.Put()), Result::Ok);
        Ref<Device> device;
        ASSERT_EQ(d3d->CreateDevice(DeviceType::TnLHal, target.Get(), device.Put()), Result::Ok);

        std::unique_ptr<EnD3DTextureManager> manager(EnD3DTextureManager::Create(
            true, true, graphics.Get(), device.Get(), GfxConfig::StandardDeviceDesc()));
        ASSERT_NE(manager, nullptr);
        for (uint32_t i = 0; i < 7; i++) {
            const bool want =
                std::find(c.available.begin(), c.available.end(), i) != c.available.end();
            EXPECT_EQ(manager->IsFormatAvailable(i), want) << "format " << i;
            EXPECT_EQ(manager->GetFormat(i) != nullptr, want) << "format " << i;
        }
        manager.reset();
        device.Reset();
        d3d.Reset();
        target.Reset();
        graphics.Reset();
        Backend::Install(nullptr);
    }
}

struct KeyCase {
    uint32_t widthLog, heightLog;
    bool mipmap;
    uint32_t format, depthClass;
    uint32_t aspect, sizeClass;
};

TEST(TextureCacheKey, HoldsShapeFormatAndSizeClass) {
    const KeyCase cases[] = {
        {8, 6, false, 1, 1, 6, 7},     // 256 x 64
        {9, 5, false, 1, 1, 7, 7},     // 512 x 32: wider than 3 steps
        {5, 9, false, 1, 1, 0, 7},     // 32 x 512: taller than 3 steps
        {8, 8, false, 1, 1, 4, 9},     // 256 x 256 in a 16-bit format
        {3, 3, true, 6, 0, 4, 0},      // small palette textures stay in class 0
        {11, 11, false, 2, 2, 4, 15},  // and large ones in class 15
        {4, 6, true, 5, 2, 2, 4},
    };
    for (const KeyCase& c : cases) {
        const uint32_t key =
            Manager::MakeKey(c.widthLog, c.heightLog, c.mipmap, c.format, c.depthClass);
        EXPECT_EQ(key & 0xf, c.heightLog);
        EXPECT_EQ(key >> 4 & 0xf, c.widthLog);
        EXPECT_EQ(key >> 8 & 1, c.mipmap ? 1u : 0u);
        EXPECT_EQ(key >> 9 & 7, c.format + 1);
        EXPECT_EQ(key >> 12 & 7, c.aspect) << c.widthLog << " x " << c.heightLog;
        EXPECT_EQ(EnD3DTextureRecord::SizeClassOf(key), c.sizeClass)
            << c.widthLog << " x " << c.heightLog;
        EXPECT_EQ(EnD3DTextureRecord::BucketOf(key), key >> 11 & 0xff);
    }
}

class TextureCache : public NullRendererTest {
protected:
    void SetUp() override {
        NullRendererTest::SetUp();
        Make();
    }
    void Make() {
        ASSERT_NE(Create(0x09), nullptr) << EnD3DRender::GetLastError();
        m_cache = dynamic_cast<Manager*>(m_renderer->GetTextureManager());
        ASSERT_NE(m_cache, nullptr);
    }
    // One use of the image's texture in the current frame; true with a texture.
    bool Use(EnImage* image, bool* changed = nullptr, int32_t memory = -1) {
        EnPointer<EnImage> cached;
        Surface* surface = nullptr;
        bool wasChanged = false, mipmapped = false;
        const bool ok = m_cache->GetTexture(memory, image, cached, surface, wasChanged, mipmapped);
        if (changed) *changed = wasChanged;
        EXPECT_EQ(ok, surface != nullptr);
        return ok;
    }
    void Frame() { m_cache->BeginFrame(); }
    const EnD3DTextureRecord* Record(EnImage* image, uint32_t memory = 0) {
        return m_cache->FindRecord(image, memory);
    }
    uint32_t Free() {
        uint32_t total = 0, free = 0;
        EXPECT_TRUE(m_renderer->GetTextureMemory(total, free));
        return free;
    }

    Manager* m_cache = nullptr;
};

TEST_F(TextureCache, DescriptionSkipsLevelsAsAskedAndWhereTheDeviceMust) {
    EnPointer<EnDDImage> wide = SolidImage(256, 64);
    Manager::TextureDesc desc;
    ASSERT_TRUE(m_cache->DescribeTexture(wide, desc));
    EXPECT_EQ(desc.m_uiFormat, uint32_t(EnD3DTextureManager::FORMAT_RGB888));
    EXPECT_EQ(desc.m_uiKey, Manager::MakeKey(8, 6, false, 2, 2));

    EnPointer<EnDDImage> mipmapped = SolidImage(64, 64, 0x808080, true);
    EnPointer<EnDDImage> flat = SolidImage(64, 64);
    m_renderer->SetTextureManagerValue(1);
    EXPECT_EQ(m_renderer->GetTextureManagerSetting(), 1u);
    ASSERT_TRUE(m_cache->DescribeTexture(mipmapped, desc));
    EXPECT_EQ(desc.m_uiWidth, 32u);
    EXPECT_EQ(desc.m_uiMipLevels, 5u);
    EXPECT_EQ(desc.m_uiKey, Manager::MakeKey(5, 5, true, 2, 2));
    // Without levels to skip the texture keeps its size.
    ASSERT_TRUE(m_cache->DescribeTexture(flat, desc));
    EXPECT_EQ(desc.m_uiWidth, 64u);
    ASSERT_TRUE(Use(mipmapped));
    SurfaceDesc made;
    Surface* surface = nullptr;
    bool changed, mip;
    EnPointer<EnImage> cached;
    ASSERT_TRUE(m_cache->GetTexture(-1, mipmapped, cached, surface, changed, mip));
    ASSERT_EQ(surface->GetSurfaceDesc(made), Result::Ok);
    EXPECT_EQ(made.width, 32u);
    EXPECT_EQ(made.mipMapCount, 5u);
    EXPECT_TRUE(mip);
}

TEST_F(TextureCache, TexturesTooLargeForTheDeviceLoseLevelsOrFail) {
    GfxConfig config = GfxConfig::Standard();
    config.drivers[0].devices[0].desc.maxTextureWidth = 32;
    config.drivers[0].devices[0].desc.maxTextureHeight = 32;
    m_renderer = nullptr;
    Install(config);
    Make();
    EnPointer<EnDDImage> mipmapped = SolidImage(128, 64, 0x808080, true);
    Manager::TextureDesc desc;
    ASSERT_TRUE(m_cache->DescribeTexture(mipmapped, desc));
    EXPECT_EQ(desc.m_uiWidth, 32u);
    EXPECT_EQ(desc.m_uiHeight, 16u);
    EnPointer<EnDDImage> flat = SolidImage(64, 64);
    EXPECT_FALSE(m_cache->DescribeTexture(flat, desc));
    EXPECT_FALSE(Use(flat));
}

TEST_F(TextureCache, SquareOnlyDevicesRefuseOtherShapes) {
    GfxConfig config = GfxConfig::Standard();
    config.drivers[0].devices[0].desc.triCaps.textureCaps |= TextureCapBits::SquareOnly;
    m_renderer = nullptr;
    Install(config);
    Make();
    EXPECT_TRUE(m_renderer->GetRendererField() & EnD3DRender::CAPS_SQUARE_TEXTURES);
    m_capture.Clear();
    EnPointer<EnDDImage> oblong = SolidImage(128, 64), square = SolidImage(64, 64);
    EXPECT_FALSE(Use(oblong));
    EXPECT_EQ(Lines(), std::vector<std::string>{"EN D3D Renderer ERROR: (TexDebug): Non-square "
                                                "texture cannot be loaded to this hardware"});
    EXPECT_TRUE(Use(square));
}

TEST_F(TextureCache, UnusableImagesAreMarkedOnceUntilTheirFormatChanges) {
    EnPointer<EnRawImageData> raw =
        Pixels(EnRawImageData::FORMAT_RGB, 100, 64, std::vector<uint32_t>(6400, 0x102030));
    EnPointer<EnDDImage> image = SurfaceImage(raw);
    EXPECT_FALSE(Use(image));
    EXPECT_EQ(Record(image), m_cache->GetUnusableMarker());
    const size_t surfaces = Log().Count("Graphics::CreateSurface");
    EXPECT_FALSE(Use(image));
    EXPECT_FALSE(m_renderer->PrecacheImage(image, true, false));
    EXPECT_EQ(Log().Count("Graphics::CreateSurface"), surfaces);
    EXPECT_EQ(m_cache->GetTexturesResident(), 0u);

    // New pixels of a usable size, and the image says its format changed.
    ASSERT_TRUE(raw->Allocate(EnRawImageData::FORMAT_RGB, 64, 64));
    image->InvalidatePixels();
    image->ChangedFormat();
    EXPECT_TRUE(Use(image));
    EXPECT_NE(Record(image), m_cache->GetUnusableMarker());
    EXPECT_EQ(image->GetWidth(), 64u);

    // A texture whose image changes to an unusable size is marked at that very use.
    ASSERT_TRUE(raw->Allocate(EnRawImageData::FORMAT_RGB, 100, 64));
    image->InvalidatePixels();
    image->ChangedFormat();
    EXPECT_FALSE(Use(image));
    EXPECT_EQ(Record(image), m_cache->GetUnusableMarker());
    EXPECT_EQ(m_cache->GetTexturesResident(), 0u);

    m_capture.Clear();
    EnPointer<EnImage> missing = EnImage::CreateFromFile("no/such/texture.tga", 0, 7, 0);
    EXPECT_FALSE(Use(missing));
    EXPECT_EQ(Lines(), std::vector<std::string>{"EN D3D Renderer ERROR: (TexDebug): Create Texture "
                                                "failed: image file not found or of invalid "
                                                "format"});
}

TEST_F(TextureCache, TexturesAreMadeOnceAndCountedPerFrame) {
    EnPointer<EnDDImage> image = SolidImage(64, 64);
    Frame();
    bool changed = false;
    ASSERT_TRUE(Use(image, &changed));
    EXPECT_TRUE(changed);
    ASSERT_TRUE(Use(image));
    EXPECT_EQ(m_cache->GetTexturesCreated(), 1u);
    EXPECT_EQ(m_cache->GetTexturesUsed(), 1u);
    EXPECT_EQ(m_cache->GetTexturesResident(), 1u);
    EXPECT_EQ(m_cache->GetBytesInUse(0), kTexture64);
    EXPECT_EQ(m_cache->GetSizeClassCount(0, 6), 1u);
    EXPECT_EQ(Record(image)->m_uiLastUse, m_cache->GetFrameNumber());
    EXPECT_EQ(Log().Count("Device::Load"), 1u);
    // The same image on the same stage needs no new SetTexture.
    EnPointer<EnImage> cached = image.Get();
    Surface* surface = nullptr;
    bool mip = true;
    ASSERT_TRUE(m_cache->GetTexture(-1, image, cached, surface, changed, mip));
    EXPECT_FALSE(changed);
    EXPECT_FALSE(mip);

    Frame();
    EXPECT_EQ(m_cache->GetFrameStatus(), uint32_t(EnD3DTextureManager::STATUS_FRAME_BEGUN));
    ASSERT_TRUE(Use(image));
    EXPECT_EQ(m_cache->GetTexturesCreated(), 0u);
    EXPECT_EQ(m_cache->GetTexturesUsed(), 1u);
    uint32_t resident = 0, used = 0, created = 9, released = 9;
    ASSERT_TRUE(m_renderer->GetTextureStatistics(resident, used, 0, created, released));
    EXPECT_EQ(resident, 1u);
    EXPECT_EQ(used, 1u);
    EXPECT_EQ(created, 0u);
    EXPECT_EQ(released, 0u);
}

TEST_F(TextureCache, ChangedPixelsReloadTheSameTexture) {
    EnPointer<EnDDImage> image = SolidImage(64, 64);
    Frame();
    ASSERT_TRUE(Use(image));
    const EnD3DTextureRecord* record = Record(image);
    image->InvalidatePixels();
    bool changed = true;
    EnPointer<EnImage> cached = image.Get();
    Surface* surface = nullptr;
    bool mip;
    ASSERT_TRUE(m_cache->GetTexture(-1, image, cached, surface, changed, mip));
    EXPECT_FALSE(changed);
    EXPECT_EQ(Record(image), record);
    EXPECT_EQ(Log().Count("Device::Load"), 2u);

    // After lost surfaces every texture is loaded again, pinned ones too.
    EnPointer<EnDDImage> pinned = SolidImage(32, 32);
    ASSERT_TRUE(m_renderer->PrecacheImage(pinned, true, true));
    m_cache->InvalidateAllTextures();
    ASSERT_TRUE(Use(image));
    ASSERT_TRUE(Use(pinned));
    EXPECT_EQ(Log().Count("Device::Load"), 5u);
}

TEST_F(TextureCache, ANewFormatReleasesTheOldTextureBeforeMakingTheNew) {
    m_backend->SetTextureMemory(kTexture64);
    EnPointer<EnDDImage> image = SolidImage(64, 64);
    Frame();
    ASSERT_TRUE(Use(image));
    image->ChangedFormat();
    Frame();
    bool changed = false;
    EnPointer<EnImage> cached = image.Get();
    Surface* surface = nullptr;
    bool mip;
    ASSERT_TRUE(m_cache->GetTexture(-1, image, cached, surface, changed, mip));
    EXPECT_TRUE(changed);
    // There was room for exactly one texture: nothing had to be evicted for the new one.
    EXPECT_EQ(m_cache->GetFrameStatus() & EnD3DTextureManager::STATUS_EVICTED, 0u);
    EXPECT_EQ(m_cache->GetTexturesResident(), 1u);
    EXPECT_EQ(m_cache->GetTexturesReleased(), 1u);
    EXPECT_EQ(m_cache->GetBytesInUse(0), kTexture64);
    EXPECT_EQ(Record(image)->m_uiFormatStamp, image->GetFormatStamp());
}

TEST_F(TextureCache, IdleTexturesOfTheSameShapeAreTakenOver) {
    m_backend->SetTextureMemory(3 * kTexture64);
    EnPointer<EnDDImage> a = SolidImage(64, 64), b = SolidImage(64, 64), c = SolidImage(64, 64),
                         d = SolidImage(64, 64);
    for (EnDDImage* image : {a.Get(), b.Get(), c.Get()}) {
        Frame();
        ASSERT_TRUE(Use(image));
    }
    const EnD3DTextureRecord* oldest = Record(a);
    Frame();
    ASSERT_TRUE(Use(d));
    EXPECT_TRUE(m_cache->GetFrameStatus() & EnD3DTextureManager::STATUS_RECYCLED);
    EXPECT_EQ(Record(d), oldest);
    EXPECT_EQ(oldest->m_pImage, d.Get());
    // The image that had the texture no longer names it.
    EXPECT_EQ(Record(a), nullptr);
    EXPECT_EQ(m_cache->GetTexturesResident(), 3u);
    EXPECT_EQ(m_cache->GetBytesInUse(0), 3 * kTexture64);

    // Drawn again, it takes over the next idle one instead of drawing d's pixels.
    Frame();
    ASSERT_TRUE(Use(a));
    EXPECT_EQ(Record(b), nullptr);
    EXPECT_NE(Record(a), Record(d));
    EXPECT_EQ(Record(a)->m_pImage, a.Get());
    // A texture of this very frame is taken over only when nothing else is left.
    ASSERT_TRUE(Use(c));
    ASSERT_TRUE(Use(d));
    ASSERT_TRUE(Use(b));
    EXPECT_TRUE(m_cache->GetFrameStatus() & EnD3DTextureManager::STATUS_RECYCLED_IN_USE);
}

TEST_F(TextureCache, EvictionTakesTheOldestOfTheSameOrLargerSizeClass) {
    // Room for two 16 KB textures (class 6) and one 4 KB texture (class 4).
    m_backend->SetTextureMemory(2 * kTexture64 + kTexture64 / 4);
    EnPointer<EnDDImage> small = SolidImage(32, 32), square = SolidImage(64, 64),
                         wide = SolidImage(128, 32), tall = SolidImage(32, 128),
                         tiny = SolidImage(16, 16);
    Frame();
    ASSERT_TRUE(Use(small));
    Frame();
    ASSERT_TRUE(Use(square));
    Frame();
    ASSERT_TRUE(Use(wide));
    EXPECT_EQ(m_cache->GetBytesInUse(0), 2 * kTexture64 + kTexture64 / 4);

    // The small texture is the oldest, but too small to be worth evicting for a class-6 one;
    // the wide one is in use this frame.
    Frame();
    ASSERT_TRUE(Use(wide));
    ASSERT_TRUE(Use(tall));
    EXPECT_TRUE(m_cache->GetFrameStatus() & EnD3DTextureManager::STATUS_EVICTED);
    EXPECT_EQ(Record(square), nullptr);
    EXPECT_NE(Record(small), nullptr);
    EXPECT_NE(Record(wide), nullptr);
    EXPECT_EQ(m_cache->GetSizeClassCount(0, 6), 2u);

    // A smaller texture takes the oldest of its class and above: now the small one.
    Frame();
    ASSERT_TRUE(Use(tiny));
    EXPECT_EQ(Record(small), nullptr);
    EXPECT_EQ(m_cache->GetSizeClassCount(0, 4), 0u);
    EXPECT_EQ(m_cache->GetSizeClassCount(0, 2), 1u);

    // With every larger texture in use, smaller classes go first, then textures of this frame.
    Frame();
    ASSERT_TRUE(Use(wide));
    ASSERT_TRUE(Use(tall));
    ASSERT_TRUE(Use(square));
    const uint32_t status = m_cache->GetFrameStatus();
    EXPECT_TRUE(status & EnD3DTextureManager::STATUS_EVICTED);
    EXPECT_TRUE(status & EnD3DTextureManager::STATUS_EVICTED_IN_USE);
    EXPECT_EQ(Record(tiny), nullptr);
    EXPECT_EQ((Record(wide) != nullptr) + (Record(tall) != nullptr), 1);
    EXPECT_EQ(m_cache->GetBytesInUse(0), 2 * kTexture64);
    EXPECT_EQ(Free(), kTexture64 / 4);
}

TEST_F(TextureCache, PinnedTexturesStayAndPrecachingCanForbidEviction) {
    m_backend->SetTextureMemory(2 * kTexture64);
    EnPointer<EnDDImage> a = SolidImage(64, 64), b = SolidImage(64, 64), c = SolidImage(64, 64),
                         d = SolidImage(64, 64);
    Frame();
    ASSERT_TRUE(m_renderer->PrecacheImage(a, true, true));
    ASSERT_TRUE(m_renderer->PrecacheImage(b, true, false));
    EXPECT_EQ(m_cache->GetPinnedCount(0), 1u);
    EXPECT_EQ(m_cache->GetTexturesResident(), 1u);
    EXPECT_TRUE(Record(a)->m_uiFlags & EnD3DTextureRecord::FLAG_PINNED);

    // No eviction allowed: the idle b stays, c gets nothing.
    Frame();
    EXPECT_FALSE(m_renderer->PrecacheImage(c, false, false));
    EXPECT_NE(Record(b), nullptr);
    EXPECT_TRUE(m_cache->GetFrameStatus() & EnD3DTextureManager::STATUS_NO_TEXTURE);
    // Allowed: b is taken over, the pinned a is not.
    Frame();
    ASSERT_TRUE(Use(c));
    EXPECT_EQ(Record(b), nullptr);
    EXPECT_NE(Record(a), nullptr);
    // Pinned once it is there; with only pinned textures left nothing can be made.
    ASSERT_TRUE(m_renderer->PrecacheImage(c, false, true));
    EXPECT_EQ(m_cache->GetPinnedCount(0), 2u);
    Frame();
    EXPECT_FALSE(Use(d));
    EXPECT_TRUE(m_cache->GetFrameStatus() & EnD3DTextureManager::STATUS_NO_TEXTURE);
    EXPECT_TRUE(m_cache->GetFrameStatus() & EnD3DTextureManager::STATUS_EVICTED_IN_USE);

    ASSERT_TRUE(m_renderer->ReleaseImageTextures(c));
    ASSERT_TRUE(Use(d));
    EXPECT_TRUE(m_renderer->ReleaseAllTextures(false));
    EXPECT_EQ(m_cache->GetTexturesResident(), 0u);
    EXPECT_EQ(m_cache->GetPinnedCount(0), 1u);
    EXPECT_EQ(m_cache->GetBytesInUse(0), kTexture64);
    EXPECT_EQ(Free(), kTexture64);
    EXPECT_TRUE(m_renderer->ReleaseAllTextures(true));
    EXPECT_EQ(m_cache->GetBytesInUse(0), 0u);
    EXPECT_EQ(Free(), 2 * kTexture64);
    EXPECT_EQ(Record(a), nullptr);
}

TEST_F(TextureCache, AnImageLeavesNoTextureBehind) {
    EnPointer<EnDDImage> kept = SolidImage(64, 64);
    {
        EnPointer<EnDDImage> gone = SolidImage(64, 64);
        Frame();
        ASSERT_TRUE(Use(gone));
        ASSERT_TRUE(Use(kept));
        EXPECT_EQ(m_cache->GetTexturesResident(), 2u);
        EXPECT_TRUE(m_renderer->ReleaseImageTextures(kept));
        EXPECT_EQ(Record(kept), nullptr);
    }
    EXPECT_EQ(m_cache->GetTexturesResident(), 0u);
    EXPECT_EQ(m_cache->GetBytesInUse(0), 0u);
    EXPECT_EQ(Free(), 32u << 20);
}

TEST_F(TextureCache, TwoTextureMemoriesFillEvenly) {
    GfxConfig config = GfxConfig::Standard();
    config.drivers[0].devices[0].desc.devCaps |= DevCapBits::SeparateTextureMemories;
    m_renderer = nullptr;
    Install(config);
    Make();
    ASSERT_TRUE(m_cache->UsesTwoMemories());
    EnPointer<EnDDImage> a = SolidImage(64, 64), b = SolidImage(32, 32), c = SolidImage(16, 16);
    Frame();
    ASSERT_TRUE(Use(a));
    ASSERT_TRUE(Use(b));
    ASSERT_TRUE(Use(c, nullptr, 1));
    EXPECT_NE(Record(a, 1), nullptr);  // both empty: the second memory first
    EXPECT_NE(Record(b, 0), nullptr);  // then the one with fewer bytes
    EXPECT_NE(Record(c, 1), nullptr);
    EXPECT_EQ(m_cache->GetBytesInUse(1), kTexture64 + 16 * 16 * 4);
    // An image already in a memory is found there.
    ASSERT_TRUE(Use(a));
    EXPECT_EQ(Record(a, 0), nullptr);
    // Textures of the second memory name the stage they are for.
    SurfaceDesc desc;
    ASSERT_EQ(Record(c, 1)->m_spSurface->GetSurfaceDesc(desc), Result::Ok);
    EXPECT_TRUE(desc.flags & SurfaceDescBits::TextureStage);
    EXPECT_EQ(desc.textureStage, 1u);
}

}  // namespace
