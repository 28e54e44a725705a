#include "tools/demodata/DemoTextures.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

// A lattice value in [0, 1] from a seeded integer hash, so pictures need no random state.
float Lattice(int32_t x, int32_t y, uint32_t uiSeed) {
    uint32_t h = uint32_t(x) * 0x8DA6B343u ^ uint32_t(y) * 0xD8163841u ^ uiSeed * 0xCB1AB31Fu;
    h ^= h >> 13;
    h *= 0x5BD1E995u;
    h ^= h >> 15;
    return float(h & 0xFFFF) / 65535.0f;
}

float Smooth(float t) {
    return t * t * (3.0f - 2.0f * t);
}

int32_t Wrap(int32_t v, int32_t iPeriod) {
    const int32_t r = v % iPeriod;
    return r < 0 ? r + iPeriod : r;
}

// Value noise with a lattice cell of iCell pixels that repeats every iPeriod cells, so a
// picture iCell * iPeriod pixels wide tiles without a seam.
float Noise(float x, float y, int32_t iCell, int32_t iPeriodX, int32_t iPeriodY, uint32_t uiSeed) {
    const float fx = x / float(iCell), fy = y / float(iCell);
    const int32_t x0 = int32_t(std::floor(fx)), y0 = int32_t(std::floor(fy));
    const float tx = Smooth(fx - float(x0)), ty = Smooth(fy - float(y0));
    const int32_t ax = Wrap(x0, iPeriodX), bx = Wrap(x0 + 1, iPeriodX);
    const int32_t ay = Wrap(y0, iPeriodY), by = Wrap(y0 + 1, iPeriodY);
    const float v00 = Lattice(ax, ay, uiSeed), v10 = Lattice(bx, ay, uiSeed);
    const float v01 = Lattice(ax, by, uiSeed), v11 = Lattice(bx, by, uiSeed);
    return (v00 + (v10 - v00) * tx) + ((v01 + (v11 - v01) * tx) - (v00 + (v10 - v00) * tx)) * ty;
}

// Octaves of tiling noise over a picture of the given size, in [0, 1].
float Fractal(uint32_t x, uint32_t y, uint32_t uiWidth, uint32_t uiHeight, int32_t iCell,
              int iOctaves, uint32_t uiSeed) {
    float fSum = 0.0f, fWeight = 0.0f, fAmplitude = 1.0f;
    for (int i = 0; i < iOctaves && iCell >= 1; ++i, iCell /= 2, fAmplitude *= 0.5f) {
        fSum += fAmplitude * Noise(float(x), float(y), iCell, int32_t(uiWidth) / iCell,
                                   int32_t(uiHeight) / iCell, uiSeed + uint32_t(i));
        fWeight += fAmplitude;
    }
    return fSum / fWeight;
}

uint8_t Byte(float v) {
    return uint8_t(std::clamp(v, 0.0f, 255.0f) + 0.5f);
}

void Put(DemoPicture& kPicture, uint32_t x, uint32_t y, float r, float g, float b, float a = 255) {
    uint8_t* p = kPicture.At(x, y);
    p[0] = Byte(r);
    if (kPicture.m_uiChannels == 1) return;
    p[1] = Byte(g);
    p[2] = Byte(b);
    if (kPicture.m_uiChannels == 4) p[3] = Byte(a);
}

// 5 x 7 capitals for the banner, one row per byte, bit 4 the leftmost column.
struct Glyph {
    char c;
    uint8_t rows[7];
};
constexpr Glyph GLYPHS[] = {
    {'T', {0x1F, 0x04, 0x04, 0x04, 0x04, 0x04, 0x04}},
    {'E', {0x1F, 0x10, 0x10, 0x1E, 0x10, 0x10, 0x1F}},
    {'S', {0x0F, 0x10, 0x10, 0x0E, 0x01, 0x01, 0x1E}},
    {'R', {0x1E, 0x11, 0x11, 0x1E, 0x14, 0x12, 0x11}},
    {'A', {0x0E, 0x11, 0x11, 0x1F, 0x11, 0x11, 0x11}},
    {'C', {0x0E, 0x11, 0x10, 0x10, 0x10, 0x11, 0x0E}},
    {'K', {0x11, 0x12, 0x14, 0x18, 0x14, 0x12, 0x11}},
};

const Glyph* FindGlyph(char c) {
    for (const Glyph& g : GLYPHS)
        if (g.c == c) return &g;
    return nullptr;
}

}  // namespace

DemoPicture DemoTextures::Grass() {
    DemoPicture kPicture(64, 64, 3);
    for (uint32_t y = 0; y < 64; ++y)
        for (uint32_t x = 0; x < 64; ++x) {
            const float n = Fractal(x, y, 64, 64, 16, 4, 11);
            const float fBlade = Lattice(int32_t(x), int32_t(y), 12) > 0.93f ? 25.0f : 0.0f;
            Put(kPicture, x, y, 150 + 70 * n + fBlade, 190 + 55 * n + fBlade, 120 + 60 * n);
        }
    return kPicture;
}

