#pragma once
#include "platform/gfx/Clipper.h"
#include "platform/gfx/Ref.h"
#include "platform/gfx/SoftGraphics.h"

namespace plat::gfx {

// Remembers the window whose client area bounds blits to the primary surface.
class SoftClipper : public Clipper {
public:
    explicit SoftClipper(SoftGraphics* g);
    Result SetWindow(uint32_t flags, Window* window) override;
    Result GetWindow(Window** window) override;
    Window* TargetWindow() const { return m_window; }

private:
    SoftGraphics* m_g;
    Ref<SoftGraphics> m_gRef;
    uint32_t m_id;
    Window* m_window = nullptr;
};

}  // namespace plat::gfx
