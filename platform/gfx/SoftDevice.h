#pragma once
#include <cstdint>
#include <map>

#include "platform/gfx/Device.h"
#include "platform/gfx/Ref.h"
#include "platform/gfx/SoftGraphics.h"

namespace plat::gfx {

class SoftGraphics3D;
class SoftSurface;
class SoftVertexBuffer;

// The software model of a 3D device: it keeps every state it is given (with the documented
// defaults), checks and counts draws, clears the target's CPU pixels and validates stage set-ups
// against its caps. The null back end uses it as it is; the OpenGL back end draws in DoDraw and
// DoClear from the same state.
class SoftDevice : public Device {
public:
    SoftDevice(SoftGraphics* g, SoftGraphics3D* g3d, DeviceType type, SoftSurface* target,
               const DeviceDesc& caps);
    ~SoftDevice() override;

    Result GetCaps(DeviceDesc& desc) override;
    Result GetGraphics3D(Graphics3D** g3d) override;
    Result EnumTextureFormats(const PixelFormatCallback& callback) override;
    Result BeginScene() override;
    Result EndScene() override;
    Result Clear(uint32_t count, const Rect* rects, uint32_t flags, uint32_t color, float z,
                 uint32_t stencil) override;
    Result SetRenderTarget(Surface* target, uint32_t flags) override;
    Result GetRenderTarget(Surface** target) override;
    Result SetViewport(const Viewport& viewport) override;
    Result GetViewport(Viewport& viewport) override;
    Result SetTransform(TransformState state, const Matrix& matrix) override;
    Result GetTransform(TransformState state, Matrix& matrix) override;
    Result SetRenderState(RenderState state, uint32_t value) override;
    Result GetRenderState(RenderState state, uint32_t& value) override;
    Result SetTextureStageState(uint32_t stage, StageState state, uint32_t value) override;
    Result GetTextureStageState(uint32_t stage, StageState state, uint32_t& value) override;
    Result SetTexture(uint32_t stage, Surface* texture) override;
    Result GetTexture(uint32_t stage, Surface** texture) override;
    Result SetMaterial(const Material& material) override;
    Result GetMaterial(Material& material) override;
    Result SetLight(uint32_t index, const Light& light) override;
    Result GetLight(uint32_t index, Light& light) override;
    Result LightEnable(uint32_t index, bool enable) override;
    Result GetLightEnable(uint32_t index, bool& enable) override;
    Result DrawPrimitive(PrimitiveType type, uint32_t fvf, const void* vertices,
                         uint32_t vertexCount, uint32_t flags) override;
    Result DrawIndexedPrimitive(PrimitiveType type, uint32_t fvf, const void* vertices,
                                uint32_t vertexCount, const uint16_t* indices, uint32_t indexCount,
                                uint32_t flags) override;
    Result DrawPrimitiveVB(PrimitiveType type, VertexBuffer* buffer, uint32_t start, uint32_t count,
                           uint32_t flags) override;
    Result DrawIndexedPrimitiveVB(PrimitiveType type, VertexBuffer* buffer, uint32_t start,
                                  uint32_t numVertices, const uint16_t* indices,
                                  uint32_t indexCount, uint32_t flags) override;
    Result ValidateDevice(uint32_t* passes) override;
    Result Load(Surface* dest, const Point* destPoint, Surface* src, const Rect* srcRect,
                uint32_t flags) override;

    using Device::SetRenderState;
    using Device::SetTextureStageState;

    struct Stats {
        uint32_t scenes = 0;
        uint32_t draws = 0;
        uint32_t primitives = 0;
        uint32_t vertices = 0;
        uint32_t clears = 0;
    };
    Stats GetStats() const { return m_stats; }
    void ResetStats() { m_stats = {}; }

    struct LightSlot {
        Light light;
        bool enabled = false;
    };

    // The model, for back ends and tests.
    SoftGraphics* Graphics() const { return m_g; }
    DeviceType Type() const { return m_type; }
    const DeviceDesc& Caps() const { return m_caps; }
    uint32_t RS(RenderState s) const { return m_rs[static_cast<uint32_t>(s)]; }
    uint32_t TSS(uint32_t stage, StageState s) const {
        return m_tss[stage][static_cast<uint32_t>(s)];
    }
    const Matrix& TransformMatrix(TransformState s) const;
    const Viewport& CurrentViewport() const { return m_viewport; }
    const Material& CurrentMaterial() const { return m_material; }
    const std::map<uint32_t, LightSlot>& Lights() const { return m_lights; }
    SoftSurface* StageTexture(uint32_t stage) const { return m_textures[stage].Get(); }
    SoftSurface* Target() const { return m_target.Get(); }
    bool InScene() const { return m_inScene; }
    // Whether the stage states could be drawn (the default validation).
    Result ValidateStages(uint32_t* passes) const;

protected:
    struct DrawCall {
        PrimitiveType type;
        uint32_t fvf;
        const uint8_t* vertices;   // first vertex of the range
        uint32_t vertexCount;      // vertices in the range
        SoftVertexBuffer* buffer;  // null for user memory
        uint32_t start;            // first vertex in the buffer
        const uint16_t* indices;   // null for non-indexed draws; relative to the range
        uint32_t indexCount;
        uint32_t primitives;
    };
    virtual Result DoDraw(const DrawCall& call);
    virtual Result DoClear(uint32_t count, const Rect* rects, uint32_t flags, uint32_t color,
                           float z, uint32_t stencil);
    virtual void OnTargetChanged() {}
    virtual Result DoEndScene() { return Result::Ok; }
    // The device entered (true) or left (false) a scene.
    virtual void OnSceneChange(bool) {}

    // What changed since the back end last looked (it clears the bits it has applied).
    enum DirtyBits : uint32_t {
        DirtyRenderStates = 1,
        DirtyStages = 2,
        DirtyTransforms = 4,
        DirtyLights = 8,
        DirtyMaterial = 16,
        DirtyViewport = 32,
        DirtyTextures = 64,
        DirtyTarget = 128,
        DirtyAll = 0xff
    };
    uint32_t m_dirty = DirtyAll;

    SoftGraphics* m_g;
    Ref<SoftGraphics> m_gRef;
    Ref<SoftGraphics3D> m_g3d;
    uint32_t m_id;
    DeviceType m_type;
    DeviceDesc m_caps;
    Ref<SoftSurface> m_target;
    bool m_inScene = false;
    uint32_t m_rs[static_cast<uint32_t>(RenderState::Count)];
    uint32_t m_tss[kMaxTextureStages][static_cast<uint32_t>(StageState::Count)];
    Matrix m_world, m_view, m_projection, m_texture[kMaxTextureStages];
    Viewport m_viewport;
    Material m_material;
    std::map<uint32_t, LightSlot> m_lights;
    Ref<SoftSurface> m_textures[kMaxTextureStages];
    Stats m_stats;

private:
    Result Draw(const char* name, const DrawCall& call);
    Result CheckDraw(const DrawCall& call) const;
    void ResetViewport();
};

}  // namespace plat::gfx
