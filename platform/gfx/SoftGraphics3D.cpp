#include "platform/gfx/SoftGraphics3D.h"

#include "platform/gfx/SoftDevice.h"
#include "platform/gfx/SoftSurface.h"
#include "platform/gfx/SoftVertexBuffer.h"
#include "platform/gfx/VertexFormat.h"

namespace plat::gfx {

SoftGraphics3D::SoftGraphics3D(SoftGraphics* g) : m_g(g), m_gRef(Ref<SoftGraphics>::Share(g)) {}

const GfxConfig::DeviceInfo* SoftGraphics3D::FindDevice(DeviceType type) const {
    for (const auto& d : m_g->Driver().devices)
        if (d.desc.deviceType == type) return &d;
    return nullptr;
}

Result SoftGraphics3D::EnumDevices(const DeviceCallback& callback) {
    SoftGraphics::Scope scope(m_g);
    Result r = m_g->Fault("Graphics3D::EnumDevices");
    if (r == Result::Ok && !callback) r = Result::InvalidParams;
    if (r == Result::Ok)
        for (const auto& d : m_g->Driver().devices)
            if (!callback(d.description.c_str(), d.name.c_str(), d.desc)) break;
    return m_g->Trace(r, "Graphics3D::EnumDevices()");
}

Result SoftGraphics3D::EnumZBufferFormats(DeviceType type, const PixelFormatCallback& callback) {
    SoftGraphics::Scope scope(m_g);
    Result r = m_g->Fault("Graphics3D::EnumZBufferFormats");
    if (r == Result::Ok && (!callback || !FindDevice(type))) r = Result::InvalidParams;
    if (r == Result::Ok)
        for (const auto& f : m_g->Driver().zFormats)
            if (!callback(f)) break;
    return m_g->Trace(r, "Graphics3D::EnumZBufferFormats(%s)", DeviceTypeName(type));
}

Result SoftGraphics3D::CreateDevice(DeviceType type, Surface* renderTarget, Device** device) {
    SoftGraphics::Scope scope(m_g);
    if (device) *device = nullptr;
    Result r = m_g->Fault("Graphics3D::CreateDevice");
    auto* target = dynamic_cast<SoftSurface*>(renderTarget);
    const GfxConfig::DeviceInfo* info = FindDevice(type);
    if (r == Result::Ok && (!device || !info)) r = Result::InvalidParams;
    if (r == Result::Ok && (!target || target->Graphics() != m_g)) r = Result::InvalidObject;
    if (r == Result::Ok && !target->IsRenderTarget()) r = Result::InvalidParams;
    if (r == Result::Ok && target->Lost()) r = Result::SurfaceLost;
    if (r == Result::Ok) {
        uint32_t bits = target->Format().rgbBitCount;
        uint32_t need = bits == 16 ? BitDepthBits::Bd16 : bits == 32 ? BitDepthBits::Bd32 : 0;
        if (!(info->desc.renderBitDepth & need)) r = Result::Unsupported;
    }
    if (r == Result::Ok) *device = m_g->NewDevice(this, type, target, info->desc);
    return m_g->Trace(r, "Graphics3D::CreateDevice(%s, %s)", DeviceTypeName(type),
                      SurfaceName(renderTarget).c_str());
}

Result SoftGraphics3D::CreateVertexBuffer(const VertexBufferDesc& desc, VertexBuffer** buffer,
                                          uint32_t flags) {
    SoftGraphics::Scope scope(m_g);
    if (buffer) *buffer = nullptr;
    Result r = m_g->Fault("Graphics3D::CreateVertexBuffer");
    if (r == Result::Ok && !buffer) r = Result::InvalidParams;
    if (r == Result::Ok && !VertexFormat::IsValid(desc.fvf)) r = Result::InvalidVertexFormat;
    if (r == Result::Ok && (desc.numVertices == 0 || desc.numVertices > 0xffff))
        r = Result::InvalidParams;
    if (r == Result::Ok) *buffer = m_g->NewVertexBuffer(desc);
    return m_g->Trace(r, "Graphics3D::CreateVertexBuffer(fvf 0x%x, %u, caps 0x%x, 0x%x)", desc.fvf,
                      desc.numVertices, desc.caps, flags);
}

}  // namespace plat::gfx
