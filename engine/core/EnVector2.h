#pragma once

class EnStream;

// Two floats: a 2D point, and the (u, v) texture coordinates of geometry data. A plain value;
// the default constructor leaves it unset, as texture-coordinate arrays are filled right after.
class EnVector2 {
public:
    float x, y;

    EnVector2() = default;
    constexpr EnVector2(float fX, float fY) : x(fX), y(fY) {}

    EnVector2 operator+(const EnVector2& v) const { return {x + v.x, y + v.y}; }
    EnVector2 operator-(const EnVector2& v) const { return {x - v.x, y - v.y}; }
    EnVector2 operator*(float f) const { return {x * f, y * f}; }
    friend EnVector2 operator*(float f, const EnVector2& v) { return v * f; }
    bool operator==(const EnVector2& v) const { return x == v.x && y == v.y; }

    // Stream form: x, y as two little-endian floats.
    bool Load(EnStream& kStream);
    bool Save(EnStream& kStream) const;

    static const EnVector2 ZERO;
    static const EnVector2 UNIT_X;
    static const EnVector2 UNIT_Y;
};
