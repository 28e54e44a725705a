#include <gtest/gtest.h>

#include <SDL.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/window/Cursor.h"
#include "platform/window/DisplaySettings.h"
#include "platform/window/MessageBox.h"
#include "platform/window/MessageQueue.h"
#include "platform/window/Window.h"
#include "platform/window/WindowClass.h"

using namespace plat;

namespace {

// Message tests need no display: SDL's dummy video driver gives windows that receive the
// events the tests push.
class DummyVideo : public ::testing::Environment {
public:
    void SetUp() override { setenv("SDL_VIDEODRIVER", "dummy", 1); }
};
const auto* const kDummyVideo = ::testing::AddGlobalTestEnvironment(new DummyVideo);

struct Seen {
    uint32_t message;
    uintptr_t wParam;
    intptr_t lParam;
};

class WindowMessageTest : public ::testing::Test {
protected:
    void SetUp() override {
        MessageQueue::Flush();
        seen().clear();
        WindowClassDesc cls;
        cls.name = "CorvaneTest";
        cls.proc = [](Window* w, uint32_t msg, uintptr_t wp, intptr_t lp) -> intptr_t {
            seen().push_back({msg, wp, lp});
            return MessageQueue::DefWindowProc(w, msg, wp, lp);
        };
        WindowClass::Register(cls);
        window = Window::Create("CorvaneTest", "Test Title",
                                WindowStyle::Caption | WindowStyle::SysMenu, 0, 0, 646, 509);
        ASSERT_NE(window, nullptr);
        windowId = window->NativeId();
        seen().clear();
    }
    void TearDown() override {
        if (Window::IsWindow(window)) window->Destroy();
        WindowClass::Unregister("CorvaneTest");
        MessageQueue::Flush();
    }
    static std::vector<Seen>& seen() {
        static std::vector<Seen> s;
        return s;
    }
    // Delivers everything queued the way the game's loop does.
    void Pump() {
        Message m;
        while (MessageQueue::Peek(m, true)) {
            if (m.message == Msg::Quit) {
                quit = true;
                continue;
            }
            MessageQueue::Translate(m);
            MessageQueue::Dispatch(m);
        }
    }
    std::vector<Seen> Of(uint32_t msg) const {
        std::vector<Seen> out;
        for (const Seen& s : seen())
            if (s.message == msg) out.push_back(s);
        return out;
    }
    void PushKey(bool down, SDL_Keycode key, bool repeat = false, Uint16 mod = 0) {
        SDL_Event e{};
        e.type = down ? SDL_KEYDOWN : SDL_KEYUP;
        e.key.windowID = windowId;
        e.key.state = down ? SDL_PRESSED : SDL_RELEASED;
        e.key.repeat = repeat ? 1 : 0;
        e.key.keysym.sym = key;
        e.key.keysym.scancode = SDL_GetScancodeFromKey(key);
        e.key.keysym.mod = mod;
        SDL_PushEvent(&e);
    }
    void PushWindowEvent(Uint8 what) {
        SDL_Event e{};
        e.type = SDL_WINDOWEVENT;
        e.window.windowID = windowId;
        e.window.event = what;
        SDL_PushEvent(&e);
    }

