#include "platform/gfx/SoftGraphics.h"

#include <algorithm>
#include <cstdio>
#include <string>

#include "platform/gfx/SoftBackend.h"
#include "platform/gfx/SoftClipper.h"
#include "platform/gfx/SoftDevice.h"
#include "platform/gfx/SoftGraphics3D.h"
#include "platform/gfx/SoftPalette.h"
#include "platform/gfx/SoftSurface.h"
#include "platform/gfx/SoftVertexBuffer.h"

namespace plat::gfx {

namespace {
std::string CapsText(uint32_t caps) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%x", caps);
    return buf;
}
uint32_t MipLevelsFor(uint32_t w, uint32_t h) {
    uint32_t n = 1;
    while (w > 1 || h > 1) {
        w = std::max(1u, w / 2);
        h = std::max(1u, h / 2);
        ++n;
    }
    return n;
}
bool IsRgbFormat(const PixelFormat& f) {
    if (f.flags & PixelFormatBits::PaletteIndexed8) return f.rgbBitCount == 8 || f.rgbBitCount == 0;
    return (f.flags & PixelFormatBits::Rgb) && (f.rgbBitCount == 16 || f.rgbBitCount == 24 ||
                                                f.rgbBitCount == 32 || f.rgbBitCount == 8);
}
}  // namespace

SoftGraphics::SoftGraphics(SoftBackend* backend, const GfxConfig& config,
                           const GfxConfig::Driver& driver)
    : m_backend(backend),
      m_driver(driver),
      m_desktop(config.desktop),
      m_maxBackBuffers(config.maxBackBuffers),
      m_videoMemory(config.videoMemory),
      m_nonLocalTextureTargets(config.nonLocalTextureTargets),
      m_textureBudget(config.textureMemory) {
    if (m_backend) m_backend->Register(this);
}

SoftGraphics::~SoftGraphics() {
    if (m_backend) m_backend->Unregister(this);
}

SoftGraphics::Scope::Scope(SoftGraphics* g) : m_g(g) {
    g->m_mutex.lock();
    if (g->m_depth++ == 0) g->Enter();
}

SoftGraphics::Scope::~Scope() {
    if (--m_g->m_depth == 0) m_g->Leave();
    m_g->m_mutex.unlock();
}

Result SoftGraphics::Fault(const char* call, uint32_t caps) {
    return m_backend ? m_backend->CheckFault(call, caps) : Result::Ok;
}

bool SoftGraphics::Logging() const {
    return m_backend && m_backend->Log().Enabled();
}

Result SoftGraphics::Trace(Result r, const char* format, ...) {
    if (!Logging()) return r;
    char buf[512];
    va_list args;
    va_start(args, format);
    std::vsnprintf(buf, sizeof buf, format, args);
    va_end(args);
    std::string line = buf;
    line += " -> ";
    line += ResultName(r);
    m_backend->Log().Add(std::move(line));
    return r;
}

uint32_t SoftGraphics::DisplayWidth() const {
    return m_modeSet ? m_mode.width : m_desktop.width;
}
uint32_t SoftGraphics::DisplayHeight() const {
    return m_modeSet ? m_mode.height : m_desktop.height;
}
PixelFormat SoftGraphics::DisplayFormat() const {
    uint32_t bits = m_modeSet ? m_mode.bitsPerPixel : m_desktop.bitsPerPixel;
    return bits == 16 ? Formats::Rgb565() : Formats::Xrgb8888();
}

void SoftGraphics::RegisterSurface(SoftSurface* s) {
    m_surfaces.push_back(s);
}
void SoftGraphics::UnregisterSurface(SoftSurface* s) {
    m_surfaces.erase(std::remove(m_surfaces.begin(), m_surfaces.end(), s), m_surfaces.end());
}

Result SoftGraphics::ChargeTexture(uint32_t bytes) {
    if (bytes > m_textureBudget || m_textureBytes > m_textureBudget - bytes)
        return Result::OutOfVideoMemory;
    m_textureBytes += bytes;
    return Result::Ok;
}

