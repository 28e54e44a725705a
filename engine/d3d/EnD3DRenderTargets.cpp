// Render targets and image blits of EnD3DRender: off-screen frame buffers in the slots after the
// main one, switching between them, and copying an image straight onto the buffer drawn into.
#include <algorithm>

#include "engine/d3d/EnD3DDeviceRecord.h"
#include "engine/d3d/EnD3DDirectDrawDevice.h"
#include "engine/d3d/EnD3DFrameBuffer.h"
#include "engine/d3d/EnD3DRender.h"
#include "engine/d3d/EnD3DTextureManager.h"
#include "engine/d3d/EnDDImage.h"

using namespace plat::gfx;

namespace {

EnDDImage* AsSurfaceImage(EnImage* pImage) {
    return pImage && pImage->IsKindOf(&EnDDImage::ms_RTTI) ? static_cast<EnDDImage*>(pImage)
                                                           : nullptr;
}

}  // namespace

void EnD3DRender::ReleaseImageEverywhere(EnImage* pImage) {
    EnTList<EnD3DTextureManager*>& kManagers = EnD3DTextureManager::LiveManagers();
    for (EnTListIterator pos = kManagers.GetHeadPos(); pos;)
        kManagers.GetNext(pos)->ReleaseTextures(pImage, true, EnD3DTextureManager::ALL_MEMORIES);
}

uint32_t EnD3DRender::CreateRenderTarget(uint32_t uiWidth, uint32_t uiHeight) {
    EnD3DFrameBuffer* pMain = m_kFrameBuffers.GetSize() ? m_kFrameBuffers.GetAt(0) : nullptr;
    if (!pMain) return 0;
    std::unique_ptr<EnD3DFrameBuffer> spTarget =
        EnD3DFrameBuffer::Create(pMain->GetDevice(), EnD3DFrameBuffer::MODE_OFFSCREEN, 0, uiWidth,
                                 uiHeight, nullptr, nullptr);
    if (!spTarget) return 0;
    if (pMain->GetZBufferSurface()) {
        const EnD3DDeviceRecord* pRecord = pMain->GetDevice()->GetDeviceRecord();
        if (!spTarget->AttachZBuffer(pRecord && pRecord->m_ucHardware != 0, m_kZFormat)) return 0;
    }
    // The first slot after the main one that no target holds, else a new one at the end.
    uint32_t uiSlot = m_kFrameBuffers.GetSize();
    for (uint32_t i = 1; i < m_kFrameBuffers.GetSize(); i++) {
        if (!m_kFrameBuffers.GetAt(i)) {
            uiSlot = i;
            break;
        }
    }
    if (m_kFrameBuffers.SetAtGrow(uiSlot, spTarget.get()) != uiSlot ||
        m_kFrameBuffers.GetAt(uiSlot) != spTarget.get())
        return 0;
    spTarget.release();
    return uiSlot;
}

bool EnD3DRender::SetRenderTarget(uint32_t uiIndex) {
    if (uiIndex >= m_kFrameBuffers.GetSize() || !m_spDevice) return false;
    EnD3DFrameBuffer* pTarget = m_kFrameBuffers.GetAt(uiIndex);
    if (!pTarget) return false;
    bool bResult = true;
    if (!pTarget->IsLost()) {
        if (Failed(m_spDevice->SetRenderTarget(pTarget->GetBackSurface(), 0))) return false;
        m_pCurrentFrameBuffer = pTarget;
    } else {
        // The next scene tries again while the target stays lost; the caller hears of it now.
        m_pCurrentFrameBuffer = pTarget;
        bResult = RecoverLostSurfaces();
    }
    SetDefaultView();
    return bResult;
}

uint32_t EnD3DRender::BlitImage(EnImage* pImage, const EnRect<uint32_t>* pSource, uint32_t uiX,
                                uint32_t uiY, bool bUseColorKey) {
    EnDDImage* pSourceImage = AsSurfaceImage(pImage);
    EnDDImage* pBackImage =
        m_pCurrentFrameBuffer ? AsSurfaceImage(m_pCurrentFrameBuffer->GetBackImage()) : nullptr;
    Surface* pDest = nullptr;
    if (pBackImage) pBackImage->GetSurface(pDest);
    Surface* pSourceSurface = nullptr;
    if (pSourceImage && pDest)
        pSourceImage->GetSurfaceForFormat(m_pCurrentFrameBuffer->GetDevice()->GetDirectDraw(),
                                          m_pCurrentFrameBuffer->GetPixelFormat(), false,
                                          pSourceSurface);
    // Nothing to copy from or into is a failure of its own, never the code of a blit done.
    if (!pSourceSurface || !pDest) return ResultCode(Result::InvalidObject);

    const int64_t iWidth = pSourceImage->GetWidth(), iHeight = pSourceImage->GetHeight();
    int64_t iLeft = 0, iRight = iWidth, iTop = 0, iBottom = iHeight;
    if (pSource) {
        iLeft = std::min<int64_t>(pSource->m_left, iWidth);
        iRight = std::min<int64_t>(pSource->m_right, iWidth);
        iTop = std::min<int64_t>(pSource->m_top, iHeight);
        iBottom = std::min<int64_t>(pSource->m_bottom, iHeight);
    }
    int64_t iDestLeft = uiX, iDestTop = uiY;
    int64_t iDestRight = iDestLeft + (iRight - iLeft), iDestBottom = iDestTop + (iBottom - iTop);
    const int64_t iBackWidth = pBackImage->GetWidth(), iBackHeight = pBackImage->GetHeight();
    if (iDestRight > iBackWidth) {
        iRight -= iDestRight - iBackWidth;
        iDestRight = iBackWidth;
    }
    if (iDestBottom > iBackHeight) {
        iBottom -= iDestBottom - iBackHeight;
        iDestBottom = iBackHeight;
    }
    // A rectangle clipped down to nothing has nothing to copy: no blit, and no failure.
    if (iLeft >= iRight || iTop >= iBottom || iDestLeft >= iDestRight || iDestTop >= iDestBottom)
        return ResultCode(Result::Ok);

    const Rect kSource{int32_t(iLeft), int32_t(iTop), int32_t(iRight), int32_t(iBottom)};
    const Rect kDest{int32_t(iDestLeft), int32_t(iDestTop), int32_t(iDestRight),
                     int32_t(iDestBottom)};
    BltFx kFx;
    kFx.srcKeyOverride = ColorKey{0, 0};
    const uint32_t uiFlags = BltBits::Wait | (bUseColorKey ? BltBits::KeySrcOverride : 0);
    return ResultCode(pDest->Blt(&kDest, pSourceSurface, &kSource, uiFlags, &kFx));
}
