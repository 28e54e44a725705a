#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>

#include "engine/core/EnObject.h"
#include "engine/geometry/EnPixelLayout.h"

// An uncompressed picture in memory: palette indices, RGB or RGBA bytes, top row first, rows not
// padded. The image-file readers produce it, scene files can embed it, and the renderer converts
// it into surface pixels, reduces it for mip levels and shrinks it in place.
class EnRawImageData : public EnObject {
    EN_DECLARE_RTTI;
    EN_DECLARE_STREAM;

public:
    enum Format : uint32_t {
        FORMAT_PALETTIZED = 0,  // one byte per pixel, an index into m_pPal
        FORMAT_RGB = 1,         // red, green, blue
        FORMAT_RGBA = 2,        // red, green, blue, alpha
    };

    // Nothing larger is ever allocated (a 4096 x 4096 RGBA picture fits): sizes from files are
    // checked against it in 64 bits before any memory is asked for.
    static constexpr uint64_t MAX_PIXEL_BYTES = uint64_t(1) << 26;
    static constexpr uint32_t PALETTE_ENTRIES = 256;

    EnRawImageData();
    EnRawImageData(uint32_t eFormat, uint32_t uiWidth, uint32_t uiHeight);
    ~EnRawImageData() override;

    EnObject* CloneObject() override;  // clones share the pixels
    void LoadFromStream(EnStream& kStream) override;
    void SaveToStream(EnStream& kStream) override;
    bool EqualsObject(const EnObject* pObject) const override;
    void AppendMemberStrings(EnTArray<char*>& kStrings) const override;

    // Sizes the arrays for a format; same format and size keeps the pixels. False for a format
    // that is none of the three, for a size above MAX_PIXEL_BYTES and when memory runs out.
    bool Allocate(uint32_t eFormat, uint32_t uiWidth, uint32_t uiHeight);

    // Fills this image from packed pixels of a layout; source row y becomes row y. uiPitch is the
    // distance between source rows in bytes.
    bool ConvertFrom(const EnPixelLayout& kLayout, uint32_t uiPitch, uint32_t uiWidth,
                     uint32_t uiHeight, const uint8_t* pSource);
    // Writes this image as packed pixels of a layout (the texture upload); the destination must
    // hold uiPitch x (height - 1) bytes plus one row of packed pixels.
    bool ConvertTo(const EnPixelLayout& kLayout, uint32_t uiPitch, uint8_t* pDest) const;
    // This image (already allocated at its size) becomes the 2 x 2 box reduction of a source of
    // exactly twice its width and height.
    bool Downsample(const EnRawImageData* pSource);
    // New dimensions, not covering more pixels than now, over the same pixel array.
    bool Shrink(uint32_t uiWidth, uint32_t uiHeight);
    // Moves the other's arrays and description into this one; the other keeps its dimensions but
    // no arrays.
    void TakeContents(EnRawImageData& kOther);

    uint32_t GetFormat() const { return m_eFormat; }
    uint32_t GetWidth() const { return m_uiWidth; }
    uint32_t GetHeight() const { return m_uiHeight; }
    uint32_t GetPixelStride() const { return m_uiPixelStride; }
    uint32_t GetRowStride() const { return m_uiRowStride; }
    // 256 entries of red, green, blue and a fourth byte; null unless palettized.
    uint8_t* GetPalette() { return m_pPal.get(); }
    const uint8_t* GetPalette() const { return m_pPal.get(); }
    uint8_t* GetPixels() { return m_pData.get(); }
    const uint8_t* GetPixels() const { return m_pData.get(); }
    // Row stride x height: the pixel bytes the description covers.
    uint64_t GetPixelBytes() const { return uint64_t(m_uiRowStride) * m_uiHeight; }
    // The description and the arrays agree: pixels are there whenever the size is not empty.
    bool HasPixels() const { return m_pData || GetPixelBytes() == 0; }

    static uint32_t PixelStrideOf(uint32_t eFormat);

protected:
    uint32_t m_eFormat = FORMAT_RGB;
    uint32_t m_uiWidth = 0;
    uint32_t m_uiHeight = 0;
    uint32_t m_uiPixelStride = 3;
    uint32_t m_uiRowStride = 0;
    std::unique_ptr<uint8_t[]> m_pPal;
    std::unique_ptr<uint8_t[]> m_pData;

private:
    void FreeArrays();
};
