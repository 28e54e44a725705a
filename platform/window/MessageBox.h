#pragma once
#include <cstdint>
#include <functional>

namespace plat {

class Window;

// Message box styles and answers.
namespace MessageBoxStyle {
constexpr uint32_t Ok = 0x00000000;
constexpr uint32_t OkCancel = 0x00000001;
constexpr uint32_t YesNoCancel = 0x00000003;
constexpr uint32_t YesNo = 0x00000004;
constexpr uint32_t IconError = 0x00000010;
constexpr uint32_t IconQuestion = 0x00000020;
constexpr uint32_t IconExclamation = 0x00000030;
constexpr uint32_t IconInformation = 0x00000040;
constexpr uint32_t ButtonMask = 0x0000000f;
constexpr uint32_t IconMask = 0x000000f0;
}  // namespace MessageBoxStyle
namespace MessageBoxAnswer {
constexpr int Ok = 1;
constexpr int Cancel = 2;
constexpr int Yes = 6;
constexpr int No = 7;
}  // namespace MessageBoxAnswer

// A modal message box. Where no window can be shown (no display, SDL's dummy video driver, or
// headless mode switched on) the text goes to stderr as "caption: text" and the configured
// answer comes back at once.
class MessageBox {
public:
    static int Show(Window* owner, const char* text, const char* caption, uint32_t style);

    // Headless mode and its answer (0: the first button of the style). Answers the previous
    // setting of headless.
    static bool SetHeadless(bool headless, int answer = 0);
    static bool IsHeadless();
    // Replaces the box altogether (tests read what would have been shown); empty restores.
    using Hook = std::function<int(const char* text, const char* caption, uint32_t style)>;
    static Hook SetHook(Hook hook);
};

}  // namespace plat
