#include "engine/d3d/EnD3DFrameBuffer.h"

#include "engine/d3d/EnD3DDirectDrawDevice.h"
#include "engine/d3d/EnD3DImageHooks.h"
#include "engine/d3d/EnD3DRender.h"
#include "platform/gfx/Graphics.h"
#include "platform/window/Window.h"

using namespace plat::gfx;

namespace {

EnImage* MakeBufferImage(Surface* pSurface, Graphics* pGraphics) {
    return EnD3DImageHooks::ms_pfnMakeBufferImage
               ? EnD3DImageHooks::ms_pfnMakeBufferImage(pSurface, pGraphics)
               : nullptr;
}

}  // namespace

EnD3DFrameBuffer::EnD3DFrameBuffer(EnD3DDirectDrawDevice* pDevice) : m_pDevice(pDevice) {
    m_pDevice->AddReference();
    m_kBltFx.fxFlags = BltFxBits::NoTearing;
}

EnD3DFrameBuffer::~EnD3DFrameBuffer() {
    m_spFrontImage = nullptr;
    m_spBackImage = nullptr;
    m_spClipper.Reset();
    m_spFront.Reset();
    if (m_spZBuffer && !(m_uiFlags & FLAG_ZBUFFER_FOUND) && m_spBack)
        m_spBack->DeleteAttachedSurface(0, m_spZBuffer.Get());
    m_spZBuffer.Reset();
    // In full screen the back buffer belongs to the flip chain, but the reference that
    // GetAttachedSurface gave us is ours to return all the same.
    m_spBack.Reset();
    if (m_pDevice) m_pDevice->ReleaseReference();
}

bool EnD3DFrameBuffer::IsHardware() const {
    const EnD3DDeviceRecord* pRecord = m_pDevice->GetDeviceRecord();
    return pRecord && pRecord->m_ucHardware != 0;
}

std::unique_ptr<EnD3DFrameBuffer> EnD3DFrameBuffer::Create(EnD3DDirectDrawDevice* pDevice,
                                                           uint32_t uiMode, uint32_t uiFlags,
                                                           uint32_t uiWidth, uint32_t uiHeight,
                                                           plat::Window* pWindow,
                                                           plat::Window* pCoopWindow) {
    EnD3DRender::LogMessage("(Creation): Creating framebuffer object");
    if (!pDevice) return nullptr;
    std::unique_ptr<EnD3DFrameBuffer> spBuffer(new EnD3DFrameBuffer(pDevice));
    spBuffer->m_uiMode = uiMode;
    spBuffer->m_uiWidth = uiWidth;
    spBuffer->m_uiHeight = uiHeight;

    bool bBuilt = true;
    switch (uiMode) {
        case MODE_WINDOWED:
            bBuilt = spBuffer->CreateWindowedBuffers(pWindow, pCoopWindow);
            break;
        case MODE_FULLSCREEN:
            bBuilt = spBuffer->CreateFullScreenBuffers(uiFlags, pCoopWindow);
            break;
        case MODE_OFFSCREEN:
            bBuilt = spBuffer->CreateOffscreenBuffer();
            break;
        default:
            break;  // no surfaces at all
    }
    if (!bBuilt) return nullptr;
    spBuffer->SetPixelFormatFromBack();
    EnD3DRender::LogMessage("(Creation): Rendering buffer creation successful");

    if (!spBuffer->CreateImages()) return nullptr;
    EnD3DRender::LogMessage("(Creation): Framebuffer object creation succeeded");
    return spBuffer;
}

