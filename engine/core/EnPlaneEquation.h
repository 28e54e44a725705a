#pragma once
#include "engine/core/EnVector3.h"

class EnStream;

// An oriented plane: the points p with normal . p = constant. A point is on the positive side
// when normal . p - constant > 0. Frustum culling, BSP splitting and texture projection all
// use it.
class EnPlaneEquation {
public:
    // Sides that EnBoundSphere::WhichSide reports.
    enum : int { NO_SIDE = 0, POSITIVE_SIDE = 1, NEGATIVE_SIDE = 2 };

    EnVector3 m_normal;
    float m_fConstant;

    EnPlaneEquation() : m_normal(EnVector3::ZERO), m_fConstant(0.0f) {}
    EnPlaneEquation(const EnVector3& kNormal, float fConstant)
        : m_normal(kNormal), m_fConstant(fConstant) {}
    EnPlaneEquation(const EnVector3& kNormal, const EnVector3& kPoint)
        : m_normal(kNormal), m_fConstant(kNormal.Dot(kPoint)) {}

    // The plane through three points, normal along (p1 - p0) x (p2 - p1). Collinear points
    // give the zero normal (and so constant 0) rather than a direction made of rounding.
    void SetFromPoints(const EnVector3& kP0, const EnVector3& kP1, const EnVector3& kP2);

    // Stream form: the normal as three little-endian floats, then the constant.
    bool Load(EnStream& kStream);
    bool Save(EnStream& kStream) const;
    // "(nx,ny,nz), constant" as a new[] text the caller frees; the name is not printed.
    char* MakeViewerString(const char* pcName) const;

    // Signed distance for a unit normal.
    float Distance(const EnVector3& kPoint) const { return m_normal.Dot(kPoint) - m_fConstant; }

    // Exact comparison: normal x, y, z, then the constant.
    bool operator==(const EnPlaneEquation& kPlane) const {
        return m_normal.x == kPlane.m_normal.x && m_normal.y == kPlane.m_normal.y &&
               m_normal.z == kPlane.m_normal.z && m_fConstant == kPlane.m_fConstant;
    }
};
