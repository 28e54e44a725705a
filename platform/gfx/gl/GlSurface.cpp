#include "platform/gfx/gl/GlSurface.h"

#include <algorithm>
#include <cstring>

#include "platform/gfx/PixelCodec.h"
#include "platform/gfx/SoftClipper.h"
#include "platform/gfx/SoftPalette.h"
#include "platform/gfx/gl/GlGraphics.h"
#include "platform/window/Window.h"

namespace plat::gfx {

namespace {

struct UploadFormat {
    GLenum internal, format, type;
    uint32_t bpp;
};

// How a format goes to GL without conversion, if it can.
bool DirectFormat(const PixelFormat& f, UploadFormat& out) {
    if (f == Formats::Rgb565())
        out = {GL_RGB565, GL_RGB, GL_UNSIGNED_SHORT_5_6_5, 2};
    else if (f == Formats::Rgb555())
        out = {GL_RGB5, GL_BGRA, GL_UNSIGNED_SHORT_1_5_5_5_REV, 2};
    else if (f == Formats::Argb1555())
        out = {GL_RGB5_A1, GL_BGRA, GL_UNSIGNED_SHORT_1_5_5_5_REV, 2};
    else if (f == Formats::Argb4444())
        out = {GL_RGBA4, GL_BGRA, GL_UNSIGNED_SHORT_4_4_4_4_REV, 2};
    else if (f == Formats::Argb8888())
        out = {GL_RGBA8, GL_BGRA, GL_UNSIGNED_BYTE, 4};
    else if (f == Formats::Xrgb8888())
        out = {GL_RGB8, GL_BGRA, GL_UNSIGNED_BYTE, 4};
    else
        return false;
    return true;
}

// Converts a surface's pixels to 0xAARRGGBB rows (BGRA bytes), keying out a raw range.
void ToBgra(const uint8_t* mem, int32_t pitch, uint32_t w, uint32_t h, const PixelFormat& f,
            const PaletteEntry* pal, const ColorKey* key, std::vector<uint32_t>& out) {
    PixelCodec codec(f);
    const uint32_t bpp = codec.BytesPerPixel();
    out.resize(static_cast<size_t>(w) * h);
    for (uint32_t y = 0; y < h; ++y) {
        const uint8_t* row = mem + static_cast<ptrdiff_t>(y) * pitch;
        uint32_t* dst = out.data() + static_cast<size_t>(y) * w;
        for (uint32_t x = 0; x < w; ++x) {
            uint32_t raw = codec.Read(row + static_cast<size_t>(x) * bpp);
            uint32_t argb = codec.ToArgb(raw, pal);
            if (key && raw >= key->low && raw <= key->high) argb &= 0x00ffffffu;
            dst[x] = argb;
        }
    }
}

uint32_t PaletteStamp(const SoftPalette* p) {
    return p ? (p->Id() << 16) ^ p->Version() : 0;
}

}  // namespace

GlSurface::GlSurface(GlGraphics* g, SurfaceKind kind, const SurfaceDesc& resolved)
    : SoftSurface(g, kind, resolved) {}

GlSurface::~GlSurface() {
    SoftGraphics::Scope scope(m_g);
    GlGraphics* g = G();
    if (!g->HasContext()) return;
    if (m_tex) glDeleteTextures(1, &m_tex);
    if (m_keyedTex) glDeleteTextures(1, &m_keyedTex);
    if (m_rb) Gl().DeleteRenderbuffers(1, &m_rb);
    for (const Fbo& f : m_fbos) g->DeleteFramebuffer(f.context, f.fbo);
}

GlGraphics* GlSurface::G() const {
    return static_cast<GlGraphics*>(m_g);
}

uint32_t GlSurface::Levels() const {
    uint32_t n = 1;
    if (Caps().caps & SurfaceCapBits::MipMap)
        for (SoftSurface* s = NextInChain(); s; s = s->NextInChain()) ++n;
    return n;
}

Result GlSurface::SyncToCpu(bool forRead) {
    if (Kind() == SurfaceKind::ZBuffer) return forRead ? Result::Unsupported : Result::Ok;
    if (!m_gpuNewer) return Result::Ok;
    m_gpuNewer = false;
    if (!forRead) return Result::Ok;
    return Readback();
}

void GlSurface::CpuChanged() {
    SoftSurface::CpuChanged();
    if (Kind() != SurfaceKind::Primary || !G()->HasContext()) return;
    Window* window = G()->CooperativeWindow();
    if (!window || !Window::IsWindow(window)) return;
    const WinRect client = window->GetClientRect();
    Rect src{0, 0, static_cast<int32_t>(Width()), static_cast<int32_t>(Height())};
    Rect dest{0, 0, client.right, client.bottom};
    if (!G()->IsFullScreen()) {
        // A windowed primary is the whole screen: show the part under the client area.
        const WinPoint o = window->ClientToScreen({0, 0});
        src = {std::max(0, o.x), std::max(0, o.y),
               std::min(static_cast<int32_t>(Width()), o.x + client.right),
               std::min(static_cast<int32_t>(Height()), o.y + client.bottom)};
        dest = {src.left - o.x, src.top - o.y, src.right - o.x, src.bottom - o.y};
        if (src.left >= src.right || src.top >= src.bottom) return;
    }
    G()->Present(this, src, dest);
}

void GlSurface::AllocTargetTexture() {
    if (m_tex || !G()->HasContext()) return;
    glGenTextures(1, &m_tex);
    glBindTexture(GL_TEXTURE_2D, m_tex);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    const GLenum internal = (Format().flags & PixelFormatBits::AlphaPixels) ? GL_RGBA8 : GL_RGB8;
    glTexImage2D(GL_TEXTURE_2D, 0, static_cast<GLint>(internal), static_cast<GLsizei>(Width()),
                 static_cast<GLsizei>(Height()), 0, GL_BGRA, GL_UNSIGNED_BYTE, nullptr);
    m_sampler = 0;
    G()->BumpStateEpoch();
}

void GlSurface::UploadTarget() {
    AllocTargetTexture();
    std::vector<uint32_t> px;
    ToBgra(Memory(), Pitch(), Width(), Height(), Format(), nullptr, nullptr, px);
    glBindTexture(GL_TEXTURE_2D, m_tex);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, static_cast<GLsizei>(Width()),
                    static_cast<GLsizei>(Height()), GL_BGRA, GL_UNSIGNED_BYTE, px.data());
    m_uploaded = CpuVersion();
    G()->BumpStateEpoch();
    G()->Touched();
}

