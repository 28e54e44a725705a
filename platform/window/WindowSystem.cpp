#include "platform/window/WindowSystem.h"

#include <SDL.h>

#include <algorithm>
#include <cstring>
#include <deque>
#include <mutex>

#include "platform/window/Window.h"

namespace plat {

namespace {

struct State {
    std::mutex queueMutex;
    std::deque<Message> queue;
    std::vector<Window*> windows;
    std::vector<uint32_t> pendingChars;
    uint8_t keys[256] = {};  // bit 7 down, bit 0 toggled
    bool tried = false;
    bool ok = false;
};

State& S() {
    static State s;
    return s;
}

uint32_t MapKey(const SDL_Keysym& k) {
    const SDL_Keycode c = k.sym;
    if (c >= SDLK_a && c <= SDLK_z) return VKey::KeyA + static_cast<uint32_t>(c - SDLK_a);
    if (c >= SDLK_0 && c <= SDLK_9) return VKey::Key0 + static_cast<uint32_t>(c - SDLK_0);
    if (c >= SDLK_F1 && c <= SDLK_F12) return VKey::F1 + static_cast<uint32_t>(c - SDLK_F1);
    if (c >= SDLK_KP_1 && c <= SDLK_KP_9)
        return VKey::Numpad0 + 1 + static_cast<uint32_t>(c - SDLK_KP_1);
    switch (c) {
        case SDLK_KP_0:
            return VKey::Numpad0;
        case SDLK_KP_MULTIPLY:
            return VKey::Multiply;
        case SDLK_KP_PLUS:
            return VKey::Add;
        case SDLK_KP_MINUS:
            return VKey::Subtract;
        case SDLK_KP_PERIOD:
            return VKey::Decimal;
        case SDLK_KP_DIVIDE:
            return VKey::Divide;
        case SDLK_KP_ENTER:
            return VKey::Return;
        case SDLK_BACKSPACE:
            return VKey::Back;
        case SDLK_TAB:
            return VKey::Tab;
        case SDLK_RETURN:
            return VKey::Return;
        case SDLK_LSHIFT:
            return VKey::LShift;
        case SDLK_RSHIFT:
            return VKey::RShift;
        case SDLK_LCTRL:
            return VKey::LControl;
        case SDLK_RCTRL:
            return VKey::RControl;
        case SDLK_LALT:
            return VKey::LMenu;
        case SDLK_RALT:
            return VKey::RMenu;
        case SDLK_PAUSE:
            return VKey::Pause;
        case SDLK_CAPSLOCK:
            return VKey::Capital;
        case SDLK_ESCAPE:
            return VKey::Escape;
        case SDLK_SPACE:
            return VKey::Space;
        case SDLK_PAGEUP:
            return VKey::Prior;
        case SDLK_PAGEDOWN:
            return VKey::Next;
        case SDLK_END:
            return VKey::End;
        case SDLK_HOME:
            return VKey::Home;
        case SDLK_LEFT:
            return VKey::Left;
        case SDLK_UP:
            return VKey::Up;
        case SDLK_RIGHT:
            return VKey::Right;
        case SDLK_DOWN:
            return VKey::Down;
        case SDLK_PRINTSCREEN:
            return VKey::Snapshot;
        case SDLK_INSERT:
            return VKey::Insert;
        case SDLK_DELETE:
            return VKey::Delete;
        case SDLK_NUMLOCKCLEAR:
            return VKey::NumLock;
        case SDLK_SCROLLLOCK:
            return VKey::Scroll;
        case SDLK_SEMICOLON:
            return VKey::Oem1;
        case SDLK_EQUALS:
            return VKey::OemPlus;
        case SDLK_COMMA:
            return VKey::OemComma;
        case SDLK_MINUS:
            return VKey::OemMinus;
        case SDLK_PERIOD:
            return VKey::OemPeriod;
        case SDLK_SLASH:
            return VKey::Oem2;
        case SDLK_BACKQUOTE:
            return VKey::Oem3;
        case SDLK_LEFTBRACKET:
            return VKey::Oem4;
        case SDLK_BACKSLASH:
            return VKey::Oem5;
        case SDLK_RIGHTBRACKET:
            return VKey::Oem6;
        case SDLK_QUOTE:
            return VKey::Oem7;
        default:
            return 0;
    }
}

// The left/right keys also count as the generic Shift, Control and Alt keys.
uint32_t GenericKey(uint32_t vk) {
    switch (vk) {
        case VKey::LShift:
        case VKey::RShift:
            return VKey::Shift;
        case VKey::LControl:
        case VKey::RControl:
            return VKey::Control;
        case VKey::LMenu:
        case VKey::RMenu:
            return VKey::Menu;
        default:
            return 0;
    }
}

uintptr_t MouseKeys(uint32_t buttons) {
    uintptr_t k = 0;
    if (buttons & SDL_BUTTON_LMASK) k |= MouseKeys::LButton;
    if (buttons & SDL_BUTTON_RMASK) k |= MouseKeys::RButton;
    if (buttons & SDL_BUTTON_MMASK) k |= MouseKeys::MButton;
    SDL_Keymod mod = SDL_GetModState();
    if (mod & KMOD_SHIFT) k |= MouseKeys::Shift;
    if (mod & KMOD_CTRL) k |= MouseKeys::Control;
    return k;
}

void Push(Window* w, uint32_t msg, uintptr_t wp, intptr_t lp) {
    Message m;
    m.window = w;
    m.message = msg;
    m.wParam = wp;
    m.lParam = lp;
    m.time = WindowSystem::NowMs();
    WindowSystem::Post(m);
}

void DecodeUtf8(const char* s, std::vector<uint32_t>& out) {
    const auto* p = reinterpret_cast<const unsigned char*>(s);
    while (*p) {
        uint32_t c = *p++;
        int extra = c >= 0xf0 ? 3 : c >= 0xe0 ? 2 : c >= 0xc0 ? 1 : 0;
        if (extra) c &= 0x3fu >> extra;
        for (int i = 0; i < extra && (*p & 0xc0) == 0x80; ++i) c = (c << 6) | (*p++ & 0x3f);
        out.push_back(c);
    }
}

void HandleWindowEvent(const SDL_WindowEvent& e) {
    Window* w = WindowSystem::FromNativeId(e.windowID);
    if (!w) return;
    const uintptr_t minimised = w->IsMinimized() ? 1u : 0u;
    switch (e.event) {
        case SDL_WINDOWEVENT_CLOSE:
            Push(w, Msg::Close, 0, 0);
            break;
        case SDL_WINDOWEVENT_FOCUS_GAINED:
            if (!w->IsActive()) {
                WindowSystem::SetActive(w, true);
                Push(w, Msg::Activate, Activation::Active | (minimised << 16), 0);
                Push(w, Msg::SetFocus, 0, 0);
            }
            break;
        case SDL_WINDOWEVENT_FOCUS_LOST:
            if (w->IsActive()) {
                WindowSystem::SetActive(w, false);
                Push(w, Msg::Activate, Activation::Inactive | (minimised << 16), 0);
                Push(w, Msg::KillFocus, 0, 0);
            }
            break;
        case SDL_WINDOWEVENT_MINIMIZED:
            WindowSystem::SetMinimized(w, true);
            Push(w, Msg::Size, SizeKind::Minimized, 0);
            if (w->IsActive()) {
                // Minimising takes the focus; say so at once, with the minimised flag.
                WindowSystem::SetActive(w, false);
                Push(w, Msg::Activate, Activation::Inactive | (1u << 16), 0);
            }
            break;
        case SDL_WINDOWEVENT_RESTORED:
        case SDL_WINDOWEVENT_MAXIMIZED: {
            WindowSystem::SetMinimized(w, false);
            WinRect r = w->GetClientRect();
            Push(w, Msg::Size,
                 e.event == SDL_WINDOWEVENT_MAXIMIZED ? SizeKind::Maximized : SizeKind::Restored,
                 MakeLParam(r.right, r.bottom));
            break;
        }
        case SDL_WINDOWEVENT_SIZE_CHANGED:
            Push(w, Msg::Size, SizeKind::Restored, MakeLParam(e.data1, e.data2));
            break;
        case SDL_WINDOWEVENT_MOVED:
            Push(w, Msg::Move, 0, MakeLParam(e.data1, e.data2));
            break;
        case SDL_WINDOWEVENT_SHOWN:
            WindowSystem::SetVisible(w, true);
            break;
        case SDL_WINDOWEVENT_HIDDEN:
            WindowSystem::SetVisible(w, false);
            break;
        case SDL_WINDOWEVENT_EXPOSED:
            Push(w, Msg::Paint, 0, 0);
            break;
        default:
            break;
    }
}

void HandleKey(const SDL_KeyboardEvent& e) {
    Window* w = WindowSystem::FromNativeId(e.windowID);
    if (!w && !WindowSystem::Windows().empty()) w = WindowSystem::Windows().front();
    const uint32_t vk = MapKey(e.keysym);
    if (!vk) return;
    State& s = S();
    const bool down = e.state == SDL_PRESSED;
    const bool wasDown = (s.keys[vk] & 0x80) != 0;
    auto setKey = [&](uint32_t k) {
        if (down) {
            if (!(s.keys[k] & 0x80)) s.keys[k] ^= 1;
            s.keys[k] |= 0x80;
        } else {
            s.keys[k] &= static_cast<uint8_t>(~0x80);
        }
    };
    setKey(vk);
    if (uint32_t gk = GenericKey(vk)) {
        setKey(gk);
        if (!down) {
            // The generic key stays down while the other side is held.
            uint32_t other = vk == VKey::LShift     ? VKey::RShift
                             : vk == VKey::RShift   ? VKey::LShift
                             : vk == VKey::LControl ? VKey::RControl
                             : vk == VKey::RControl ? VKey::LControl
                             : vk == VKey::LMenu    ? VKey::RMenu
                                                    : VKey::LMenu;
            if (s.keys[other] & 0x80) s.keys[gk] |= 0x80;
        }
    }
    if (!w) return;
    const bool alt = (e.keysym.mod & KMOD_ALT) != 0 || (s.keys[VKey::Menu] & 0x80);
    intptr_t lp = 1 | ((e.keysym.scancode & 0xff) << 16);
    if (alt) lp |= KeyData::AltDown;
    if (down && (e.repeat || wasDown)) lp |= KeyData::Repeat;
    if (!down) lp |= static_cast<intptr_t>(KeyData::Repeat | KeyData::Released);
    uint32_t wparamKey = GenericKey(vk) ? GenericKey(vk) : vk;
    const bool sys = alt || vk == VKey::F10;
    Push(w, down ? (sys ? Msg::SysKeyDown : Msg::KeyDown) : (sys ? Msg::SysKeyUp : Msg::KeyUp),
         wparamKey, lp);
}

void HandleMouse(const SDL_Event& ev) {
    switch (ev.type) {
        case SDL_MOUSEMOTION: {
            Window* w = WindowSystem::FromNativeId(ev.motion.windowID);
            if (w)
                Push(w, Msg::MouseMove, MouseKeys(ev.motion.state),
                     MakeLParam(ev.motion.x, ev.motion.y));
            break;
        }
        case SDL_MOUSEBUTTONDOWN:
        case SDL_MOUSEBUTTONUP: {
            const auto& b = ev.button;
            Window* w = WindowSystem::FromNativeId(b.windowID);
            if (!w) break;
            const bool down = ev.type == SDL_MOUSEBUTTONDOWN;
            uint32_t msg;
            if (b.button == SDL_BUTTON_LEFT)
                msg = down ? Msg::LButtonDown : Msg::LButtonUp;
            else if (b.button == SDL_BUTTON_RIGHT)
                msg = down ? Msg::RButtonDown : Msg::RButtonUp;
            else if (b.button == SDL_BUTTON_MIDDLE)
                msg = down ? Msg::MButtonDown : Msg::MButtonUp;
            else
                break;
            uint32_t vk = b.button == SDL_BUTTON_LEFT    ? VKey::LButton
                          : b.button == SDL_BUTTON_RIGHT ? VKey::RButton
                                                         : VKey::MButton;
            if (down)
                S().keys[vk] |= 0x80;
            else
                S().keys[vk] &= static_cast<uint8_t>(~0x80);
            uint32_t buttons = 0;
            if (S().keys[VKey::LButton] & 0x80) buttons |= SDL_BUTTON_LMASK;
            if (S().keys[VKey::RButton] & 0x80) buttons |= SDL_BUTTON_RMASK;
            if (S().keys[VKey::MButton] & 0x80) buttons |= SDL_BUTTON_MMASK;
            Push(w, msg, MouseKeys(buttons), MakeLParam(b.x, b.y));
            break;
        }
        case SDL_MOUSEWHEEL: {
            Window* w = WindowSystem::FromNativeId(ev.wheel.windowID);
            if (w) {
                auto delta = static_cast<uint16_t>(static_cast<int16_t>(ev.wheel.y * 120));
                Push(w, Msg::MouseWheel, static_cast<uintptr_t>(delta) << 16, 0);
            }
            break;
        }
        default:
            break;
    }
}

}  // namespace

bool WindowSystem::Init() {
    State& s = S();
    if (s.tried) return s.ok;
    s.tried = true;
    // Ctrl+C must stay the shell's; the game quits through its window.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    SDL_SetHint(SDL_HINT_VIDEO_MINIMIZE_ON_FOCUS_LOSS, "0");
    s.ok = SDL_InitSubSystem(SDL_INIT_VIDEO) == 0;
    return s.ok;
}

bool WindowSystem::IsHeadless() {
    if (!Init()) return true;
    const char* drv = SDL_GetCurrentVideoDriver();
    return !drv || std::strcmp(drv, "dummy") == 0 || std::strcmp(drv, "offscreen") == 0;
}

Window* WindowSystem::NewWindow() {
    Window* w = new Window();
    S().windows.push_back(w);
    return w;
}

void WindowSystem::DeleteWindow(Window* w) {
    auto& v = S().windows;
    v.erase(std::remove(v.begin(), v.end(), w), v.end());
    DropMessagesFor(w);
    delete w;
}

const std::vector<Window*>& WindowSystem::Windows() {
    return S().windows;
}

Window* WindowSystem::FromNativeId(uint32_t id) {
    for (Window* w : S().windows)
        if (w->NativeId() == id) return w;
    return nullptr;
}

void WindowSystem::Pump() {
    if (!S().ok) return;
    SDL_Event ev;
    while (SDL_PollEvent(&ev)) {
        switch (ev.type) {
            case SDL_WINDOWEVENT:
                HandleWindowEvent(ev.window);
                break;
            case SDL_KEYDOWN:
            case SDL_KEYUP:
                HandleKey(ev.key);
                break;
            case SDL_TEXTINPUT:
                DecodeUtf8(ev.text.text, S().pendingChars);
                break;
            case SDL_MOUSEMOTION:
            case SDL_MOUSEBUTTONDOWN:
            case SDL_MOUSEBUTTONUP:
            case SDL_MOUSEWHEEL:
                HandleMouse(ev);
                break;
            default:
                break;
        }
    }
}

void WindowSystem::Post(const Message& m, bool front) {
    State& s = S();
    std::lock_guard<std::mutex> lock(s.queueMutex);
    if (front)
        s.queue.push_front(m);
    else
        s.queue.push_back(m);
}

bool WindowSystem::Take(Message& m, bool remove) {
    State& s = S();
    std::lock_guard<std::mutex> lock(s.queueMutex);
    if (s.queue.empty()) return false;
    m = s.queue.front();
    if (remove) s.queue.pop_front();
    return true;
}

void WindowSystem::DropMessagesFor(const Window* w) {
    State& s = S();
    std::lock_guard<std::mutex> lock(s.queueMutex);
    s.queue.erase(std::remove_if(s.queue.begin(), s.queue.end(),
                                 [&](const Message& m) { return m.window == w; }),
                  s.queue.end());
}

void WindowSystem::FlushQueue() {
    State& s = S();
    if (s.ok) SDL_PumpEvents(), SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
    std::lock_guard<std::mutex> lock(s.queueMutex);
    s.queue.clear();
    s.pendingChars.clear();
}

std::vector<uint32_t> WindowSystem::TakePendingChars() {
    std::vector<uint32_t> out;
    out.swap(S().pendingChars);
    return out;
}

int16_t WindowSystem::KeyState(uint32_t vkey) {
    if (vkey > 255) return 0;
    uint8_t k = S().keys[vkey];
    return static_cast<int16_t>(((k & 0x80) ? 0x8000 : 0) | (k & 1));
}

uint32_t WindowSystem::NowMs() {
    return S().ok ? SDL_GetTicks() : 0;
}

void WindowSystem::SetMinimized(Window* w, bool on) {
    w->m_minimized = on;
}
void WindowSystem::SetActive(Window* w, bool on) {
    w->m_active = on;
}
void WindowSystem::SetVisible(Window* w, bool on) {
    w->m_visible = on;
}
void WindowSystem::SetFullScreenFlag(Window* w, bool on) {
    w->m_fullScreen = on;
}
void WindowSystem::SetNative(Window* w, void* native, uint32_t id) {
    w->m_native = native;
    w->m_nativeId = id;
}
void WindowSystem::SetClassAndStyle(Window* w, const char* cls, uint32_t style) {
    w->m_className = cls;
    w->m_style = style;
}
bool WindowSystem::Destroying(Window* w, bool set) {
    bool was = w->m_destroying;
    if (set) w->m_destroying = true;
    return was;
}

}  // namespace plat
