#pragma once
#include <cstdint>

#include "engine/geometry/EnPixelLayout.h"
#include "platform/gfx/GfxTypes.h"

// A surface pixel layout with its index in the one process-wide table of the formats that
// frame buffers and texture managers use. Formats with equal channel masks (and all palette
// formats) share one index, so an index comparison tells whether two surfaces need a
// conversion between them. Index 0 means "not registered yet".
class EnD3DPixelFormat : public EnPixelLayout {
public:
    EnD3DPixelFormat();

    // The layout of a surface format: palette formats become palettized with losses of 8;
    // RGB formats get masks, shifts, bit counts and losses per channel (alpha only when the
    // format says it has alpha pixels).
    static EnD3DPixelFormat FromPixelFormat(const plat::gfx::PixelFormat& kFormat);
    // The surface format this layout describes, for creating surfaces in it.
    plat::gfx::PixelFormat ToPixelFormat() const;

    // Registers the format in the shared table on first use and answers its index (from 1).
    uint32_t GetIndex();
    uint32_t PeekIndex() const { return m_uiIndex; }

    // The registered format of an index, or null.
    static const EnD3DPixelFormat* GetTableEntry(uint32_t uiIndex);
    // One past the highest index in use (1 while the table is empty).
    static uint32_t GetTableSize();

    bool SameChannels(const EnD3DPixelFormat& kOther) const;

private:
    uint32_t m_uiIndex = 0;
};
