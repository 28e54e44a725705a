#include "platform/gfx/gl/GlDevice.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/gfx/GfxMath.h"
#include "platform/gfx/VertexFormat.h"
#include "platform/gfx/gl/GlGraphics.h"
#include "platform/gfx/gl/GlSurface.h"
#include "platform/gfx/gl/GlVertexBuffer.h"

namespace plat::gfx {

namespace {

GLenum BlendFactor(uint32_t b) {
    switch (static_cast<Blend>(b)) {
        case Blend::Zero:
            return GL_ZERO;
        case Blend::One:
            return GL_ONE;
        case Blend::SrcColor:
            return GL_SRC_COLOR;
        case Blend::InvSrcColor:
            return GL_ONE_MINUS_SRC_COLOR;
        case Blend::SrcAlpha:
            return GL_SRC_ALPHA;
        case Blend::InvSrcAlpha:
            return GL_ONE_MINUS_SRC_ALPHA;
        case Blend::DestAlpha:
            return GL_DST_ALPHA;
        case Blend::InvDestAlpha:
            return GL_ONE_MINUS_DST_ALPHA;
        case Blend::DestColor:
            return GL_DST_COLOR;
        case Blend::InvDestColor:
            return GL_ONE_MINUS_DST_COLOR;
        case Blend::SrcAlphaSat:
            return GL_SRC_ALPHA_SATURATE;
        default:
            return GL_ONE;
    }
}

GLenum Compare(uint32_t c) {
    switch (static_cast<Cmp>(c)) {
        case Cmp::Never:
            return GL_NEVER;
        case Cmp::Less:
            return GL_LESS;
        case Cmp::Equal:
            return GL_EQUAL;
        case Cmp::LessEqual:
            return GL_LEQUAL;
        case Cmp::Greater:
            return GL_GREATER;
        case Cmp::NotEqual:
            return GL_NOTEQUAL;
        case Cmp::GreaterEqual:
            return GL_GEQUAL;
        default:
            return GL_ALWAYS;
    }
}

GLenum StencilAction(uint32_t o) {
    switch (static_cast<StencilOp>(o)) {
        case StencilOp::Zero:
            return GL_ZERO;
        case StencilOp::Replace:
            return GL_REPLACE;
        case StencilOp::IncrSat:
            return GL_INCR;
        case StencilOp::DecrSat:
            return GL_DECR;
        case StencilOp::Invert:
            return GL_INVERT;
        case StencilOp::Incr:
            return GL_INCR_WRAP;
        case StencilOp::Decr:
            return GL_DECR_WRAP;
        default:
            return GL_KEEP;
    }
}

GLenum Primitive(PrimitiveType t) {
    switch (t) {
        case PrimitiveType::PointList:
            return GL_POINTS;
        case PrimitiveType::LineList:
            return GL_LINES;
        case PrimitiveType::LineStrip:
            return GL_LINE_STRIP;
        case PrimitiveType::TriangleList:
            return GL_TRIANGLES;
        case PrimitiveType::TriangleStrip:
            return GL_TRIANGLE_STRIP;
        case PrimitiveType::TriangleFan:
            return GL_TRIANGLE_FAN;
    }
    return GL_TRIANGLES;
}

GLint Wrap(uint32_t a) {
    switch (static_cast<TextureAddress>(a)) {
        case TextureAddress::Mirror:
            return GL_MIRRORED_REPEAT;
        case TextureAddress::Clamp:
            return GL_CLAMP_TO_EDGE;
        case TextureAddress::Border:
            return GL_CLAMP_TO_BORDER;
        default:
            return GL_REPEAT;
    }
}

void Color4(uint32_t argb, float out[4]) {
    out[0] = ((argb >> 16) & 0xff) / 255.0f;
    out[1] = ((argb >> 8) & 0xff) / 255.0f;
    out[2] = (argb & 0xff) / 255.0f;
    out[3] = (argb >> 24) / 255.0f;
}

void Color4(const ColorValue& c, float out[4]) {
    out[0] = c.r;
    out[1] = c.g;
    out[2] = c.b;
    out[3] = c.a;
}

// The source and operand of a stage argument, for colour or for alpha.
void ArgSource(uint32_t arg, bool alpha, GLint& source, GLint& operand) {
    switch (arg & TextureArg::SelectMask) {
        case TextureArg::Diffuse:
        case TextureArg::Specular:
            source = GL_PRIMARY_COLOR;
            break;
        case TextureArg::Current:
            source = GL_PREVIOUS;
            break;
        case TextureArg::Texture:
            source = GL_TEXTURE;
            break;
        case TextureArg::TFactor:
            source = GL_CONSTANT;
            break;
        default:
            source = GL_PREVIOUS;
            break;
    }
    const bool complement = (arg & TextureArg::Complement) != 0;
    if (alpha || (arg & TextureArg::AlphaReplicate))
        operand = complement ? GL_ONE_MINUS_SRC_ALPHA : GL_SRC_ALPHA;
    else
        operand = complement ? GL_ONE_MINUS_SRC_COLOR : GL_SRC_COLOR;
}

// Sets one half (colour or alpha) of a texture-environment combiner from a stage operation.
void Combine(bool alpha, uint32_t op, uint32_t arg1, uint32_t arg2) {
    const GLenum combine = alpha ? GL_COMBINE_ALPHA : GL_COMBINE_RGB;
    const GLenum src[3] = {static_cast<GLenum>(alpha ? GL_SRC0_ALPHA : GL_SRC0_RGB),
                           static_cast<GLenum>(alpha ? GL_SRC1_ALPHA : GL_SRC1_RGB),
                           static_cast<GLenum>(alpha ? GL_SRC2_ALPHA : GL_SRC2_RGB)};
    const GLenum opd[3] = {static_cast<GLenum>(alpha ? GL_OPERAND0_ALPHA : GL_OPERAND0_RGB),
                           static_cast<GLenum>(alpha ? GL_OPERAND1_ALPHA : GL_OPERAND1_RGB),
                           static_cast<GLenum>(alpha ? GL_OPERAND2_ALPHA : GL_OPERAND2_RGB)};
    GLint s1, o1, s2, o2;
    ArgSource(arg1, alpha, s1, o1);
    ArgSource(arg2, alpha, s2, o2);
    GLint mode = GL_MODULATE;
    float scale = 1.0f;
    GLint s3 = GL_TEXTURE;
    bool third = false;
    switch (static_cast<TextureOp>(op)) {
        case TextureOp::Disable:  // alpha of an enabled stage passes on what came before
            mode = GL_REPLACE;
            s1 = GL_PREVIOUS;
            o1 = alpha ? GL_SRC_ALPHA : GL_SRC_COLOR;
            break;
        case TextureOp::SelectArg1:
            mode = GL_REPLACE;
            break;
        case TextureOp::SelectArg2:
            mode = GL_REPLACE;
            s1 = s2;
            o1 = o2;
            break;
        case TextureOp::Modulate:
            break;
        case TextureOp::Modulate2X:
            scale = 2.0f;
            break;
        case TextureOp::Modulate4X:
            scale = 4.0f;
            break;
        case TextureOp::Add:
            mode = GL_ADD;
            break;
        case TextureOp::AddSigned:
            mode = GL_ADD_SIGNED;
            break;
        case TextureOp::Subtract:
            mode = GL_SUBTRACT;
            break;
        case TextureOp::BlendDiffuseAlpha:
            mode = GL_INTERPOLATE, s3 = GL_PRIMARY_COLOR, third = true;
            break;
        case TextureOp::BlendTextureAlpha:
            mode = GL_INTERPOLATE, s3 = GL_TEXTURE, third = true;
            break;
        case TextureOp::BlendFactorAlpha:
            mode = GL_INTERPOLATE, s3 = GL_CONSTANT, third = true;
            break;
        case TextureOp::BlendCurrentAlpha:
            mode = GL_INTERPOLATE, s3 = GL_PREVIOUS, third = true;
            break;
        default:
            break;
    }
    glTexEnvi(GL_TEXTURE_ENV, combine, mode);
    glTexEnvi(GL_TEXTURE_ENV, src[0], s1);
    glTexEnvi(GL_TEXTURE_ENV, opd[0], o1);
    glTexEnvi(GL_TEXTURE_ENV, src[1], s2);
    glTexEnvi(GL_TEXTURE_ENV, opd[1], o2);
    if (third) {
        glTexEnvi(GL_TEXTURE_ENV, src[2], s3);
        glTexEnvi(GL_TEXTURE_ENV, opd[2], GL_SRC_ALPHA);
    }
    glTexEnvf(GL_TEXTURE_ENV, alpha ? GL_ALPHA_SCALE : GL_RGB_SCALE, scale);
}

// The GL texture matrix (column-major) that turns GL's texture coordinate into the coordinate
// the stage reads. Pass-through sets arrive as (u, v, 0, 1) while the stage's transform expects
// (u, v, 1, 0); generated ones arrive as (x, y, z, 1) as expected. The flags choose how many
// results count and whether the last one divides.
void TextureMatrix(const Matrix& m, uint32_t flags, bool generated, float out[16]) {
    float p[4][4] = {};  // d = P * in
    p[0][0] = 1;
    p[1][1] = 1;
    if (generated) {
        p[2][2] = 1;
        p[3][3] = 1;
    } else {
        p[2][3] = 1;
    }
    const uint32_t count = flags & 0xff;
    float gl[4][4] = {};
    auto rowFor = [&](int k, int j) {  // GL output k takes transform result j
        for (int c = 0; c < 4; ++c) {
            float s = 0;
            for (int i = 0; i < 4; ++i) s += p[i][c] * m.m[i][j];
            gl[k][c] = s;
        }
    };
    if (count == TextureTransform::Disable) {
        for (int i = 0; i < 4; ++i) gl[i][i] = 1;
    } else {
        rowFor(0, 0);
        if (count >= 2) rowFor(1, 1);
        if ((flags & TextureTransform::Projected) && count >= 2) {
            rowFor(3, static_cast<int>(count) - 1);
        } else {
            gl[3][3] = 1;
        }
    }
    for (int k = 0; k < 4; ++k)
        for (int c = 0; c < 4; ++c) out[c * 4 + k] = gl[k][c];
}

}  // namespace

GlDevice::GlDevice(GlGraphics* g, SoftGraphics3D* g3d, DeviceType type, SoftSurface* target,
                   const DeviceDesc& caps)
    : SoftDevice(g, g3d, type, target, caps) {}

GlDevice::~GlDevice() {
    SoftGraphics::Scope scope(m_g);
    if (m_inScene) G()->SceneChanged(false);
}

void GlDevice::OnSceneChange(bool inScene) {
    G()->SceneChanged(inScene);
}

GlGraphics* GlDevice::G() const {
    return static_cast<GlGraphics*>(m_g);
}
GlSurface* GlDevice::GlTarget() const {
    return static_cast<GlSurface*>(m_target.Get());
}

void GlDevice::OnTargetChanged() {
    m_dirty = DirtyAll;
}

uint32_t GlDevice::ActiveStages() const {
    uint32_t n = 0;
    while (n < kMaxTextureStages && TSS(n, StageState::ColorOp) != uint32_t(TextureOp::Disable))
        ++n;
    return n;
}

bool GlDevice::ColorKeyActive() const {
    if (!RS(RenderState::ColorKeyEnable)) return false;
    for (uint32_t s = 0; s < kMaxTextureStages; ++s)
        if (m_stageKeyed[s]) return true;
    return false;
}

void GlDevice::ApplyRenderStates(bool pre) {
    switch (static_cast<Cull>(RS(RenderState::CullMode))) {
        case Cull::Cw:
            // Targets are stored rows-down, so clockwise on the screen is counter-clockwise in
            // GL's window coordinates.
            glEnable(GL_CULL_FACE);
            glFrontFace(GL_CW);
            glCullFace(GL_BACK);
            break;
        case Cull::Ccw:
            glEnable(GL_CULL_FACE);
            glFrontFace(GL_CCW);
            glCullFace(GL_BACK);
            break;
        default:
            glDisable(GL_CULL_FACE);
            break;
    }
    const uint32_t fill = RS(RenderState::FillMode);
    glPolygonMode(GL_FRONT_AND_BACK, fill == uint32_t(Fill::Point)       ? GL_POINT
                                     : fill == uint32_t(Fill::Wireframe) ? GL_LINE
                                                                         : GL_FILL);
    glShadeModel(RS(RenderState::ShadeMode) == uint32_t(Shade::Flat) ? GL_FLAT : GL_SMOOTH);
    if (Gl().ProvokingVertex) Gl().ProvokingVertex(GL_FIRST_VERTEX_CONVENTION);

    if (RS(RenderState::AlphaBlendEnable)) {
        glEnable(GL_BLEND);
        glBlendFunc(BlendFactor(RS(RenderState::SrcBlend)),
                    BlendFactor(RS(RenderState::DestBlend)));
    } else {
        glDisable(GL_BLEND);
    }
    if (RS(RenderState::AlphaTestEnable)) {
        glEnable(GL_ALPHA_TEST);
        glAlphaFunc(Compare(RS(RenderState::AlphaFunc)),
                    (RS(RenderState::AlphaRef) & 0xff) / 255.0f);
    } else if (ColorKeyActive()) {
        // Keyed texels arrive clear; leave them out.
        glEnable(GL_ALPHA_TEST);
        glAlphaFunc(GL_GREATER, 0.0f);
    } else {
        glDisable(GL_ALPHA_TEST);
    }

    SoftSurface* z = m_target->ZBufferSurface();
    if (z && RS(RenderState::ZEnable) != uint32_t(ZBufferType::False)) {
        glEnable(GL_DEPTH_TEST);
        glDepthFunc(Compare(RS(RenderState::ZFunc)));
    } else {
        glDisable(GL_DEPTH_TEST);
    }
    glDepthMask(RS(RenderState::ZWriteEnable) ? GL_TRUE : GL_FALSE);
    if (z && (z->Format().flags & PixelFormatBits::StencilBuffer) &&
        RS(RenderState::StencilEnable)) {
        glEnable(GL_STENCIL_TEST);
        glStencilFunc(Compare(RS(RenderState::StencilFunc)),
                      static_cast<GLint>(RS(RenderState::StencilRef)),
                      RS(RenderState::StencilMask));
        glStencilOp(StencilAction(RS(RenderState::StencilFail)),
                    StencilAction(RS(RenderState::StencilZFail)),
                    StencilAction(RS(RenderState::StencilPass)));
        glStencilMask(RS(RenderState::StencilWriteMask));
    } else {
        glDisable(GL_STENCIL_TEST);
        glStencilMask(0xffffffffu);
    }
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glDisable(GL_SCISSOR_TEST);
    if (RS(RenderState::DitherEnable))
        glEnable(GL_DITHER);
    else
        glDisable(GL_DITHER);
    if (RS(RenderState::NormalizeNormals))
        glEnable(GL_NORMALIZE);
    else
        glDisable(GL_NORMALIZE);

    const bool lit = RS(RenderState::Lighting) && !pre;
    if (lit)
        glEnable(GL_LIGHTING);
    else
        glDisable(GL_LIGHTING);
    float ambient[4];
    Color4(RS(RenderState::Ambient) | 0xff000000u, ambient);
    glLightModelfv(GL_LIGHT_MODEL_AMBIENT, ambient);
    // GL's distant viewer looks down -z while the camera here looks down +z; the local viewer
    // works out the direction per vertex and holds in both.
    glLightModeli(GL_LIGHT_MODEL_LOCAL_VIEWER, GL_TRUE);
    glLightModeli(GL_LIGHT_MODEL_COLOR_CONTROL,
                  RS(RenderState::SpecularEnable) ? GL_SEPARATE_SPECULAR_COLOR : GL_SINGLE_COLOR);

    // Fog: per pixel from the table mode, else per vertex; pre-transformed vertices carry their
    // fog in the specular alpha.
    const uint32_t table = RS(RenderState::FogTableMode), vertex = RS(RenderState::FogVertexMode);
    uint32_t mode = pre ? (table ? table : uint32_t(FogMode::Linear)) : (table ? table : vertex);
    bool fog = RS(RenderState::FogEnable) && mode != uint32_t(FogMode::None);
    if (fog) {
        glEnable(GL_FOG);
        if (pre && !table) {
            glFogi(GL_FOG_COORD_SRC, GL_FOG_COORD);
            glFogi(GL_FOG_MODE, GL_LINEAR);
            glFogf(GL_FOG_START, 0.0f);
            glFogf(GL_FOG_END, 1.0f);
        } else {
            glFogi(GL_FOG_COORD_SRC, GL_FRAGMENT_DEPTH);
            glFogi(GL_FOG_MODE, mode == uint32_t(FogMode::Exp)    ? GL_EXP
                                : mode == uint32_t(FogMode::Exp2) ? GL_EXP2
                                                                  : GL_LINEAR);
            glFogf(GL_FOG_START, BitsFloat(RS(RenderState::FogStart)));
            glFogf(GL_FOG_END, BitsFloat(RS(RenderState::FogEnd)));
            glFogf(GL_FOG_DENSITY, BitsFloat(RS(RenderState::FogDensity)));
        }
        if (Gl().fogDistance)
            glFogi(GL_FOG_DISTANCE_MODE_NV, RS(RenderState::RangeFogEnable) && !table
                                                ? GL_EYE_RADIAL_NV
                                                : GL_EYE_PLANE_ABSOLUTE_NV);
        float color[4];
        Color4(RS(RenderState::FogColor) | 0xff000000u, color);
        glFogfv(GL_FOG_COLOR, color);
        glHint(GL_FOG_HINT, table ? GL_NICEST : GL_FASTEST);
    } else {
        glDisable(GL_FOG);
    }
}

void GlDevice::ApplyTransforms(bool pre) {
    const float w = static_cast<float>(m_target->Width()),
                h = static_cast<float>(m_target->Height());
    if (pre) {
        glViewport(0, 0, static_cast<GLsizei>(w), static_cast<GLsizei>(h));
        glDepthRange(0.0, 1.0);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glOrtho(0, w, 0, h, 0, -1);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        return;
    }
    glViewport(static_cast<GLint>(m_viewport.x), static_cast<GLint>(m_viewport.y),
               static_cast<GLsizei>(m_viewport.width), static_cast<GLsizei>(m_viewport.height));
    glDepthRange(m_viewport.minZ, m_viewport.maxZ);
    // Row-vector matrices are the column-major arrays of their GL transposes. The projection
    // also maps depth 0..1 onto -1..1 and turns y over, since targets are stored rows-down.
    Matrix fix;
    fix.m[0][0] = 1;
    fix.m[1][1] = -1;
    fix.m[2][2] = 2;
    fix.m[3][2] = -1;
    fix.m[3][3] = 1;
    const Matrix proj = math::Multiply(m_projection, fix);
    glMatrixMode(GL_PROJECTION);
    glLoadMatrixf(&proj.m[0][0]);
    const Matrix mv = math::Multiply(m_world, m_view);
    glMatrixMode(GL_MODELVIEW);
    glLoadMatrixf(&mv.m[0][0]);
}

void GlDevice::ApplyLights() {
    // Lights are given in world space: GL takes them through the modelview matrix, so it holds
    // the view matrix alone meanwhile (ApplyTransforms sets the full one afterwards).
    glMatrixMode(GL_MODELVIEW);
    glLoadMatrixf(&m_view.m[0][0]);
    GLenum next = GL_LIGHT0;
    for (const auto& [index, slot] : m_lights) {
        if (!slot.enabled || next > GL_LIGHT7) continue;
        const Light& l = slot.light;
        const GLenum id = next++;
        glEnable(id);
        float c[4];
        Color4(l.diffuse, c);
        glLightfv(id, GL_DIFFUSE, c);
        Color4(l.specular, c);
        glLightfv(id, GL_SPECULAR, c);
        Color4(l.ambient, c);
        glLightfv(id, GL_AMBIENT, c);
        if (l.type == LightType::Directional) {
            const float pos[4] = {-l.direction.x, -l.direction.y, -l.direction.z, 0.0f};
            glLightfv(id, GL_POSITION, pos);
            glLightf(id, GL_CONSTANT_ATTENUATION, 1.0f);
            glLightf(id, GL_LINEAR_ATTENUATION, 0.0f);
            glLightf(id, GL_QUADRATIC_ATTENUATION, 0.0f);
            glLightf(id, GL_SPOT_CUTOFF, 180.0f);
            continue;
        }
        const float pos[4] = {l.position.x, l.position.y, l.position.z, 1.0f};
        glLightfv(id, GL_POSITION, pos);
        const bool none = l.attenuation0 == 0 && l.attenuation1 == 0 && l.attenuation2 == 0;
        glLightf(id, GL_CONSTANT_ATTENUATION, none ? 1.0f : l.attenuation0);
        glLightf(id, GL_LINEAR_ATTENUATION, l.attenuation1);
        glLightf(id, GL_QUADRATIC_ATTENUATION, l.attenuation2);
        if (l.type == LightType::Spot) {
            const float dir[3] = {l.direction.x, l.direction.y, l.direction.z};
            glLightfv(id, GL_SPOT_DIRECTION, dir);
            float cutoff = std::clamp(l.phi * 0.5f * 57.29578f, 0.0f, 90.0f);
            glLightf(id, GL_SPOT_CUTOFF, cutoff);
            // A cone with equal inner and outer angles has a hard edge; a soft one is
            // approximated by GL's cosine power.
            glLightf(
                id, GL_SPOT_EXPONENT,
                std::fabs(l.phi - l.theta) < 1e-4f ? 0.0f : std::clamp(l.falloff, 0.0f, 128.0f));
        } else {
            glLightf(id, GL_SPOT_CUTOFF, 180.0f);
        }
    }
    for (; next <= GL_LIGHT7; ++next) glDisable(next);
}

void GlDevice::ApplyMaterial() {
    float c[4];
    Color4(m_material.diffuse, c);
    glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, c);
    Color4(m_material.ambient, c);
    glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, c);
    Color4(m_material.emissive, c);
    glMaterialfv(GL_FRONT_AND_BACK, GL_EMISSION, c);
    if (RS(RenderState::SpecularEnable)) {
        Color4(m_material.specular, c);
    } else {
        c[0] = c[1] = c[2] = c[3] = 0;
    }
    glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, c);
    glMaterialf(GL_FRONT_AND_BACK, GL_SHININESS, std::clamp(m_material.power, 0.0f, 128.0f));
}

