#pragma once
#include <cstdint>

#include "platform/gfx/GfxTypes.h"
#include "platform/gfx/RefCounted.h"

namespace plat::gfx {

// A 256-entry colour table for 8-bit palettised surfaces; made by Graphics::CreatePalette.
class Palette : public RefCounted {
public:
    virtual Result GetCaps(uint32_t& caps) = 0;
    virtual Result GetEntries(uint32_t flags, uint32_t start, uint32_t count,
                              PaletteEntry* entries) = 0;
    // Surfaces that use the palette see the new entries at once (textures at their next use).
    virtual Result SetEntries(uint32_t flags, uint32_t start, uint32_t count,
                              const PaletteEntry* entries) = 0;
};

}  // namespace plat::gfx
