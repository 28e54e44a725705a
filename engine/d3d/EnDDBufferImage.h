#pragma once
#include "engine/d3d/EnDDImage.h"

// An image over a surface that already exists: a frame buffer's front or back buffer, the
// primary surface, or an off-screen render target. The rest of the engine can hold and draw
// it like any image; the texture managers hand its own surface to the device as it is.
class EnDDBufferImage : public EnDDImage {
    EN_DECLARE_RTTI;

public:
    // Takes its own reference to the surface; a surface whose description cannot be read
    // leaves the image without one.
    EnDDBufferImage(plat::gfx::Surface* pSurface, plat::gfx::Graphics* pGraphics);
    ~EnDDBufferImage() override;

    bool ReleaseSurfaces(plat::gfx::Graphics* pGraphics) override;
    bool GetSurface(plat::gfx::Surface*& pSurface) override;

private:
    SurfaceRecord* m_pBuffer = nullptr;
};
