#include "engine/geometry/EnRawImageData.h"

#include <cstring>

#include "engine/core/EnStream.h"
#include "engine/core/EnViewerStrings.h"

EN_IMPLEMENT_RTTI(EnRawImageData, EnObject);
EN_IMPLEMENT_STREAM(EnRawImageData);

namespace {

constexpr uint32_t PALETTE_BYTES = EnRawImageData::PALETTE_ENTRIES * 4;

// Shifts of 32 and more are undefined in C++, so a layout that asks for them is refused rather
// than packed into garbage.
bool HasUsableShifts(const EnPixelLayout& kLayout) {
    for (int i = 0; i < 4; ++i)
        if (kLayout.m_aucShift[i] >= 32 || kLayout.m_aucLoss[i] >= 32) return false;
    return true;
}

uint32_t Pack(const EnPixelLayout& kLayout, int iChannel, uint32_t uiValue) {
    return ((uiValue >> kLayout.m_aucLoss[iChannel]) << kLayout.m_aucShift[iChannel]) &
           kLayout.Mask(iChannel);
}

uint8_t Unpack(const EnPixelLayout& kLayout, int iChannel, uint32_t uiPixel) {
    const uint32_t uiValue =
        ((uiPixel & kLayout.Mask(iChannel)) >> kLayout.m_aucShift[iChannel]) & 0xFF;
    return uint8_t(uiValue << kLayout.m_aucLoss[iChannel]);
}

uint32_t ReadPacked(const uint8_t* p, uint32_t uiBytes) {
    return uiBytes == 2 ? uint32_t(p[0] | p[1] << 8)
                        : p[0] | p[1] << 8 | p[2] << 16 | uint32_t(p[3]) << 24;
}

void WritePacked(uint8_t* p, uint32_t uiBytes, uint32_t uiPixel) {
    p[0] = uint8_t(uiPixel);
    p[1] = uint8_t(uiPixel >> 8);
    if (uiBytes == 4) {
        p[2] = uint8_t(uiPixel >> 16);
        p[3] = uint8_t(uiPixel >> 24);
    }
}

const char* FormatName(uint32_t eFormat) {
    switch (eFormat) {
        case EnRawImageData::FORMAT_PALETTIZED:
            return "FORMAT_PALETTIZED";
        case EnRawImageData::FORMAT_RGB:
            return "FORMAT_RGB";
        case EnRawImageData::FORMAT_RGBA:
            return "FORMAT_RGBA";
        default:
            return "";
    }
}

}  // namespace

EnRawImageData::EnRawImageData() = default;

EnRawImageData::EnRawImageData(uint32_t eFormat, uint32_t uiWidth, uint32_t uiHeight) {
    Allocate(eFormat, uiWidth, uiHeight);
}

EnRawImageData::~EnRawImageData() = default;

uint32_t EnRawImageData::PixelStrideOf(uint32_t eFormat) {
    switch (eFormat) {
        case FORMAT_PALETTIZED:
            return 1;
        case FORMAT_RGB:
            return 3;
        case FORMAT_RGBA:
            return 4;
        default:
            return 0;
    }
}

void EnRawImageData::FreeArrays() {
    m_pPal.reset();
    m_pData.reset();
}

