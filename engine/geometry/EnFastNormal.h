#pragma once
#include <cstdint>

#include "engine/core/EnMath.h"
#include "engine/core/EnVector3.h"

// The unit vector the normal generators use: the table square root of the squared length,
// seven bits of mantissa precision, which is all a lighting normal needs. A zero vector stays
// zero.
inline EnVector3 EnFastUnit(const EnVector3& kVector) {
    const float fSquared = kVector.Dot(kVector);
    if (fSquared == 0.0f) return EnVector3::ZERO;
    const float fRoot = EnFastSqrt(fSquared);
    if (!(fRoot > 0.0f)) return EnVector3::ZERO;
    return kVector * (1.0f / fRoot);
}

// The unit face normal of the triangle (a, b, c): (b - a) x (c - b).
inline EnVector3 EnFastFaceNormal(const EnVector3& kA, const EnVector3& kB, const EnVector3& kC) {
    return EnFastUnit((kB - kA).Cross(kC - kB));
}

// Makes the first uiCount vectors unit length in place.
inline void EnFastUnitizeArray(EnVector3* pVectors, uint32_t uiCount) {
    for (uint32_t i = 0; i < uiCount; i++) pVectors[i] = EnFastUnit(pVectors[i]);
}
