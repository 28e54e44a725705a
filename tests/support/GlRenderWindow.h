#pragma once
// A popup window on the OpenGL back end with the Direct3D renderer on it, for the tests that
// compare rendered pictures. Header-only: only test binaries that link the renderer and the
// OpenGL back end include it.

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "engine/core/EnPointer.h"
#include "engine/d3d/EnD3DFrameBuffer.h"
#include "engine/d3d/EnD3DRender.h"
#include "platform/gfx/Backend.h"
#include "platform/gfx/gl/GlBackend.h"
#include "platform/window/Window.h"
#include "platform/window/WindowClass.h"

class GlRenderWindow {
public:
    GlRenderWindow(const char* pcClassName, uint32_t uiWidth, uint32_t uiHeight)
        : m_kClassName(pcClassName), m_uiWidth(uiWidth), m_uiHeight(uiHeight) {}
    ~GlRenderWindow() { Close(); }
    GlRenderWindow(const GlRenderWindow&) = delete;
    GlRenderWindow& operator=(const GlRenderWindow&) = delete;

    // False when no display can be opened at all; the tests then skip.
    static bool DisplayAvailable(std::string* pWhy) {
        return plat::gfx::GlBackend::Available(pWhy);
    }

    // Installs the OpenGL back end, opens the window and creates the renderer on it; false with
    // Problem() set when any step fails.
    bool Open(uint32_t uiCreateFlags) {
        m_spBackend = std::make_shared<plat::gfx::GlBackend>();
        plat::gfx::Backend::Install(m_spBackend);
        EnD3DRender::DiscardDeviceList();
        plat::WindowClassDesc kClass;
        kClass.name = m_kClassName;
        plat::WindowClass::Register(kClass);
        m_pWindow =
            plat::Window::Create(m_kClassName.c_str(), m_kClassName.c_str(),
                                 plat::WindowStyle::Popup, 0, 0, int(m_uiWidth), int(m_uiHeight));
        if (!m_pWindow) {
            m_kProblem = "the window could not be made";
            return false;
        }
        m_spRenderer = EnD3DRender::Create(0, m_uiWidth, m_uiHeight, uiCreateFlags, m_pWindow,
                                           nullptr, nullptr);
        if (!m_spRenderer) {
            m_kProblem = EnD3DRender::GetLastError();
            return false;
        }
        return true;
    }

    // Everything that holds the renderer (cameras, loaded scenes) must be released first.
    void Close() {
        if (m_spRenderer) m_spRenderer->SetAccumulator(nullptr);
        m_spRenderer = nullptr;
        if (m_pWindow) m_pWindow->Destroy();
        m_pWindow = nullptr;
        if (m_spBackend) {
            plat::WindowClass::Unregister(m_kClassName.c_str());
            EnD3DRender::DiscardDeviceList();
            plat::gfx::Backend::Install(nullptr);
            m_spBackend = nullptr;
        }
    }

    EnD3DRender* Renderer() const { return m_spRenderer; }
    const std::string& Problem() const { return m_kProblem; }

    // The back buffer as 0x00RRGGBB words, top row first.
    std::vector<uint32_t> ReadBack() const {
        using namespace plat::gfx;
        std::vector<uint32_t> kPixels(size_t(m_uiWidth) * m_uiHeight);
        Surface* pBack = m_spRenderer->GetCurrentFrameBuffer()->GetBackSurface();
        SurfaceDesc kDesc;
        if (pBack->Lock(nullptr, kDesc, LockBits::Wait | LockBits::ReadOnly) != Result::Ok ||
            kDesc.pixelFormat.rgbBitCount != 32) {
            return {};
        }
        for (uint32_t y = 0; y < m_uiHeight; y++) {
            std::memcpy(&kPixels[size_t(y) * m_uiWidth],
                        static_cast<const uint8_t*>(kDesc.surface) + size_t(y) * kDesc.pitch,
                        size_t(m_uiWidth) * 4);
        }
        pBack->Unlock(nullptr);
        for (uint32_t& uiPixel : kPixels) uiPixel &= 0xffffff;
        return kPixels;
    }

private:
    std::string m_kClassName;
    uint32_t m_uiWidth;
    uint32_t m_uiHeight;
    std::shared_ptr<plat::gfx::GlBackend> m_spBackend;
    plat::Window* m_pWindow = nullptr;
    EnPointer<EnD3DRender> m_spRenderer;
    std::string m_kProblem;
};