Result GlSurface::Readback() {
    if (!IsFbo() || !m_tex) return Result::Ok;
    GLuint fbo = Framebuffer();
    if (!fbo) return Result::Generic;
    G()->BindFramebuffer(fbo);
    std::vector<uint32_t> px(static_cast<size_t>(Width()) * Height());
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glPixelStorei(GL_PACK_ROW_LENGTH, 0);
    glReadPixels(0, 0, static_cast<GLsizei>(Width()), static_cast<GLsizei>(Height()), GL_BGRA,
                 GL_UNSIGNED_BYTE, px.data());
    PixelCodec codec(Format());
    const uint32_t bpp = codec.BytesPerPixel();
    uint8_t* mem = Memory();
    for (uint32_t y = 0; y < Height(); ++y) {
        uint8_t* row = mem + static_cast<ptrdiff_t>(y) * Pitch();
        const uint32_t* src = px.data() + static_cast<size_t>(y) * Width();
        for (uint32_t x = 0; x < Width(); ++x)
            codec.Write(row + static_cast<size_t>(x) * bpp, codec.FromArgb(src[x]));
    }
    m_uploaded = CpuVersion();
    G()->CheckErrors("readback");
    return Result::Ok;
}

void GlSurface::UploadChain(GLuint& tex, bool keyed, const ColorKey* key) {
    GlGraphics* g = G();
    const uint32_t levels = Levels();
    const SoftPalette* pal = PaletteObject();
    const PaletteEntry* entries = pal ? pal->Entries() : nullptr;
    const uint32_t stamp = PaletteStamp(pal);
    bool fresh = false;
    if (!tex) {
        glGenTextures(1, &tex);
        fresh = true;
    }
    glBindTexture(GL_TEXTURE_2D, tex);
    if (fresh) {
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_BASE_LEVEL, 0);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, static_cast<GLint>(levels - 1));
        (keyed ? m_keyedSampler : m_sampler) = 0;
    }
    bool all = fresh;
    if (keyed) {
        all = all || m_keyedPaletteStamp != stamp || !(m_keyedKey == *key);
        m_keyedKey = *key;
        m_keyedPaletteStamp = stamp;
    } else {
        all = all || m_paletteStamp != stamp || m_levelsAllocated != levels;
        m_paletteStamp = stamp;
        m_levelsAllocated = levels;
    }
    std::vector<uint32_t> px;
    GLint level = 0;
    for (SoftSurface* s = this; s && level < static_cast<GLint>(levels);
         s = s->NextInChain(), ++level) {
        auto* gs = static_cast<GlSurface*>(s);
        uint32_t& done = keyed ? gs->m_keyedUploaded : gs->m_uploaded;
        if (!all && done == gs->CpuVersion()) continue;
        const GLsizei w = static_cast<GLsizei>(gs->Width()), h = static_cast<GLsizei>(gs->Height());
        UploadFormat uf;
        const void* data;
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
        if (!keyed && DirectFormat(gs->Format(), uf) && gs->Pitch() % uf.bpp == 0) {
            glPixelStorei(GL_UNPACK_ROW_LENGTH, gs->Pitch() / static_cast<GLint>(uf.bpp));
            data = gs->Memory();
        } else {
            ToBgra(gs->Memory(), gs->Pitch(), gs->Width(), gs->Height(), gs->Format(), entries,
                   keyed ? key : nullptr, px);
            const bool alpha = keyed || (gs->Format().flags & PixelFormatBits::AlphaPixels);
            uf = {static_cast<GLenum>(alpha ? GL_RGBA8 : GL_RGB8), GL_BGRA, GL_UNSIGNED_BYTE, 4};
            glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
            data = px.data();
        }
        if (all)
            glTexImage2D(GL_TEXTURE_2D, level, static_cast<GLint>(uf.internal), w, h, 0, uf.format,
                         uf.type, data);
        else
            glTexSubImage2D(GL_TEXTURE_2D, level, 0, 0, w, h, uf.format, uf.type, data);
        done = gs->CpuVersion();
    }
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    g->BumpStateEpoch();
    g->Touched();
}