bool EnRawImageData::Allocate(uint32_t eFormat, uint32_t uiWidth, uint32_t uiHeight) {
    const uint32_t uiPixelStride = PixelStrideOf(eFormat);
    if (uiPixelStride == 0) return false;
    // Same description with its arrays in place: the pixels stay.
    if (eFormat == m_eFormat && uiWidth == m_uiWidth && uiHeight == m_uiHeight && m_pData &&
        (eFormat != FORMAT_PALETTIZED || m_pPal))
        return true;
    const uint64_t uiBytes = uint64_t(uiWidth) * uiHeight * uiPixelStride;
    if (uiBytes > MAX_PIXEL_BYTES) return false;

    // Blocks come from the program's operator new, which does not come back empty-handed; the
    // checks below only matter under an allocator that may.
    FreeArrays();
    m_eFormat = eFormat;
    m_uiWidth = m_uiHeight = m_uiRowStride = 0;
    m_uiPixelStride = uiPixelStride;
    if (eFormat == FORMAT_PALETTIZED) {
        m_pPal.reset(new uint8_t[PALETTE_BYTES]());
        if (!m_pPal) return false;
    }
    m_pData.reset(new uint8_t[size_t(uiBytes)]());
    if (!m_pData) {
        m_pPal.reset();
        return false;
    }
    m_uiWidth = uiWidth;
    m_uiHeight = uiHeight;
    m_uiRowStride = uiWidth * uiPixelStride;
    return true;
}

bool EnRawImageData::ConvertFrom(const EnPixelLayout& kLayout, uint32_t uiPitch, uint32_t uiWidth,
                                 uint32_t uiHeight, const uint8_t* pSource) {
    const uint32_t uiBytes = kLayout.m_ucBitsPerPixel / 8u;
    if (kLayout.m_ucBitsPerPixel % 8 || uiBytes == 0 || uiBytes > 4) return false;
    if (uint64_t(uiWidth) * uiBytes > uiPitch) return false;
    if (!pSource && uiWidth && uiHeight) return false;

    switch (kLayout.m_ucBitsPerPixel) {
        case 8:
            if (!kLayout.m_ucPalettized) return false;
            if (!Allocate(FORMAT_PALETTIZED, uiWidth, uiHeight)) return false;
            for (uint32_t y = 0; y < uiHeight; ++y)
                std::memcpy(m_pData.get() + uint64_t(y) * m_uiRowStride,
                            pSource + uint64_t(y) * uiPitch, uiWidth);
            return true;

        case 16:
        case 32: {
            if (kLayout.m_ucPalettized || !HasUsableShifts(kLayout)) return false;
            const bool bAlpha = kLayout.m_uiAlphaMask != 0;
            if (!Allocate(bAlpha ? FORMAT_RGBA : FORMAT_RGB, uiWidth, uiHeight)) return false;
            for (uint32_t y = 0; y < uiHeight; ++y) {
                const uint8_t* pSrc = pSource + uint64_t(y) * uiPitch;
                uint8_t* pDest = m_pData.get() + uint64_t(y) * m_uiRowStride;
                for (uint32_t x = 0; x < uiWidth; ++x, pSrc += uiBytes, pDest += m_uiPixelStride) {
                    const uint32_t uiPixel = ReadPacked(pSrc, uiBytes);
                    for (int c = 0; c < (bAlpha ? 4 : 3); ++c)
                        pDest[c] = Unpack(kLayout, c, uiPixel);
                }
            }
            return true;
        }

        case 24: {
            // Only the two byte orders of 24-bit surfaces exist; anything else is refused before
            // the image is touched.
            if (kLayout.m_ucPalettized || kLayout.m_uiAlphaMask) return false;
            if (kLayout.m_uiGreenMask != 0xFF00) return false;
            const bool bSameOrder = kLayout.m_uiRedMask == 0xFF;
            if (!bSameOrder && kLayout.m_uiRedMask != 0xFF0000) return false;
            if (!Allocate(FORMAT_RGB, uiWidth, uiHeight)) return false;
            for (uint32_t y = 0; y < uiHeight; ++y) {
                const uint8_t* pSrc = pSource + uint64_t(y) * uiPitch;
                uint8_t* pDest = m_pData.get() + uint64_t(y) * m_uiRowStride;
                if (bSameOrder) {
                    std::memcpy(pDest, pSrc, m_uiRowStride);
                    continue;
                }
                for (uint32_t x = 0; x < uiWidth; ++x, pSrc += 3, pDest += 3) {
                    pDest[0] = pSrc[2];
                    pDest[1] = pSrc[1];
                    pDest[2] = pSrc[0];
                }
            }
            return true;
        }

        default:
            return false;
    }
}

