#pragma once
#include <cstdint>

#include "platform/gfx/Palette.h"
#include "platform/gfx/Ref.h"
#include "platform/gfx/SoftGraphics.h"

namespace plat::gfx {

// A palette in memory; its version rises with every change so that textures made from it
// know when to convert again.
class SoftPalette : public Palette {
public:
    SoftPalette(SoftGraphics* g, uint32_t caps, const PaletteEntry* entries);

    Result GetCaps(uint32_t& caps) override;
    Result GetEntries(uint32_t flags, uint32_t start, uint32_t count,
                      PaletteEntry* entries) override;
    Result SetEntries(uint32_t flags, uint32_t start, uint32_t count,
                      const PaletteEntry* entries) override;

    const PaletteEntry* Entries() const { return m_entries; }
    uint32_t Version() const { return m_version; }
    uint32_t Id() const { return m_id; }

private:
    SoftGraphics* m_g;
    Ref<SoftGraphics> m_gRef;
    uint32_t m_id;
    uint32_t m_caps;
    PaletteEntry m_entries[256];
    uint32_t m_version = 1;
};

}  // namespace plat::gfx
