#include "platform/gfx/NullBackend.h"

#include "platform/gfx/SoftGraphics.h"

namespace plat::gfx {

NullBackend::NullBackend(GfxConfig config) : SoftBackend(std::move(config)) {}

SoftGraphics* NullBackend::MakeGraphics(const GfxConfig::Driver& driver) {
    return new SoftGraphics(this, Config(), driver);
}

}  // namespace plat::gfx
