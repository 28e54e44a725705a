#include "engine/geometry/ReadImageFile.h"

#include <gtest/gtest.h>

#include "engine/core/EnStream.h"
#include "engine/geometry/EnImage.h"
#include "engine/geometry/EnRawImageData.h"
#include "tests/engine/geometry/ImageTestBytes.h"
#include "tests/support/TempDir.h"

namespace {

using Rgba = std::vector<uint8_t>;

// A 2 x 1 SGI picture (one grey channel) that every SGI extension must read.
std::string TinySgi() {
    ImageTestBytes b = SgiHeader(0, 1, 2, 1, 1);
    b.Raw({10, 20});
    return b.Str();
}

// A 1 x 1 Targa of one red pixel.
std::string TinyTarga() {
    ImageTestBytes b = TargaHeader(2, 1, 1, 24, 0);
    b.Raw({0, 0, 255});
    return b.Str();
}

}  // namespace

TEST(ReadImageFile, ChoosesTheReaderByExtensionWithoutRegardToCase) {
    TempDir dir;
    dir.Write("red.TGA", TinyTarga());
    dir.Write("grey.INTA", TinySgi());
    dir.Write("grey.rgb", TinySgi());
    dir.Write("grey.rgba", TinySgi());
    dir.Write("grey.int", TinySgi());
    dir.Write("red.png", TinyTarga());
    dir.Write("noextension", TinyTarga());

    struct Case {
        std::string path;
        bool read;
    };
    const Case cases[] = {
        {dir.File("red.TGA"), true},
        {"FILE://" + dir.File("red.TGA"), true},  // the prefix goes in any case
        {"file://" + dir.File("red.TGA"), true},
        {dir.File("grey.INTA"), true},
        {dir.File("grey.rgb"), true},
        {dir.File("grey.rgba"), true},
        {dir.File("grey.int"), true},
        {dir.File("red.png"), false},      // a Targa, but not by its name
        {dir.File("noextension"), false},  // no full stop at all
        {dir.File("missing.tga"), false},
    };
    for (const Case& c : cases) {
        EnRawImageData raw;
        EXPECT_EQ(ReadImageFile(c.path.c_str(), &raw), c.read) << c.path;
    }
    EXPECT_FALSE(ReadImageFile(nullptr, nullptr));
    EnRawImageData raw;
    EXPECT_FALSE(ReadImageFile(nullptr, &raw));
}

TEST(ReadImageFile, RefusesPathsLongerThan255Characters) {
    TempDir dir;
    // Pad the name so that the whole path is exactly 255 characters, then one more.
    const std::string base = dir.Path() + "/";
    const size_t nameLength = 255 - base.size() - 4;
    const std::string fits = base + std::string(nameLength, 'a') + ".tga";
    const std::string tooLong = base + std::string(nameLength + 1, 'a') + ".tga";
    ASSERT_EQ(fits.size(), 255u);
    dir.Write(fits.substr(base.size()), TinyTarga());
    dir.Write(tooLong.substr(base.size()), TinyTarga());
    EnRawImageData raw;
    EXPECT_TRUE(ReadImageFile(fits.c_str(), &raw));
    EXPECT_FALSE(ReadImageFile(tooLong.c_str(), &raw));
    // The prefix does not count against the limit.
    EXPECT_TRUE(ReadImageFile(("file://" + fits).c_str(), &raw));
}

