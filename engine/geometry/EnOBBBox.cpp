#include "engine/geometry/EnOBBBox.h"

#include <cmath>
#include <utility>

#include "engine/geometry/EnOBBRoot.h"

namespace {

// Cross axes shorter than this (squared, from unit axes: the sine of the angle between the
// two edges below 1e-6) carry only rounding noise, whose direction says nothing about the
// boxes; like exactly parallel edges they never separate.
constexpr float PARALLEL_CROSS_SQR = 1e-12f;

// The world projection of both boxes on one axis: the sum of their radii, the distance of the
// centres at the start of the step and at its end.
struct AxisGap {
    EnVector3 kAxis;
    float fRadius;
    float fStart;
    float fEnd;
    bool bUsable;
};

float TimeStepOf(const EnOBBBox& kBox) {
    return kBox.m_pOwner ? kBox.m_pOwner->GetTimeStep() : 0.0f;
}

EnVector3 VelocityOf(const EnOBBBox& kBox) {
    return kBox.m_pOwner ? kBox.m_pOwner->GetVelocity() : EnVector3(0.0f, 0.0f, 0.0f);
}

float RadiusAlong(const EnOBBBox& kBox, const EnVector3& kAxis) {
    return std::fabs(kBox.m_afWorldExtent[0] * kBox.m_akWorldAxis[0].Dot(kAxis)) +
           std::fabs(kBox.m_afWorldExtent[1] * kBox.m_akWorldAxis[1].Dot(kAxis)) +
           std::fabs(kBox.m_afWorldExtent[2] * kBox.m_akWorldAxis[2].Dot(kAxis));
}

// Axes in the order 1 to 15: A's three, B's three, then a_i x b_j with i major. The gaps are
// computed from the axis vector itself rather than from the identities of an orthonormal frame,
// so that the rounding of nearly parallel axes cannot invent a separation.
class SweptAxes {
public:
    SweptAxes(const EnOBBBox& kA, const EnOBBBox& kB)
        : m_kA(kA), m_kB(kB), m_fTime(TimeStepOf(kA)) {
        m_kDiff = kB.m_kWorldCenter - kA.m_kWorldCenter;
        m_kShift = (VelocityOf(kB) - VelocityOf(kA)) * m_fTime;
    }

    AxisGap Get(int iAxis) const {
        AxisGap kGap{};
        kGap.bUsable = true;
        if (iAxis < 3) {
            kGap.kAxis = m_kA.m_akWorldAxis[iAxis];
            kGap.fRadius = m_kA.m_afWorldExtent[iAxis] + RadiusAlong(m_kB, kGap.kAxis);
        } else if (iAxis < 6) {
            kGap.kAxis = m_kB.m_akWorldAxis[iAxis - 3];
            kGap.fRadius = RadiusAlong(m_kA, kGap.kAxis) + m_kB.m_afWorldExtent[iAxis - 3];
        } else {
            const int i = (iAxis - 6) / 3, j = (iAxis - 6) % 3;
            kGap.kAxis = m_kA.m_akWorldAxis[i].Cross(m_kB.m_akWorldAxis[j]);
            if (!(kGap.kAxis.SqrLength() > PARALLEL_CROSS_SQR)) {
                kGap.bUsable = false;
                return kGap;
            }
            kGap.fRadius = RadiusAlong(m_kA, kGap.kAxis) + RadiusAlong(m_kB, kGap.kAxis);
        }
        kGap.fStart = m_kDiff.Dot(kGap.kAxis);
        kGap.fEnd = kGap.fStart + m_kShift.Dot(kGap.kAxis);
        return kGap;
    }

