#pragma once
#include <cstdint>

#include "platform/window/WindowMessage.h"

namespace plat {

// The thread's message queue: window-system events (pumped from SDL on each Peek) and posted
// messages, delivered to window procedures by Dispatch. Used on the main thread only.
class MessageQueue {
public:
    // Takes the next message (remove false: leaves it queued); false when the queue is empty.
    static bool Peek(Message& msg, bool remove = true);
    // Waits for the next message; false when it is Msg::Quit.
    static bool Get(Message& msg);
    // Turns a key-down message into the character messages it produced.
    static bool Translate(const Message& msg);
    // Calls the procedure of the message's window; answers its result.
    static intptr_t Dispatch(const Message& msg);

    static bool Post(Window* window, uint32_t message, uintptr_t wParam, intptr_t lParam);
    // Calls the procedure at once.
    static intptr_t Send(Window* window, uint32_t message, uintptr_t wParam, intptr_t lParam);
    static void PostQuit(int exitCode);

    // What a procedure answers for messages it leaves alone: Close destroys the window, the
    // system commands Close, Minimize and Restore act, Alt+F4 asks to close.
    static intptr_t DefWindowProc(Window* window, uint32_t message, uintptr_t wParam,
                                  intptr_t lParam);

    // State of a virtual key as the last pumped events left it: bit 15 down, bit 0 toggled.
    static int16_t GetKeyState(uint32_t vkey);

    // Drops every queued message (tests).
    static void Flush();
};

}  // namespace plat
