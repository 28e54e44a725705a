#include "platform/gfx/SoftDevice.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/gfx/PixelCodec.h"
#include "platform/gfx/SoftBackend.h"
#include "platform/gfx/SoftGraphics3D.h"
#include "platform/gfx/SoftSurface.h"
#include "platform/gfx/SoftVertexBuffer.h"
#include "platform/gfx/VertexFormat.h"

namespace plat::gfx {

namespace {
constexpr uint32_t kRsCount = static_cast<uint32_t>(RenderState::Count);
constexpr uint32_t kTssCount = static_cast<uint32_t>(StageState::Count);

uint32_t PrimitiveCount(PrimitiveType t, uint32_t n) {
    switch (t) {
        case PrimitiveType::PointList:
            return n;
        case PrimitiveType::LineList:
            return n / 2;
        case PrimitiveType::LineStrip:
            return n >= 2 ? n - 1 : 0;
        case PrimitiveType::TriangleList:
            return n / 3;
        case PrimitiveType::TriangleStrip:
        case PrimitiveType::TriangleFan:
            return n >= 3 ? n - 2 : 0;
    }
    return 0;
}
bool ValidPrimitive(PrimitiveType t) {
    auto v = static_cast<uint32_t>(t);
    return v >= 1 && v <= 6;
}
const char* PrimName(PrimitiveType t) {
    static const char* const names[] = {
        "?", "PointList", "LineList", "LineStrip", "TriangleList", "TriangleStrip", "TriangleFan"};
    auto v = static_cast<uint32_t>(t);
    return v <= 6 ? names[v] : "?";
}
std::string VbName(const VertexBuffer* b) {
    if (auto* s = dynamic_cast<const SoftVertexBuffer*>(b))
        return "VertexBuffer#" + std::to_string(s->Id());
    return b ? "VertexBuffer?" : "null";
}
bool ValidArg(uint32_t a) {
    return (a & TextureArg::SelectMask) <= TextureArg::Specular;
}
bool ValidFilter(uint32_t f, bool mip) {
    if (mip)
        return f == uint32_t(TextureFilter::None) || f == uint32_t(TextureFilter::Point) ||
               f == uint32_t(TextureFilter::Linear);
    return f == uint32_t(TextureFilter::Point) || f == uint32_t(TextureFilter::Linear);
}
}  // namespace

SoftDevice::SoftDevice(SoftGraphics* g, SoftGraphics3D* g3d, DeviceType type, SoftSurface* target,
                       const DeviceDesc& caps)
    : m_g(g),
      m_gRef(Ref<SoftGraphics>::Share(g)),
      m_g3d(Ref<SoftGraphics3D>::Share(g3d)),
      m_id(g->NextId()),
      m_type(type),
      m_caps(caps),
      m_target(Ref<SoftSurface>::Share(target)) {
    auto set = [&](RenderState s, uint32_t v) { m_rs[static_cast<uint32_t>(s)] = v; };
    std::fill(std::begin(m_rs), std::end(m_rs), 0u);
    set(RenderState::CullMode, uint32_t(Cull::Ccw));
    set(RenderState::FillMode, uint32_t(Fill::Solid));
    set(RenderState::TexturePerspective, 1);
    set(RenderState::ShadeMode, uint32_t(Shade::Gouraud));
    set(RenderState::SrcBlend, uint32_t(Blend::One));
    set(RenderState::DestBlend, uint32_t(Blend::Zero));
    set(RenderState::AlphaFunc, uint32_t(Cmp::Always));
    set(RenderState::ZEnable, target->ZBufferSurface() ? uint32_t(ZBufferType::True) : 0u);
    set(RenderState::ZFunc, uint32_t(Cmp::LessEqual));
    set(RenderState::ZWriteEnable, 1);
    set(RenderState::FogStart, FloatBits(0.0f));
    set(RenderState::FogEnd, FloatBits(1.0f));
    set(RenderState::FogDensity, FloatBits(1.0f));
    set(RenderState::StencilFunc, uint32_t(Cmp::Always));
    set(RenderState::StencilMask, 0xffffffffu);
    set(RenderState::StencilWriteMask, 0xffffffffu);
    set(RenderState::Lighting, 1);
    set(RenderState::ColorVertex, 1);
    set(RenderState::LocalViewer, 1);
    set(RenderState::DiffuseMaterialSource, uint32_t(MaterialSource::Color1));
    set(RenderState::SpecularMaterialSource, uint32_t(MaterialSource::Color2));
    set(RenderState::TextureFactor, 0xffffffffu);
    set(RenderState::Clipping, 1);
    for (uint32_t s = 0; s < kMaxTextureStages; ++s) {
        uint32_t* t = m_tss[s];
        std::fill(t, t + kTssCount, 0u);
        auto st = [&](StageState k, uint32_t v) { t[static_cast<uint32_t>(k)] = v; };
        st(StageState::ColorOp, uint32_t(s == 0 ? TextureOp::Modulate : TextureOp::Disable));
        st(StageState::ColorArg1, TextureArg::Texture);
        st(StageState::ColorArg2, TextureArg::Current);
        st(StageState::AlphaOp, uint32_t(s == 0 ? TextureOp::SelectArg1 : TextureOp::Disable));
        st(StageState::AlphaArg1, TextureArg::Texture);
        st(StageState::AlphaArg2, TextureArg::Current);
        st(StageState::TexCoordIndex, s);
        st(StageState::Address, uint32_t(TextureAddress::Wrap));
        st(StageState::AddressU, uint32_t(TextureAddress::Wrap));
        st(StageState::AddressV, uint32_t(TextureAddress::Wrap));
        st(StageState::MagFilter, uint32_t(TextureFilter::Point));
        st(StageState::MinFilter, uint32_t(TextureFilter::Point));
        st(StageState::MipFilter, uint32_t(TextureFilter::None));
        m_texture[s] = Matrix::Identity();
    }
    m_world = m_view = m_projection = Matrix::Identity();
    ResetViewport();
}

SoftDevice::~SoftDevice() = default;

void SoftDevice::ResetViewport() {
    m_viewport = Viewport{0, 0, m_target->Width(), m_target->Height(), 0.0f, 1.0f};
    m_dirty |= DirtyViewport;
}

const Matrix& SoftDevice::TransformMatrix(TransformState s) const {
    switch (s) {
        case TransformState::World:
            return m_world;
        case TransformState::View:
            return m_view;
        case TransformState::Projection:
            return m_projection;
        default:
            break;
    }
    uint32_t i = static_cast<uint32_t>(s) - static_cast<uint32_t>(TransformState::Texture0);
    return m_texture[std::min(i, kMaxTextureStages - 1)];
}

Result SoftDevice::GetCaps(DeviceDesc& desc) {
    SoftGraphics::Scope scope(m_g);
    desc = m_caps;
    return m_g->Trace(Result::Ok, "Device::GetCaps()");
}

Result SoftDevice::GetGraphics3D(Graphics3D** g3d) {
    SoftGraphics::Scope scope(m_g);
    Result r = g3d ? Result::Ok : Result::InvalidParams;
    if (g3d) {
        m_g3d->AddRef();
        *g3d = m_g3d.Get();
    }
    return m_g->Trace(r, "Device::GetGraphics3D()");
}

Result SoftDevice::EnumTextureFormats(const PixelFormatCallback& callback) {
    SoftGraphics::Scope scope(m_g);
    Result r = m_g->Fault("Device::EnumTextureFormats");
    if (r == Result::Ok && !callback) r = Result::InvalidParams;
    if (r == Result::Ok)
        for (const auto& f : m_g->Driver().textureFormats)
            if (!callback(f)) break;
    return m_g->Trace(r, "Device::EnumTextureFormats()");
}

Result SoftDevice::BeginScene() {
    SoftGraphics::Scope scope(m_g);
    Result r = m_g->Fault("Device::BeginScene");
    if (r == Result::Ok && m_inScene) r = Result::SceneInScene;
    if (r == Result::Ok && m_target->Lost()) r = Result::SurfaceLost;
    if (r == Result::Ok) {
        m_inScene = true;
        ++m_stats.scenes;
        OnSceneChange(true);
    }
    return m_g->Trace(r, "Device::BeginScene()");
}

Result SoftDevice::EndScene() {
    SoftGraphics::Scope scope(m_g);
    Result r = m_g->Fault("Device::EndScene");
    if (r == Result::Ok && !m_inScene) r = Result::SceneNotInScene;
    if (r == Result::Ok) {
        m_inScene = false;
        OnSceneChange(false);
        r = DoEndScene();
    }
    return m_g->Trace(r, "Device::EndScene()");
}

Result SoftDevice::Clear(uint32_t count, const Rect* rects, uint32_t flags, uint32_t color, float z,
                         uint32_t stencil) {
    SoftGraphics::Scope scope(m_g);
    Result r = m_g->Fault("Device::Clear");
    SoftSurface* zs = m_target->ZBufferSurface();
    if (r == Result::Ok &&
        (!flags || (flags & ~(ClearBits::Target | ClearBits::ZBuffer | ClearBits::Stencil))))
        r = Result::InvalidParams;
    if (r == Result::Ok && (flags & (ClearBits::ZBuffer | ClearBits::Stencil)) && !zs)
        r = Result::InvalidParams;
    if (r == Result::Ok && (flags & ClearBits::Stencil) &&
        !(zs->Format().flags & PixelFormatBits::StencilBuffer))
        r = Result::InvalidParams;
    if (r == Result::Ok && count && !rects) r = Result::InvalidParams;
    if (r == Result::Ok && m_target->Lost()) r = Result::SurfaceLost;
    if (r == Result::Ok) {
        r = DoClear(count, rects, flags, color, z, stencil);
        ++m_stats.clears;
    }
    return m_g->Trace(r, "Device::Clear(%u, 0x%x, 0x%08x, %g, %u)", count, flags, color,
                      static_cast<double>(z), stencil);
}

Result SoftDevice::DoClear(uint32_t count, const Rect* rects, uint32_t flags, uint32_t color,
                           float z, uint32_t stencil) {
    const Rect vp{static_cast<int32_t>(m_viewport.x), static_cast<int32_t>(m_viewport.y),
                  static_cast<int32_t>(m_viewport.x + m_viewport.width),
                  static_cast<int32_t>(m_viewport.y + m_viewport.height)};
    std::vector<Rect> list;
    if (count == 0)
        list.push_back(vp);
    else
        list.assign(rects, rects + count);
    SoftSurface* zs = m_target->ZBufferSurface();
    for (Rect c : list) {
        c.left = std::max(c.left, vp.left);
        c.top = std::max(c.top, vp.top);
        c.right = std::min(c.right, vp.right);
        c.bottom = std::min(c.bottom, vp.bottom);
        if (c.left >= c.right || c.top >= c.bottom) continue;
        if (flags & ClearBits::Target) {
            PixelCodec codec(m_target->Format());
            m_target->Fill(c, codec.FromArgb(color));
        }
        if (zs && (flags & (ClearBits::ZBuffer | ClearBits::Stencil))) {
            const PixelFormat& f = zs->Format();
            uint32_t shift = 0;
            while (f.zBitMask && !((f.zBitMask >> shift) & 1)) ++shift;
            uint32_t zmax = f.zBitMask >> shift;
            uint32_t raw =
                static_cast<uint32_t>(std::lround(std::clamp(z, 0.0f, 1.0f) * double(zmax)))
                << shift;
            raw |= stencil & f.stencilBitMask;
            zs->Fill(c, raw);
        }
    }
    return Result::Ok;
}

Result SoftDevice::SetRenderTarget(Surface* target, uint32_t flags) {
    SoftGraphics::Scope scope(m_g);
    Result r = m_g->Fault("Device::SetRenderTarget");
    auto* t = dynamic_cast<SoftSurface*>(target);
    if (r == Result::Ok && (!t || t->Graphics() != m_g)) r = Result::InvalidObject;
    if (r == Result::Ok && !t->IsRenderTarget()) r = Result::InvalidParams;
    if (r == Result::Ok && t->Lost()) r = Result::SurfaceLost;
    if (r == Result::Ok) {
        m_target = Ref<SoftSurface>::Share(t);
        ResetViewport();
        m_dirty |= DirtyTarget;
        OnTargetChanged();
    }
    return m_g->Trace(r, "Device::SetRenderTarget(%s, 0x%x)", SurfaceName(target).c_str(), flags);
}

Result SoftDevice::GetRenderTarget(Surface** target) {
    SoftGraphics::Scope scope(m_g);
    Result r = target ? Result::Ok : Result::InvalidParams;
    if (target) {
        m_target->AddRef();
        *target = m_target.Get();
    }
    return m_g->Trace(r, "Device::GetRenderTarget()");
}

Result SoftDevice::SetViewport(const Viewport& v) {
    SoftGraphics::Scope scope(m_g);
    Result r = m_g->Fault("Device::SetViewport");
    if (r == Result::Ok &&
        (v.width == 0 || v.height == 0 || v.x + v.width > m_target->Width() ||
         v.y + v.height > m_target->Height() || v.minZ < 0.0f || v.maxZ > 1.0f || v.minZ > v.maxZ))
        r = Result::InvalidParams;
    if (r == Result::Ok) {
        m_viewport = v;
        m_dirty |= DirtyViewport;
    }
    return m_g->Trace(r, "Device::SetViewport(%u, %u, %u, %u, %g, %g)", v.x, v.y, v.width, v.height,
                      static_cast<double>(v.minZ), static_cast<double>(v.maxZ));
}

Result SoftDevice::GetViewport(Viewport& viewport) {
    SoftGraphics::Scope scope(m_g);
    viewport = m_viewport;
    return m_g->Trace(Result::Ok, "Device::GetViewport()");
}

Result SoftDevice::SetTransform(TransformState state, const Matrix& matrix) {
    SoftGraphics::Scope scope(m_g);
    Result r = Result::Ok;
    auto v = static_cast<uint32_t>(state);
    if (state == TransformState::World)
        m_world = matrix;
    else if (state == TransformState::View)
        m_view = matrix;
    else if (state == TransformState::Projection)
        m_projection = matrix;
    else if (v >= uint32_t(TransformState::Texture0) && v <= uint32_t(TransformState::Texture7))
        m_texture[v - uint32_t(TransformState::Texture0)] = matrix;
    else
        r = Result::InvalidParams;
    if (r == Result::Ok)
        m_dirty |= DirtyTransforms | (state == TransformState::View ? uint32_t(DirtyLights) : 0u);
    return m_g->Trace(r, "Device::SetTransform(%u)", v);
}

Result SoftDevice::GetTransform(TransformState state, Matrix& matrix) {
    SoftGraphics::Scope scope(m_g);
    auto v = static_cast<uint32_t>(state);
    Result r = Result::Ok;
    if (state == TransformState::World || state == TransformState::View ||
        state == TransformState::Projection ||
        (v >= uint32_t(TransformState::Texture0) && v <= uint32_t(TransformState::Texture7)))
        matrix = TransformMatrix(state);
    else
        r = Result::InvalidParams;
    return m_g->Trace(r, "Device::GetTransform(%u)", v);
}

Result SoftDevice::SetRenderState(RenderState state, uint32_t value) {
    SoftGraphics::Scope scope(m_g);
    auto i = static_cast<uint32_t>(state);
    Result r = i < kRsCount ? Result::Ok : Result::InvalidParams;
    if (r == Result::Ok) {
        m_rs[i] = value;
        m_dirty |= DirtyRenderStates;
        if (state == RenderState::ColorKeyEnable) m_dirty |= DirtyTextures;
    }
    return m_g->Trace(r, "Device::SetRenderState(%s, 0x%x)", RenderStateName(state), value);
}

Result SoftDevice::GetRenderState(RenderState state, uint32_t& value) {
    SoftGraphics::Scope scope(m_g);
    auto i = static_cast<uint32_t>(state);
    Result r = i < kRsCount ? Result::Ok : Result::InvalidParams;
    if (r == Result::Ok) value = m_rs[i];
    return m_g->Trace(r, "Device::GetRenderState(%s)", RenderStateName(state));
}

Result SoftDevice::SetTextureStageState(uint32_t stage, StageState state, uint32_t value) {
    SoftGraphics::Scope scope(m_g);
    auto i = static_cast<uint32_t>(state);
    Result r = stage < kMaxTextureStages && i < kTssCount ? Result::Ok : Result::InvalidParams;
    if (r == Result::Ok) {
        m_tss[stage][i] = value;
        if (state == StageState::Address) {
            m_tss[stage][uint32_t(StageState::AddressU)] = value;
            m_tss[stage][uint32_t(StageState::AddressV)] = value;
        } else if (state == StageState::AddressU) {
            m_tss[stage][uint32_t(StageState::Address)] = value;
        }
        m_dirty |= DirtyStages;
    }
    return m_g->Trace(r, "Device::SetTextureStageState(%u, %s, 0x%x)", stage, StageStateName(state),
                      value);
}

Result SoftDevice::GetTextureStageState(uint32_t stage, StageState state, uint32_t& value) {
    SoftGraphics::Scope scope(m_g);
    auto i = static_cast<uint32_t>(state);
    Result r = stage < kMaxTextureStages && i < kTssCount ? Result::Ok : Result::InvalidParams;
    if (r == Result::Ok) value = m_tss[stage][i];
    return m_g->Trace(r, "Device::GetTextureStageState(%u, %s)", stage, StageStateName(state));
}

Result SoftDevice::SetTexture(uint32_t stage, Surface* texture) {
    SoftGraphics::Scope scope(m_g);
    Result r = m_g->Fault("Device::SetTexture");
    auto* t = dynamic_cast<SoftSurface*>(texture);
    if (r == Result::Ok && stage >= kMaxTextureStages) r = Result::InvalidParams;
    if (r == Result::Ok && texture && (!t || t->Graphics() != m_g)) r = Result::InvalidObject;
    if (r == Result::Ok && t && !t->IsTexture()) r = Result::InvalidParams;
    if (r == Result::Ok) {
        m_textures[stage] = Ref<SoftSurface>::Share(t);
        m_dirty |= DirtyTextures;
    }
    return m_g->Trace(r, "Device::SetTexture(%u, %s)", stage, SurfaceName(texture).c_str());
}

Result SoftDevice::GetTexture(uint32_t stage, Surface** texture) {
    SoftGraphics::Scope scope(m_g);
    Result r = stage < kMaxTextureStages && texture ? Result::Ok : Result::InvalidParams;
    if (r == Result::Ok) {
        *texture = m_textures[stage].Get();
        if (*texture) (*texture)->AddRef();
    }
    return m_g->Trace(r, "Device::GetTexture(%u)", stage);
}

Result SoftDevice::SetMaterial(const Material& material) {
    SoftGraphics::Scope scope(m_g);
    m_material = material;
    m_dirty |= DirtyMaterial;
    return m_g->Trace(Result::Ok, "Device::SetMaterial()");
}

Result SoftDevice::GetMaterial(Material& material) {
    SoftGraphics::Scope scope(m_g);
    material = m_material;
    return m_g->Trace(Result::Ok, "Device::GetMaterial()");
}

Result SoftDevice::SetLight(uint32_t index, const Light& light) {
    SoftGraphics::Scope scope(m_g);
    Result r = Result::Ok;
    auto t = static_cast<uint32_t>(light.type);
    if (t < 1 || t > 3 || (light.type != LightType::Directional && light.range < 0))
        r = Result::InvalidLight;
    if (r == Result::Ok) {
        m_lights[index].light = light;
        m_dirty |= DirtyLights;
    }
    return m_g->Trace(r, "Device::SetLight(%u, type %u)", index, t);
}

Result SoftDevice::GetLight(uint32_t index, Light& light) {
    SoftGraphics::Scope scope(m_g);
    auto it = m_lights.find(index);
    Result r = it == m_lights.end() ? Result::InvalidParams : Result::Ok;
    if (r == Result::Ok) light = it->second.light;
    return m_g->Trace(r, "Device::GetLight(%u)", index);
}

Result SoftDevice::LightEnable(uint32_t index, bool enable) {
    SoftGraphics::Scope scope(m_g);
    auto it = m_lights.find(index);
    if (it == m_lights.end()) {
        LightSlot slot;
        slot.light.type = LightType::Directional;
        slot.light.diffuse = {1, 1, 1, 0};
        slot.light.direction = {0, 0, 1};
        it = m_lights.emplace(index, slot).first;
    }
    it->second.enabled = enable;
    m_dirty |= DirtyLights;
    return m_g->Trace(Result::Ok, "Device::LightEnable(%u, %d)", index, enable ? 1 : 0);
}

Result SoftDevice::GetLightEnable(uint32_t index, bool& enable) {
    SoftGraphics::Scope scope(m_g);
    auto it = m_lights.find(index);
    Result r = it == m_lights.end() ? Result::InvalidParams : Result::Ok;
    if (r == Result::Ok) enable = it->second.enabled;
    return m_g->Trace(r, "Device::GetLightEnable(%u)", index);
}

Result SoftDevice::CheckDraw(const DrawCall& c) const {
    if (!ValidPrimitive(c.type)) return Result::InvalidPrimitiveType;
    if (!m_inScene) return Result::SceneNotInScene;
    if (m_target->Lost()) return Result::SurfaceLost;
    if (!VertexFormat::IsValid(c.fvf)) return Result::InvalidVertexFormat;
    if (!c.vertices || c.vertexCount == 0) return Result::InvalidParams;
    if (c.indices) {
        if (c.indexCount == 0) return Result::InvalidParams;
        uint16_t top = *std::max_element(c.indices, c.indices + c.indexCount);
        if (top >= c.vertexCount) return Result::InvalidParams;
    }
    return Result::Ok;
}

Result SoftDevice::Draw(const char* name, const DrawCall& call) {
    Result r = m_g->Fault(name);
    if (r == Result::Ok) r = CheckDraw(call);
    if (r == Result::Ok && call.primitives) {
        r = DoDraw(call);
        if (r == Result::Ok) {
            ++m_stats.draws;
            m_stats.primitives += call.primitives;
            m_stats.vertices += call.indices ? call.indexCount : call.vertexCount;
        }
    }
    return r;
}

Result SoftDevice::DoDraw(const DrawCall&) {
    return Result::Ok;
}

Result SoftDevice::DrawPrimitive(PrimitiveType type, uint32_t fvf, const void* vertices,
                                 uint32_t vertexCount, uint32_t flags) {
    SoftGraphics::Scope scope(m_g);
    DrawCall c{type,    fvf, static_cast<const uint8_t*>(vertices), vertexCount, nullptr, 0,
               nullptr, 0,   PrimitiveCount(type, vertexCount)};
    Result r = Draw("Device::DrawPrimitive", c);
    return m_g->Trace(r, "Device::DrawPrimitive(%s, fvf 0x%x, %u, 0x%x)", PrimName(type), fvf,
                      vertexCount, flags);
}

Result SoftDevice::DrawIndexedPrimitive(PrimitiveType type, uint32_t fvf, const void* vertices,
                                        uint32_t vertexCount, const uint16_t* indices,
                                        uint32_t indexCount, uint32_t flags) {
    SoftGraphics::Scope scope(m_g);
    DrawCall c{type,    fvf,        static_cast<const uint8_t*>(vertices), vertexCount, nullptr, 0,
               indices, indexCount, PrimitiveCount(type, indexCount)};
    Result r = indices ? Draw("Device::DrawIndexedPrimitive", c) : Result::InvalidParams;
    return m_g->Trace(r, "Device::DrawIndexedPrimitive(%s, fvf 0x%x, %u, %u, 0x%x)", PrimName(type),
                      fvf, vertexCount, indexCount, flags);
}

Result SoftDevice::DrawPrimitiveVB(PrimitiveType type, VertexBuffer* buffer, uint32_t start,
                                   uint32_t count, uint32_t flags) {
    SoftGraphics::Scope scope(m_g);
    auto* vb = dynamic_cast<SoftVertexBuffer*>(buffer);
    Result r = Result::Ok;
    if (!vb)
        r = Result::InvalidObject;
    else if (vb->IsLocked())
        r = Result::VertexBufferLocked;
    else if (start > vb->Count() || count > vb->Count() - start)
        r = Result::InvalidParams;
    if (r == Result::Ok) {
        DrawCall c{type,    vb->Fvf(), vb->Data() + static_cast<size_t>(start) * vb->Stride(),
                   count,   vb,        start,
                   nullptr, 0,         PrimitiveCount(type, count)};
        r = Draw("Device::DrawPrimitiveVB", c);
    }
    return m_g->Trace(r, "Device::DrawPrimitiveVB(%s, %s, %u, %u, 0x%x)", PrimName(type),
                      VbName(buffer).c_str(), start, count, flags);
}

Result SoftDevice::DrawIndexedPrimitiveVB(PrimitiveType type, VertexBuffer* buffer, uint32_t start,
                                          uint32_t numVertices, const uint16_t* indices,
                                          uint32_t indexCount, uint32_t flags) {
    SoftGraphics::Scope scope(m_g);
    auto* vb = dynamic_cast<SoftVertexBuffer*>(buffer);
    Result r = Result::Ok;
    if (!vb)
        r = Result::InvalidObject;
    else if (vb->IsLocked())
        r = Result::VertexBufferLocked;
    else if (!indices || start > vb->Count() || numVertices > vb->Count() - start)
        r = Result::InvalidParams;
    if (r == Result::Ok) {
        DrawCall c{type,        vb->Fvf(),  vb->Data() + static_cast<size_t>(start) * vb->Stride(),
                   numVertices, vb,         start,
                   indices,     indexCount, PrimitiveCount(type, indexCount)};
        r = Draw("Device::DrawIndexedPrimitiveVB", c);
    }
    return m_g->Trace(r, "Device::DrawIndexedPrimitiveVB(%s, %s, %u, %u, %u, 0x%x)", PrimName(type),
                      VbName(buffer).c_str(), start, numVertices, indexCount, flags);
}

Result SoftDevice::ValidateStages(uint32_t* passes) const {
    uint32_t textures = 0;
    for (uint32_t s = 0; s < kMaxTextureStages; ++s) {
        const uint32_t cop = TSS(s, StageState::ColorOp);
        if (cop == uint32_t(TextureOp::Disable)) break;
        if (s >= m_caps.maxTextureBlendStages) return Result::TooManyOperations;
        if (cop >= uint32_t(TextureOp::Count) || !(m_caps.textureOpCaps & (1u << cop)))
            return Result::UnsupportedColorOperation;
        if (!ValidArg(TSS(s, StageState::ColorArg1)) || !ValidArg(TSS(s, StageState::ColorArg2)))
            return Result::UnsupportedColorArg;
        const uint32_t aop = TSS(s, StageState::AlphaOp);
        if (aop != uint32_t(TextureOp::Disable) &&
            (aop >= uint32_t(TextureOp::Count) || !(m_caps.textureOpCaps & (1u << aop))))
            return Result::UnsupportedAlphaOperation;
        if (!ValidArg(TSS(s, StageState::AlphaArg1)) || !ValidArg(TSS(s, StageState::AlphaArg2)))
            return Result::UnsupportedAlphaArg;
        if (m_textures[s]) {
            if (++textures > m_caps.maxSimultaneousTextures) return Result::TooManyOperations;
            if (!ValidFilter(TSS(s, StageState::MagFilter), false) ||
                !ValidFilter(TSS(s, StageState::MinFilter), false) ||
                !ValidFilter(TSS(s, StageState::MipFilter), true))
                return Result::UnsupportedTextureFilter;
        }
    }
    if (passes) *passes = 1;
    return Result::Ok;
}

Result SoftDevice::ValidateDevice(uint32_t* passes) {
    SoftGraphics::Scope scope(m_g);
    Result r = m_g->Fault("Device::ValidateDevice");
    if (r == Result::Ok) {
        SoftBackend::ValidateHook hook =
            m_g->Backend() ? m_g->Backend()->GetValidateHook() : nullptr;
        r = hook ? hook(*this, passes) : ValidateStages(passes);
    }
    return m_g->Trace(r, "Device::ValidateDevice() = %u", passes ? *passes : 0);
}

Result SoftDevice::Load(Surface* dest, const Point* destPoint, Surface* src, const Rect* srcRect,
                        uint32_t flags) {
    SoftGraphics::Scope scope(m_g);
    Result r = m_g->Fault("Device::Load");
    auto* d = dynamic_cast<SoftSurface*>(dest);
    auto* s = dynamic_cast<SoftSurface*>(src);
    if (r == Result::Ok && (!d || !s || d->Graphics() != m_g || s->Graphics() != m_g))
        r = Result::InvalidObject;
    if (r == Result::Ok && (!d->IsTexture() || !(d->Format() == s->Format())))
        r = Result::InvalidParams;
    if (r == Result::Ok && (d->Lost() || s->Lost())) r = Result::SurfaceLost;
    if (r == Result::Ok) {
        // Find the source level of the destination's size, then copy level by level.
        SoftSurface* from = s;
        while (from && (from->Width() != d->Width() || from->Height() != d->Height()))
            from = from->NextInChain();
        Rect area{0, 0, static_cast<int32_t>(d->Width()), static_cast<int32_t>(d->Height())};
        Point at;
        if (srcRect || destPoint) {
            // A part of the top level only.
            from = s;
            area = srcRect ? *srcRect
                           : Rect{0, 0, static_cast<int32_t>(s->Width()),
                                  static_cast<int32_t>(s->Height())};
            if (destPoint) at = *destPoint;
            if (area.left < 0 || area.top < 0 || area.left >= area.right ||
                area.top >= area.bottom || area.right > static_cast<int32_t>(s->Width()) ||
                area.bottom > static_cast<int32_t>(s->Height()) || at.x < 0 || at.y < 0 ||
                at.x + area.Width() > static_cast<int32_t>(d->Width()) ||
                at.y + area.Height() > static_cast<int32_t>(d->Height()))
                r = Result::InvalidParams;
        } else if (!from) {
            r = Result::InvalidParams;
        }
        const uint32_t bpp = PixelCodec(d->Format()).BytesPerPixel();
        for (SoftSurface* to = d; r == Result::Ok && to && from;
             to = to->NextInChain(), from = from->NextInChain()) {
            r = from->SyncToCpu(true);
            if (r == Result::Ok) r = to->SyncToCpu(srcRect || destPoint);
            if (r != Result::Ok) break;
            const uint8_t* sm = from->Memory();
            uint8_t* dm = to->Memory();
            for (int32_t y = 0; y < area.Height(); ++y)
                std::memcpy(dm + static_cast<ptrdiff_t>(at.y + y) * to->Pitch() +
                                static_cast<ptrdiff_t>(at.x) * bpp,
                            sm + static_cast<ptrdiff_t>(area.top + y) * from->Pitch() +
                                static_cast<ptrdiff_t>(area.left) * bpp,
                            static_cast<size_t>(area.Width()) * bpp);
            to->CpuChanged();
            if (srcRect || destPoint) break;
            area = {0, 0, static_cast<int32_t>(std::max(1u, to->Width() / 2)),
                    static_cast<int32_t>(std::max(1u, to->Height() / 2))};
        }
    }
    return m_g->Trace(r, "Device::Load(%s, %s, 0x%x)", SurfaceName(dest).c_str(),
                      SurfaceName(src).c_str(), flags);
}

}  // namespace plat::gfx
