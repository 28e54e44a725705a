#include "platform/gfx/SoftSurface.h"

#include <algorithm>
#include <cstring>

#include "platform/gfx/PixelCodec.h"
#include "platform/gfx/SoftClipper.h"
#include "platform/gfx/SoftPalette.h"

namespace plat::gfx {

namespace {
uint32_t BytesPerPixel(const PixelFormat& f) {
    if (f.flags & PixelFormatBits::ZBuffer) return f.zBufferBitDepth / 8;
    if (f.flags & PixelFormatBits::PaletteIndexed8) return 1;
    return f.rgbBitCount / 8;
}
int32_t DefaultPitch(uint32_t width, const PixelFormat& f) {
    return static_cast<int32_t>((width * BytesPerPixel(f) + 3) & ~3u);
}
std::string RectText(const Rect* r) {
    if (!r) return "null";
    return "(" + std::to_string(r->left) + "," + std::to_string(r->top) + ")-(" +
           std::to_string(r->right) + "," + std::to_string(r->bottom) + ")";
}
bool InBounds(const Rect& r, uint32_t w, uint32_t h) {
    return r.left >= 0 && r.top >= 0 && r.left < r.right && r.top < r.bottom &&
           r.right <= static_cast<int32_t>(w) && r.bottom <= static_cast<int32_t>(h);
}
}  // namespace

std::string SurfaceName(const Surface* s) {
    if (!s) return "null";
    if (auto* ss = dynamic_cast<const SoftSurface*>(s))
        return "Surface#" + std::to_string(ss->Id());
    return "Surface?";
}

uint32_t SurfaceBytes(uint32_t width, uint32_t height, const PixelFormat& format) {
    return static_cast<uint32_t>(DefaultPitch(width, format)) * height;
}

SoftSurface::SoftSurface(SoftGraphics* g, SurfaceKind kind, const SurfaceDesc& d)
    : m_g(g),
      m_gRef(Ref<SoftGraphics>::Share(g)),
      m_id(g->NextId()),
      m_kind(kind),
      m_width(d.width),
      m_height(d.height),
      m_format(d.pixelFormat),
      m_caps(d.caps),
      m_backBufferCount(d.backBufferCount),
      m_mipCount(std::max(1u, d.mipMapCount)),
      m_textureStage(d.textureStage),
      m_hasTextureStage((d.flags & SurfaceDescBits::TextureStage) != 0) {
    m_pitch = DefaultPitch(m_width, m_format);
    g->RegisterSurface(this);
}

SoftSurface::~SoftSurface() {
    m_g->UnregisterSurface(this);
    if (m_charged) m_g->RefundTexture(m_charged);
}

bool SoftSurface::IsRenderTarget() const {
    return m_kind == SurfaceKind::RenderTarget || m_kind == SurfaceKind::BackBuffer ||
           (m_kind == SurfaceKind::Primary && (m_caps.caps & SurfaceCapBits::Device3D));
}

void SoftSurface::SetLost(bool lost) {
    m_lost = lost;
}

void SoftSurface::SetNext(SoftSurface* next, uint32_t mipLevel) {
    m_next = Ref<SoftSurface>::Share(next);
    next->m_mipLevel = mipLevel;
}

uint8_t* SoftSurface::Memory() {
    if (m_client) return m_client;
    size_t need = static_cast<size_t>(m_pitch) * m_height;
    if (m_own.size() != need) m_own.assign(need, 0);
    return m_own.data();
}

Result SoftSurface::SyncToCpu(bool) {
    return Result::Ok;
}
void SoftSurface::CpuChanged() {
    ++m_cpuVersion;
}

void SoftSurface::SwapStorage(SoftSurface& other) {
    std::swap(m_own, other.m_own);
    std::swap(m_client, other.m_client);
    std::swap(m_pitch, other.m_pitch);
}

void SoftSurface::FillDesc(SurfaceDesc& d) const {
    d = SurfaceDesc{};
    d.flags = SurfaceDescBits::Caps | SurfaceDescBits::Width | SurfaceDescBits::Height |
              SurfaceDescBits::Pitch | SurfaceDescBits::PixelFormat;
    d.width = m_width;
    d.height = m_height;
    d.pitch = m_pitch;
    d.pixelFormat = m_format;
    d.caps = m_caps;
    if (m_kind == SurfaceKind::Primary && (m_caps.caps & SurfaceCapBits::Flip)) {
        d.flags |= SurfaceDescBits::BackBufferCount;
        d.backBufferCount = m_backBufferCount;
    }
    if (m_caps.caps & SurfaceCapBits::MipMap) {
        d.flags |= SurfaceDescBits::MipMapCount;
        d.mipMapCount = m_mipCount;
    }
    if (m_hasTextureStage) {
        d.flags |= SurfaceDescBits::TextureStage;
        d.textureStage = m_textureStage;
    }
    if (m_hasSrcKey) {
        d.flags |= SurfaceDescBits::ColorKeySrcBlt;
        d.srcBltKey = m_srcKey;
    }
}

Result SoftSurface::GetSurfaceDesc(SurfaceDesc& desc) {
    SoftGraphics::Scope scope(m_g);
    Result r = m_g->Fault("Surface::GetSurfaceDesc");
    if (r == Result::Ok) FillDesc(desc);
    return m_g->Trace(r, "Surface::GetSurfaceDesc(%s)", SurfaceName(this).c_str());
}

Result SoftSurface::SetSurfaceDesc(const SurfaceDesc& desc, uint32_t flags) {
    SoftGraphics::Scope scope(m_g);
    Result r = m_g->Fault("Surface::SetSurfaceDesc");
    const uint32_t allowed = SurfaceDescBits::SurfaceMemory | SurfaceDescBits::Width |
                             SurfaceDescBits::Height | SurfaceDescBits::Pitch |
                             SurfaceDescBits::PixelFormat | SurfaceDescBits::Caps;
    if (r == Result::Ok && (!IsSystemMemory() || !(desc.flags & SurfaceDescBits::SurfaceMemory) ||
                            !desc.surface || (desc.flags & ~allowed)))
        r = Result::InvalidParams;
    if (r == Result::Ok && m_locked) r = Result::SurfaceBusy;
    if (r == Result::Ok) {
        if (desc.flags & SurfaceDescBits::Width) m_width = desc.width;
        if (desc.flags & SurfaceDescBits::Height) m_height = desc.height;
        if (desc.flags & SurfaceDescBits::PixelFormat) m_format = desc.pixelFormat;
        m_pitch =
            (desc.flags & SurfaceDescBits::Pitch) ? desc.pitch : DefaultPitch(m_width, m_format);
        m_client = static_cast<uint8_t*>(desc.surface);
        m_own.clear();
        m_own.shrink_to_fit();
        CpuChanged();
    }
    return m_g->Trace(r, "Surface::SetSurfaceDesc(%s, 0x%x)", SurfaceName(this).c_str(), flags);
}

Result SoftSurface::GetCaps(SurfaceCaps& caps) {
    SoftGraphics::Scope scope(m_g);
    caps = m_caps;
    return m_g->Trace(Result::Ok, "Surface::GetCaps(%s)", SurfaceName(this).c_str());
}

Result SoftSurface::GetPixelFormat(PixelFormat& format) {
    SoftGraphics::Scope scope(m_g);
    format = m_format;
    return m_g->Trace(Result::Ok, "Surface::GetPixelFormat(%s)", SurfaceName(this).c_str());
}

Result SoftSurface::GetAttachedSurface(const SurfaceCaps& caps, Surface** attached) {
    SoftGraphics::Scope scope(m_g);
    if (attached) *attached = nullptr;
    Result r = m_g->Fault("Surface::GetAttachedSurface", caps.caps);
    if (r == Result::Ok && (!attached || !caps.caps)) r = Result::InvalidParams;
    if (r == Result::Ok) {
        r = Result::NotFound;
        for (SoftSurface* s : {m_zbuffer.Get(), m_next.Get()}) {
            if (s && (s->m_caps.caps & caps.caps) == caps.caps) {
                s->AddRef();
                *attached = s;
                r = Result::Ok;
                break;
            }
        }
    }
    return m_g->Trace(r, "Surface::GetAttachedSurface(%s, caps 0x%x) = %s",
                      SurfaceName(this).c_str(), caps.caps,
                      SurfaceName(attached ? *attached : nullptr).c_str());
}

Result SoftSurface::AddAttachedSurface(Surface* attach) {
    SoftGraphics::Scope scope(m_g);
    Result r = m_g->Fault("Surface::AddAttachedSurface");
    auto* z = dynamic_cast<SoftSurface*>(attach);
    if (r == Result::Ok && (!z || z->m_g != m_g)) r = Result::InvalidObject;
    if (r == Result::Ok && (z->m_kind != SurfaceKind::ZBuffer || !IsRenderTarget() ||
                            z->m_width != m_width || z->m_height != m_height))
        r = Result::CannotAttachSurface;
    if (r == Result::Ok && m_zbuffer) r = Result::SurfaceAlreadyAttached;
    if (r == Result::Ok) {
        m_zbuffer = Ref<SoftSurface>::Share(z);
        OnZBufferChanged();
    }
    return m_g->Trace(r, "Surface::AddAttachedSurface(%s, %s)", SurfaceName(this).c_str(),
                      SurfaceName(attach).c_str());
}

Result SoftSurface::DeleteAttachedSurface(uint32_t flags, Surface* attached) {
    SoftGraphics::Scope scope(m_g);
    Result r = m_g->Fault("Surface::DeleteAttachedSurface");
    if (r == Result::Ok) {
        if (!m_zbuffer || (attached && attached != m_zbuffer.Get()))
            r = Result::CannotDetachSurface;
        else {
            m_zbuffer.Reset();
            OnZBufferChanged();
        }
    }
    return m_g->Trace(r, "Surface::DeleteAttachedSurface(%s, 0x%x, %s)", SurfaceName(this).c_str(),
                      flags, SurfaceName(attached).c_str());
}

Result SoftSurface::Lock(const Rect* rect, SurfaceDesc& desc, uint32_t flags) {
    SoftGraphics::Scope scope(m_g);
    Result r = m_g->Fault("Surface::Lock");
    if (r == Result::Ok) r = LockImpl(rect, desc, flags);
    return m_g->Trace(r, "Surface::Lock(%s, %s, 0x%x)", SurfaceName(this).c_str(),
                      RectText(rect).c_str(), flags);
}

Result SoftSurface::LockImpl(const Rect* rect, SurfaceDesc& desc, uint32_t flags) {
    if (m_lost) return Result::SurfaceLost;
    if (m_locked) return Result::SurfaceBusy;
    Rect r{0, 0, static_cast<int32_t>(m_width), static_cast<int32_t>(m_height)};
    if (rect) {
        if (!InBounds(*rect, m_width, m_height)) return Result::InvalidParams;
        r = *rect;
    }
    Result s = SyncToCpu(!(flags & LockBits::DiscardContents));
    if (s != Result::Ok) return s;
    uint8_t* mem = Memory();
    FillDesc(desc);
    desc.flags |= SurfaceDescBits::SurfaceMemory;
    desc.surface = mem + static_cast<ptrdiff_t>(r.top) * m_pitch +
                   static_cast<ptrdiff_t>(r.left) * BytesPerPixel(m_format);
    m_locked = true;
    m_lockFlags = flags;
    return Result::Ok;
}

Result SoftSurface::Unlock(const Rect* rect) {
    SoftGraphics::Scope scope(m_g);
    Result r = m_g->Fault("Surface::Unlock");
    if (r == Result::Ok) {
        if (!m_locked)
            r = Result::NotLocked;
        else {
            m_locked = false;
            if (!(m_lockFlags & LockBits::ReadOnly)) CpuChanged();
        }
    }
    return m_g->Trace(r, "Surface::Unlock(%s, %s)", SurfaceName(this).c_str(),
                      RectText(rect).c_str());
}

Result SoftSurface::Blt(const Rect* destRect, Surface* src, const Rect* srcRect, uint32_t flags,
                        const BltFx* fx) {
    SoftGraphics::Scope scope(m_g);
    Result r = m_g->Fault("Surface::Blt");
    if (r == Result::Ok) r = BltImpl(destRect, src, srcRect, flags, fx);
    return m_g->Trace(r, "Surface::Blt(%s, %s, %s, %s, 0x%x)", SurfaceName(this).c_str(),
                      RectText(destRect).c_str(), SurfaceName(src).c_str(),
                      RectText(srcRect).c_str(), flags);
}

Result SoftSurface::BltImpl(const Rect* destRect, Surface* srcIface, const Rect* srcRect,
                            uint32_t flags, const BltFx* fx) {
    if (m_lost) return Result::SurfaceLost;
    if (m_locked) return Result::SurfaceBusy;
    Rect dest{0, 0, static_cast<int32_t>(m_width), static_cast<int32_t>(m_height)};
    if (destRect) dest = *destRect;

    if (flags & BltBits::ColorFill) {
        if (!fx) return Result::InvalidParams;
        if (!InBounds(dest, m_width, m_height)) return Result::InvalidParams;
        return DoColorFill(dest, fx->fillColor);
    }
    auto* src = dynamic_cast<SoftSurface*>(srcIface);
    if (!src || src->m_g != m_g) return Result::InvalidObject;
    if (src->m_lost) return Result::SurfaceLost;
    if (src->m_locked && src != this) return Result::SurfaceBusy;
    if (m_kind == SurfaceKind::ZBuffer || src->m_kind == SurfaceKind::ZBuffer)
        return Result::Unsupported;
    Rect from{0, 0, static_cast<int32_t>(src->m_width), static_cast<int32_t>(src->m_height)};
    if (srcRect) from = *srcRect;
    if (!InBounds(from, src->m_width, src->m_height)) return Result::InvalidParams;
    if (dest.left >= dest.right || dest.top >= dest.bottom) return Result::InvalidParams;

    if (m_kind == SurfaceKind::Primary) {
        // Blits to the screen are clipped to it; the source shrinks in proportion.
        const int32_t w = static_cast<int32_t>(m_width), h = static_cast<int32_t>(m_height);
        const double sx = double(from.Width()) / dest.Width(),
                     sy = double(from.Height()) / dest.Height();
        if (dest.left < 0) {
            from.left += static_cast<int32_t>(-dest.left * sx);
            dest.left = 0;
        }
        if (dest.top < 0) {
            from.top += static_cast<int32_t>(-dest.top * sy);
            dest.top = 0;
        }
        if (dest.right > w) {
            from.right -= static_cast<int32_t>((dest.right - w) * sx);
            dest.right = w;
        }
        if (dest.bottom > h) {
            from.bottom -= static_cast<int32_t>((dest.bottom - h) * sy);
            dest.bottom = h;
        }
        if (dest.left >= dest.right || dest.top >= dest.bottom || from.left >= from.right ||
            from.top >= from.bottom)
            return Result::Ok;  // entirely off screen
    } else if (!InBounds(dest, m_width, m_height)) {
        return Result::InvalidParams;
    }

    bool keyed = false;
    ColorKey key;
    if (flags & BltBits::KeySrcOverride) {
        if (!fx) return Result::InvalidParams;
        keyed = true;
        key = fx->srcKeyOverride;
    } else if (flags & BltBits::KeySrc) {
        if (!src->m_hasSrcKey) return Result::NoColorKey;
        keyed = true;
        key = src->m_srcKey;
    }
    bool mirrorLr = false, mirrorUd = false;
    if ((flags & BltBits::DdFx) && fx) {
        mirrorLr = (fx->fxFlags & BltFxBits::MirrorLeftRight) != 0;
        mirrorUd = (fx->fxFlags & BltFxBits::MirrorUpDown) != 0;
    }
    return DoBlt(dest, src, from, keyed, key, mirrorLr, mirrorUd);
}

Result SoftSurface::DoBlt(const Rect& dest, SoftSurface* src, const Rect& srcRect, bool keyed,
                          ColorKey key, bool mirrorLr, bool mirrorUd) {
    return CpuBlt(dest, src, srcRect, keyed, key, mirrorLr, mirrorUd);
}

Result SoftSurface::DoColorFill(const Rect& dest, uint32_t raw) {
    return CpuColorFill(dest, raw);
}

Result SoftSurface::CpuColorFill(const Rect& dest, uint32_t raw) {
    const bool whole = dest.left == 0 && dest.top == 0 &&
                       dest.right == static_cast<int32_t>(m_width) &&
                       dest.bottom == static_cast<int32_t>(m_height);
    Result r = SyncToCpu(!whole);
    if (r != Result::Ok) return r;
    PixelCodec codec(m_format);
    const uint32_t bpp = BytesPerPixel(m_format);
    uint8_t* mem = Memory();
    for (int32_t y = dest.top; y < dest.bottom; ++y) {
        uint8_t* p =
            mem + static_cast<ptrdiff_t>(y) * m_pitch + static_cast<ptrdiff_t>(dest.left) * bpp;
        for (int32_t x = dest.left; x < dest.right; ++x, p += bpp) {
            for (uint32_t i = 0; i < bpp; ++i) p[i] = static_cast<uint8_t>(raw >> (8 * i));
        }
    }
    (void)codec;
    CpuChanged();
    return Result::Ok;
}

Result SoftSurface::CpuBlt(const Rect& dest, SoftSurface* src, const Rect& from, bool keyed,
                           ColorKey key, bool mirrorLr, bool mirrorUd) {
    Result r = src->SyncToCpu(true);
    if (r == Result::Ok) r = SyncToCpu(true);
    if (r != Result::Ok) return r;

    const PixelCodec sc(src->m_format), dc(m_format);
    if (!sc.IsValid() || !dc.IsValid()) return Result::Unsupported;
    const bool sameFormat = src->m_format == m_format;
    const PaletteEntry* spal = src->m_palette ? src->m_palette->Entries() : nullptr;
    const PaletteEntry* dpal = m_palette ? m_palette->Entries() : nullptr;
    const int32_t dw = dest.Width(), dh = dest.Height();
    const int32_t sw = from.Width(), sh = from.Height();
    const uint32_t sbpp = sc.BytesPerPixel(), dbpp = dc.BytesPerPixel();

    // A copy of the source rows keeps overlapping self-blits right.
    std::vector<uint8_t> copy;
    const uint8_t* sbase = src->Memory();
    int32_t spitch = src->m_pitch;
    if (src == this) {
        copy.assign(sbase, sbase + static_cast<size_t>(spitch) * src->m_height);
        sbase = copy.data();
    }
    uint8_t* dbase = Memory();

    if (sameFormat && !keyed && !mirrorLr && !mirrorUd && dw == sw && dh == sh) {
        for (int32_t y = 0; y < dh; ++y)
            std::memcpy(dbase + static_cast<ptrdiff_t>(dest.top + y) * m_pitch +
                            static_cast<ptrdiff_t>(dest.left) * dbpp,
                        sbase + static_cast<ptrdiff_t>(from.top + y) * spitch +
                            static_cast<ptrdiff_t>(from.left) * sbpp,
                        static_cast<size_t>(dw) * dbpp);
    } else {
        for (int32_t y = 0; y < dh; ++y) {
            int32_t sy = from.top + static_cast<int32_t>((static_cast<int64_t>(y) * sh) / dh);
            if (mirrorUd) sy = from.bottom - 1 - (sy - from.top);
            const uint8_t* srow = sbase + static_cast<ptrdiff_t>(sy) * spitch;
            uint8_t* drow = dbase + static_cast<ptrdiff_t>(dest.top + y) * m_pitch;
            for (int32_t x = 0; x < dw; ++x) {
                int32_t sx = from.left + static_cast<int32_t>((static_cast<int64_t>(x) * sw) / dw);
                if (mirrorLr) sx = from.right - 1 - (sx - from.left);
                uint32_t raw = sc.Read(srow + static_cast<ptrdiff_t>(sx) * sbpp);
                if (keyed && raw >= key.low && raw <= key.high) continue;
                uint32_t out = sameFormat ? raw : dc.FromArgb(sc.ToArgb(raw, spal), dpal);
                dc.Write(drow + static_cast<ptrdiff_t>(dest.left + x) * dbpp, out);
            }
        }
    }
    CpuChanged();
    return Result::Ok;
}

Result SoftSurface::Flip(Surface* target, uint32_t flags) {
    SoftGraphics::Scope scope(m_g);
    Result r = m_g->Fault("Surface::Flip");
    SoftSurface* to = nullptr;
    if (r == Result::Ok) {
        if (m_kind != SurfaceKind::Primary || !(m_caps.caps & SurfaceCapBits::Flip) || !m_next)
            r = Result::Unsupported;
        else if (target) {
            for (SoftSurface* s = m_next.Get(); s; s = s->m_next.Get())
                if (s == target) to = s;
            if (!to) r = Result::InvalidParams;
        } else {
            to = m_next.Get();
        }
    }
    if (r == Result::Ok) {
        for (SoftSurface* s = this; s; s = s->m_next.Get()) {
            if (s->m_lost)
                r = Result::SurfaceLost;
            else if (s->m_locked && r == Result::Ok)
                r = Result::SurfaceBusy;
        }
    }
    if (r == Result::Ok) r = DoFlip(to);
    return m_g->Trace(r, "Surface::Flip(%s, %s, 0x%x)", SurfaceName(this).c_str(),
                      SurfaceName(target).c_str(), flags);
}

Result SoftSurface::DoFlip(SoftSurface*) {
    // The surfaces stay; their memory moves one step along the chain, the front taking the
    // first back buffer's.
    std::vector<SoftSurface*> chain;
    for (SoftSurface* s = this; s; s = s->m_next.Get()) {
        Result r = s->SyncToCpu(true);
        if (r != Result::Ok) return r;
        chain.push_back(s);
    }
    for (size_t i = 0; i + 1 < chain.size(); ++i) chain[i]->SwapStorage(*chain[i + 1]);
    for (SoftSurface* s : chain) s->CpuChanged();
    return Result::Ok;
}

Result SoftSurface::IsLost() {
    SoftGraphics::Scope scope(m_g);
    return m_g->Trace(m_lost ? Result::SurfaceLost : Result::Ok, "Surface::IsLost(%s)",
                      SurfaceName(this).c_str());
}

Result SoftSurface::Restore() {
    SoftGraphics::Scope scope(m_g);
    Result r = m_g->Fault("Surface::Restore");
    if (r == Result::Ok && m_lost && !m_g->CanRestoreSurfaces()) r = Result::WrongMode;
    if (r == Result::Ok) {
        for (SoftSurface* s = this; s; s = s->m_next.Get()) {
            if (s->m_lost) {
                s->m_lost = false;
                s->OnRestored();
            }
        }
    }
    return m_g->Trace(r, "Surface::Restore(%s)", SurfaceName(this).c_str());
}

Result SoftSurface::SetClipper(Clipper* clipper) {
    SoftGraphics::Scope scope(m_g);
    Result r = m_g->Fault("Surface::SetClipper");
    auto* c = dynamic_cast<SoftClipper*>(clipper);
    if (r == Result::Ok && clipper && !c) r = Result::InvalidObject;
    if (r == Result::Ok) m_clipper = Ref<SoftClipper>::Share(c);
    return m_g->Trace(r, "Surface::SetClipper(%s)", SurfaceName(this).c_str());
}

Result SoftSurface::GetClipper(Clipper** clipper) {
    SoftGraphics::Scope scope(m_g);
    Result r = Result::Ok;
    if (!clipper)
        r = Result::InvalidParams;
    else if (!m_clipper) {
        *clipper = nullptr;
        r = Result::NoClipper;
    } else {
        m_clipper->AddRef();
        *clipper = m_clipper.Get();
    }
    return m_g->Trace(r, "Surface::GetClipper(%s)", SurfaceName(this).c_str());
}

Result SoftSurface::SetPalette(Palette* palette) {
    SoftGraphics::Scope scope(m_g);
    Result r = m_g->Fault("Surface::SetPalette");
    auto* p = dynamic_cast<SoftPalette*>(palette);
    if (r == Result::Ok && palette && !p) r = Result::InvalidObject;
    if (r == Result::Ok && p && !(m_format.flags & PixelFormatBits::PaletteIndexed8) &&
        m_kind != SurfaceKind::Primary)
        r = Result::InvalidParams;
    if (r == Result::Ok) {
        m_palette = Ref<SoftPalette>::Share(p);
        CpuChanged();
    }
    return m_g->Trace(r, "Surface::SetPalette(%s)", SurfaceName(this).c_str());
}

Result SoftSurface::GetPalette(Palette** palette) {
    SoftGraphics::Scope scope(m_g);
    Result r = Result::Ok;
    if (!palette)
        r = Result::InvalidParams;
    else if (!m_palette) {
        *palette = nullptr;
        r = Result::NoPalette;
    } else {
        m_palette->AddRef();
        *palette = m_palette.Get();
    }
    return m_g->Trace(r, "Surface::GetPalette(%s)", SurfaceName(this).c_str());
}

Result SoftSurface::SetColorKey(uint32_t flags, const ColorKey* key) {
    SoftGraphics::Scope scope(m_g);
    Result r = m_g->Fault("Surface::SetColorKey");
    if (r == Result::Ok && !(flags & ColorKeyBits::SrcBlt)) r = Result::Unsupported;
    if (r == Result::Ok) {
        m_hasSrcKey = key != nullptr;
        if (key) m_srcKey = *key;
        ++m_keyVersion;
    }
    return m_g->Trace(
        r, "Surface::SetColorKey(%s, 0x%x, %s)", SurfaceName(this).c_str(), flags,
        key ? (std::to_string(key->low) + ".." + std::to_string(key->high)).c_str() : "null");
}

Result SoftSurface::GetColorKey(uint32_t flags, ColorKey& key) {
    SoftGraphics::Scope scope(m_g);
    Result r = Result::Ok;
    if (!(flags & ColorKeyBits::SrcBlt))
        r = Result::Unsupported;
    else if (!m_hasSrcKey)
        r = Result::NoColorKey;
    else
        key = m_srcKey;
    return m_g->Trace(r, "Surface::GetColorKey(%s, 0x%x)", SurfaceName(this).c_str(), flags);
}

}  // namespace plat::gfx