bool EnD3DFrameBuffer::CreateWindowedBuffers(plat::Window* pWindow, plat::Window* pCoopWindow) {
    EnD3DRender::LogMessage("(Creation): Creating windowed rendering buffers");
    if (!pWindow) {
        EnD3DRender::LogError("(Creation): Windowed renderer requires a non-NULL window handle");
        return false;
    }
    if (!m_pDevice->SetUp(pCoopWindow, false, m_uiWidth, m_uiHeight, 0)) return false;
    const uint32_t uiDepth = m_pDevice->GetDisplayDepth();
    if (uiDepth != 16 && uiDepth != 32) {
        EnD3DRender::LogError("Creation failed: Windowed mode must be 16 or 32 bits");
        return false;
    }
    m_pWindow = pWindow;
    const plat::WinRect kClient = pWindow->GetClientRect();
    m_uiWidth = uint32_t(kClient.right - kClient.left);
    m_uiHeight = uint32_t(kClient.bottom - kClient.top);

    if (Surface* pPrimary = m_pDevice->GetPrimarySurface()) {
        m_spFront = Ref<Surface>::Share(pPrimary);
    } else {
        SurfaceDesc kDesc;
        kDesc.flags = SurfaceDescBits::Caps;
        kDesc.caps.caps = SurfaceCapBits::PrimarySurface;
        if (Failed(m_pDevice->GetDirectDraw()->CreateSurface(kDesc, m_spFront.Put())) ||
            !m_spFront) {
            EnD3DRender::LogError("Creation failed: Onscreen Front Buffer Surface Creation failed");
            return false;
        }
        m_pDevice->SetPrimarySurface(m_spFront.Get(), nullptr);
    }
    if (!CreateBackBuffer(false)) return false;
    return CreateClipper();
}

bool EnD3DFrameBuffer::CreateClipper() {
    Graphics* pGraphics = m_pDevice->GetDirectDraw();
    const char* pcWarning = nullptr;
    if (Failed(pGraphics->CreateClipper(0, m_spClipper.Put())) || !m_spClipper)
        pcWarning = "Creation failed: Clipper Creation failed";
    else if (Failed(m_spClipper->SetWindow(0, m_pWindow)))
        pcWarning = "Creation failed: Clipper Window Attach failed";
    else if (Failed(m_spFront->SetClipper(m_spClipper.Get())))
        pcWarning = "Creation failed: Frontbuffer SetClipper failed";
    if (!pcWarning) return true;
    EnD3DRender::LogWarning(pcWarning);
    EnD3DRender::LogError("Creation failed: Clipper Creation failed");
    return false;
}

bool EnD3DFrameBuffer::CreateFullScreenBuffers(uint32_t uiFlags, plat::Window* pCoopWindow) {
    EnD3DRender::LogMessage("(Creation): Creating fullscreen flipping buffers");
    m_pWindow = nullptr;
    if (!m_pDevice->SetUp(pCoopWindow, true, m_uiWidth, m_uiHeight,
                          (uiFlags & CREATE_32BIT) ? 32 : 16))
        return false;

    Graphics* pGraphics = m_pDevice->GetDirectDraw();
    SurfaceDesc kDesc;
    kDesc.flags = SurfaceDescBits::Caps | SurfaceDescBits::BackBufferCount;
    kDesc.caps.caps = SurfaceCapBits::PrimarySurface | SurfaceCapBits::Flip |
                      SurfaceCapBits::Complex | SurfaceCapBits::Device3D;
    bool bCreated = false;
    if (uiFlags & CREATE_TRIPLE_BUFFER) {
        kDesc.backBufferCount = 2;
        bCreated = Succeeded(pGraphics->CreateSurface(kDesc, m_spFront.Put())) && m_spFront;
    }
    if (!bCreated) {
        kDesc.backBufferCount = 1;
        bCreated = Succeeded(pGraphics->CreateSurface(kDesc, m_spFront.Put())) && m_spFront;
    }
    if (!bCreated) {
        EnD3DRender::LogError("Creation failed: Error creating fullscreen frontbuffer");
        return false;
    }
    m_pDevice->SetPrimarySurface(m_spFront.Get(), nullptr);
    SurfaceDesc kChain;
    if (Succeeded(m_spFront->GetSurfaceDesc(kChain)) && kChain.backBufferCount > 1)
        EnD3DRender::LogMessage("(Creation): Using Triple Buffering");

    SurfaceCaps kCaps;
    kCaps.caps = SurfaceCapBits::BackBuffer;
    if (Failed(m_spFront->GetAttachedSurface(kCaps, m_spBack.Put())) || !m_spBack) {
        EnD3DRender::LogError("Creation failed: Error creating fullscreen backbuffer");
        return false;
    }
    return true;
}

