#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/gfx/Backend.h"
#include "platform/gfx/CallLog.h"
#include "platform/gfx/GfxConfig.h"

namespace plat::gfx {

class Surface;
class SoftDevice;
class SoftGraphics;

// A failure to inject: the named call ("Graphics::CreateSurface", "Surface::Flip",
// "Graphics3D::CreateDevice", "Backend::CreateGraphics", ... as in the call log) answers
// result instead of running, after skip matching calls, for times calls (-1: always).
// For CreateSurface, capsMask restricts it to descriptions holding all those caps.
struct Fault {
    std::string call;
    Result result = Result::Generic;
    uint32_t capsMask = 0;
    int skip = 0;
    int times = 1;
};

// Common base of the back ends built on the software model of surfaces and devices (the null
// back end and the OpenGL one): the machine they present, their call log, injected faults and
// the simulation of lost surfaces and texture-memory pressure.
class SoftBackend : public Backend {
public:
    explicit SoftBackend(GfxConfig config);
    ~SoftBackend() override;

    const GfxConfig& Config() const { return m_config; }
    CallLog& Log() { return m_log; }

    Result EnumerateDrivers(const DriverCallback& callback, uint32_t flags) override;
    Result CreateGraphics(const DriverGuid* guid, Graphics** graphics) override;
    Result QueryCursorCaps(uint32_t* caps) override;

    void InjectFault(Fault fault);
    void ClearFaults();
    // Ok, or the injected result for this call (consumes one matching fault).
    Result CheckFault(const char* call, uint32_t caps = 0);

    // Loses every surface of every live graphics object (as a mode switch would).
    void LoseAllSurfaces();
    static void LoseSurface(Surface* surface);
    // Changes the texture budget of live and future graphics objects.
    void SetTextureMemory(uint32_t bytes);

    // Replaces the devices' own stage validation (tests of callers that probe the device);
    // an empty hook restores it.
    using ValidateHook = std::function<Result(const SoftDevice& device, uint32_t* passes)>;
    void SetValidateHook(ValidateHook hook);
    ValidateHook GetValidateHook();

    // Bookkeeping of live graphics objects (called by SoftGraphics).
    void Register(SoftGraphics* g);
    void Unregister(SoftGraphics* g);

protected:
    // Makes the graphics object for one driver of the configuration.
    virtual SoftGraphics* MakeGraphics(const GfxConfig::Driver& driver) = 0;

private:
    GfxConfig m_config;
    CallLog m_log;
    std::mutex m_mutex;
    std::vector<Fault> m_faults;
    bool m_anyFaults = false;
    ValidateHook m_validate;
    std::vector<SoftGraphics*> m_live;
};

}  // namespace plat::gfx
