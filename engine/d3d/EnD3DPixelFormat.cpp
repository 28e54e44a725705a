#include "engine/d3d/EnD3DPixelFormat.h"

#include <memory>
#include <vector>

namespace {

// The shared table. Slot 0 stays empty so that index 0 can mean "unregistered"; entries live
// until the program ends.
std::vector<std::unique_ptr<EnD3DPixelFormat>>& Table() {
    static std::vector<std::unique_ptr<EnD3DPixelFormat>> s_kTable;
    return s_kTable;
}

}  // namespace

EnD3DPixelFormat::EnD3DPixelFormat() {
    m_ucPalettized = 1;
    for (uint8_t& uc : m_aucBits) uc = 8;
}

EnD3DPixelFormat EnD3DPixelFormat::FromPixelFormat(const plat::gfx::PixelFormat& kFormat) {
    using namespace plat::gfx;
    EnD3DPixelFormat kResult;
    if (kFormat.flags & PixelFormatBits::PaletteIndexed8) {
        kResult.m_ucPalettized = 1;
        kResult.m_ucBitsPerPixel = uint8_t(kFormat.rgbBitCount);
        for (int i = 0; i < 4; i++) {
            kResult.m_aucBits[i] = 0;
            kResult.m_aucShift[i] = 0;
            kResult.m_aucLoss[i] = 8;
        }
        return kResult;
    }
    const uint32_t uiAlpha = (kFormat.flags & PixelFormatBits::AlphaPixels) ? kFormat.aMask : 0;
    EnPixelLayout kLayout = EnPixelLayout::FromMasks(uint8_t(kFormat.rgbBitCount), kFormat.rMask,
                                                     kFormat.gMask, kFormat.bMask, uiAlpha);
    static_cast<EnPixelLayout&>(kResult) = kLayout;
    kResult.m_ucPalettized = 0;
    return kResult;
}

plat::gfx::PixelFormat EnD3DPixelFormat::ToPixelFormat() const {
    using namespace plat::gfx;
    PixelFormat kFormat;
    kFormat.flags = PixelFormatBits::Rgb;
    if (m_ucPalettized) {
        kFormat.flags |= PixelFormatBits::PaletteIndexed8;
        kFormat.rgbBitCount = 8;
        return kFormat;
    }
    kFormat.rgbBitCount = m_ucBitsPerPixel;
    kFormat.rMask = m_uiRedMask;
    kFormat.gMask = m_uiGreenMask;
    kFormat.bMask = m_uiBlueMask;
    kFormat.aMask = m_uiAlphaMask;
    if (m_uiAlphaMask) kFormat.flags |= PixelFormatBits::AlphaPixels;
    return kFormat;
}

bool EnD3DPixelFormat::SameChannels(const EnD3DPixelFormat& kOther) const {
    if (m_ucPalettized && kOther.m_ucPalettized) return true;
    return m_uiRedMask == kOther.m_uiRedMask && m_uiGreenMask == kOther.m_uiGreenMask &&
           m_uiBlueMask == kOther.m_uiBlueMask && m_uiAlphaMask == kOther.m_uiAlphaMask;
}

uint32_t EnD3DPixelFormat::GetIndex() {
    if (m_uiIndex != 0) return m_uiIndex;
    auto& kTable = Table();
    for (uint32_t i = 1; i < kTable.size(); i++) {
        if (kTable[i] && kTable[i]->SameChannels(*this)) {
            m_uiIndex = i;
            return i;
        }
    }
    const uint32_t uiIndex = kTable.empty() ? 1 : uint32_t(kTable.size());
    kTable.resize(uiIndex + 1);
    m_uiIndex = uiIndex;
    kTable[uiIndex] = std::make_unique<EnD3DPixelFormat>(*this);
    return uiIndex;
}

const EnD3DPixelFormat* EnD3DPixelFormat::GetTableEntry(uint32_t uiIndex) {
    auto& kTable = Table();
    return uiIndex < kTable.size() ? kTable[uiIndex].get() : nullptr;
}

uint32_t EnD3DPixelFormat::GetTableSize() {
    auto& kTable = Table();
    return kTable.empty() ? 1 : uint32_t(kTable.size());
}
