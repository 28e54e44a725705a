#pragma once
#include <cstdint>

#include "engine/core/EnVector3.h"

// The exact collision test of two triangles that move in straight lines during a time step
// [0, tmax], by separating axes over time: the two are apart for the whole step when, on some
// axis, their projections are apart at the start and stay apart to the end. B is treated as
// moving at the velocity relative to A. Made on the stack for each pair; it keeps pointers to
// the caller's points and velocities, which must outlive it.
class TrianglePair {
public:
    // Kinds of the axis that decided the first contact time.
    enum AxisKind : uint32_t {
        AXIS_NONE = 0,
        AXIS_N = 1,       // A's normal
        AXIS_M = 2,       // B's normal
        AXIS_E0G0 = 4,    // then E0 x G1, E0 x G2, E1 x G0, ... E2 x G2 up to 1024
        AXIS_NE0 = 2048,  // then N x E1, N x E2: A's in-plane edge normals
        AXIS_MG0 = 16384  // then M x G1, M x G2: B's in-plane edge normals
    };

    TrianglePair(const EnVector3* pP0, const EnVector3* pP1, const EnVector3* pP2,
                 const EnVector3* pVelocityA, const EnVector3* pQ0, const EnVector3* pQ1,
                 const EnVector3* pQ2, const EnVector3* pVelocityB);

    // Whether the triangles touch at some time within [0, fTMax].
    bool Test(float fTMax);
    // The same, and on a contact the first contact time, a point of the contact in world space
    // at that time and, when asked for, the unit normals of A and of B.
    bool Find(float fTMax, float& fTime, EnVector3& kPoint, bool bWantNormals, EnVector3& kNormalA,
              EnVector3& kNormalB);

    // Sorts three projections ascending with the corner index of each; equal values keep
    // their corner order.
    static void SortProjections(const float afValue[3], float afSorted[3], int aiCorner[3]);

    // The kind of the axis that set the first contact time in the last Find (0: none, the
    // triangles overlapped at the start).
    uint32_t GetContactKind() const { return m_uiKind; }

private:
    // Both triangles' projections on one axis (relative to P0) and B's speed along it.
    struct Projection {
        float afA[3];
        float afB[3];
        float fSpeed;
    };

    void Project(const EnVector3& kAxis, Projection& kOut) const;
    // The interval rule of both Test and Find, on the sorted projections: false when the axis
    // keeps the triangles apart over the step; otherwise, when B reaches A only later in the
    // step, the time it does (else 0).
    bool OverlapsOnAxis(const float afA[3], const float afB[3], float fSpeed, float& fEntry) const;
    // Runs the axes in order; bFind records the configuration of the latest entry.
    bool RunAxes(bool bFind);
    bool CheckAxis(uint32_t uiKind, const EnVector3& kAxis, bool bFind);

    EnVector3 CornerA(int i) const;
    EnVector3 CornerB(int i) const;
    void ComputeContactPoint();
    void EdgeEdgeContact(int iA0, int iA1, int iB0, int iB1);
    void EdgeFaceContact(int iA0, int iA1);
    void FaceEdgeContact(int iB0, int iB1);
    void FaceFaceContact();

    const EnVector3* m_apP[3];
    const EnVector3* m_pVelocityA;
    const EnVector3* m_apQ[3];
    const EnVector3* m_pVelocityB;
    EnVector3 m_kD;  // Q0 - P0
    EnVector3 m_kV;  // vB - vA
    EnVector3 m_kE0, m_kE1, m_kN;
    EnVector3 m_kG0, m_kG1, m_kM;
    float m_fTMax = 0.0f;
    float m_fTFirst = 0.0f;
    uint32_t m_uiKind = AXIS_NONE;
    float m_afSortedA[3] = {0.0f, 0.0f, 0.0f};
    float m_afSortedB[3] = {0.0f, 0.0f, 0.0f};
    int m_aiCornerA[3] = {0, 1, 2};
    int m_aiCornerB[3] = {0, 1, 2};
    EnVector3 m_kPoint{0.0f, 0.0f, 0.0f};
};
