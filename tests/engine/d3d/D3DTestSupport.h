#pragma once
// The null graphics device under the renderer's tests: a back end whose devices also keep
// every draw they receive (indices and vertex bytes), a window, and a captured debug output.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "engine/core/EnPointer.h"
#include "engine/d3d/EnD3DRender.h"
#include "platform/gfx/Backend.h"
#include "platform/gfx/NullBackend.h"
#include "platform/gfx/SoftDevice.h"
#include "platform/gfx/SoftGraphics.h"
#include "platform/gfx/VertexFormat.h"
#include "platform/window/Window.h"
#include "platform/window/WindowClass.h"
#include "tests/support/DebugCapture.h"

namespace d3dtest {

using namespace plat::gfx;

struct CapturedDraw {
    PrimitiveType type;
    uint32_t fvf = 0;
    uint32_t vertexCount = 0;
    std::vector<uint8_t> vertices;  // the drawn range, vertexCount vertices of format fvf
    std::vector<uint16_t> indices;  // empty for a draw without indices
    bool indexed = false;

    const float* FloatsAt(uint32_t vertex, uint32_t byteOffset) const {
        return reinterpret_cast<const float*>(vertices.data() + vertex * VertexFormat::Stride(fvf) +
                                              byteOffset);
    }
    uint32_t WordAt(uint32_t vertex, uint32_t byteOffset) const {
        uint32_t u;
        std::memcpy(&u, vertices.data() + vertex * VertexFormat::Stride(fvf) + byteOffset, 4);
        return u;
    }
};

struct CapturedClear {
    std::vector<Rect> rects;
    uint32_t flags = 0;
    uint32_t color = 0;
    float z = 0.0f;
    uint32_t stencil = 0;
};

class CapturingDevice : public SoftDevice {
public:
    using SoftDevice::SoftDevice;
    std::vector<CapturedDraw> draws;
    std::vector<CapturedClear> clears;

protected:
    Result DoClear(uint32_t count, const Rect* rects, uint32_t flags, uint32_t color, float z,
                   uint32_t stencil) override {
        CapturedClear c;
        if (rects) c.rects.assign(rects, rects + count);
        c.flags = flags;
        c.color = color;
        c.z = z;
        c.stencil = stencil;
        clears.push_back(c);
        return SoftDevice::DoClear(count, rects, flags, color, z, stencil);
    }

    Result DoDraw(const DrawCall& call) override {
        CapturedDraw d;
        d.type = call.type;
        d.fvf = call.fvf;
        d.vertexCount = call.vertexCount;
        const uint32_t stride = VertexFormat::Stride(call.fvf);
        if (call.vertices)
            d.vertices.assign(call.vertices, call.vertices + stride * call.vertexCount);
        if (call.indices) {
            d.indexed = true;
            d.indices.assign(call.indices, call.indices + call.indexCount);
        }
        draws.push_back(std::move(d));
        return SoftDevice::DoDraw(call);
    }
};

class CapturingGraphics : public SoftGraphics {
public:
    using SoftGraphics::SoftGraphics;
    SoftDevice* NewDevice(SoftGraphics3D* g3d, DeviceType type, SoftSurface* target,
                          const DeviceDesc& caps) override {
        return new CapturingDevice(this, g3d, type, target, caps);
    }
};

class CapturingBackend : public NullBackend {
public:
    explicit CapturingBackend(GfxConfig config) : NullBackend(std::move(config)) {}

protected:
    SoftGraphics* MakeGraphics(const GfxConfig::Driver& driver) override {
        return new CapturingGraphics(this, Config(), driver);
    }
};

// Windows need a video driver: the real display when there is one, SDL's dummy driver else.
inline void UseDummyVideoWithoutDisplay() {
    const char* display = std::getenv("DISPLAY");
    if (!display || !*display) setenv("SDL_VIDEODRIVER", "dummy", 0);
}

// The lines of the debug output that the renderer wrote ("EN D3D Renderer..."), one string
// each without its newline.
inline std::vector<std::string> RendererLines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line))
        if (line.rfind("EN D3D Renderer", 0) == 0) lines.push_back(line);
    return lines;
}

// A fresh machine, device list and window for each test.
class NullRendererTest : public ::testing::Test {
protected:
    static constexpr const char* kClass = "EnD3DRenderTest";

    void SetUp() override { Install(GfxConfig::Standard()); }

    void Install(GfxConfig config) {
        UseDummyVideoWithoutDisplay();
        m_backend = std::make_shared<CapturingBackend>(std::move(config));
        Backend::Install(m_backend);
        EnD3DRender::DiscardDeviceList();
        if (!m_window) {
            plat::WindowClassDesc cls;
            cls.name = kClass;
            plat::WindowClass::Register(cls);
            m_window = plat::Window::Create(kClass, "renderer test", plat::WindowStyle::Popup, 0, 0,
                                            640, 480);
            ASSERT_NE(m_window, nullptr);
        }
    }

    void TearDown() override {
        m_renderer = nullptr;
        if (m_window && plat::Window::IsWindow(m_window)) m_window->Destroy();
        m_window = nullptr;
        plat::WindowClass::Unregister(kClass);
        EnD3DRender::DiscardDeviceList();
        Backend::Install(nullptr);
    }

    // A windowed renderer on the default record (16-bit z-buffer flags of the game).
    EnD3DRender* Create(uint32_t flags = 0x09, uint32_t fullScreen = 0,
                        const EnD3DDeviceRecord* record = nullptr, uint32_t width = 640,
                        uint32_t height = 480) {
        m_renderer =
            EnD3DRender::Create(fullScreen, width, height, flags, m_window, nullptr, record);
        return m_renderer;
    }

    CapturingDevice* Device() const {
        return m_renderer ? dynamic_cast<CapturingDevice*>(m_renderer->GetD3DDevice()) : nullptr;
    }
    CallLog& Log() { return m_backend->Log(); }
    // The calls of one kind ("Device::SetRenderState") logged from a line on, as the text
    // between the call's parentheses.
    std::vector<std::string> Calls(const std::string& call, size_t from = 0) {
        std::vector<std::string> found;
        const auto lines = Log().Lines();
        for (size_t i = from; i < lines.size(); i++) {
            if (lines[i].rfind(call + "(", 0) != 0) continue;
            const size_t open = call.size() + 1;
            const size_t close = lines[i].rfind(") -> ");
            found.push_back(lines[i].substr(open, close - open));
        }
        return found;
    }
    size_t LogMark() { return Log().Lines().size(); }
    std::vector<std::string> Lines() const { return RendererLines(m_capture.Text()); }

    DebugCapture m_capture;
    std::shared_ptr<CapturingBackend> m_backend;
    plat::Window* m_window = nullptr;
    EnPointer<EnD3DRender> m_renderer;
};

}  // namespace d3dtest
