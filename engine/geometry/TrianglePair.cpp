#include "engine/geometry/TrianglePair.h"

#include <cmath>

namespace {

// The engine's parallel tolerance. It is applied to the sines and cosines of the angles
// involved, not to the raw cross and dot products of unnormalised edges, so that the same
// triangles give the same answer at any scale: on raw products a small mesh would count every
// pair of planes as parallel, and a large one none.
constexpr float PARALLEL_TOLERANCE = 1e-05f;

// Whether p, lying in the plane of a still triangle (first corner c0, edges g0 and g1, normal
// m = g0 x g1), lies in the triangle; the boundary counts as inside.
bool InFace(const EnVector3& kP, const EnVector3& kC0, const EnVector3& kG0, const EnVector3& kG1,
            const EnVector3& kM) {
    const EnVector3 kW = kP - kC0;
    const float c1 = kW.Cross(kG1).Dot(kM);
    const float c2 = kG0.Cross(kW).Dot(kM);
    return c1 >= 0.0f && c2 >= 0.0f && c1 + c2 <= kM.Dot(kM);
}

// Where two segments in the plane with normal n cross, when they do and are not parallel.
bool CrossCoplanar(const EnVector3& kA0, const EnVector3& kA1, const EnVector3& kC0,
                   const EnVector3& kC1, const EnVector3& kNormal, EnVector3& kPoint) {
    const EnVector3 kD1 = kA1 - kA0, kD2 = kC1 - kC0, kR = kC0 - kA0;
    const float fDen = kD1.Cross(kD2).Dot(kNormal);
    const float fScale = kD1.Length() * kD2.Length() * kNormal.Length();
    if (!(std::fabs(fDen) > PARALLEL_TOLERANCE * fScale)) return false;
    const float s = kR.Cross(kD2).Dot(kNormal) / fDen;
    const float u = kR.Cross(kD1).Dot(kNormal) / fDen;
    if (s < 0.0f || s > 1.0f || u < 0.0f || u > 1.0f) return false;
    kPoint = kA0 + kD1 * s;
    return true;
}

constexpr int EDGES[3][2] = {{0, 1}, {0, 2}, {1, 2}};

}  // namespace

TrianglePair::TrianglePair(const EnVector3* pP0, const EnVector3* pP1, const EnVector3* pP2,
                           const EnVector3* pVelocityA, const EnVector3* pQ0, const EnVector3* pQ1,
                           const EnVector3* pQ2, const EnVector3* pVelocityB)
    : m_apP{pP0, pP1, pP2},
      m_pVelocityA(pVelocityA),
      m_apQ{pQ0, pQ1, pQ2},
      m_pVelocityB(pVelocityB) {
    m_kD = *pQ0 - *pP0;
    m_kV = *pVelocityB - *pVelocityA;
    m_kE0 = *pP1 - *pP0;
    m_kE1 = *pP2 - *pP0;
    m_kN = m_kE0.Cross(m_kE1);
    m_kG0 = *pQ1 - *pQ0;
    m_kG1 = *pQ2 - *pQ0;
    m_kM = m_kG0.Cross(m_kG1);
}

void TrianglePair::SortProjections(const float afValue[3], float afSorted[3], int aiCorner[3]) {
    for (int i = 0; i < 3; i++) {
        afSorted[i] = afValue[i];
        aiCorner[i] = i;
    }
    // Insertion sort: only a strictly smaller value moves ahead, so equal values keep their
    // corner order.
    for (int i = 1; i < 3; i++) {
        for (int j = i; j > 0 && afSorted[j] < afSorted[j - 1]; j--) {
            const float f = afSorted[j];
            afSorted[j] = afSorted[j - 1];
            afSorted[j - 1] = f;
            const int c = aiCorner[j];
            aiCorner[j] = aiCorner[j - 1];
            aiCorner[j - 1] = c;
        }
    }
}

void TrianglePair::Project(const EnVector3& kAxis, Projection& kOut) const {
    kOut.afA[0] = 0.0f;
    kOut.afA[1] = kAxis.Dot(m_kE0);
    kOut.afA[2] = kAxis.Dot(m_kE1);
    const float fBase = kAxis.Dot(m_kD);
    kOut.afB[0] = fBase;
    kOut.afB[1] = fBase + kAxis.Dot(m_kG0);
    kOut.afB[2] = fBase + kAxis.Dot(m_kG1);
    kOut.fSpeed = kAxis.Dot(m_kV);
}

