#pragma once
#include <cstdint>
#include <type_traits>

#include "platform/gfx/GfxStates.h"
#include "platform/gfx/GfxTypes.h"
#include "platform/gfx/RefCounted.h"

namespace plat::gfx {

class Graphics3D;
class Surface;
class VertexBuffer;

// A fixed-function 3D device drawing into one render target: render states, texture stages,
// transforms, material, lights, viewport, and draws from user memory or vertex buffers.
// Made by Graphics3D::CreateDevice. Calls may come from more than one thread; the device
// serialises them.
class Device : public RefCounted {
public:
    virtual Result GetCaps(DeviceDesc& desc) = 0;
    virtual Result GetGraphics3D(Graphics3D** g3d) = 0;
    virtual Result EnumTextureFormats(const PixelFormatCallback& callback) = 0;

    // Draws are accepted only between BeginScene and EndScene.
    virtual Result BeginScene() = 0;
    virtual Result EndScene() = 0;
    // Clears rectangles (count 0 or null rects: the whole viewport) of the render target, its
    // z-buffer and stencil. color is 0xAARRGGBB.
    virtual Result Clear(uint32_t count, const Rect* rects, uint32_t flags, uint32_t color, float z,
                         uint32_t stencil) = 0;

    virtual Result SetRenderTarget(Surface* target, uint32_t flags) = 0;
    virtual Result GetRenderTarget(Surface** target) = 0;
    virtual Result SetViewport(const Viewport& viewport) = 0;
    virtual Result GetViewport(Viewport& viewport) = 0;
    virtual Result SetTransform(TransformState state, const Matrix& matrix) = 0;
    virtual Result GetTransform(TransformState state, Matrix& matrix) = 0;

    virtual Result SetRenderState(RenderState state, uint32_t value) = 0;
    virtual Result GetRenderState(RenderState state, uint32_t& value) = 0;
    virtual Result SetTextureStageState(uint32_t stage, StageState state, uint32_t value) = 0;
    virtual Result GetTextureStageState(uint32_t stage, StageState state, uint32_t& value) = 0;
    // A null texture leaves the stage without one.
    virtual Result SetTexture(uint32_t stage, Surface* texture) = 0;
    virtual Result GetTexture(uint32_t stage, Surface** texture) = 0;

    virtual Result SetMaterial(const Material& material) = 0;
    virtual Result GetMaterial(Material& material) = 0;
    // Setting a light that does not exist yet creates it (disabled).
    virtual Result SetLight(uint32_t index, const Light& light) = 0;
    virtual Result GetLight(uint32_t index, Light& light) = 0;
    // Enabling a light that was never set creates a default white directional light along +z.
    virtual Result LightEnable(uint32_t index, bool enable) = 0;
    virtual Result GetLightEnable(uint32_t index, bool& enable) = 0;

    // Draws from user memory in format fvf.
    virtual Result DrawPrimitive(PrimitiveType type, uint32_t fvf, const void* vertices,
                                 uint32_t vertexCount, uint32_t flags) = 0;
    virtual Result DrawIndexedPrimitive(PrimitiveType type, uint32_t fvf, const void* vertices,
                                        uint32_t vertexCount, const uint16_t* indices,
                                        uint32_t indexCount, uint32_t flags) = 0;
    // Draws vertices [start, start + count) of a vertex buffer.
    virtual Result DrawPrimitiveVB(PrimitiveType type, VertexBuffer* buffer, uint32_t start,
                                   uint32_t count, uint32_t flags) = 0;
    // Indices are relative to start; numVertices is the range they may reach.
    virtual Result DrawIndexedPrimitiveVB(PrimitiveType type, VertexBuffer* buffer, uint32_t start,
                                          uint32_t numVertices, const uint16_t* indices,
                                          uint32_t indexCount, uint32_t flags) = 0;

    // Whether the current texture-stage and render states can be drawn, and in how many passes
    // (always 1 when they can).
    virtual Result ValidateDevice(uint32_t* passes) = 0;
    // Copies a system-memory surface (and the matching levels of its mip chain) into a device
    // texture of the same format.
    virtual Result Load(Surface* dest, const Point* destPoint, Surface* src, const Rect* srcRect,
                        uint32_t flags) = 0;

    // Typed conveniences.
    template <class E>
    requires std::is_enum_v<E> Result SetRenderState(RenderState state, E value) {
        return SetRenderState(state, static_cast<uint32_t>(value));
    }
    template <class E>
    requires std::is_enum_v<E> Result SetTextureStageState(uint32_t stage, StageState state,
                                                           E value) {
        return SetTextureStageState(stage, state, static_cast<uint32_t>(value));
    }
};

}  // namespace plat::gfx