void SoftGraphics::RefundTexture(uint32_t bytes) {
    m_textureBytes -= std::min(bytes, m_textureBytes);
}

void SoftGraphics::LoseAllSurfaces() {
    Scope scope(this);
    for (SoftSurface* s : m_surfaces)
        if (!s->IsSystemMemory()) s->SetLost(true);
    Trace(Result::Ok, "Graphics::LoseAllSurfaces()");
}

Result SoftGraphics::GetCaps(GraphicsCaps* driverCaps, GraphicsCaps* emulationCaps) {
    Scope scope(this);
    Result r = Fault("Graphics::GetCaps");
    if (r == Result::Ok) {
        if (driverCaps) {
            *driverCaps = m_driver.driverCaps;
            driverCaps->vidMemTotal = m_videoMemory;
            driverCaps->vidMemFree = m_videoMemory - std::min(m_videoMemory, m_textureBytes);
        }
        if (emulationCaps) *emulationCaps = m_driver.emulationCaps;
    }
    return Trace(r, "Graphics::GetCaps()");
}

Result SoftGraphics::GetDeviceIdentifier(DeviceIdentifier& id, uint32_t flags) {
    Scope scope(this);
    Result r = Fault("Graphics::GetDeviceIdentifier");
    if (r == Result::Ok) id = m_driver.identifier;
    return Trace(r, "Graphics::GetDeviceIdentifier(0x%x)", flags);
}

Result SoftGraphics::EnumDisplayModes(uint32_t flags, const SurfaceDesc* filter,
                                      const DisplayModeCallback& callback) {
    Scope scope(this);
    Result r = Fault("Graphics::EnumDisplayModes");
    if (r == Result::Ok && !callback) r = Result::InvalidParams;
    if (r == Result::Ok) {
        for (const auto& m : m_driver.modes) {
            SurfaceDesc d;
            d.flags = SurfaceDescBits::Width | SurfaceDescBits::Height | SurfaceDescBits::Pitch |
                      SurfaceDescBits::PixelFormat | SurfaceDescBits::RefreshRate;
            d.width = m.width;
            d.height = m.height;
            d.pixelFormat = m.bitsPerPixel == 16 ? Formats::Rgb565() : Formats::Xrgb8888();
            d.pitch = static_cast<int32_t>(m.width * m.bitsPerPixel / 8);
            d.refreshRate = 60;
            if (filter) {
                if ((filter->flags & SurfaceDescBits::Width) && filter->width != d.width) continue;
                if ((filter->flags & SurfaceDescBits::Height) && filter->height != d.height)
                    continue;
                if ((filter->flags & SurfaceDescBits::PixelFormat) &&
                    filter->pixelFormat.rgbBitCount != m.bitsPerPixel)
                    continue;
            }
            if (!callback(d)) break;
        }
    }
    return Trace(r, "Graphics::EnumDisplayModes(0x%x)", flags);
}

Result SoftGraphics::OnCooperativeLevel(Window*, uint32_t) {
    return Result::Ok;
}
Result SoftGraphics::OnDisplayMode(bool, uint32_t, uint32_t, uint32_t) {
    return Result::Ok;
}

Result SoftGraphics::SetCooperativeLevel(Window* window, uint32_t flags) {
    Scope scope(this);
    Result r = Fault("Graphics::SetCooperativeLevel");
    if (r == Result::Ok) {
        bool full = (flags & CoopBits::FullScreen) != 0;
        bool normal = (flags & CoopBits::Normal) != 0;
        if (full == normal || (full && !(flags & CoopBits::Exclusive)) || (full && !window))
            r = Result::InvalidParams;
    }
    if (r == Result::Ok) r = OnCooperativeLevel(window, flags);
    if (r == Result::Ok) {
        if (!(flags & CoopBits::FullScreen) && m_modeSet) {
            OnDisplayMode(false, 0, 0, 0);
            m_modeSet = false;
        }
        m_window = window;
        m_coop = flags;
    }
    return Trace(r, "Graphics::SetCooperativeLevel(%p, 0x%x)", static_cast<void*>(window), flags);
}

