#pragma once
#include <cstdint>
#include <vector>

#include "platform/gfx/SoftDevice.h"
#include "platform/gfx/gl/GlApi.h"

namespace plat::gfx {

class GlGraphics;
class GlSurface;

// The fixed-function device on OpenGL. States are kept by SoftDevice and sent to GL before a
// draw, group by group as they changed: transforms (transposed, depth 0..1 onto -1..1, rows
// running down the target), render states, lights (given with the view matrix applied),
// material and colour-material sources, and texture stages as texture-environment combiners
// with coordinate generation and texture matrices. Pre-transformed vertices are drawn through
// an orthographic pass-through in target pixels.
class GlDevice : public SoftDevice {
public:
    GlDevice(GlGraphics* g, SoftGraphics3D* g3d, DeviceType type, SoftSurface* target,
             const DeviceDesc& caps);
    ~GlDevice() override;

protected:
    Result DoDraw(const DrawCall& call) override;
    Result DoClear(uint32_t count, const Rect* rects, uint32_t flags, uint32_t color, float z,
                   uint32_t stencil) override;
    void OnTargetChanged() override;
    void OnSceneChange(bool inScene) override;

private:
    GlGraphics* G() const;
    GlSurface* GlTarget() const;
    uint32_t ActiveStages() const;
    bool ColorKeyActive() const;
    void ApplyRenderStates(bool pretransformed);
    void ApplyTransforms(bool pretransformed);
    void ApplyLights();
    void ApplyMaterial();
    void ApplyStages();
    void ApplyColorMaterial(uint32_t fvf, bool lit);
    void SetupArrays(const DrawCall& call, bool pretransformed);

    uint32_t m_epoch = 0;
    int m_lastPre = -1;
    uint32_t m_colorMaterial = ~0u;
    GLuint m_stageTex[kMaxTextureStages] = {};
    bool m_stageKeyed[kMaxTextureStages] = {};
    std::vector<uint8_t> m_scratch;
};

}  // namespace plat::gfx
