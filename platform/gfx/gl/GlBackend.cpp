#include "platform/gfx/gl/GlBackend.h"

#include <SDL.h>

#include <mutex>

#include "platform/gfx/gl/GlGraphics.h"
#include "platform/window/WindowSystem.h"

namespace plat::gfx {

namespace {
// Linking this back end makes it the process's default.
const bool kRegistered = [] {
    Backend::RegisterDefault([]() -> std::shared_ptr<Backend> {
        if (!GlBackend::Available()) return nullptr;
        return std::make_shared<GlBackend>();
    });
    return true;
}();
}  // namespace

GlBackend::GlBackend(GfxConfig config) : SoftBackend(std::move(config)) {
    (void)kRegistered;
    Log().SetEnabled(false);
}

SoftGraphics* GlBackend::MakeGraphics(const GfxConfig::Driver& driver) {
    return new GlGraphics(this, Config(), driver);
}

void GlBackend::Finish(Graphics* graphics) {
    if (auto* g = dynamic_cast<GlGraphics*>(graphics)) g->Finish();
}

bool GlBackend::Available(std::string* why) {
    static std::once_flag once;
    static bool ok = false;
    static std::string reason;
    std::call_once(once, [] {
        if (!WindowSystem::Init()) {
            reason = std::string("no video driver: ") + SDL_GetError();
            return;
        }
        if (WindowSystem::IsHeadless()) {
            reason =
                std::string("video driver \"") + SDL_GetCurrentVideoDriver() + "\" has no display";
            return;
        }
        SDL_Window* w = SDL_CreateWindow("", 0, 0, 1, 1, SDL_WINDOW_HIDDEN | SDL_WINDOW_OPENGL);
        if (!w) {
            reason = std::string("no OpenGL window: ") + SDL_GetError();
            return;
        }
        void* previousContext = SDL_GL_GetCurrentContext();
        SDL_Window* previousWindow = SDL_GL_GetCurrentWindow();
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
        SDL_GL_SetAttribute(SDL_GL_SHARE_WITH_CURRENT_CONTEXT, 0);
        SDL_GLContext ctx = SDL_GL_CreateContext(w);
        if (!ctx) {
            reason = std::string("no OpenGL context: ") + SDL_GetError();
        } else {
            ok = SDL_GL_ExtensionSupported("GL_ARB_framebuffer_object") == SDL_TRUE ||
                 SDL_GL_ExtensionSupported("GL_EXT_framebuffer_object") == SDL_TRUE;
            if (!ok) reason = "OpenGL without framebuffer objects";
            SDL_GL_DeleteContext(ctx);
        }
        SDL_DestroyWindow(w);
        if (previousContext) SDL_GL_MakeCurrent(previousWindow, previousContext);
    });
    if (why) *why = reason;
    return ok;
}

}  // namespace plat::gfx
