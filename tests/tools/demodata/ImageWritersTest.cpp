// The generator's Targa and SGI writers, checked by reading their files back through the
// engine's own decoders over seeded pictures of every channel count, encoding and awkward size.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <initializer_list>
#include <random>
#include <vector>

#include "engine/core/EnPointer.h"
#include "engine/geometry/EnRawImageData.h"
#include "engine/geometry/ReadImageFile.h"
#include "tests/support/TempDir.h"
#include "tools/demodata/DemoPicture.h"
#include "tools/demodata/SgiWriter.h"
#include "tools/demodata/TargaWriter.h"

namespace {

// Noise, long runs, runs of exactly two and three, and runs longer than a packet holds, mixed
// so that the encoders switch between literal and run packets at every kind of boundary.
DemoPicture Painted(uint32_t uiWidth, uint32_t uiHeight, uint32_t uiChannels, uint32_t uiSeed) {
    DemoPicture kPicture(uiWidth, uiHeight, uiChannels);
    std::mt19937 kRandom(uiSeed);
    for (uint32_t y = 0; y < uiHeight; ++y) {
        uint32_t x = 0;
        while (x < uiWidth) {
            const uint32_t uiKind = kRandom() % 4;
            const uint32_t uiLength = uiKind == 0   ? 1
                                      : uiKind == 1 ? 2 + kRandom() % 2
                                      : uiKind == 2 ? 100 + kRandom() % 200
                                                    : 1 + kRandom() % 6;
            uint8_t acValue[4];
            for (uint8_t& c : acValue) c = uint8_t(kRandom());
            for (uint32_t i = 0; i < uiLength && x < uiWidth; ++i, ++x) {
                if (uiKind == 3)
                    for (uint8_t& c : acValue) c = uint8_t(kRandom());
                std::memcpy(kPicture.At(x, y), acValue, uiChannels);
            }
        }
    }
    return kPicture;
}

// The decoders give grey pictures as RGB with three equal channels.
void ExpectSamePixels(const DemoPicture& kPicture, const EnRawImageData& kRaw, const char* pcWhat) {
    ASSERT_EQ(kRaw.GetWidth(), kPicture.m_uiWidth) << pcWhat;
    ASSERT_EQ(kRaw.GetHeight(), kPicture.m_uiHeight) << pcWhat;
    const uint32_t eFormat =
        kPicture.m_uiChannels == 4 ? EnRawImageData::FORMAT_RGBA : EnRawImageData::FORMAT_RGB;
    ASSERT_EQ(kRaw.GetFormat(), eFormat) << pcWhat;
    int iWrong = 0;
    for (uint32_t y = 0; y < kPicture.m_uiHeight; ++y)
        for (uint32_t x = 0; x < kPicture.m_uiWidth; ++x) {
            const uint8_t* pGot =
                kRaw.GetPixels() + y * kRaw.GetRowStride() + x * kRaw.GetPixelStride();
            const uint8_t* pWant = kPicture.At(x, y);
            for (uint32_t c = 0; c < kRaw.GetPixelStride(); ++c) {
                const uint8_t ucWant = pWant[kPicture.m_uiChannels == 1 ? 0 : c];
                if (pGot[c] != ucWant && iWrong++ < 5)
                    ADD_FAILURE() << pcWhat << ": pixel (" << x << ", " << y << ") channel " << c
                                  << " is " << int(pGot[c]) << " instead of " << int(ucWant);
            }
        }
    EXPECT_EQ(iWrong, 0) << pcWhat;
}

struct Case {
    uint32_t uiWidth, uiHeight, uiChannels;
    bool bRunLength;
};

const Case CASES[] = {
    {1, 1, 3, false},    {1, 1, 4, true},     {37, 5, 1, false},  {37, 5, 1, true},
    {64, 64, 3, false},  {64, 64, 3, true},   {64, 64, 4, false}, {64, 64, 4, true},
    {300, 3, 3, true},   {300, 3, 4, true},   {129, 2, 1, true},  {2, 129, 4, true},
    {255, 17, 3, false}, {255, 17, 4, false},
};

using Encoder = std::vector<uint8_t> (*)(const DemoPicture&, bool);
using Decoder = bool (*)(const uint8_t*, size_t, EnRawImageData*);

void RoundTripAll(Encoder pfnEncode, Decoder pfnDecode, const char* pcFormat) {
    uint32_t uiSeed = 1;
    for (const Case& c : CASES) {
        const DemoPicture kPicture = Painted(c.uiWidth, c.uiHeight, c.uiChannels, uiSeed++);
        const std::vector<uint8_t> kBytes = pfnEncode(kPicture, c.bRunLength);
        char acWhat[96];
        std::snprintf(acWhat, sizeof acWhat, "%s %ux%u, %u channel(s), %s (seed %u)", pcFormat,
                      c.uiWidth, c.uiHeight, c.uiChannels, c.bRunLength ? "run-length" : "raw",
                      uiSeed - 1);
        EnPointer<EnRawImageData> spRaw = new EnRawImageData;
        ASSERT_TRUE(pfnDecode(kBytes.data(), kBytes.size(), spRaw)) << acWhat;
        ExpectSamePixels(kPicture, *spRaw, acWhat);
    }
}

TEST(TargaWriter, EngineReadsBackEveryPixel) {
    RoundTripAll(&TargaWriter::Encode, &DecodeTargaImage, "Targa");
}

TEST(SgiWriter, EngineReadsBackEveryPixel) {
    RoundTripAll(&SgiWriter::Encode, &DecodeSgiImage, "SGI");
}

TEST(TargaWriter, HeaderDeclaresKindDepthAndAlpha) {
    struct Expect {
        uint32_t uiChannels;
        bool bRunLength;
        uint8_t ucType, ucDepth, ucDescriptor;
    };
    const Expect kCases[] = {
        {1, false, 3, 8, 0x20},  {1, true, 11, 8, 0x20},  {3, false, 2, 24, 0x20},
        {3, true, 10, 24, 0x20}, {4, false, 2, 32, 0x28}, {4, true, 10, 32, 0x28},
    };
    for (const Expect& e : kCases) {
        const std::vector<uint8_t> kBytes =
            TargaWriter::Encode(DemoPicture(3, 2, e.uiChannels), e.bRunLength);
        ASSERT_GE(kBytes.size(), 18u);
        EXPECT_EQ(kBytes[2], e.ucType) << e.uiChannels;
        EXPECT_EQ(kBytes[12] | kBytes[13] << 8, 3);
        EXPECT_EQ(kBytes[14] | kBytes[15] << 8, 2);
        EXPECT_EQ(kBytes[16], e.ucDepth);
        EXPECT_EQ(kBytes[17], e.ucDescriptor);
    }
}

TEST(SgiWriter, HeaderDeclaresStorageAndChannels) {
    for (uint32_t uiChannels : {1u, 3u, 4u})
        for (bool bRunLength : {false, true}) {
            const std::vector<uint8_t> kBytes =
                SgiWriter::Encode(DemoPicture(5, 7, uiChannels), bRunLength);
            ASSERT_GE(kBytes.size(), 512u);
            EXPECT_EQ(kBytes[0] << 8 | kBytes[1], 474);
            EXPECT_EQ(kBytes[2], bRunLength ? 1 : 0);
            EXPECT_EQ(kBytes[3], 1);
            EXPECT_EQ(kBytes[6] << 8 | kBytes[7], 5);
            EXPECT_EQ(kBytes[8] << 8 | kBytes[9], 7);
            EXPECT_EQ(kBytes[10] << 8 | kBytes[11], int(uiChannels));
            if (!bRunLength) {
                EXPECT_EQ(kBytes.size(), 512u + 5 * 7 * uiChannels);
            }
        }
}

TEST(ImageWriters, RunLengthShrinksFlatPictures) {
    DemoPicture kFlat(200, 50, 4);
    for (size_t i = 0; i < kFlat.m_kPixels.size(); ++i) kFlat.m_kPixels[i] = uint8_t(i % 4 * 60);
    EXPECT_LT(TargaWriter::Encode(kFlat, true).size() * 10,
              TargaWriter::Encode(kFlat, false).size());
    EXPECT_LT(SgiWriter::Encode(kFlat, true).size() * 5, SgiWriter::Encode(kFlat, false).size());
}

TEST(ImageWriters, RefuseInvalidPictures) {
    DemoPicture kShort(4, 4, 3);
    kShort.m_kPixels.pop_back();
    const DemoPicture kTwoChannels(4, 4, 2);
    const DemoPicture kEmpty(0, 4, 3);
    const DemoPicture kTooWide(70000, 1, 1);
    for (const DemoPicture* p :
         std::initializer_list<const DemoPicture*>{&kShort, &kTwoChannels, &kEmpty, &kTooWide}) {
        EXPECT_TRUE(TargaWriter::Encode(*p, false).empty());
        EXPECT_TRUE(SgiWriter::Encode(*p, true).empty());
    }
    TempDir kDir;
    EXPECT_FALSE(TargaWriter::Write(kDir.File("short.tga").c_str(), kShort, false));
    EXPECT_FALSE(std::filesystem::exists(kDir.File("short.tga")));
}

TEST(ImageWriters, FilesReadThroughTheEngineByExtension) {
    TempDir kDir;
    const DemoPicture kColour = Painted(33, 9, 4, 77);
    const DemoPicture kGrey = Painted(33, 9, 1, 78);
    struct File {
        const char* pcName;
        const DemoPicture* pPicture;
        bool bTarga;
    };
    const File kFiles[] = {{"a.tga", &kColour, true},
                           {"b.rgba", &kColour, false},
                           {"c.int", &kGrey, false},
                           {"d.TGA", &kGrey, true}};
    for (const File& f : kFiles) {
        const std::string kPath = kDir.File(f.pcName);
        ASSERT_TRUE(f.bTarga ? TargaWriter::Write(kPath.c_str(), *f.pPicture, true)
                             : SgiWriter::Write(kPath.c_str(), *f.pPicture, true))
            << f.pcName;
        EnPointer<EnRawImageData> spRaw = new EnRawImageData;
        ASSERT_TRUE(ReadImageFile(kPath.c_str(), spRaw)) << f.pcName;
        ExpectSamePixels(*f.pPicture, *spRaw, f.pcName);
    }
    // Nothing is left behind but the files themselves.
    EXPECT_FALSE(std::filesystem::exists(kDir.File("a.tga.tmp")));
}

}  // namespace
