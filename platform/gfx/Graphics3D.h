#pragma once
#include <cstdint>

#include "platform/gfx/GfxTypes.h"
#include "platform/gfx/RefCounted.h"

namespace plat::gfx {

class Device;
class Surface;
class VertexBuffer;

// The 3D side of a graphics object: its devices, their z-buffer formats, device creation and
// vertex buffers. Obtained with Graphics::QueryGraphics3D.
class Graphics3D : public RefCounted {
public:
    virtual Result EnumDevices(const DeviceCallback& callback) = 0;
    virtual Result EnumZBufferFormats(DeviceType type, const PixelFormatCallback& callback) = 0;
    // The render target must be a surface with SurfaceCapBits::Device3D (or a flip chain's
    // back buffer); its attached z-buffer, if any, becomes the device's.
    virtual Result CreateDevice(DeviceType type, Surface* renderTarget, Device** device) = 0;
    virtual Result CreateVertexBuffer(const VertexBufferDesc& desc, VertexBuffer** buffer,
                                      uint32_t flags) = 0;
};

}  // namespace plat::gfx