    Window* window = nullptr;
    uint32_t windowId = 0;  // kept: the window may be gone when the last events are pushed
    bool quit = false;
};

TEST_F(WindowMessageTest, CreateFindAndDestroy) {
    EXPECT_TRUE(Window::IsWindow(window));
    EXPECT_EQ(Window::Find("corvanetest", "Test Title"), window);  // class names ignore case
    EXPECT_EQ(Window::Find("CorvaneTest", "Other"), nullptr);
    EXPECT_EQ(window->GetTitle(), "Test Title");
    EXPECT_EQ(Window::Create("NoSuchClass", "x", 0, 0, 0, 10, 10), nullptr);
    ASSERT_TRUE(window->Destroy());
    EXPECT_FALSE(Window::IsWindow(window));
    ASSERT_EQ(seen().size(), 1u);
    EXPECT_EQ(seen()[0].message, Msg::Destroy);
}

TEST_F(WindowMessageTest, ClientAreaIsTheRectangleBeforeAdjusting) {
    WinRect r{0, 0, 640, 480};
    Window::AdjustRect(r, WindowStyle::Caption | WindowStyle::SysMenu | WindowStyle::MinimizeBox,
                       false);
    EXPECT_LT(r.left, 0);
    EXPECT_LT(r.top, 0);
    Window* w =
        Window::Create("CorvaneTest", "Sized", WindowStyle::SysMenu, 0, 0, r.Width(), r.Height());
    ASSERT_NE(w, nullptr);
    WinRect client = w->GetClientRect();
    EXPECT_EQ(client, (WinRect{0, 0, 640, 480}));
    w->Destroy();
}

TEST_F(WindowMessageTest, KeysCarryRepeatAndReleaseBitsAndTranslateIntoCharacters) {
    PushKey(true, SDLK_a);
    SDL_Event text{};
    text.type = SDL_TEXTINPUT;
    text.text.windowID = window->NativeId();
    std::strcpy(text.text.text, "a");
    SDL_PushEvent(&text);
    PushKey(true, SDLK_a, true);
    PushKey(false, SDLK_a);
    PushKey(true, SDLK_ESCAPE);
    Pump();
    auto downs = Of(Msg::KeyDown);
    ASSERT_EQ(downs.size(), 3u);
    EXPECT_EQ(downs[0].wParam, VKey::KeyA);
    EXPECT_EQ(static_cast<uint64_t>(downs[0].lParam) & KeyData::Repeat, 0u);
    EXPECT_NE(static_cast<uint64_t>(downs[1].lParam) & KeyData::Repeat, 0u);
    EXPECT_EQ(downs[2].wParam, VKey::Escape);
    auto ups = Of(Msg::KeyUp);
    ASSERT_EQ(ups.size(), 1u);
    EXPECT_NE(static_cast<uint64_t>(ups[0].lParam) & KeyData::Released, 0u);
    auto chars = Of(Msg::Char);
    ASSERT_EQ(chars.size(), 2u);
    EXPECT_EQ(chars[0].wParam, static_cast<uintptr_t>('a'));
    EXPECT_EQ(chars[1].wParam, 27u);
    // The character follows its key-down directly.
    ASSERT_GE(seen().size(), 2u);
    EXPECT_EQ(seen()[0].message, Msg::KeyDown);
    EXPECT_EQ(seen()[1].message, Msg::Char);
}

TEST_F(WindowMessageTest, ShiftStateIsKeptForGetKeyState) {
    PushKey(true, SDLK_LSHIFT);
    Pump();
    EXPECT_LT(MessageQueue::GetKeyState(VKey::Shift), 0);
    EXPECT_LT(MessageQueue::GetKeyState(VKey::LShift), 0);
    EXPECT_GE(MessageQueue::GetKeyState(VKey::Control), 0);
    PushKey(false, SDLK_LSHIFT);
    Pump();
    EXPECT_GE(MessageQueue::GetKeyState(VKey::Shift), 0);
}

TEST_F(WindowMessageTest, AltF4AsksTheWindowToCloseThroughTheSystemCommand) {
    PushKey(true, SDLK_LALT);
    PushKey(true, SDLK_F4, false, KMOD_LALT);
    Pump();
    EXPECT_FALSE(Of(Msg::SysKeyDown).empty());
    auto cmds = Of(Msg::SysCommand);
    ASSERT_EQ(cmds.size(), 1u);
    EXPECT_EQ(cmds[0].wParam, SysCmd::Close);
    EXPECT_EQ(Of(Msg::Close).size(), 1u);
    EXPECT_EQ(Of(Msg::Destroy).size(), 1u);
    EXPECT_FALSE(Window::IsWindow(window));
    PushKey(false, SDLK_LALT);
    Pump();
}

TEST_F(WindowMessageTest, MouseMessagesPackThePositionAndButtons) {
    SDL_Event e{};
    e.type = SDL_MOUSEBUTTONDOWN;
    e.button.windowID = window->NativeId();
    e.button.button = SDL_BUTTON_LEFT;
    e.button.state = SDL_PRESSED;
    e.button.x = 17;
    e.button.y = 300;
    SDL_PushEvent(&e);
    e = SDL_Event{};
    e.type = SDL_MOUSEMOTION;
    e.motion.windowID = window->NativeId();
    e.motion.x = 20;
    e.motion.y = 310;
    e.motion.state = SDL_BUTTON_LMASK;
    SDL_PushEvent(&e);
    e = SDL_Event{};
    e.type = SDL_MOUSEBUTTONUP;
    e.button.windowID = window->NativeId();
    e.button.button = SDL_BUTTON_RIGHT;
    e.button.state = SDL_RELEASED;
    e.button.x = 1;
    e.button.y = 2;
    SDL_PushEvent(&e);
    Pump();
    auto down = Of(Msg::LButtonDown);
    ASSERT_EQ(down.size(), 1u);
    EXPECT_EQ(PointX(down[0].lParam), 17);
    EXPECT_EQ(PointY(down[0].lParam), 300);
    EXPECT_TRUE(down[0].wParam & MouseKeys::LButton);
    auto move = Of(Msg::MouseMove);
    ASSERT_EQ(move.size(), 1u);
    EXPECT_EQ(PointX(move[0].lParam), 20);
    EXPECT_TRUE(move[0].wParam & MouseKeys::LButton);
    EXPECT_EQ(Of(Msg::RButtonUp).size(), 1u);
}

TEST_F(WindowMessageTest, FocusAndMinimiseBecomeActivateMessages) {
    PushWindowEvent(SDL_WINDOWEVENT_FOCUS_GAINED);
    PushWindowEvent(SDL_WINDOWEVENT_MINIMIZED);
    PushWindowEvent(SDL_WINDOWEVENT_FOCUS_LOST);  // already inactive: no second message
    PushWindowEvent(SDL_WINDOWEVENT_RESTORED);
    PushWindowEvent(SDL_WINDOWEVENT_FOCUS_GAINED);
    Pump();
    auto act = Of(Msg::Activate);
    ASSERT_EQ(act.size(), 3u);
    EXPECT_EQ(LowWord(act[0].wParam), Activation::Active);
    EXPECT_EQ(LowWord(act[1].wParam), Activation::Inactive);
    EXPECT_EQ(HighWord(act[1].wParam), 1u);  // minimised
    EXPECT_EQ(LowWord(act[2].wParam), Activation::Active);
    EXPECT_EQ(HighWord(act[2].wParam), 0u);
    EXPECT_TRUE(window->IsActive());
    EXPECT_FALSE(window->IsMinimized());
    auto sizes = Of(Msg::Size);
    ASSERT_GE(sizes.size(), 2u);
    EXPECT_EQ(sizes[0].wParam, SizeKind::Minimized);
}

TEST_F(WindowMessageTest, CloseButtonAndQuitEndTheLoop) {
    PushWindowEvent(SDL_WINDOWEVENT_CLOSE);
    Pump();
    EXPECT_EQ(Of(Msg::Close).size(), 1u);
    EXPECT_FALSE(Window::IsWindow(window));
    MessageQueue::PostQuit(3);
    Message m;
    EXPECT_FALSE(MessageQueue::Get(m));
    EXPECT_EQ(m.message, Msg::Quit);
    EXPECT_EQ(m.wParam, 3u);
}

TEST_F(WindowMessageTest, PostedMessagesKeepTheirOrderAndPeekCanLeaveThem) {
    MessageQueue::Post(window, Msg::User + 1, 10, 20);
    MessageQueue::Post(window, Msg::User + 2, 0, 0);
    Message m;
    ASSERT_TRUE(MessageQueue::Peek(m, false));
    EXPECT_EQ(m.message, Msg::User + 1u);
    ASSERT_TRUE(MessageQueue::Peek(m, true));
    EXPECT_EQ(m.message, Msg::User + 1u);
    EXPECT_EQ(m.wParam, 10u);
    ASSERT_TRUE(MessageQueue::Peek(m, true));
    EXPECT_EQ(m.message, Msg::User + 2u);
    EXPECT_FALSE(MessageQueue::Peek(m, true));
    EXPECT_FALSE(MessageQueue::Post(reinterpret_cast<Window*>(&m), Msg::User, 0, 0));
}

TEST(MessageBoxHeadless, WritesToStderrAndAnswersAsConfigured) {
    struct Case {
        uint32_t style;
        int configured;
        int expected;
    };
    const Case cases[] = {
        {MessageBoxStyle::Ok | MessageBoxStyle::IconExclamation, 0, MessageBoxAnswer::Ok},
        {MessageBoxStyle::YesNo, 0, MessageBoxAnswer::Yes},
        {MessageBoxStyle::YesNo, MessageBoxAnswer::No, MessageBoxAnswer::No},
        {MessageBoxStyle::OkCancel, MessageBoxAnswer::Cancel, MessageBoxAnswer::Cancel},
    };
    for (const Case& c : cases) {
        MessageBox::SetHeadless(true, c.configured);
        ::testing::internal::CaptureStderr();
        int answer = MessageBox::Show(nullptr, "Couldn't find video device with 3D support!",
                                      "CorvaneVantor Kestrun Error", c.style);
        std::string err = ::testing::internal::GetCapturedStderr();
        EXPECT_EQ(answer, c.expected);
        EXPECT_EQ(err,
                  "CorvaneVantor Kestrun Error: Couldn't find video device with 3D support!\n");
    }
    MessageBox::SetHeadless(false);
}

TEST(MessageBoxHeadless, AHookSeesTheTextInsteadOfTheUser) {
    std::string text, caption;
    MessageBox::SetHook([&](const char* t, const char* c, uint32_t) {
        text = t;
        caption = c;
        return MessageBoxAnswer::No;
    });
    EXPECT_EQ(MessageBox::Show(nullptr, "hello", "CorvaneVantor", MessageBoxStyle::YesNo),
              MessageBoxAnswer::No);
    MessageBox::SetHook(nullptr);
    EXPECT_EQ(text, "hello");
    EXPECT_EQ(caption, "CorvaneVantor");
}

TEST(CursorCount, ShowsWhileTheCountIsNotNegative) {
    EXPECT_TRUE(Cursor::IsShown());
    EXPECT_EQ(Cursor::Show(false), -1);
    EXPECT_FALSE(Cursor::IsShown());
    EXPECT_EQ(Cursor::Show(false), -2);
    EXPECT_EQ(Cursor::Show(true), -1);
    EXPECT_EQ(Cursor::Show(true), 0);
    EXPECT_TRUE(Cursor::IsShown());
}

TEST(DisplayModes, TestChangeAndRestore) {
    DisplayMode first, last, m;
    ASSERT_TRUE(DisplaySettings::EnumMode(0, first));
    uint32_t n = 0;
    while (DisplaySettings::EnumMode(n, m)) last = m, ++n;
    EXPECT_EQ(first, (DisplayMode{512, 384, 16, 60}));
    EXPECT_EQ(last.width, 1280u);
    EXPECT_EQ(last.height, 1024u);
    DisplayMode want{640, 480, 16, 0};
    EXPECT_EQ(DisplaySettings::Change(&want, DisplayChangeBits::Test), DisplayChange::Successful);
    EXPECT_FALSE(DisplaySettings::IsChanged());
    DisplayMode odd{640, 480, 24, 0};
    EXPECT_EQ(DisplaySettings::Change(&odd, DisplayChangeBits::Test), DisplayChange::BadMode);
    ASSERT_EQ(DisplaySettings::Change(&want, DisplayChangeBits::FullScreen),
              DisplayChange::Successful);
    EXPECT_TRUE(DisplaySettings::IsChanged());
    DisplaySettings::Current(m);
    EXPECT_EQ(m, (DisplayMode{640, 480, 16, 60}));
    EXPECT_EQ(DisplaySettings::Change(nullptr, 0), DisplayChange::Successful);
    EXPECT_FALSE(DisplaySettings::IsChanged());
}

}  // namespace
