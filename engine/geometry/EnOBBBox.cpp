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

// Axes in the order 1 to 15: A's three, B's three, then a_i x b_j with i major, each as a
// vector: the contact search needs the axis itself to find the touching features.
class SweptAxes {
public:
    SweptAxes(const EnOBBBox& kA, const EnOBBBox& kB)
        : m_kA(kA), m_kB(kB), m_fTime(TimeStepOf(kA)) {
        m_kDiff = kB.m_kWorldCenter - kA.m_kWorldCenter;
        m_kShift = (VelocityOf(kB) - VelocityOf(kA)) * m_fTime;
        // The same allowance for round-off on the cross axes as the overlap test makes.
        float fSum = 0.0f;
        for (int k = 0; k < 3; k++)
            fSum += std::fabs(m_kDiff.Dot(kA.m_akWorldAxis[k])) +
                    std::fabs(m_kShift.Dot(kA.m_akWorldAxis[k])) + kA.m_afWorldExtent[k] +
                    kB.m_afWorldExtent[k];
        m_fSlack = 1e-6f * fSum;
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
            kGap.fRadius = RadiusAlong(m_kA, kGap.kAxis) + RadiusAlong(m_kB, kGap.kAxis) + m_fSlack;
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
    float m_fSlack = 0.0f;
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
    // The hot test of every tree search, so it works in this box's frame: with R_ij = a_i . b_j
    // the cross axis a_i x b_j has components made of R's entries. Those identities hold only
    // as far as the float frames are orthonormal, so the cross axes get a slack as large as
    // that round-off can make their gaps; nearly parallel edges then never separate.
    const EnVector3* a = m_akWorldAxis;
    const EnVector3* b = kOther.m_akWorldAxis;
    const float* ea = m_afWorldExtent;
    const float* eb = kOther.m_afWorldExtent;
    const EnVector3 kDiff = kOther.m_kWorldCenter - m_kWorldCenter;
    const EnVector3 kShift = (VelocityOf(kOther) - VelocityOf(*this)) * TimeStepOf(*this);

    auto Separated = [](float r, float d0, float d1) {
        return (d0 > r && d1 > r) || (d0 < -r && d1 < -r);
    };

    float R[3][3], AbsR[3][3], t[3], s[3];
    for (int i = 0; i < 3; i++) {
        for (int j = 0; j < 3; j++) {
            R[i][j] = a[i].Dot(b[j]);
            AbsR[i][j] = std::fabs(R[i][j]);
        }
        t[i] = kDiff.Dot(a[i]);
        s[i] = kShift.Dot(a[i]);
    }
    for (int i = 0; i < 3; i++) {
        const float r = ea[i] + eb[0] * AbsR[i][0] + eb[1] * AbsR[i][1] + eb[2] * AbsR[i][2];
        if (Separated(r, t[i], t[i] + s[i])) return false;
    }
    for (int j = 0; j < 3; j++) {
        const float r = ea[0] * AbsR[0][j] + ea[1] * AbsR[1][j] + ea[2] * AbsR[2][j] + eb[j];
        const float d0 = kDiff.Dot(b[j]);
        if (Separated(r, d0, d0 + kShift.Dot(b[j]))) return false;
    }

    const float fSlack =
        1e-6f * (std::fabs(t[0]) + std::fabs(t[1]) + std::fabs(t[2]) + std::fabs(s[0]) +
                 std::fabs(s[1]) + std::fabs(s[2]) + ea[0] + ea[1] + ea[2] + eb[0] + eb[1] + eb[2]);
    for (int i = 0; i < 3; i++) {
        const int i1 = (i + 1) % 3, i2 = (i + 2) % 3;
        for (int j = 0; j < 3; j++) {
            const int j1 = (j + 1) % 3, j2 = (j + 2) % 3;
            const float r = ea[i1] * AbsR[i2][j] + ea[i2] * AbsR[i1][j] + eb[j1] * AbsR[i][j2] +
                            eb[j2] * AbsR[i][j1] + fSlack;
            const float d0 = t[i2] * R[i1][j] - t[i1] * R[i2][j];
            const float d1 = d0 + (s[i2] * R[i1][j] - s[i1] * R[i2][j]);
            if (Separated(r, d0, d1)) return false;
        }
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
