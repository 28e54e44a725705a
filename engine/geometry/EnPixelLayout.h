#pragma once
#include <cstdint>

// Describes the packed pixels of another surface (a renderer surface, a drawn bitmap) so that raw
// image data can be converted into or out of it. Losses and shifts are what the conversions use;
// the bit counts are informative.
struct EnPixelLayout {
    enum Channel { RED = 0, GREEN = 1, BLUE = 2, ALPHA = 3 };

    uint8_t m_ucPalettized = 0;    // the surface holds 8-bit palette indices
    uint8_t m_ucBitsPerPixel = 0;  // 8, 16, 24 or 32
    uint32_t m_uiRedMask = 0;
    uint32_t m_uiGreenMask = 0;
    uint32_t m_uiBlueMask = 0;
    uint32_t m_uiAlphaMask = 0;  // 0: the surface has no alpha
    uint8_t m_aucBits[4] = {};   // red, green, blue, alpha
    uint8_t m_aucLoss[4] = {};   // 8 minus the channel's bit count
    uint8_t m_aucShift[4] = {};  // position of the channel's lowest bit
    uint32_t m_uiReserved = 0;

    // Fills bit counts, losses and shifts from the masks, the way a renderer describes a surface
    // format it was handed. A mask must be one run of set bits, at most 8 wide.
    static EnPixelLayout FromMasks(uint8_t ucBitsPerPixel, uint32_t uiRed, uint32_t uiGreen,
                                   uint32_t uiBlue, uint32_t uiAlpha) {
        EnPixelLayout layout;
        layout.m_ucBitsPerPixel = ucBitsPerPixel;
        const uint32_t masks[4] = {uiRed, uiGreen, uiBlue, uiAlpha};
        layout.m_uiRedMask = uiRed;
        layout.m_uiGreenMask = uiGreen;
        layout.m_uiBlueMask = uiBlue;
        layout.m_uiAlphaMask = uiAlpha;
        for (int i = 0; i < 4; ++i) {
            uint32_t m = masks[i];
            uint8_t shift = 0, bits = 0;
            while (m && !(m & 1u)) {
                m >>= 1;
                ++shift;
            }
            while (m & 1u) {
                m >>= 1;
                ++bits;
            }
            layout.m_aucShift[i] = masks[i] ? shift : 0;
            layout.m_aucBits[i] = bits;
            layout.m_aucLoss[i] = bits >= 8 ? 0 : uint8_t(8 - bits);
        }
        return layout;
    }

    static EnPixelLayout Palettized() {
        EnPixelLayout layout;
        layout.m_ucPalettized = 1;
        layout.m_ucBitsPerPixel = 8;
        return layout;
    }

    uint32_t Mask(int iChannel) const {
        switch (iChannel) {
            case RED:
                return m_uiRedMask;
            case GREEN:
                return m_uiGreenMask;
            case BLUE:
                return m_uiBlueMask;
            default:
                return m_uiAlphaMask;
        }
    }
};
