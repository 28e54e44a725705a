#pragma once
#include <cstdint>
#include <functional>
#include <string>

namespace plat {

class Window;

// A window procedure: answers one message; DefWindowProc gives the default answer.
using WindowProc =
    std::function<intptr_t(Window* window, uint32_t message, uintptr_t wParam, intptr_t lParam)>;

// A registered window class: the procedure and look that windows made from it share.
struct WindowClassDesc {
    std::string name;
    WindowProc proc;
    std::string iconFile;     // optional image file for the window icon (BMP)
    std::string cursorFile;   // optional image file for the pointer (BMP)
    uint32_t background = 0;  // 0x00RRGGBB client background, black by default
};

class WindowClass {
public:
    // False when a class of that name is registered already or the description has no name.
    static bool Register(const WindowClassDesc& desc);
    static bool Unregister(const char* name);
    // The registered class, or null.
    static const WindowClassDesc* Find(const char* name);
};

}  // namespace plat
