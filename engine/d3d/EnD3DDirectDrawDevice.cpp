#include "engine/d3d/EnD3DDirectDrawDevice.h"

#include <cstdio>

#include "engine/d3d/EnD3DImageHooks.h"
#include "engine/d3d/EnD3DRender.h"
#include "platform/gfx/Backend.h"

using namespace plat::gfx;

EnTList<EnD3DDirectDrawDevice*>& EnD3DDirectDrawDevice::LiveDevices() {
    static EnTList<EnD3DDirectDrawDevice*> s_kDevices(2);
    return s_kDevices;
}

uint32_t EnD3DDirectDrawDevice::GetLiveCount() {
    return LiveDevices().GetCount();
}

EnD3DDirectDrawDevice::EnD3DDirectDrawDevice(const EnD3DDeviceRecord& kRecord)
    : m_spRecord(std::make_unique<EnD3DDeviceRecord>(kRecord)) {}

EnD3DDirectDrawDevice::~EnD3DDirectDrawDevice() {
    Shutdown();
}

EnD3DDirectDrawDevice* EnD3DDirectDrawDevice::Create(const EnD3DDeviceRecord* pRecord) {
    EnD3DRender::LogMessage("(Creation): Attempting to initialize DirectDraw device");
    if (!pRecord) {
        EnD3DRender::LogError("Creation failed: DirectDrawCreate for HEL failed");
        return nullptr;
    }
    std::unique_ptr<EnD3DDirectDrawDevice> spDevice(new EnD3DDirectDrawDevice(*pRecord));

    Graphics* pGraphics = nullptr;
    if (Failed(Backend::Current().CreateGraphics(pRecord->GetDriverGuid(), &pGraphics)) ||
        !pGraphics) {
        EnD3DRender::LogError("Creation failed: DirectDrawCreate for HEL failed");
        return nullptr;
    }
    spDevice->m_spDirectDraw = Ref<Graphics>(pGraphics);

    GraphicsCaps kDriver, kEmulation;
    if (Failed(pGraphics->GetCaps(&kDriver, &kEmulation))) {
        EnD3DRender::LogError("Creation failed: Direct Draw Caps query failed");
        return nullptr;
    }
    if (!(kDriver.caps & GraphicsCapBits::Has3D)) {
        EnD3DRender::LogWarning("(Creation): Hardware DirectDraw has no 3D capabilities");
        EnD3DRender::LogWarning("(Creation): Using DirectDraw software");
        if (!(kEmulation.caps & GraphicsCapBits::Has3D)) {
            EnD3DRender::LogError("Creation failed: Software DirectDraw has no 3D capabilities");
            return nullptr;
        }
        spDevice->m_bHardware = false;
        spDevice->m_kCaps = kEmulation;
    } else {
        spDevice->m_bHardware = true;
        spDevice->m_kCaps = kDriver;
    }

    spDevice->m_uiRefCount = 1;
    LiveDevices().AddTail(spDevice.get());
    EnD3DRender::LogMessage("(Creation): DirectDraw device initialization succeeded");
    return spDevice.release();
}

EnD3DDirectDrawDevice* EnD3DDirectDrawDevice::CreateDefault() {
    if (!EnD3DRender::GetDefaultWindowedRecord()) EnD3DRender::EnumerateDevices();
    return Create(EnD3DRender::GetDefaultWindowedRecord());
}

void EnD3DDirectDrawDevice::ReleaseReference() {
    if (m_uiRefCount > 0 && --m_uiRefCount == 0) delete this;
}

void EnD3DDirectDrawDevice::RestoreNormalLevel() {
    if (m_spDirectDraw) m_spDirectDraw->SetCooperativeLevel(m_pWindow, COOP_NORMAL);
}

