#include "engine/d3d/EnD3DRender.h"

#include <cstdio>
#include <cstring>

#include "engine/core/EnFrustum.h"
#include "engine/core/EnSystem.h"
#include "engine/d3d/EnD3DDeviceRecord.h"
#include "engine/d3d/EnD3DDirectDrawDevice.h"
#include "engine/d3d/EnD3DFrameBuffer.h"
#include "engine/d3d/EnD3DImageHooks.h"
#include "engine/d3d/EnD3DLightManager.h"
#include "engine/d3d/EnD3DRenderStateManager.h"
#include "engine/d3d/EnD3DTextureManager.h"
#include "engine/d3d/EnD3DTexturePipeline.h"
#include "engine/d3d/EnD3DVertexBufferPool.h"
#include "engine/geometry/EnGeometryData.h"

using namespace plat::gfx;

EN_IMPLEMENT_RTTI(EnD3DRender, EnRender);
EN_IMPLEMENT_ABSTRACT_STREAM(EnD3DRender);

char EnD3DRender::ms_acLastError[256] = {};

namespace {

void LogFormatted(const char* pcFormat, const char* pcText) {
    char acBuffer[254];
    std::snprintf(acBuffer, sizeof acBuffer, pcFormat, pcText ? pcText : "");
    EnOutputDebugString(acBuffer);
}

}  // namespace

void EnD3DRender::LogMessage(const char* pcText) {
    LogFormatted("EN D3D Renderer: %s\n", pcText);
}

void EnD3DRender::LogWarning(const char* pcText) {
    LogFormatted("EN D3D Renderer WARNING: %s\n", pcText);
}

void EnD3DRender::LogError(const char* pcText) {
    LogFormatted("EN D3D Renderer ERROR: %s\n", pcText);
    if (pcText)
        std::snprintf(ms_acLastError, sizeof ms_acLastError, "%s", pcText);
    else
        ms_acLastError[0] = '\0';
}

bool EnD3DRender::InstallImageFactory() {
    if (EnD3DImageHooks::ms_pfnCreateImage)
        EnImage::ms_pfnCreateImage = EnD3DImageHooks::ms_pfnCreateImage;
    return true;
}

EnD3DRender::EnD3DRender() {
    m_kScreenView = Matrix::Identity();
    m_kScreenWorld = Matrix::Identity();
    // Maps the unit square of the screen (y upward) onto the device's clip space; _33 and _43
    // follow the camera's depth range.
    m_kScreenProjection.m[0][0] = 2.0f;
    m_kScreenProjection.m[1][1] = 2.0f;
    m_kScreenProjection.m[2][0] = -1.0f;
    m_kScreenProjection.m[2][1] = -1.0f;
    m_kScreenProjection.m[2][2] = 1.0f;
    m_kScreenProjection.m[2][3] = 1.0f;
    m_kEmptyBound.SetRadius(0.0f);
}

EnD3DRender* EnD3DRender::Create(uint32_t uiFullScreen, uint32_t uiWidth, uint32_t uiHeight,
                                 uint32_t uiFlags, plat::Window* pWindow, plat::Window* pWindow2,
                                 const EnD3DDeviceRecord* pRecord) {
    LogMessage("(Creation): Attempting to create Direct3D renderer");
    InstallImageFactory();
    if (!pWindow2) pWindow2 = pWindow;

    if (!pRecord) {
        if (uiFullScreen == 1) {
            if (!GetDefaultFullScreenRecord()) EnumerateDevices();
            pRecord = GetDefaultFullScreenRecord();
        } else {
            if (!GetDefaultWindowedRecord()) EnumerateDevices();
            pRecord = GetDefaultWindowedRecord();
        }
        if (!pRecord) pRecord = GetDefaultSoftwareRecord();
    }
    if (!pRecord) {
        LogError("Creation failed: Could not find any Direct3D-compatible 3D hardware or software");
        return nullptr;
    }

    // Reference count 0 until the caller takes it; a failed creation deletes it here, which
    // logs the shutdown of whatever was made.
    std::unique_ptr<EnD3DRender> spRender(new EnD3DRender);
    EnD3DDirectDrawDevice* pDevice = GetDirectDrawDevice(uiFullScreen, pRecord);
    bool bCreated = false;
    if (pDevice) {
        if (Failed(pDevice->GetDirectDraw()->QueryGraphics3D(spRender->m_spD3D.Put())) ||
            !spRender->m_spD3D) {
            LogError("Creation failed: Could not query Direct3D from DirectDraw");
        } else {
            bCreated = spRender->Initialize(pDevice, uiFullScreen, uiFlags, uiWidth, uiHeight,
                                            pWindow, pWindow2, nullptr, nullptr);
        }
    }
    if (!bCreated) {
        spRender->m_spD3D.Reset();
        if (pDevice) pDevice->ReleaseReference();
        return nullptr;
    }
    // The frame buffers hold the device object from here on.
    pDevice->ReleaseReference();
    LogMessage("(Creation): Renderer creation successful");
    return spRender.release();
}

