#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "platform/gfx/Device.h"
#include "platform/gfx/Graphics.h"
#include "platform/gfx/Graphics3D.h"
#include "platform/gfx/Ref.h"
#include "platform/gfx/SoftBackend.h"
#include "platform/gfx/Surface.h"

namespace plat {
class Window;
}

namespace gfxtest {

using namespace plat::gfx;

enum class BackendKind { Null, Gl };

// One back end with a graphics object, a device and a w x h render target (32-bit, with a
// depth+stencil buffer) on a hidden window. GL rigs need a display; Init says why not.
class GfxRig {
public:
    ~GfxRig();
    bool Init(BackendKind kind, uint32_t width = 64, uint32_t height = 64,
              std::string* why = nullptr);

    SoftBackend& Backend() { return *m_backend; }
    plat::Window* Window() const { return m_window; }
    BackendKind Kind() const { return m_kind; }

    // 0x00RRGGBB of a target pixel, read through a lock.
    uint32_t Pixel(int x, int y);
    uint32_t Centre() { return Pixel(static_cast<int>(m_w / 2), static_cast<int>(m_h / 2)); }
    // A device texture of one colour (raw value in its format), or of a function of x.
    Ref<Surface> SolidTexture(const PixelFormat& f, uint32_t argb, uint32_t w = 4, uint32_t h = 4);
    Ref<Surface> RowTexture(const PixelFormat& f, std::initializer_list<uint32_t> argb);
    // A screen-covering pre-transformed quad (two triangles) at depth z.
    void ScreenQuad(uint32_t diffuse, uint32_t specular, float z = 0.5f, float u0 = 0, float u1 = 1,
                    float x0 = 0, float x1 = -1);
    // Clears the target and draws inside a scene.
    void Clear(uint32_t color, float z = 1.0f);
    void Finish();

    Ref<Graphics> g;
    Ref<Graphics3D> g3d;
    Ref<Surface> target;
    Ref<Surface> z;
    Ref<Device> dev;

private:
    std::shared_ptr<SoftBackend> m_backend;
    plat::Window* m_window = nullptr;
    BackendKind m_kind = BackendKind::Null;
    uint32_t m_w = 0, m_h = 0;
};

// Channel-wise comparison within a tolerance.
::testing::AssertionResult NearColor(uint32_t actual, uint32_t expected, int tolerance = 3);

const char* KindName(BackendKind k);

}  // namespace gfxtest