bool EnRawImageData::ConvertTo(const EnPixelLayout& kLayout, uint32_t uiPitch,
                               uint8_t* pDest) const {
    // A depth or format the table has no entry for is a conversion that cannot be done: it is
    // refused, not reported as done with nothing written.
    if (PixelStrideOf(m_eFormat) == 0) return false;
    const uint32_t uiBytes = kLayout.m_ucBitsPerPixel / 8u;
    const bool bKnownDepth = kLayout.m_ucBitsPerPixel == 8 || kLayout.m_ucBitsPerPixel == 16 ||
                             kLayout.m_ucBitsPerPixel == 24 || kLayout.m_ucBitsPerPixel == 32;
    if (!bKnownDepth) return false;
    if (!HasPixels() || (m_eFormat == FORMAT_PALETTIZED && !m_pPal)) return false;
    if (!pDest && m_uiWidth && m_uiHeight) return false;
    if (uint64_t(m_uiWidth) * uiBytes > uiPitch) return false;

    const uint8_t* pPal = m_pPal.get();
    switch (kLayout.m_ucBitsPerPixel) {
        case 8:
            if (m_eFormat != FORMAT_PALETTIZED || !kLayout.m_ucPalettized) return false;
            for (uint32_t y = 0; y < m_uiHeight; ++y)
                std::memcpy(pDest + uint64_t(y) * uiPitch,
                            m_pData.get() + uint64_t(y) * m_uiRowStride, m_uiWidth);
            return true;

        case 16:
        case 32: {
            if (!HasUsableShifts(kLayout)) return false;
            const uint32_t uiAlphaPart = Pack(kLayout, EnPixelLayout::ALPHA, 255);
            uint32_t auiTable[PALETTE_ENTRIES] = {};
            if (m_eFormat == FORMAT_PALETTIZED) {
                // Index 0 is the transparent colour of palettized art: every bit clear,
                // whatever the palette holds there.
                for (uint32_t i = 1; i < PALETTE_ENTRIES; ++i)
                    auiTable[i] = Pack(kLayout, EnPixelLayout::RED, pPal[4 * i]) |
                                  Pack(kLayout, EnPixelLayout::GREEN, pPal[4 * i + 1]) |
                                  Pack(kLayout, EnPixelLayout::BLUE, pPal[4 * i + 2]) | uiAlphaPart;
            }
            for (uint32_t y = 0; y < m_uiHeight; ++y) {
                const uint8_t* pSrc = m_pData.get() + uint64_t(y) * m_uiRowStride;
                uint8_t* pOut = pDest + uint64_t(y) * uiPitch;
                for (uint32_t x = 0; x < m_uiWidth; ++x, pSrc += m_uiPixelStride, pOut += uiBytes) {
                    uint32_t uiPixel;
                    if (m_eFormat == FORMAT_PALETTIZED) {
                        uiPixel = auiTable[pSrc[0]];
                    } else {
                        uiPixel = Pack(kLayout, EnPixelLayout::RED, pSrc[0]) |
                                  Pack(kLayout, EnPixelLayout::GREEN, pSrc[1]) |
                                  Pack(kLayout, EnPixelLayout::BLUE, pSrc[2]);
                        uiPixel |= m_eFormat == FORMAT_RGBA
                                       ? Pack(kLayout, EnPixelLayout::ALPHA, pSrc[3])
                                       : uiAlphaPart;
                    }
                    WritePacked(pOut, uiBytes, uiPixel);
                }
            }
            return true;
        }

        default: {  // 24 bits
            if (kLayout.m_uiGreenMask != 0xFF00) return false;
            const bool bSameOrder = kLayout.m_uiRedMask == 0xFF;
            if (!bSameOrder && kLayout.m_uiRedMask != 0xFF0000) return false;
            for (uint32_t y = 0; y < m_uiHeight; ++y) {
                const uint8_t* pSrc = m_pData.get() + uint64_t(y) * m_uiRowStride;
                uint8_t* pOut = pDest + uint64_t(y) * uiPitch;
                if (m_eFormat == FORMAT_RGB && bSameOrder) {
                    std::memcpy(pOut, pSrc, m_uiRowStride);
                    continue;
                }
                for (uint32_t x = 0; x < m_uiWidth; ++x, pSrc += m_uiPixelStride, pOut += 3) {
                    const uint8_t* pRgb =
                        m_eFormat == FORMAT_PALETTIZED ? pPal + 4 * pSrc[0] : pSrc;
                    pOut[0] = bSameOrder ? pRgb[0] : pRgb[2];
                    pOut[1] = pRgb[1];
                    pOut[2] = bSameOrder ? pRgb[2] : pRgb[0];
                }
            }
            return true;
        }
    }
}

