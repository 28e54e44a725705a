#include "engine/geometry/EnTriangleSweep.h"

#include <algorithm>
#include <cmath>

namespace {

// A point of the swept parallelogram: the time and where the segment's point is then.
struct SweptPoint {
    float fTime;
    EnVector3 kPoint;
};

SweptPoint Lerp(const SweptPoint& k0, const SweptPoint& k1, float s) {
    return {(1.0f - s) * k0.fTime + s * k1.fTime, k0.kPoint * (1.0f - s) + k1.kPoint * s};
}

// The parallelogram's corners and the signed plane distances at each; distances within
// rounding of the plane count as on it, so that a segment lying in the plane is recognised as
// such however its coordinates round.
struct Parallelogram {
    SweptPoint akCorner[4];  // a at 0, b at 0, a at the end, b at the end
    float afDistance[4];

    Parallelogram(float fTime, const EnVector3& kNormal, float fConstant,
                  const EnVector3& kVelocity, const EnVector3& kStart, const EnVector3& kEnd) {
        const EnVector3 kShift = kVelocity * fTime;
        akCorner[0] = {0.0f, kStart};
        akCorner[1] = {0.0f, kEnd};
        akCorner[2] = {fTime, kStart + kShift};
        akCorner[3] = {fTime, kEnd + kShift};
        const float fSize = std::max((kEnd - kStart).Length(), kShift.Length());
        const float fScale = std::fabs(fConstant) + kNormal.Length() * (kStart.Length() + fSize);
        const float fTolerance = 1e-6f * fScale;
        for (int i = 0; i < 4; i++) {
            const float d = kNormal.Dot(akCorner[i].kPoint) - fConstant;
            afDistance[i] = std::fabs(d) <= fTolerance ? 0.0f : d;
        }
    }

    bool LiesInPlane() const {
        return afDistance[0] == 0.0f && afDistance[1] == 0.0f && afDistance[2] == 0.0f &&
               afDistance[3] == 0.0f;
    }
};

// The four sides in the order: the segment at the start, the path of a, the path of b, the
// segment at the end.
constexpr int SIDES[4][2] = {{0, 1}, {0, 2}, {1, 3}, {2, 3}};

// The earliest point of the segment k0 -> k1 (lying in the triangle's plane) that lies in the
// triangle, found by clipping the segment with the three barycentric half-planes.
bool ClipAgainstTriangle(const SweptPoint& k0, const SweptPoint& k1, const EnVector3& kQ0,
                         const EnVector3& kQ1, const EnVector3& kQ2, SweptPoint& kEntry) {
    float afAt0[3], afAt1[3];
    if (!ComputeBarycentric(kQ0, kQ1, kQ2, k0.kPoint, afAt0)) return false;
    if (!ComputeBarycentric(kQ0, kQ1, kQ2, k1.kPoint, afAt1)) return false;
    float fEnter = 0.0f, fExit = 1.0f;
    for (int k = 0; k < 3; k++) {
        const float b0 = afAt0[k], b1 = afAt1[k];
        if (!(b0 >= 0.0f) && !(b1 >= 0.0f)) return false;
        if (b0 < 0.0f)
            fEnter = std::max(fEnter, b0 / (b0 - b1));
        else if (b1 < 0.0f)
            fExit = std::min(fExit, b0 / (b0 - b1));
    }
    if (fEnter > fExit) return false;
    kEntry = Lerp(k0, k1, fEnter);
    return true;
}

}  // namespace

bool ComputeBarycentric(const EnVector3& kA, const EnVector3& kB, const EnVector3& kC,
                        const EnVector3& kP, float afCoord[3]) {
    const EnVector3 u = kA - kC, v = kB - kC, w = kP - kC;
    const float uu = u.Dot(u), vv = v.Dot(v), uv = u.Dot(v), wu = w.Dot(u), wv = w.Dot(v);
    // |u x v|^2 equals uu vv - uv^2 without its cancellation on thin triangles.
    const float d = u.Cross(v).SqrLength();
    if (!(d > 0.0f) || !std::isfinite(d)) return false;
    afCoord[0] = (wu * vv - wv * uv) / d;
    afCoord[1] = (uu * wv - wu * uv) / d;
    afCoord[2] = 1.0f - afCoord[0] - afCoord[1];
    return std::isfinite(afCoord[0]) && std::isfinite(afCoord[1]);
}

