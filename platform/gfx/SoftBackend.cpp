#include "platform/gfx/SoftBackend.h"

#include <algorithm>

#include "platform/gfx/SoftGraphics.h"
#include "platform/gfx/SoftSurface.h"

namespace plat::gfx {

SoftBackend::SoftBackend(GfxConfig config) : m_config(std::move(config)) {}

SoftBackend::~SoftBackend() {
    std::lock_guard<std::mutex> lock(m_mutex);
    for (SoftGraphics* g : m_live) g->DetachBackend();
}

Result SoftBackend::EnumerateDrivers(const DriverCallback& callback, uint32_t flags) {
    Result r = CheckFault("Backend::EnumerateDrivers");
    if (r == Result::Ok && !callback) r = Result::InvalidParams;
    if (r == Result::Ok) {
        for (const auto& d : m_config.drivers)
            if (!callback(d.primary ? nullptr : &d.guid, d.description.c_str(), d.name.c_str(), 0))
                break;
    }
    if (m_log.Enabled())
        m_log.Add("Backend::EnumerateDrivers(0x" + std::to_string(flags) + ") -> " + ResultName(r));
    return r;
}

Result SoftBackend::CreateGraphics(const DriverGuid* guid, Graphics** graphics) {
    Result r = CheckFault("Backend::CreateGraphics");
    if (graphics) *graphics = nullptr;
    if (r == Result::Ok && !graphics) r = Result::InvalidParams;
    const GfxConfig::Driver* driver = nullptr;
    if (r == Result::Ok) {
        for (const auto& d : m_config.drivers)
            if (guid ? (!d.primary && d.guid == *guid) : d.primary) driver = &d;
        if (!driver) r = Result::NotFound;
    }
    if (r == Result::Ok) *graphics = MakeGraphics(*driver);
    if (r == Result::Ok && !*graphics) r = Result::Generic;
    if (m_log.Enabled())
        m_log.Add(std::string("Backend::CreateGraphics(") + (guid ? "guid" : "primary") + ") -> " +
                  ResultName(r));
    return r;
}

Result SoftBackend::QueryCursorCaps(uint32_t* caps) {
    Result r = CheckFault("Backend::QueryCursorCaps");
    if (r == Result::Ok && !caps) r = Result::InvalidParams;
    if (r == Result::Ok) *caps = m_config.cursorCaps;
    if (m_log.Enabled()) m_log.Add(std::string("Backend::QueryCursorCaps() -> ") + ResultName(r));
    return r;
}

void SoftBackend::InjectFault(Fault fault) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_faults.push_back(std::move(fault));
    m_anyFaults = true;
}

void SoftBackend::ClearFaults() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_faults.clear();
    m_anyFaults = false;
}

Result SoftBackend::CheckFault(const char* call, uint32_t caps) {
    if (!m_anyFaults) return Result::Ok;
    std::lock_guard<std::mutex> lock(m_mutex);
    for (auto it = m_faults.begin(); it != m_faults.end(); ++it) {
        if (it->call != call || (it->capsMask & caps) != it->capsMask) continue;
        if (it->skip > 0) {
            --it->skip;
            continue;
        }
        Result r = it->result;
        if (it->times > 0 && --it->times == 0) m_faults.erase(it);
        m_anyFaults = !m_faults.empty();
        return r;
    }
    return Result::Ok;
}

void SoftBackend::LoseAllSurfaces() {
    std::vector<SoftGraphics*> live;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        live = m_live;
    }
    for (SoftGraphics* g : live) g->LoseAllSurfaces();
}

void SoftBackend::LoseSurface(Surface* surface) {
    if (auto* s = dynamic_cast<SoftSurface*>(surface)) {
        SoftGraphics::Scope scope(s->Graphics());
        s->SetLost(true);
    }
}

void SoftBackend::SetTextureMemory(uint32_t bytes) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_config.textureMemory = bytes;
    for (SoftGraphics* g : m_live) g->SetTextureBudget(bytes);
}

void SoftBackend::SetValidateHook(ValidateHook hook) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_validate = std::move(hook);
}

SoftBackend::ValidateHook SoftBackend::GetValidateHook() {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_validate;
}

void SoftBackend::Register(SoftGraphics* g) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_live.push_back(g);
}

void SoftBackend::Unregister(SoftGraphics* g) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_live.erase(std::remove(m_live.begin(), m_live.end(), g), m_live.end());
}

}  // namespace plat::gfx
