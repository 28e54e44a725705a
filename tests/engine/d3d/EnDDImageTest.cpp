// Surface-backed images on the null device: the format they are given, the surfaces and mip
// chains made from their pixels, reloads, releases and the failures they report.
#include <gtest/gtest.h>

#include "engine/d3d/EnD3DFrameBuffer.h"
#include "engine/d3d/EnD3DImageHooks.h"
#include "engine/d3d/EnD3DTextureManager.h"
#include "engine/d3d/EnDDBufferImage.h"
#include "engine/d3d/EnDDImage.h"
#include "platform/gfx/Palette.h"
#include "tests/engine/d3d/D3DTestSupport.h"
#include "tests/engine/d3d/TextureTestSupport.h"

using namespace d3dtest;

namespace {

enum : uint32_t {
    PAL = EnRawImageData::FORMAT_PALETTIZED,
    RGB = EnRawImageData::FORMAT_RGB,
    RGBA = EnRawImageData::FORMAT_RGBA
};

struct ChoiceCase {
    uint32_t source;
    bool mipmap;
    uint32_t preferred;
    std::vector<uint32_t> available;
    bool prefer32;
    uint32_t chosen;
};

TEST(SurfaceImageFormat, ChoiceFollowsTheSourceKindAndThePreference) {
    const ChoiceCase cases[] = {
        {RGBA, false, 7, {1, 3, 4}, false, 4},  // 4-4-4-4 first for alpha
        {RGBA, false, 7, {1, 3, 4}, true, 3},   // no 8-8-8-8: 1-5-5-5 next
        {RGBA, false, 7, {0, 1, 2, 3, 4, 5}, true, 5},
        {RGBA, false, 7, {1, 2}, false, 1},  // no alpha format at all
        {RGB, false, 7, {0, 1, 2, 3, 4, 5, 6}, false, 1},
        {RGB, false, 7, {0, 1, 2, 3, 4, 5, 6}, true, 2},
        {RGB, false, 7, {0, 3, 5}, false, 3},  // 5-5-5 is never taken unless preferred
        {RGB, false, 0, {0, 3, 5}, false, 0},
        {RGB, false, 2, {0, 1}, false, 1},  // a preference the device lacks is dropped
        {RGB, false, 6, {1, 6}, false, 1},  // the palette only for palette pixels
        {PAL, false, 7, {1, 2, 6}, true, 6},
        {PAL, true, 7, {1, 2, 6}, false, 1},  // a mip chain is reduced into colour
        {PAL, true, 6, {1, 2, 6}, true, 2},
        {PAL, false, 7, {3}, false, 3},
        {RGB, false, 7, {6}, false, 7},
    };
    for (const ChoiceCase& c : cases) {
        EnD3DPixelFormat formats[7];
        const EnD3DPixelFormat* table[7] = {};
        for (uint32_t i : c.available) table[i] = &formats[i];
        EXPECT_EQ(EnDDImage::ChooseFormat(c.source, c.mipmap, c.preferred, table, c.prefer32),
                  c.chosen)
            << "source " << c.source << " mip " << c.mipmap << " preferred " << c.preferred
            << " prefer 32 " << c.prefer32;
    }
}

TEST(SurfaceImageFormat, LayoutComesFromTheChannelMasks) {
    const EnD3DPixelFormat layout = EnD3DPixelFormat::FromPixelFormat(Formats::Rgb565());
    EXPECT_EQ(layout.m_aucShift[0], 11);
    EXPECT_EQ(layout.m_aucShift[1], 5);
    EXPECT_EQ(layout.m_aucShift[2], 0);
    EXPECT_EQ(layout.m_aucBits[0], 5);
    EXPECT_EQ(layout.m_aucBits[1], 6);
    EXPECT_EQ(layout.m_aucBits[2], 5);
    EXPECT_EQ(layout.m_aucLoss[0], 3);
    EXPECT_EQ(layout.m_aucLoss[1], 2);
    EXPECT_EQ(layout.m_aucLoss[2], 3);
    EXPECT_EQ(layout.m_aucLoss[3], 8);
    for (const PixelFormat& f : {Formats::Rgb565(), Formats::Argb4444(), Formats::Argb1555(),
                                 Formats::Xrgb8888(), Formats::Argb8888(), Formats::Pal8()})
        EXPECT_EQ(EnD3DPixelFormat::FromPixelFormat(f).ToPixelFormat(), f);
}

// A renderer on the null device whose texture manager's formats and graphics object the
// images are made for.
class SurfaceImages : public NullRendererTest {
protected:
    void SetUp() override {
        NullRendererTest::SetUp();
        ASSERT_NE(Create(0x09), nullptr) << EnD3DRender::GetLastError();
        for (uint32_t i = 0; i < 7; i++) m_table[i] = Manager()->GetFormat(i);
    }
    EnD3DTextureManager* Manager() { return m_renderer->GetTextureManager(); }
    Graphics* DirectDraw() { return m_renderer->GetDirectDraw(); }