void GlDevice::ApplyColorMaterial(uint32_t fvf, bool lit) {
    // GL lets one material colour follow the vertex colour; the source pairs the renderer uses
    // (ambient with diffuse, or emissive) fit that.
    uint32_t mode = 0;
    if (lit && (fvf & VertexFormat::Diffuse) && RS(RenderState::ColorVertex)) {
        auto from1 = [&](RenderState s) { return RS(s) == uint32_t(MaterialSource::Color1); };
        const bool d = from1(RenderState::DiffuseMaterialSource);
        const bool a = from1(RenderState::AmbientMaterialSource);
        const bool e = from1(RenderState::EmissiveMaterialSource);
        const bool s = from1(RenderState::SpecularMaterialSource);
        if (d && a)
            mode = GL_AMBIENT_AND_DIFFUSE;
        else if (d)
            mode = GL_DIFFUSE;
        else if (a)
            mode = GL_AMBIENT;
        else if (e)
            mode = GL_EMISSION;
        else if (s)
            mode = GL_SPECULAR;
    }
    if (mode == m_colorMaterial) return;
    if (mode) {
        glColorMaterial(GL_FRONT_AND_BACK, mode);
        glEnable(GL_COLOR_MATERIAL);
    } else {
        glDisable(GL_COLOR_MATERIAL);
    }
    // Switching tracking off leaves the last vertex colour in the material: send it again.
    if (m_colorMaterial != ~0u) ApplyMaterial();
    m_colorMaterial = mode;
}