EnD3DDirectDrawDevice* EnD3DRender::GetDirectDrawDevice(uint32_t uiFullScreen,
                                                        const EnD3DDeviceRecord* pRecord) {
    if (pRecord) return EnD3DDirectDrawDevice::Create(pRecord);
    if (uiFullScreen != 1) return EnD3DDirectDrawDevice::CreateDefault();
    if (!GetDefaultFullScreenRecord()) EnumerateDevices();
    return EnD3DDirectDrawDevice::Create(GetDefaultFullScreenRecord());
}

bool EnD3DRender::Initialize(EnD3DDirectDrawDevice* pDevice, uint32_t uiFullScreen,
                             uint32_t uiFlags, uint32_t uiWidth, uint32_t uiHeight,
                             plat::Window* pWindow, plat::Window* pWindow2, Surface* pFront,
                             Surface* pBack) {
    const uint32_t uiMode =
        uiFullScreen == 1 ? EnD3DFrameBuffer::MODE_FULLSCREEN : EnD3DFrameBuffer::MODE_WINDOWED;
    std::unique_ptr<EnD3DFrameBuffer> spFrameBuffer =
        (!pFront && !pBack)
            ? EnD3DFrameBuffer::Create(pDevice, uiMode, uiFlags, uiWidth, uiHeight, pWindow,
                                       pWindow2)
            : EnD3DFrameBuffer::CreateFromSurfaces(pDevice, uiMode, pWindow, pFront, pBack);
    if (!spFrameBuffer) return false;
    m_pCurrentFrameBuffer = spFrameBuffer.release();
    m_kFrameBuffers.SetAt(0, m_pCurrentFrameBuffer);

    const EnD3DDeviceRecord& kRecord = *pDevice->GetDeviceRecord();
    const bool bHardware = kRecord.m_ucHardware != 0;
    FindZBufferFormats(kRecord);

    if (!(uiFlags & (CREATE_ZBUFFER | CREATE_DEEP_ZBUFFER))) {
        LogMessage("(Creation): Attempting to create Direct3D device");
        CreateDevice(kRecord);
    } else {
        LogMessage("(Creation): Attempting to create z-buffer");
        CreateDeviceWithZBuffer(kRecord, uiFlags);
    }
    if (!m_spDevice) {
        LogError("Creation failed: Cannot create D3D device");
        return false;
    }
    LogMessage("(Creation): Direct3D device creation successful");

    if (m_kZFormat.flags != 0 && (m_kZFormat.flags & PixelFormatBits::StencilBuffer)) {
        m_uiCapabilities |= CAPS_STENCIL;
        LogMessage("(Creation): Z-buffer format includes a Stencil buffer");
    } else {
        m_uiCapabilities &= ~CAPS_STENCIL;
        LogMessage("(Creation): Z-buffer format does NOT include a Stencil buffer");
    }

    m_spDevice->GetCaps(m_kDeviceDesc);
    LogMessage("(Creation): Checking Direct3D device for required capabilities");
    if (!(m_kDeviceDesc.triCaps.textureCaps & TextureCapBits::Perspective) ||
        !(m_kDeviceDesc.triCaps.shadeCaps & ShadeCapBits::ColorGouraudRgb)) {
        LogError("Creation failed: D3D device cannot support required capabilities");
        return false;
    }
    LogMessage("(Creation): Direct3D device has all required capabilities");

    m_bTransformAndLight = kRecord.IsTransformAndLight();
    m_spVertexBufferPool = std::make_unique<EnD3DVertexBufferPool>(m_spD3D.Get(), m_spDevice.Get(),
                                                                   !m_bTransformAndLight);

    if (m_kDeviceDesc.triCaps.rasterCaps & RasterCapBits::WBuffer) {
        m_uiCapabilities |= CAPS_WBUFFER;
        LogMessage("(Creation): Direct3D device supports w-buffering");
    }

    SetDefaultView();

    const bool bTrueColor = pDevice->GetDisplayDepth() > 16;
    m_pTextureManager = EnD3DTextureManager::FindOrCreate(
        !(uiFlags & CREATE_NO_MULTITEXTURE), bTrueColor, pDevice->GetDirectDraw(), m_spDevice.Get(),
        m_kDeviceDesc, bHardware);
    if (!m_pTextureManager) return false;
    m_pRenderStateManager =
        EnD3DRenderStateManager::Create(m_spDevice.Get(), m_kDeviceDesc, bHardware,
                                        m_pCurrentFrameBuffer->GetZBufferSurface() != nullptr,
                                        (m_uiCapabilities & CAPS_STENCIL) != 0);
    if (!m_pRenderStateManager) return false;
    m_spTexturePipeline.reset(EnD3DTexturePipeline::Create(
        m_spDevice.Get(), m_kDeviceDesc, m_pRenderStateManager, m_pTextureManager, bHardware));
    if (!m_spTexturePipeline) return false;

    if (!(uiFlags & CREATE_NO_MULTITEXTURE)) {
        LogMessage("(Creation): Attempting to initialize multitexturing");
        m_spTexturePipeline->InitializeMultitexture(true);
    }

    m_spLightManager = std::make_unique<EnD3DLightManager>(m_spDevice.Get());
    m_uiCapabilities |= CAPS_MANAGERS;

    if (m_pTextureManager->RequiresSquareTextures()) {
        LogMessage("(Creation): D3D device requires square textures");
        m_uiCapabilities |= CAPS_SQUARE_TEXTURES;
    }
    if (m_pTextureManager->IsFormatAvailable(EnD3DTextureManager::FORMAT_ARGB1555) ||
        m_pTextureManager->IsFormatAvailable(EnD3DTextureManager::FORMAT_ARGB4444) ||
        m_pTextureManager->IsFormatAvailable(EnD3DTextureManager::FORMAT_ARGB8888)) {
        LogMessage("(Creation): D3D device supports alpha blending");
        m_uiCapabilities |= CAPS_ALPHA_BLENDING;
    }
    m_uiCapabilities |= CAPS_READY;
    if (bTrueColor) {
        LogMessage("(Creation): D3D device is true color (24-32 bits)");
        m_uiCapabilities |= CAPS_TRUE_COLOR;
    }
    if (bHardware) m_uiCapabilities |= CAPS_HARDWARE;
    return true;
}