TEST(ReadImageFile, SceneFileMustHoldExactlyOneRawImage) {
    TempDir dir;
    EnPointer<EnRawImageData> spRaw = new EnRawImageData(EnRawImageData::FORMAT_RGBA, 2, 1);
    std::memcpy(spRaw->GetPixels(), "\x01\x02\x03\x04\x05\x06\x07\x08", 8);
    EnPointer<EnImage> spImage = new EnImage;

    {
        EnStream stream;
        stream.InsertObject(spRaw);
        ASSERT_TRUE(stream.Save(dir.File("one.enf").c_str()));
    }
    {
        EnStream stream;
        stream.InsertObject(spRaw);
        stream.InsertObject(new EnRawImageData(EnRawImageData::FORMAT_RGB, 1, 1));
        ASSERT_TRUE(stream.Save(dir.File("two.enf").c_str()));
    }
    {
        EnStream stream;
        stream.InsertObject(spImage);
        ASSERT_TRUE(stream.Save(dir.File("image.enf").c_str()));
    }

    EnRawImageData raw;
    ASSERT_TRUE(ReadImageFile(dir.File("one.ENF").c_str(), &raw));
    EXPECT_EQ(raw.GetFormat(), EnRawImageData::FORMAT_RGBA);
    ASSERT_EQ(raw.GetWidth(), 2u);
    EXPECT_EQ(RgbaAt(raw, 1, 0), (Rgba{5, 6, 7, 8}));

    EnRawImageData other;
    EXPECT_FALSE(ReadImageFile(dir.File("two.enf").c_str(), &other));    // first is pixel data
    EXPECT_FALSE(ReadImageFile(dir.File("image.enf").c_str(), &other));  // not pixel data
    EXPECT_FALSE(ReadImageFile(dir.File("missing.enf").c_str(), &other));
    EXPECT_EQ(other.GetWidth(), 0u);
}

TEST(ReadImageFile, ScratchImageIsSharedAndNullWhenTheFileCannotBeRead) {
    TempDir dir;
    dir.Write("red.tga", TinyTarga());
    EnRawImageData* pScratch = EnImage::LoadScratchImage(dir.File("red.tga").c_str());
    ASSERT_EQ(pScratch, EnImage::ms_spScratch.Get());
    EXPECT_EQ(RgbaAt(*pScratch, 0, 0), (Rgba{255, 0, 0, 255}));
    EXPECT_EQ(EnImage::LoadScratchImage(dir.File("missing.tga").c_str()), nullptr);
}

// --- Targa ---

TEST(TargaReader, DescriptorBit5ChoosesWhetherTheFirstStoredRowIsTheTop) {
    for (uint8_t descriptor : {0x00, 0x20}) {
        ImageTestBytes b = TargaHeader(2, 1, 2, 24, descriptor);
        b.Raw({1, 2, 3}).Raw({4, 5, 6});  // stored rows, blue-green-red
        EnRawImageData raw;
        ASSERT_TRUE(DecodeTargaImage(b.v.data(), b.Size(), &raw));
        EXPECT_EQ(raw.GetFormat(), EnRawImageData::FORMAT_RGB);
        const uint32_t firstRow = descriptor ? 0 : 1;
        EXPECT_EQ(RgbaAt(raw, 0, firstRow), (Rgba{3, 2, 1, 255})) << int(descriptor);
        EXPECT_EQ(RgbaAt(raw, 0, 1 - firstRow), (Rgba{6, 5, 4, 255})) << int(descriptor);
    }
}

TEST(TargaReader, InterleavedRowsArriveInPasses) {
    // Two-way interleave stores rows 0, 2, 4, then 1, 3; four-way 0, 4, then 1, then 2, then 3.
    struct Case {
        uint8_t descriptor;
        std::vector<uint8_t> order;
    };
    const Case cases[] = {{0x20 | 0x40, {0, 2, 4, 1, 3}}, {0x20 | 0x80, {0, 4, 1, 2, 3}}};
    for (const Case& c : cases) {
        ImageTestBytes b = TargaHeader(3, 1, 5, 8, c.descriptor);
        for (uint8_t row : c.order) b.U8(10 * row);
        EnRawImageData raw;
        ASSERT_TRUE(DecodeTargaImage(b.v.data(), b.Size(), &raw));
        for (uint32_t y = 0; y < 5; ++y) EXPECT_EQ(RgbaAt(raw, 0, y)[0], 10 * y);
    }
}

