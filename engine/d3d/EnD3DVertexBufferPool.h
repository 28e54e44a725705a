#pragma once
#include <cstdint>
#include <memory>

#include "engine/core/EnTMap.h"
#include "platform/gfx/Device.h"
#include "platform/gfx/Graphics3D.h"
#include "platform/gfx/Ref.h"
#include "platform/gfx/VertexBuffer.h"

class EnColorRGBA;
class EnGeometryData;
class EnVector2;
class EnVector3;

// The vertex buffers through which the renderer submits vertices it rebuilds at every draw
// (particles, screen polygons, the texture pipeline's transformed vertices), kept per vertex
// format and reused from frame to frame, with the scratch index arrays that go with them.
// Each format has two buffers handed out in turn, so that the buffer just filled for one draw
// is not overwritten by the next while the device may still read it. It also fills buffers
// straight from geometry data for the renderer's geometry cache.
class EnD3DVertexBufferPool {
public:
    // Highest count of quads one quad index list may hold: every index of the list, and every
    // vertex of the buffer drawn with it, must stay within 16 bits.
    static constexpr uint32_t MAX_QUADS = 0xffff / 4;

    EnD3DVertexBufferPool(plat::gfx::Graphics3D* pD3D, plat::gfx::Device* pDevice,
                          bool bSystemMemory);
    ~EnD3DVertexBufferPool();
    EnD3DVertexBufferPool(const EnD3DVertexBufferPool&) = delete;
    EnD3DVertexBufferPool& operator=(const EnD3DVertexBufferPool&) = delete;

    // A buffer of the format for at least the count of vertices; it stays the pool's.
    plat::gfx::VertexBuffer* GetVertexBuffer(uint32_t uiFVF, uint32_t uiVertices);
    // Screen-space vertices for the screen-space projection: each position (x, y, z) is stored
    // as (w x, w y, w) with w = fA z + fB, so that the device's divide by w gives back (x, y).
    plat::gfx::VertexBuffer* FillScreenVertices(uint32_t uiVertices, const EnVector3* pPosition,
                                                const EnVector2* pTexture,
                                                const EnColorRGBA* pColor, float fB, float fA);
    // The data's active vertices in the layout its arrays call for, into the given buffer
    // when it still fits (same format and count, not optimised), else into a new one that
    // belongs to the caller. Null when there is nothing to fill or the device refuses.
    plat::gfx::VertexBuffer* FillFromGeometryData(EnGeometryData* pData,
                                                  plat::gfx::VertexBuffer* pBuffer);
    // Scratch index storage for at least the count of indices; its contents are not kept.
    uint16_t* GetIndexArray(uint32_t uiCount);
    // 0, 1, 2, 0, 2, 3 for each quad of four vertices, up to MAX_QUADS quads; null beyond.
    const uint16_t* GetQuadIndices(uint32_t uiQuads);

    // The format of FillFromGeometryData for a data object, and its vertex size in bytes.
    static uint32_t GeometryFormat(const EnGeometryData* pData);
    uint32_t GetCaps() const { return m_uiCaps; }

    // A colour as the device takes it: 0xAARRGGBB, each channel scaled to 0..255 and rounded
    // to the nearest integer (halves to even).
    static uint32_t PackColor(const EnColorRGBA& kColor);

private:
    struct FormatEntry {
        plat::gfx::VertexBuffer* m_apBuffer[2] = {nullptr, nullptr};
        plat::gfx::VertexBufferDesc m_akDesc[2];
        uint8_t m_ucCurrent = 0;
    };

    plat::gfx::Ref<plat::gfx::Graphics3D> m_spD3D;
    plat::gfx::Ref<plat::gfx::Device> m_spDevice;
    uint32_t m_uiCaps;
    EnTMap<uint32_t, FormatEntry*> m_kFormats{37};
    uint32_t m_uiIndexCapacity = 0;
    std::unique_ptr<uint16_t[]> m_spIndices;
    uint32_t m_uiQuadCapacity = 0;
    std::unique_ptr<uint16_t[]> m_spQuadIndices;
};
