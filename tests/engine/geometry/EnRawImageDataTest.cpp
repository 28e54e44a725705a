#include "engine/geometry/EnRawImageData.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "engine/core/EnStream.h"
#include "engine/core/EnViewerStrings.h"
#include "tests/engine/geometry/ImageTestBytes.h"
#include "tests/support/TempDir.h"

namespace {

using Rgba = std::vector<uint8_t>;

constexpr uint32_t PAL = EnRawImageData::FORMAT_PALETTIZED;
constexpr uint32_t RGB = EnRawImageData::FORMAT_RGB;
constexpr uint32_t RGBA = EnRawImageData::FORMAT_RGBA;

EnPixelLayout Rgb565() {
    return EnPixelLayout::FromMasks(16, 0xF800, 0x07E0, 0x001F, 0);
}
EnPixelLayout Argb1555() {
    return EnPixelLayout::FromMasks(16, 0x7C00, 0x03E0, 0x001F, 0x8000);
}
EnPixelLayout Argb8888() {
    return EnPixelLayout::FromMasks(32, 0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000);
}
EnPixelLayout Xrgb8888() {
    return EnPixelLayout::FromMasks(32, 0x00FF0000, 0x0000FF00, 0xFF, 0);
}
EnPixelLayout Bgr888() {
    return EnPixelLayout::FromMasks(24, 0xFF0000, 0xFF00, 0xFF, 0);
}
EnPixelLayout Rgb888() {
    return EnPixelLayout::FromMasks(24, 0xFF, 0xFF00, 0xFF0000, 0);
}

uint32_t Packed(const std::vector<uint8_t>& surface, uint32_t offset, uint32_t bytes) {
    uint32_t v = 0;
    for (uint32_t i = 0; i < bytes; ++i) v |= uint32_t(surface[offset + i]) << (8 * i);
    return v;
}

}  // namespace

TEST(EnRawImageData, AllocateSizesEachFormat) {
    struct Case {
        uint32_t format, width, height, pixelStride;
        bool palette;
    };
    const Case cases[] = {
        {PAL, 5, 3, 1, true},
        {RGB, 5, 3, 3, false},
        {RGBA, 5, 3, 4, false},
        {RGBA, 0, 0, 4, false},
    };
    for (const Case& c : cases) {
        EnRawImageData raw;
        ASSERT_TRUE(raw.Allocate(c.format, c.width, c.height));
        EXPECT_EQ(raw.GetFormat(), c.format);
        EXPECT_EQ(raw.GetPixelStride(), c.pixelStride);
        EXPECT_EQ(raw.GetRowStride(), c.width * c.pixelStride);
        EXPECT_EQ(raw.GetPalette() != nullptr, c.palette);
        EXPECT_NE(raw.GetPixels(), nullptr);
        if (c.palette) {
            for (uint32_t i = 0; i < 1024; ++i) ASSERT_EQ(raw.GetPalette()[i], 0);
        }
    }
}

TEST(EnRawImageData, AllocateWithTheSameDescriptionKeepsThePixels) {
    EnRawImageData raw(RGB, 4, 2);
    uint8_t* pixels = raw.GetPixels();
    pixels[5] = 42;
    ASSERT_TRUE(raw.Allocate(RGB, 4, 2));
    EXPECT_EQ(raw.GetPixels(), pixels);
    EXPECT_EQ(raw.GetPixels()[5], 42);
    ASSERT_TRUE(raw.Allocate(RGBA, 4, 2));
    EXPECT_EQ(raw.GetPixelStride(), 4u);
}

TEST(EnRawImageData, AllocateRefusesUnknownFormatsAndHugeSizesWithoutChangingAnything) {
    EnRawImageData raw(RGB, 4, 2);
    raw.GetPixels()[0] = 7;
    EXPECT_FALSE(raw.Allocate(3, 4, 2));
    EXPECT_FALSE(raw.Allocate(RGBA, 65536, 65536));
    EXPECT_FALSE(raw.Allocate(RGBA, 0xFFFFFFFF, 0xFFFFFFFF));  // overflows 32 bits many times
    EXPECT_EQ(raw.GetFormat(), RGB);
    EXPECT_EQ(raw.GetWidth(), 4u);
    EXPECT_EQ(raw.GetPixels()[0], 7);
}

