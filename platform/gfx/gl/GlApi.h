#pragma once
#include <GL/gl.h>
#include <GL/glext.h>

namespace plat::gfx {

// Entry points beyond OpenGL 1.1, fetched once through SDL after the first context exists.
struct GlApi {
    PFNGLACTIVETEXTUREPROC ActiveTexture = nullptr;
    PFNGLCLIENTACTIVETEXTUREARBPROC ClientActiveTexture = nullptr;
    PFNGLMULTITEXCOORD4FARBPROC MultiTexCoord4f = nullptr;
    PFNGLSECONDARYCOLORPOINTERPROC SecondaryColorPointer = nullptr;
    PFNGLFOGCOORDPOINTERPROC FogCoordPointer = nullptr;
    PFNGLGENBUFFERSPROC GenBuffers = nullptr;
    PFNGLDELETEBUFFERSPROC DeleteBuffers = nullptr;
    PFNGLBINDBUFFERPROC BindBuffer = nullptr;
    PFNGLBUFFERDATAPROC BufferData = nullptr;
    PFNGLBUFFERSUBDATAPROC BufferSubData = nullptr;
    PFNGLGENFRAMEBUFFERSPROC GenFramebuffers = nullptr;
    PFNGLDELETEFRAMEBUFFERSPROC DeleteFramebuffers = nullptr;
    PFNGLBINDFRAMEBUFFERPROC BindFramebuffer = nullptr;
    PFNGLFRAMEBUFFERTEXTURE2DPROC FramebufferTexture2D = nullptr;
    PFNGLFRAMEBUFFERRENDERBUFFERPROC FramebufferRenderbuffer = nullptr;
    PFNGLCHECKFRAMEBUFFERSTATUSPROC CheckFramebufferStatus = nullptr;
    PFNGLGENRENDERBUFFERSPROC GenRenderbuffers = nullptr;
    PFNGLDELETERENDERBUFFERSPROC DeleteRenderbuffers = nullptr;
    PFNGLBINDRENDERBUFFERPROC BindRenderbuffer = nullptr;
    PFNGLRENDERBUFFERSTORAGEPROC RenderbufferStorage = nullptr;
    PFNGLBLITFRAMEBUFFERPROC BlitFramebuffer = nullptr;
    PFNGLFENCESYNCPROC FenceSync = nullptr;
    PFNGLCLIENTWAITSYNCPROC ClientWaitSync = nullptr;
    PFNGLDELETESYNCPROC DeleteSync = nullptr;
    PFNGLPROVOKINGVERTEXPROC ProvokingVertex = nullptr;  // optional
    bool fogDistance = false;                            // GL_NV_fog_distance

    // Loads the entry points; false when a required one is missing. Needs a current context.
    bool Load();
};

// The process's entry points (loaded by the first context).
GlApi& Gl();

}  // namespace plat::gfx