bool EnD3DFrameBuffer::CreateOffscreenBuffer() {
    EnD3DRender::LogMessage("(Creation): Creating offscreen (texture) rendering buffer");
    m_pWindow = nullptr;
    if (!CreateBackBuffer(true)) return false;
    m_spFront = m_spBack;
    return true;
}

bool EnD3DFrameBuffer::CreateBackBuffer(bool bTexture) {
    const bool bHardware = IsHardware();
    SurfaceDesc kDesc;
    kDesc.flags = SurfaceDescBits::Caps | SurfaceDescBits::Height | SurfaceDescBits::Width;
    kDesc.width = m_uiWidth;
    kDesc.height = m_uiHeight;
    kDesc.caps.caps = SurfaceCapBits::Device3D | (bTexture ? SurfaceCapBits::Texture : 0) |
                      (bHardware ? SurfaceCapBits::VideoMemory | SurfaceCapBits::LocalVidMem
                                 : SurfaceCapBits::SystemMemory);
    if (Failed(m_pDevice->GetDirectDraw()->CreateSurface(kDesc, m_spBack.Put())) || !m_spBack) {
        EnD3DRender::LogError("Creation failed: Back Buffer Surface Creation failed");
        return false;
    }
    if (bHardware && bTexture) {
        // A texture target in non-local video memory cannot be drawn into at full speed.
        SurfaceDesc kMade;
        if (Succeeded(m_spBack->GetSurfaceDesc(kMade)) &&
            (kMade.caps.caps & SurfaceCapBits::NonLocalVidMem)) {
            m_spBack.Reset();
            EnD3DRender::LogError(
                "Creation failed: Offscreen Video RAM Back Buffer Surface Creation failed");
            return false;
        }
    }
    return true;
}

void EnD3DFrameBuffer::SetPixelFormatFromBack() {
    EnD3DPixelFormat kFormat;
    if (m_spBack) {
        SurfaceDesc kDesc;
        if (Succeeded(m_spBack->GetSurfaceDesc(kDesc)) &&
            (kDesc.flags & SurfaceDescBits::PixelFormat))
            kFormat = EnD3DPixelFormat::FromPixelFormat(kDesc.pixelFormat);
    }
    m_kPixelFormat = kFormat;
    m_kPixelFormat.GetIndex();
}

bool EnD3DFrameBuffer::CreateImages() {
    // Without surface images installed the buffers simply have none.
    if (!EnD3DImageHooks::ms_pfnMakeBufferImage) return true;
    Graphics* pGraphics = m_pDevice->GetDirectDraw();
    if (m_spFront) {
        if (m_spFront.Get() == m_pDevice->GetPrimarySurface() && m_pDevice->GetPrimaryImage())
            m_spFrontImage = m_pDevice->GetPrimaryImage();
        else
            m_spFrontImage = MakeBufferImage(m_spFront.Get(), pGraphics);
        if (!m_spFrontImage) {
            EnD3DRender::LogError(
                "Creation failed: Front buffer surface image could not be created");
            return false;
        }
    }
    if (m_spBack) {
        m_spBackImage = MakeBufferImage(m_spBack.Get(), pGraphics);
        if (!m_spBackImage) {
            EnD3DRender::LogError(
                "Creation failed: Back buffer surface image could not be created");
            return false;
        }
    } else {
        m_spBackImage = nullptr;
    }
    if (!m_spFrontImage) m_spFrontImage = m_spBackImage;
    return true;
}

