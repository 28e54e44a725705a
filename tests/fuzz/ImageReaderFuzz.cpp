// Feeds arbitrary bytes to the Targa, bitmap and SGI readers, then puts whatever they accept
// through the conversions the renderer uses. Nothing may crash, hang, leak or read or write
// outside its buffers. The picture fixtures make a good seed corpus.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "engine/geometry/EnPixelLayout.h"
#include "engine/geometry/EnRawImageData.h"
#include "engine/geometry/ReadImageFile.h"

namespace {

void Exercise(EnRawImageData& raw) {
    const uint32_t width = raw.GetWidth(), height = raw.GetHeight();
    const EnPixelLayout layouts[] = {
        EnPixelLayout::FromMasks(16, 0xF800, 0x07E0, 0x001F, 0),
        EnPixelLayout::FromMasks(32, 0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000),
        EnPixelLayout::FromMasks(24, 0xFF0000, 0xFF00, 0xFF, 0),
        EnPixelLayout::Palettized(),
    };
    for (const EnPixelLayout& layout : layouts) {
        const uint32_t pitch = width * (layout.m_ucBitsPerPixel / 8);
        std::vector<uint8_t> surface(size_t(pitch) * height);
        raw.ConvertTo(layout, pitch, surface.data());
    }
    if (width >= 2 && height >= 2) {
        const uint32_t format = raw.GetFormat() == EnRawImageData::FORMAT_PALETTIZED
                                    ? EnRawImageData::FORMAT_RGB
                                    : raw.GetFormat();
        EnRawImageData half(format, width / 2, height / 2);
        if (width % 2 == 0 && height % 2 == 0) half.Downsample(&raw);
    }
    raw.Shrink(width / 2, height);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    bool (*const decoders[])(const uint8_t*, size_t, EnRawImageData*) = {
        &DecodeTargaImage, &DecodeBitmapImage, &DecodeSgiImage};
    for (auto decode : decoders) {
        EnRawImageData raw;
        if (decode(data, size, &raw)) Exercise(raw);
    }
    return 0;
}
