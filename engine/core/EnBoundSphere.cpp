#include "engine/core/EnBoundSphere.h"

#include <cmath>
#include "engine/core/EnFormatString.h"
#include "engine/core/EnStream.h"

void EnBoundSphere::ComputeFromPoints(unsigned int uiCount, const EnVector3* pPoints) {
    m_ucFlag = 0;
    if (uiCount < 1 || !pPoints) {
        m_center = EnVector3::ZERO;
        m_fRadius = 0.0f;
        return;
    }

    EnVector3 kMin = pPoints[0];
    EnVector3 kMax = pPoints[0];
    for (unsigned int i = 1; i < uiCount; ++i) {
        const EnVector3& p = pPoints[i];
        if (p.x < kMin.x) kMin.x = p.x;
        if (p.x > kMax.x) kMax.x = p.x;
        if (p.y < kMin.y) kMin.y = p.y;
        if (p.y > kMax.y) kMax.y = p.y;
        if (p.z < kMin.z) kMin.z = p.z;
        if (p.z > kMax.z) kMax.z = p.z;
    }
    m_center = (kMin + kMax) * 0.5f;

    float fMaxSqr = 0.0f;
    for (unsigned int i = 0; i < uiCount; ++i) {
        const float fSqr = (pPoints[i] - m_center).SqrLength();
        if (fSqr > fMaxSqr) fMaxSqr = fSqr;
    }
    m_fRadius = std::sqrt(fMaxSqr);
}

void EnBoundSphere::Merge(const EnBoundSphere& kSphere) {
    const EnVector3 kDiff = m_center - kSphere.m_center;
    const float fLengthSqr = kDiff.SqrLength();
    const float fRadiusDiff = kSphere.m_fRadius - m_fRadius;
    const float fRadiusDiffSqr = fRadiusDiff * fRadiusDiff;

    if (fRadiusDiffSqr >= fLengthSqr) {
        if (fRadiusDiff >= 0.0f) {
            // The other sphere holds this one.
            m_center = kSphere.m_center;
            m_fRadius = kSphere.m_fRadius;
        }
        return;
    }

    const float fLength = std::sqrt(fLengthSqr);
    if (fLength > 1e-6f) {
        m_center = kSphere.m_center + kDiff * ((fLength - fRadiusDiff) / (2.0f * fLength));
    }
    m_fRadius = (m_fRadius + kSphere.m_fRadius + fLength) * 0.5f;
}

void EnBoundSphere::Transform(const EnBoundSphere& kSource, const EnMatrix3& kRotation,
                              const EnVector3& kTranslation, float fScale) {
    m_center = fScale * (kRotation * kSource.m_center) + kTranslation;
    m_fRadius = fScale * kSource.m_fRadius;
    m_ucFlag = 0;
}

int EnBoundSphere::WhichSide(const EnPlaneEquation& kPlane) const {
    const float fDistance = kPlane.m_normal.Dot(m_center) - kPlane.m_fConstant;
    if (fDistance <= -m_fRadius) return EnPlaneEquation::NEGATIVE_SIDE;
    if (fDistance >= m_fRadius) return EnPlaneEquation::POSITIVE_SIDE;
    return EnPlaneEquation::NO_SIDE;
}

bool EnBoundSphere::TestIntersect(float fTime, const EnBoundSphere& kSphere0,
                                  const EnVector3& kVelocity0, const EnBoundSphere& kSphere1,
                                  const EnVector3& kVelocity1) {
    const EnVector3 kW = kVelocity1 - kVelocity0;
    const EnVector3 kD = kSphere1.m_center - kSphere0.m_center;
    const float fDD = kD.SqrLength();
    const float fRadiusSum = kSphere0.m_fRadius + kSphere1.m_fRadius;
    const float fRSqr = fRadiusSum * fRadiusSum;
    const float fWW = kW.SqrLength();

    if (fWW > 0.0f) {
        const float fE = kD.Dot(kW);
        if (fE <= 0.0f) {
            if (-fWW * fTime > fE) {
                // Still closing at the end of the span: test the distance then.
                return (2.0f * fE + fWW * fTime) * fTime + fDD <= fRSqr;
            }
            return fRSqr * fWW >= fDD * fWW - fE * fE;
        }
    }
    return fDD <= fRSqr;
}

bool EnBoundSphere::FindIntersect(float fTime, const EnBoundSphere& kSphere0,
                                  const EnVector3& kVelocity0, const EnBoundSphere& kSphere1,
                                  const EnVector3& kVelocity1, float& fIntersectTime,
                                  EnVector3& kIntersectPoint, bool bCalcNormals,
                                  EnVector3& kNormal0, EnVector3& kNormal1) {
    const EnVector3 kW = kVelocity1 - kVelocity0;
    const EnVector3 kD = kSphere1.m_center - kSphere0.m_center;
    const float fDD = kD.SqrLength();
    const float fRadiusSum = kSphere0.m_fRadius + kSphere1.m_fRadius;
    const float fRSqr = fRadiusSum * fRadiusSum;
    const float fWW = kW.SqrLength();
    const float fE = kD.Dot(kW);

    auto touchingNow = [&] {
        fIntersectTime = 0.0f;
        kIntersectPoint = (kSphere0.m_center + kSphere1.m_center) * 0.5f;
        if (bCalcNormals) {
            kNormal0 = kD;
            kNormal0.Unitize();
            kNormal1 = -kNormal0;
        }
        return true;
    };

    if (fWW <= 0.0f || fE > 0.0f) {
        if (fDD > fRSqr) return false;
        return touchingNow();
    }

    if (-fWW * fTime > fE && (2.0f * fE + fWW * fTime) * fTime + fDD > fRSqr) return false;

    const float fG = fDD - fRSqr;
    const float fDiscr = fE * fE - fG * fWW;
    if (fDiscr < 0.0f) return false;
    if (fG <= 0.0f) return touchingNow();

    float t = -(std::sqrt(fDiscr) + fE) / fWW;
    if (t < 0.0f)
        t = 0.0f;
    else if (t > fTime)
        t = fTime;
    fIntersectTime = t;

    const EnVector3 kDiffAtT = kD + kW * t;
    // Two point-sized spheres meet where their centres meet.
    const float fShare = fRadiusSum > 0.0f ? kSphere0.m_fRadius / fRadiusSum : 0.0f;
    kIntersectPoint = (kSphere0.m_center + kVelocity0 * t) + kDiffAtT * fShare;
    if (bCalcNormals) {
        kNormal0 = kDiffAtT;
        kNormal0.Unitize();
        kNormal1 = -kNormal0;
    }
    return true;
}

bool EnBoundSphere::Load(EnStream& kStream) {
    const bool bCenter = m_center.Load(kStream);
    const bool bRadius = kStream.ReadF32(m_fRadius);
    return bCenter && bRadius;
}

bool EnBoundSphere::Save(EnStream& kStream) const {
    const bool bCenter = m_center.Save(kStream);
    const bool bRadius = kStream.WriteF32(m_fRadius);
    return bCenter && bRadius;
}

char* EnBoundSphere::MakeViewerString(const char* pcName) const {
    return EnFormatNewString("%s = (%f,%f,%f) , %f", pcName ? pcName : "", double(m_center.x),
                             double(m_center.y), double(m_center.z), double(m_fRadius));
}
