#pragma once
#include <cstdint>
#include <vector>

#include "platform/window/WindowMessage.h"

namespace plat {

class Window;

// The window system behind Window, MessageQueue, Cursor and DisplaySettings: SDL's video
// subsystem, the live windows, the message queue and the key state. Main thread only, except
// posting, which any thread may do.
class WindowSystem {
public:
    // Starts SDL's video once; false when no video driver can start.
    static bool Init();
    // True when windows cannot be seen (no video, or SDL's dummy or offscreen driver).
    static bool IsHeadless();

    static Window* NewWindow();
    static void DeleteWindow(Window* w);
    static const std::vector<Window*>& Windows();
    static Window* FromNativeId(uint32_t id);

    // Turns pending SDL events into messages.
    static void Pump();
    static void Post(const Message& m, bool front = false);
    static bool Take(Message& m, bool remove);
    static void DropMessagesFor(const Window* w);
    static void FlushQueue();
    // Characters typed since the last key-down was translated.
    static std::vector<uint32_t> TakePendingChars();

    static int16_t KeyState(uint32_t vkey);
    static uint32_t NowMs();

    // Window internals for the implementation files.
    static void SetMinimized(Window* w, bool on);
    static void SetActive(Window* w, bool on);
    static void SetVisible(Window* w, bool on);
    static void SetFullScreenFlag(Window* w, bool on);
    static void SetNative(Window* w, void* native, uint32_t id);
    static void SetClassAndStyle(Window* w, const char* cls, uint32_t style);
    static bool Destroying(Window* w, bool set);
};

}  // namespace plat
