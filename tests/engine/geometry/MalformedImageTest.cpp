// Damaged and hostile picture files are refused: the readers return false without reading or
// writing outside their buffers (the sanitizer build runs these too) and without asking for
// memory the file cannot fill.
#include <gtest/gtest.h>

#include <functional>

#include "engine/geometry/EnRawImageData.h"
#include "engine/geometry/ReadImageFile.h"
#include "tests/engine/geometry/ImageTestBytes.h"
#include "tests/support/TempDir.h"

namespace {

struct Case {
    const char* name;
    const char* extension;
    std::function<ImageTestBytes()> make;
};

ImageTestBytes Truncated(ImageTestBytes b, size_t size) {
    b.v.resize(size);
    return b;
}

// A valid run-length SGI of one channel, width 4, one row, with the row's table entry and data
// open to change.
ImageTestBytes SgiRle(uint32_t start, uint32_t length, std::vector<uint8_t> row) {
    ImageTestBytes b = SgiHeader(1, 1, 4, 1, 1);
    b.U32BE(start).U32BE(length);
    b.v.insert(b.v.end(), row.begin(), row.end());
    return b;
}

const Case CASES[] = {
    // Targa
    {"empty targa", ".tga", [] { return ImageTestBytes(); }},
    {"targa header cut short", ".tga", [] { return Truncated(TargaHeader(2, 1, 1, 24, 0), 17); }},
    {"targa identification past the end", ".tga",
     [] {
         return TargaHeader(2, 1, 1, 24, 0, 0, 0, 0, 0, 200).Raw({1, 2, 3});
     }},
    {"targa unknown image type", ".tga",
     [] {
         return TargaHeader(4, 1, 1, 24, 0).Raw({1, 2, 3});
     }},
    {"targa mapped without a map", ".tga", [] { return TargaHeader(1, 1, 1, 8, 0).U8(0); }},
    {"targa map entries of 12 bits", ".tga",
     [] {
         return TargaHeader(1, 1, 1, 8, 0, 1, 0, 1, 12).Raw({0, 0, 0});
     }},
    {"targa pixel depth of 12 bits", ".tga",
     [] {
         return TargaHeader(2, 1, 1, 12, 0).Raw({1, 2});
     }},
    {"targa map reaching entry 16383", ".tga",
     [] { return TargaHeader(1, 1, 1, 8, 0, 1, 16000, 383, 8).Fill(383).U8(0); }},
    {"targa map cut short", ".tga", [] { return TargaHeader(1, 1, 1, 8, 0, 1, 0, 4, 24).Fill(5); }},
    {"targa index past the map", ".tga",
     [] { return TargaHeader(1, 1, 1, 8, 0, 1, 0, 4, 24).Fill(12).U8(4); }},
    {"targa index below the map's first entry", ".tga",
     [] { return TargaHeader(1, 1, 1, 8, 0, 1, 2, 2, 24).Fill(6).U8(1); }},
    {"targa 16-bit index past the table", ".tga",
     [] { return TargaHeader(1, 1, 1, 16, 0, 1, 0, 4, 24).Fill(12).U16(40000); }},
    {"targa run-length index past the map", ".tga",
     [] { return TargaHeader(9, 4, 1, 8, 0, 1, 0, 2, 24).Fill(6).U8(0x83).U8(9); }},
    {"targa pixels cut short", ".tga",
     [] { return TargaHeader(2, 4, 4, 24, 0).Fill(4 * 4 * 3 - 1); }},
    {"targa huge raw picture", ".tga", [] { return TargaHeader(2, 65535, 65535, 32, 0).Fill(64); }},
    {"targa huge run-length picture", ".tga",
     [] {
         return TargaHeader(10, 65535, 65535, 32, 0).U8(0xFF).Raw({1, 2, 3, 4});
     }},
    {"targa packets run out", ".tga",
     [] {
         return TargaHeader(10, 4, 4, 24, 0).U8(0x80 | 9).Raw({1, 2, 3}).U8(0x02).Raw({1});
     }},
    {"targa without pixels", ".tga", [] { return TargaHeader(2, 0, 5, 24, 0); }},

    // Bitmap
    {"bitmap without its magic", ".bmp",
     [] {
         ImageTestBytes b = BitmapHeader(1, 1, 24, 54).Fill(4);
         b.v[0] = 'M';
         return b;
     }},
    {"bitmap header cut short", ".bmp", [] { return Truncated(BitmapHeader(1, 1, 24, 54), 53); }},
    {"bitmap core header", ".bmp", [] { return BitmapHeader(1, 1, 24, 26, 0, 0, 12).Fill(4); }},
    {"bitmap header size 4", ".bmp", [] { return BitmapHeader(1, 1, 24, 54, 0, 0, 4).Fill(4); }},
    {"bitmap header past the end", ".bmp",
     [] { return BitmapHeader(1, 1, 24, 54, 0, 0, 0x7FFFFFFF).Fill(4); }},
    {"bitmap of 16 bits", ".bmp", [] { return BitmapHeader(1, 1, 16, 54).Fill(4); }},
    {"bitmap of 1 bit", ".bmp", [] { return BitmapHeader(1, 1, 1, 62).Fill(12); }},
    {"bitmap run-length 8 bits", ".bmp",
     [] {
         return BitmapHeader(1, 1, 8, 54 + 1024, 0, 1).Fill(1024).Raw({1, 0, 0, 1});
     }},
    {"bitmap run-length 4 bits", ".bmp",
     [] {
         return BitmapHeader(1, 1, 4, 54 + 64, 0, 2).Fill(64).Raw({1, 0, 0, 1});
     }},
    {"bitmap channel masks on 24 bits", ".bmp",
     [] { return BitmapHeader(1, 1, 24, 66, 0, 3).Fill(12).Fill(4); }},
    {"bitmap unusual channel masks", ".bmp",
     [] {
         return BitmapHeader(1, 1, 32, 66, 0, 3)
             .U32(0x000000FF)
             .U32(0x0000FF00)
             .U32(0x00FF0000)
             .Fill(4);
     }},
    {"bitmap zero width", ".bmp", [] { return BitmapHeader(0, 1, 24, 54).Fill(4); }},
    {"bitmap negative width", ".bmp", [] { return BitmapHeader(-4, 1, 24, 54).Fill(16); }},
    {"bitmap zero height", ".bmp", [] { return BitmapHeader(1, 0, 24, 54).Fill(4); }},
    {"bitmap most negative height", ".bmp",
     [] { return BitmapHeader(1, INT32_MIN, 24, 54).Fill(64); }},
    {"bitmap 300 colours", ".bmp",
     [] { return BitmapHeader(1, 1, 8, 54 + 1200, 300).Fill(1200).Fill(4); }},
    {"bitmap colour table past the end", ".bmp",
     [] { return BitmapHeader(1, 1, 24, 54, 0x40000000).Fill(4); }},
    {"bitmap pixel offset past the end", ".bmp",
     [] { return BitmapHeader(1, 1, 24, 0x7FFFFFF0).Fill(4); }},
    {"bitmap pixel offset inside the colour table", ".bmp",
     [] { return BitmapHeader(1, 1, 8, 60, 2).Fill(8).Fill(4); }},
    {"bitmap rows cut short", ".bmp", [] { return BitmapHeader(4, 4, 24, 54).Fill(4 * 12 - 1); }},
    {"bitmap huge picture", ".bmp", [] { return BitmapHeader(100000, 100000, 32, 54).Fill(8); }},

    // SGI
    {"sgi without its magic", ".rgb",
     [] {
         ImageTestBytes b = SgiHeader(0, 1, 1, 1, 1).U8(0);
         b.v[1] = 0;
         return b;
     }},
    {"sgi unknown storage", ".rgb", [] { return SgiHeader(2, 1, 1, 1, 1).U8(0); }},
    {"sgi three bytes per channel", ".rgb", [] { return SgiHeader(0, 3, 1, 1, 1).Fill(3); }},
    {"sgi header cut short", ".rgb", [] { return Truncated(SgiHeader(0, 1, 1, 1, 1), 511); }},
    {"sgi without channels", ".rgb", [] { return SgiHeader(0, 1, 1, 1, 0).Fill(4); }},
    {"sgi without columns", ".rgb", [] { return SgiHeader(0, 1, 0, 1, 1).Fill(4); }},
    {"sgi verbatim data cut short", ".rgba", [] { return SgiHeader(0, 1, 4, 4, 4).Fill(63); }},
    {"sgi sixteen-bit data cut short", ".rgb", [] { return SgiHeader(0, 2, 4, 1, 1).Fill(7); }},
    {"sgi run-length tables past the end", ".rgba",
     [] { return SgiHeader(1, 1, 65535, 65535, 4).Fill(64); }},
    {"sgi row before the data", ".int",
     [] {
         return SgiRle(100, 3, {0x04, 9, 0});
     }},
    {"sgi row past the end", ".int",
     [] {
         return SgiRle(520, 3, {0x04, 9});
     }},
    {"sgi row length past the end", ".int",
     [] {
         return SgiRle(520, 0xFFFFFFFF, {0x04, 9, 0});
     }},
    {"sgi row offset far past the end", ".int",
     [] {
         return SgiRle(0xFFFFFFF0, 3, {0x04, 9, 0});
     }},
    {"sgi run past the row's width", ".int",
     [] {
         return SgiRle(520, 3, {0x0A, 9, 0});
     }},
    {"sgi literal past the row's width", ".int",
     [] {
         return SgiRle(520, 7, {0x85, 1, 2, 3, 4, 5, 0});
     }},
    {"sgi literal past the row's bytes", ".int",
     [] {
         return SgiRle(520, 3, {0x84, 1, 2});
     }},
    {"sgi run value past the row's bytes", ".int", [] { return SgiRle(520, 1, {0x04}); }},
};

}  // namespace