TEST(EnRawImageData, ConvertFromUnpacksEachLayout) {
    // 24 bits, stored blue-green-red: red mask 0xFF0000 reverses, 0xFF copies.
    const uint8_t bgr[] = {1, 2, 3, 4, 5, 6, 0xEE, 0xEE};  // one row of two pixels, padded
    EnRawImageData raw;
    ASSERT_TRUE(raw.ConvertFrom(Bgr888(), 8, 2, 1, bgr));
    EXPECT_EQ(raw.GetFormat(), RGB);
    EXPECT_EQ(RgbaAt(raw, 0, 0), (Rgba{3, 2, 1, 255}));
    EXPECT_EQ(RgbaAt(raw, 1, 0), (Rgba{6, 5, 4, 255}));
    ASSERT_TRUE(raw.ConvertFrom(Rgb888(), 8, 2, 1, bgr));
    EXPECT_EQ(RgbaAt(raw, 0, 0), (Rgba{1, 2, 3, 255}));

    // 32 bits with alpha: channels come out through mask, shift and loss.
    const uint8_t argb[] = {0x10, 0x20, 0x30, 0x40};  // 0x40302010 little-endian
    ASSERT_TRUE(raw.ConvertFrom(Argb8888(), 4, 1, 1, argb));
    EXPECT_EQ(raw.GetFormat(), RGBA);
    EXPECT_EQ(RgbaAt(raw, 0, 0), (Rgba{0x30, 0x20, 0x10, 0x40}));

    // 16 bits 5-6-5: full red 0xF800 becomes 0xF8 (the lost bits stay clear).
    const uint8_t rgb565[] = {0x00, 0xF8, 0xE0, 0x07};
    ASSERT_TRUE(raw.ConvertFrom(Rgb565(), 4, 2, 1, rgb565));
    EXPECT_EQ(raw.GetFormat(), RGB);
    EXPECT_EQ(RgbaAt(raw, 0, 0), (Rgba{0xF8, 0, 0, 255}));
    EXPECT_EQ(RgbaAt(raw, 1, 0), (Rgba{0, 0xFC, 0, 255}));

    // 8 bits: indices copied, palette left clear for the caller.
    const uint8_t indices[] = {9, 8, 7, 0, 6, 5, 4, 0};
    ASSERT_TRUE(raw.ConvertFrom(EnPixelLayout::Palettized(), 4, 3, 2, indices));
    EXPECT_EQ(raw.GetFormat(), PAL);
    EXPECT_EQ(raw.GetPixels()[3], 6);
    EXPECT_EQ(raw.GetPalette()[4 * 9], 0);
}

TEST(EnRawImageData, ConvertFromRefusesLayoutsItCannotServeBeforeTouchingTheImage) {
    const uint8_t source[16] = {};
    EnPixelLayout badShift = Rgb565();
    badShift.m_aucShift[0] = 40;
    EnPixelLayout badGreen = Bgr888();
    badGreen.m_uiGreenMask = 0xFF0000;
    EnPixelLayout badRed = Bgr888();
    badRed.m_uiRedMask = 0xFF00;
    EnPixelLayout paletteAt16 = Rgb565();
    paletteAt16.m_ucPalettized = 1;
    EnPixelLayout alphaAt24 = Bgr888();
    alphaAt24.m_uiAlphaMask = 0xFF000000;
    struct Case {
        const char* name;
        EnPixelLayout layout;
        uint32_t pitch;
    };
    const Case cases[] = {
        {"8 bits not palettized", EnPixelLayout::FromMasks(8, 0xE0, 0x1C, 0x03, 0), 4},
        {"16 bits palettized", paletteAt16, 8},
        {"24 bits with alpha", alphaAt24, 8},
        {"24 bits odd green", badGreen, 8},
        {"24 bits odd red", badRed, 8},
        {"shift beyond 31", badShift, 8},
        {"12 bits", EnPixelLayout::FromMasks(12, 0xF00, 0xF0, 0xF, 0), 8},
        {"pitch shorter than a row", Argb8888(), 7},
    };
    for (const Case& c : cases) {
        EnRawImageData raw(RGBA, 2, 2);
        raw.GetPixels()[0] = 99;
        EXPECT_FALSE(raw.ConvertFrom(c.layout, c.pitch, 2, 2, source)) << c.name;
        EXPECT_EQ(raw.GetFormat(), RGBA) << c.name;
        EXPECT_EQ(raw.GetPixels()[0], 99) << c.name;
    }
}

