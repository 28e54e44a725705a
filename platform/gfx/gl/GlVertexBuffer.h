#pragma once
#include "platform/gfx/SoftVertexBuffer.h"
#include "platform/gfx/gl/GlApi.h"

namespace plat::gfx {

class GlGraphics;

// A vertex buffer mirrored in a GL buffer object, uploaded when its contents changed.
class GlVertexBuffer : public SoftVertexBuffer {
public:
    GlVertexBuffer(GlGraphics* g, const VertexBufferDesc& desc);
    ~GlVertexBuffer() override;
    // Binds the GL buffer (uploading first if needed); 0 when there is none.
    GLuint Bind();

private:
    GlGraphics* m_glg;
    GLuint m_vbo = 0;
    uint32_t m_uploaded = 0;
};

}  // namespace plat::gfx
