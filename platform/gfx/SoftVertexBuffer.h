#pragma once
#include <cstdint>
#include <vector>

#include "platform/gfx/Ref.h"
#include "platform/gfx/SoftGraphics.h"
#include "platform/gfx/VertexBuffer.h"

namespace plat::gfx {

// Vertices in memory. A back end that keeps them elsewhere watches Version(), which rises at
// every unlock and vertex processing.
class SoftVertexBuffer : public VertexBuffer {
public:
    SoftVertexBuffer(SoftGraphics* g, const VertexBufferDesc& desc);

    Result Lock(uint32_t flags, void** data, uint32_t* size) override;
    Result Unlock() override;
    Result Optimize(Device* device, uint32_t flags) override;
    Result GetVertexBufferDesc(VertexBufferDesc& desc) override;
    Result ProcessVertices(uint32_t vertexOp, uint32_t destIndex, uint32_t count, VertexBuffer* src,
                           uint32_t srcIndex, Device* device, uint32_t flags) override;

    uint32_t Id() const { return m_id; }
    uint32_t Fvf() const { return m_desc.fvf; }
    uint32_t Stride() const { return m_stride; }
    uint32_t Count() const { return m_desc.numVertices; }
    bool IsLocked() const { return m_locked; }
    bool IsOptimized() const { return (m_desc.caps & VertexBufferBits::Optimized) != 0; }
    const uint8_t* Data() const { return m_data.data(); }
    uint32_t Version() const { return m_version; }

private:
    SoftGraphics* m_g;
    Ref<SoftGraphics> m_gRef;
    uint32_t m_id;
    VertexBufferDesc m_desc;
    uint32_t m_stride;
    std::vector<uint8_t> m_data;
    bool m_locked = false;
    uint32_t m_version = 1;
};

}  // namespace plat::gfx