TEST(TargaReader, RunPacketsContinueAcrossRowEnds) {
    ImageTestBytes b = TargaHeader(10, 3, 2, 24, 0x20);
    b.U8(0x80 | 3).Raw({1, 2, 3});          // a run of four pixels: all of row 0, one of row 1
    b.U8(1).Raw({4, 5, 6}).Raw({7, 8, 9});  // two raw pixels finish row 1
    EnRawImageData raw;
    ASSERT_TRUE(DecodeTargaImage(b.v.data(), b.Size(), &raw));
    for (uint32_t x = 0; x < 3; ++x) EXPECT_EQ(RgbaAt(raw, x, 0), (Rgba{3, 2, 1, 255}));
    EXPECT_EQ(RgbaAt(raw, 0, 1), (Rgba{3, 2, 1, 255}));
    EXPECT_EQ(RgbaAt(raw, 1, 1), (Rgba{6, 5, 4, 255}));
    EXPECT_EQ(RgbaAt(raw, 2, 1), (Rgba{9, 8, 7, 255}));
}

TEST(TargaReader, RunStateDoesNotCarryIntoTheNextImage) {
    // The first image ends two pixels into a run of four; the second starts its own packet.
    ImageTestBytes first = TargaHeader(11, 2, 1, 8, 0x20);
    first.U8(0x80 | 3).U8(50);
    ImageTestBytes second = TargaHeader(11, 1, 1, 8, 0x20);
    second.U8(0).U8(77);
    EnRawImageData raw;
    ASSERT_TRUE(DecodeTargaImage(first.v.data(), first.Size(), &raw));
    ASSERT_TRUE(DecodeTargaImage(second.v.data(), second.Size(), &raw));
    EXPECT_EQ(RgbaAt(raw, 0, 0), (Rgba{77, 77, 77, 255}));
}

TEST(TargaReader, ColourMappedPixelsTakeTheirEntries) {
    // 8-bit indices into 32-bit entries 2..4 (entries are blue, green, red, alpha).
    ImageTestBytes b = TargaHeader(1, 3, 1, 8, 0x20, 1, 2, 3, 32, 2);
    b.Raw({'i', 'd'});
    b.Raw({10, 20, 30, 40}).Raw({11, 21, 31, 41}).Raw({12, 22, 32, 42});
    b.Raw({4, 2, 3});
    EnRawImageData raw;
    ASSERT_TRUE(DecodeTargaImage(b.v.data(), b.Size(), &raw));
    EXPECT_EQ(raw.GetFormat(), EnRawImageData::FORMAT_RGBA);
    EXPECT_EQ(RgbaAt(raw, 0, 0), (Rgba{32, 22, 12, 42}));
    EXPECT_EQ(RgbaAt(raw, 1, 0), (Rgba{30, 20, 10, 40}));
    EXPECT_EQ(RgbaAt(raw, 2, 0), (Rgba{31, 21, 11, 41}));
}

TEST(TargaReader, SixteenBitValuesShiftFiveBitChannelsAndIgnoreTheTopBit) {
    // 0x7C00 is full red, 0x03E0 full green, 0x801F full blue with the top bit set.
    ImageTestBytes b = TargaHeader(2, 3, 1, 16, 0x20);
    b.U16(0x7C00).U16(0x03E0).U16(0x801F);
    EnRawImageData raw;
    ASSERT_TRUE(DecodeTargaImage(b.v.data(), b.Size(), &raw));
    EXPECT_EQ(raw.GetFormat(), EnRawImageData::FORMAT_RGB);
    EXPECT_EQ(RgbaAt(raw, 0, 0), (Rgba{248, 0, 0, 255}));
    EXPECT_EQ(RgbaAt(raw, 1, 0), (Rgba{0, 248, 0, 255}));
    EXPECT_EQ(RgbaAt(raw, 2, 0), (Rgba{0, 0, 248, 255}));
}

