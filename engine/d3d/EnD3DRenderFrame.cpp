// Frames, views and queries of EnD3DRender: opening and closing scenes, clearing, presenting,
// the camera view and the model transform, and what the renderer forwards to its managers.
#include <algorithm>

#include "engine/core/EnColorRGB.h"
#include "engine/core/EnFrustum.h"
#include "engine/core/EnMatrix3.h"
#include "engine/d3d/EnD3DDeviceRecord.h"
#include "engine/d3d/EnD3DDirectDrawDevice.h"
#include "engine/d3d/EnD3DFrameBuffer.h"
#include "engine/d3d/EnD3DImageHooks.h"
#include "engine/d3d/EnD3DLightManager.h"
#include "engine/d3d/EnD3DRender.h"
#include "engine/d3d/EnD3DRenderStateManager.h"
#include "engine/d3d/EnD3DTextureManager.h"
#include "engine/d3d/EnD3DTexturePipeline.h"

using namespace plat::gfx;

namespace {

// Fractions of the screen times a pixel size, truncated toward zero; never below 0.
uint32_t PixelsOf(float fFraction, uint32_t uiSize) {
    const float f = fFraction * float(uiSize);
    return f > 0.0f ? uint32_t(f) : 0;
}

uint32_t PackBackgroundChannel(float f) {
    const float fScaled = f * 255.0f;
    return (fScaled > 0.0f ? uint32_t(fScaled) : 0u) & 0xff;
}

}  // namespace

const char* EnD3DRender::GetDisplayFormatInfo() {
    EnD3DFrameBuffer* pMain = m_kFrameBuffers.GetSize() ? m_kFrameBuffers.GetAt(0) : nullptr;
    const EnD3DDeviceRecord* pRecord = pMain ? pMain->GetDevice()->GetDeviceRecord() : nullptr;
    return pRecord ? pRecord->GetName() : "";
}

bool EnD3DRender::IsTextureFormatAvailable(uint32_t uiFormat) {
    return m_pTextureManager && m_pTextureManager->IsFormatAvailable(uiFormat);
}

uint32_t EnD3DRender::QueryUnsupportedFeatures(EnPropertyState* pState,
                                               EnDynamicEffectState* pEffects) {
    uint32_t uiMask = 0;
    if (m_spTexturePipeline)
        uiMask |= m_spTexturePipeline->GetUnsupportedFeatures(pState, pEffects);
    if (m_pRenderStateManager) uiMask |= m_pRenderStateManager->GetUnsupportedFeatures(pState);
    return uiMask;
}

bool EnD3DRender::SwapBuffers() {
    return m_pCurrentFrameBuffer && m_pCurrentFrameBuffer->SwapBuffers();
}

bool EnD3DRender::ClearBuffers(const EnRect<float>* pViewport, uint32_t uiFlags) {
    if (!m_pCurrentFrameBuffer || !m_spDevice) return false;
    if (m_pCurrentFrameBuffer->IsLost() && !RecoverLostSurfaces()) return false;

    uint32_t uiClear = 0;
    if (uiFlags & CLEAR_BACKBUFFER) uiClear |= ClearBits::Target;
    // Depth and stencil are cleared only where the buffer has them.
    const bool bZBuffer = m_pCurrentFrameBuffer->GetZBufferSurface() != nullptr;
    if ((uiFlags & CLEAR_ZBUFFER) && bZBuffer) uiClear |= ClearBits::ZBuffer;
    if ((uiFlags & CLEAR_STENCIL) && (m_uiCapabilities & CAPS_STENCIL))
        uiClear |= ClearBits::Stencil;

    const uint32_t uiW = m_pCurrentFrameBuffer->GetWidth();
    const uint32_t uiH = m_pCurrentFrameBuffer->GetHeight();
    Rect kRect{0, 0, int32_t(uiW), int32_t(uiH)};
    if (pViewport) {
        kRect.left = int32_t(PixelsOf(pViewport->m_left, uiW));
        kRect.top = int32_t(PixelsOf(1.0f - pViewport->m_top, uiH));
        kRect.right = int32_t(PixelsOf(pViewport->m_right, uiW));
        kRect.bottom = int32_t(PixelsOf(1.0f - pViewport->m_bottom, uiH));
    }
    // Clears act on the device viewport, so it covers the whole buffer first; it stays so
    // until the next view is set.
    const Viewport kWhole{0, 0, uiW, uiH, 0.0f, 1.0f};
    m_spDevice->SetViewport(kWhole);
    if (uiClear == 0) return true;
    return Succeeded(m_spDevice->Clear(1, &kRect, uiClear, m_uiBackground, 1.0f, m_uiStencilClear));
}

uint32_t EnD3DRender::GetScreenWidth() {
    return m_pCurrentFrameBuffer ? m_pCurrentFrameBuffer->GetWidth() : 0;
}

uint32_t EnD3DRender::GetScreenHeight() {
    return m_pCurrentFrameBuffer ? m_pCurrentFrameBuffer->GetHeight() : 0;
}