void EnD3DRender::FindZBufferFormats(const EnD3DDeviceRecord& kRecord) {
    for (PixelFormat& kFormat : m_akZCandidates) kFormat = PixelFormat{};
    PixelFormat* pCandidates = m_akZCandidates;
    m_spD3D->EnumZBufferFormats(kRecord.m_eDeviceType, [pCandidates](const PixelFormat& kFormat) {
        if (!(kFormat.flags & PixelFormatBits::ZBuffer)) return true;
        const uint32_t uiStencil =
            (kFormat.flags & PixelFormatBits::StencilBuffer) ? kFormat.stencilBitDepth : 0;
        const uint32_t uiDepth = kFormat.zBufferBitDepth - uiStencil;
        PixelFormat& kShallow = pCandidates[ZCAND_SHALLOW];
        PixelFormat& kDeep = pCandidates[ZCAND_DEEP];
        PixelFormat& kStencil = pCandidates[ZCAND_STENCIL];
        if (uiDepth <= 16) {
            if (uiDepth > kShallow.zBufferBitDepth) kShallow = kFormat;
        } else if (uiStencil) {
            const uint32_t uiStored =
                (kStencil.flags & PixelFormatBits::StencilBuffer) ? kStencil.stencilBitDepth : 0;
            if (uiStored < 2) {
                if (uiStencil > 1) kStencil = kFormat;
            } else if (uiStencil > 1 && uiDepth > kStencil.zBufferBitDepth) {
                kStencil = kFormat;
            }
        } else if (uiDepth > kDeep.zBufferBitDepth) {
            kDeep = kFormat;
        }
        return true;
    });
}

bool EnD3DRender::CreateDevice(const EnD3DDeviceRecord& kRecord) {
    Device* pDevice = nullptr;
    if (Failed(m_spD3D->CreateDevice(kRecord.m_eDeviceType, m_pCurrentFrameBuffer->GetBackSurface(),
                                     &pDevice)) ||
        !pDevice) {
        m_spDevice.Reset();
        return false;
    }
    m_spDevice = Ref<Device>(pDevice);
    return true;
}