bool TrianglePair::OverlapsOnAxis(const float afA[3], const float afB[3], float fSpeed,
                                  float& fEntry) const {
    fEntry = 0.0f;
    if (afB[0] <= afA[2]) {
        if (afB[2] >= afA[0]) return true;  // they overlap now
        if (afB[2] + fSpeed * m_fTMax < afA[0]) return false;
        fEntry = (afA[0] - afB[2]) / fSpeed;
        return true;
    }
    if (afB[0] + fSpeed * m_fTMax > afA[2]) return false;
    fEntry = (afA[2] - afB[0]) / fSpeed;
    return true;
}

bool TrianglePair::CheckAxis(uint32_t uiKind, const EnVector3& kAxis, bool bFind) {
    Projection kProjection;
    Project(kAxis, kProjection);
    float afA[3], afB[3];
    int aiA[3], aiB[3];
    SortProjections(kProjection.afA, afA, aiA);
    SortProjections(kProjection.afB, afB, aiB);
    float fEntry;
    if (!OverlapsOnAxis(afA, afB, kProjection.fSpeed, fEntry)) return false;
    if (bFind && fEntry > m_fTFirst) {
        m_fTFirst = fEntry;
        m_uiKind = uiKind;
        for (int i = 0; i < 3; i++) {
            m_afSortedA[i] = afA[i];
            m_afSortedB[i] = afB[i];
            m_aiCornerA[i] = aiA[i];
            m_aiCornerB[i] = aiB[i];
        }
    }
    return true;
}

bool TrianglePair::RunAxes(bool bFind) {
    // The parallel-plane step below moves B; every run starts from the pair as made.
    m_kD = *m_apQ[0] - *m_apP[0];
    m_kV = *m_pVelocityB - *m_pVelocityA;

    if (!CheckAxis(AXIS_N, m_kN, bFind)) return false;
    if (!CheckAxis(AXIS_M, m_kM, bFind)) return false;

    const float fNN = m_kN.SqrLength(), fMM = m_kM.SqrLength();
    if (m_kN.Cross(m_kM).SqrLength() > PARALLEL_TOLERANCE * fNN * fMM) {
        // The third edges' cross products are differences of the first four.
        const EnVector3 k00 = m_kE0.Cross(m_kG0), k01 = m_kE0.Cross(m_kG1);
        const EnVector3 k10 = m_kE1.Cross(m_kG0), k11 = m_kE1.Cross(m_kG1);
        const EnVector3 k02 = k01 - k00, k12 = k11 - k10;
        const EnVector3 k20 = k10 - k00, k21 = k11 - k01, k22 = k12 - k02;
        const EnVector3* apAxis[9] = {&k00, &k01, &k02, &k10, &k11, &k12, &k20, &k21, &k22};
        for (int i = 0; i < 9; i++)
            if (!CheckAxis(uint32_t(AXIS_E0G0) << i, *apAxis[i], bFind)) return false;
        return true;
    }

    // Parallel planes can only meet where B reaches A's plane: moved there, the rest of the
    // test is in the plane and at rest. B moving within the plane is tested over the step.
    const float fNV = m_kN.Dot(m_kV);
    if (fNV * fNV > PARALLEL_TOLERANCE * fNN * m_kV.SqrLength()) {
        m_kD += m_kV * (-m_kN.Dot(m_kD) / fNV);
        m_kV = EnVector3(0.0f, 0.0f, 0.0f);
    }
    const EnVector3 kG2 = m_kG1 - m_kG0, kE2 = m_kE1 - m_kE0;
    const EnVector3 akAxis[6] = {m_kM.Cross(m_kG0), m_kM.Cross(m_kG1), m_kM.Cross(kG2),
                                 m_kN.Cross(m_kE0), m_kN.Cross(m_kE1), m_kN.Cross(kE2)};
    const uint32_t auiKind[6] = {AXIS_MG0, AXIS_MG0 << 1, AXIS_MG0 << 2,
                                 AXIS_NE0, AXIS_NE0 << 1, AXIS_NE0 << 2};
    for (int i = 0; i < 6; i++)
        if (!CheckAxis(auiKind[i], akAxis[i], bFind)) return false;
    return true;
}

