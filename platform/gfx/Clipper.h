#pragma once
#include "platform/gfx/GfxTypes.h"
#include "platform/gfx/RefCounted.h"

namespace plat::gfx {

// Clips blits to a primary surface to the client area of a window.
class Clipper : public RefCounted {
public:
    virtual Result SetWindow(uint32_t flags, Window* window) = 0;
    virtual Result GetWindow(Window** window) = 0;
};

}  // namespace plat::gfx
