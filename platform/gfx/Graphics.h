#pragma once
#include <cstdint>

#include "platform/gfx/GfxTypes.h"
#include "platform/gfx/RefCounted.h"

namespace plat::gfx {

class Clipper;
class Graphics3D;
class Palette;
class Surface;

// The graphics object of one driver: display modes, cooperative level, surfaces, palettes,
// clippers and texture memory. Made by Backend::CreateGraphics.
class Graphics : public RefCounted {
public:
    virtual Result GetCaps(GraphicsCaps* driverCaps, GraphicsCaps* emulationCaps) = 0;
    virtual Result GetDeviceIdentifier(DeviceIdentifier& id, uint32_t flags) = 0;
    virtual Result EnumDisplayModes(uint32_t flags, const SurfaceDesc* filter,
                                    const DisplayModeCallback& callback) = 0;

    // Binds the object to a window: CoopBits::Normal for windowed use, FullScreen | Exclusive
    // for the full-screen display. Surfaces can be made only after this.
    virtual Result SetCooperativeLevel(Window* window, uint32_t flags) = 0;
    // Full screen only (InvalidMode for a mode not in the list).
    virtual Result SetDisplayMode(uint32_t width, uint32_t height, uint32_t bitsPerPixel,
                                  uint32_t refreshRate, uint32_t flags) = 0;
    virtual Result RestoreDisplayMode() = 0;
    // The current display mode (the desktop's while none was set).
    virtual Result GetDisplayMode(SurfaceDesc& mode) = 0;

    // desc.flags say which fields count; SurfaceCapBits say the kind:
    //  PrimarySurface [| Flip | Complex | Device3D with BackBufferCount]: the screen, with a
    //      flip chain in full screen;
    //  Device3D [| Texture] with Width, Height: an off-screen render target;
    //  ZBuffer with a depth PixelFormat;
    //  Texture [| MipMap | Complex with MipMapCount] with a PixelFormat, in SystemMemory or
    //      VideoMemory (device textures count against the texture memory: OutOfVideoMemory).
    virtual Result CreateSurface(const SurfaceDesc& desc, Surface** surface) = 0;
    virtual Result CreateClipper(uint32_t flags, Clipper** clipper) = 0;
    // entries may be null (all black).
    virtual Result CreatePalette(uint32_t caps, const PaletteEntry* entries, Palette** palette) = 0;

    // Total and free memory for surfaces with these caps (texture memory for Texture).
    virtual Result GetAvailableVidMem(const SurfaceCaps& caps, uint32_t* total, uint32_t* free) = 0;
    virtual Result RestoreAllSurfaces() = 0;
    virtual Result QueryGraphics3D(Graphics3D** g3d) = 0;
};

}  // namespace plat::gfx
