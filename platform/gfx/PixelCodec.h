#pragma once
#include <cstdint>

#include "platform/gfx/GfxTypes.h"

namespace plat::gfx {

// Converts pixels of one surface format to and from 0xAARRGGBB. A channel the format lacks reads
// as 0 (alpha as 255); narrow channels widen by replicating their top bits, so full intensity
// stays 255. Palette formats read through a palette and write the nearest entry.
class PixelCodec {
public:
    explicit PixelCodec(const PixelFormat& format);

    uint32_t BytesPerPixel() const { return m_bytes; }
    bool IsPalettized() const { return m_palettized; }
    bool HasAlpha() const { return m_aMask != 0; }
    bool IsValid() const { return m_bytes != 0; }

    uint32_t Read(const uint8_t* p) const;
    void Write(uint8_t* p, uint32_t raw) const;

    uint32_t ToArgb(uint32_t raw, const PaletteEntry* palette = nullptr) const;
    uint32_t FromArgb(uint32_t argb, const PaletteEntry* palette = nullptr) const;

private:
    struct Channel {
        uint32_t mask = 0, shift = 0, bits = 0;
    };
    static Channel MakeChannel(uint32_t mask);
    static uint32_t Expand(uint32_t v, uint32_t bits);
    static uint32_t Pack(uint32_t v8, const Channel& c);

    uint32_t m_bytes = 0;
    bool m_palettized = false;
    uint32_t m_aMask = 0;
    Channel m_r, m_g, m_b, m_a;
};

}  // namespace plat::gfx