EnImage* EnD3DRender::GetBufferSurface(uint32_t uiWhich) {
    if (!m_pCurrentFrameBuffer) return nullptr;
    if (uiWhich == 1) return m_pCurrentFrameBuffer->GetBackImage();
    if (uiWhich == 2) {
        if (EnImage* pFront = m_pCurrentFrameBuffer->GetFrontImage()) return pFront;
        return m_pCurrentFrameBuffer->GetBackImage();
    }
    return nullptr;
}

bool EnD3DRender::SetBackgroundColor(const EnColorRGB& kColor) {
    m_uiBackground = PackBackgroundChannel(kColor.r) << 16 | PackBackgroundChannel(kColor.g) << 8 |
                     PackBackgroundChannel(kColor.b);
    return true;
}

float EnD3DRender::GetMaxFogValue() {
    return m_pRenderStateManager ? m_pRenderStateManager->GetMaxFogValue() : 1.0f;
}

void EnD3DRender::SetMaxFogValue(float fValue) {
    if (m_pRenderStateManager) m_pRenderStateManager->SetMaxFogValue(fValue);
}

bool EnD3DRender::PrecacheImage(EnImage* pImage, bool bAllowEviction, bool bPin) {
    return m_pTextureManager &&
           m_pTextureManager->PrecacheImage(EnD3DImageHooks::AsSurfaceImage(pImage), bAllowEviction,
                                            bPin, EnD3DTextureManager::ALL_MEMORIES);
}

bool EnD3DRender::ReleaseAllTextures(bool bIncludePinned) {
    return m_pTextureManager && m_pTextureManager->ReleaseTextures(
                                    nullptr, bIncludePinned, EnD3DTextureManager::ALL_MEMORIES);
}

bool EnD3DRender::ReleaseImageTextures(EnImage* pImage) {
    return m_pTextureManager &&
           m_pTextureManager->ReleaseTextures(pImage, true, EnD3DTextureManager::ALL_MEMORIES);
}

bool EnD3DRender::GetTextureMemory(uint32_t& uiTotal, uint32_t& uiFree) {
    EnD3DFrameBuffer* pMain = m_kFrameBuffers.GetSize() ? m_kFrameBuffers.GetAt(0) : nullptr;
    Graphics* pGraphics = pMain ? pMain->GetDevice()->GetDirectDraw() : nullptr;
    SurfaceCaps kCaps;
    kCaps.caps = SurfaceCapBits::Texture;
    if (!pGraphics || Failed(pGraphics->GetAvailableVidMem(kCaps, &uiTotal, &uiFree))) {
        uiTotal = uiFree = 0;
        return false;
    }
    return true;
}

bool EnD3DRender::GetTextureStatistics(uint32_t& uiResident, uint32_t& uiUsed, uint32_t,
                                       uint32_t& uiThird, uint32_t& uiFourth) {
    if (!m_pTextureManager) return false;
    uiResident = m_pTextureManager->GetTexturesResident();
    uiUsed = m_pTextureManager->GetTexturesUsed();
    uiThird = m_pTextureManager->GetTexturesCreated();
    uiFourth = m_pTextureManager->GetTexturesReleased();
    return true;
}

uint32_t EnD3DRender::GetTextureManagerValue() {
    return m_pTextureManager ? m_pTextureManager->GetFrameStatus() : 0;
}

bool EnD3DRender::SetTextureManagerValue(uint32_t uiValue) {
    if (m_pTextureManager) m_pTextureManager->SetSetting(uiValue);
    return true;
}

uint32_t EnD3DRender::GetTextureManagerSetting() {
    return m_pTextureManager ? m_pTextureManager->GetSetting() : 0;
}

bool EnD3DRender::PrepareImageSurface(EnImage* pImage) {
    return m_pTextureManager &&
           m_pTextureManager->PrepareImageSurface(EnD3DImageHooks::AsSurfaceImage(pImage));
}

uint32_t EnD3DRender::OpenScene(EnCamera* pCamera) {
    EnRender::OpenScene(pCamera);
    if (!m_spDevice) return ResultCode(Result::InvalidObject);
    // While the surfaces stay lost the frame draws nothing; the code says why.
    if (!RecoverLostSurfaces()) return ResultCode(Result::SurfaceLost);
    if (m_pTextureManager) m_pTextureManager->BeginFrame();
    if (m_spLightManager) m_spLightManager->DisableAllLights();
    if (m_pRenderStateManager) m_pRenderStateManager->BeginFrame();
    if (m_spTexturePipeline) {
        m_spTexturePipeline->ClearFrameFlags();
        m_spTexturePipeline->BeginFrame();
    }
    const Result eResult = m_spDevice->BeginScene();
    if (Succeeded(eResult)) m_bInScene = true;
    return ResultCode(eResult);
}

