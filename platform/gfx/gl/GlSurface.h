#pragma once
#include <cstdint>
#include <vector>

#include "platform/gfx/SoftSurface.h"
#include "platform/gfx/gl/GlApi.h"

namespace plat::gfx {

class GlGraphics;

// A surface of the OpenGL back end. Render targets and back buffers live in a GL texture
// behind a framebuffer object (rows top first, as in memory); their CPU pixels are a shadow
// read back when locked and uploaded when changed. Textures, system-memory images and plain
// surfaces live in memory and are uploaded to a GL texture (all mip levels, converted from
// 16-bit and palette formats) when a draw or blit needs them. Z-buffers are renderbuffers.
// The primary surface stands for the window: blits to it and flips show pictures there.
class GlSurface : public SoftSurface {
public:
    GlSurface(GlGraphics* g, SurfaceKind kind, const SurfaceDesc& resolved);
    ~GlSurface() override;

    Result SyncToCpu(bool forRead) override;
    // Pixels written into the primary surface (a movie decoded into the front buffer) are
    // shown at once, as they would be on the screen.
    void CpuChanged() override;

    bool IsFbo() const {
        return Kind() == SurfaceKind::RenderTarget || Kind() == SurfaceKind::BackBuffer;
    }
    // The GL texture holding the surface's current pixels; with a colour key, a copy whose
    // texels inside the key are clear. 0 on failure.
    GLuint Texture(const ColorKey* key);
    // Uploads pending CPU changes and binds the surface's framebuffer object.
    Result BindAsTarget();
    // The GPU copy changed (drawn, cleared, blitted into).
    void GpuWritten() { m_gpuNewer = true; }
    GLuint DepthBuffer();
    uint32_t Levels() const;
    // Sampler state last set on each texture, so that a device sends it only on change.
    uint64_t& SamplerKey(bool keyed) { return keyed ? m_keyedSampler : m_sampler; }

protected:
    Result DoBlt(const Rect& dest, SoftSurface* src, const Rect& srcRect, bool keyed, ColorKey key,
                 bool mirrorLr, bool mirrorUd) override;
    Result DoColorFill(const Rect& dest, uint32_t raw) override;
    Result DoFlip(SoftSurface* target) override;
    void OnZBufferChanged() override { ++m_zVersion; }

private:
    struct Fbo {
        void* context;
        GLuint fbo;
        uint32_t zVersion;
    };
    GlGraphics* G() const;
    GLuint Framebuffer();
    void AllocTargetTexture();
    void UploadTarget();
    Result Readback();
    void UploadChain(GLuint& tex, bool keyed, const ColorKey* key);
    Result PresentBlt(const Rect& dest, GlSurface* src, const Rect& srcRect);

    GLuint m_tex = 0;
    GLuint m_keyedTex = 0;
    GLuint m_rb = 0;
    std::vector<Fbo> m_fbos;
    uint32_t m_zVersion = 1;
    bool m_gpuNewer = false;
    uint32_t m_uploaded = 0;  // CPU version the main texture holds
    uint32_t m_levelsAllocated = 0;
    uint32_t m_paletteStamp = 0;
    uint32_t m_keyedUploaded = 0;  // CPU version the keyed texture holds
    ColorKey m_keyedKey;
    uint32_t m_keyedPaletteStamp = 0;
    uint64_t m_sampler = 0, m_keyedSampler = 0;
};

}  // namespace plat::gfx