GLuint GlSurface::Texture(const ColorKey* key) {
    GlGraphics* g = G();
    if (!g->HasContext() || Kind() == SurfaceKind::ZBuffer) return 0;
    if (IsFbo() && !key) {
        AllocTargetTexture();
        if (!m_gpuNewer && m_uploaded != CpuVersion()) UploadTarget();
        return m_tex;
    }
    if (IsFbo() && SyncToCpu(true) != Result::Ok) return 0;
    if (key) {
        UploadChain(m_keyedTex, true, key);
        return m_keyedTex;
    }
    bool stale = !m_tex || m_paletteStamp != PaletteStamp(PaletteObject());
    for (SoftSurface* s = this; !stale && s;
         s = (Caps().caps & SurfaceCapBits::MipMap) ? s->NextInChain() : nullptr)
        stale = static_cast<GlSurface*>(s)->m_uploaded != s->CpuVersion();
    if (stale) UploadChain(m_tex, false, nullptr);
    return m_tex;
}

GLuint GlSurface::DepthBuffer() {
    if (Kind() != SurfaceKind::ZBuffer || !G()->HasContext()) return 0;
    if (!m_rb) {
        GlApi& gl = Gl();
        gl.GenRenderbuffers(1, &m_rb);
        gl.BindRenderbuffer(GL_RENDERBUFFER, m_rb);
        const PixelFormat& f = Format();
        GLenum internal = GL_DEPTH_COMPONENT24;
        if (f.flags & PixelFormatBits::StencilBuffer)
            internal = GL_DEPTH24_STENCIL8;
        else if (f.zBufferBitDepth == 16)
            internal = GL_DEPTH_COMPONENT16;
        else if (f.zBitMask == 0xffffffffu)
            internal = GL_DEPTH_COMPONENT32;
        gl.RenderbufferStorage(GL_RENDERBUFFER, internal, static_cast<GLsizei>(Width()),
                               static_cast<GLsizei>(Height()));
    }
    return m_rb;
}

GLuint GlSurface::Framebuffer() {
    GlGraphics* g = G();
    if (!IsFbo() || !g->HasContext()) return 0;
    AllocTargetTexture();
    void* ctx = g->CurrentContext();
    Fbo* entry = nullptr;
    for (Fbo& f : m_fbos)
        if (f.context == ctx) entry = &f;
    GlApi& gl = Gl();
    if (!entry) {
        GLuint fbo = 0;
        gl.GenFramebuffers(1, &fbo);
        m_fbos.push_back({ctx, fbo, 0});
        entry = &m_fbos.back();
        g->BindFramebuffer(fbo);
        gl.FramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, m_tex, 0);
    }
    if (entry->zVersion != m_zVersion) {
        g->BindFramebuffer(entry->fbo);
        auto* z = static_cast<GlSurface*>(ZBufferSurface());
        GLuint rb = z ? z->DepthBuffer() : 0;
        const bool stencil = z && (z->Format().flags & PixelFormatBits::StencilBuffer);
        gl.FramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, rb);
        gl.FramebufferRenderbuffer(GL_FRAMEBUFFER, GL_STENCIL_ATTACHMENT, GL_RENDERBUFFER,
                                   stencil ? rb : 0);
        entry->zVersion = m_zVersion;
        if (gl.CheckFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE) return 0;
    }
    return entry->fbo;
}

