#include "platform/gfx/VertexProcessor.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/gfx/GfxMath.h"
#include "platform/gfx/SoftDevice.h"
#include "platform/gfx/VertexFormat.h"

namespace plat::gfx {

namespace {
ColorValue FromArgb(uint32_t c) {
    return {((c >> 16) & 0xff) / 255.0f, ((c >> 8) & 0xff) / 255.0f, (c & 0xff) / 255.0f,
            (c >> 24) / 255.0f};
}
uint32_t ToArgb(const ColorValue& c) {
    auto q = [](float v) {
        return static_cast<uint32_t>(std::lround(std::clamp(v, 0.0f, 1.0f) * 255.0f));
    };
    return q(c.a) << 24 | q(c.r) << 16 | q(c.g) << 8 | q(c.b);
}
float Read(const uint8_t* p) {
    float f;
    std::memcpy(&f, p, 4);
    return f;
}
void Write(uint8_t* p, float f) {
    std::memcpy(p, &f, 4);
}
uint32_t ReadU(const uint8_t* p) {
    uint32_t u;
    std::memcpy(&u, p, 4);
    return u;
}
void WriteU(uint8_t* p, uint32_t u) {
    std::memcpy(p, &u, 4);
}
}  // namespace

void VertexProcessor::TransformTexCoord(const float* in, uint32_t n, uint32_t flags,
                                        const Matrix& matrix, float out[2]) {
    float v[4] = {0, 0, 0, 0};
    for (uint32_t i = 0; i < n && i < 4; ++i) v[i] = in[i];
    if (n < 4) v[n] = 1.0f;
    const uint32_t count = flags & 0xff;
    if (count == TextureTransform::Disable) {
        out[0] = v[0];
        out[1] = n > 1 ? v[1] : 0.0f;
        return;
    }
    float r[4];
    math::TransformVec4(v, matrix, r);
    out[0] = r[0];
    out[1] = count > 1 ? r[1] : 0.0f;
    if ((flags & TextureTransform::Projected) && count >= 2) {
        float w = r[count - 1];
        if (w != 0.0f) {
            out[0] /= w;
            if (count > 2) out[1] /= w;
        }
    }
}

VertexProcessor::LitColor VertexProcessor::Light(const SoftDevice& dev, const Vector3& P,
                                                 const Vector3& N, const uint32_t* vdiffuse,
                                                 const uint32_t* vspecular) {
    const bool colorVertex = dev.RS(RenderState::ColorVertex) != 0;
    auto source = [&](RenderState s, const ColorValue& material) {
        auto src = static_cast<MaterialSource>(dev.RS(s));
        if (colorVertex && src == MaterialSource::Color1 && vdiffuse) return FromArgb(*vdiffuse);
        if (colorVertex && src == MaterialSource::Color2 && vspecular) return FromArgb(*vspecular);
        return material;
    };
    const Material& mat = dev.CurrentMaterial();
    const ColorValue md = source(RenderState::DiffuseMaterialSource, mat.diffuse);
    const ColorValue ma = source(RenderState::AmbientMaterialSource, mat.ambient);
    const ColorValue ms = source(RenderState::SpecularMaterialSource, mat.specular);
    const ColorValue me = source(RenderState::EmissiveMaterialSource, mat.emissive);
    const ColorValue global = FromArgb(dev.RS(RenderState::Ambient));
    const bool specularOn = dev.RS(RenderState::SpecularEnable) != 0;
    const bool localViewer = dev.RS(RenderState::LocalViewer) != 0;
    const Matrix& view = dev.TransformMatrix(TransformState::View);

    ColorValue amb{global.r, global.g, global.b, 0}, dif{}, spe{};
    for (const auto& [index, slot] : dev.Lights()) {
        if (!slot.enabled) continue;
        const gfx::Light& l = slot.light;
        Vector3 L;
        float att = 1.0f, spot = 1.0f;
        if (l.type == LightType::Directional) {
            L = math::Normalize(math::Scale(math::TransformDirection(l.direction, view), -1.0f));
        } else {
            Vector3 pos = math::TransformPoint(l.position, view);
            Vector3 d = math::Sub(pos, P);
            float dist = math::Length(d);
            if (l.range > 0 && dist > l.range) continue;
            L = math::Normalize(d);
            float denom = l.attenuation0 + l.attenuation1 * dist + l.attenuation2 * dist * dist;
            att = denom > 0 ? 1.0f / denom : 1.0f;
            if (l.type == LightType::Spot) {
                Vector3 dir = math::Normalize(math::TransformDirection(l.direction, view));
                float rho = math::Dot(math::Scale(L, -1.0f), dir);
                float cosTheta = std::cos(l.theta * 0.5f), cosPhi = std::cos(l.phi * 0.5f);
                if (rho <= cosPhi)
                    spot = 0;
                else if (rho < cosTheta && cosTheta > cosPhi)
                    spot = std::pow((rho - cosPhi) / (cosTheta - cosPhi), l.falloff);
            }
        }
        const float k = att * spot;
        amb.r += l.ambient.r * k;
        amb.g += l.ambient.g * k;
        amb.b += l.ambient.b * k;
        float ndl = std::max(0.0f, math::Dot(N, L));
        dif.r += l.diffuse.r * ndl * k;
        dif.g += l.diffuse.g * ndl * k;
        dif.b += l.diffuse.b * ndl * k;
        if (specularOn && ndl > 0) {
            Vector3 V = localViewer ? math::Normalize(math::Scale(P, -1.0f)) : Vector3{0, 0, -1};
            Vector3 H = math::Normalize(math::Add(L, V));
            float s = std::pow(std::max(0.0f, math::Dot(N, H)), mat.power) * k;
            spe.r += l.specular.r * s;
            spe.g += l.specular.g * s;
            spe.b += l.specular.b * s;
        }
    }
    LitColor out;
    out.diffuse = {me.r + amb.r * ma.r + dif.r * md.r, me.g + amb.g * ma.g + dif.g * md.g,
                   me.b + amb.b * ma.b + dif.b * md.b, md.a};
    out.specular = {spe.r * ms.r, spe.g * ms.g, spe.b * ms.b,
                    vspecular ? ((*vspecular >> 24) / 255.0f) : 0.0f};
    return out;
}

void VertexProcessor::Process(const SoftDevice& dev, uint32_t op, const uint8_t* src,
                              uint32_t srcFvf, uint8_t* dst, uint32_t dstFvf, uint32_t count) {
    const uint32_t sstride = VertexFormat::Stride(srcFvf), dstride = VertexFormat::Stride(dstFvf);
    const Matrix wv = math::Multiply(dev.TransformMatrix(TransformState::World),
                                     dev.TransformMatrix(TransformState::View));
    const Matrix wvp = math::Multiply(wv, dev.TransformMatrix(TransformState::Projection));
    Matrix normalM;
    if (!math::Invert(wv, normalM)) normalM = Matrix::Identity();
    normalM = math::Transpose(normalM);
    const Viewport& vp = dev.CurrentViewport();
    const bool light = (op & VertexOpBits::Light) && dev.RS(RenderState::Lighting) != 0;
    const uint32_t srcSets = VertexFormat::TexCount(srcFvf);
    const uint32_t dstSets = VertexFormat::TexCount(dstFvf);

    for (uint32_t i = 0; i < count; ++i) {
        const uint8_t* s = src + static_cast<size_t>(i) * sstride;
        uint8_t* d = dst + static_cast<size_t>(i) * dstride;
        Vector3 p{Read(s), Read(s + 4), Read(s + 8)};
        Vector3 cp = math::TransformPoint(p, wv);
        Vector3 cn{0, 0, 0};
        if (srcFvf & VertexFormat::Normal) {
            const uint8_t* n = s + VertexFormat::NormalOffset(srcFvf);
            cn = math::Normalize(
                math::TransformDirection(Vector3{Read(n), Read(n + 4), Read(n + 8)}, normalM));
        }
        float in[4] = {p.x, p.y, p.z, 1.0f}, clip[4];
        math::TransformVec4(in, wvp, clip);
        if (op & VertexOpBits::Transform) {
            float w = clip[3] != 0.0f ? clip[3] : 1e-20f;
            float rhw = 1.0f / w;
            Write(d, vp.x + (1.0f + clip[0] * rhw) * 0.5f * vp.width);
            Write(d + 4, vp.y + (1.0f - clip[1] * rhw) * 0.5f * vp.height);
            Write(d + 8, vp.minZ + clip[2] * rhw * (vp.maxZ - vp.minZ));
            Write(d + 12, rhw);
        } else {
            Write(d, p.x);
            Write(d + 4, p.y);
            Write(d + 8, p.z);
            Write(d + 12, 1.0f);
        }
        uint32_t vd = 0xffffffffu, vs = 0;
        const bool hasD = (srcFvf & VertexFormat::Diffuse) != 0;
        const bool hasS = (srcFvf & VertexFormat::Specular) != 0;
        if (hasD) vd = ReadU(s + VertexFormat::DiffuseOffset(srcFvf));
        if (hasS) vs = ReadU(s + VertexFormat::SpecularOffset(srcFvf));
        if (light) {
            LitColor lc = Light(dev, cp, cn, hasD ? &vd : nullptr, hasS ? &vs : nullptr);
            vd = ToArgb(lc.diffuse);
            vs = ToArgb(lc.specular);
        }
        if (dstFvf & VertexFormat::Diffuse) WriteU(d + VertexFormat::DiffuseOffset(dstFvf), vd);
        if (dstFvf & VertexFormat::Specular) WriteU(d + VertexFormat::SpecularOffset(dstFvf), vs);
        for (uint32_t set = 0; set < dstSets; ++set) {
            const uint32_t stage = std::min(set, kMaxTextureStages - 1);
            const uint32_t tci = dev.TSS(stage, StageState::TexCoordIndex);
            const uint32_t flags = dev.TSS(stage, StageState::TextureTransformFlags);
            const Matrix& tm = dev.TransformMatrix(TextureTransformState(stage));
            float coords[4] = {0, 0, 0, 0};
            uint32_t n = 2;
            switch (tci & TexCoordGen::Mask) {
                case TexCoordGen::CameraSpacePosition:
                    coords[0] = cp.x, coords[1] = cp.y, coords[2] = cp.z, n = 3;
                    break;
                case TexCoordGen::CameraSpaceNormal:
                    coords[0] = cn.x, coords[1] = cn.y, coords[2] = cn.z, n = 3;
                    break;
                case TexCoordGen::CameraSpaceReflectionVector: {
                    Vector3 u = math::Normalize(cp);
                    Vector3 r = math::Sub(u, math::Scale(cn, 2.0f * math::Dot(cn, u)));
                    coords[0] = r.x, coords[1] = r.y, coords[2] = r.z, n = 3;
                    break;
                }
                default: {
                    uint32_t from = tci & 0xffff;
                    if (from < srcSets) {
                        const uint8_t* t = s + VertexFormat::TexOffset(srcFvf, from);
                        coords[0] = Read(t);
                        coords[1] = Read(t + 4);
                    }
                }
            }
            float out[2];
            TransformTexCoord(coords, n, flags, tm, out);
            uint8_t* t = d + VertexFormat::TexOffset(dstFvf, set);
            Write(t, out[0]);
            Write(t + 4, out[1]);
        }
    }
}

}  // namespace plat::gfx
