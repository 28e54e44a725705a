#include "platform/window/Cursor.h"

#include <SDL.h>

#include <atomic>

#include "platform/window/WindowSystem.h"

namespace plat {

namespace {
std::atomic<int>& Count() {
    static std::atomic<int> c{0};
    return c;
}
}  // namespace

int Cursor::Show(bool show) {
    int n = show ? ++Count() : --Count();
    if (WindowSystem::Init()) SDL_ShowCursor(n >= 0 ? SDL_ENABLE : SDL_DISABLE);
    return n;
}

bool Cursor::IsShown() {
    return Count() >= 0;
}

}  // namespace plat
