// Picture files written by ImageMagick decode to the pixels ImageMagick reads back from them
// (stored beside each file as <file>.bin; tests/fixtures/images/make.sh regenerates both).
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <iterator>

#include "engine/geometry/EnRawImageData.h"
#include "engine/geometry/ReadImageFile.h"
#include "tests/engine/geometry/ImageTestBytes.h"

namespace {

enum Compare {
    EXACT,
    // 16-bit Targa channels keep their five bits shifted left by 3, where ImageMagick scales
    // them to 0..255; compare the five bits.
    FIVE_BITS,
    // ImageMagick reads a two-channel SGI as grey only; its alpha channel holds the same alpha
    // as the four-channel fixtures.
    ALPHA_FROM_RGBA_FIXTURE,
};

struct Fixture {
    const char* file;
    uint32_t format;
    Compare compare;
};

constexpr uint32_t PAL = EnRawImageData::FORMAT_PALETTIZED;
constexpr uint32_t RGB = EnRawImageData::FORMAT_RGB;
constexpr uint32_t RGBA = EnRawImageData::FORMAT_RGBA;

const Fixture FIXTURES[] = {
    {"rgb24.tga", RGB, EXACT},
    {"rgb24_rle.tga", RGB, EXACT},
    {"rgb24_top.tga", RGB, EXACT},
    {"rgba32.tga", RGBA, EXACT},
    {"rgba32_rle.tga", RGBA, EXACT},
    {"rgb16.tga", RGB, FIVE_BITS},
    {"rgb16_rle.tga", RGB, FIVE_BITS},
    {"grey8.tga", RGB, EXACT},
    {"grey8_rle.tga", RGB, EXACT},
    {"pal8.tga", RGB, EXACT},
    {"pal8_rle.tga", RGB, EXACT},
    {"pal32_map.tga", RGBA, EXACT},
    {"pal4.bmp", PAL, EXACT},
    {"pal8.bmp", PAL, EXACT},
    {"pal8_topdown.bmp", PAL, EXACT},
    {"rgb24.bmp", RGB, EXACT},
    {"rgb24_v5.bmp", RGB, EXACT},
    {"rgba32.bmp", RGBA, EXACT},
    {"grey.int", RGB, EXACT},
    {"grey_rle.int", RGB, EXACT},
    {"rgb.rgb", RGB, EXACT},
    {"rgb_rle.rgb", RGB, EXACT},
    {"rgb16.rgb", RGB, EXACT},
    {"rgba.rgba", RGBA, EXACT},
    {"rgba_rle.rgba", RGBA, EXACT},
    {"grey_alpha.inta", RGBA, ALPHA_FROM_RGBA_FIXTURE},
    {"grey_alpha_rle.inta", RGBA, ALPHA_FROM_RGBA_FIXTURE},
};

constexpr uint32_t WIDTH = 7;
constexpr uint32_t HEIGHT = 5;

std::string FixturePath(const std::string& name) {
    return SourceDir() + "/tests/fixtures/images/" + name;
}

std::vector<uint8_t> ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

}  // namespace

TEST(ImageFixtures, DecodeToTheToolsPixels) {
    const std::vector<uint8_t> rgbaAlpha = ReadBytes(FixturePath("rgba.rgba.bin"));
    ASSERT_EQ(rgbaAlpha.size(), WIDTH * HEIGHT * 4);
    for (const Fixture& f : FIXTURES) {
        SCOPED_TRACE(f.file);
        const std::vector<uint8_t> expected = ReadBytes(FixturePath(f.file) + ".bin");
        ASSERT_EQ(expected.size(), WIDTH * HEIGHT * 4);
        EnRawImageData raw;
        ASSERT_TRUE(ReadImageFile(FixturePath(f.file).c_str(), &raw));
        ASSERT_EQ(raw.GetFormat(), f.format);
        ASSERT_EQ(raw.GetWidth(), WIDTH);
        ASSERT_EQ(raw.GetHeight(), HEIGHT);
        ASSERT_EQ(raw.GetRowStride(), WIDTH * raw.GetPixelStride());
        for (uint32_t y = 0; y < HEIGHT; ++y) {
            for (uint32_t x = 0; x < WIDTH; ++x) {
                const std::vector<uint8_t> got = RgbaAt(raw, x, y);
                const uint8_t* want = &expected[4 * (y * WIDTH + x)];
                for (int c = 0; c < 4; ++c) {
                    uint32_t g = got[c], w = want[c];
                    if (f.compare == FIVE_BITS && c < 3) {
                        EXPECT_EQ(g & 7u, 0u) << "x " << x << " y " << y << " channel " << c;
                        g >>= 3;
                        w = uint32_t(std::lround(w * 31.0 / 255.0));
                    }
                    if (f.compare == ALPHA_FROM_RGBA_FIXTURE && c == 3)
                        w = rgbaAlpha[4 * (y * WIDTH + x) + 3];
                    EXPECT_EQ(g, w) << "x " << x << " y " << y << " channel " << c;
                }
            }
        }
    }
}

// ImageMagick run-length encodes 8-bit bitmaps unless told otherwise; rows are only read
// uncompressed, so such a file is refused instead of being shown as noise.
TEST(ImageFixtures, RunLengthBitmapIsRefused) {
    EnRawImageData raw;
    EXPECT_FALSE(ReadImageFile(FixturePath("pal8_rle8.bmp").c_str(), &raw));
}