void EnD3DRender::CloseScene() {
    EnRender::CloseScene();
    if (!m_bInScene || !m_spDevice) return;
    if (Succeeded(m_spDevice->EndScene())) {
        m_bInScene = false;
        if (EnImage* pBack =
                m_pCurrentFrameBuffer ? m_pCurrentFrameBuffer->GetBackImage() : nullptr)
            pBack->ChangedPixels();
    }
}

void EnD3DRender::SetViewFromCamera(const EnVector3& kLoc, const EnVector3& kDir,
                                    const EnVector3& kUp, const EnVector3& kRight,
                                    const EnFrustum& kFrustum, const EnRect<float>& kPort) {
    if (!m_spDevice) return;
    Matrix kView;
    kView.m[0][0] = kRight.x, kView.m[0][1] = kUp.x, kView.m[0][2] = kDir.x;
    kView.m[1][0] = kRight.y, kView.m[1][1] = kUp.y, kView.m[1][2] = kDir.y;
    kView.m[2][0] = kRight.z, kView.m[2][1] = kUp.z, kView.m[2][2] = kDir.z;
    kView.m[3][0] = -kLoc.Dot(kRight);
    kView.m[3][1] = -kLoc.Dot(kUp);
    kView.m[3][2] = -kLoc.Dot(kDir);
    kView.m[3][3] = 1.0f;
    m_spDevice->SetTransform(TransformState::View, kView);

    m_kWorldRight = m_kModelRight = kRight;
    m_kWorldUp = m_kModelUp = kUp;

    if (m_spTexturePipeline)
        m_spTexturePipeline->SetCameraMatrix(kDir, kUp, kRight, kLoc.x, kLoc.y, kLoc.z);

    const float fNear = kFrustum.m_fNear;
    const float fFar = kFrustum.m_fFar;
    m_fNear = fNear;
    m_fDepthRange = fFar - fNear;
    const float fWidth = kFrustum.m_fRight - kFrustum.m_fLeft;
    const float fHeight = kFrustum.m_fTop - kFrustum.m_fBottom;
    Matrix kProjection;
    kProjection.m[0][0] = 2.0f / fWidth;
    kProjection.m[1][1] = 2.0f / fHeight;
    kProjection.m[2][0] = -(kFrustum.m_fRight + kFrustum.m_fLeft) / fWidth;
    kProjection.m[2][1] = -(kFrustum.m_fTop + kFrustum.m_fBottom) / fHeight;
    kProjection.m[2][2] = fFar / (fFar - fNear);
    kProjection.m[2][3] = 1.0f;
    kProjection.m[3][2] = -(fNear * fFar) / (fFar - fNear);
    m_kScreenProjection.m[2][2] = kProjection.m[2][2];
    m_kScreenProjection.m[3][2] = kProjection.m[3][2];
    m_spDevice->SetTransform(TransformState::Projection, kProjection);

    const uint32_t uiW = m_pCurrentFrameBuffer ? m_pCurrentFrameBuffer->GetWidth() : 0;
    const uint32_t uiH = m_pCurrentFrameBuffer ? m_pCurrentFrameBuffer->GetHeight() : 0;
    m_kViewport.x = PixelsOf(kPort.m_left, uiW);
    m_kViewport.y = PixelsOf(1.0f - kPort.m_top, uiH);
    m_kViewport.width = PixelsOf(kPort.m_right - kPort.m_left, uiW);
    m_kViewport.height = PixelsOf(kPort.m_top - kPort.m_bottom, uiH);
    m_kViewport.minZ = 0.0f;
    m_kViewport.maxZ = 1.0f;
    m_spDevice->SetViewport(m_kViewport);

    if (m_pRenderStateManager) m_pRenderStateManager->SetCameraRange(fNear, fFar, fFar - fNear);
}

void EnD3DRender::SetModelTransform(const EnVector3& kTranslate, const EnMatrix3& kRotate,
                                    float fScale) {
    if (!m_spDevice) return;
    Matrix kWorld;
    for (unsigned i = 0; i < 3; i++) {
        kWorld.m[i][0] = fScale * kRotate.GetEntry(0, i);
        kWorld.m[i][1] = fScale * kRotate.GetEntry(1, i);
        kWorld.m[i][2] = fScale * kRotate.GetEntry(2, i);
    }
    kWorld.m[3][0] = kTranslate.x;
    kWorld.m[3][1] = kTranslate.y;
    kWorld.m[3][2] = kTranslate.z;
    kWorld.m[3][3] = 1.0f;
    m_spDevice->SetTransform(TransformState::World, kWorld);

    if (m_pRenderStateManager)
        m_pRenderStateManager->UpdateNormalizeNormals(fScale, kRotate, kTranslate);

    m_kModelRight = kRotate.TransposeTimesVector(m_kWorldRight) * fScale;
    m_kModelUp = kRotate.TransposeTimesVector(m_kWorldUp) * fScale;
}

bool EnD3DRender::SetClipPlanes(EnPlaneEquation* const*, uint32_t uiCount, uint32_t, uint32_t) {
    return uiCount != 0;
}