Result SoftGraphics::SetDisplayMode(uint32_t width, uint32_t height, uint32_t bits,
                                    uint32_t refreshRate, uint32_t flags) {
    Scope scope(this);
    Result r = Fault("Graphics::SetDisplayMode");
    if (r == Result::Ok && !IsFullScreen()) r = Result::NoCooperativeLevel;
    if (r == Result::Ok) {
        bool listed = std::any_of(m_driver.modes.begin(), m_driver.modes.end(), [&](auto& m) {
            return m.width == width && m.height == height && m.bitsPerPixel == bits;
        });
        if (!listed) r = Result::InvalidMode;
    }
    if (r == Result::Ok) r = OnDisplayMode(true, width, height, bits);
    if (r == Result::Ok) {
        m_modeSet = true;
        m_mode = {width, height, bits};
    }
    return Trace(r, "Graphics::SetDisplayMode(%u, %u, %u, %u, 0x%x)", width, height, bits,
                 refreshRate, flags);
}

Result SoftGraphics::RestoreDisplayMode() {
    Scope scope(this);
    Result r = Fault("Graphics::RestoreDisplayMode");
    if (r == Result::Ok && m_modeSet) {
        r = OnDisplayMode(false, 0, 0, 0);
        if (r == Result::Ok) m_modeSet = false;
    }
    return Trace(r, "Graphics::RestoreDisplayMode()");
}

Result SoftGraphics::GetDisplayMode(SurfaceDesc& mode) {
    Scope scope(this);
    Result r = Fault("Graphics::GetDisplayMode");
    if (r == Result::Ok) {
        mode = SurfaceDesc{};
        mode.flags = SurfaceDescBits::Width | SurfaceDescBits::Height | SurfaceDescBits::Pitch |
                     SurfaceDescBits::PixelFormat | SurfaceDescBits::RefreshRate;
        mode.width = DisplayWidth();
        mode.height = DisplayHeight();
        mode.pixelFormat = DisplayFormat();
        mode.pitch = static_cast<int32_t>(mode.width * mode.pixelFormat.rgbBitCount / 8);
        mode.refreshRate = 60;
    }
    return Trace(r, "Graphics::GetDisplayMode()");
}

Result SoftGraphics::CreateSurface(const SurfaceDesc& desc, Surface** surface) {
    Scope scope(this);
    if (surface) *surface = nullptr;
    Result r = Fault("Graphics::CreateSurface", desc.caps.caps);
    if (r == Result::Ok) r = CreateSurfaceImpl(desc, surface);
    return Trace(r, "Graphics::CreateSurface(caps %s, %ux%u) = %s",
                 CapsText(desc.caps.caps).c_str(), desc.width, desc.height,
                 SurfaceName(surface ? *surface : nullptr).c_str());
}