Result GlSurface::BindAsTarget() {
    if (!IsFbo()) return Result::InvalidParams;
    AllocTargetTexture();
    if (!m_gpuNewer && m_uploaded != CpuVersion()) UploadTarget();
    GLuint fbo = Framebuffer();
    if (!fbo) return Result::Generic;
    G()->BindFramebuffer(fbo);
    return Result::Ok;
}

Result GlSurface::DoBlt(const Rect& dest, SoftSurface* srcSoft, const Rect& from, bool keyed,
                        ColorKey key, bool mirrorLr, bool mirrorUd) {
    auto* src = static_cast<GlSurface*>(srcSoft);
    if (Kind() == SurfaceKind::Primary && !mirrorLr && !mirrorUd && !keyed)
        return PresentBlt(dest, src, from);
    if (!IsFbo() || src == this || !G()->HasContext())
        return SoftSurface::DoBlt(dest, src, from, keyed, key, mirrorLr, mirrorUd);
    GLuint tex = src->Texture(keyed ? &key : nullptr);
    if (!tex) return Result::Generic;
    Result r = BindAsTarget();
    if (r != Result::Ok) return r;
    const float w = static_cast<float>(src->Width()), h = static_cast<float>(src->Height());
    float s0 = from.left / w, s1 = from.right / w, t0 = from.top / h, t1 = from.bottom / h;
    if (mirrorLr) std::swap(s0, s1);
    if (mirrorUd) std::swap(t0, t1);
    G()->DrawTexturedQuad(tex, s0, t0, s1, t1, dest.left, dest.top, dest.right, dest.bottom,
                          static_cast<int>(Width()), static_cast<int>(Height()), false, keyed);
    GpuWritten();
    G()->CheckErrors("blit");
    return Result::Ok;
}

Result GlSurface::PresentBlt(const Rect& dest, GlSurface* src, const Rect& from) {
    Window* window = ClipperObject() ? ClipperObject()->TargetWindow() : nullptr;
    if (!window) window = G()->CooperativeWindow();
    if (!window || !Window::IsWindow(window)) return Result::NoClipper;
    const WinPoint origin = window->ClientToScreen({0, 0});
    const WinRect client = window->GetClientRect();
    Rect d{dest.left - origin.x, dest.top - origin.y, dest.right - origin.x,
           dest.bottom - origin.y};
    Rect s = from;
    // Clip to the client area; the source shrinks in proportion.
    const double sx = double(from.Width()) / d.Width(), sy = double(from.Height()) / d.Height();
    if (d.left < 0) s.left += static_cast<int32_t>(-d.left * sx), d.left = 0;
    if (d.top < 0) s.top += static_cast<int32_t>(-d.top * sy), d.top = 0;
    if (d.right > client.right)
        s.right -= static_cast<int32_t>((d.right - client.right) * sx), d.right = client.right;
    if (d.bottom > client.bottom)
        s.bottom -= static_cast<int32_t>((d.bottom - client.bottom) * sy), d.bottom = client.bottom;
    if (d.left >= d.right || d.top >= d.bottom) return Result::Ok;
    return G()->Present(src, s, d);
}

Result GlSurface::DoColorFill(const Rect& dest, uint32_t raw) {
    if (!IsFbo() || !G()->HasContext()) return SoftSurface::DoColorFill(dest, raw);
    Result r = BindAsTarget();
    if (r != Result::Ok) return r;
    const uint32_t argb = PixelCodec(Format()).ToArgb(raw);
    glEnable(GL_SCISSOR_TEST);
    glScissor(dest.left, dest.top, dest.Width(), dest.Height());
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glClearColor(((argb >> 16) & 0xff) / 255.0f, ((argb >> 8) & 0xff) / 255.0f,
                 (argb & 0xff) / 255.0f, (argb >> 24) / 255.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    glDisable(GL_SCISSOR_TEST);
    G()->BumpStateEpoch();
    G()->Touched();
    GpuWritten();
    return Result::Ok;
}

Result GlSurface::DoFlip(SoftSurface* target) {
    auto* back = static_cast<GlSurface*>(target);
    Window* window = G()->CooperativeWindow();
    if (!back || !window || !Window::IsWindow(window) || !G()->HasContext())
        return SoftSurface::DoFlip(target);
    const WinRect client = window->GetClientRect();
    Rect all{0, 0, static_cast<int32_t>(back->Width()), static_cast<int32_t>(back->Height())};
    return G()->Present(back, all, Rect{0, 0, client.right, client.bottom});
}

}  // namespace plat::gfx
