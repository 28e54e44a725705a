#include "platform/gfx/SoftPalette.h"

#include <algorithm>

namespace plat::gfx {

SoftPalette::SoftPalette(SoftGraphics* g, uint32_t caps, const PaletteEntry* entries)
    : m_g(g), m_gRef(Ref<SoftGraphics>::Share(g)), m_id(g->NextId()), m_caps(caps) {
    if (entries) std::copy(entries, entries + 256, m_entries);
}

Result SoftPalette::GetCaps(uint32_t& caps) {
    SoftGraphics::Scope scope(m_g);
    caps = m_caps;
    return m_g->Trace(Result::Ok, "Palette::GetCaps(Palette#%u)", m_id);
}

Result SoftPalette::GetEntries(uint32_t flags, uint32_t start, uint32_t count,
                               PaletteEntry* entries) {
    SoftGraphics::Scope scope(m_g);
    Result r = Result::Ok;
    if (!entries || start > 256 || count > 256 - start)
        r = Result::InvalidParams;
    else
        std::copy(m_entries + start, m_entries + start + count, entries);
    return m_g->Trace(r, "Palette::GetEntries(Palette#%u, 0x%x, %u, %u)", m_id, flags, start,
                      count);
}

Result SoftPalette::SetEntries(uint32_t flags, uint32_t start, uint32_t count,
                               const PaletteEntry* entries) {
    SoftGraphics::Scope scope(m_g);
    Result r = m_g->Fault("Palette::SetEntries");
    if (r == Result::Ok && (!entries || start > 256 || count > 256 - start))
        r = Result::InvalidParams;
    if (r == Result::Ok) {
        std::copy(entries, entries + count, m_entries + start);
        ++m_version;
    }
    return m_g->Trace(r, "Palette::SetEntries(Palette#%u, 0x%x, %u, %u)", m_id, flags, start,
                      count);
}

}  // namespace plat::gfx
