#include <vector>

#include "engine/core/EnStdioFile.h"
#include "engine/geometry/EnImageByteCursor.h"
#include "engine/geometry/EnRawImageData.h"
#include "engine/geometry/ReadImageFile.h"

namespace {

// Colour-map entries are kept at their own index in a table of this size; a map that reaches
// entry 16,383 or beyond is refused.
constexpr uint32_t COLOUR_MAP_ENTRIES = 16384;
constexpr uint32_t COLOUR_MAP_END_LIMIT = 16383;
constexpr uint32_t HEADER_BYTES = 18;

enum ImageClass { CLASS_MAPPED, CLASS_TRUE_COLOUR, CLASS_GREY };

struct Rgba {
    uint8_t r = 0, g = 0, b = 0, a = 255;
};

bool IsKnownDepth(uint8_t ucDepth) {
    return ucDepth == 8 || ucDepth == 15 || ucDepth == 16 || ucDepth == 24 || ucDepth == 32;
}

uint32_t BytesOfDepth(uint8_t ucDepth) {
    return (uint32_t(ucDepth) + 7) / 8;
}

// Colours of one stored value, shared by pixels and colour-map entries: 8 bits are a grey level,
// 15 and 16 bits five bits per channel (the top bit is not alpha), 24 and 32 bits blue, green,
// red and alpha bytes.
Rgba ColourOf(const uint8_t* b, uint8_t ucDepth) {
    Rgba c;
    switch (ucDepth) {
        case 8:
            c.r = c.g = c.b = b[0];
            break;
        case 15:
        case 16: {
            uint32_t v = b[0] | b[1] << 8;
            c.r = uint8_t(((v >> 10) & 0x1F) << 3);
            c.g = uint8_t(((v >> 5) & 0x1F) << 3);
            c.b = uint8_t((v & 0x1F) << 3);
            break;
        }
        case 24:
            c.r = b[2];
            c.g = b[1];
            c.b = b[0];
            break;
        default:
            c.r = b[2];
            c.g = b[1];
            c.b = b[0];
            c.a = b[3];
            break;
    }
    return c;
}

class TargaDecoder {
public:
    explicit TargaDecoder(EnImageByteCursor& kIn) : m_kIn(kIn) {}

