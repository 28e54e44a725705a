#pragma once
#include <cstdint>

// One full-screen display mode in which a device can render.
struct EnD3DModeRecord {
    uint32_t m_uiWidth = 0;
    uint32_t m_uiHeight = 0;
    uint32_t m_uiBitsPerPixel = 0;  // 16 or 32
};
