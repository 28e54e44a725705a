#include "platform/window/DisplaySettings.h"

#include <SDL.h>

#include <mutex>

#include "platform/window/Window.h"
#include "platform/window/WindowSystem.h"

namespace plat {

namespace {
constexpr uint32_t kSizes[][2] = {{512, 384},  {640, 480},  {800, 600},  {1024, 768},
                                  {1152, 864}, {1280, 960}, {1280, 1024}};
constexpr uint32_t kCount = sizeof(kSizes) / sizeof(kSizes[0]) * 2;

struct State {
    std::mutex mutex;
    bool changed = false;
    DisplayMode mode;
};
State& S() {
    static State s;
    return s;
}

bool Listed(const DisplayMode& m) {
    for (uint32_t i = 0; i < kCount; ++i) {
        DisplayMode l;
        DisplaySettings::EnumMode(i, l);
        if (l.width == m.width && l.height == m.height && l.bitsPerPixel == m.bitsPerPixel)
            return true;
    }
    return false;
}
}  // namespace

bool DisplaySettings::EnumMode(uint32_t index, DisplayMode& mode) {
    if (index >= kCount) return false;
    mode = {kSizes[index / 2][0], kSizes[index / 2][1], (index % 2) ? 32u : 16u, 60};
    return true;
}

bool DisplaySettings::Current(DisplayMode& mode) {
    {
        State& s = S();
        std::lock_guard<std::mutex> lock(s.mutex);
        if (s.changed) {
            mode = s.mode;
            return true;
        }
    }
    mode = {1280, 1024, 32, 60};
    if (!WindowSystem::Init()) return true;
    SDL_DisplayMode d;
    if (SDL_GetDesktopDisplayMode(0, &d) != 0) return true;
    uint32_t bits = SDL_BITSPERPIXEL(d.format);
    mode = {static_cast<uint32_t>(d.w), static_cast<uint32_t>(d.h), bits <= 16 ? 16u : 32u,
            d.refresh_rate > 0 ? static_cast<uint32_t>(d.refresh_rate) : 60u};
    return true;
}

DisplayChange DisplaySettings::Change(const DisplayMode* mode, uint32_t flags) {
    State& s = S();
    if (!mode) {
        if (flags & DisplayChangeBits::Test) return DisplayChange::Successful;
        for (Window* w : WindowSystem::Windows())
            if (w->IsFullScreen()) w->SetFullScreen(false);
        std::lock_guard<std::mutex> lock(s.mutex);
        s.changed = false;
        return DisplayChange::Successful;
    }
    if (!Listed(*mode)) return DisplayChange::BadMode;
    if (flags & DisplayChangeBits::Test) return DisplayChange::Successful;
    bool ok = true;
    for (Window* w : WindowSystem::Windows()) ok = w->SetFullScreen(true) && ok;
    if (!ok && !WindowSystem::IsHeadless()) return DisplayChange::Failed;
    std::lock_guard<std::mutex> lock(s.mutex);
    s.changed = true;
    s.mode = *mode;
    if (!s.mode.refreshRate) s.mode.refreshRate = 60;
    return DisplayChange::Successful;
}

bool DisplaySettings::IsChanged() {
    State& s = S();
    std::lock_guard<std::mutex> lock(s.mutex);
    return s.changed;
}

}  // namespace plat
