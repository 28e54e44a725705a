#pragma once
#include <cstdint>
#include "engine/core/EnMatrix3.h"
#include "engine/core/EnPlaneEquation.h"
#include "engine/core/EnVector3.h"

class EnStream;

// The bounding volume of every scene object: a centre and a radius. The flag byte is 1 on a
// freshly constructed sphere and 0 once anything has assigned it; geometry data uses it to
// know that its bound still has to be computed from the vertices.
class EnBoundSphere {
public:
    EnVector3 m_center;
    float m_fRadius;
    uint8_t m_ucFlag;

    EnBoundSphere() : m_center(EnVector3::ZERO), m_fRadius(0.0f), m_ucFlag(1) {}
    EnBoundSphere(const EnVector3& kCenter, float fRadius)
        : m_center(kCenter), m_fRadius(fRadius), m_ucFlag(0) {}
    EnBoundSphere(const EnBoundSphere& kSphere)
        : m_center(kSphere.m_center), m_fRadius(kSphere.m_fRadius), m_ucFlag(0) {}
    EnBoundSphere& operator=(const EnBoundSphere& kSphere) {
        m_center = kSphere.m_center;
        m_fRadius = kSphere.m_fRadius;
        m_ucFlag = 0;
        return *this;
    }

    const EnVector3& GetCenter() const { return m_center; }
    float GetRadius() const { return m_fRadius; }
    void SetCenter(const EnVector3& kCenter) { m_center = kCenter; }
    void SetRadius(float fRadius) { m_fRadius = fRadius; }
    uint8_t GetFlag() const { return m_ucFlag; }
    void SetFlag(uint8_t ucFlag) { m_ucFlag = ucFlag; }

    // Exact comparison of radius and centre; the flag is not compared.
    bool operator==(const EnBoundSphere& kSphere) const {
        return m_fRadius == kSphere.m_fRadius && m_center.x == kSphere.m_center.x &&
               m_center.y == kSphere.m_center.y && m_center.z == kSphere.m_center.z;
    }

    // Stream form: the centre as three little-endian floats, then the radius; the flag is not
    // stored (Load leaves it as it was).
    bool Load(EnStream& kStream);
    bool Save(EnStream& kStream) const;
    // "<name> = (x,y,z) , radius" as a new[] text the caller frees.
    char* MakeViewerString(const char* pcName) const;

    // Centred on the points' axis-aligned box, just large enough to hold every point. No
    // points give the empty sphere at the origin.
    void ComputeFromPoints(unsigned int uiCount, const EnVector3* pPoints);
    // Grows this sphere to the smallest sphere enclosing both.
    void Merge(const EnBoundSphere& kSphere);
    // This := the source sphere rotated, uniformly scaled and then translated.
    void Transform(const EnBoundSphere& kSource, const EnMatrix3& kRotation,
                   const EnVector3& kTranslation, float fScale);
    // EnPlaneEquation::NEGATIVE_SIDE when wholly behind the plane, POSITIVE_SIDE when wholly
    // in front, NO_SIDE when the plane cuts the sphere.
    int WhichSide(const EnPlaneEquation& kPlane) const;

    // Whether two spheres moving linearly with the given velocities touch during [0, fTime].
    static bool TestIntersect(float fTime, const EnBoundSphere& kSphere0,
                              const EnVector3& kVelocity0, const EnBoundSphere& kSphere1,
                              const EnVector3& kVelocity1);
    // As TestIntersect, and on contact also the first contact time, the contact point and,
    // when asked for, the unit contact normals (normal1 = -normal0).
    static bool FindIntersect(float fTime, const EnBoundSphere& kSphere0,
                              const EnVector3& kVelocity0, const EnBoundSphere& kSphere1,
                              const EnVector3& kVelocity1, float& fIntersectTime,
                              EnVector3& kIntersectPoint, bool bCalcNormals, EnVector3& kNormal0,
                              EnVector3& kNormal1);
};
