#pragma once
#include <cstdint>

#include "platform/gfx/GfxTypes.h"

// The device material made from one material property, and the property's revision when it
// was made, so that it is converted again only after the property changed.
struct EnD3DMaterialRecord {
    plat::gfx::Material m_kMaterial;
    uint32_t m_uiRevision = 0;
};
