#include "platform/window/Window.h"

#include <SDL.h>

#include <algorithm>

#include "platform/sys/StringCompare.h"
#include "platform/window/MessageQueue.h"
#include "platform/window/WindowClass.h"
#include "platform/window/WindowSystem.h"

namespace plat {

namespace {
// Decoration the window system adds around the client area of a framed window.
constexpr int32_t kFrame = 3;
constexpr int32_t kCaption = 23;

bool Decorated(uint32_t style) {
    return !(style & WindowStyle::Popup);
}

SDL_Window* Sdl(const Window* w) {
    return static_cast<SDL_Window*>(w->NativeHandle());
}
}  // namespace

void Window::AdjustRect(WinRect& r, uint32_t style, bool hasMenu) {
    if (!Decorated(style)) return;
    r.left -= kFrame;
    r.right += kFrame;
    r.top -= kFrame + kCaption + (hasMenu ? 20 : 0);
    r.bottom += kFrame;
}

Window* Window::Create(const char* className, const char* title, uint32_t style, int32_t x,
                       int32_t y, int32_t width, int32_t height) {
    const WindowClassDesc* cls = WindowClass::Find(className);
    if (!cls || !WindowSystem::Init()) return nullptr;
    WinRect frame{0, 0, 0, 0};
    AdjustRect(frame, style, false);
    const int32_t cw = std::max(1, width - (frame.right - frame.left));
    const int32_t ch = std::max(1, height - (frame.bottom - frame.top));
    Uint32 flags = SDL_WINDOW_HIDDEN | SDL_WINDOW_OPENGL;
    if (!Decorated(style)) flags |= SDL_WINDOW_BORDERLESS;
    SDL_Window* sw =
        SDL_CreateWindow(title ? title : "", x - frame.left, y - frame.top, cw, ch, flags);
    if (!sw) {
        // Drivers without OpenGL (SDL's dummy) still give a window for messages.
        flags &= ~static_cast<Uint32>(SDL_WINDOW_OPENGL);
        sw = SDL_CreateWindow(title ? title : "", x - frame.left, y - frame.top, cw, ch, flags);
    }
    if (!sw) return nullptr;
    if (!cls->iconFile.empty()) {
        if (SDL_Surface* icon = SDL_LoadBMP(cls->iconFile.c_str())) {
            SDL_SetWindowIcon(sw, icon);
            SDL_FreeSurface(icon);
        }
    }
    if (!cls->cursorFile.empty()) {
        // The class's pointer image; SDL keeps one pointer for the program.
        if (SDL_Surface* img = SDL_LoadBMP(cls->cursorFile.c_str())) {
            SDL_SetColorKey(img, SDL_TRUE, SDL_MapRGB(img->format, 0, 0, 0));
            if (SDL_Cursor* c = SDL_CreateColorCursor(img, 0, 0)) SDL_SetCursor(c);
            SDL_FreeSurface(img);
        }
    }
    Window* w = WindowSystem::NewWindow();
    WindowSystem::SetNative(w, sw, SDL_GetWindowID(sw));
    WindowSystem::SetClassAndStyle(w, cls->name.c_str(), style & ~WindowStyle::Visible);
    MessageQueue::Send(w, Msg::Create, 0, 0);
    if (!IsWindow(w)) return nullptr;  // the procedure refused the window
    if (style & WindowStyle::Visible) w->Show(ShowCommand::ShowNormal);
    return w;
}

Window* Window::Find(const char* className, const char* title) {
    for (Window* w : WindowSystem::Windows()) {
        if (className && StrICmp(w->m_className.c_str(), className) != 0) continue;
        if (title && w->GetTitle() != title) continue;
        return w;
    }
    return nullptr;
}

bool Window::IsWindow(const Window* window) {
    const auto& v = WindowSystem::Windows();
    return window && std::find(v.begin(), v.end(), window) != v.end();
}

Window::~Window() = default;

bool Window::Destroy() {
    if (!IsWindow(this) || WindowSystem::Destroying(this, true)) return false;
    MessageQueue::Send(this, Msg::Destroy, 0, 0);
    if (m_native) SDL_DestroyWindow(Sdl(this));
    WindowSystem::DeleteWindow(this);
    return true;
}

bool Window::Show(ShowCommand command) {
    const bool was = m_visible;
    SDL_Window* sw = Sdl(this);
    switch (command) {
        case ShowCommand::Hide:
            SDL_HideWindow(sw);
            m_visible = false;
            break;
        case ShowCommand::Show:
        case ShowCommand::ShowNormal:
        case ShowCommand::Restore:
            SDL_ShowWindow(sw);
            if (m_minimized || command != ShowCommand::Show) SDL_RestoreWindow(sw);
            m_visible = true;
            m_minimized = false;
            break;
        case ShowCommand::Minimize:
            SDL_MinimizeWindow(sw);
            m_minimized = true;
            break;
        case ShowCommand::Maximize:
            SDL_ShowWindow(sw);
            SDL_MaximizeWindow(sw);
            m_visible = true;
            m_minimized = false;
            break;
    }
    if (m_visible)
        m_style |= WindowStyle::Visible;
    else
        m_style &= ~WindowStyle::Visible;
    return was;
}

bool Window::MoveTo(int32_t x, int32_t y, int32_t width, int32_t height, bool repaint) {
    WinRect frame{0, 0, 0, 0};
    AdjustRect(frame, m_style, false);
    SDL_Window* sw = Sdl(this);
    SDL_SetWindowPosition(sw, x - frame.left, y - frame.top);
    SDL_SetWindowSize(sw, std::max(1, width - (frame.right - frame.left)),
                      std::max(1, height - (frame.bottom - frame.top)));
    if (repaint) Invalidate();
    return true;
}

void Window::Invalidate() {
    MessageQueue::Post(this, Msg::Paint, 0, 0);
}

bool Window::SetForeground() {
    SDL_RaiseWindow(Sdl(this));
    return true;
}

uint32_t Window::GetStyle() const {
    return m_style;
}

uint32_t Window::SetStyle(uint32_t style) {
    uint32_t old = m_style;
    m_style = style;
    SDL_SetWindowBordered(Sdl(this), Decorated(style) ? SDL_TRUE : SDL_FALSE);
    if ((style & WindowStyle::Visible) && !m_visible) Show(ShowCommand::Show);
    if (!(style & WindowStyle::Visible) && m_visible) Show(ShowCommand::Hide);
    return old;
}

void Window::SetTitle(const char* title) {
    SDL_SetWindowTitle(Sdl(this), title ? title : "");
}
std::string Window::GetTitle() const {
    return SDL_GetWindowTitle(Sdl(this));
}

WinRect Window::GetClientRect() const {
    int w = 0, h = 0;
    SDL_GetWindowSize(Sdl(this), &w, &h);
    return {0, 0, w, h};
}

WinRect Window::GetWindowRect() const {
    int x = 0, y = 0;
    SDL_GetWindowPosition(Sdl(this), &x, &y);
    WinRect r = GetClientRect();
    r.left += x;
    r.right += x;
    r.top += y;
    r.bottom += y;
    AdjustRect(r, m_style, false);
    return r;
}

WinPoint Window::ClientToScreen(WinPoint p) const {
    int x = 0, y = 0;
    SDL_GetWindowPosition(Sdl(this), &x, &y);
    return {p.x + x, p.y + y};
}

bool Window::IsVisible() const {
    return m_visible;
}
bool Window::IsMinimized() const {
    return m_minimized;
}
bool Window::IsActive() const {
    return m_active;
}

bool Window::SetFullScreen(bool on) {
    if (SDL_SetWindowFullscreen(Sdl(this), on ? SDL_WINDOW_FULLSCREEN_DESKTOP : 0) != 0)
        return false;
    m_fullScreen = on;
    return true;
}

bool Window::IsFullScreen() const {
    return m_fullScreen;
}

}  // namespace plat
