#pragma once

// An axis-aligned rectangle given by its four edges. Float rectangles are fractions of the
// render target with y growing upward (a viewport of 0, 1, 1, 0 is the whole target); integer
// rectangles are pixel rectangles with y growing downward.
template <class T>
struct EnRect {
    T m_left{};
    T m_right{};
    T m_top{};
    T m_bottom{};

    bool operator==(const EnRect&) const = default;
};