    const EnD3DPixelFormat* m_table[7] = {};
};

TEST_F(SurfaceImages, MipChainLevelsAreBoxReductions) {
    std::vector<uint32_t> pixels(16);
    for (uint32_t i = 0; i < 16; i++) pixels[i] = (i * 16) << 16 | (255 - i * 8) << 8 | i;
    EnPointer<EnDDImage> image = SurfaceImage(Pixels(RGB, 4, 4, pixels), true);
    ASSERT_NE(image, nullptr);
    Surface* surface = nullptr;
    uint32_t format = 7;
    ASSERT_TRUE(image->GetSurfaceForFormats(DirectDraw(), m_table, true, surface, format));
    EXPECT_EQ(format, uint32_t(EnD3DTextureManager::FORMAT_RGB888));
    EXPECT_EQ(image->GetWidth(), 4u);
    EXPECT_EQ(image->GetMipLevels(), 2u);
    EXPECT_TRUE(image->GetFlags() & EnImage::FLAG_SURFACES);

    const std::vector<uint32_t> top = ReadSurface(surface);
    ASSERT_EQ(top.size(), 16u);
    for (uint32_t i = 0; i < 16; i++) EXPECT_EQ(top[i], 0xff000000 | pixels[i]) << i;
    SurfaceCaps caps;
    caps.caps = SurfaceCapBits::Texture | SurfaceCapBits::MipMap;
    Ref<Surface> level;
    ASSERT_EQ(surface->GetAttachedSurface(caps, level.Put()), Result::Ok);
    const std::vector<uint32_t> half = ReadSurface(level.Get());
    ASSERT_EQ(half.size(), 4u);
    for (uint32_t y = 0; y < 2; y++) {
        for (uint32_t x = 0; x < 2; x++) {
            uint32_t want = 0xff000000;
            for (int shift : {0, 8, 16}) {
                uint32_t sum = 0;
                for (uint32_t dy = 0; dy < 2; dy++)
                    for (uint32_t dx = 0; dx < 2; dx++)
                        sum += pixels[(2 * y + dy) * 4 + 2 * x + dx] >> shift & 0xff;
                want |= (sum / 4) << shift;
            }
            EXPECT_EQ(half[y * 2 + x], want) << x << ", " << y;
        }
    }
    // The same table gives the same surface, without making another.
    Surface* again = nullptr;
    ASSERT_TRUE(image->GetSurfaceForFormats(DirectDraw(), m_table, true, again, format));
    EXPECT_EQ(again, surface);
    EXPECT_EQ(image->GetSurfaceCount(), 1u);
}

TEST_F(SurfaceImages, PalettePixelsKeepTheirPaletteUnlessMipmapped) {
    EnPointer<EnDDImage> flat = SurfaceImage(Pixels(PAL, 2, 2, {0, 10, 20, 30}));
    Surface* surface = nullptr;
    uint32_t format = 7;
    ASSERT_TRUE(flat->GetSurfaceForFormats(DirectDraw(), m_table, false, surface, format));
    EXPECT_EQ(format, uint32_t(EnD3DTextureManager::FORMAT_PAL8));
    Ref<Palette> palette;
    ASSERT_EQ(surface->GetPalette(palette.Put()), Result::Ok);
    PaletteEntry entries[256];
    ASSERT_EQ(palette->GetEntries(0, 0, 256, entries), Result::Ok);
    EXPECT_EQ(entries[200], (PaletteEntry{200, 200, 200, 0}));

    EnPointer<EnDDImage> mipmapped = SurfaceImage(Pixels(PAL, 2, 2, {0, 10, 20, 30}), true);
    ASSERT_TRUE(mipmapped->GetSurfaceForFormats(DirectDraw(), m_table, false, surface, format));
    EXPECT_EQ(format, uint32_t(EnD3DTextureManager::FORMAT_RGB565));
}

TEST_F(SurfaceImages, FailuresLeaveTheirErrorCode) {
    Surface* surface = nullptr;
    uint32_t format = 0;
    EnPointer<EnDDImage> empty = static_cast<EnDDImage*>(EnDDImage::Create());
    EXPECT_FALSE(empty->GetSurfaceForFormats(DirectDraw(), m_table, false, surface, format));
    EXPECT_EQ(EnImage::ms_uiLastError, uint32_t(EnDDImage::ERROR_NOTHING_TO_LOAD));
    EXPECT_EQ(format, 7u);

    EnPointer<EnDDImage> image = SolidImage(4, 4);
    EXPECT_FALSE(image->GetSurfaceForFormats(nullptr, m_table, false, surface, format));
    EXPECT_EQ(EnImage::ms_uiLastError, uint32_t(EnDDImage::ERROR_NO_DIRECTDRAW));

    // A palette surface for colour pixels.
    EXPECT_FALSE(image->GetSurfaceForFormat(DirectDraw(), *m_table[6], false, surface));
    EXPECT_EQ(EnImage::ms_uiLastError, uint32_t(EnDDImage::ERROR_PALETTE_FORMAT));

    m_backend->InjectFault({"Graphics::CreateSurface", Result::OutOfMemory});
    EXPECT_FALSE(image->GetSurfaceForFormat(DirectDraw(), *m_table[1], false, surface));
    EXPECT_EQ(EnImage::ms_uiLastError, uint32_t(EnDDImage::ERROR_SURFACE_CREATION));
    EXPECT_EQ(image->GetSurfaceCount(), 0u);

    EnPointer<EnImage> missing = EnImage::CreateFromFile("no/such/picture.tga", 0, 7, 0);
    EXPECT_FALSE(static_cast<EnDDImage*>(missing.Get())
                     ->GetSurfaceForFormats(DirectDraw(), m_table, false, surface, format));
    EXPECT_EQ(EnImage::ms_uiLastError, uint32_t(EnDDImage::ERROR_FILE_UNREADABLE));
}

TEST_F(SurfaceImages, ChangedPixelsAreReloadedAtTheNextUse) {
    EnPointer<EnRawImageData> raw = Pixels(RGB, 2, 2, {0x102030, 0x102030, 0x102030, 0x102030});
    EnPointer<EnDDImage> image = SurfaceImage(raw);
    Surface* surface = nullptr;
    ASSERT_TRUE(image->GetSurfaceForFormat(DirectDraw(), *m_table[2], false, surface));
    EXPECT_EQ(ReadSurface(surface)[0], 0xff102030u);

    raw->GetPixels()[0] = 0xff;
    const uint32_t stamp = image->GetPixelStamp();
    // Nothing is read again until the image is told.
    ASSERT_TRUE(image->GetSurfaceForFormat(DirectDraw(), *m_table[2], false, surface));
    EXPECT_EQ(ReadSurface(surface)[0], 0xff102030u);
    EXPECT_TRUE(image->InvalidatePixels());
    EXPECT_EQ(image->GetPixelStamp(), stamp + 1);
    Surface* reloaded = nullptr;
    ASSERT_TRUE(image->GetSurfaceForFormat(DirectDraw(), *m_table[2], false, reloaded));
    EXPECT_EQ(reloaded, surface);
    EXPECT_EQ(ReadSurface(surface)[0], 0xffff2030u);
    EXPECT_EQ(ReadSurface(surface)[1], 0xff102030u);
}

TEST_F(SurfaceImages, ShuttingGraphicsReleaseEveryImagesSurfaces) {
    EnPointer<EnDDImage> a = SolidImage(4, 4), b = SolidImage(8, 8);
    Surface* surface = nullptr;
    ASSERT_TRUE(a->GetSurfaceForFormat(DirectDraw(), *m_table[1], false, surface));
    ASSERT_TRUE(a->GetSurfaceForFormat(DirectDraw(), *m_table[2], false, surface));
    ASSERT_TRUE(b->GetSurfaceForFormat(DirectDraw(), *m_table[1], false, surface));
    EXPECT_EQ(a->GetSurfaceCount(), 2u);
    ASSERT_NE(EnD3DImageHooks::ms_pfnReleaseImageSurfaces, nullptr);
    EnD3DImageHooks::ms_pfnReleaseImageSurfaces(DirectDraw());
    EXPECT_EQ(a->GetSurfaceCount(), 0u);
    EXPECT_EQ(b->GetSurfaceCount(), 0u);
    EXPECT_FALSE(a->GetFlags() & EnImage::FLAG_SURFACES);
}

TEST_F(SurfaceImages, BufferImagesWrapTheirSurfaceInTheMatchingFormat) {
    Surface* back = m_renderer->GetCurrentFrameBuffer()->GetBackSurface();
    EnPointer<EnImage> wrapped = EnD3DImageHooks::ms_pfnMakeBufferImage(back, DirectDraw());
    ASSERT_NE(wrapped, nullptr);
    EXPECT_EQ(wrapped->GetTypeRecord(), &EnDDBufferImage::ms_RTTI);
    auto* buffer = static_cast<EnDDBufferImage*>(wrapped.Get());
    Surface* surface = nullptr;
    ASSERT_TRUE(buffer->GetSurface(surface));
    EXPECT_EQ(surface, back);
    EXPECT_EQ(buffer->GetWidth(), 640u);
    // The 32-bit desktop's layout is the manager's 8-8-8 format, so the buffer can be a texture.
    EXPECT_EQ(Manager()->GetImageFormatIndex(buffer), uint32_t(EnD3DTextureManager::FORMAT_RGB888));
    // Nothing to read pixels from: it has only the surface it wraps.
    EXPECT_FALSE(buffer->GetSurfaceForFormat(DirectDraw(), *m_table[1], false, surface));
    EXPECT_TRUE(buffer->ReleaseSurfaces(DirectDraw()));
    ASSERT_TRUE(buffer->GetSurface(surface));
    EXPECT_EQ(surface, nullptr);
    EXPECT_EQ(EnD3DImageHooks::ms_pfnMakeBufferImage(nullptr, DirectDraw()), nullptr);
}

}  // namespace
