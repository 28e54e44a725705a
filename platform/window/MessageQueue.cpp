#include "platform/window/MessageQueue.h"

#include <SDL.h>

#include "platform/window/Window.h"
#include "platform/window/WindowClass.h"
#include "platform/window/WindowSystem.h"

namespace plat {

bool MessageQueue::Peek(Message& msg, bool remove) {
    WindowSystem::Pump();
    return WindowSystem::Take(msg, remove);
}

bool MessageQueue::Get(Message& msg) {
    while (!Peek(msg, true)) {
        if (WindowSystem::Init())
            SDL_WaitEventTimeout(nullptr, 10);
        else
            SDL_Delay(10);
    }
    return msg.message != Msg::Quit;
}

bool MessageQueue::Translate(const Message& msg) {
    if (msg.message != Msg::KeyDown && msg.message != Msg::SysKeyDown) return false;
    const uint32_t charMsg = msg.message == Msg::KeyDown ? Msg::Char : Msg::SysChar;
    std::vector<uint32_t> chars = WindowSystem::TakePendingChars();
    if (chars.empty()) {
        // Keys that type a control character without text input.
        switch (msg.wParam) {
            case VKey::Return:
                chars.push_back('\r');
                break;
            case VKey::Back:
                chars.push_back(8);
                break;
            case VKey::Escape:
                chars.push_back(27);
                break;
            case VKey::Tab:
                chars.push_back('\t');
                break;
            default:
                break;
        }
    }
    // The characters come next, in typing order, before anything queued later.
    for (auto it = chars.rbegin(); it != chars.rend(); ++it) {
        Message m = msg;
        m.message = charMsg;
        m.wParam = *it < 256 ? *it : '?';
        WindowSystem::Post(m, true);
    }
    return !chars.empty();
}

intptr_t MessageQueue::Dispatch(const Message& msg) {
    if (msg.message == Msg::Quit || !Window::IsWindow(msg.window)) return 0;
    return Send(msg.window, msg.message, msg.wParam, msg.lParam);
}

bool MessageQueue::Post(Window* window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
    if (window && !Window::IsWindow(window)) return false;
    Message m;
    m.window = window;
    m.message = message;
    m.wParam = wParam;
    m.lParam = lParam;
    m.time = WindowSystem::NowMs();
    WindowSystem::Post(m);
    return true;
}

intptr_t MessageQueue::Send(Window* window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
    if (!Window::IsWindow(window)) return 0;
    const WindowClassDesc* cls = WindowClass::Find(window->ClassName().c_str());
    if (cls && cls->proc) return cls->proc(window, message, wParam, lParam);
    return DefWindowProc(window, message, wParam, lParam);
}

void MessageQueue::PostQuit(int exitCode) {
    Message m;
    m.message = Msg::Quit;
    m.wParam = static_cast<uintptr_t>(exitCode);
    m.time = WindowSystem::NowMs();
    WindowSystem::Post(m);
}

intptr_t MessageQueue::DefWindowProc(Window* window, uint32_t message, uintptr_t wParam,
                                     intptr_t lParam) {
    if (!Window::IsWindow(window)) return 0;
    switch (message) {
        case Msg::Close:
            window->Destroy();
            return 0;
        case Msg::SysCommand:
            switch (wParam & 0xfff0) {
                case SysCmd::Close:
                    Post(window, Msg::Close, 0, 0);
                    break;
                case SysCmd::Minimize:
                    window->Show(ShowCommand::Minimize);
                    break;
                case SysCmd::Maximize:
                    window->Show(ShowCommand::Maximize);
                    break;
                case SysCmd::Restore:
                    window->Show(ShowCommand::Restore);
                    break;
                default:
                    break;
            }
            return 0;
        case Msg::SysKeyDown:
            if (wParam == VKey::F4 && (static_cast<uint64_t>(lParam) & KeyData::AltDown))
                Post(window, Msg::SysCommand, SysCmd::Close, 0);
            return 0;
        default:
            return 0;
    }
}

int16_t MessageQueue::GetKeyState(uint32_t vkey) {
    return WindowSystem::KeyState(vkey);
}

void MessageQueue::Flush() {
    WindowSystem::FlushQueue();
}

}  // namespace plat
