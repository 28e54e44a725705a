#pragma once
#include <cstdint>
#include <memory>

#include "engine/core/EnPointer.h"
#include "engine/d3d/EnD3DPixelFormat.h"
#include "engine/geometry/EnImage.h"
#include "platform/gfx/Clipper.h"
#include "platform/gfx/Ref.h"
#include "platform/gfx/Surface.h"

namespace plat {
class Window;
}
class EnD3DDirectDrawDevice;

// The surfaces one view of the renderer draws into and shows: a front buffer, a back buffer
// (the 3D render target) and an optional z-buffer, with an engine image over the front and
// back buffers so that either can be read or drawn like any other image. Windowed buffers
// present by a blit into the primary surface, full-screen ones by flipping, off-screen ones
// (render targets usable as textures) not at all.
class EnD3DFrameBuffer {
public:
    enum Mode : uint32_t { MODE_WINDOWED = 0, MODE_FULLSCREEN = 1, MODE_OFFSCREEN = 2 };
    // Creation flags read here.
    enum : uint32_t { CREATE_32BIT = 0x10, CREATE_TRIPLE_BUFFER = 0x20 };
    // m_uiFlags: the z-buffer was found attached to the back buffer and is not ours to detach.
    enum : uint32_t { FLAG_ZBUFFER_FOUND = 0x20 };

    // Builds the buffers of a mode, then their images. Null after one error message; a
    // windowed buffer takes its size from the window's client area, the cooperative level is
    // set for pCoopWindow.
    static std::unique_ptr<EnD3DFrameBuffer> Create(EnD3DDirectDrawDevice* pDevice, uint32_t uiMode,
                                                    uint32_t uiFlags, uint32_t uiWidth,
                                                    uint32_t uiHeight, plat::Window* pWindow,
                                                    plat::Window* pCoopWindow);
    // A frame buffer over surfaces the application made (windowed or full screen).
    static std::unique_ptr<EnD3DFrameBuffer> CreateFromSurfaces(EnD3DDirectDrawDevice* pDevice,
                                                                uint32_t uiMode,
                                                                plat::Window* pWindow,
                                                                plat::gfx::Surface* pFront,
                                                                plat::gfx::Surface* pBack);
    ~EnD3DFrameBuffer();
    EnD3DFrameBuffer(const EnD3DFrameBuffer&) = delete;
    EnD3DFrameBuffer& operator=(const EnD3DFrameBuffer&) = delete;

    // Finds or makes a z-buffer of the format and attaches it to the back buffer.
    bool AttachZBuffer(bool bHardware, const plat::gfx::PixelFormat& kFormat);
    // Undoes an AttachZBuffer that made the z-buffer, so that another format can be tried.
    bool DetachZBuffer();
    // Presents the back buffer; false only when a surface is lost.
    bool SwapBuffers();
    bool IsLost();
    bool Restore();

    EnD3DDirectDrawDevice* GetDevice() const { return m_pDevice; }
    uint32_t GetMode() const { return m_uiMode; }
    uint32_t GetFlags() const { return m_uiFlags; }
    uint32_t GetWidth() const { return m_uiWidth; }
    uint32_t GetHeight() const { return m_uiHeight; }
    plat::gfx::Surface* GetFrontSurface() const { return m_spFront.Get(); }
    plat::gfx::Surface* GetBackSurface() const { return m_spBack.Get(); }
    plat::gfx::Surface* GetZBufferSurface() const { return m_spZBuffer.Get(); }
    EnImage* GetFrontImage() const { return m_spFrontImage; }
    EnImage* GetBackImage() const { return m_spBackImage; }
    const EnD3DPixelFormat& GetPixelFormat() const { return m_kPixelFormat; }
    plat::Window* GetWindow() const { return m_pWindow; }

private:
    explicit EnD3DFrameBuffer(EnD3DDirectDrawDevice* pDevice);

    bool CreateWindowedBuffers(plat::Window* pWindow, plat::Window* pCoopWindow);
    bool CreateFullScreenBuffers(uint32_t uiFlags, plat::Window* pCoopWindow);
    bool CreateOffscreenBuffer();
    bool CreateBackBuffer(bool bTexture);
    bool CreateClipper();
    bool CreateImages();
    void SetPixelFormatFromBack();
    bool IsHardware() const;

    EnD3DDirectDrawDevice* m_pDevice = nullptr;
    uint32_t m_uiFlags = 0;
    uint32_t m_uiMode = MODE_WINDOWED;
    EnPointer<EnImage> m_spFrontImage;
    EnPointer<EnImage> m_spBackImage;
    plat::gfx::Ref<plat::gfx::Surface> m_spFront;
    plat::gfx::Ref<plat::gfx::Surface> m_spBack;
    plat::gfx::Ref<plat::gfx::Surface> m_spZBuffer;
    EnD3DPixelFormat m_kPixelFormat;
    uint32_t m_uiHeight = 0;
    uint32_t m_uiWidth = 0;
    plat::gfx::Ref<plat::gfx::Clipper> m_spClipper;
    plat::Window* m_pWindow = nullptr;
    plat::gfx::BltFx m_kBltFx;
};
