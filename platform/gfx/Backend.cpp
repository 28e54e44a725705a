#include "platform/gfx/Backend.h"

#include <mutex>

#include "platform/gfx/NullBackend.h"
#include "platform/sys/DebugOutput.h"

namespace plat::gfx {

namespace {
struct Registry {
    std::mutex mutex;
    std::shared_ptr<Backend> installed;
    std::shared_ptr<Backend> fallback;
    Backend::Factory factory = nullptr;
};
Registry& GetRegistry() {
    static Registry r;
    return r;
}
}  // namespace

Backend& Backend::Current() {
    Registry& r = GetRegistry();
    std::lock_guard<std::mutex> lock(r.mutex);
    if (r.installed) return *r.installed;
    if (!r.fallback) {
        if (r.factory) r.fallback = r.factory();
        if (!r.fallback) {
            DebugOutput::Write("Graphics: no display back end linked; using the null back end\n");
            r.fallback = std::make_shared<NullBackend>();
        }
    }
    return *r.fallback;
}

std::shared_ptr<Backend> Backend::Install(std::shared_ptr<Backend> backend) {
    Registry& r = GetRegistry();
    std::lock_guard<std::mutex> lock(r.mutex);
    std::shared_ptr<Backend> previous = std::move(r.installed);
    r.installed = std::move(backend);
    return previous;
}

void Backend::RegisterDefault(Factory factory) {
    Registry& r = GetRegistry();
    std::lock_guard<std::mutex> lock(r.mutex);
    r.factory = factory;
}

}  // namespace plat::gfx
