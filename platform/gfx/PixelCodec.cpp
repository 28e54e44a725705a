#include "platform/gfx/PixelCodec.h"

#include <cstring>

namespace plat::gfx {

PixelCodec::PixelCodec(const PixelFormat& f) {
    if (f.flags & PixelFormatBits::PaletteIndexed8) {
        m_palettized = true;
        m_bytes = 1;
        return;
    }
    if (f.flags & PixelFormatBits::ZBuffer) {
        m_bytes = f.zBufferBitDepth / 8;
        return;
    }
    if (!(f.flags & PixelFormatBits::Rgb)) return;
    if (f.rgbBitCount != 8 && f.rgbBitCount != 16 && f.rgbBitCount != 24 && f.rgbBitCount != 32)
        return;
    m_bytes = f.rgbBitCount / 8;
    m_r = MakeChannel(f.rMask);
    m_g = MakeChannel(f.gMask);
    m_b = MakeChannel(f.bMask);
    if (f.flags & PixelFormatBits::AlphaPixels) {
        m_aMask = f.aMask;
        m_a = MakeChannel(f.aMask);
    }
}

PixelCodec::Channel PixelCodec::MakeChannel(uint32_t mask) {
    Channel c;
    c.mask = mask;
    if (!mask) return c;
    while (!((mask >> c.shift) & 1)) ++c.shift;
    while (c.shift + c.bits < 32 && ((mask >> (c.shift + c.bits)) & 1)) ++c.bits;
    return c;
}

uint32_t PixelCodec::Expand(uint32_t v, uint32_t bits) {
    if (bits == 0) return 0;
    if (bits >= 8) return v >> (bits - 8);
    // Replicate the top bits so that the largest value maps to 255.
    uint32_t r = 0;
    int filled = 0;
    while (filled < 8) {
        int shift = 8 - filled - static_cast<int>(bits);
        r |= shift >= 0 ? v << shift : v >> -shift;
        filled += static_cast<int>(bits);
    }
    return r & 0xff;
}

uint32_t PixelCodec::Pack(uint32_t v8, const Channel& c) {
    if (!c.bits) return 0;
    uint32_t v = c.bits >= 8 ? v8 << (c.bits - 8) : (v8 * ((1u << c.bits) - 1) + 127) / 255;
    return (v << c.shift) & c.mask;
}

uint32_t PixelCodec::Read(const uint8_t* p) const {
    switch (m_bytes) {
        case 1:
            return p[0];
        case 2:
            return static_cast<uint32_t>(p[0] | p[1] << 8);
        case 3:
            return static_cast<uint32_t>(p[0] | p[1] << 8 | p[2] << 16);
        case 4:
            return static_cast<uint32_t>(p[0] | p[1] << 8 | p[2] << 16) | uint32_t(p[3]) << 24;
    }
    return 0;
}

void PixelCodec::Write(uint8_t* p, uint32_t raw) const {
    for (uint32_t i = 0; i < m_bytes; ++i) p[i] = static_cast<uint8_t>(raw >> (8 * i));
}

uint32_t PixelCodec::ToArgb(uint32_t raw, const PaletteEntry* pal) const {
    if (m_palettized) {
        if (!pal) return 0xff000000u;
        const PaletteEntry& e = pal[raw & 0xff];
        return 0xff000000u | uint32_t(e.red) << 16 | uint32_t(e.green) << 8 | e.blue;
    }
    uint32_t r = Expand((raw & m_r.mask) >> m_r.shift, m_r.bits);
    uint32_t g = Expand((raw & m_g.mask) >> m_g.shift, m_g.bits);
    uint32_t b = Expand((raw & m_b.mask) >> m_b.shift, m_b.bits);
    uint32_t a = m_aMask ? Expand((raw & m_a.mask) >> m_a.shift, m_a.bits) : 255;
    return a << 24 | r << 16 | g << 8 | b;
}

uint32_t PixelCodec::FromArgb(uint32_t argb, const PaletteEntry* pal) const {
    uint32_t a = argb >> 24, r = (argb >> 16) & 0xff, g = (argb >> 8) & 0xff, b = argb & 0xff;
    if (m_palettized) {
        if (!pal) return 0;
        uint32_t best = 0, bestDist = ~0u;
        for (uint32_t i = 0; i < 256; ++i) {
            int dr = int(pal[i].red) - int(r), dg = int(pal[i].green) - int(g),
                db = int(pal[i].blue) - int(b);
            uint32_t d = static_cast<uint32_t>(dr * dr + dg * dg + db * db);
            if (d < bestDist) {
                bestDist = d;
                best = i;
                if (!d) break;
            }
        }
        return best;
    }
    return Pack(r, m_r) | Pack(g, m_g) | Pack(b, m_b) | (m_aMask ? Pack(a, m_a) : 0);
}

}  // namespace plat::gfx