Result SoftGraphics::CreateSurfaceImpl(const SurfaceDesc& desc, Surface** surface) {
    if (!surface) return Result::InvalidParams;
    if (!m_coop) return Result::NoCooperativeLevel;
    if (!(desc.flags & SurfaceDescBits::Caps)) return Result::InvalidParams;
    const uint32_t caps = desc.caps.caps;
    const bool sys = (caps & SurfaceCapBits::SystemMemory) != 0;
    if (sys && (caps & SurfaceCapBits::VideoMemory)) return Result::InvalidParams;

    if (caps & SurfaceCapBits::PrimarySurface) {
        if (caps & SurfaceCapBits::Flip) return CreateFlipChain(desc, surface);
        for (SoftSurface* s : m_surfaces)
            if (s->Kind() == SurfaceKind::Primary) return Result::Generic;
        SurfaceDesc d;
        d.width = DisplayWidth();
        d.height = DisplayHeight();
        d.pixelFormat = DisplayFormat();
        d.caps.caps = SurfaceCapBits::PrimarySurface | SurfaceCapBits::FrontBuffer |
                      SurfaceCapBits::VideoMemory | SurfaceCapBits::LocalVidMem |
                      (caps & SurfaceCapBits::Device3D);
        *surface = NewSurface(SurfaceKind::Primary, d);
        return Result::Ok;
    }
    if (caps & SurfaceCapBits::Texture) return CreateTexture(desc, surface);

    if (!(desc.flags & SurfaceDescBits::Width) || !(desc.flags & SurfaceDescBits::Height) ||
        desc.width == 0 || desc.height == 0 || desc.width > 8192 || desc.height > 8192)
        return Result::InvalidParams;

    SurfaceDesc d;
    d.width = desc.width;
    d.height = desc.height;
    const uint32_t where = sys ? SurfaceCapBits::SystemMemory
                               : SurfaceCapBits::VideoMemory | SurfaceCapBits::LocalVidMem;
    if (caps & SurfaceCapBits::ZBuffer) {
        if (!(desc.flags & SurfaceDescBits::PixelFormat)) return Result::InvalidParams;
        bool known = std::any_of(m_driver.zFormats.begin(), m_driver.zFormats.end(),
                                 [&](const PixelFormat& f) { return f == desc.pixelFormat; });
        if (!known) return Result::InvalidParams;
        d.pixelFormat = desc.pixelFormat;
        d.caps.caps = SurfaceCapBits::ZBuffer | where;
        *surface = NewSurface(SurfaceKind::ZBuffer, d);
        return Result::Ok;
    }
    d.pixelFormat =
        (desc.flags & SurfaceDescBits::PixelFormat) ? desc.pixelFormat : DisplayFormat();
    if (!IsRgbFormat(d.pixelFormat)) return Result::InvalidParams;
    if (caps & SurfaceCapBits::Device3D) {
        d.caps.caps = SurfaceCapBits::Device3D | SurfaceCapBits::OffscreenPlain | where;
        *surface = NewSurface(SurfaceKind::RenderTarget, d);
        return Result::Ok;
    }
    d.caps.caps = SurfaceCapBits::OffscreenPlain | where;
    *surface = NewSurface(SurfaceKind::Plain, d);
    return Result::Ok;
}

Result SoftGraphics::CreateFlipChain(const SurfaceDesc& desc, Surface** surface) {
    const uint32_t caps = desc.caps.caps;
    if (!IsFullScreen() || !(m_coop & CoopBits::Exclusive)) return Result::NoCooperativeLevel;
    if (!(caps & SurfaceCapBits::Complex) || !(desc.flags & SurfaceDescBits::BackBufferCount) ||
        desc.backBufferCount == 0)
        return Result::InvalidParams;
    for (SoftSurface* s : m_surfaces)
        if (s->Kind() == SurfaceKind::Primary) return Result::Generic;
    if (desc.backBufferCount > m_maxBackBuffers) return Result::OutOfVideoMemory;

    const uint32_t d3d = caps & SurfaceCapBits::Device3D;
    SurfaceDesc d;
    d.width = DisplayWidth();
    d.height = DisplayHeight();
    d.pixelFormat = DisplayFormat();
    d.backBufferCount = desc.backBufferCount;
    d.caps.caps = SurfaceCapBits::PrimarySurface | SurfaceCapBits::FrontBuffer |
                  SurfaceCapBits::Flip | SurfaceCapBits::Complex | SurfaceCapBits::VideoMemory |
                  SurfaceCapBits::LocalVidMem | d3d;
    SoftSurface* front = NewSurface(SurfaceKind::Primary, d);
    SoftSurface* prev = front;
    for (uint32_t i = 0; i < desc.backBufferCount; ++i) {
        SurfaceDesc b = d;
        b.backBufferCount = 0;
        b.caps.caps = SurfaceCapBits::Flip | SurfaceCapBits::Complex | SurfaceCapBits::VideoMemory |
                      SurfaceCapBits::LocalVidMem | d3d | (i == 0 ? SurfaceCapBits::BackBuffer : 0);
        SoftSurface* back = NewSurface(SurfaceKind::BackBuffer, b);
        prev->SetNext(back, 0);
        back->Release();  // the chain holds it
        prev = back;
    }
    *surface = front;
    return Result::Ok;
}