void GlDevice::ApplyStages() {
    GlApi& gl = Gl();
    const uint32_t active = ActiveStages();
    float factor[4];
    Color4(RS(RenderState::TextureFactor), factor);
    for (uint32_t s = 0; s < kMaxTextureStages; ++s) {
        gl.ActiveTexture(GL_TEXTURE0 + s);
        if (s >= active) {
            glDisable(GL_TEXTURE_2D);
            glDisable(GL_TEXTURE_GEN_S);
            glDisable(GL_TEXTURE_GEN_T);
            glDisable(GL_TEXTURE_GEN_R);
            glDisable(GL_TEXTURE_GEN_Q);
            continue;
        }
        glEnable(GL_TEXTURE_2D);
        glBindTexture(GL_TEXTURE_2D, m_stageTex[s]);
        auto* tex = static_cast<GlSurface*>(m_textures[s].Get());
        if (tex) {
            const uint32_t mag = TSS(s, StageState::MagFilter), min = TSS(s, StageState::MinFilter);
            const uint32_t mip =
                tex->Levels() > 1 ? TSS(s, StageState::MipFilter) : uint32_t(TextureFilter::None);
            const uint32_t au = TSS(s, StageState::AddressU), av = TSS(s, StageState::AddressV);
            const uint64_t key = 1 | uint64_t(mag & 0xf) << 4 | uint64_t(min & 0xf) << 8 |
                                 uint64_t(mip & 0xf) << 12 | uint64_t(au & 0xf) << 16 |
                                 uint64_t(av & 0xf) << 20 |
                                 uint64_t(TSS(s, StageState::BorderColor)) << 32;
            uint64_t& last = tex->SamplerKey(m_stageKeyed[s]);
            if (last != key) {
                last = key;
                const bool linMin = min == uint32_t(TextureFilter::Linear);
                GLint minf = linMin ? GL_LINEAR : GL_NEAREST;
                if (mip == uint32_t(TextureFilter::Point))
                    minf = linMin ? GL_LINEAR_MIPMAP_NEAREST : GL_NEAREST_MIPMAP_NEAREST;
                else if (mip == uint32_t(TextureFilter::Linear))
                    minf = linMin ? GL_LINEAR_MIPMAP_LINEAR : GL_NEAREST_MIPMAP_LINEAR;
                glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, minf);
                glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER,
                                mag == uint32_t(TextureFilter::Linear) ? GL_LINEAR : GL_NEAREST);
                glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, Wrap(au));
                glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, Wrap(av));
                float border[4];
                Color4(TSS(s, StageState::BorderColor), border);
                glTexParameterfv(GL_TEXTURE_2D, GL_TEXTURE_BORDER_COLOR, border);
            }
        }
        glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_COMBINE);
        glTexEnvfv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_COLOR, factor);
        Combine(false, TSS(s, StageState::ColorOp), TSS(s, StageState::ColorArg1),
                TSS(s, StageState::ColorArg2));
        Combine(true, TSS(s, StageState::AlphaOp), TSS(s, StageState::AlphaArg1),
                TSS(s, StageState::AlphaArg2));

        const uint32_t tci = TSS(s, StageState::TexCoordIndex);
        const uint32_t gen = tci & TexCoordGen::Mask;
        if (gen == TexCoordGen::CameraSpacePosition) {
            // Eye planes are taken through the modelview matrix in force: give them with none.
            glMatrixMode(GL_MODELVIEW);
            glPushMatrix();
            glLoadIdentity();
            const float planes[4][4] = {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}};
            const GLenum coords[4] = {GL_S, GL_T, GL_R, GL_Q};
            for (int i = 0; i < 4; ++i) {
                glTexGeni(coords[i], GL_TEXTURE_GEN_MODE, GL_EYE_LINEAR);
                glTexGenfv(coords[i], GL_EYE_PLANE, planes[i]);
            }
            glPopMatrix();
            glEnable(GL_TEXTURE_GEN_S);
            glEnable(GL_TEXTURE_GEN_T);
            glEnable(GL_TEXTURE_GEN_R);
            glEnable(GL_TEXTURE_GEN_Q);
        } else if (gen == TexCoordGen::CameraSpaceNormal ||
                   gen == TexCoordGen::CameraSpaceReflectionVector) {
            const GLint m =
                gen == TexCoordGen::CameraSpaceNormal ? GL_NORMAL_MAP : GL_REFLECTION_MAP;
            glTexGeni(GL_S, GL_TEXTURE_GEN_MODE, m);
            glTexGeni(GL_T, GL_TEXTURE_GEN_MODE, m);
            glTexGeni(GL_R, GL_TEXTURE_GEN_MODE, m);
            glEnable(GL_TEXTURE_GEN_S);
            glEnable(GL_TEXTURE_GEN_T);
            glEnable(GL_TEXTURE_GEN_R);
            glDisable(GL_TEXTURE_GEN_Q);
        } else {
            glDisable(GL_TEXTURE_GEN_S);
            glDisable(GL_TEXTURE_GEN_T);
            glDisable(GL_TEXTURE_GEN_R);
            glDisable(GL_TEXTURE_GEN_Q);
        }
        float tm[16];
        TextureMatrix(m_texture[s], TSS(s, StageState::TextureTransformFlags), gen != 0, tm);
        glMatrixMode(GL_TEXTURE);
        glLoadMatrixf(tm);
    }
    glMatrixMode(GL_MODELVIEW);
}

