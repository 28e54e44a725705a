#pragma once

class EnStream;

// An RGB colour of three floats, as the fog and material properties and the renderer's
// background use it. A plain value: no clamping anywhere, exact comparison.
class EnColorRGB {
public:
    float r = 0.0f;
    float g = 0.0f;
    float b = 0.0f;

    constexpr EnColorRGB() = default;
    constexpr EnColorRGB(float fR, float fG, float fB) : r(fR), g(fG), b(fB) {}

    bool operator==(const EnColorRGB& kOther) const = default;

    // Scene-file form: three little-endian floats, red, green, blue. Load answers false when the
    // stream ran out (the components then hold what the stream delivered, zeros past the end).
    bool Load(EnStream& kStream);
    bool Save(EnStream& kStream) const;

    // A new[] dump line "label = (r,g,b)", each component with three decimals.
    char* MakeViewerString(const char* pcLabel) const;

    static const EnColorRGB BLACK;
    static const EnColorRGB WHITE;
};
