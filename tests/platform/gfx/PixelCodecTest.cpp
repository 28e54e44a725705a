#include <gtest/gtest.h>

#include "platform/gfx/PixelCodec.h"

using namespace plat::gfx;

namespace {

struct Case {
    const char* name;
    PixelFormat format;
    uint32_t argb;
    uint32_t raw;
};

TEST(PixelCodec, PacksAndWidensEveryTextureFormat) {
    const Case cases[] = {
        {"565 white", Formats::Rgb565(), 0xffffffff, 0xffff},
        {"565 red", Formats::Rgb565(), 0xffff0000, 0xf800},
        {"555 green", Formats::Rgb555(), 0xff00ff00, 0x03e0},
        {"1555 opaque blue", Formats::Argb1555(), 0xff0000ff, 0x801f},
        {"1555 clear blue", Formats::Argb1555(), 0x000000ff, 0x001f},
        {"4444 half", Formats::Argb4444(), 0x88112233, 0x8123},
        {"8888", Formats::Argb8888(), 0x80402010, 0x80402010},
        {"x888 drops alpha", Formats::Xrgb8888(), 0xff123456, 0x123456},
    };
    for (const Case& c : cases) {
        PixelCodec codec(c.format);
        EXPECT_EQ(codec.FromArgb(c.argb), c.raw) << c.name;
        EXPECT_EQ(codec.ToArgb(c.raw), c.argb) << c.name;
    }
}

TEST(PixelCodec, ChannelsWithoutAlphaReadOpaque) {
    EXPECT_EQ(PixelCodec(Formats::Rgb565()).ToArgb(0) >> 24, 0xffu);
    EXPECT_EQ(PixelCodec(Formats::Rgb555()).ToArgb(0x7fff), 0xffffffffu);
    EXPECT_EQ(PixelCodec(Formats::Rgb565()).ToArgb(0x07e0), 0xff00ff00u);
}

TEST(PixelCodec, PalettesReadThroughTheTableAndWriteTheNearestEntry) {
    PaletteEntry pal[256] = {};
    pal[1] = {255, 0, 0, 0};
    pal[2] = {0, 0, 250, 0};
    PixelCodec codec(Formats::Pal8());
    EXPECT_TRUE(codec.IsPalettized());
    EXPECT_EQ(codec.ToArgb(1, pal), 0xffff0000u);
    EXPECT_EQ(codec.FromArgb(0xff0000ff, pal), 2u);
    uint8_t b[4] = {};
    PixelCodec(Formats::Rgb565()).Write(b, 0xabcd);
    EXPECT_EQ(b[0], 0xcd);
    EXPECT_EQ(b[1], 0xab);
    EXPECT_EQ(PixelCodec(Formats::Rgb565()).Read(b), 0xabcdu);
}

}  // namespace