void GlDevice::SetupArrays(const DrawCall& c, bool pre) {
    GlApi& gl = Gl();
    const uint32_t fvf = c.fvf;
    const uint32_t active = ActiveStages();
    const uint32_t sets = VertexFormat::TexCount(fvf);
    const uint8_t* base;
    GLsizei stride;
    uint32_t diffuseOff, specularOff, fogOff = 0, texOff;
    if (pre) {
        // Screen positions go to GL as (x w, y w, z w, w) so that interpolation stays
        // perspective-correct; colours, fog and coordinates follow in one scratch array.
        const uint32_t srcStride = VertexFormat::Stride(fvf);
        stride = static_cast<GLsizei>(16 + 4 + 4 + 4 + 8 * sets);
        m_scratch.resize(static_cast<size_t>(stride) * c.vertexCount);
        for (uint32_t i = 0; i < c.vertexCount; ++i) {
            const uint8_t* v = c.vertices + static_cast<size_t>(i) * srcStride;
            uint8_t* o = m_scratch.data() + static_cast<size_t>(i) * static_cast<size_t>(stride);
            float p[4];
            std::memcpy(p, v, 16);
            const float w = p[3] > 0.0f ? 1.0f / p[3] : 1.0f;
            const float out[4] = {p[0] * w, p[1] * w, p[2] * w, w};
            std::memcpy(o, out, 16);
            uint32_t diffuse = 0xffffffffu, specular = 0;
            if (fvf & VertexFormat::Diffuse)
                std::memcpy(&diffuse, v + VertexFormat::DiffuseOffset(fvf), 4);
            if (fvf & VertexFormat::Specular)
                std::memcpy(&specular, v + VertexFormat::SpecularOffset(fvf), 4);
            std::memcpy(o + 16, &diffuse, 4);
            std::memcpy(o + 20, &specular, 4);
            const float fogc =
                (fvf & VertexFormat::Specular) ? 1.0f - (specular >> 24) / 255.0f : 0.0f;
            std::memcpy(o + 24, &fogc, 4);
            if (sets) std::memcpy(o + 28, v + VertexFormat::TexOffset(fvf, 0), 8 * sets);
        }
        gl.BindBuffer(GL_ARRAY_BUFFER, 0);
        base = m_scratch.data();
        diffuseOff = 16;
        specularOff = 20;
        fogOff = 24;
        texOff = 28;
        glEnableClientState(GL_VERTEX_ARRAY);
        glVertexPointer(4, GL_FLOAT, stride, base);
        glDisableClientState(GL_NORMAL_ARRAY);
        glEnableClientState(GL_FOG_COORD_ARRAY);
        gl.FogCoordPointer(GL_FLOAT, stride, base + fogOff);
    } else {
        stride = static_cast<GLsizei>(VertexFormat::Stride(fvf));
        if (c.buffer && static_cast<GlVertexBuffer*>(c.buffer)->Bind()) {
            base = reinterpret_cast<const uint8_t*>(static_cast<uintptr_t>(c.start) *
                                                    static_cast<uintptr_t>(stride));
        } else {
            gl.BindBuffer(GL_ARRAY_BUFFER, 0);
            base = c.vertices;
        }
        diffuseOff = VertexFormat::DiffuseOffset(fvf);
        specularOff = VertexFormat::SpecularOffset(fvf);
        texOff = VertexFormat::TexOffset(fvf, 0);
        glEnableClientState(GL_VERTEX_ARRAY);
        glVertexPointer(3, GL_FLOAT, stride, base);
        if (fvf & VertexFormat::Normal) {
            glEnableClientState(GL_NORMAL_ARRAY);
            glNormalPointer(GL_FLOAT, stride, base + VertexFormat::NormalOffset(fvf));
        } else {
            glDisableClientState(GL_NORMAL_ARRAY);
            glNormal3f(0, 0, 0);
        }
        glDisableClientState(GL_FOG_COORD_ARRAY);
    }
    if (pre || (fvf & VertexFormat::Diffuse)) {
        glEnableClientState(GL_COLOR_ARRAY);
        glColorPointer(GL_BGRA, GL_UNSIGNED_BYTE, stride, base + diffuseOff);
    } else {
        glDisableClientState(GL_COLOR_ARRAY);
        glColor4f(1, 1, 1, 1);
    }
    const bool specular = pre || (fvf & VertexFormat::Specular);
    if (specular) {
        glEnableClientState(GL_SECONDARY_COLOR_ARRAY);
        gl.SecondaryColorPointer(GL_BGRA, GL_UNSIGNED_BYTE, stride, base + specularOff);
    } else {
        glDisableClientState(GL_SECONDARY_COLOR_ARRAY);
    }
    const bool lit = RS(RenderState::Lighting) && !pre;
    if (!lit && specular && RS(RenderState::SpecularEnable))
        glEnable(GL_COLOR_SUM);
    else
        glDisable(GL_COLOR_SUM);
    for (uint32_t s = 0; s < kMaxTextureStages; ++s) {
        gl.ClientActiveTexture(GL_TEXTURE0 + s);
        const uint32_t tci = TSS(s, StageState::TexCoordIndex);
        const uint32_t set = tci & 0xffff;
        if (s < active && !(tci & TexCoordGen::Mask) && set < sets) {
            glEnableClientState(GL_TEXTURE_COORD_ARRAY);
            glTexCoordPointer(2, GL_FLOAT, stride, base + texOff + 8 * set);
        } else {
            glDisableClientState(GL_TEXTURE_COORD_ARRAY);
            gl.MultiTexCoord4f(GL_TEXTURE0 + s, 0, 0, 0, 1);
        }
    }
}

