#pragma once
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "engine/geometry/EnRawImageData.h"

// Builds picture files byte by byte for the reader tests.
struct ImageTestBytes {
    std::vector<uint8_t> v;

    ImageTestBytes& U8(uint32_t x) {
        v.push_back(uint8_t(x));
        return *this;
    }
    ImageTestBytes& U16(uint32_t x) { return U8(x).U8(x >> 8); }
    ImageTestBytes& U32(uint32_t x) { return U16(x).U16(x >> 16); }
    ImageTestBytes& U16BE(uint32_t x) { return U8(x >> 8).U8(x); }
    ImageTestBytes& U32BE(uint32_t x) { return U16BE(x >> 16).U16BE(x); }
    ImageTestBytes& Fill(size_t n, uint8_t x = 0) {
        v.insert(v.end(), n, x);
        return *this;
    }
    ImageTestBytes& Raw(std::initializer_list<uint8_t> bytes) {
        v.insert(v.end(), bytes);
        return *this;
    }
    // Pads with zeros up to an absolute size.
    ImageTestBytes& PadTo(size_t n) {
        if (v.size() < n) v.resize(n, 0);
        return *this;
    }
    std::string Str() const { return std::string(v.begin(), v.end()); }
    size_t Size() const { return v.size(); }
};

// The 18-byte Targa header.
inline ImageTestBytes TargaHeader(uint8_t type, uint16_t width, uint16_t height, uint8_t depth,
                                  uint8_t descriptor, uint8_t mapType = 0, uint16_t mapFirst = 0,
                                  uint16_t mapLength = 0, uint8_t mapBits = 0,
                                  uint8_t idLength = 0) {
    ImageTestBytes b;
    b.U8(idLength).U8(mapType).U8(type).U16(mapFirst).U16(mapLength).U8(mapBits);
    b.U16(0).U16(0).U16(width).U16(height).U8(depth).U8(descriptor);
    return b;
}

// File and information headers of a bitmap (54 bytes) with the usual 40-byte layout.
inline ImageTestBytes BitmapHeader(int32_t width, int32_t height, uint16_t bits,
                                   uint32_t dataOffset, uint32_t coloursUsed = 0,
                                   uint32_t compression = 0, uint32_t infoSize = 40) {
    ImageTestBytes b;
    b.U16(0x4D42).U32(0).U32(0).U32(dataOffset).U32(infoSize);
    b.U32(uint32_t(width)).U32(uint32_t(height)).U16(1).U16(bits).U32(compression).U32(0);
    b.U32(2835).U32(2835).U32(coloursUsed).U32(0);
    return b;
}

// The 512-byte SGI header.
inline ImageTestBytes SgiHeader(uint8_t storage, uint8_t bytesPerChannel, uint16_t xsize,
                                uint16_t ysize, uint16_t zsize) {
    ImageTestBytes b;
    b.U16BE(474).U8(storage).U8(bytesPerChannel).U16BE(3).U16BE(xsize).U16BE(ysize);
    b.U16BE(zsize).U32BE(0).U32BE(255);
    return b.PadTo(512);
}

// Pixel (x, y) of raw image data as red, green, blue, alpha (alpha 255 without one); a
// palettized image is looked up in its palette.
inline std::vector<uint8_t> RgbaAt(const EnRawImageData& raw, uint32_t x, uint32_t y) {
    const uint8_t* p =
        raw.GetPixels() + uint64_t(y) * raw.GetRowStride() + uint64_t(x) * raw.GetPixelStride();
    if (raw.GetFormat() == EnRawImageData::FORMAT_PALETTIZED) {
        const uint8_t* e = raw.GetPalette() + 4 * p[0];
        return {e[0], e[1], e[2], 255};
    }
    return {p[0], p[1], p[2], uint8_t(raw.GetFormat() == EnRawImageData::FORMAT_RGBA ? p[3] : 255)};
}

inline std::string SourceDir() {
    const char* root = std::getenv("CORVANE_SOURCE");
    return root ? root : ".";
}
