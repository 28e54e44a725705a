#pragma once
#include <cstdint>

#include "platform/gfx/Ref.h"
#include "platform/gfx/Surface.h"

class EnDDImage;

// One device texture of the texture cache: the surface, where it lives, what it was made from
// and when it was last used. A record sits in exactly one list of its manager: a bucket list
// (resident and evictable), a pinned list or the free list.
struct EnD3DTextureRecord {
    // m_uiFlags.
    enum : uint32_t { FLAG_MIPMAP = 1, FLAG_PINNED = 2, FLAG_ALPHA = 4 };

    plat::gfx::Ref<plat::gfx::Surface> m_spSurface;  // null while the record is free
    uint32_t m_uiMemory = 0;
    uint32_t m_uiFlags = 0;
    uint32_t m_uiKey = 0;
    EnDDImage* m_pImage = nullptr;  // not counted: the image releases its records as it goes
    uint32_t m_uiFormatStamp = 0;
    uint32_t m_uiPixelStamp = 0;
    uint32_t m_uiLastUse = 0;
    uint32_t m_uiBytes = 0;
    EnD3DTextureRecord* m_pNext = nullptr;
    EnD3DTextureRecord* m_pPrev = nullptr;

    // Key fields.
    static uint32_t BucketOf(uint32_t uiKey) { return (uiKey >> 11) & 0xff; }
    static uint32_t SizeClassOf(uint32_t uiKey) { return (uiKey >> 15) & 0xf; }
};
