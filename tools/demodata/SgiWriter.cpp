#include "tools/demodata/SgiWriter.h"

#include <cstring>

#include "tools/demodata/DemoFile.h"

namespace {

constexpr uint16_t SGI_MAGIC = 474;
constexpr uint32_t HEADER_BYTES = 512;
constexpr uint32_t MAX_PACKET = 127;

void PutU16BE(std::vector<uint8_t>& kOut, uint32_t v) {
    kOut.push_back(uint8_t(v >> 8));
    kOut.push_back(uint8_t(v));
}

void PutU32BE(std::vector<uint8_t>& kOut, uint32_t v) {
    PutU16BE(kOut, v >> 16);
    PutU16BE(kOut, v & 0xFFFF);
}

void SetU32BE(std::vector<uint8_t>& kOut, size_t uiAt, uint32_t v) {
    kOut[uiAt] = uint8_t(v >> 24);
    kOut[uiAt + 1] = uint8_t(v >> 16);
    kOut[uiAt + 2] = uint8_t(v >> 8);
    kOut[uiAt + 3] = uint8_t(v);
}

// One channel of one file row (file rows run from the bottom of the picture).
std::vector<uint8_t> ChannelRow(const DemoPicture& kPicture, uint32_t uiChannel, uint32_t uiRow) {
    std::vector<uint8_t> kRow(kPicture.m_uiWidth);
    const uint32_t y = kPicture.m_uiHeight - 1 - uiRow;
    for (uint32_t x = 0; x < kPicture.m_uiWidth; ++x) kRow[x] = kPicture.At(x, y)[uiChannel];
    return kRow;
}

// Packets of a count byte: bit 7 set, that many literal bytes follow; clear, one byte follows
// and repeats. A zero count ends the row.
void AppendRunLengthRow(std::vector<uint8_t>& kOut, const std::vector<uint8_t>& kRow) {
    const size_t uiWidth = kRow.size();
    size_t x = 0;
    while (x < uiWidth) {
        size_t uiRun = 1;
        while (x + uiRun < uiWidth && uiRun < MAX_PACKET && kRow[x + uiRun] == kRow[x]) ++uiRun;
        if (uiRun >= 3) {
            kOut.push_back(uint8_t(uiRun));
            kOut.push_back(kRow[x]);
            x += uiRun;
            continue;
        }
        size_t uiLiteral = 1;
        while (x + uiLiteral < uiWidth && uiLiteral < MAX_PACKET &&
               !(x + uiLiteral + 2 < uiWidth && kRow[x + uiLiteral] == kRow[x + uiLiteral + 1] &&
                 kRow[x + uiLiteral] == kRow[x + uiLiteral + 2]))
            ++uiLiteral;
        kOut.push_back(uint8_t(0x80 | uiLiteral));
        kOut.insert(kOut.end(), kRow.begin() + long(x), kRow.begin() + long(x + uiLiteral));
        x += uiLiteral;
    }
    kOut.push_back(0);
}

}  // namespace

std::vector<uint8_t> SgiWriter::Encode(const DemoPicture& kPicture, bool bRunLength) {
    std::vector<uint8_t> kOut;
    if (!kPicture.IsValid()) return kOut;
    const uint32_t uiChannels = kPicture.m_uiChannels;
    PutU16BE(kOut, SGI_MAGIC);
    kOut.push_back(bRunLength ? 1 : 0);
    kOut.push_back(1);  // one byte per channel
    PutU16BE(kOut, uiChannels == 1 ? 2 : 3);
    PutU16BE(kOut, kPicture.m_uiWidth);
    PutU16BE(kOut, kPicture.m_uiHeight);
    PutU16BE(kOut, uiChannels);
    PutU32BE(kOut, 0);             // smallest sample
    PutU32BE(kOut, 255);           // largest sample
    kOut.resize(HEADER_BYTES, 0);  // unused bytes, name, colour-map kind 0 (normal)

    const uint32_t uiRows = kPicture.m_uiHeight * uiChannels;
    if (!bRunLength) {
        for (uint32_t c = 0; c < uiChannels; ++c)
            for (uint32_t r = 0; r < kPicture.m_uiHeight; ++r) {
                const std::vector<uint8_t> kRow = ChannelRow(kPicture, c, r);
                kOut.insert(kOut.end(), kRow.begin(), kRow.end());
            }
        return kOut;
    }

    // Offset table, then length table, both indexed by channel * height + row.
    const size_t uiStartTable = kOut.size();
    kOut.resize(kOut.size() + size_t(8) * uiRows, 0);
    for (uint32_t c = 0; c < uiChannels; ++c)
        for (uint32_t r = 0; r < kPicture.m_uiHeight; ++r) {
            const size_t uiStart = kOut.size();
            AppendRunLengthRow(kOut, ChannelRow(kPicture, c, r));
            const uint32_t uiIndex = c * kPicture.m_uiHeight + r;
            SetU32BE(kOut, uiStartTable + 4 * size_t(uiIndex), uint32_t(uiStart));
            SetU32BE(kOut, uiStartTable + 4 * (size_t(uiRows) + uiIndex),
                     uint32_t(kOut.size() - uiStart));
        }
    return kOut;
}

bool SgiWriter::Write(const char* pcPath, const DemoPicture& kPicture, bool bRunLength) {
    const std::vector<uint8_t> kBytes = Encode(kPicture, bRunLength);
    return !kBytes.empty() && DemoFile::WriteAll(pcPath, kBytes);
}
