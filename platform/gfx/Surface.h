#pragma once
#include <cstdint>

#include "platform/gfx/GfxTypes.h"
#include "platform/gfx/RefCounted.h"

namespace plat::gfx {

class Clipper;
class Palette;

// A block of pixels: the primary surface, a back buffer of a flip chain, an off-screen render
// target, a z-buffer, a system-memory image or a device texture (optionally the top of a mip
// chain). Made by Graphics::CreateSurface.
class Surface : public RefCounted {
public:
    virtual Result GetSurfaceDesc(SurfaceDesc& desc) = 0;
    // Only SurfaceDescBits::SurfaceMemory (with Width, Height, Pitch, PixelFormat) may be set:
    // the surface then uses the caller's memory, which must outlive it.
    virtual Result SetSurfaceDesc(const SurfaceDesc& desc, uint32_t flags) = 0;
    virtual Result GetCaps(SurfaceCaps& caps) = 0;
    virtual Result GetPixelFormat(PixelFormat& format) = 0;

    // The attached surface with these caps: the back buffer of a flip chain (BackBuffer), the
    // z-buffer (ZBuffer), the next mip level (Texture | MipMap). NotFound when there is none.
    virtual Result GetAttachedSurface(const SurfaceCaps& caps, Surface** attached) = 0;
    // Attaches a z-buffer to a render target.
    virtual Result AddAttachedSurface(Surface* attach) = 0;
    virtual Result DeleteAttachedSurface(uint32_t flags, Surface* attached) = 0;

    // Locks a rectangle (null: all) for CPU access. desc receives memory, pitch and format.
    // Without LockBits::Wait a busy surface answers SurfaceBusy.
    virtual Result Lock(const Rect* rect, SurfaceDesc& desc, uint32_t flags) = 0;
    virtual Result Unlock(const Rect* rect) = 0;

    // Copies (and stretches) a source rectangle into a destination rectangle of this surface;
    // null rectangles mean whole surfaces. With BltBits::KeySrcOverride source pixels inside
    // fx->srcKeyOverride are left out; with KeySrc the source's own key is used. A blit into a
    // primary surface shows the source in the window (rectangles in screen coordinates).
    virtual Result Blt(const Rect* destRect, Surface* src, const Rect* srcRect, uint32_t flags,
                       const BltFx* fx) = 0;
    // Shows the back buffer of a flip chain; called on the primary surface.
    virtual Result Flip(Surface* target, uint32_t flags) = 0;

    // SurfaceLost while the surface's memory is gone; Restore brings it back (contents undefined).
    virtual Result IsLost() = 0;
    virtual Result Restore() = 0;

    virtual Result SetClipper(Clipper* clipper) = 0;
    virtual Result GetClipper(Clipper** clipper) = 0;
    virtual Result SetPalette(Palette* palette) = 0;
    virtual Result GetPalette(Palette** palette) = 0;
    // A null key removes the key.
    virtual Result SetColorKey(uint32_t flags, const ColorKey* key) = 0;
    virtual Result GetColorKey(uint32_t flags, ColorKey& key) = 0;
};

}  // namespace plat::gfx