bool EnRawImageData::Downsample(const EnRawImageData* pSource) {
    if (!pSource) return false;
    const bool bFromPalette = pSource->m_eFormat == FORMAT_PALETTIZED;
    if (bFromPalette ? m_eFormat != FORMAT_RGB : pSource->m_eFormat != m_eFormat) return false;
    if (uint64_t(pSource->m_uiWidth) != 2 * uint64_t(m_uiWidth) ||
        uint64_t(pSource->m_uiHeight) != 2 * uint64_t(m_uiHeight))
        return false;
    if (!HasPixels() || !pSource->HasPixels() || (bFromPalette && !pSource->m_pPal)) return false;

    const uint32_t uiChannels = m_uiPixelStride;
    const uint32_t uiSrcStride = pSource->m_uiPixelStride;
    for (uint32_t y = 0; y < m_uiHeight; ++y) {
        const uint8_t* pRow0 = pSource->m_pData.get() + uint64_t(2 * y) * pSource->m_uiRowStride;
        const uint8_t* pRow1 = pRow0 + pSource->m_uiRowStride;
        uint8_t* pDest = m_pData.get() + uint64_t(y) * m_uiRowStride;
        for (uint32_t x = 0; x < m_uiWidth; ++x, pDest += uiChannels) {
            const uint8_t* apQuad[4] = {
                pRow0 + 2 * x * uiSrcStride, pRow0 + (2 * x + 1) * uiSrcStride,
                pRow1 + 2 * x * uiSrcStride, pRow1 + (2 * x + 1) * uiSrcStride};
            if (bFromPalette)
                for (const uint8_t*& p : apQuad) p = pSource->m_pPal.get() + 4 * p[0];
            for (uint32_t c = 0; c < uiChannels; ++c)
                pDest[c] =
                    uint8_t((apQuad[0][c] + apQuad[1][c] + apQuad[2][c] + apQuad[3][c]) >> 2);
        }
    }
    return true;
}

bool EnRawImageData::Shrink(uint32_t uiWidth, uint32_t uiHeight) {
    if (uint64_t(uiWidth) * uiHeight > uint64_t(m_uiWidth) * m_uiHeight) return false;
    m_uiWidth = uiWidth;
    m_uiHeight = uiHeight;
    m_uiRowStride = uiWidth * m_uiPixelStride;
    return true;
}

void EnRawImageData::TakeContents(EnRawImageData& kOther) {
    if (&kOther == this) return;
    FreeArrays();
    m_eFormat = kOther.m_eFormat;
    m_uiWidth = kOther.m_uiWidth;
    m_uiHeight = kOther.m_uiHeight;
    m_uiPixelStride = kOther.m_uiPixelStride;
    m_uiRowStride = kOther.m_uiRowStride;
    m_pPal = std::move(kOther.m_pPal);
    m_pData = std::move(kOther.m_pData);
}

EnObject* EnRawImageData::CloneObject() {
    return this;
}

