#include "tools/demodata/TargaWriter.h"

#include <cstring>

#include "tools/demodata/DemoFile.h"

namespace {

constexpr uint32_t MAX_PACKET = 128;

void PutU16(std::vector<uint8_t>& kOut, uint32_t v) {
    kOut.push_back(uint8_t(v));
    kOut.push_back(uint8_t(v >> 8));
}

// One pixel as the file stores it: grey level, or blue, green, red (and alpha).
void StoredPixel(const DemoPicture& kPicture, uint32_t x, uint32_t y, uint8_t* pOut) {
    const uint8_t* p = kPicture.At(x, y);
    if (kPicture.m_uiChannels == 1) {
        pOut[0] = p[0];
        return;
    }
    pOut[0] = p[2];
    pOut[1] = p[1];
    pOut[2] = p[0];
    if (kPicture.m_uiChannels == 4) pOut[3] = p[3];
}

bool SamePixel(const DemoPicture& kPicture, uint32_t x0, uint32_t x1, uint32_t y) {
    return std::memcmp(kPicture.At(x0, y), kPicture.At(x1, y), kPicture.m_uiChannels) == 0;
}

void AppendPixel(std::vector<uint8_t>& kOut, const DemoPicture& kPicture, uint32_t x, uint32_t y) {
    uint8_t b[4];
    StoredPixel(kPicture, x, y, b);
    kOut.insert(kOut.end(), b, b + kPicture.m_uiChannels);
}

// Runs of two or more equal pixels become run packets; everything between them goes out in
// literal packets.
void AppendRunLengthRow(std::vector<uint8_t>& kOut, const DemoPicture& kPicture, uint32_t y) {
    const uint32_t uiWidth = kPicture.m_uiWidth;
    uint32_t x = 0;
    while (x < uiWidth) {
        uint32_t uiRun = 1;
        while (x + uiRun < uiWidth && uiRun < MAX_PACKET && SamePixel(kPicture, x, x + uiRun, y))
            ++uiRun;
        if (uiRun >= 2) {
            kOut.push_back(uint8_t(0x80 | (uiRun - 1)));
            AppendPixel(kOut, kPicture, x, y);
            x += uiRun;
            continue;
        }
        uint32_t uiLiteral = 1;
        while (x + uiLiteral < uiWidth && uiLiteral < MAX_PACKET &&
               !(x + uiLiteral + 1 < uiWidth &&
                 SamePixel(kPicture, x + uiLiteral, x + uiLiteral + 1, y)))
            ++uiLiteral;
        kOut.push_back(uint8_t(uiLiteral - 1));
        for (uint32_t i = 0; i < uiLiteral; ++i) AppendPixel(kOut, kPicture, x + i, y);
        x += uiLiteral;
    }
}

}  // namespace

std::vector<uint8_t> TargaWriter::Encode(const DemoPicture& kPicture, bool bRunLength) {
    std::vector<uint8_t> kOut;
    if (!kPicture.IsValid()) return kOut;
    const bool bGrey = kPicture.m_uiChannels == 1;
    const uint8_t ucType = uint8_t((bGrey ? 3 : 2) + (bRunLength ? 8 : 0));
    kOut.reserve(18 + kPicture.m_kPixels.size());
    kOut.push_back(0);  // no image id
    kOut.push_back(0);  // no colour map
    kOut.push_back(ucType);
    for (int i = 0; i < 5; ++i) kOut.push_back(0);  // colour-map specification
    PutU16(kOut, 0);                                // x origin
    PutU16(kOut, 0);                                // y origin
    PutU16(kOut, kPicture.m_uiWidth);
    PutU16(kOut, kPicture.m_uiHeight);
    kOut.push_back(uint8_t(kPicture.m_uiChannels * 8));
    // Top row first; a 32-bit picture declares its eight alpha bits.
    kOut.push_back(uint8_t(0x20 | (kPicture.m_uiChannels == 4 ? 8 : 0)));

    for (uint32_t y = 0; y < kPicture.m_uiHeight; ++y) {
        if (bRunLength) {
            AppendRunLengthRow(kOut, kPicture, y);
        } else {
            for (uint32_t x = 0; x < kPicture.m_uiWidth; ++x) AppendPixel(kOut, kPicture, x, y);
        }
    }
    return kOut;
}

bool TargaWriter::Write(const char* pcPath, const DemoPicture& kPicture, bool bRunLength) {
    const std::vector<uint8_t> kBytes = Encode(kPicture, bRunLength);
    return !kBytes.empty() && DemoFile::WriteAll(pcPath, kBytes);
}