    bool Decode(EnRawImageData* pOut) {
        uint8_t ucIdLength = 0, ucMapType = 0, ucImageType = 0, ucMapEntryBits = 0,
                ucDescriptor = 0;
        uint16_t usMapFirst = 0, usMapLength = 0, usWidth = 0, usHeight = 0;
        if (m_kIn.Left() < HEADER_BYTES) return false;
        m_kIn.ReadU8(ucIdLength);
        m_kIn.ReadU8(ucMapType);
        m_kIn.ReadU8(ucImageType);
        m_kIn.ReadU16LE(usMapFirst);
        m_kIn.ReadU16LE(usMapLength);
        m_kIn.ReadU8(ucMapEntryBits);
        m_kIn.Skip(4);  // x and y origin
        m_kIn.ReadU16LE(usWidth);
        m_kIn.ReadU16LE(usHeight);
        m_kIn.ReadU8(m_ucDepth);
        m_kIn.ReadU8(ucDescriptor);
        if (!m_kIn.Skip(ucIdLength)) return false;

        switch (ucImageType) {
            case 1:
            case 9:
                m_eClass = CLASS_MAPPED;
                break;
            case 2:
            case 10:
                m_eClass = CLASS_TRUE_COLOUR;
                break;
            case 3:
            case 11:
                m_eClass = CLASS_GREY;
                break;
            default:
                return false;
        }
        m_bRunLength = ucImageType >= 9;
        m_uiMapFirst = usMapFirst;
        m_uiMapEnd = uint32_t(usMapFirst) + usMapLength;
        if (m_uiMapEnd >= COLOUR_MAP_END_LIMIT) return false;
        if (m_eClass == CLASS_MAPPED && (ucMapType != 1 || !IsKnownDepth(ucMapEntryBits)))
            return false;
        // Mapped pixels are indices of 8 or 16 bits; wider ones are read and give index 0.
        if (!IsKnownDepth(m_ucDepth)) return false;
        if (usWidth == 0 || usHeight == 0) return false;

        const bool bAlpha = m_eClass == CLASS_MAPPED ? ucMapEntryBits == 32 : m_ucDepth == 32;

        // A map on an image that does not use it is passed over.
        if (ucMapType == 1 && m_eClass != CLASS_MAPPED) {
            if (!m_kIn.Skip(uint64_t(usMapLength) * BytesOfDepth(ucMapEntryBits))) return false;
        } else if (m_eClass == CLASS_MAPPED) {
            const uint32_t uiEntryBytes = BytesOfDepth(ucMapEntryBits);
            if (uint64_t(usMapLength) * uiEntryBytes > m_kIn.Left()) return false;
            m_kMap.resize(COLOUR_MAP_ENTRIES);
            uint8_t b[4] = {};
            for (uint32_t i = m_uiMapFirst; i < m_uiMapEnd; ++i) {
                m_kIn.ReadBytes(b, uiEntryBytes);
                m_kMap[i] = ColourOf(b, ucMapEntryBits);
            }
        }

        // Refuse sizes the rest of the file cannot hold before asking for memory: a raw image
        // needs every pixel, a run-length one at least a packet per 128 pixels.
        const uint64_t uiPixels = uint64_t(usWidth) * usHeight;
        m_uiValueBytes = BytesOfDepth(m_ucDepth);
        if (m_bRunLength) {
            if (uiPixels > uint64_t(m_kIn.Left()) / (1 + m_uiValueBytes) * 128) return false;
        } else if (uiPixels * m_uiValueBytes > m_kIn.Left()) {
            return false;
        }

        const uint32_t eFormat = bAlpha ? EnRawImageData::FORMAT_RGBA : EnRawImageData::FORMAT_RGB;
        if (!pOut->Allocate(eFormat, usWidth, usHeight)) return false;

        const bool bTopFirst = (ucDescriptor & 0x20) != 0;
        const uint32_t uiInterleave = ucDescriptor >> 6;
        const uint32_t uiStep = uiInterleave == 1 ? 2 : uiInterleave == 2 ? 4 : 1;
        const uint32_t uiPixelStride = pOut->GetPixelStride();
        uint32_t uiRow = 0, uiPass = 0;
        for (uint32_t n = 0; n < usHeight; ++n) {
            const uint32_t uiImageRow = bTopFirst ? uiRow : usHeight - 1 - uiRow;
            uint8_t* pDest = pOut->GetPixels() + uint64_t(uiImageRow) * pOut->GetRowStride();
            for (uint32_t x = 0; x < usWidth; ++x, pDest += uiPixelStride) {
                Rgba c;
                if (!NextPixel(c)) return false;
                pDest[0] = c.r;
                pDest[1] = c.g;
                pDest[2] = c.b;
                if (bAlpha) pDest[3] = c.a;
            }
            uiRow += uiStep;
            if (uiRow >= usHeight) uiRow = ++uiPass;
        }
        return true;
    }

private:
    bool ReadPixel(Rgba& c) {
        uint8_t b[4] = {};
        if (!m_kIn.ReadBytes(b, m_uiValueBytes)) return false;
        switch (m_eClass) {
            case CLASS_GREY:
                // A grey pixel wider than a byte takes its level from its first stored byte.
                c.r = c.g = c.b = b[0];
                c.a = m_ucDepth == 32 ? b[3] : 255;
                return true;
            case CLASS_TRUE_COLOUR:
                c = ColourOf(b, m_ucDepth);
                return true;
            case CLASS_MAPPED: {
                uint32_t uiIndex = 0;
                if (m_ucDepth == 8)
                    uiIndex = b[0];
                else if (m_ucDepth <= 16)
                    uiIndex = b[0] | b[1] << 8;
                if (uiIndex < m_uiMapFirst || uiIndex >= m_uiMapEnd) return false;
                c = m_kMap[uiIndex];
                return true;
            }
        }
        return false;
    }

    bool NextPixel(Rgba& c) {
        if (!m_bRunLength) return ReadPixel(c);
        if (m_uiPacketLeft == 0) {
            uint8_t ucPacket = 0;
            if (!m_kIn.ReadU8(ucPacket)) return false;
            m_uiPacketLeft = (ucPacket & 0x7Fu) + 1;
            m_bRunPacket = (ucPacket & 0x80) != 0;
            if (m_bRunPacket && !ReadPixel(m_kRunPixel)) return false;
        }
        --m_uiPacketLeft;
        if (m_bRunPacket) {
            c = m_kRunPixel;
            return true;
        }
        return ReadPixel(c);
    }

    EnImageByteCursor& m_kIn;
    ImageClass m_eClass = CLASS_TRUE_COLOUR;
    bool m_bRunLength = false;
    uint8_t m_ucDepth = 0;
    uint32_t m_uiValueBytes = 1;
    uint32_t m_uiMapFirst = 0;
    uint32_t m_uiMapEnd = 0;
    std::vector<Rgba> m_kMap;
    // Packets run on across row ends, but never from one image into the next.
    uint32_t m_uiPacketLeft = 0;
    bool m_bRunPacket = false;
    Rgba m_kRunPixel;
};

}  // namespace

bool DecodeTargaImage(const uint8_t* pData, size_t uiSize, EnRawImageData* pOut) {
    if (!pOut || (!pData && uiSize)) return false;
    EnImageByteCursor kIn(pData, uiSize);
    TargaDecoder kDecoder(kIn);
    return kDecoder.Decode(pOut);
}

bool ReadTargaFile(EnStdioFile& kFile, EnRawImageData* pOut) {
    std::vector<uint8_t> kBytes;
    if (!pOut || !ReadImageFileBytes(kFile, kBytes)) return false;
    return DecodeTargaImage(kBytes.data(), kBytes.size(), pOut);
}
