#pragma once
// Images, property states and surface read-back for the texture tests on the null device.
#include <cstdint>
#include <vector>

#include "engine/core/EnPointer.h"
#include "engine/d3d/EnDDImage.h"
#include "engine/geometry/EnImage.h"
#include "engine/geometry/EnRawImageData.h"
#include "platform/gfx/PixelCodec.h"
#include "platform/gfx/Surface.h"

namespace d3dtest {

// Raw pixels of a format from 0xAARRGGBB values (palette indices for a palettized image, whose
// palette entry i is grey i).
inline EnRawImageData* Pixels(uint32_t format, uint32_t width, uint32_t height,
                              const std::vector<uint32_t>& values) {
    auto* raw = new EnRawImageData(format, width, height);
    uint8_t* out = raw->GetPixels();
    if (format == EnRawImageData::FORMAT_PALETTIZED) {
        for (uint32_t i = 0; i < 256; i++)
            for (uint32_t c = 0; c < 3; c++) raw->GetPalette()[4 * i + c] = uint8_t(i);
    }
    for (uint32_t i = 0; i < width * height; i++) {
        const uint32_t v = i < values.size() ? values[i] : 0;
        if (format == EnRawImageData::FORMAT_PALETTIZED) {
            *out++ = uint8_t(v);
            continue;
        }
        *out++ = uint8_t(v >> 16);
        *out++ = uint8_t(v >> 8);
        *out++ = uint8_t(v);
        if (format == EnRawImageData::FORMAT_RGBA) *out++ = uint8_t(v >> 24);
    }
    return raw;
}

// A surface image of the renderer's kind over the pixels (the image factory must be installed).
inline EnDDImage* SurfaceImage(EnRawImageData* raw, bool mipmap = false,
                               uint32_t preferred = EnImage::TEX_DEFAULT) {
    EnImage* image = EnImage::CreateFromRawData(
        raw, mipmap ? EnImage::OPTION_ON : EnImage::OPTION_OFF, preferred, EnImage::OPTION_OFF);
    return image && image->IsKindOf(&EnDDImage::ms_RTTI) ? static_cast<EnDDImage*>(image) : nullptr;
}

inline EnDDImage* SolidImage(uint32_t width, uint32_t height, uint32_t rgb = 0x808080,
                             bool mipmap = false) {
    return SurfaceImage(Pixels(EnRawImageData::FORMAT_RGB, width, height,
                               std::vector<uint32_t>(size_t(width) * height, rgb)),
                        mipmap);
}

// A surface's pixels as 0xAARRGGBB, row by row.
inline std::vector<uint32_t> ReadSurface(plat::gfx::Surface* surface) {
    using namespace plat::gfx;
    std::vector<uint32_t> argb;
    SurfaceDesc desc;
    if (!surface || surface->Lock(nullptr, desc, LockBits::Wait | LockBits::ReadOnly) != Result::Ok)
        return argb;
    PixelCodec codec(desc.pixelFormat);
    for (uint32_t y = 0; y < desc.height; y++)
        for (uint32_t x = 0; x < desc.width; x++)
            argb.push_back(codec.ToArgb(codec.Read(static_cast<const uint8_t*>(desc.surface) +
                                                   y * desc.pitch + x * codec.BytesPerPixel())));
    surface->Unlock(nullptr);
    return argb;
}

}  // namespace d3dtest