    float GetTime() const { return m_fTime; }

private:
    const EnOBBBox& m_kA;
    const EnOBBBox& m_kB;
    float m_fTime;
    EnVector3 m_kDiff;
    EnVector3 m_kShift;  // the relative motion over the whole step
};

float SignToward(float fDot) {
    return fDot < 0.0f ? -1.0f : 1.0f;
}

// The box's vertex furthest in the direction, at the centre given.
EnVector3 SupportVertex(const EnOBBBox& kBox, const EnVector3& kCenter, const EnVector3& kDir) {
    EnVector3 kPoint = kCenter;
    for (int k = 0; k < 3; k++)
        kPoint += kBox.m_akWorldAxis[k] *
                  (kBox.m_afWorldExtent[k] * SignToward(kBox.m_akWorldAxis[k].Dot(kDir)));
    return kPoint;
}

// The centre of the box's edge along axis iSkip that is furthest in the direction.
EnVector3 SupportEdgeCenter(const EnOBBBox& kBox, const EnVector3& kCenter, const EnVector3& kDir,
                            int iSkip) {
    EnVector3 kPoint = kCenter;
    for (int k = 0; k < 3; k++)
        if (k != iSkip)
            kPoint += kBox.m_akWorldAxis[k] *
                      (kBox.m_afWorldExtent[k] * SignToward(kBox.m_akWorldAxis[k].Dot(kDir)));
    return kPoint;
}

float Clamp(float f, float fLimit) {
    return f < -fLimit ? -fLimit : (f > fLimit ? fLimit : f);
}

}  // namespace

void EnOBBBox::UpdateWorld(const EnMatrix3& kRotate, const EnVector3& kTranslate, float fScale) {
    m_kWorldCenter = kRotate * (m_kModelCenter * fScale) + kTranslate;
    for (int k = 0; k < 3; k++) {
        m_akWorldAxis[k] = kRotate * m_akModelAxis[k];
        m_afWorldExtent[k] = fScale * m_afModelExtent[k];
    }
}

bool EnOBBBox::SweptOverlap(const EnOBBBox& kOther) const {
    const SweptAxes kAxes(*this, kOther);
    for (int iAxis = 0; iAxis < 15; iAxis++) {
        const AxisGap kGap = kAxes.Get(iAxis);
        if (!kGap.bUsable) continue;
        if (kGap.fStart > kGap.fRadius && kGap.fEnd > kGap.fRadius) return false;
        if (kGap.fStart < -kGap.fRadius && kGap.fEnd < -kGap.fRadius) return false;
    }
    return true;
}

