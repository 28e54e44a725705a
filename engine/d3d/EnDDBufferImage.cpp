#include "engine/d3d/EnDDBufferImage.h"

using namespace plat::gfx;

EN_IMPLEMENT_RTTI(EnDDBufferImage, EnDDImage);

EnDDBufferImage::EnDDBufferImage(Surface* pSurface, Graphics* pGraphics) {
    SurfaceDesc kDesc;
    if (!pSurface || Failed(pSurface->GetSurfaceDesc(kDesc))) return;
    // Surfaces of one layout share one index of the format table, so that a texture
    // manager's format matches the buffer's when their channels agree.
    EnD3DPixelFormat kFormat = EnD3DPixelFormat::FromPixelFormat(kDesc.pixelFormat);
    AddSurface(pSurface, kFormat.GetIndex(), pGraphics);
    m_pBuffer = m_kSurfaces.back().get();
    m_uiWidth = kDesc.width;
    m_uiHeight = kDesc.height;
    m_uiMipLevels = 1;
}

EnDDBufferImage::~EnDDBufferImage() {
    m_pBuffer = nullptr;
    ReleaseAllSurfaceRecords();
}

bool EnDDBufferImage::ReleaseSurfaces(Graphics* pGraphics) {
    m_pBuffer = nullptr;
    return EnDDImage::ReleaseSurfaces(pGraphics);
}

bool EnDDBufferImage::GetSurface(Surface*& pSurface) {
    pSurface = m_pBuffer ? m_pBuffer->m_spSurface.Get() : nullptr;
    return true;
}
