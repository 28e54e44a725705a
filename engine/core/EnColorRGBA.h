#pragma once

class EnStream;

// An RGBA colour of four floats (vertex colours, screen polygons, light colours with opacity).
// The arithmetic never clamps; comparison is exact.
class EnColorRGBA {
public:
    float r = 0.0f;
    float g = 0.0f;
    float b = 0.0f;
    float a = 0.0f;

    constexpr EnColorRGBA() = default;
    constexpr EnColorRGBA(float fR, float fG, float fB, float fA) : r(fR), g(fG), b(fB), a(fA) {}

    bool operator==(const EnColorRGBA& kOther) const = default;

    EnColorRGBA operator+(const EnColorRGBA& c) const {
        return {r + c.r, g + c.g, b + c.b, a + c.a};
    }
    EnColorRGBA operator*(float f) const { return {r * f, g * f, b * f, a * f}; }
    friend EnColorRGBA operator*(float f, const EnColorRGBA& c) { return c * f; }

    // Scene-file form: four little-endian floats, red, green, blue, alpha.
    bool Load(EnStream& kStream);
    bool Save(EnStream& kStream) const;

    static const EnColorRGBA BLACK;  // opaque black
    static const EnColorRGBA WHITE;  // opaque white
};
