#pragma once
#include <cstdint>
#include <memory>

#include "platform/gfx/GfxTypes.h"

namespace plat::gfx {

class Graphics;

// Where graphics objects come from: the drivers of the machine and the object of one of them.
// One back end serves the process; the OpenGL back end is the default when it is linked,
// tests install the null back end.
class Backend {
public:
    virtual ~Backend() = default;
    virtual const char* Name() const = 0;
    // Calls back once per driver; the primary display driver comes with a null guid.
    virtual Result EnumerateDrivers(const DriverCallback& callback, uint32_t flags) = 0;
    // A null guid asks for the primary display driver.
    virtual Result CreateGraphics(const DriverGuid* guid, Graphics** graphics) = 0;
    // What the hardware pointer can show (CursorCapBits), asked once at window creation.
    virtual Result QueryCursorCaps(uint32_t* caps) = 0;

    // The process's back end: the installed one, else the registered default, else a null
    // back end (with a debug message saying so).
    static Backend& Current();
    // Installs a back end (null: go back to the default); returns the previous one.
    static std::shared_ptr<Backend> Install(std::shared_ptr<Backend> backend);
    // A linked back end names itself as the default through this.
    using Factory = std::shared_ptr<Backend> (*)();
    static void RegisterDefault(Factory factory);
};

}  // namespace plat::gfx
