#include "platform/gfx/SoftVertexBuffer.h"

#include "platform/gfx/SoftDevice.h"
#include "platform/gfx/VertexFormat.h"
#include "platform/gfx/VertexProcessor.h"

namespace plat::gfx {

SoftVertexBuffer::SoftVertexBuffer(SoftGraphics* g, const VertexBufferDesc& desc)
    : m_g(g),
      m_gRef(Ref<SoftGraphics>::Share(g)),
      m_id(g->NextId()),
      m_desc(desc),
      m_stride(VertexFormat::Stride(desc.fvf)),
      m_data(static_cast<size_t>(m_stride) * desc.numVertices, 0) {
    m_desc.caps &= ~VertexBufferBits::Optimized;
}

Result SoftVertexBuffer::Lock(uint32_t flags, void** data, uint32_t* size) {
    SoftGraphics::Scope scope(m_g);
    Result r = m_g->Fault("VertexBuffer::Lock");
    if (r == Result::Ok && !data) r = Result::InvalidParams;
    if (r == Result::Ok && IsOptimized()) r = Result::VertexBufferOptimized;
    if (r == Result::Ok && m_locked) r = Result::VertexBufferLocked;
    if (r == Result::Ok) {
        m_locked = true;
        *data = m_data.data();
        if (size) *size = static_cast<uint32_t>(m_data.size());
    }
    return m_g->Trace(r, "VertexBuffer::Lock(VertexBuffer#%u, 0x%x)", m_id, flags);
}

Result SoftVertexBuffer::Unlock() {
    SoftGraphics::Scope scope(m_g);
    Result r = m_g->Fault("VertexBuffer::Unlock");
    if (r == Result::Ok && !m_locked) r = Result::NotLocked;
    if (r == Result::Ok) {
        m_locked = false;
        ++m_version;
    }
    return m_g->Trace(r, "VertexBuffer::Unlock(VertexBuffer#%u)", m_id);
}

Result SoftVertexBuffer::Optimize(Device* device, uint32_t flags) {
    SoftGraphics::Scope scope(m_g);
    Result r = m_g->Fault("VertexBuffer::Optimize");
    if (r == Result::Ok && !device) r = Result::InvalidParams;
    if (r == Result::Ok && m_locked) r = Result::VertexBufferLocked;
    if (r == Result::Ok && IsOptimized()) r = Result::VertexBufferOptimized;
    if (r == Result::Ok) m_desc.caps |= VertexBufferBits::Optimized;
    return m_g->Trace(r, "VertexBuffer::Optimize(VertexBuffer#%u, 0x%x)", m_id, flags);
}

Result SoftVertexBuffer::GetVertexBufferDesc(VertexBufferDesc& desc) {
    SoftGraphics::Scope scope(m_g);
    desc = m_desc;
    return m_g->Trace(Result::Ok, "VertexBuffer::GetVertexBufferDesc(VertexBuffer#%u)", m_id);
}

Result SoftVertexBuffer::ProcessVertices(uint32_t vertexOp, uint32_t destIndex, uint32_t count,
                                         VertexBuffer* srcIface, uint32_t srcIndex,
                                         Device* deviceIface, uint32_t flags) {
    SoftGraphics::Scope scope(m_g);
    Result r = m_g->Fault("VertexBuffer::ProcessVertices");
    auto* src = dynamic_cast<SoftVertexBuffer*>(srcIface);
    auto* dev = dynamic_cast<SoftDevice*>(deviceIface);
    if (r == Result::Ok && (!src || !dev || dev->Graphics() != m_g)) r = Result::InvalidObject;
    if (r == Result::Ok && ((m_desc.fvf & VertexFormat::PositionMask) != VertexFormat::XyzRhw ||
                            (src->Fvf() & VertexFormat::PositionMask) != VertexFormat::Xyz))
        r = Result::InvalidVertexFormat;
    if (r == Result::Ok && (destIndex > Count() || count > Count() - destIndex ||
                            srcIndex > src->Count() || count > src->Count() - srcIndex))
        r = Result::InvalidParams;
    if (r == Result::Ok && (m_locked || src->m_locked)) r = Result::VertexBufferLocked;
    if (r == Result::Ok && IsOptimized()) r = Result::VertexBufferOptimized;
    if (r == Result::Ok) {
        VertexProcessor::Process(
            *dev, vertexOp, src->Data() + static_cast<size_t>(srcIndex) * src->Stride(), src->Fvf(),
            m_data.data() + static_cast<size_t>(destIndex) * m_stride, m_desc.fvf, count);
        ++m_version;
    }
    return m_g->Trace(r, "VertexBuffer::ProcessVertices(VertexBuffer#%u, 0x%x, %u, %u, %u, 0x%x)",
                      m_id, vertexOp, destIndex, count, srcIndex, flags);
}

}  // namespace plat::gfx
