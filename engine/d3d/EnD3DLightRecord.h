#pragma once
#include <cstdint>

#include "platform/gfx/GfxTypes.h"

// The device light made from one engine light, with the light's revision at the last fill.
// A new record has never been filled, whatever revision the light carries.
struct EnD3DLightRecord {
    plat::gfx::Light m_kLight;
    uint32_t m_uiRevision = 0;
    uint32_t m_uiIndex = 0;  // the light's index, also its device light index
    bool m_bFilled = false;
};