bool SweepSegmentAgainstPlane(float fTime, const EnVector3& kNormal, float fConstant,
                              const EnVector3& kVelocity, const EnVector3& kStart,
                              const EnVector3& kEnd, float& fFirst, EnVector3& kFirst, float& fLast,
                              EnVector3& kLast) {
    const Parallelogram kShape(fTime, kNormal, fConstant, kVelocity, kStart, kEnd);

    // The parallelogram meets the plane in one segment whose ends are all the crossings its
    // sides have (a side in the plane gives both its ends): the earliest crossing is one end,
    // and the crossing furthest from it the other.
    SweptPoint akCrossing[8];
    int iCount = 0;
    for (const auto& aiSide : SIDES) {
        const float d0 = kShape.afDistance[aiSide[0]], d1 = kShape.afDistance[aiSide[1]];
        const SweptPoint& k0 = kShape.akCorner[aiSide[0]];
        const SweptPoint& k1 = kShape.akCorner[aiSide[1]];
        if (d0 * d1 > 0.0f) continue;
        if (d0 == 0.0f && d1 == 0.0f) {
            akCrossing[iCount++] = k0;
            akCrossing[iCount++] = k1;
        } else {
            akCrossing[iCount++] = Lerp(k0, k1, d0 / (d0 - d1));
        }
    }
    if (iCount == 0) return false;

    int iFirst = 0;
    for (int i = 1; i < iCount; i++)
        if (akCrossing[i].fTime < akCrossing[iFirst].fTime) iFirst = i;
    int iLast = iFirst;
    float fFurthest = -1.0f;
    for (int i = 0; i < iCount; i++) {
        const float fDist = (akCrossing[i].kPoint - akCrossing[iFirst].kPoint).SqrLength();
        if (fDist > fFurthest) {
            fFurthest = fDist;
            iLast = i;
        }
    }
    fFirst = akCrossing[iFirst].fTime;
    kFirst = akCrossing[iFirst].kPoint;
    fLast = akCrossing[iLast].fTime;
    kLast = akCrossing[iLast].kPoint;
    if (fLast < fFirst) fLast = fFirst;
    return true;
}

bool SweepSegmentAgainstTriangle(const EnVector3& kStart, const EnVector3& kEnd,
                                 const EnVector3& kQ0, const EnVector3& kQ1, const EnVector3& kQ2,
                                 const EnVector3& kNormal, float fConstant,
                                 const EnVector3& kVelocity, float fTime, float& fEarliest,
                                 EnVector3& kPoint) {
    const Parallelogram kShape(fTime, kNormal, fConstant, kVelocity, kStart, kEnd);
    SweptPoint kContact{};
    bool bMet = false;

    if (kShape.LiesInPlane()) {
        // Sliding within the triangle's plane, the segment sweeps an area rather than a line:
        // it first touches the triangle at the start, or where one of its ends enters it (a
        // corner of the triangle met by the segment's inside is the other triangle's sweep).
        for (const auto& aiSide : SIDES) {
            SweptPoint kEntry;
            if (!ClipAgainstTriangle(kShape.akCorner[aiSide[0]], kShape.akCorner[aiSide[1]], kQ0,
                                     kQ1, kQ2, kEntry))
                continue;
            if (!bMet || kEntry.fTime < kContact.fTime) kContact = kEntry;
            bMet = true;
        }
    } else {
        SweptPoint k0, k1;
        if (!SweepSegmentAgainstPlane(fTime, kNormal, fConstant, kVelocity, kStart, kEnd, k0.fTime,
                                      k0.kPoint, k1.fTime, k1.kPoint))
            return false;
        bMet = ClipAgainstTriangle(k0, k1, kQ0, kQ1, kQ2, kContact);
    }
    if (!bMet) return false;
    if (kContact.fTime < fEarliest) {
        fEarliest = kContact.fTime;
        kPoint = kContact.kPoint;
    }
    return true;
}

bool SweepTriangleEdges(const EnVector3& kP0, const EnVector3& kP1, const EnVector3& kP2,
                        const EnVector3& kQ0, const EnVector3& kQ1, const EnVector3& kQ2,
                        const EnVector3& kVelocity, float fTime, float& fEarliest,
                        EnVector3& kPoint) {
    const EnVector3 kNormal = (kQ1 - kQ0).Cross(kQ2 - kQ0);
    const float fConstant = kNormal.Dot(kQ0);
    bool bMet = SweepSegmentAgainstTriangle(kP0, kP1, kQ0, kQ1, kQ2, kNormal, fConstant, kVelocity,
                                            fTime, fEarliest, kPoint);
    bMet |= SweepSegmentAgainstTriangle(kP0, kP2, kQ0, kQ1, kQ2, kNormal, fConstant, kVelocity,
                                        fTime, fEarliest, kPoint);
    bMet |= SweepSegmentAgainstTriangle(kP1, kP2, kQ0, kQ1, kQ2, kNormal, fConstant, kVelocity,
                                        fTime, fEarliest, kPoint);
    return bMet;
}

bool FindSweptTriangleContact(float fTime, const EnVector3& kVelocityA, const EnVector3& kA0,
                              const EnVector3& kA1, const EnVector3& kA2,
                              const EnVector3& kVelocityB, const EnVector3& kB0,
                              const EnVector3& kB1, const EnVector3& kB2, float& fContactTime,
                              EnVector3& kContactPoint) {
    // Each sweep holds the other triangle still, so its point is in that triangle's frame and
    // is carried back to the world by the still triangle's own motion.
    float fTimeA = 3.4028235e38f, fTimeB = 3.4028235e38f;
    EnVector3 kPointA(0.0f, 0.0f, 0.0f), kPointB(0.0f, 0.0f, 0.0f);
    const bool bA = SweepTriangleEdges(kA0, kA1, kA2, kB0, kB1, kB2, kVelocityA - kVelocityB, fTime,
                                       fTimeA, kPointA);
    const bool bB = SweepTriangleEdges(kB0, kB1, kB2, kA0, kA1, kA2, kVelocityB - kVelocityA, fTime,
                                       fTimeB, kPointB);
    if (!bA && !bB) return false;
    if (bA && (!bB || fTimeA <= fTimeB)) {
        fContactTime = fTimeA;
        kContactPoint = kPointA + kVelocityB * fTimeA;
    } else {
        fContactTime = fTimeB;
        kContactPoint = kPointB + kVelocityA * fTimeB;
    }
    return true;
}