std::unique_ptr<EnD3DFrameBuffer> EnD3DFrameBuffer::CreateFromSurfaces(
    EnD3DDirectDrawDevice* pDevice, uint32_t uiMode, plat::Window* pWindow, Surface* pFront,
    Surface* pBack) {
    if (!pDevice) return nullptr;
    std::unique_ptr<EnD3DFrameBuffer> spBuffer(new EnD3DFrameBuffer(pDevice));
    EnD3DFrameBuffer& kBuffer = *spBuffer;
    kBuffer.m_uiMode = uiMode;
    Graphics* pGraphics = pDevice->GetDirectDraw();

    if (uiMode == MODE_WINDOWED) {
        const uint32_t uiDepth = pDevice->GetDisplayDepth();
        if (uiDepth != 16 && uiDepth != 32) {
            EnD3DRender::LogError("Creation failed: Windowed mode must be 16 or 32 bits");
            return nullptr;
        }
        kBuffer.m_pWindow = pWindow;
        if (pWindow) {
            const plat::WinRect kClient = pWindow->GetClientRect();
            kBuffer.m_uiWidth = uint32_t(kClient.right - kClient.left);
            kBuffer.m_uiHeight = uint32_t(kClient.bottom - kClient.top);
        }
        if (!pFront) {
            EnD3DRender::LogError("Creation failed: Supplied front buffer is invalid");
            return nullptr;
        }
        kBuffer.m_spFront = Ref<Surface>::Share(pFront);
        SurfaceDesc kFrontDesc;
        pFront->GetSurfaceDesc(kFrontDesc);
        kBuffer.m_spFrontImage = MakeBufferImage(pFront, pGraphics);
        if (kFrontDesc.caps.caps & SurfaceCapBits::PrimarySurface)
            pDevice->SetPrimarySurface(pFront, kBuffer.m_spFrontImage);
        if (!pBack) {
            EnD3DRender::LogError("Creation failed: App-supplied back buffer is NULL");
            return nullptr;
        }
        kBuffer.m_spBackImage = MakeBufferImage(pBack, pGraphics);
        kBuffer.m_spBack = Ref<Surface>::Share(pBack);
        SurfaceDesc kBackDesc;
        if (Failed(pBack->GetSurfaceDesc(kBackDesc))) {
            EnD3DRender::LogError(
                "Creation failed: Cannot get dimensions from app-supplied back buffer");
            return nullptr;
        }
        kBuffer.m_uiWidth = kBackDesc.width;
        kBuffer.m_uiHeight = kBackDesc.height;
        if (!kBuffer.CreateClipper()) return nullptr;
    } else if (uiMode == MODE_FULLSCREEN) {
        kBuffer.m_pWindow = nullptr;
        if (!pFront) {
            EnD3DRender::LogError("Creation failed: App-supplied front buffer is NULL");
            return nullptr;
        }
        kBuffer.m_spFront = Ref<Surface>::Share(pFront);
        if (!pBack) {
            EnD3DRender::LogError("Creation failed: App-supplied back buffer is NULL");
            return nullptr;
        }
        kBuffer.m_spFrontImage = MakeBufferImage(pFront, pGraphics);
        pDevice->SetPrimarySurface(pFront, kBuffer.m_spFrontImage);
        SurfaceDesc kFrontDesc;
        if (Failed(pFront->GetSurfaceDesc(kFrontDesc))) {
            EnD3DRender::LogError(
                "Creation failed: Cannot get dimensions from app-supplied back buffer");
            return nullptr;
        }
        kBuffer.m_uiWidth = kFrontDesc.width;
        kBuffer.m_uiHeight = kFrontDesc.height;
        kBuffer.m_spBackImage = MakeBufferImage(pBack, pGraphics);
        // Held like every other buffer, so that teardown is the same for all modes.
        kBuffer.m_spBack = Ref<Surface>::Share(pBack);
    } else {
        return nullptr;
    }
    kBuffer.SetPixelFormatFromBack();
    return spBuffer;
}

