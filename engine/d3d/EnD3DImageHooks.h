#pragma once
#include "engine/geometry/EnImage.h"

namespace plat::gfx {
class Graphics;
class Surface;
}  // namespace plat::gfx

// Where the renderer meets its surface-backed image classes. The frame buffers wrap their
// surfaces in images, the DirectDraw device object tells the images to let go of its surfaces
// when it shuts down, and the image factory makes the renderer's own image kind; the image
// classes install these functions from their own start-up code. Until they do, frame buffers
// keep no images and the engine's image factory is left as it is.
struct EnD3DImageHooks {
    // An image over an existing surface (a front, back or primary buffer); null on failure.
    // The image holds its own reference to the surface; the caller takes the image's first
    // reference.
    using MakeBufferImageFunction = EnImage* (*)(plat::gfx::Surface* pSurface,
                                                 plat::gfx::Graphics* pGraphics);
    // Every live surface image releases all of its surfaces.
    using ReleaseImageSurfacesFunction = void (*)(plat::gfx::Graphics* pGraphics);

    static inline MakeBufferImageFunction ms_pfnMakeBufferImage = nullptr;
    static inline ReleaseImageSurfacesFunction ms_pfnReleaseImageSurfaces = nullptr;
    // The maker of the renderer's image kind, which EnD3DRender::InstallImageFactory installs
    // as the engine's image factory.
    static inline EnImage::CreateImageFunction ms_pfnCreateImage = nullptr;
    // The type record of the renderer's image kind: only such images are handed on to the
    // texture manager, any other image as null.
    static inline const EnTypeRecord* ms_pSurfaceImageType = nullptr;

    static EnImage* AsSurfaceImage(EnImage* pImage) {
        return pImage && ms_pSurfaceImageType && pImage->IsKindOf(ms_pSurfaceImageType) ? pImage
                                                                                        : nullptr;
    }
};
