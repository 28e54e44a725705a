#include "platform/gfx/gl/GlApi.h"

#include <SDL.h>

#include <cstring>

namespace plat::gfx {

GlApi& Gl() {
    static GlApi api;
    return api;
}

bool GlApi::Load() {
    auto get = [](const char* name) { return SDL_GL_GetProcAddress(name); };
#define LOAD(field, name) field = reinterpret_cast<decltype(field)>(get(name))
    LOAD(ActiveTexture, "glActiveTexture");
    LOAD(ClientActiveTexture, "glClientActiveTexture");
    LOAD(MultiTexCoord4f, "glMultiTexCoord4f");
    LOAD(SecondaryColorPointer, "glSecondaryColorPointer");
    LOAD(FogCoordPointer, "glFogCoordPointer");
    LOAD(GenBuffers, "glGenBuffers");
    LOAD(DeleteBuffers, "glDeleteBuffers");
    LOAD(BindBuffer, "glBindBuffer");
    LOAD(BufferData, "glBufferData");
    LOAD(BufferSubData, "glBufferSubData");
    LOAD(GenFramebuffers, "glGenFramebuffers");
    LOAD(DeleteFramebuffers, "glDeleteFramebuffers");
    LOAD(BindFramebuffer, "glBindFramebuffer");
    LOAD(FramebufferTexture2D, "glFramebufferTexture2D");
    LOAD(FramebufferRenderbuffer, "glFramebufferRenderbuffer");
    LOAD(CheckFramebufferStatus, "glCheckFramebufferStatus");
    LOAD(GenRenderbuffers, "glGenRenderbuffers");
    LOAD(DeleteRenderbuffers, "glDeleteRenderbuffers");
    LOAD(BindRenderbuffer, "glBindRenderbuffer");
    LOAD(RenderbufferStorage, "glRenderbufferStorage");
    LOAD(BlitFramebuffer, "glBlitFramebuffer");
    LOAD(FenceSync, "glFenceSync");
    LOAD(ClientWaitSync, "glClientWaitSync");
    LOAD(DeleteSync, "glDeleteSync");
    LOAD(ProvokingVertex, "glProvokingVertex");
#undef LOAD
    fogDistance = SDL_GL_ExtensionSupported("GL_NV_fog_distance") == SDL_TRUE;
    return ActiveTexture && ClientActiveTexture && MultiTexCoord4f && SecondaryColorPointer &&
           FogCoordPointer && GenBuffers && DeleteBuffers && BindBuffer && BufferData &&
           BufferSubData && GenFramebuffers && DeleteFramebuffers && BindFramebuffer &&
           FramebufferTexture2D && FramebufferRenderbuffer && CheckFramebufferStatus &&
           GenRenderbuffers && DeleteRenderbuffers && BindRenderbuffer && RenderbufferStorage &&
           BlitFramebuffer && FenceSync && ClientWaitSync && DeleteSync;
}

}  // namespace plat::gfx
