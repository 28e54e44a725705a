#include "platform/gfx/gl/GlGraphics.h"

#include <SDL.h>

#include <algorithm>

#include "platform/gfx/gl/GlDevice.h"
#include "platform/gfx/gl/GlSurface.h"
#include "platform/gfx/gl/GlVertexBuffer.h"
#include "platform/sys/DebugOutput.h"
#include "platform/window/Window.h"
#include "platform/window/WindowSystem.h"

namespace plat::gfx {

namespace {
SDL_Window* Win(void* w) {
    return static_cast<SDL_Window*>(w);
}
}  // namespace

GlGraphics::GlGraphics(SoftBackend* backend, const GfxConfig& config,
                       const GfxConfig::Driver& driver)
    : SoftGraphics(backend, config, driver) {
    // The windowed primary surface is the real screen, so that blits in screen coordinates
    // reach a window wherever it is.
    SDL_DisplayMode d;
    if (WindowSystem::Init() && SDL_GetDesktopDisplayMode(0, &d) == 0 && d.w > 0 && d.h > 0)
        SetDesktop({static_cast<uint32_t>(d.w), static_cast<uint32_t>(d.h), config.desktop.bitsPerPixel});
}

GlGraphics::~GlGraphics() {
    if (!m_primary) return;
    if (m_glWindow && Window::IsWindow(m_glWindow)) {
        SDL_GL_MakeCurrent(Win(m_sdlWindow), m_primary);
        if (m_white) glDeleteTextures(1, &m_white);
        if (m_fence) Gl().DeleteSync(m_fence);
        SDL_GL_MakeCurrent(Win(m_sdlWindow), nullptr);
    }
    for (const auto& t : m_contexts) SDL_GL_DeleteContext(t.context);
    if (m_spare) SDL_GL_DeleteContext(m_spare);
}

SoftSurface* GlGraphics::NewSurface(SurfaceKind kind, const SurfaceDesc& resolved) {
    return new GlSurface(this, kind, resolved);
}

SoftDevice* GlGraphics::NewDevice(SoftGraphics3D* g3d, DeviceType type, SoftSurface* target,
                                  const DeviceDesc& caps) {
    return new GlDevice(this, g3d, type, target, caps);
}

SoftVertexBuffer* GlGraphics::NewVertexBuffer(const VertexBufferDesc& desc) {
    return new GlVertexBuffer(this, desc);
}

bool GlGraphics::CanRestoreSurfaces() const {
    return !(IsFullScreen() && m_glWindow && Window::IsWindow(m_glWindow) &&
             m_glWindow->IsMinimized());
}

void* GlGraphics::CurrentContext() const {
    return SDL_GL_GetCurrentContext();
}

void* GlGraphics::ContextForThisThread() {
    const auto me = std::this_thread::get_id();
    for (const auto& t : m_contexts)
        if (t.thread == me) return t.context;
    if (!m_spare) return nullptr;
    // A new thread takes the spare context and leaves a fresh spare, shared with it, behind.
    void* ctx = m_spare;
    m_spare = nullptr;
    if (SDL_GL_MakeCurrent(Win(m_sdlWindow), ctx) != 0) return nullptr;
    m_contexts.push_back({me, ctx});
    SDL_GL_SetAttribute(SDL_GL_SHARE_WITH_CURRENT_CONTEXT, 1);
    m_spare = SDL_GL_CreateContext(Win(m_sdlWindow));
    SDL_GL_MakeCurrent(Win(m_sdlWindow), ctx);
    return ctx;
}

void GlGraphics::Enter() {
    if (!m_primary) return;
    // A window closed under the graphics object leaves it without GL: calls then fail softly.
    m_usable = m_glWindow && Window::IsWindow(m_glWindow);
    if (!m_usable) return;
    void* ctx = ContextForThisThread();
    if (!ctx) return;
    if (SDL_GL_GetCurrentContext() != ctx || SDL_GL_GetCurrentWindow() != Win(m_sdlWindow))
        SDL_GL_MakeCurrent(Win(m_sdlWindow), ctx);
    if (ctx != m_lastContext) {
        // The other context's commands must be done before this one uses what they made.
        if (m_fence) {
            Gl().ClientWaitSync(m_fence, 0, 10'000'000'000ull);
            Gl().DeleteSync(m_fence);
            m_fence = nullptr;
        }
        m_lastContext = ctx;
        ++m_epoch;
        for (auto it = m_pendingDeletes.begin(); it != m_pendingDeletes.end();) {
            if (it->context == ctx) {
                Gl().DeleteFramebuffers(1, &it->fbo);
                it = m_pendingDeletes.erase(it);
            } else {
                ++it;
            }
        }
    }
    // A full-screen window that was minimised has lost its surfaces, as an exclusive display
    // would.
    if (IsFullScreen() && m_glWindow && Window::IsWindow(m_glWindow)) {
        bool minimised = m_glWindow->IsMinimized();
        if (minimised && !m_lostMarked) LoseAllSurfaces();
        m_lostMarked = minimised;
    }
}

void GlGraphics::Leave() {
    // The next call may come from another thread, whose context cannot flush this one: commands
    // are sent off, with a fence marking where they end for a context taking over to wait on,
    // whenever a call leaves them behind outside a scene. Inside a scene they wait, so that a
    // frame's clears and draws reach the driver together; a scene belongs to one thread.
    if (m_touched && m_primary && m_openScenes <= 0) {
        if (m_fence) Gl().DeleteSync(m_fence);
        m_fence = Gl().FenceSync(GL_SYNC_GPU_COMMANDS_COMPLETE, 0);
        glFlush();
        m_touched = false;
    }
}

Result GlGraphics::OnCooperativeLevel(Window* window, uint32_t flags) {
    if (!window) return m_primary ? Result::Ok : Result::InvalidParams;
    if (!Window::IsWindow(window)) return Result::InvalidParams;
    SDL_Window* sw = Win(window->NativeHandle());
    if (!(SDL_GetWindowFlags(sw) & SDL_WINDOW_OPENGL)) return Result::Unsupported;
    if (!m_primary) {
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
        SDL_GL_SetAttribute(SDL_GL_SHARE_WITH_CURRENT_CONTEXT, 0);
        void* ctx = SDL_GL_CreateContext(sw);
        if (!ctx) {
            DebugOutput::Printf("Graphics: no OpenGL context: %s\n", SDL_GetError());
            return Result::Unsupported;
        }
        static bool loaded = false;
        if (!loaded) loaded = Gl().Load();
        if (!loaded) {
            DebugOutput::Write("Graphics: OpenGL lacks framebuffer objects or multitexture\n");
            SDL_GL_DeleteContext(ctx);
            return Result::Unsupported;
        }
        SDL_GL_SetSwapInterval(0);
        m_sdlWindow = sw;
        m_primary = ctx;
        m_contexts.push_back({std::this_thread::get_id(), ctx});
        SDL_GL_SetAttribute(SDL_GL_SHARE_WITH_CURRENT_CONTEXT, 1);
        m_spare = SDL_GL_CreateContext(sw);
        SDL_GL_MakeCurrent(sw, ctx);
        m_lastContext = ctx;
    } else if (sw != m_sdlWindow) {
        m_sdlWindow = sw;
        SDL_GL_MakeCurrent(sw, ContextForThisThread());
    }
    m_glWindow = window;
    if (!(flags & CoopBits::FullScreen) && window->IsFullScreen()) window->SetFullScreen(false);
    ++m_epoch;
    return Result::Ok;
}

Result GlGraphics::OnDisplayMode(bool set, uint32_t, uint32_t, uint32_t) {
    // Exclusive modes become desktop full screen; the back buffers keep the mode's size and
    // are scaled to the screen when shown.
    if (m_glWindow && Window::IsWindow(m_glWindow)) m_glWindow->SetFullScreen(set);
    return Result::Ok;
}

void GlGraphics::DeleteFramebuffer(void* context, GLuint fbo) {
    if (fbo == m_boundFbo) m_fboEpoch = 0;
    if (context == SDL_GL_GetCurrentContext())
        Gl().DeleteFramebuffers(1, &fbo);
    else
        m_pendingDeletes.push_back({context, fbo});
}

void GlGraphics::BindFramebuffer(GLuint fbo) {
    if (m_fboEpoch == m_epoch && m_boundFbo == fbo) return;
    Gl().BindFramebuffer(GL_FRAMEBUFFER, fbo);
    m_boundFbo = fbo;
    m_fboEpoch = m_epoch;
}

GLuint GlGraphics::WhiteTexture() {
    if (!m_white) {
        const uint32_t white = 0xffffffffu;
        glGenTextures(1, &m_white);
        glBindTexture(GL_TEXTURE_2D, m_white);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, 1, 1, 0, GL_BGRA, GL_UNSIGNED_BYTE, &white);
    }
    return m_white;
}

void GlGraphics::DrawTexturedQuad(GLuint texture, float s0, float t0, float s1, float t1, int x0,
                                  int y0, int x1, int y1, int fbW, int fbH, bool flipY,
                                  bool alphaTest) {
    GlApi& gl = Gl();
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_BLEND);
    glDisable(GL_FOG);
    glDisable(GL_LIGHTING);
    glDisable(GL_CULL_FACE);
    glDisable(GL_STENCIL_TEST);
    glDisable(GL_SCISSOR_TEST);
    glDisable(GL_COLOR_SUM);
    glDisable(GL_DITHER);
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    if (alphaTest) {
        glEnable(GL_ALPHA_TEST);
        glAlphaFunc(GL_GREATER, 0.0f);
    } else {
        glDisable(GL_ALPHA_TEST);
    }
    for (int u = 7; u >= 0; --u) {
        gl.ActiveTexture(GL_TEXTURE0 + static_cast<GLenum>(u));
        glDisable(GL_TEXTURE_GEN_S);
        glDisable(GL_TEXTURE_GEN_T);
        glDisable(GL_TEXTURE_GEN_R);
        glDisable(GL_TEXTURE_GEN_Q);
        glMatrixMode(GL_TEXTURE);
        glLoadIdentity();
        if (u) glDisable(GL_TEXTURE_2D);
    }
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glViewport(0, 0, fbW, fbH);
    glDepthRange(0.0, 1.0);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    if (flipY)
        glOrtho(0, fbW, fbH, 0, -1, 1);
    else
        glOrtho(0, fbW, 0, fbH, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glColor4f(1, 1, 1, 1);
    glBegin(GL_QUADS);
    glTexCoord2f(s0, t0);
    glVertex2i(x0, y0);
    glTexCoord2f(s1, t0);
    glVertex2i(x1, y0);
    glTexCoord2f(s1, t1);
    glVertex2i(x1, y1);
    glTexCoord2f(s0, t1);
    glVertex2i(x0, y1);
    glEnd();
    ++m_epoch;
    Touched();
}

Result GlGraphics::Present(GlSurface* src, const Rect& srcRect, const Rect& client) {
    if (!m_sdlWindow) return Result::NoCooperativeLevel;
    GLuint tex = src->Texture(nullptr);
    if (!tex) return Result::Generic;
    int ww = 1, wh = 1, dw = 1, dh = 1;
    SDL_GetWindowSize(Win(m_sdlWindow), &ww, &wh);
    SDL_GL_GetDrawableSize(Win(m_sdlWindow), &dw, &dh);
    const double sx = double(dw) / ww, sy = double(dh) / wh;
    BindFramebuffer(0);
    glDrawBuffer(GL_BACK);
    glDisable(GL_SCISSOR_TEST);
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    const float w = static_cast<float>(src->Width()), h = static_cast<float>(src->Height());
    DrawTexturedQuad(tex, srcRect.left / w, srcRect.top / h, srcRect.right / w, srcRect.bottom / h,
                     static_cast<int>(client.left * sx), static_cast<int>(client.top * sy),
                     static_cast<int>(client.right * sx), static_cast<int>(client.bottom * sy), dw,
                     dh, true, false);
    CheckErrors("present");
    SDL_GL_SwapWindow(Win(m_sdlWindow));
    return Result::Ok;
}

void GlGraphics::Finish() {
    Scope scope(this);
    if (m_primary) glFinish();
}

void GlGraphics::CheckErrors(const char* where) {
    for (GLenum e = glGetError(); e != GL_NO_ERROR; e = glGetError())
        DebugOutput::Printf("Graphics: OpenGL error 0x%04x in %s\n", e, where);
}

}  // namespace plat::gfx