TEST(EnRawImageData, ConvertToPacksEachFormat) {
    EnRawImageData rgba(RGBA, 2, 1);
    const uint8_t pixels[] = {0xF8, 0x80, 0x08, 0x00, 0x10, 0x20, 0x30, 0xFF};
    std::memcpy(rgba.GetPixels(), pixels, 8);

    std::vector<uint8_t> surface(8, 0xCC);
    ASSERT_TRUE(rgba.ConvertTo(Argb1555(), 4, surface.data()));
    EXPECT_EQ(Packed(surface, 0, 2), (0x1Fu << 10) | (0x10u << 5) | 0x01u);  // alpha 0 clear
    EXPECT_EQ(Packed(surface, 2, 2), 0x8000u | (0x02u << 10) | (0x04u << 5) | 0x06u);

    // RGB without alpha gets the constant alpha part: 255 packed as alpha.
    EnRawImageData rgb(RGB, 1, 1);
    std::memcpy(rgb.GetPixels(), "\x11\x22\x33", 3);
    ASSERT_TRUE(rgb.ConvertTo(Argb8888(), 4, surface.data()));
    EXPECT_EQ(Packed(surface, 0, 4), 0xFF112233u);
    ASSERT_TRUE(rgb.ConvertTo(Xrgb8888(), 4, surface.data()));
    EXPECT_EQ(Packed(surface, 0, 4), 0x00112233u);
    ASSERT_TRUE(rgb.ConvertTo(Bgr888(), 4, surface.data()));
    EXPECT_EQ(surface[0], 0x33);
    EXPECT_EQ(surface[2], 0x11);
    ASSERT_TRUE(rgb.ConvertTo(Rgb888(), 4, surface.data()));
    EXPECT_EQ(surface[0], 0x11);
    EXPECT_FALSE(rgb.ConvertTo(EnPixelLayout::Palettized(), 4, surface.data()));
    // Depths without a conversion are refused and leave the surface alone.
    surface.assign(8, 0xCC);
    EXPECT_FALSE(
        rgb.ConvertTo(EnPixelLayout::FromMasks(12, 0xF00, 0xF0, 0xF, 0), 4, surface.data()));
    EXPECT_EQ(surface, std::vector<uint8_t>(8, 0xCC));

    // Rows land pitch bytes apart.
    EnRawImageData tall(RGB, 1, 2);
    std::memcpy(tall.GetPixels(), "\x01\x02\x03\x04\x05\x06", 6);
    std::vector<uint8_t> pitched(12, 0xCC);
    ASSERT_TRUE(tall.ConvertTo(Rgb888(), 8, pitched.data()));
    EXPECT_EQ(pitched[8], 4);
    EXPECT_EQ(pitched[3], 0xCC);
}

TEST(EnRawImageData, PalettizedIndexZeroConvertsToTransparentBlack) {
    EnRawImageData raw(PAL, 2, 1);
    std::memcpy(raw.GetPalette(), "\xFF\xFF\xFF\xFF\x10\x20\x30\x00", 8);
    raw.GetPixels()[0] = 0;
    raw.GetPixels()[1] = 1;
    for (const EnPixelLayout& layout : {Rgb565(), Argb1555()}) {
        std::vector<uint8_t> surface(4, 0xCC);
        ASSERT_TRUE(raw.ConvertTo(layout, 4, surface.data()));
        EXPECT_EQ(Packed(surface, 0, 2), 0u);
        EXPECT_NE(Packed(surface, 2, 2), 0u);
    }
    std::vector<uint8_t> surface(8, 0xCC);
    ASSERT_TRUE(raw.ConvertTo(Argb8888(), 8, surface.data()));
    EXPECT_EQ(Packed(surface, 4, 4), 0xFF102030u);
    // 24 bits take the palette's colours, index 0 included.
    ASSERT_TRUE(raw.ConvertTo(Bgr888(), 8, surface.data()));
    EXPECT_EQ(surface[0], 0xFF);
    EXPECT_EQ(surface[3], 0x30);
    EXPECT_EQ(surface[5], 0x10);
    // 8 bits copy the indices.
    ASSERT_TRUE(raw.ConvertTo(EnPixelLayout::Palettized(), 8, surface.data()));
    EXPECT_EQ(surface[1], 1);
}

