#pragma once
#include "platform/gfx/Graphics3D.h"
#include "platform/gfx/Ref.h"
#include "platform/gfx/SoftGraphics.h"

namespace plat::gfx {

// The 3D side of a SoftGraphics: devices and z formats from the driver's configuration.
class SoftGraphics3D : public Graphics3D {
public:
    explicit SoftGraphics3D(SoftGraphics* g);

    Result EnumDevices(const DeviceCallback& callback) override;
    Result EnumZBufferFormats(DeviceType type, const PixelFormatCallback& callback) override;
    Result CreateDevice(DeviceType type, Surface* renderTarget, Device** device) override;
    Result CreateVertexBuffer(const VertexBufferDesc& desc, VertexBuffer** buffer,
                              uint32_t flags) override;

    SoftGraphics* Graphics() const { return m_g; }

private:
    const GfxConfig::DeviceInfo* FindDevice(DeviceType type) const;

    SoftGraphics* m_g;
    Ref<SoftGraphics> m_gRef;
};

}  // namespace plat::gfx