bool EnOBBBox::FindSweptContact(const EnOBBBox& kOther, float& fTime, EnVector3& kPoint) const {
    const SweptAxes kAxes(*this, kOther);
    const float fStep = kAxes.GetTime();
    float fBest = 0.0f;
    int iBestAxis = -1;
    float fSide = 0.0f;
    EnVector3 kBestAxis(0.0f, 0.0f, 0.0f);

    for (int iAxis = 0; iAxis < 15; iAxis++) {
        const AxisGap kGap = kAxes.Get(iAxis);
        if (!kGap.bUsable) continue;
        const float r = kGap.fRadius, d0 = kGap.fStart, d1 = kGap.fEnd;
        float t, fAxisSide;
        if (d0 > r) {
            if (d1 > r) return false;
            t = (r - d0) * fStep / (d1 - d0);
            fAxisSide = 1.0f;
        } else if (d0 < -r) {
            if (d1 < -r) return false;
            t = (-r - d0) * fStep / (d1 - d0);
            fAxisSide = -1.0f;
        } else {
            continue;  // the projections overlap at the start
        }
        if (t > fBest) {
            fBest = t;
            iBestAxis = iAxis;
            fSide = fAxisSide;
            kBestAxis = kGap.kAxis;
        }
    }

    fTime = fBest;
    if (iBestAxis < 0) {
        kPoint = (m_kWorldCenter + kOther.m_kWorldCenter) * 0.5f;
        return true;
    }

    // The features that meet are found at the contact time, each box moved by its own
    // owner's velocity; the other box lies on side fSide of this one along the axis.
    const EnVector3 kCenterA = m_kWorldCenter + VelocityOf(*this) * fBest;
    const EnVector3 kCenterB = kOther.m_kWorldCenter + VelocityOf(kOther) * fBest;
    const EnVector3 kTowardB = kBestAxis * fSide;
    const EnVector3 kTowardA = -kTowardB;
    if (iBestAxis < 3) {
        // One of this box's faces: the other box's vertex nearest to it.
        kPoint = SupportVertex(kOther, kCenterB, kTowardA);
    } else if (iBestAxis < 6) {
        kPoint = SupportVertex(*this, kCenterA, kTowardB);
    } else {
        // Two edges: where the supporting edge of each box comes closest to the other's.
        const int i = (iBestAxis - 6) / 3, j = (iBestAxis - 6) % 3;
        const EnVector3& kDirA = m_akWorldAxis[i];
        const EnVector3& kDirB = kOther.m_akWorldAxis[j];
        const EnVector3 kEdgeA = SupportEdgeCenter(*this, kCenterA, kTowardB, i);
        const EnVector3 kEdgeB = SupportEdgeCenter(kOther, kCenterB, kTowardA, j);
        const EnVector3 kW = kEdgeA - kEdgeB;
        const float c = kDirA.Dot(kDirB);
        const float fAlongA = kDirA.Dot(kW), fAlongB = kDirB.Dot(kW);
        const float fDenom = 1.0f - c * c;
        float fParamA = 0.0f;
        if (fDenom > 1e-6f) fParamA = (c * fAlongB - fAlongA) / fDenom;
        fParamA = Clamp(fParamA, m_afWorldExtent[i]);
        const float fParamB = Clamp(fAlongB + fParamA * c, kOther.m_afWorldExtent[j]);
        kPoint = (kEdgeA + kDirA * fParamA + kEdgeB + kDirB * fParamB) * 0.5f;
    }
    return true;
}

void EnOBBBox::NormalAt(const EnVector3& kPoint, EnVector3& kNormal) const {
    const EnVector3 kExtent(m_afWorldExtent[0], m_afWorldExtent[1], m_afWorldExtent[2]);
    const float fLength = kExtent.Length();
    if (fLength <= 1e-6f || m_afWorldExtent[0] / fLength <= 0.0001f) {
        kNormal = m_akWorldAxis[0];
        return;
    }
    if (m_afWorldExtent[1] / fLength <= 0.0001f) {
        kNormal = m_akWorldAxis[1];
        return;
    }
    if (m_afWorldExtent[2] / fLength <= 0.0001f) {
        kNormal = m_akWorldAxis[2];
        return;
    }
    const EnVector3 kDiff = kPoint - m_kWorldCenter;
    kNormal = EnVector3(0.0f, 0.0f, 0.0f);
    for (int k = 0; k < 3; k++)
        kNormal += m_akWorldAxis[k] *
                   (kDiff.Dot(m_akWorldAxis[k]) / (m_afWorldExtent[k] * m_afWorldExtent[k]));
    kNormal.Unitize();
}

bool EnOBBBox::IntersectsRay(const EnVector3& kOrigin, const EnVector3& kDir) const {
    float fNear = -3.4e38f, fFar = 3.4e38f;
    const EnVector3 kToCenter = m_kWorldCenter - kOrigin;
    for (int k = 0; k < 3; k++) {
        const float e = std::fabs(m_afWorldExtent[k]);
        const float f = m_akWorldAxis[k].Dot(kDir);
        const float g = m_akWorldAxis[k].Dot(kToCenter);
        if (std::fabs(f) <= 1e-7f) {
            if (std::fabs(g) > e) return false;
            continue;
        }
        float t1 = (g + e) / f, t2 = (g - e) / f;
        if (t1 > t2) std::swap(t1, t2);
        if (t1 > fNear) fNear = t1;
        if (t2 < fFar) fFar = t2;
        if (fNear > fFar || fFar < 0.0f) return false;
    }
    return true;
}