void EnRawImageData::LoadFromStream(EnStream& kStream) {
    EnObject::LoadFromStream(kStream);
    uint32_t uiWidth = 0, uiHeight = 0, eFormat = 0;
    if (!kStream.ReadU32(uiWidth) || !kStream.ReadU32(uiHeight) || !kStream.ReadU32(eFormat))
        return;
    const uint32_t uiPixelStride = PixelStrideOf(eFormat);
    if (uiPixelStride == 0) {
        kStream.MarkRecordInvalid();
        return;
    }
    const uint64_t uiBytes = uint64_t(uiWidth) * uiHeight * uiPixelStride +
                             (eFormat == FORMAT_PALETTIZED ? PALETTE_BYTES : 0);
    if (!kStream.CheckCount(uiBytes, 1)) return;
    if (!Allocate(eFormat, uiWidth, uiHeight)) {
        kStream.MarkRecordInvalid();
        return;
    }
    if (m_pPal && !kStream.ReadBytes(m_pPal.get(), PALETTE_BYTES)) return;
    kStream.ReadBytes(m_pData.get(), uint32_t(GetPixelBytes()));
}

void EnRawImageData::SaveToStream(EnStream& kStream) {
    EnObject::SaveToStream(kStream);
    // An image whose arrays were handed to another is written as an empty one, so the record
    // never promises bytes it does not hold.
    const bool bPixels = m_pData && (m_eFormat != FORMAT_PALETTIZED || m_pPal);
    kStream.WriteU32(bPixels ? m_uiWidth : 0);
    kStream.WriteU32(bPixels ? m_uiHeight : 0);
    kStream.WriteU32(m_eFormat);
    if (m_eFormat == FORMAT_PALETTIZED) {
        if (m_pPal) {
            kStream.WriteBytes(m_pPal.get(), PALETTE_BYTES);
        } else {
            const uint8_t aucEmpty[PALETTE_BYTES] = {};
            kStream.WriteBytes(aucEmpty, PALETTE_BYTES);
        }
    }
    if (bPixels) kStream.WriteBytes(m_pData.get(), uint32_t(GetPixelBytes()));
}

bool EnRawImageData::EqualsObject(const EnObject* pObject) const {
    if (!EnObject::EqualsObject(pObject)) return false;
    const auto* pOther = static_cast<const EnRawImageData*>(pObject);
    if (m_uiWidth != pOther->m_uiWidth || m_uiHeight != pOther->m_uiHeight ||
        m_eFormat != pOther->m_eFormat)
        return false;
    if (m_eFormat == FORMAT_PALETTIZED) {
        if (!m_pPal != !pOther->m_pPal) return false;
        if (m_pPal && std::memcmp(m_pPal.get(), pOther->m_pPal.get(), PALETTE_BYTES) != 0)
            return false;
    }
    if (GetPixelBytes() != pOther->GetPixelBytes() || !m_pData != !pOther->m_pData) return false;
    return !m_pData ||
           std::memcmp(m_pData.get(), pOther->m_pData.get(), size_t(GetPixelBytes())) == 0;
}

void EnRawImageData::AppendMemberStrings(EnTArray<char*>& kStrings) const {
    EnObject::AppendMemberStrings(kStrings);
    kStrings.Add(MakeViewerTitle("EnRawImageData"));
    kStrings.Add(MakeViewerString("m_eFormat", FormatName(m_eFormat)));
    kStrings.Add(MakeViewerUInt("m_uiWidth", m_uiWidth));
    kStrings.Add(MakeViewerUInt("m_uiHeight", m_uiHeight));
    kStrings.Add(MakeViewerUInt("m_uiPixelStride", m_uiPixelStride));
    kStrings.Add(MakeViewerUInt("m_uiRowStride", m_uiRowStride));
    kStrings.Add(MakeViewerPointer("m_pPal", m_pPal.get()));
    kStrings.Add(MakeViewerPointer("m_pData", m_pData.get()));
}
