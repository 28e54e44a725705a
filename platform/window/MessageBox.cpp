#include "platform/window/MessageBox.h"

#include <SDL.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <vector>

#include "platform/window/Window.h"
#include "platform/window/WindowSystem.h"

namespace plat {

namespace {
struct Settings {
    std::mutex mutex;
    bool headless = false;
    int answer = 0;
    MessageBox::Hook hook;
};
Settings& Config() {
    static Settings s;
    return s;
}

struct Button {
    int id;
    const char* text;
};
std::vector<Button> ButtonsOf(uint32_t style) {
    switch (style & MessageBoxStyle::ButtonMask) {
        case MessageBoxStyle::OkCancel:
            return {{MessageBoxAnswer::Ok, "OK"}, {MessageBoxAnswer::Cancel, "Cancel"}};
        case MessageBoxStyle::YesNoCancel:
            return {{MessageBoxAnswer::Yes, "Yes"},
                    {MessageBoxAnswer::No, "No"},
                    {MessageBoxAnswer::Cancel, "Cancel"}};
        case MessageBoxStyle::YesNo:
            return {{MessageBoxAnswer::Yes, "Yes"}, {MessageBoxAnswer::No, "No"}};
        default:
            return {{MessageBoxAnswer::Ok, "OK"}};
    }
}

bool EnvHeadless() {
    const char* v = std::getenv("CORVANE_MESSAGEBOX");
    return v && std::strcmp(v, "stderr") == 0;
}
}  // namespace

int MessageBox::Show(Window* owner, const char* text, const char* caption, uint32_t style) {
    text = text ? text : "";
    caption = caption ? caption : "Error";
    Hook hook;
    bool headless;
    int answer;
    {
        Settings& s = Config();
        std::lock_guard<std::mutex> lock(s.mutex);
        hook = s.hook;
        headless = s.headless;
        answer = s.answer;
    }
    if (hook) return hook(text, caption, style);
    const std::vector<Button> buttons = ButtonsOf(style);
    if (!headless && !EnvHeadless() && !WindowSystem::IsHeadless()) {
        std::vector<SDL_MessageBoxButtonData> data;
        for (size_t i = 0; i < buttons.size(); ++i) {
            Uint32 f = 0;
            if (i == 0) f |= SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT;
            if (buttons[i].id == MessageBoxAnswer::Cancel ||
                buttons[i].id == MessageBoxAnswer::No || buttons.size() == 1)
                f |= SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT;
            data.push_back({f, buttons[i].id, buttons[i].text});
        }
        Uint32 kind = SDL_MESSAGEBOX_INFORMATION;
        switch (style & MessageBoxStyle::IconMask) {
            case MessageBoxStyle::IconError:
                kind = SDL_MESSAGEBOX_ERROR;
                break;
            case MessageBoxStyle::IconExclamation:
                kind = SDL_MESSAGEBOX_WARNING;
                break;
            default:
                break;
        }
        SDL_MessageBoxData box{};
        box.flags = kind;
        box.window = owner && Window::IsWindow(owner)
                         ? static_cast<SDL_Window*>(owner->NativeHandle())
                         : nullptr;
        box.title = caption;
        box.message = text;
        box.numbuttons = static_cast<int>(data.size());
        box.buttons = data.data();
        int pressed = -1;
        if (SDL_ShowMessageBox(&box, &pressed) == 0 && pressed > 0) return pressed;
        if (SDL_ShowMessageBox(&box, &pressed) == 0) return buttons.back().id;
    }
    std::fprintf(stderr, "%s: %s\n", caption, text);
    return answer ? answer : buttons.front().id;
}

bool MessageBox::SetHeadless(bool headless, int answer) {
    Settings& s = Config();
    std::lock_guard<std::mutex> lock(s.mutex);
    bool was = s.headless;
    s.headless = headless;
    s.answer = answer;
    return was;
}

bool MessageBox::IsHeadless() {
    {
        Settings& s = Config();
        std::lock_guard<std::mutex> lock(s.mutex);
        if (s.headless) return true;
    }
    return EnvHeadless() || WindowSystem::IsHeadless();
}

MessageBox::Hook MessageBox::SetHook(Hook hook) {
    Settings& s = Config();
    std::lock_guard<std::mutex> lock(s.mutex);
    Hook old = std::move(s.hook);
    s.hook = std::move(hook);
    return old;
}

}  // namespace plat