Result SoftGraphics::CreateTexture(const SurfaceDesc& desc, Surface** surface) {
    const uint32_t caps = desc.caps.caps;
    const bool sys = (caps & SurfaceCapBits::SystemMemory) != 0;
    if (!(desc.flags & SurfaceDescBits::Width) || !(desc.flags & SurfaceDescBits::Height) ||
        desc.width == 0 || desc.height == 0 || desc.width > 8192 || desc.height > 8192)
        return Result::InvalidParams;
    PixelFormat fmt =
        (desc.flags & SurfaceDescBits::PixelFormat) ? desc.pixelFormat : DisplayFormat();
    if (!IsRgbFormat(fmt)) return Result::InvalidParams;
    if (!sys) {
        if (fmt.flags & PixelFormatBits::PaletteIndexed8) fmt.rgbBitCount = 8;
        bool known = std::any_of(m_driver.textureFormats.begin(), m_driver.textureFormats.end(),
                                 [&](const PixelFormat& f) { return f == fmt; });
        bool display = fmt == DisplayFormat();
        if (!known && !(display && (caps & SurfaceCapBits::Device3D))) return Result::InvalidParams;
    }
    uint32_t levels = 1;
    if (caps & SurfaceCapBits::MipMap) {
        uint32_t full = MipLevelsFor(desc.width, desc.height);
        levels = (desc.flags & SurfaceDescBits::MipMapCount) ? desc.mipMapCount : full;
        if (levels == 0 || levels > full) return Result::InvalidParams;
        if (levels > 1 && !(caps & SurfaceCapBits::Complex)) return Result::InvalidParams;
    }
    uint32_t where = sys ? SurfaceCapBits::SystemMemory
                         : SurfaceCapBits::VideoMemory | SurfaceCapBits::LocalVidMem;
    const bool target = (caps & SurfaceCapBits::Device3D) != 0;
    if (!sys && target && m_nonLocalTextureTargets)
        where = SurfaceCapBits::VideoMemory | SurfaceCapBits::NonLocalVidMem;

    uint32_t bytes = 0;
    if (!sys) {
        uint32_t w = desc.width, h = desc.height;
        for (uint32_t i = 0; i < levels; ++i) {
            bytes += SurfaceBytes(w, h, fmt);
            w = std::max(1u, w / 2);
            h = std::max(1u, h / 2);
        }
        Result r = ChargeTexture(bytes);
        if (r != Result::Ok) return r;
    }
    SurfaceDesc d;
    d.width = desc.width;
    d.height = desc.height;
    d.pixelFormat = fmt;
    d.mipMapCount = levels;
    d.caps.caps =
        SurfaceCapBits::Texture | where |
        (caps & (SurfaceCapBits::MipMap | SurfaceCapBits::Complex | SurfaceCapBits::Device3D));
    if (desc.flags & SurfaceDescBits::TextureStage) {
        d.flags |= SurfaceDescBits::TextureStage;
        d.textureStage = desc.textureStage;
    }
    SoftSurface* top = NewSurface(target ? SurfaceKind::RenderTarget : SurfaceKind::Texture, d);
    top->SetChargedBytes(bytes);
    SoftSurface* prev = top;
    uint32_t w = desc.width, h = desc.height;
    for (uint32_t i = 1; i < levels; ++i) {
        w = std::max(1u, w / 2);
        h = std::max(1u, h / 2);
        SurfaceDesc m = d;
        m.width = w;
        m.height = h;
        m.mipMapCount = levels - i;
        SoftSurface* level = NewSurface(SurfaceKind::Texture, m);
        prev->SetNext(level, i);
        level->Release();
        prev = level;
    }
    *surface = top;
    return Result::Ok;
}

