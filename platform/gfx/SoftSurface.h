#pragma once
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include "platform/gfx/Ref.h"
#include "platform/gfx/SoftGraphics.h"
#include "platform/gfx/Surface.h"

namespace plat::gfx {

class SoftClipper;
class SoftPalette;

// The software model of a surface: its description, CPU pixels (allocated on first use, or the
// caller's memory), attachments (back buffer, z-buffer, next mip level), palette, clipper,
// colour key, lock and lost state. Blits, fills and flips work on the CPU pixels; a back end
// that keeps pixels elsewhere overrides the hooks below.
class SoftSurface : public Surface {
public:
    SoftSurface(SoftGraphics* g, SurfaceKind kind, const SurfaceDesc& resolved);
    ~SoftSurface() override;

    Result GetSurfaceDesc(SurfaceDesc& desc) override;
    Result SetSurfaceDesc(const SurfaceDesc& desc, uint32_t flags) override;
    Result GetCaps(SurfaceCaps& caps) override;
    Result GetPixelFormat(PixelFormat& format) override;
    Result GetAttachedSurface(const SurfaceCaps& caps, Surface** attached) override;
    Result AddAttachedSurface(Surface* attach) override;
    Result DeleteAttachedSurface(uint32_t flags, Surface* attached) override;
    Result Lock(const Rect* rect, SurfaceDesc& desc, uint32_t flags) override;
    Result Unlock(const Rect* rect) override;
    Result Blt(const Rect* destRect, Surface* src, const Rect* srcRect, uint32_t flags,
               const BltFx* fx) override;
    Result Flip(Surface* target, uint32_t flags) override;
    Result IsLost() override;
    Result Restore() override;
    Result SetClipper(Clipper* clipper) override;
    Result GetClipper(Clipper** clipper) override;
    Result SetPalette(Palette* palette) override;
    Result GetPalette(Palette** palette) override;
    Result SetColorKey(uint32_t flags, const ColorKey* key) override;
    Result GetColorKey(uint32_t flags, ColorKey& key) override;

    // The model, for back ends and tests.
    SoftGraphics* Graphics() const { return m_g; }
    uint32_t Id() const { return m_id; }
    SurfaceKind Kind() const { return m_kind; }
    uint32_t Width() const { return m_width; }
    uint32_t Height() const { return m_height; }
    const PixelFormat& Format() const { return m_format; }
    const SurfaceCaps& Caps() const { return m_caps; }
    bool IsTexture() const { return (m_caps.caps & SurfaceCapBits::Texture) != 0; }
    bool IsSystemMemory() const { return (m_caps.caps & SurfaceCapBits::SystemMemory) != 0; }
    bool IsRenderTarget() const;
    bool Lost() const { return m_lost; }
    void SetLost(bool lost);
    bool HasSrcColorKey() const { return m_hasSrcKey; }
    ColorKey SrcColorKey() const { return m_srcKey; }
    uint32_t ColorKeyVersion() const { return m_keyVersion; }
    SoftPalette* PaletteObject() const { return m_palette.Get(); }
    SoftClipper* ClipperObject() const { return m_clipper.Get(); }
    SoftSurface* ZBufferSurface() const { return m_zbuffer.Get(); }
    SoftSurface* NextInChain() const { return m_next.Get(); }  // back buffer or next mip level
    uint32_t MipLevel() const { return m_mipLevel; }
    uint32_t MipCount() const { return m_mipCount; }
    // Bytes the surface takes from the texture budget (0 for system memory).
    uint32_t ChargedBytes() const { return m_charged; }
    void SetChargedBytes(uint32_t bytes) { m_charged = bytes; }
    // Raised on every change of the CPU pixels.
    uint32_t CpuVersion() const { return m_cpuVersion; }

    // CPU pixels (allocating them on first use); valid until the next SetSurfaceDesc or flip.
    uint8_t* Memory();
    int32_t Pitch() const { return m_pitch; }
    // Fills a rectangle with a raw pixel value (the device's clear uses it).
    Result Fill(const Rect& rect, uint32_t raw) { return DoColorFill(rect, raw); }
    // Links made at creation: the next surface of a flip chain or mip chain.
    void SetNext(SoftSurface* next, uint32_t mipLevel);

    // Brings the CPU pixels up to date before the CPU reads them (forRead) or overwrites them.
    virtual Result SyncToCpu(bool forRead);
    // Says that the CPU pixels changed.
    virtual void CpuChanged();

protected:
    // Hooks with the CPU implementation as default.
    virtual Result DoBlt(const Rect& dest, SoftSurface* src, const Rect& srcRect, bool keyed,
                         ColorKey key, bool mirrorLr, bool mirrorUd);
    virtual Result DoColorFill(const Rect& dest, uint32_t raw);
    virtual Result DoFlip(SoftSurface* target);
    virtual void OnZBufferChanged() {}
    virtual void OnRestored() {}

    Result CpuBlt(const Rect& dest, SoftSurface* src, const Rect& srcRect, bool keyed, ColorKey key,
                  bool mirrorLr, bool mirrorUd);
    Result CpuColorFill(const Rect& dest, uint32_t raw);
    // Swaps the pixel storage of two surfaces (flip chains).
    void SwapStorage(SoftSurface& other);

    SoftGraphics* m_g;
    Ref<SoftGraphics> m_gRef;

private:
    Result LockImpl(const Rect* rect, SurfaceDesc& desc, uint32_t flags);
    Result BltImpl(const Rect* destRect, Surface* src, const Rect* srcRect, uint32_t flags,
                   const BltFx* fx);
    void FillDesc(SurfaceDesc& d) const;

    uint32_t m_id;
    SurfaceKind m_kind;
    uint32_t m_width, m_height;
    PixelFormat m_format;
    SurfaceCaps m_caps;
    uint32_t m_backBufferCount;
    uint32_t m_mipCount;
    uint32_t m_mipLevel = 0;
    uint32_t m_textureStage;
    bool m_hasTextureStage;

    std::vector<uint8_t> m_own;
    uint8_t* m_client = nullptr;
    int32_t m_pitch = 0;
    uint32_t m_cpuVersion = 1;

    bool m_locked = false;
    uint32_t m_lockFlags = 0;
    bool m_lost = false;

    bool m_hasSrcKey = false;
    ColorKey m_srcKey;
    uint32_t m_keyVersion = 0;
    Ref<SoftPalette> m_palette;
    Ref<SoftClipper> m_clipper;
    Ref<SoftSurface> m_zbuffer;
    Ref<SoftSurface> m_next;
    uint32_t m_charged = 0;
};

// "Surface#id" or "null", for the call log.
std::string SurfaceName(const Surface* s);
// Bytes a surface of this size and format takes.
uint32_t SurfaceBytes(uint32_t width, uint32_t height, const PixelFormat& format);

}  // namespace plat::gfx
