#pragma once
#include <cstdint>
#include <thread>
#include <vector>

#include "platform/gfx/SoftGraphics.h"
#include "platform/gfx/gl/GlApi.h"

namespace plat::gfx {

class GlSurface;

// A graphics object drawing through OpenGL on the window of its cooperative level. Each thread
// that calls it gets its own context, all sharing textures and buffers; the object's lock keeps
// one thread at a time, and the outermost call of a thread makes that thread's context current.
// Framebuffer objects are not shared between contexts, so surfaces keep one per context.
class GlGraphics : public SoftGraphics {
public:
    GlGraphics(SoftBackend* backend, const GfxConfig& config, const GfxConfig::Driver& driver);
    ~GlGraphics() override;

    SoftSurface* NewSurface(SurfaceKind kind, const SurfaceDesc& resolved) override;
    SoftDevice* NewDevice(SoftGraphics3D* g3d, DeviceType type, SoftSurface* target,
                          const DeviceDesc& caps) override;
    SoftVertexBuffer* NewVertexBuffer(const VertexBufferDesc& desc) override;
    bool CanRestoreSurfaces() const override;

    // Whether GL can be used: a context exists and its window is still there.
    bool HasContext() const { return m_primary != nullptr && m_usable; }
    // The context current on this thread (for per-context objects).
    void* CurrentContext() const;
    // Raised whenever GL state was changed behind the devices' backs (blits, context switches);
    // a device seeing a new value sends its whole state again.
    uint32_t StateEpoch() const { return m_epoch; }
    void BumpStateEpoch() { ++m_epoch; }
    // A GL command was issued during this call.
    void Touched() { m_touched = true; }
    // A device entered or left a scene; commands are sent off when no scene is open.
    void SceneChanged(bool entered) { m_openScenes += entered ? 1 : -1; }
    // Deletes a framebuffer object of some context (now, or when that context is next current).
    void DeleteFramebuffer(void* context, GLuint fbo);

    // Binds a framebuffer object of the current context (0: the window), skipping repeats.
    void BindFramebuffer(GLuint fbo);

    GLuint WhiteTexture();
    // Draws a texture rectangle (texture coordinates s0,t0-s1,t1) into window rectangle
    // x0,y0-x1,y1 of the bound framebuffer of size fbW x fbH; y runs down the framebuffer's rows
    // (flipY for the window's own framebuffer, whose rows run up).
    void DrawTexturedQuad(GLuint texture, float s0, float t0, float s1, float t1, int x0, int y0,
                          int x1, int y1, int fbW, int fbH, bool flipY, bool alphaTest);
    // Shows a rectangle of a surface in a client rectangle of the window and swaps.
    Result Present(GlSurface* src, const Rect& srcRect, const Rect& clientRect);
    // Waits for every GL command to finish (tests and benchmarks).
    void Finish();
    // Logs GL errors raised since the last check.
    void CheckErrors(const char* where);

protected:
    void Enter() override;
    void Leave() override;
    Result OnCooperativeLevel(Window* window, uint32_t flags) override;
    Result OnDisplayMode(bool set, uint32_t width, uint32_t height, uint32_t bits) override;

private:
    struct ThreadContext {
        std::thread::id thread;
        void* context;
    };
    struct PendingDelete {
        void* context;
        GLuint fbo;
    };
    void* ContextForThisThread();

    void* m_sdlWindow = nullptr;
    Window* m_glWindow = nullptr;
    void* m_primary = nullptr;
    void* m_spare = nullptr;
    void* m_lastContext = nullptr;
    std::vector<ThreadContext> m_contexts;
    std::vector<PendingDelete> m_pendingDeletes;
    bool m_touched = false;
    int m_openScenes = 0;
    bool m_lostMarked = false;
    bool m_usable = true;
    uint32_t m_epoch = 1;
    uint32_t m_fboEpoch = 0;
    GLuint m_boundFbo = 0;
    GLuint m_white = 0;
    GLsync m_fence = nullptr;  // end of the last call that drew, when several contexts draw
};

}  // namespace plat::gfx