Result SoftGraphics::CreateClipper(uint32_t flags, Clipper** clipper) {
    Scope scope(this);
    Result r = Fault("Graphics::CreateClipper");
    if (clipper) *clipper = nullptr;
    if (r == Result::Ok && !clipper) r = Result::InvalidParams;
    if (r == Result::Ok) *clipper = new SoftClipper(this);
    return Trace(r, "Graphics::CreateClipper(0x%x)", flags);
}

Result SoftGraphics::CreatePalette(uint32_t caps, const PaletteEntry* entries, Palette** palette) {
    Scope scope(this);
    Result r = Fault("Graphics::CreatePalette");
    if (palette) *palette = nullptr;
    if (r == Result::Ok && (!palette || !(caps & PaletteBits::Bits8))) r = Result::InvalidParams;
    if (r == Result::Ok) *palette = new SoftPalette(this, caps, entries);
    return Trace(r, "Graphics::CreatePalette(0x%x)", caps);
}

Result SoftGraphics::GetAvailableVidMem(const SurfaceCaps& caps, uint32_t* total, uint32_t* free) {
    Scope scope(this);
    Result r = Fault("Graphics::GetAvailableVidMem");
    if (r == Result::Ok) {
        uint32_t t, f;
        if (caps.caps & SurfaceCapBits::Texture) {
            t = m_textureBudget;
            f = m_textureBudget - std::min(m_textureBudget, m_textureBytes);
        } else {
            t = m_videoMemory;
            f = m_videoMemory - std::min(m_videoMemory, m_textureBytes);
        }
        if (total) *total = t;
        if (free) *free = f;
    }
    return Trace(r, "Graphics::GetAvailableVidMem(caps %s)", CapsText(caps.caps).c_str());
}

Result SoftGraphics::RestoreAllSurfaces() {
    Scope scope(this);
    Result r = Fault("Graphics::RestoreAllSurfaces");
    if (r == Result::Ok && !CanRestoreSurfaces()) r = Result::WrongMode;
    if (r == Result::Ok) {
        // Restore takes a reference-free walk: copy, since restoring never creates surfaces.
        std::vector<SoftSurface*> all = m_surfaces;
        for (SoftSurface* s : all)
            if (s->Lost()) s->Restore();
    }
    return Trace(r, "Graphics::RestoreAllSurfaces()");
}

Result SoftGraphics::QueryGraphics3D(Graphics3D** g3d) {
    Scope scope(this);
    Result r = Fault("Graphics::QueryGraphics3D");
    if (g3d) *g3d = nullptr;
    if (r == Result::Ok && !g3d) r = Result::InvalidParams;
    if (r == Result::Ok && !(m_driver.driverCaps.caps & GraphicsCapBits::Has3D) &&
        m_driver.devices.empty())
        r = Result::Unsupported;
    if (r == Result::Ok) *g3d = new SoftGraphics3D(this);
    return Trace(r, "Graphics::QueryGraphics3D()");
}

SoftSurface* SoftGraphics::NewSurface(SurfaceKind kind, const SurfaceDesc& resolved) {
    return new SoftSurface(this, kind, resolved);
}

SoftDevice* SoftGraphics::NewDevice(SoftGraphics3D* g3d, DeviceType type, SoftSurface* target,
                                    const DeviceDesc& caps) {
    return new SoftDevice(this, g3d, type, target, caps);
}

SoftVertexBuffer* SoftGraphics::NewVertexBuffer(const VertexBufferDesc& desc) {
    return new SoftVertexBuffer(this, desc);
}

}  // namespace plat::gfx