TEST(TargaReader, UnusedColourMapIsPassedOver) {
    ImageTestBytes b = TargaHeader(2, 1, 1, 32, 0x28, 1, 0, 2, 24);
    b.Raw({9, 9, 9, 9, 9, 9});
    b.Raw({1, 2, 3, 4});
    EnRawImageData raw;
    ASSERT_TRUE(DecodeTargaImage(b.v.data(), b.Size(), &raw));
    EXPECT_EQ(RgbaAt(raw, 0, 0), (Rgba{3, 2, 1, 4}));
}

// --- Bitmap ---

TEST(BitmapReader, RowsSkipTheirPaddingAndStartAtTheBottom) {
    // Width 3 at 24 bits: 9 bytes per row, stored with 3 bytes of padding.
    ImageTestBytes b = BitmapHeader(3, 2, 24, 54);
    b.Raw({1, 2, 3, 4, 5, 6, 7, 8, 9}).Fill(3, 0xEE);           // bottom row
    b.Raw({11, 12, 13, 14, 15, 16, 17, 18, 19}).Fill(3, 0xEE);  // top row
    EnRawImageData raw;
    ASSERT_TRUE(DecodeBitmapImage(b.v.data(), b.Size(), &raw));
    EXPECT_EQ(raw.GetRowStride(), 9u);
    EXPECT_EQ(RgbaAt(raw, 0, 0), (Rgba{13, 12, 11, 255}));
    EXPECT_EQ(RgbaAt(raw, 2, 0), (Rgba{19, 18, 17, 255}));
    EXPECT_EQ(RgbaAt(raw, 0, 1), (Rgba{3, 2, 1, 255}));
}

TEST(BitmapReader, NegativeHeightKeepsTheStoredRowOrder) {
    ImageTestBytes b = BitmapHeader(1, -2, 32, 54);
    b.Raw({1, 2, 3, 4}).Raw({5, 6, 7, 8});
    EnRawImageData raw;
    ASSERT_TRUE(DecodeBitmapImage(b.v.data(), b.Size(), &raw));
    EXPECT_EQ(raw.GetFormat(), EnRawImageData::FORMAT_RGBA);
    EXPECT_EQ(raw.GetHeight(), 2u);
    EXPECT_EQ(RgbaAt(raw, 0, 0), (Rgba{3, 2, 1, 4}));
    EXPECT_EQ(RgbaAt(raw, 0, 1), (Rgba{7, 6, 5, 8}));
}

TEST(BitmapReader, EightBitsWithoutColourCountReadAllEntries) {
    ImageTestBytes b = BitmapHeader(2, 1, 8, 54 + 1024);
    for (int i = 0; i < 256; ++i) b.U8(i).U8(i / 2).U8(255 - i).U8(0);  // blue, green, red
    b.Raw({255, 7, 0, 0});
    EnRawImageData raw;
    ASSERT_TRUE(DecodeBitmapImage(b.v.data(), b.Size(), &raw));
    EXPECT_EQ(raw.GetFormat(), EnRawImageData::FORMAT_PALETTIZED);
    EXPECT_EQ(RgbaAt(raw, 0, 0), (Rgba{0, 127, 255, 255}));
    EXPECT_EQ(RgbaAt(raw, 1, 0), (Rgba{248, 3, 7, 255}));
}

TEST(BitmapReader, FourBitsGiveTwoPixelsPerByteHighNibbleFirst) {
    ImageTestBytes b = BitmapHeader(3, 1, 4, 54 + 16 * 4);
    for (int i = 0; i < 16; ++i) b.U8(0).U8(0).U8(16 * i).U8(0);
    b.Raw({0x12, 0x3F, 0, 0});  // the odd width drops the last nibble
    EnRawImageData raw;
    ASSERT_TRUE(DecodeBitmapImage(b.v.data(), b.Size(), &raw));
    EXPECT_EQ(raw.GetRowStride(), 3u);
    EXPECT_EQ(raw.GetPixels()[0], 1);
    EXPECT_EQ(raw.GetPixels()[1], 2);
    EXPECT_EQ(raw.GetPixels()[2], 3);
    EXPECT_EQ(RgbaAt(raw, 2, 0), (Rgba{48, 0, 0, 255}));
}

