#include "platform/gfx/SoftClipper.h"

namespace plat::gfx {

SoftClipper::SoftClipper(SoftGraphics* g)
    : m_g(g), m_gRef(Ref<SoftGraphics>::Share(g)), m_id(g->NextId()) {}

Result SoftClipper::SetWindow(uint32_t flags, Window* window) {
    SoftGraphics::Scope scope(m_g);
    Result r = m_g->Fault("Clipper::SetWindow");
    if (r == Result::Ok && !window) r = Result::InvalidParams;
    if (r == Result::Ok) m_window = window;
    return m_g->Trace(r, "Clipper::SetWindow(Clipper#%u, 0x%x, %p)", m_id, flags,
                      static_cast<void*>(window));
}

Result SoftClipper::GetWindow(Window** window) {
    SoftGraphics::Scope scope(m_g);
    Result r = window ? Result::Ok : Result::InvalidParams;
    if (window) *window = m_window;
    return m_g->Trace(r, "Clipper::GetWindow(Clipper#%u)", m_id);
}

}  // namespace plat::gfx