// Property: packing into a layout and unpacking from it gives each channel back with its lost
// low bits clear, for random pixels and every common surface layout.
TEST(EnRawImageData, ConvertToThenFromKeepsTheBitsEachLayoutHolds) {
    const EnPixelLayout layouts[] = {Rgb565(), Argb1555(), Argb8888(), Xrgb8888(),
                                     EnPixelLayout::FromMasks(16, 0xF00, 0xF0, 0xF, 0xF000)};
    const uint32_t seed = std::random_device{}();
    std::mt19937 random(seed);
    for (const EnPixelLayout& layout : layouts) {
        EnRawImageData raw(RGBA, 5, 3);
        for (uint32_t i = 0; i < 5 * 3 * 4; ++i) raw.GetPixels()[i] = uint8_t(random());
        const uint32_t bytes = layout.m_ucBitsPerPixel / 8;
        std::vector<uint8_t> surface(5 * bytes * 3);
        ASSERT_TRUE(raw.ConvertTo(layout, 5 * bytes, surface.data()));
        EnRawImageData back;
        ASSERT_TRUE(back.ConvertFrom(layout, 5 * bytes, 5, 3, surface.data()));
        const bool alpha = layout.m_uiAlphaMask != 0;
        ASSERT_EQ(back.GetFormat(), alpha ? RGBA : RGB);
        for (uint32_t y = 0; y < 3; ++y)
            for (uint32_t x = 0; x < 5; ++x)
                for (int c = 0; c < (alpha ? 4 : 3); ++c) {
                    const uint8_t keep = uint8_t(0xFF << layout.m_aucLoss[c]);
                    ASSERT_EQ(RgbaAt(back, x, y)[c], RgbaAt(raw, x, y)[c] & keep)
                        << "seed " << seed << " x " << x << " y " << y << " channel " << c;
                }
    }
}

TEST(EnRawImageData, DownsampleAveragesTwoByTwoBlocks) {
    EnRawImageData source(RGB, 2, 2);
    for (int i = 0; i < 4; ++i) source.GetPixels()[3 * i] = uint8_t(i + 1);  // red 1, 2, 3, 4
    EnRawImageData half(RGB, 1, 1);
    ASSERT_TRUE(half.Downsample(&source));
    EXPECT_EQ(half.GetPixels()[0], 2);  // 10 >> 2

    // A palettized source reduces the colours of its entries into RGB.
    EnRawImageData pal(PAL, 4, 2);
    std::memcpy(pal.GetPalette() + 4, "\x04\x08\x0C\x00", 4);
    std::memcpy(pal.GetPalette() + 8, "\x08\x10\x18\x00", 4);
    const uint8_t indices[] = {1, 1, 2, 2, 1, 1, 2, 0};
    std::memcpy(pal.GetPixels(), indices, 8);
    EnRawImageData rgb(RGB, 2, 1);
    ASSERT_TRUE(rgb.Downsample(&pal));
    EXPECT_EQ(RgbaAt(rgb, 0, 0), (Rgba{4, 8, 12, 255}));
    EXPECT_EQ(RgbaAt(rgb, 1, 0), (Rgba{6, 12, 18, 255}));  // three of entry 2, one of entry 0
}

TEST(EnRawImageData, DownsampleRefusesMismatchedSources) {
    EnRawImageData rgb4(RGB, 4, 4), rgba4(RGBA, 4, 4), pal4(PAL, 4, 4), rgb3(RGB, 3, 4);
    EnRawImageData rgb2(RGB, 2, 2), pal2(PAL, 2, 2), rgba2(RGBA, 2, 2);
    EXPECT_FALSE(rgb2.Downsample(nullptr));
    EXPECT_FALSE(rgb2.Downsample(&rgba4));  // formats differ
    EXPECT_FALSE(pal2.Downsample(&pal4));   // a palettized source only reduces into RGB
    EXPECT_FALSE(rgba2.Downsample(&pal4));
    EXPECT_FALSE(rgb2.Downsample(&rgb3));  // not twice the size
    EXPECT_FALSE(rgb2.Downsample(&rgb2));
    EXPECT_TRUE(rgb2.Downsample(&rgb4));
    EXPECT_TRUE(rgb2.Downsample(&pal4));
}

TEST(EnRawImageData, ShrinkReusesThePixelArray) {
    EnRawImageData raw(RGBA, 32, 8);
    uint8_t* pixels = raw.GetPixels();
    ASSERT_TRUE(raw.Shrink(16, 16));
    EXPECT_EQ(raw.GetRowStride(), 16u * 4);
    EXPECT_EQ(raw.GetPixels(), pixels);
    EXPECT_FALSE(raw.Shrink(17, 16));
    EXPECT_EQ(raw.GetWidth(), 16u);
}

TEST(EnRawImageData, TakeContentsMovesTheArrays) {
    EnRawImageData source(PAL, 3, 2), target(RGBA, 1, 1);
    uint8_t* pixels = source.GetPixels();
    uint8_t* palette = source.GetPalette();
    target.TakeContents(source);
    EXPECT_EQ(target.GetFormat(), PAL);
    EXPECT_EQ(target.GetWidth(), 3u);
    EXPECT_EQ(target.GetRowStride(), 3u);
    EXPECT_EQ(target.GetPixels(), pixels);
    EXPECT_EQ(target.GetPalette(), palette);
    EXPECT_EQ(source.GetPixels(), nullptr);
    EXPECT_EQ(source.GetPalette(), nullptr);
    EXPECT_EQ(source.GetWidth(), 3u);
    EXPECT_FALSE(source.HasPixels());
    // Allocating the emptied source again gives it arrays, although its description matches.
    ASSERT_TRUE(source.Allocate(PAL, 3, 2));
    EXPECT_NE(source.GetPixels(), nullptr);
    EXPECT_NE(source.GetPalette(), nullptr);
}

