#pragma once
#include "platform/gfx/SoftBackend.h"

namespace plat::gfx {

// The recording null back end: surfaces live in memory (lock, blit, load and flip work on the
// pixels), devices keep every state they are given and count draws without drawing, and every
// call is written to the call log. Caps, formats, modes and drivers come from the GfxConfig;
// failures, lost surfaces and texture-memory exhaustion are injected through SoftBackend.
class NullBackend : public SoftBackend {
public:
    explicit NullBackend(GfxConfig config = GfxConfig::Standard());
    const char* Name() const override { return "null"; }

protected:
    SoftGraphics* MakeGraphics(const GfxConfig::Driver& driver) override;
};

}  // namespace plat::gfx
