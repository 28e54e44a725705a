#include <cstdlib>
#include <cstring>
#include <vector>

#include "engine/core/EnStdioFile.h"
#include "engine/geometry/EnImageByteCursor.h"
#include "engine/geometry/EnRawImageData.h"
#include "engine/geometry/ReadImageFile.h"

namespace {

constexpr uint16_t BITMAP_MAGIC = 0x4D42;  // "BM"
constexpr uint32_t FILE_HEADER_BYTES = 14;
constexpr uint32_t INFO_HEADER_BYTES = 40;
constexpr uint32_t COMPRESSION_NONE = 0;
constexpr uint32_t COMPRESSION_BITFIELDS = 3;

bool Decode(EnImageByteCursor& kIn, EnRawImageData* pOut) {
    uint16_t usMagic = 0, usBits = 0;
    uint32_t uiDataOffset = 0, uiInfoSize = 0, uiCompression = 0, uiColoursUsed = 0;
    int32_t iWidth = 0, iHeight = 0;
    if (kIn.Left() < FILE_HEADER_BYTES + INFO_HEADER_BYTES) return false;
    kIn.ReadU16LE(usMagic);
    kIn.Skip(4 + 4);  // file size, reserved
    kIn.ReadU32LE(uiDataOffset);
    kIn.ReadU32LE(uiInfoSize);
    kIn.ReadI32LE(iWidth);
    kIn.ReadI32LE(iHeight);
    kIn.Skip(2);  // planes
    kIn.ReadU16LE(usBits);
    kIn.ReadU32LE(uiCompression);
    kIn.Skip(4 + 4 + 4);  // image size, resolution
    kIn.ReadU32LE(uiColoursUsed);
    kIn.Skip(4);  // important colours
    if (usMagic != BITMAP_MAGIC) return false;
    // Older, shorter headers lay their fields out differently; longer ones only add fields
    // after the 40 bytes read here.
    if (uiInfoSize < INFO_HEADER_BYTES) return false;
    if (!kIn.Skip(uiInfoSize - INFO_HEADER_BYTES)) return false;

    uint32_t eFormat;
    switch (usBits) {
        case 4:
        case 8:
            eFormat = EnRawImageData::FORMAT_PALETTIZED;
            break;
        case 24:
            eFormat = EnRawImageData::FORMAT_RGB;
            break;
        case 32:
            eFormat = EnRawImageData::FORMAT_RGBA;
            break;
        default:
            return false;
    }
    // Rows are only ever read uncompressed, so compressed files are refused rather than shown
    // as noise. 32-bit files may name their channel masks, as long as those are the usual
    // blue, green, red byte order the rows are read in.
    if (uiCompression == COMPRESSION_BITFIELDS && usBits == 32) {
        EnImageByteCursor kMasks(kIn.Data(), kIn.Size());
        uint32_t uiRed = 0, uiGreen = 0, uiBlue = 0;
        if (!kMasks.SeekTo(FILE_HEADER_BYTES + INFO_HEADER_BYTES) || !kMasks.ReadU32LE(uiRed) ||
            !kMasks.ReadU32LE(uiGreen) || !kMasks.ReadU32LE(uiBlue))
            return false;
        if (uiRed != 0x00FF0000 || uiGreen != 0x0000FF00 || uiBlue != 0x000000FF) return false;
    } else if (uiCompression != COMPRESSION_NONE) {
        return false;
    }

    if (iWidth <= 0 || iHeight == 0) return false;
    const bool bTopFirst = iHeight < 0;
    const uint64_t uiWidth = uint64_t(iWidth);
    const uint64_t uiHeight = uint64_t(std::llabs(int64_t(iHeight)));

    uint64_t uiColours = uiColoursUsed;
    if (uiColours == 0 && eFormat == EnRawImageData::FORMAT_PALETTIZED) uiColours = 1u << usBits;
    if (eFormat == EnRawImageData::FORMAT_PALETTIZED && uiColours > EnRawImageData::PALETTE_ENTRIES)
        return false;
    if (uiColours * 4 > kIn.Left()) return false;
    const uint64_t uiTableEnd = kIn.Position() + uiColours * 4;
    if (uiDataOffset != 0 && uiDataOffset < uiTableEnd) return false;

    const uint64_t uiStoredStride = (usBits * uiWidth + 31) / 32 * 4;
    const uint64_t uiStoredRowBytes = (usBits * uiWidth + 7) / 8;
    const uint64_t uiDataStart = uiDataOffset ? uiDataOffset : uiTableEnd;
    if (uiDataStart > kIn.Size()) return false;
    const uint64_t uiAvailable = kIn.Size() - uiDataStart;
    if (uiStoredRowBytes > uiAvailable ||
        uiHeight - 1 > (uiAvailable - uiStoredRowBytes) / uiStoredStride)
        return false;

    if (!pOut->Allocate(eFormat, uint32_t(uiWidth), uint32_t(uiHeight))) return false;

    if (eFormat == EnRawImageData::FORMAT_PALETTIZED) {
        uint8_t* pPal = pOut->GetPalette();
        for (uint64_t i = 0; i < uiColours; ++i, pPal += 4) {
            kIn.ReadBytes(pPal, 4);
            const uint8_t ucBlue = pPal[0];
            pPal[0] = pPal[2];
            pPal[2] = ucBlue;
        }
    }
    kIn.SeekTo(uiDataStart);

    const uint32_t uiRowStride = pOut->GetRowStride();
    const uint8_t* pRows = kIn.Data() + uiDataStart;
    for (uint64_t n = 0; n < uiHeight; ++n) {
        const uint8_t* pSrc = pRows + n * uiStoredStride;
        const uint64_t uiImageRow = bTopFirst ? n : uiHeight - 1 - n;
        uint8_t* pDest = pOut->GetPixels() + uiImageRow * uiRowStride;
        if (usBits == 4) {
            for (uint64_t x = 0; x < uiWidth; ++x)
                pDest[x] = (x & 1) ? pSrc[x / 2] & 0x0F : pSrc[x / 2] >> 4;
        } else {
            std::memcpy(pDest, pSrc, uiRowStride);
        }
    }

    if (eFormat != EnRawImageData::FORMAT_PALETTIZED) {
        const uint32_t uiPixelStride = pOut->GetPixelStride();
        uint8_t* p = pOut->GetPixels();
        for (uint64_t i = 0; i < uiWidth * uiHeight; ++i, p += uiPixelStride) {
            const uint8_t ucBlue = p[0];
            p[0] = p[2];
            p[2] = ucBlue;
        }
    }
    return true;
}

}  // namespace

bool DecodeBitmapImage(const uint8_t* pData, size_t uiSize, EnRawImageData* pOut) {
    if (!pOut || (!pData && uiSize)) return false;
    EnImageByteCursor kIn(pData, uiSize);
    return Decode(kIn, pOut);
}

bool ReadBitmapFile(EnStdioFile& kFile, EnRawImageData* pOut) {
    std::vector<uint8_t> kBytes;
    if (!pOut || !ReadImageFileBytes(kFile, kBytes)) return false;
    return DecodeBitmapImage(kBytes.data(), kBytes.size(), pOut);
}