TEST(EnRawImageData, CloneSharesTheObject) {
    EnPointer<EnRawImageData> spRaw = new EnRawImageData(RGB, 1, 1);
    EXPECT_EQ(spRaw->MakeClone(), spRaw.Get());
}

TEST(EnRawImageData, StreamRoundTripKeepsEveryFormat) {
    TempDir dir;
    EnPointer<EnRawImageData> originals[] = {
        new EnRawImageData(PAL, 3, 2), new EnRawImageData(RGB, 2, 3),
        new EnRawImageData(RGBA, 1, 1), new EnRawImageData(RGB, 0, 0)};
    for (EnRawImageData* raw : originals) {
        for (uint64_t i = 0; i < raw->GetPixelBytes(); ++i)
            raw->GetPixels()[i] = uint8_t(7 * i + 1);
        if (raw->GetPalette())
            for (int i = 0; i < 1024; ++i) raw->GetPalette()[i] = uint8_t(i * 3);
    }
    EnStream out;
    out.SetCompareAfterLoad(true);
    for (EnRawImageData* raw : originals) out.InsertObject(raw);
    ASSERT_TRUE(out.Save(dir.File("raw.enf").c_str()));
    ASSERT_TRUE(out.Load(dir.File("raw.enf").c_str()));
    EXPECT_TRUE(out.GetCompareResult());
    ASSERT_EQ(out.GetObjectCount(), 4u);
    for (uint32_t i = 0; i < 4; ++i) {
        EXPECT_NE(out.GetObjectAt(i), originals[i].Get());
        EXPECT_TRUE(originals[i]->EqualsObject(out.GetObjectAt(i))) << i;
    }
    // One changed palette entry makes them differ.
    auto* pLoaded = static_cast<EnRawImageData*>(out.GetObjectAt(0));
    pLoaded->GetPalette()[1023] ^= 1;
    EXPECT_FALSE(originals[0]->EqualsObject(pLoaded));
}

TEST(EnRawImageData, StreamRefusesUnknownFormatsAndSizesBeyondTheFile) {
    TempDir dir;
    {
        EnStream out;
        out.InsertObject(new EnRawImageData(RGB, 2, 2));
        ASSERT_TRUE(out.Save(dir.File("good.enf").c_str()));
    }
    const std::string good = TempDir::Read(dir.File("good.enf"));
    // The record's width, height and format follow its class name and link ID.
    const size_t fields = good.find("EnRawImageData") + std::strlen("EnRawImageData") + 4;
    auto patched = [&](size_t offset, uint32_t value) {
        std::string bytes = good;
        for (int i = 0; i < 4; ++i) bytes[fields + offset + i] = char(value >> (8 * i));
        return bytes;
    };
    struct Case {
        const char* name;
        std::string bytes;
        uint32_t error;
    };
    const Case cases[] = {
        {"format 3", patched(8, 3), EnStream::ERROR_BAD_RECORD},
        {"width beyond the file", patched(0, 100000), EnStream::ERROR_TRUNCATED},
        {"height overflowing 32 bits", patched(4, 0xFFFFFFFF), EnStream::ERROR_TRUNCATED},
    };
    for (const Case& c : cases) {
        const std::string path = dir.Write("bad.enf", c.bytes);
        EnStream in;
        EXPECT_FALSE(in.Load(path.c_str())) << c.name;
        EXPECT_EQ(EnStream::GetLastErrorCode(), c.error) << c.name;
    }
}

TEST(EnRawImageData, DumpListsFormatAndStrides) {
    EnRawImageData raw(RGBA, 3, 2);
    EnTArray<char*> lines(8, 8);
    raw.AppendMemberStrings(lines);
    ASSERT_EQ(lines.GetSize(), 11u);
    EXPECT_STREQ(lines.GetAt(3), "--- EnRawImageData ---");
    EXPECT_STREQ(lines.GetAt(4), "m_eFormat = FORMAT_RGBA");
    EXPECT_STREQ(lines.GetAt(5), "m_uiWidth = 3");
    EXPECT_STREQ(lines.GetAt(8), "m_uiRowStride = 12");
    EnFreeViewerStrings(lines);
}