Result GlDevice::DoDraw(const DrawCall& c) {
    GlGraphics* g = G();
    if (!g->HasContext()) return Result::Generic;
    GlSurface* target = GlTarget();
    Result r = target->BindAsTarget();
    if (r != Result::Ok) return r;
    // Textures first: uploading them disturbs GL's bindings, which the epoch then reports.
    const uint32_t active = ActiveStages();
    const bool keyEnable = RS(RenderState::ColorKeyEnable) != 0;
    for (uint32_t s = 0; s < kMaxTextureStages; ++s) {
        GLuint tex = 0;
        bool keyed = false;
        if (s < active) {
            auto* t = static_cast<GlSurface*>(m_textures[s].Get());
            if (t) {
                keyed = keyEnable && t->HasSrcColorKey();
                ColorKey key = t->SrcColorKey();
                tex = t->Texture(keyed ? &key : nullptr);
            }
            if (!tex) tex = g->WhiteTexture();
        }
        if (tex != m_stageTex[s] || keyed != m_stageKeyed[s])
            m_dirty |= DirtyStages | DirtyRenderStates;
        m_stageTex[s] = tex;
        m_stageKeyed[s] = keyed;
    }
    const bool pre = (c.fvf & VertexFormat::PositionMask) == VertexFormat::XyzRhw;
    if (m_epoch != g->StateEpoch()) {
        m_dirty = DirtyAll;
        m_colorMaterial = ~0u;
    }
    if (m_lastPre != static_cast<int>(pre)) m_dirty |= DirtyRenderStates | DirtyTransforms;
    m_lastPre = pre;

    if (m_dirty & (DirtyRenderStates | DirtyTarget)) {
        ApplyRenderStates(pre);
        m_dirty |= DirtyMaterial;
    }
    if (m_dirty & DirtyLights) ApplyLights();
    if (m_dirty & (DirtyLights | DirtyTransforms | DirtyViewport | DirtyTarget))
        ApplyTransforms(pre);
    if (m_dirty & DirtyMaterial) ApplyMaterial();
    if (m_dirty & (DirtyStages | DirtyTextures)) ApplyStages();
    ApplyColorMaterial(c.fvf, RS(RenderState::Lighting) && !pre);
    m_dirty = 0;
    m_epoch = g->StateEpoch();

    SetupArrays(c, pre);
    const GLenum mode = Primitive(c.type);
    if (c.indices) {
        Gl().BindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
        glDrawElements(mode, static_cast<GLsizei>(c.indexCount), GL_UNSIGNED_SHORT, c.indices);
    } else {
        glDrawArrays(mode, 0, static_cast<GLsizei>(c.vertexCount));
    }
    target->GpuWritten();
    g->Touched();
    g->CheckErrors("draw");
    return Result::Ok;
}

