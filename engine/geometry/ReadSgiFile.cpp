#include <cstring>
#include <vector>

#include "engine/core/EnStdioFile.h"
#include "engine/geometry/EnImageByteCursor.h"
#include "engine/geometry/EnRawImageData.h"
#include "engine/geometry/ReadImageFile.h"

namespace {

constexpr uint16_t SGI_MAGIC = 474;
constexpr uint32_t DATA_START = 512;

// Where one SGI channel goes in the result: a grey channel fills red, green and blue.
struct ChannelTarget {
    uint32_t uiChannel;
    uint32_t uiFirstByte;
    uint32_t uiByteCount;
};

// 16-bit samples are scaled to 8 bits with rounding, so 0xFFFF stays 255 and 0x8080 is 128.
uint8_t ReduceSample(uint32_t uiSample) {
    return uint8_t((uiSample + 128) / 257);
}

void PutSample(EnRawImageData* pOut, const ChannelTarget& kTarget, uint32_t uiRow, uint32_t x,
               uint8_t ucValue) {
    uint8_t* p = pOut->GetPixels() + uint64_t(uiRow) * pOut->GetRowStride() +
                 uint64_t(x) * pOut->GetPixelStride() + kTarget.uiFirstByte;
    for (uint32_t i = 0; i < kTarget.uiByteCount; ++i) p[i] = ucValue;
}

// One run-length row: packets of a count byte (bit 7 set: that many literal bytes follow; clear:
// one byte follows, repeated) until a zero count or the row's bytes end. A packet that reaches
// past the row's width or past the row's bytes makes the file unreadable.
bool DecodeRunLengthRow(const uint8_t* pSrc, uint64_t uiLength, EnRawImageData* pOut,
                        const ChannelTarget& kTarget, uint32_t uiRow) {
    const uint32_t uiWidth = pOut->GetWidth();
    uint64_t i = 0;
    uint32_t x = 0;
    while (i < uiLength) {
        const uint8_t ucCount = pSrc[i++];
        const uint32_t uiCount = ucCount & 0x7Fu;
        if (uiCount == 0) {
            if (ucCount == 0) break;
            continue;
        }
        if (uiCount > uiWidth - x) return false;
        if (ucCount & 0x80) {
            if (uiCount > uiLength - i) return false;
            for (uint32_t n = 0; n < uiCount; ++n) PutSample(pOut, kTarget, uiRow, x++, pSrc[i++]);
        } else {
            if (i >= uiLength) return false;
            const uint8_t ucValue = pSrc[i++];
            for (uint32_t n = 0; n < uiCount; ++n) PutSample(pOut, kTarget, uiRow, x++, ucValue);
        }
    }
    return true;
}

bool Decode(EnImageByteCursor& kIn, EnRawImageData* pOut) {
    uint16_t usMagic = 0, usXSize = 0, usYSize = 0, usZSize = 0;
    uint8_t ucStorage = 0, ucBytesPerChannel = 0;
    if (kIn.Size() < DATA_START) return false;
    kIn.ReadU16BE(usMagic);
    kIn.ReadU8(ucStorage);
    kIn.ReadU8(ucBytesPerChannel);
    kIn.Skip(2);  // dimension
    kIn.ReadU16BE(usXSize);
    kIn.ReadU16BE(usYSize);
    kIn.ReadU16BE(usZSize);
    if (usMagic != SGI_MAGIC) return false;
    if (ucStorage > 1) return false;
    if (ucBytesPerChannel != 1 && ucBytesPerChannel != 2) return false;
    const bool bRunLength = ucStorage == 1;
    if (bRunLength && ucBytesPerChannel != 1) return false;
    if (usXSize == 0 || usYSize == 0 || usZSize == 0) return false;

    const uint64_t uiRows = uint64_t(usYSize) * usZSize;
    const uint64_t uiDataStart = DATA_START + (bRunLength ? 8 * uiRows : 0);
    if (uiDataStart > kIn.Size()) return false;
    if (!bRunLength && uiRows * usXSize * ucBytesPerChannel > kIn.Size() - DATA_START) return false;

    const bool bAlpha = usZSize == 2 || usZSize >= 4;
    if (!pOut->Allocate(bAlpha ? EnRawImageData::FORMAT_RGBA : EnRawImageData::FORMAT_RGB, usXSize,
                        usYSize))
        return false;
    // Run-length rows that end early leave the rest of their pixels clear.
    std::memset(pOut->GetPixels(), 0, size_t(pOut->GetPixelBytes()));

    std::vector<ChannelTarget> kTargets;
    if (usZSize < 3) {
        kTargets.push_back({0, 0, 3});
    } else {
        kTargets.push_back({0, 0, 1});
        kTargets.push_back({1, 1, 1});
        kTargets.push_back({2, 2, 1});
    }
    if (usZSize == 2) kTargets.push_back({1, 3, 1});
    if (usZSize >= 4) kTargets.push_back({3, 3, 1});

    const uint8_t* pFile = kIn.Data();
    for (const ChannelTarget& kTarget : kTargets) {
        for (uint32_t r = 0; r < usYSize; ++r) {
            // SGI rows run from the bottom of the picture.
            const uint32_t uiImageRow = usYSize - 1 - r;
            const uint64_t uiTableIndex = uint64_t(kTarget.uiChannel) * usYSize + r;
            if (bRunLength) {
                EnImageByteCursor kTable(pFile, kIn.Size());
                uint32_t uiStart = 0, uiLength = 0;
                kTable.SeekTo(DATA_START + 4 * uiTableIndex);
                kTable.ReadU32BE(uiStart);
                kTable.SeekTo(DATA_START + 4 * uiRows + 4 * uiTableIndex);
                kTable.ReadU32BE(uiLength);
                if (uiStart < uiDataStart || uiStart > kIn.Size() ||
                    uiLength > kIn.Size() - uiStart)
                    return false;
                if (!DecodeRunLengthRow(pFile + uiStart, uiLength, pOut, kTarget, uiImageRow))
                    return false;
            } else {
                const uint8_t* pSrc =
                    pFile + DATA_START + uiTableIndex * usXSize * ucBytesPerChannel;
                for (uint32_t x = 0; x < usXSize; ++x) {
                    const uint8_t ucValue =
                        ucBytesPerChannel == 1
                            ? pSrc[x]
                            : ReduceSample(uint32_t(pSrc[2 * x]) << 8 | pSrc[2 * x + 1]);
                    PutSample(pOut, kTarget, uiImageRow, x, ucValue);
                }
            }
        }
    }
    return true;
}

}  // namespace

bool DecodeSgiImage(const uint8_t* pData, size_t uiSize, EnRawImageData* pOut) {
    if (!pOut || (!pData && uiSize)) return false;
    EnImageByteCursor kIn(pData, uiSize);
    return Decode(kIn, pOut);
}

bool ReadSgiFile(EnStdioFile& kFile, EnRawImageData* pOut) {
    std::vector<uint8_t> kBytes;
    if (!pOut || !ReadImageFileBytes(kFile, kBytes)) return false;
    return DecodeSgiImage(kBytes.data(), kBytes.size(), pOut);
}