bool TrianglePair::Test(float fTMax) {
    m_fTMax = fTMax;
    return RunAxes(false);
}

bool TrianglePair::Find(float fTMax, float& fTime, EnVector3& kPoint, bool bWantNormals,
                        EnVector3& kNormalA, EnVector3& kNormalB) {
    m_fTMax = fTMax;
    m_fTFirst = 0.0f;
    m_uiKind = AXIS_NONE;
    if (!RunAxes(true)) return false;
    ComputeContactPoint();
    fTime = m_fTFirst;
    kPoint = m_kPoint;
    if (bWantNormals) {
        kNormalA = m_kN;
        kNormalA.Unitize();
        kNormalB = m_kM;
        kNormalB.Unitize();
    }
    return true;
}

EnVector3 TrianglePair::CornerA(int i) const {
    return *m_apP[i] + *m_pVelocityA * m_fTFirst;
}

EnVector3 TrianglePair::CornerB(int i) const {
    return *m_apQ[i] + *m_pVelocityB * m_fTFirst;
}

void TrianglePair::ComputeContactPoint() {
    if (m_uiKind == AXIS_NONE) {
        // Overlapping at the start: the centroid of the smaller triangle, which lies nearer
        // the overlap.
        const bool bUseA = m_kM.SqrLength() >= m_kN.SqrLength();
        const EnVector3* const* apCorner = bUseA ? m_apP : m_apQ;
        m_kPoint = (*apCorner[0] + *apCorner[1] + *apCorner[2]) * (1.0f / 3.0f);
        return;
    }

    // The sides that face each other along the deciding axis: A's top and B's bottom when B
    // came from above, else A's bottom and B's top; each a corner, an edge or the whole face.
    const bool bFromAbove = m_afSortedB[0] > m_afSortedA[2];
    const float fSideA = bFromAbove ? m_afSortedA[2] : m_afSortedA[0];
    const float fSideB = bFromAbove ? m_afSortedB[0] : m_afSortedB[2];
    int aiSideA[3], aiSideB[3], iCountA = 0, iCountB = 0;
    for (int k = 0; k < 3; k++) {
        if (m_afSortedA[k] == fSideA) aiSideA[iCountA++] = m_aiCornerA[k];
        if (m_afSortedB[k] == fSideB) aiSideB[iCountB++] = m_aiCornerB[k];
    }

    // What the edge and face cases keep when they find nothing closer.
    m_kPoint = CornerA(aiSideA[0]);
    if (iCountA == 1) return;
    if (iCountB == 1) {
        m_kPoint = CornerB(aiSideB[0]);
    } else if (iCountA == 2 && iCountB == 2) {
        EdgeEdgeContact(aiSideA[0], aiSideA[1], aiSideB[0], aiSideB[1]);
    } else if (iCountA == 2) {
        EdgeFaceContact(aiSideA[0], aiSideA[1]);
    } else if (iCountB == 2) {
        FaceEdgeContact(aiSideB[0], aiSideB[1]);
    } else {
        FaceFaceContact();
    }
}

// The contact cases work in A's frame (A still, B moved on by the relative motion to the
// contact time) and carry the point into the world by A's own motion.

void TrianglePair::EdgeEdgeContact(int iA0, int iA1, int iB0, int iB1) {
    const float t = m_fTFirst;
    const EnVector3 kShift = (*m_pVelocityB - *m_pVelocityA) * t;
    const EnVector3 kMotionA = *m_pVelocityA * t;
    const EnVector3& a0 = *m_apP[iA0];
    const EnVector3 kDir = *m_apP[iA1] - a0;
    const EnVector3 b0 = *m_apQ[iB0] + kShift, b1 = *m_apQ[iB1] + kShift;

    const float fAcross = kDir.Dot(m_kM);
    if (std::fabs(fAcross) <= PARALLEL_TOLERANCE * kDir.Length() * m_kM.Length()) {
        // A's edge runs along B's plane: the end point where the two edges' common stretch
        // along A's edge begins.
        const float fA0 = 0.0f, fA1 = kDir.Dot(kDir);
        const float fB0 = (b0 - a0).Dot(kDir), fB1 = (b1 - a0).Dot(kDir);
        const float fMinA = fA0 < fA1 ? fA0 : fA1, fMinB = fB0 < fB1 ? fB0 : fB1;
        EnVector3 kEnd;
        if (fMinB > fMinA)
            kEnd = fB0 <= fB1 ? b0 : b1;
        else
            kEnd = fA0 <= fA1 ? a0 : *m_apP[iA1];
        m_kPoint = kEnd + kMotionA;
        return;
    }
    float fParam = (b0 - a0).Dot(m_kM) / fAcross;
    fParam = fParam < 0.0f ? 0.0f : (fParam > 1.0f ? 1.0f : fParam);
    m_kPoint = a0 + kDir * fParam + kMotionA;
}

