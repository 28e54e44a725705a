#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

// A picture the generator paints before writing it in one of the engine's image formats:
// 1 (grey), 3 (red, green, blue) or 4 (plus alpha) bytes per pixel, top row first.
struct DemoPicture {
    uint32_t m_uiWidth = 0;
    uint32_t m_uiHeight = 0;
    uint32_t m_uiChannels = 3;
    std::vector<uint8_t> m_kPixels;

    DemoPicture() = default;
    DemoPicture(uint32_t uiWidth, uint32_t uiHeight, uint32_t uiChannels)
        : m_uiWidth(uiWidth),
          m_uiHeight(uiHeight),
          m_uiChannels(uiChannels),
          m_kPixels(size_t(uiWidth) * uiHeight * uiChannels, 0) {}

    uint8_t* At(uint32_t x, uint32_t y) {
        return m_kPixels.data() + (size_t(y) * m_uiWidth + x) * m_uiChannels;
    }
    const uint8_t* At(uint32_t x, uint32_t y) const {
        return m_kPixels.data() + (size_t(y) * m_uiWidth + x) * m_uiChannels;
    }
    // Whether the sizes agree with the pixel bytes and the format is one the writers know.
    bool IsValid() const {
        return m_uiWidth > 0 && m_uiHeight > 0 && m_uiWidth <= 0xFFFF && m_uiHeight <= 0xFFFF &&
               (m_uiChannels == 1 || m_uiChannels == 3 || m_uiChannels == 4) &&
               m_kPixels.size() == size_t(m_uiWidth) * m_uiHeight * m_uiChannels;
    }
};
