#pragma once
#include <string>

#include "platform/gfx/Graphics.h"
#include "platform/gfx/SoftBackend.h"

namespace plat::gfx {

// The OpenGL back end: graphics objects draw through an OpenGL compatibility-profile context
// on the window given to SetCooperativeLevel (SDL2). It presents the machine of
// GfxConfig::Standard() unless told otherwise, and is the process's default back end when
// linked. The fixed-function device states map onto the GL fixed-function pipeline; surfaces
// become GL textures, framebuffer objects or CPU memory uploaded on unlock.
class GlBackend : public SoftBackend {
public:
    explicit GlBackend(GfxConfig config = GfxConfig::Standard());
    const char* Name() const override { return "opengl"; }

    // Whether an OpenGL context can be made here (a display can be opened); why says why not.
    static bool Available(std::string* why = nullptr);
    // Waits until every command given to a graphics object of this back end is done
    // (benchmarks and tests).
    static void Finish(Graphics* graphics);

protected:
    SoftGraphics* MakeGraphics(const GfxConfig::Driver& driver) override;
};

}  // namespace plat::gfx