TEST(MalformedImages, AreRefusedInMemory) {
    for (const Case& c : CASES) {
        const ImageTestBytes b = c.make();
        EnRawImageData raw;
        bool read = true;
        const std::string ext = c.extension;
        if (ext == ".tga")
            read = DecodeTargaImage(b.v.data(), b.Size(), &raw);
        else if (ext == ".bmp")
            read = DecodeBitmapImage(b.v.data(), b.Size(), &raw);
        else
            read = DecodeSgiImage(b.v.data(), b.Size(), &raw);
        EXPECT_FALSE(read) << c.name;
        EXPECT_LE(raw.GetPixelBytes(), EnRawImageData::MAX_PIXEL_BYTES) << c.name;
    }
}

TEST(MalformedImages, AreRefusedFromFiles) {
    TempDir dir;
    int n = 0;
    for (const Case& c : CASES) {
        const std::string path =
            dir.Write("case" + std::to_string(n++) + c.extension, c.make().Str());
        EnRawImageData raw;
        EXPECT_FALSE(ReadImageFile(path.c_str(), &raw)) << c.name;
    }
}

// The readers must not be fooled by data that merely looks complete: each of these is the valid
// file the malformed cases above are built from.
TEST(MalformedImages, TheirValidCounterpartsAreRead) {
    const ImageTestBytes valid[] = {
        TargaHeader(1, 1, 1, 8, 0, 1, 0, 4, 24).Fill(12).U8(3),
        TargaHeader(1, 1, 1, 16, 0, 1, 16000, 382, 8).Fill(382).U16(16381),
        TargaHeader(9, 4, 1, 8, 0, 1, 0, 2, 24).Fill(6).U8(0x83).U8(1),
        TargaHeader(2, 4, 4, 24, 0).Fill(4 * 4 * 3),
    };
    for (const ImageTestBytes& b : valid) {
        EnRawImageData raw;
        EXPECT_TRUE(DecodeTargaImage(b.v.data(), b.Size(), &raw));
    }
    EnRawImageData raw;
    ImageTestBytes bmp = BitmapHeader(4, 4, 24, 54).Fill(4 * 12);
    EXPECT_TRUE(DecodeBitmapImage(bmp.v.data(), bmp.Size(), &raw));
    ImageTestBytes sgi = SgiRle(520, 3, {0x04, 9, 0});
    EXPECT_TRUE(DecodeSgiImage(sgi.v.data(), sgi.Size(), &raw));
}
