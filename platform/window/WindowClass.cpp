#include "platform/window/WindowClass.h"

#include <memory>
#include <vector>

#include "platform/sys/StringCompare.h"

namespace plat {

namespace {
std::vector<std::unique_ptr<WindowClassDesc>>& Classes() {
    static std::vector<std::unique_ptr<WindowClassDesc>> c;
    return c;
}
}  // namespace

bool WindowClass::Register(const WindowClassDesc& desc) {
    if (desc.name.empty() || Find(desc.name.c_str())) return false;
    Classes().push_back(std::make_unique<WindowClassDesc>(desc));
    return true;
}

bool WindowClass::Unregister(const char* name) {
    auto& c = Classes();
    for (auto it = c.begin(); it != c.end(); ++it) {
        if (StrICmp((*it)->name.c_str(), name) == 0) {
            c.erase(it);
            return true;
        }
    }
    return false;
}

const WindowClassDesc* WindowClass::Find(const char* name) {
    if (!name) return nullptr;
    for (const auto& d : Classes())
        if (StrICmp(d->name.c_str(), name) == 0) return d.get();
    return nullptr;
}

}  // namespace plat
