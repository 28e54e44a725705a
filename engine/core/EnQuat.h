#pragma once
#include "engine/core/EnMatrix3.h"
#include "engine/core/EnVector3.h"

class EnStream;

// Rotation as a quaternion (w, x, y, z), w the scalar part: a turn by angle a about the unit
// axis u is (cos(a/2), sin(a/2) u). Keyframe rotations and the inverse-kinematics code
// interpolate with it. Its matrix conversions use the counter-clockwise convention, so
// FromAngleAxis(a, u) converts to the same matrix as EnMatrix3::MakeRotation(-a, u).
class EnQuat {
public:
    float w, x, y, z;

    // Leaves the components unset.
    EnQuat() = default;
    constexpr EnQuat(float fW, float fX, float fY, float fZ) : w(fW), x(fX), y(fY), z(fZ) {}

    EnQuat operator+(const EnQuat& q) const { return {w + q.w, x + q.x, y + q.y, z + q.z}; }
    EnQuat operator-(const EnQuat& q) const { return {w - q.w, x - q.x, y - q.y, z - q.z}; }
    EnQuat operator-() const { return {-w, -x, -y, -z}; }
    EnQuat operator*(float f) const { return {w * f, x * f, y * f, z * f}; }
    friend EnQuat operator*(float f, const EnQuat& q) { return q * f; }
    // Hamilton product this * q.
    EnQuat operator*(const EnQuat& q) const {
        return {w * q.w - x * q.x - y * q.y - z * q.z, w * q.x + x * q.w + y * q.z - z * q.y,
                w * q.y + y * q.w + z * q.x - x * q.z, w * q.z + z * q.w + x * q.y - y * q.x};
    }
    bool operator==(const EnQuat& q) const { return w == q.w && x == q.x && y == q.y && z == q.z; }

    float Dot(const EnQuat& q) const { return w * q.w + x * q.x + y * q.y + z * q.z; }
    // The inverse of a unit quaternion.
    EnQuat Conjugate() const { return {w, -x, -y, -z}; }

    // exp of the pure quaternion (0, v); the scalar part is ignored.
    EnQuat Exp() const;
    // log of a unit quaternion, a pure quaternion.
    EnQuat Log() const;

    // Spherical linear interpolation from p (t = 0) to q (t = 1) along the arc between the two
    // quaternions exactly as given: there is no flip to the shorter arc, so keys are expected
    // to be sign-aligned already. Nearly equal quaternions give p.
    static EnQuat Slerp(float t, const EnQuat& p, const EnQuat& q);
    // Inner control point at q1 for quadrangle interpolation through q0, q1, q2.
    static EnQuat Intermediate(const EnQuat& q0, const EnQuat& q1, const EnQuat& q2);
    // Spherical quadrangle interpolation from p to q with inner control points a and b.
    static EnQuat Squad(float t, const EnQuat& p, const EnQuat& a, const EnQuat& b,
                        const EnQuat& q);

    // The axis is used as given, not normalised.
    void FromAngleAxis(float fAngle, const EnVector3& kAxis);
    void ToRotation(EnMatrix3& kRot) const;
    void FromRotation(const EnMatrix3& kRot);

    // Stream form: w, x, y, z as four little-endian floats (the same form as a four-float
    // colour).
    bool Load(EnStream& kStream);
    bool Save(EnStream& kStream) const;

    static const EnQuat IDENTITY;
};
