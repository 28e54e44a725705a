#pragma once
#include <cstdint>

namespace plat {
class Window;
}

namespace plat::gfx {

// A textured, lit, indexed mesh drawn with plain OpenGL calls on a context of its own, into a
// framebuffer object of its own: the yardstick the device layer is measured against.
class GlDirectMesh {
public:
    struct Setup {
        const void* vertices = nullptr;  // position, normal, one texture set: 32 bytes each
        uint32_t vertexCount = 0;
        const uint16_t* indices = nullptr;
        uint32_t indexCount = 0;
        const uint16_t* texture565 = nullptr;  // square, texSize x texSize
        uint32_t texSize = 0;
        uint32_t width = 0, height = 0;  // target size
        float modelView[16] = {};        // column-major, as GL takes them
        float projection[16] = {};
        float lightDirection[3] = {};  // towards the light, in eye space
        float lightDiffuse[4] = {};
        float materialDiffuse[4] = {};
    };

    explicit GlDirectMesh(Window* window);
    ~GlDirectMesh();
    GlDirectMesh(const GlDirectMesh&) = delete;
    GlDirectMesh& operator=(const GlDirectMesh&) = delete;

    bool Init(const Setup& setup);
    // Clears and draws the mesh once.
    void Draw();
    // Waits until the drawing is done.
    void Finish();
    // 0x00RRGGBB of the target's centre.
    uint32_t CentrePixel();

private:
    Window* m_window;
    void* m_context = nullptr;
    uint32_t m_fbo = 0, m_color = 0, m_depth = 0, m_texture = 0, m_vbo = 0;
    Setup m_setup;
};

}  // namespace plat::gfx
