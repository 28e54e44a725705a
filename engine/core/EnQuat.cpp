#include "engine/core/EnQuat.h"

#include <cmath>
#include "engine/core/EnMath.h"
#include "engine/core/EnStream.h"

constinit const EnQuat EnQuat::IDENTITY(1.0f, 0.0f, 0.0f, 0.0f);

EnQuat EnQuat::Exp() const {
    const float a = std::sqrt(x * x + y * y + z * z);
    const float s = std::sin(a);
    // sin(a)/a tends to 1; below the threshold the division would only add noise.
    const float fFactor = std::fabs(s) >= 0.001f ? s / a : 1.0f;
    return {std::cos(a), fFactor * x, fFactor * y, fFactor * z};
}

EnQuat EnQuat::Log() const {
    const float a = EnACosClamped(w);
    const float s = std::sin(a);
    const float fFactor = std::fabs(s) >= 0.001f ? a / s : 1.0f;
    return {0.0f, fFactor * x, fFactor * y, fFactor * z};
}

EnQuat EnQuat::Slerp(float t, const EnQuat& p, const EnQuat& q) {
    const float a = EnACosClamped(p.Dot(q));
    const float s = std::sin(a);
    if (s < 0.001f) return p;
    const float fInvSin = 1.0f / s;
    return (std::sin(t * a) * fInvSin) * q + (std::sin((1.0f - t) * a) * fInvSin) * p;
}

EnQuat EnQuat::Intermediate(const EnQuat& q0, const EnQuat& q1, const EnQuat& q2) {
    const EnQuat kInv = q1.Conjugate();
    const EnQuat kA = (kInv * q2).Log();
    const EnQuat kB = (kInv * q0).Log();
    return q1 * (-0.25f * (kA + kB)).Exp();
}

EnQuat EnQuat::Squad(float t, const EnQuat& p, const EnQuat& a, const EnQuat& b, const EnQuat& q) {
    return Slerp(2.0f * t * (1.0f - t), Slerp(t, p, q), Slerp(t, a, b));
}

void EnQuat::FromAngleAxis(float fAngle, const EnVector3& kAxis) {
    const float fHalf = 0.5f * fAngle;
    const float s = std::sin(fHalf);
    w = std::cos(fHalf);
    x = s * kAxis.x;
    y = s * kAxis.y;
    z = s * kAxis.z;
}

void EnQuat::ToRotation(EnMatrix3& kRot) const {
    const float tx = 2.0f * x, ty = 2.0f * y, tz = 2.0f * z;
    const float twx = tx * w, twy = ty * w, twz = tz * w;
    const float txx = tx * x, txy = ty * x, txz = tz * x;
    const float tyy = ty * y, tyz = tz * y, tzz = tz * z;
    kRot = EnMatrix3(1.0f - (tyy + tzz), txy - twz, txz + twy,  //
                     txy + twz, 1.0f - (txx + tzz), tyz - twx,  //
                     txz - twy, tyz + twx, 1.0f - (txx + tyy));
}

void EnQuat::FromRotation(const EnMatrix3& kRot) {
    const auto& m = kRot.m_aafEntry;
    const float fTrace = m[0][0] + m[1][1] + m[2][2];
    if (fTrace > 0.0f) {
        const float r = std::sqrt(fTrace + 1.0f);
        w = 0.5f * r;
        const float f = 0.5f / r;
        x = (m[2][1] - m[1][2]) * f;
        y = (m[0][2] - m[2][0]) * f;
        z = (m[1][0] - m[0][1]) * f;
        return;
    }

    // Build from the largest diagonal entry so the root is taken of the largest term.
    static constexpr int s_aiNext[3] = {1, 2, 0};
    int i = m[1][1] > m[0][0] ? 1 : 0;
    if (m[2][2] > m[i][i]) i = 2;
    const int j = s_aiNext[i];
    const int k = s_aiNext[j];

    float* apfComponent[3] = {&x, &y, &z};
    // A non-rotation could make the radicand negative; it is at least 1 for any rotation.
    const float fRadicand = m[i][i] - m[j][j] - m[k][k] + 1.0f;
    const float r = std::sqrt(fRadicand > 0.0f ? fRadicand : 0.0f);
    *apfComponent[i] = 0.5f * r;
    const float f = r > 0.0f ? 0.5f / r : 0.0f;
    w = (m[k][j] - m[j][k]) * f;
    *apfComponent[j] = (m[i][j] + m[j][i]) * f;
    *apfComponent[k] = (m[i][k] + m[k][i]) * f;
}

bool EnQuat::Load(EnStream& kStream) {
    const bool bW = kStream.ReadF32(w);
    const bool bX = kStream.ReadF32(x);
    const bool bY = kStream.ReadF32(y);
    const bool bZ = kStream.ReadF32(z);
    return bW && bX && bY && bZ;
}

bool EnQuat::Save(EnStream& kStream) const {
    const bool bW = kStream.WriteF32(w);
    const bool bX = kStream.WriteF32(x);
    const bool bY = kStream.WriteF32(y);
    const bool bZ = kStream.WriteF32(z);
    return bW && bX && bY && bZ;
}
