#include "platform/gfx/gl/GlDirectMesh.h"

#include <SDL.h>

#include "platform/gfx/gl/GlApi.h"
#include "platform/window/Window.h"

namespace plat::gfx {

namespace {
SDL_Window* Sdl(Window* w) {
    return static_cast<SDL_Window*>(w->NativeHandle());
}
}  // namespace

GlDirectMesh::GlDirectMesh(Window* window) : m_window(window) {}

GlDirectMesh::~GlDirectMesh() {
    if (!m_context) return;
    SDL_GL_MakeCurrent(Sdl(m_window), m_context);
    GlApi& gl = Gl();
    if (m_fbo) gl.DeleteFramebuffers(1, &m_fbo);
    if (m_depth) gl.DeleteRenderbuffers(1, &m_depth);
    if (m_vbo) gl.DeleteBuffers(1, &m_vbo);
    if (m_color) glDeleteTextures(1, &m_color);
    if (m_texture) glDeleteTextures(1, &m_texture);
    SDL_GL_MakeCurrent(Sdl(m_window), nullptr);
    SDL_GL_DeleteContext(m_context);
}

bool GlDirectMesh::Init(const Setup& s) {
    m_setup = s;
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
    SDL_GL_SetAttribute(SDL_GL_SHARE_WITH_CURRENT_CONTEXT, 0);
    m_context = SDL_GL_CreateContext(Sdl(m_window));
    if (!m_context) return false;
    GlApi& gl = Gl();
    if (!gl.GenFramebuffers && !gl.Load()) return false;
    glGenTextures(1, &m_color);
    glBindTexture(GL_TEXTURE_2D, m_color);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB8, static_cast<GLsizei>(s.width),
                 static_cast<GLsizei>(s.height), 0, GL_BGRA, GL_UNSIGNED_BYTE, nullptr);
    gl.GenRenderbuffers(1, &m_depth);
    gl.BindRenderbuffer(GL_RENDERBUFFER, m_depth);
    gl.RenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH24_STENCIL8, static_cast<GLsizei>(s.width),
                           static_cast<GLsizei>(s.height));
    gl.GenFramebuffers(1, &m_fbo);
    gl.BindFramebuffer(GL_FRAMEBUFFER, m_fbo);
    gl.FramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, m_color, 0);
    gl.FramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, m_depth);
    if (gl.CheckFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE) return false;

    glGenTextures(1, &m_texture);
    glBindTexture(GL_TEXTURE_2D, m_texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB565, static_cast<GLsizei>(s.texSize),
                 static_cast<GLsizei>(s.texSize), 0, GL_RGB, GL_UNSIGNED_SHORT_5_6_5, s.texture565);
    gl.GenBuffers(1, &m_vbo);
    gl.BindBuffer(GL_ARRAY_BUFFER, m_vbo);
    gl.BufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(s.vertexCount) * 32, s.vertices,
                  GL_STATIC_DRAW);

    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glEnable(GL_CULL_FACE);
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    const float pos[4] = {s.lightDirection[0], s.lightDirection[1], s.lightDirection[2], 0};
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glLightfv(GL_LIGHT0, GL_POSITION, pos);
    glLightfv(GL_LIGHT0, GL_DIFFUSE, s.lightDiffuse);
    const float none[4] = {0, 0, 0, 1};
    glLightModelfv(GL_LIGHT_MODEL_AMBIENT, none);
    glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, none);
    glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, s.materialDiffuse);
    glEnable(GL_TEXTURE_2D);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glMatrixMode(GL_PROJECTION);
    glLoadMatrixf(s.projection);
    glMatrixMode(GL_MODELVIEW);
    glLoadMatrixf(s.modelView);
    glViewport(0, 0, static_cast<GLsizei>(s.width), static_cast<GLsizei>(s.height));
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_NORMAL_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glVertexPointer(3, GL_FLOAT, 32, nullptr);
    glNormalPointer(GL_FLOAT, 32, reinterpret_cast<const void*>(12));
    glTexCoordPointer(2, GL_FLOAT, 32, reinterpret_cast<const void*>(24));
    return glGetError() == GL_NO_ERROR;
}

void GlDirectMesh::Draw() {
    if (SDL_GL_GetCurrentContext() != m_context) SDL_GL_MakeCurrent(Sdl(m_window), m_context);
    glClearColor(0, 0, 0, 1);
    glClearDepth(1.0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(m_setup.indexCount), GL_UNSIGNED_SHORT,
                   m_setup.indices);
}

void GlDirectMesh::Finish() {
    if (SDL_GL_GetCurrentContext() != m_context) SDL_GL_MakeCurrent(Sdl(m_window), m_context);
    glFinish();
}

uint32_t GlDirectMesh::CentrePixel() {
    if (SDL_GL_GetCurrentContext() != m_context) SDL_GL_MakeCurrent(Sdl(m_window), m_context);
    uint32_t px = 0;
    glReadPixels(static_cast<GLint>(m_setup.width / 2), static_cast<GLint>(m_setup.height / 2), 1,
                 1, GL_BGRA, GL_UNSIGNED_BYTE, &px);
    return px & 0xffffff;
}

}  // namespace plat::gfx
