#pragma once
#include <cstdint>

namespace plat {

class Window;

// The messages a window procedure receives, with Win32-shaped parameters so that handlers keep
// their flow: mouse messages carry the key state in wParam and the client position packed in
// lParam (x low 16 bits, y high 16 bits, signed); key messages carry the virtual key in wParam
// and the key data in lParam (repeat count 0-15, scan code 16-23, Alt held 29, the key was
// already down 30, released 31).
namespace Msg {
constexpr uint32_t Null = 0x0000;
constexpr uint32_t Create = 0x0001;
constexpr uint32_t Destroy = 0x0002;
constexpr uint32_t Move = 0x0003;
constexpr uint32_t Size = 0x0005;      // wParam SizeKind, lParam client width | height << 16
constexpr uint32_t Activate = 0x0006;  // wParam Activation | minimised << 16
constexpr uint32_t SetFocus = 0x0007;
constexpr uint32_t KillFocus = 0x0008;
constexpr uint32_t Paint = 0x000f;
constexpr uint32_t Close = 0x0010;
constexpr uint32_t Quit = 0x0012;  // wParam exit code; never dispatched
constexpr uint32_t QueryNewPalette = 0x030f;
constexpr uint32_t PaletteChanged = 0x0311;  // wParam the window that changed it
constexpr uint32_t KeyDown = 0x0100;
constexpr uint32_t KeyUp = 0x0101;
constexpr uint32_t Char = 0x0102;        // wParam the character (Latin-1), lParam as the key
constexpr uint32_t SysKeyDown = 0x0104;  // keys while Alt is held, and F10
constexpr uint32_t SysKeyUp = 0x0105;
constexpr uint32_t SysChar = 0x0106;
constexpr uint32_t SysCommand = 0x0112;  // wParam SysCmd
constexpr uint32_t MouseMove = 0x0200;
constexpr uint32_t LButtonDown = 0x0201;
constexpr uint32_t LButtonUp = 0x0202;
constexpr uint32_t RButtonDown = 0x0204;
constexpr uint32_t RButtonUp = 0x0205;
constexpr uint32_t MButtonDown = 0x0207;
constexpr uint32_t MButtonUp = 0x0208;
constexpr uint32_t MouseWheel = 0x020a;  // wParam high word: signed delta, 120 a notch
constexpr uint32_t User = 0x0400;
}  // namespace Msg

namespace Activation {
constexpr uint32_t Inactive = 0;
constexpr uint32_t Active = 1;
constexpr uint32_t ClickActive = 2;
}  // namespace Activation

namespace SizeKind {
constexpr uint32_t Restored = 0;
constexpr uint32_t Minimized = 1;
constexpr uint32_t Maximized = 2;
}  // namespace SizeKind

// System commands (Msg::SysCommand wParam).
namespace SysCmd {
constexpr uint32_t Size = 0xf000;
constexpr uint32_t Move = 0xf010;
constexpr uint32_t Minimize = 0xf020;
constexpr uint32_t Maximize = 0xf030;
constexpr uint32_t NextWindow = 0xf040;
constexpr uint32_t PrevWindow = 0xf050;
constexpr uint32_t Close = 0xf060;
constexpr uint32_t MouseMenu = 0xf090;
constexpr uint32_t KeyMenu = 0xf100;
constexpr uint32_t Restore = 0xf120;
constexpr uint32_t TaskList = 0xf130;
constexpr uint32_t ScreenSave = 0xf140;
constexpr uint32_t MonitorPower = 0xf170;
}  // namespace SysCmd

// Mouse key state (wParam of mouse messages).
namespace MouseKeys {
constexpr uint32_t LButton = 0x0001;
constexpr uint32_t RButton = 0x0002;
constexpr uint32_t Shift = 0x0004;
constexpr uint32_t Control = 0x0008;
constexpr uint32_t MButton = 0x0010;
}  // namespace MouseKeys

// Virtual key codes, numbered as the game's key tables expect (letters and digits are their
// upper-case ASCII codes).
namespace VKey {
constexpr uint32_t LButton = 0x01;
constexpr uint32_t RButton = 0x02;
constexpr uint32_t MButton = 0x04;
constexpr uint32_t Back = 0x08;
constexpr uint32_t Tab = 0x09;
constexpr uint32_t Return = 0x0d;
constexpr uint32_t Shift = 0x10;
constexpr uint32_t Control = 0x11;
constexpr uint32_t Menu = 0x12;  // Alt
constexpr uint32_t Pause = 0x13;
constexpr uint32_t Capital = 0x14;
constexpr uint32_t Escape = 0x1b;
constexpr uint32_t Space = 0x20;
constexpr uint32_t Prior = 0x21;
constexpr uint32_t Next = 0x22;
constexpr uint32_t End = 0x23;
constexpr uint32_t Home = 0x24;
constexpr uint32_t Left = 0x25;
constexpr uint32_t Up = 0x26;
constexpr uint32_t Right = 0x27;
constexpr uint32_t Down = 0x28;
constexpr uint32_t Snapshot = 0x2c;
constexpr uint32_t Insert = 0x2d;
constexpr uint32_t Delete = 0x2e;
constexpr uint32_t Key0 = 0x30;     // '0'..'9' = 0x30..0x39
constexpr uint32_t KeyA = 0x41;     // 'A'..'Z' = 0x41..0x5a
constexpr uint32_t Numpad0 = 0x60;  // Numpad0..Numpad9 = 0x60..0x69
constexpr uint32_t Multiply = 0x6a;
constexpr uint32_t Add = 0x6b;
constexpr uint32_t Subtract = 0x6d;
constexpr uint32_t Decimal = 0x6e;
constexpr uint32_t Divide = 0x6f;
constexpr uint32_t F1 = 0x70;  // F1..F12 = 0x70..0x7b
constexpr uint32_t F4 = 0x73;
constexpr uint32_t F10 = 0x79;
constexpr uint32_t NumLock = 0x90;
constexpr uint32_t Scroll = 0x91;
constexpr uint32_t LShift = 0xa0;
constexpr uint32_t RShift = 0xa1;
constexpr uint32_t LControl = 0xa2;
constexpr uint32_t RControl = 0xa3;
constexpr uint32_t LMenu = 0xa4;
constexpr uint32_t RMenu = 0xa5;
constexpr uint32_t Oem1 = 0xba;  // ;:
constexpr uint32_t OemPlus = 0xbb;
constexpr uint32_t OemComma = 0xbc;
constexpr uint32_t OemMinus = 0xbd;
constexpr uint32_t OemPeriod = 0xbe;
constexpr uint32_t Oem2 = 0xbf;  // /?
constexpr uint32_t Oem3 = 0xc0;  // `~
constexpr uint32_t Oem4 = 0xdb;  // [{
constexpr uint32_t Oem5 = 0xdc;  // backslash
constexpr uint32_t Oem6 = 0xdd;  // ]}
constexpr uint32_t Oem7 = 0xde;  // '"
}  // namespace VKey

// Bits of a key message's lParam.
namespace KeyData {
constexpr uint32_t AltDown = 1u << 29;
constexpr uint32_t Repeat = 1u << 30;  // the key was already down
constexpr uint32_t Released = 1u << 31;
}  // namespace KeyData

struct Message {
    Window* window = nullptr;
    uint32_t message = Msg::Null;
    uintptr_t wParam = 0;
    intptr_t lParam = 0;
    uint32_t time = 0;  // milliseconds since start
};

constexpr uint16_t LowWord(uint64_t v) {
    return static_cast<uint16_t>(v & 0xffff);
}
constexpr uint16_t HighWord(uint64_t v) {
    return static_cast<uint16_t>((v >> 16) & 0xffff);
}
constexpr intptr_t MakeLParam(int32_t lo, int32_t hi) {
    return static_cast<intptr_t>(static_cast<uint32_t>((lo & 0xffff) | ((hi & 0xffff) << 16)));
}
// Signed client coordinates of a mouse message.
constexpr int32_t PointX(intptr_t lParam) {
    return static_cast<int16_t>(LowWord(static_cast<uint64_t>(lParam)));
}
constexpr int32_t PointY(intptr_t lParam) {
    return static_cast<int16_t>(HighWord(static_cast<uint64_t>(lParam)));
}

}  // namespace plat
