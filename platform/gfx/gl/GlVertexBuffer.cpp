#include "platform/gfx/gl/GlVertexBuffer.h"

#include "platform/gfx/gl/GlGraphics.h"

namespace plat::gfx {

GlVertexBuffer::GlVertexBuffer(GlGraphics* g, const VertexBufferDesc& desc)
    : SoftVertexBuffer(g, desc), m_glg(g) {}

GlVertexBuffer::~GlVertexBuffer() {
    SoftGraphics::Scope scope(m_glg);
    if (m_vbo && m_glg->HasContext()) Gl().DeleteBuffers(1, &m_vbo);
}

GLuint GlVertexBuffer::Bind() {
    if (!m_glg->HasContext()) return 0;
    GlApi& gl = Gl();
    if (!m_vbo) gl.GenBuffers(1, &m_vbo);
    gl.BindBuffer(GL_ARRAY_BUFFER, m_vbo);
    if (m_uploaded != Version()) {
        gl.BufferData(GL_ARRAY_BUFFER,
                      static_cast<GLsizeiptr>(static_cast<size_t>(Stride()) * Count()), Data(),
                      IsOptimized() ? GL_STATIC_DRAW : GL_DYNAMIC_DRAW);
        m_uploaded = Version();
        m_glg->Touched();
    }
    return m_vbo;
}

}  // namespace plat::gfx
