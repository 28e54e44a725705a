#pragma once
#include <cstdint>
#include <string>

namespace plat {

struct WindowClassDesc;

struct WinRect {
    int32_t left = 0, top = 0, right = 0, bottom = 0;
    int32_t Width() const { return right - left; }
    int32_t Height() const { return bottom - top; }
    bool operator==(const WinRect&) const = default;
};
struct WinPoint {
    int32_t x = 0, y = 0;
};

// Window styles.
namespace WindowStyle {
constexpr uint32_t Overlapped = 0x00000000;
constexpr uint32_t Caption = 0x00c00000;
constexpr uint32_t SysMenu = 0x00080000;
constexpr uint32_t ThickFrame = 0x00040000;
constexpr uint32_t MinimizeBox = 0x00020000;
constexpr uint32_t MaximizeBox = 0x00010000;
constexpr uint32_t Visible = 0x10000000;
constexpr uint32_t Popup = 0x80000000;
}  // namespace WindowStyle

enum class ShowCommand { Hide, ShowNormal, Show, Minimize, Restore, Maximize };

// A top-level window (SDL2). Windows are handles owned by the window system: Create gives one,
// Destroy ends it (its procedure receives Msg::Destroy first); IsWindow tells whether a handle
// is still alive. Messages reach the class's procedure through MessageQueue.
class Window {
public:
    // Null when the class is not registered or no window can be opened. Position and size are
    // of the whole window; the client area is what AdjustRect says.
    static Window* Create(const char* className, const char* title, uint32_t style, int32_t x,
                          int32_t y, int32_t width, int32_t height);
    // First live window of that class (null: any) and title (null: any).
    static Window* Find(const char* className, const char* title);
    static bool IsWindow(const Window* window);
    // Grows a client rectangle into the window rectangle of a style (title bar and borders).
    static void AdjustRect(WinRect& rect, uint32_t style, bool hasMenu);

    bool Destroy();
    // Answers whether the window was visible before.
    bool Show(ShowCommand command);
    bool MoveTo(int32_t x, int32_t y, int32_t width, int32_t height, bool repaint);
    void Invalidate();
    bool SetForeground();
    uint32_t GetStyle() const;
    uint32_t SetStyle(uint32_t style);  // answers the previous style
    void SetTitle(const char* title);
    std::string GetTitle() const;
    const std::string& ClassName() const { return m_className; }

    WinRect GetClientRect() const;  // (0, 0, width, height)
    WinRect GetWindowRect() const;  // in screen coordinates
    WinPoint ClientToScreen(WinPoint p) const;
    bool IsVisible() const;
    bool IsMinimized() const;
    bool IsActive() const;

    // Desktop full screen on or off (display settings use it for full-screen modes).
    bool SetFullScreen(bool on);
    bool IsFullScreen() const;

    void SetUserData(void* data) { m_userData = data; }
    void* GetUserData() const { return m_userData; }

    // The platform's own handle (the SDL window); for platform code only.
    void* NativeHandle() const { return m_native; }
    uint32_t NativeId() const { return m_nativeId; }

    ~Window();
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

private:
    Window() = default;
    friend class WindowSystem;

    void* m_native = nullptr;
    uint32_t m_nativeId = 0;
    std::string m_className;
    uint32_t m_style = 0;
    void* m_userData = nullptr;
    bool m_minimized = false;
    bool m_active = false;
    bool m_visible = false;
    bool m_fullScreen = false;
    bool m_destroying = false;
};

}  // namespace plat
