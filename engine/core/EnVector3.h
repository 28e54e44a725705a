#pragma once
#include <cmath>

class EnStream;

// The engine's 3-vector: three floats and nothing else, so arrays of it are the packed
// vertex arrays the geometry code and the renderer share. A plain value; the default
// constructor leaves the components unset, as vertex arrays are filled right after.
class EnVector3 {
public:
    float x, y, z;

    EnVector3() = default;
    constexpr EnVector3(float fX, float fY, float fZ) : x(fX), y(fY), z(fZ) {}

    EnVector3 operator+(const EnVector3& v) const { return {x + v.x, y + v.y, z + v.z}; }
    EnVector3 operator-(const EnVector3& v) const { return {x - v.x, y - v.y, z - v.z}; }
    EnVector3 operator*(float f) const { return {x * f, y * f, z * f}; }
    friend EnVector3 operator*(float f, const EnVector3& v) { return v * f; }
    EnVector3 operator/(float f) const {
        const float fInv = 1.0f / f;
        return {x * fInv, y * fInv, z * fInv};
    }
    EnVector3 operator-() const { return {-x, -y, -z}; }
    EnVector3& operator+=(const EnVector3& v) {
        x += v.x;
        y += v.y;
        z += v.z;
        return *this;
    }
    EnVector3& operator-=(const EnVector3& v) {
        x -= v.x;
        y -= v.y;
        z -= v.z;
        return *this;
    }
    EnVector3& operator*=(float f) {
        x *= f;
        y *= f;
        z *= f;
        return *this;
    }
    // Exact comparison, as the scene comparisons want it; no tolerance.
    bool operator==(const EnVector3& v) const { return x == v.x && y == v.y && z == v.z; }

    float Dot(const EnVector3& v) const { return x * v.x + y * v.y + z * v.z; }
    // this x v, right-handed.
    EnVector3 Cross(const EnVector3& v) const {
        return {y * v.z - z * v.y, z * v.x - x * v.z, x * v.y - y * v.x};
    }
    float SqrLength() const { return x * x + y * y + z * z; }
    float Length() const { return std::sqrt(x * x + y * y + z * z); }

    // Scales to unit length and returns the old length. A vector too short to have a
    // trustworthy direction becomes zero (and 0 is returned) rather than blowing up.
    float Unitize() {
        const float fLength = Length();
        if (fLength > 1e-6f) {
            const float fInv = 1.0f / fLength;
            x *= fInv;
            y *= fInv;
            z *= fInv;
            return fLength;
        }
        x = y = z = 0.0f;
        return 0.0f;
    }

    // Stream form: x, y, z as three little-endian floats. Load answers false once the
    // stream's load has failed (the vector is then zero-filled where the file ran out).
    bool Load(EnStream& kStream);
    bool Save(EnStream& kStream) const;
    // "<name> = (x,y,z)" as a new[] text the caller frees.
    char* MakeViewerString(const char* pcName) const;

    static const EnVector3 ZERO;
    static const EnVector3 UNIT_X;
    static const EnVector3 UNIT_Y;
    static const EnVector3 UNIT_Z;
};