bool EnD3DRender::CreateDeviceWithZBuffer(const EnD3DDeviceRecord& kRecord, uint32_t uiFlags) {
    uint32_t auiOrder[3];
    const bool bStencil = (uiFlags & CREATE_STENCIL) != 0;
    const bool bDeep = (uiFlags & CREATE_DEEP_ZBUFFER) != 0;
    if (bStencil && bDeep) {
        auiOrder[0] = ZCAND_STENCIL, auiOrder[1] = ZCAND_DEEP, auiOrder[2] = ZCAND_SHALLOW;
    } else if (bStencil) {
        auiOrder[0] = ZCAND_STENCIL, auiOrder[1] = ZCAND_SHALLOW, auiOrder[2] = ZCAND_DEEP;
    } else if (bDeep) {
        auiOrder[0] = ZCAND_DEEP, auiOrder[1] = ZCAND_STENCIL, auiOrder[2] = ZCAND_SHALLOW;
    } else {
        auiOrder[0] = ZCAND_SHALLOW, auiOrder[1] = ZCAND_DEEP, auiOrder[2] = ZCAND_STENCIL;
    }

    const bool bHardware = kRecord.m_ucHardware != 0;
    for (uint32_t uiCandidate : auiOrder) {
        if (m_pCurrentFrameBuffer->AttachZBuffer(bHardware, m_akZCandidates[uiCandidate])) {
            LogMessage("(Creation): Attempting to create Direct3D device");
            if (!CreateDevice(kRecord))
                LogWarning("(Creation): D3D device creation with attached z-buffer failed");
        }
        if (m_spDevice) {
            if (Surface* pZ = m_pCurrentFrameBuffer->GetZBufferSurface()) {
                LogMessage("(Creation): Z-buffer creation successful");
                SurfaceDesc kDesc;
                if (Succeeded(pZ->GetSurfaceDesc(kDesc))) m_kZFormat = kDesc.pixelFormat;
            }
            return true;
        }
        LogMessage("(Creation): Trying different Z-buffer format");
        if (!m_pCurrentFrameBuffer->DetachZBuffer()) {
            LogWarning("Creation failed: Error detaching ZBuffer surface from backbuffer");
            return false;
        }
    }
    return false;
}

void EnD3DRender::SetDefaultView() {
    const EnFrustum kFrustum{-1.0f, 1.0f, 1.0f, -1.0f, 0.1f, 1.0f};
    const EnRect<float> kPort{0.0f, 1.0f, 1.0f, 0.0f};
    SetViewFromCamera(EnVector3::ZERO, EnVector3::UNIT_X, EnVector3::UNIT_Y, EnVector3::UNIT_Z,
                      kFrustum, kPort);
}

void EnD3DRender::ReleaseCachedBuffer(CachedGeometry* pRecord) {
    if (VertexBuffer* pBuffer = pRecord->m_pBuffer) {
        pRecord->m_pBuffer = nullptr;
        if (pBuffer->Release() != 0) LogWarning("(Shutdown): Vertex buffer has extra reference");
    }
}

void EnD3DRender::DestroyGeometryCache() {
    for (EnTMapIterator pos = m_kGeometryCache.GetFirstPos(); pos;) {
        EnGeometryData* pData;
        CachedGeometry* pRecord;
        m_kGeometryCache.GetNext(pos, pData, pRecord);
        ReleaseCachedBuffer(pRecord);
        delete pRecord;
    }
    m_kGeometryCache.RemoveAll();
}

bool EnD3DRender::RecoverLostSurfaces() {
    if (!m_pCurrentFrameBuffer || !m_pCurrentFrameBuffer->IsLost()) return true;
    DestroyGeometryCache();
    if (!m_pCurrentFrameBuffer->Restore()) return false;
    LogMessage("(Runtime): Recovered from Alt-Tab or minimization of application");
    if (m_spDevice) m_spDevice->SetRenderTarget(m_pCurrentFrameBuffer->GetBackSurface(), 0);
    if (m_pTextureManager) m_pTextureManager->InvalidateAllTextures();
    return true;
}

Graphics* EnD3DRender::GetDirectDraw() const {
    return m_pCurrentFrameBuffer ? m_pCurrentFrameBuffer->GetDevice()->GetDirectDraw() : nullptr;
}

EnD3DRender::~EnD3DRender() {
    LogMessage("(Shutdown): Shutting down D3D Renderer");
    m_spLightManager.reset();
    m_spTexturePipeline.reset();
    LogMessage("(Shutdown): Destroying cached geometry data");
    DestroyGeometryCache();
    LogMessage("(Shutdown): Finished destroying cached geometry data");
    LogMessage("(Shutdown): Destroying texture manager");
    if (m_pTextureManager) {
        EnD3DTextureManager* pManager = m_pTextureManager;
        m_pTextureManager = nullptr;
        pManager->DropUse();
    }
    LogMessage("(Shutdown): Finished destroying texture manager");
    if (m_pRenderStateManager) {
        m_pRenderStateManager->ReleaseReference();
        m_pRenderStateManager = nullptr;
    }
    if (m_spDevice) {
        LogMessage("(Shutdown): Releasing D3D device");
        m_spDevice.Reset();
        LogMessage("(Shutdown): Released D3D device");
    }
    m_spD3D.Reset();
    m_spVertexBufferPool.reset();
    m_pCurrentFrameBuffer = nullptr;
    LogMessage("(Shutdown): Destroying framebuffers");
    for (uint32_t i = 0; i < m_kFrameBuffers.GetSize(); i++) {
        delete m_kFrameBuffers.GetAt(i);
        m_kFrameBuffers.SetAt(i, nullptr);
    }
    LogMessage("(Shutdown): Finished destroying framebuffers");
    LogMessage("(Shutdown): Finished shutting down D3D Renderer");
}