Result GlDevice::DoClear(uint32_t count, const Rect* rects, uint32_t flags, uint32_t color, float z,
                         uint32_t stencil) {
    GlGraphics* g = G();
    if (!g->HasContext()) return Result::Generic;
    GlSurface* target = GlTarget();
    Result r = target->BindAsTarget();
    if (r != Result::Ok) return r;
    const Rect vp{static_cast<int32_t>(m_viewport.x), static_cast<int32_t>(m_viewport.y),
                  static_cast<int32_t>(m_viewport.x + m_viewport.width),
                  static_cast<int32_t>(m_viewport.y + m_viewport.height)};
    GLbitfield mask = 0;
    if (flags & ClearBits::Target) mask |= GL_COLOR_BUFFER_BIT;
    if (flags & ClearBits::ZBuffer) mask |= GL_DEPTH_BUFFER_BIT;
    if (flags & ClearBits::Stencil) mask |= GL_STENCIL_BUFFER_BIT;
    float c[4];
    Color4(color, c);
    glClearColor(c[0], c[1], c[2], c[3]);
    glClearDepth(std::clamp(z, 0.0f, 1.0f));
    glClearStencil(static_cast<GLint>(stencil));
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glDepthMask(GL_TRUE);
    glStencilMask(0xffffffffu);
    glEnable(GL_SCISSOR_TEST);
    const uint32_t n = count ? count : 1;
    for (uint32_t i = 0; i < n; ++i) {
        Rect cr = count ? rects[i] : vp;
        cr.left = std::max(cr.left, vp.left);
        cr.top = std::max(cr.top, vp.top);
        cr.right = std::min(cr.right, vp.right);
        cr.bottom = std::min(cr.bottom, vp.bottom);
        if (cr.left >= cr.right || cr.top >= cr.bottom) continue;
        glScissor(cr.left, cr.top, cr.Width(), cr.Height());
        glClear(mask);
    }
    glDisable(GL_SCISSOR_TEST);
    m_dirty |= DirtyRenderStates;
    target->GpuWritten();
    g->Touched();
    g->CheckErrors("clear");
    return Result::Ok;
}

}  // namespace plat::gfx