bool EnD3DFrameBuffer::AttachZBuffer(bool bHardware, const PixelFormat& kFormat) {
    if (kFormat.IsEmpty()) {
        EnD3DRender::LogError("Creation failed: 3D Hardware does not support a Z-buffer format");
        return false;
    }
    if (!m_spBack) return true;

    SurfaceCaps kCaps;
    kCaps.caps = SurfaceCapBits::ZBuffer;
    const Result eFound = m_spBack->GetAttachedSurface(kCaps, m_spZBuffer.Put());
    if (Succeeded(eFound) && m_spZBuffer) {
        EnD3DRender::LogMessage("Render create info: Found attached Z-Buffer");
        m_uiFlags |= FLAG_ZBUFFER_FOUND;
        return true;
    }
    if (eFound != Result::NotFound) {
        EnD3DRender::LogError("Creation failed: Error searching back buffer for Z-buffer");
        return false;
    }

    SurfaceDesc kDesc;
    kDesc.flags = SurfaceDescBits::Caps | SurfaceDescBits::Height | SurfaceDescBits::Width |
                  SurfaceDescBits::PixelFormat;
    kDesc.width = m_uiWidth;
    kDesc.height = m_uiHeight;
    kDesc.pixelFormat = kFormat;
    kDesc.caps.caps = SurfaceCapBits::ZBuffer |
                      (bHardware ? SurfaceCapBits::VideoMemory : SurfaceCapBits::SystemMemory);
    if (Failed(m_pDevice->GetDirectDraw()->CreateSurface(kDesc, m_spZBuffer.Put())) ||
        !m_spZBuffer) {
        EnD3DRender::LogError("Creation failed: ZBuffer Surface Creation failed");
        return false;
    }
    m_uiFlags &= ~FLAG_ZBUFFER_FOUND;
    if (Failed(m_spBack->AddAttachedSurface(m_spZBuffer.Get()))) {
        // Forgotten at once, so that the next format starts from a back buffer without one.
        m_spZBuffer.Reset();
        EnD3DRender::LogError("Creation failed: ZBuffer Surface Attachment failed");
        return false;
    }
    return true;
}

bool EnD3DFrameBuffer::DetachZBuffer() {
    if (!m_spBack || (m_uiFlags & FLAG_ZBUFFER_FOUND)) return false;
    if (!m_spZBuffer) return true;
    if (Failed(m_spBack->DeleteAttachedSurface(0, m_spZBuffer.Get()))) return false;
    m_spZBuffer.Reset();
    return true;
}

bool EnD3DFrameBuffer::IsLost() {
    return m_spBack && Failed(m_spBack->IsLost());
}

bool EnD3DFrameBuffer::SwapBuffers() {
    if ((m_spBack && Failed(m_spBack->IsLost())) || (m_spFront && Failed(m_spFront->IsLost())) ||
        (m_spZBuffer && Failed(m_spZBuffer->IsLost())))
        return false;

    if (m_uiMode == MODE_FULLSCREEN) {
        Result eFlip;
        do {
            eFlip = m_spFront->Flip(nullptr, 0);
        } while (eFlip == Result::WasStillDrawing);
        if (Failed(eFlip)) EnD3DRender::LogWarning("(Swap buffers):Error flipping surfaces");
    } else if (m_uiMode != MODE_OFFSCREEN && m_spFront && m_spBack) {
        if (m_spClipper) m_spFront->SetClipper(m_spClipper.Get());
        Rect kDest{0, 0, int32_t(m_uiWidth), int32_t(m_uiHeight)};
        if (m_uiMode == MODE_WINDOWED && m_pWindow) {
            const plat::WinPoint kTopLeft = m_pWindow->ClientToScreen({kDest.left, kDest.top});
            const plat::WinPoint kBottomRight =
                m_pWindow->ClientToScreen({kDest.right, kDest.bottom});
            kDest = Rect{kTopLeft.x, kTopLeft.y, kBottomRight.x, kBottomRight.y};
        }
        const Rect kSource{0, 0, int32_t(m_uiWidth), int32_t(m_uiHeight)};
        m_spFront->Blt(&kDest, m_spBack.Get(), &kSource, BltBits::Wait | BltBits::DdFx, &m_kBltFx);
    }

    if (m_spFrontImage) m_spFrontImage->ChangedPixels();
    if (m_spBackImage) m_spBackImage->ChangedPixels();
    return true;
}

bool EnD3DFrameBuffer::Restore() {
    if (m_uiMode != MODE_FULLSCREEN && m_spBack && Failed(m_spBack->Restore())) return false;
    if (m_spFront && Failed(m_spFront->Restore())) return false;
    if (m_spZBuffer && Failed(m_spZBuffer->Restore())) return false;
    m_pDevice->GetDirectDraw()->RestoreAllSurfaces();
    return true;
}