TEST(BitmapReader, LongerHeadersAndChannelMasksAreSkipped) {
    // A 124-byte header naming the usual 32-bit masks, and a gap before the pixels.
    ImageTestBytes b = BitmapHeader(1, 1, 32, 14 + 124 + 8, 0, 3, 124);
    b.U32(0x00FF0000).U32(0x0000FF00).U32(0x000000FF).U32(0xFF000000);
    b.PadTo(14 + 124).Fill(8, 0xEE);
    b.Raw({1, 2, 3, 4});
    EnRawImageData raw;
    ASSERT_TRUE(DecodeBitmapImage(b.v.data(), b.Size(), &raw));
    EXPECT_EQ(RgbaAt(raw, 0, 0), (Rgba{3, 2, 1, 4}));
}

// --- SGI ---

TEST(SgiReader, TwoChannelsAreGreyAndAlpha) {
    ImageTestBytes b = SgiHeader(0, 1, 2, 2, 2);
    b.Raw({1, 2}).Raw({3, 4});      // channel 0, bottom row then top row
    b.Raw({50, 60}).Raw({70, 80});  // channel 1
    EnRawImageData raw;
    ASSERT_TRUE(DecodeSgiImage(b.v.data(), b.Size(), &raw));
    EXPECT_EQ(raw.GetFormat(), EnRawImageData::FORMAT_RGBA);
    EXPECT_EQ(RgbaAt(raw, 0, 0), (Rgba{3, 3, 3, 70}));
    EXPECT_EQ(RgbaAt(raw, 1, 1), (Rgba{2, 2, 2, 60}));
}

TEST(SgiReader, SixteenBitSamplesAreScaledToEightBits) {
    ImageTestBytes b = SgiHeader(0, 2, 4, 1, 1);
    b.U16BE(0xFFFF).U16BE(0x8080).U16BE(0x0000).U16BE(0x0101);
    EnRawImageData raw;
    ASSERT_TRUE(DecodeSgiImage(b.v.data(), b.Size(), &raw));
    EXPECT_EQ(RgbaAt(raw, 0, 0)[0], 255);
    EXPECT_EQ(RgbaAt(raw, 1, 0)[0], 128);
    EXPECT_EQ(RgbaAt(raw, 2, 0)[0], 0);
    EXPECT_EQ(RgbaAt(raw, 3, 0)[0], 1);
}

TEST(SgiReader, RunLengthRowsFollowTheirOffsets) {
    // One channel, two rows of width 4; the rows are stored in the opposite order to the table.
    ImageTestBytes b = SgiHeader(1, 1, 4, 2, 1);
    const uint32_t data = 512 + 16;
    const std::vector<uint8_t> row1 = {0x84, 1, 2, 3, 4, 0};  // literal packet
    const std::vector<uint8_t> row0 = {0x04, 9, 0};           // a run of four
    b.U32BE(data + uint32_t(row1.size())).U32BE(data);
    b.U32BE(uint32_t(row0.size())).U32BE(uint32_t(row1.size()));
    b.v.insert(b.v.end(), row1.begin(), row1.end());
    b.v.insert(b.v.end(), row0.begin(), row0.end());
    EnRawImageData raw;
    ASSERT_TRUE(DecodeSgiImage(b.v.data(), b.Size(), &raw));
    for (uint32_t x = 0; x < 4; ++x) {
        EXPECT_EQ(RgbaAt(raw, x, 1)[0], 9);  // stored row 0 is the bottom
        EXPECT_EQ(RgbaAt(raw, x, 0)[0], x + 1);
    }
}

TEST(SgiReader, RunLengthWithTwoBytesPerChannelIsRefused) {
    ImageTestBytes b = SgiHeader(1, 2, 1, 1, 1);
    b.U32BE(520).U32BE(3).Raw({0x01, 0, 0});
    EnRawImageData raw;
    EXPECT_FALSE(DecodeSgiImage(b.v.data(), b.Size(), &raw));
}