bool EnD3DDirectDrawDevice::SetUp(plat::Window* pWindow, bool bFullScreen, uint32_t uiWidth,
                                  uint32_t uiHeight, uint32_t uiBitsPerPixel) {
    if (m_bSetUp) return true;
    m_pWindow = pWindow;
    Graphics* pGraphics = m_spDirectDraw.Get();
    if (!pGraphics) return false;

    if (bFullScreen) {
        if (!pWindow) {
            EnD3DRender::LogError(
                "Creation failed: Fullscreen renderer requires a non-NULL top-level window "
                "handle");
            return false;
        }
        if (GetLiveCount() > 1) {
            if (Failed(pGraphics->SetCooperativeLevel(pWindow, COOP_FULLSCREEN_MULTIMON))) {
                EnD3DRender::LogError("Creation failed: Set Multimon Cooperative Level failed");
                RestoreNormalLevel();
                return false;
            }
        } else if (Failed(pGraphics->SetCooperativeLevel(pWindow, COOP_FULLSCREEN))) {
            EnD3DRender::LogError("Creation failed: Set Cooperative Level failed");
            RestoreNormalLevel();
            return false;
        }
        m_bSetUp = true;
        if (!m_spRecord->HasMode(uiWidth, uiHeight, uiBitsPerPixel)) {
            EnD3DRender::LogError("Creation failed: Desired fullscreen display mode not supported");
            RestoreNormalLevel();
            return false;
        }
        if (Failed(pGraphics->SetDisplayMode(uiWidth, uiHeight, uiBitsPerPixel, 0, 0))) {
            EnD3DRender::LogError("Creation failed: Set Display Mode failed");
            RestoreNormalLevel();
            return false;
        }
        m_uiDepth = uiBitsPerPixel;
        m_bDisplayModeSet = true;
        return true;
    }

    if (Failed(pGraphics->SetCooperativeLevel(pWindow, COOP_NORMAL))) {
        EnD3DRender::LogError("Creation failed: Set Cooperative Level failed");
        RestoreNormalLevel();
        return false;
    }
    m_bSetUp = true;
    SurfaceDesc kMode;
    if (Failed(pGraphics->GetDisplayMode(kMode))) {
        EnD3DRender::LogError("Creation failed: Get Display Mode failed");
        RestoreNormalLevel();
        return false;
    }
    m_uiDepth = kMode.pixelFormat.rgbBitCount;
    return true;
}

void EnD3DDirectDrawDevice::SetPrimarySurface(Surface* pSurface, EnImage* pImage) {
    if (m_spPrimary || !pSurface) return;
    m_spPrimary = Ref<Surface>::Share(pSurface);
    if (pImage)
        m_spPrimaryImage = pImage;
    else if (EnD3DImageHooks::ms_pfnMakeBufferImage)
        m_spPrimaryImage = EnD3DImageHooks::ms_pfnMakeBufferImage(pSurface, m_spDirectDraw.Get());
}

void EnD3DDirectDrawDevice::Shutdown() {
    if (m_bShutDown) return;
    m_bShutDown = true;
    EnD3DRender::LogMessage("(Shutdown): Releasing DirectDraw encapsulation object");
    if (m_spDirectDraw) {
        if (m_bDisplayModeSet) {
            if (Failed(m_spDirectDraw->RestoreDisplayMode()))
                EnD3DRender::LogWarning("(Shutdown): Restore Display Mode failed");
            if (Failed(m_spDirectDraw->SetCooperativeLevel(m_pWindow, COOP_NORMAL)))
                EnD3DRender::LogWarning("(Shutdown): Set Cooperative Level failed");
        }
        m_bDisplayModeSet = false;
        m_spRecord.reset();
        m_spPrimaryImage = nullptr;
        if (Surface* pPrimary = m_spPrimary.Detach()) {
            const uint32_t uiLeft = pPrimary->Release();
            if (uiLeft != 0) {
                char acText[128];
                std::snprintf(acText, sizeof acText,
                              "(Shutdown): Release of DirectDraw Primary Surface returned a "
                              "refcount of %d",
                              int(uiLeft));
                EnD3DRender::LogWarning(acText);
            }
        }
        if (EnD3DImageHooks::ms_pfnReleaseImageSurfaces)
            EnD3DImageHooks::ms_pfnReleaseImageSurfaces(m_spDirectDraw.Get());
        m_spDirectDraw.Reset();
    }
    EnD3DRender::LogMessage("(Shutdown): DirectDraw encapsulation object released");
    LiveDevices().Remove(this);
}