void TrianglePair::EdgeFaceContact(int iA0, int iA1) {
    const float t = m_fTFirst;
    const EnVector3 kShift = (*m_pVelocityB - *m_pVelocityA) * t;
    const EnVector3 kMotionA = *m_pVelocityA * t;
    const EnVector3 q[3] = {*m_apQ[0] + kShift, *m_apQ[1] + kShift, *m_apQ[2] + kShift};
    const EnVector3& e0 = *m_apP[iA0];
    const EnVector3& e1 = *m_apP[iA1];
    if (InFace(e0, q[0], m_kG0, m_kG1, m_kM)) {
        m_kPoint = e0 + kMotionA;
        return;
    }
    if (InFace(e1, q[0], m_kG0, m_kG1, m_kM)) {
        m_kPoint = e1 + kMotionA;
        return;
    }
    EnVector3 kCross;
    for (const auto& aiEdge : EDGES) {
        if (CrossCoplanar(e0, e1, q[aiEdge[0]], q[aiEdge[1]], m_kM, kCross)) {
            m_kPoint = kCross + kMotionA;
            return;
        }
    }
}

void TrianglePair::FaceEdgeContact(int iB0, int iB1) {
    const float t = m_fTFirst;
    const EnVector3 kShift = (*m_pVelocityB - *m_pVelocityA) * t;
    const EnVector3 kMotionA = *m_pVelocityA * t;
    const EnVector3 b0 = *m_apQ[iB0] + kShift, b1 = *m_apQ[iB1] + kShift;
    const EnVector3& p0 = *m_apP[0];
    if (InFace(b0, p0, m_kE0, m_kE1, m_kN)) {
        m_kPoint = b0 + kMotionA;
        return;
    }
    if (InFace(b1, p0, m_kE0, m_kE1, m_kN)) {
        m_kPoint = b1 + kMotionA;
        return;
    }
    EnVector3 kCross;
    for (const auto& aiEdge : EDGES) {
        if (CrossCoplanar(b0, b1, *m_apP[aiEdge[0]], *m_apP[aiEdge[1]], m_kN, kCross)) {
            m_kPoint = kCross + kMotionA;
            return;
        }
    }
}

void TrianglePair::FaceFaceContact() {
    const float t = m_fTFirst;
    const EnVector3 kShift = (*m_pVelocityB - *m_pVelocityA) * t;
    const EnVector3 kMotionA = *m_pVelocityA * t;
    const EnVector3 q[3] = {*m_apQ[0] + kShift, *m_apQ[1] + kShift, *m_apQ[2] + kShift};
    for (const EnVector3& kCorner : q) {
        if (InFace(kCorner, *m_apP[0], m_kE0, m_kE1, m_kN)) {
            m_kPoint = kCorner + kMotionA;
            return;
        }
    }
    EnVector3 kCross;
    for (const auto& aiEdgeB : EDGES) {
        for (const auto& aiEdgeA : EDGES) {
            if (CrossCoplanar(q[aiEdgeB[0]], q[aiEdgeB[1]], *m_apP[aiEdgeA[0]], *m_apP[aiEdgeA[1]],
                              m_kN, kCross)) {
                m_kPoint = kCross + kMotionA;
                return;
            }
        }
    }
    // No corner of B in A and no crossing edges: A lies inside B.
    for (int i = 0; i < 3; i++) {
        if (InFace(*m_apP[i], q[0], m_kG0, m_kG1, m_kM)) {
            m_kPoint = *m_apP[i] + kMotionA;
            return;
        }
    }
}
