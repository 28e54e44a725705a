#pragma once
#include <cstdint>

namespace plat {

struct DisplayMode {
    uint32_t width = 0, height = 0, bitsPerPixel = 0, refreshRate = 0;
    bool operator==(const DisplayMode&) const = default;
};

namespace DisplayChangeBits {
constexpr uint32_t Test = 0x00000002;        // only say whether the mode could be set
constexpr uint32_t FullScreen = 0x00000004;  // the mode holds while the program runs
}  // namespace DisplayChangeBits

enum class DisplayChange : int32_t { Successful = 0, Restart = 1, Failed = -1, BadMode = -2 };

// The display modes the game may ask for. A full-screen mode is not a real mode switch: the
// program's windows go desktop full screen and the renderer scales its buffers to them;
// restoring brings them back to windowed.
class DisplaySettings {
public:
    // The mode list (512x384 to 1280x1024 at 16 and 32 bits); false past its end.
    static bool EnumMode(uint32_t index, DisplayMode& mode);
    // The mode in force: the one set, else the desktop's (its depth shown as 16 or 32).
    static bool Current(DisplayMode& mode);
    // A null mode restores the desktop.
    static DisplayChange Change(const DisplayMode* mode, uint32_t flags);
    // Whether a game mode is in force.
    static bool IsChanged();
};

}  // namespace plat
