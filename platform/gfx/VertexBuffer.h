#pragma once
#include <cstdint>

#include "platform/gfx/GfxTypes.h"
#include "platform/gfx/RefCounted.h"

namespace plat::gfx {

class Device;

// Vertices in one flexible vertex format, drawn with Device::DrawPrimitiveVB and
// DrawIndexedPrimitiveVB. Made by Graphics3D::CreateVertexBuffer.
class VertexBuffer : public RefCounted {
public:
    // LockBits::WriteOnly, DiscardContents (the old contents may go), Wait.
    virtual Result Lock(uint32_t flags, void** data, uint32_t* size) = 0;
    virtual Result Unlock() = 0;
    // Makes the buffer read-only and fastest to draw; it can no longer be locked.
    virtual Result Optimize(Device* device, uint32_t flags) = 0;
    virtual Result GetVertexBufferDesc(VertexBufferDesc& desc) = 0;
    // Transforms (and lights, VertexOpBits::Light) count vertices of src from srcIndex with the
    // device's current transforms, lights and material into this buffer from destIndex; this
    // buffer must hold pre-transformed vertices (VertexFormat::XyzRhw). Texture coordinates
    // are generated for each stage as the device's stage states say.
    virtual Result ProcessVertices(uint32_t vertexOp, uint32_t destIndex, uint32_t count,
                                   VertexBuffer* src, uint32_t srcIndex, Device* device,
                                   uint32_t flags) = 0;
};

}  // namespace plat::gfx