DemoPicture DemoTextures::Asphalt() {
    DemoPicture kPicture(64, 64, 3);
    for (uint32_t y = 0; y < 64; ++y)
        for (uint32_t x = 0; x < 64; ++x) {
            const float n = Fractal(x, y, 64, 64, 8, 3, 21);
            const float fGrit = 30.0f * (Lattice(int32_t(x), int32_t(y), 22) - 0.5f);
            float v = 112 + 40 * n + fGrit;
            const bool bEdgeLine = (x >= 3 && x <= 5) || (x >= 58 && x <= 60);
            const bool bCentreDash = (x == 31 || x == 32) && y < 32;
            if (bEdgeLine || bCentreDash) v = 240 + 0.5f * fGrit;
            Put(kPicture, x, y, v, v, v + 4);
        }
    return kPicture;
}

DemoPicture DemoTextures::Fence() {
    DemoPicture kPicture(64, 64, 4);
    for (uint32_t y = 0; y < 64; ++y)
        for (uint32_t x = 0; x < 64; ++x) {
            const bool bRail = y < 4;
            const bool bWire = (x + y) % 16 < 3 || (x + 64 - y) % 16 < 3;
            // Advertising boards along the foot: red with a white band, then blue.
            const bool bBoard = y >= 46;
            if (bRail)
                Put(kPicture, x, y, 150, 155, 160, 255);
            else if (bBoard && y >= 52 && y < 56)
                Put(kPicture, x, y, 245, 245, 245, 255);
            else if (bBoard)
                Put(kPicture, x, y, x < 32 ? 200 : 30, x < 32 ? 30 : 70, x < 32 ? 35 : 180, 255);
            else if (bWire)
                Put(kPicture, x, y, 205, 210, 215, 255);
            else
                Put(kPicture, x, y, 0, 0, 0, 0);
        }
    return kPicture;
}

DemoPicture DemoTextures::Sky() {
    DemoPicture kPicture(128, 64, 3);
    for (uint32_t y = 0; y < 64; ++y) {
        // Row 63 is the horizon; the blue deepens towards the zenith.
        const float h = float(63 - y) / 63.0f;
        const float r = 190 - 120 * h, g = 210 - 90 * h, b = 235 - 20 * h;
        for (uint32_t x = 0; x < 128; ++x) {
            // Clouds thin out towards the zenith, where the texture squeezes together.
            const float n = Fractal(x, y, 128, 64, 32, 4, 31);
            const float fCloud = std::clamp((n - 0.52f) * 4.0f, 0.0f, 1.0f) * (1.0f - 0.6f * h);
            Put(kPicture, x, y, r + (250 - r) * fCloud, g + (250 - g) * fCloud,
                b + (252 - b) * fCloud);
        }
    }
    return kPicture;
}

DemoPicture DemoTextures::Wall() {
    DemoPicture kPicture(64, 64, 1);
    for (uint32_t y = 0; y < 64; ++y)
        for (uint32_t x = 0; x < 64; ++x) {
            const float n = Fractal(x, y, 64, 64, 8, 3, 41);
            // Blocks 32 x 16, every other course shifted by half a block.
            const uint32_t uiShift = (y / 16) % 2 ? 16 : 0;
            const bool bMortar = y % 16 == 15 || (x + uiShift) % 32 == 31;
            const float v = bMortar ? 120 + 20 * n : 175 + 50 * n;
            Put(kPicture, x, y, v, v, v);
        }
    return kPicture;
}

DemoPicture DemoTextures::Banner() {
    constexpr uint32_t W = 256, H = 64, SCALE = 3;
    DemoPicture kPicture(W, H, 4);
    for (uint32_t y = 0; y < H; ++y)
        for (uint32_t x = 0; x < W; ++x) {
            const bool bBorder = x < 3 || y < 3 || x >= W - 3 || y >= H - 3;
            const float fShade = 30 + 40 * float(y) / float(H);
            const float fChequer = ((x / 8 + y / 8) % 2) ? 245.0f : 20.0f;
            if (bBorder)
                Put(kPicture, x, y, 250, 200, 40, 255);
            else if (x < 56)
                Put(kPicture, x, y, fChequer, fChequer, fChequer, 255);
            else
                Put(kPicture, x, y, fShade, fShade, fShade + 40, 170);
        }
    uint32_t uiLeft = 66;
    for (const char* pc = "TEST TRACK"; *pc; ++pc, uiLeft += 6 * SCALE) {
        const Glyph* pGlyph = FindGlyph(*pc);
        if (!pGlyph) continue;
        for (uint32_t gy = 0; gy < 7 * SCALE; ++gy)
            for (uint32_t gx = 0; gx < 5 * SCALE; ++gx)
                if (pGlyph->rows[gy / SCALE] >> (4 - gx / SCALE) & 1)
                    Put(kPicture, uiLeft + gx, 21 + gy, 255, 255, 255, 255);
    }
    return kPicture;
}
