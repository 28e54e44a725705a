#include "engine/geometry/EnOBBNode.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <new>
#include <vector>

#include "engine/core/EnAVObject.h"
#include "engine/core/EnCollisionRecord.h"
#include "engine/core/EnRayHit.h"
#include "engine/core/EnRayQuery.h"
#include "engine/geometry/EnOBBLeaf.h"
#include "engine/geometry/EnOBBRoot.h"
#include "engine/geometry/EnTriBasedGeom.h"

namespace {

// Below this many levels the centroid split is used; past it every range is halved at its
// median, so that no mesh, however its triangles are spread, builds a tree deep enough to
// exhaust the stack of the build or of the searches.
constexpr int MEDIAN_SPLIT_DEPTH = 48;

bool IsFinite(const EnVector3& v) {
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

}  // namespace

// The top-down construction: per-triangle areas and centroids, a box fitted to each range by
// the area-weighted covariance of its triangles, and a split of the range by the side of the
// box's centre on which each centroid lies. Two arrays of triangle numbers take turns as the
// source and the destination of the splits, level by level.
class EnOBBNode::Builder {
public:
    Builder(EnOBBRoot& kOwner, const uint32_t* puiTriangles, uint32_t uiCount,
            const EnVector3* pModelVertex, int32_t iThreshold)
        : m_kOwner(kOwner),
          m_pModelVertex(pModelVertex),
          m_iThreshold(iThreshold),
          m_kP(puiTriangles, puiTriangles + uiCount),
          m_kS(uiCount) {
        const uint32_t uiAll = kOwner.GetTriangleCount();
        m_kArea.assign(uiAll, 0.0f);
        m_kCentroid.assign(uiAll, EnVector3(0.0f, 0.0f, 0.0f));
        for (uint32_t t : m_kP) {
            const EnVector3* p = Corners(t);
            m_kArea[t] = 0.5f * (p[1] - p[0]).Cross(p[2] - p[0]).Length();
            m_kCentroid[t] = (p[0] + p[1] + p[2]) * 0.33333334f;
        }
    }

    void BuildTop(EnOBBNode& kTop) {
        BuildSubtree(kTop, 0, uint32_t(m_kP.size() - 1), m_kP.data(), m_kS.data(), 0);
    }

private:
    // The model points of triangle t (checked against the vertex count when the tree began).
    const EnVector3* Corners(uint32_t t) {
        uint16_t ausIndex[3];
        m_kOwner.GetTriangleIndices(uint16_t(t), ausIndex[0], ausIndex[1], ausIndex[2]);
        for (int k = 0; k < 3; k++) m_akCorner[k] = m_pModelVertex[ausIndex[k]];
        return m_akCorner;
    }

    void BuildSubtree(EnOBBNode& kNode, uint32_t uiFirst, uint32_t uiLast, uint32_t* puiP,
                      uint32_t* puiS, int iDepth) {
        FitBox(kNode.m_kBox, puiP, uiFirst, uiLast);
        if (int64_t(uiLast) - int64_t(uiFirst) >= m_iThreshold) {
            uint32_t uiLeftEnd, uiRightStart;
            PartitionTriangles(kNode.m_kBox, uiFirst, uiLast, puiP, puiS, uiLeftEnd, uiRightStart,
                               iDepth >= MEDIAN_SPLIT_DEPTH);
            kNode.m_spFirst = MakeChild(uiFirst, uiLeftEnd, puiS, puiP, iDepth + 1);
            kNode.m_spSecond = MakeChild(uiRightStart, uiLast, puiS, puiP, iDepth + 1);
            if (kNode.HasChildren()) return;
            // A child that could not be made leaves the node answering for its whole range.
            kNode.m_spFirst.reset();
            kNode.m_spSecond.reset();
        }
        kNode.m_uiLooseCount = uiLast - uiFirst + 1;
        kNode.m_uiLooseFirst = m_kOwner.AddLooseTriangles(puiP + uiFirst, kNode.m_uiLooseCount);
    }

    std::unique_ptr<EnOBBNode> MakeChild(uint32_t uiFirst, uint32_t uiLast, uint32_t* puiP,
                                         uint32_t* puiS, int iDepth) {
        if (uiFirst == uiLast) {
            const uint32_t t = puiP[uiFirst];
            const EnVector3* p = Corners(t);
            return std::unique_ptr<EnOBBNode>(
                new (std::nothrow) EnOBBLeaf(m_kOwner, uint16_t(t), p[0], p[1], p[2]));
        }
        std::unique_ptr<EnOBBNode> spChild(new (std::nothrow) EnOBBNode(m_kOwner));
        if (spChild) BuildSubtree(*spChild, uiFirst, uiLast, puiP, puiS, iDepth);
        return spChild;
    }

    void FitBox(EnOBBBox& kBox, const uint32_t* puiP, uint32_t uiFirst, uint32_t uiLast) {
        // Moments are taken about the first centroid and summed in double, so that a mesh far
        // from its origin keeps the digits its covariance is made of.
        const EnVector3 kRef = m_kCentroid[puiP[uiFirst]];
        double fArea = 0.0, afMean[3] = {0, 0, 0}, afMoment[3][3] = {};
        double afMin[3] = {0, 0, 0}, afMax[3] = {0, 0, 0};
        double fCount = 0.0, afPlainMean[3] = {0, 0, 0};
        for (uint32_t i = uiFirst; i <= uiLast; i++) {
            const uint32_t t = puiP[i];
            const EnVector3* p = Corners(t);
            const double w = m_kArea[t];
            const EnVector3 c = m_kCentroid[t] - kRef;
            const EnVector3 akPoint[4] = {p[0] - kRef, p[1] - kRef, p[2] - kRef, c};
            const double afC[3] = {c.x, c.y, c.z};
            fArea += w;
            fCount += 1.0;
            for (int j = 0; j < 3; j++) {
                afMean[j] += w * afC[j];
                afPlainMean[j] += afC[j];
            }
            for (const EnVector3& v : akPoint) {
                const double af[3] = {v.x, v.y, v.z};
                for (int j = 0; j < 3; j++) {
                    for (int k = 0; k < 3; k++) afMoment[j][k] += w * af[j] * af[k];
                    afMin[j] = std::min(afMin[j], af[j]);
                    afMax[j] = std::max(afMax[j], af[j]);
                }
            }
        }

        // A range whose triangles have next to no area has no trustworthy covariance: its box
        // is axis-aligned instead.
        double fDiagonal = 0.0;
        for (int j = 0; j < 3; j++) fDiagonal += (afMax[j] - afMin[j]) * (afMax[j] - afMin[j]);
        bool bAxisAligned = !(fArea > 1e-10 * fDiagonal) || !(fArea > 0.0);

        EnVector3 kCenter;
        EnVector3 akAxis[3] = {EnVector3::UNIT_X, EnVector3::UNIT_Y, EnVector3::UNIT_Z};
        if (!bAxisAligned) {
            for (int j = 0; j < 3; j++) afMean[j] /= fArea;
            EnMatrix3 kCovariance;
            for (int j = 0; j < 3; j++)
                for (int k = 0; k < 3; k++)
                    kCovariance.m_aafEntry[j][k] =
                        float(afMoment[j][k] * (0.25 / fArea) - afMean[j] * afMean[k]);
            float afEigenvalue[3];
            EnVector3 akEigenvector[3];
            if (kCovariance.EigenSolveSymmetric(afEigenvalue, akEigenvector) &&
                IsFinite(akEigenvector[0]) && IsFinite(akEigenvector[1]) &&
                IsFinite(akEigenvector[2])) {
                for (int k = 0; k < 3; k++) akAxis[k] = akEigenvector[k];
            } else {
                bAxisAligned = true;
            }
            kCenter = kRef + EnVector3(float(afMean[0]), float(afMean[1]), float(afMean[2]));
        }
        if (bAxisAligned) {
            for (int j = 0; j < 3; j++) afPlainMean[j] /= fCount;
            kCenter = kRef + EnVector3(float(afPlainMean[0]), float(afPlainMean[1]),
                                       float(afPlainMean[2]));
        }

        float afLow[3] = {0, 0, 0}, afHigh[3] = {0, 0, 0};
        for (uint32_t i = uiFirst; i <= uiLast; i++) {
            const EnVector3* p = Corners(puiP[i]);
            for (int v = 0; v < 3; v++) {
                const EnVector3 kDiff = p[v] - kCenter;
                for (int k = 0; k < 3; k++) {
                    const float f = kDiff.Dot(akAxis[k]);
                    afLow[k] = std::min(afLow[k], f);
                    afHigh[k] = std::max(afHigh[k], f);
                }
            }
        }
        for (int k = 0; k < 3; k++) {
            kCenter += akAxis[k] * (0.5f * (afLow[k] + afHigh[k]));
            kBox.m_akModelAxis[k] = akAxis[k];
            kBox.m_afModelExtent[k] = 0.5f * (afHigh[k] - afLow[k]);
        }
        kBox.m_kModelCenter = kCenter;
        kBox.m_pOwner = &m_kOwner;
        kBox.UpdateWorld(EnMatrix3::IDENTITY, EnVector3(0.0f, 0.0f, 0.0f), 1.0f);
    }

    void PartitionTriangles(const EnOBBBox& kBox, uint32_t uiFirst, uint32_t uiLast,
                            const uint32_t* puiP, uint32_t* puiS, uint32_t& uiLeftEnd,
                            uint32_t& uiRightStart, bool bMedian) {
        const uint32_t uiMid = uiFirst + (uiLast - uiFirst) / 2;
        if (bMedian) {
            // Halves at the median of the centroids along the box's longest axis.
            int iAxis = 0;
            for (int k = 1; k < 3; k++)
                if (kBox.m_afModelExtent[k] > kBox.m_afModelExtent[iAxis]) iAxis = k;
            std::copy(puiP + uiFirst, puiP + uiLast + 1, puiS + uiFirst);
            const EnVector3 kAxis = kBox.m_akModelAxis[iAxis];
            std::nth_element(puiS + uiFirst, puiS + uiMid, puiS + uiLast + 1,
                             [&](uint32_t a, uint32_t b) {
                                 return m_kCentroid[a].Dot(kAxis) > m_kCentroid[b].Dot(kAxis);
                             });
            uiLeftEnd = uiMid;
            uiRightStart = uiMid + 1;
            return;
        }
        for (int k = 0; k < 3; k++) {
            int64_t iLeft = int64_t(uiFirst) - 1, iRight = int64_t(uiLast) + 1;
            for (uint32_t i = uiFirst; i <= uiLast; i++) {
                const uint32_t t = puiP[i];
                const float d = (m_kCentroid[t] - kBox.m_kModelCenter).Dot(kBox.m_akModelAxis[k]);
                if (d > 0.0f || (d == 0.0f && i <= uiMid))
                    puiS[++iLeft] = t;
                else
                    puiS[--iRight] = t;
            }
            if (iLeft >= int64_t(uiFirst) && iRight <= int64_t(uiLast)) {
                uiLeftEnd = uint32_t(iLeft);
                uiRightStart = uint32_t(iRight);
                return;
            }
        }
        // Every axis left one side empty (the centroids coincide): halve the range as it is.
        uiLeftEnd = uiMid;
        uiRightStart = uiMid + 1;
        std::copy(puiP + uiFirst, puiP + uiLast + 1, puiS + uiFirst);
    }

    EnOBBRoot& m_kOwner;
    const EnVector3* m_pModelVertex;
    int32_t m_iThreshold;
    std::vector<uint32_t> m_kP;
    std::vector<uint32_t> m_kS;
    std::vector<float> m_kArea;
    std::vector<EnVector3> m_kCentroid;
    EnVector3 m_akCorner[3];
};

EnOBBNode::EnOBBNode(EnOBBRoot& kOwner) {
    m_kBox.m_pOwner = &kOwner;
}

EnOBBNode::EnOBBNode(EnOBBRoot& kOwner, const uint32_t* puiTriangles, uint32_t uiCount,
                     const EnVector3* pModelVertex, int32_t iThreshold) {
    m_kBox.m_pOwner = &kOwner;
    if (uiCount == 0) return;
    Builder kBuilder(kOwner, puiTriangles, uiCount, pModelVertex, iThreshold);
    kBuilder.BuildTop(*this);
    m_uiUpdateStamp = 0;
}

EnOBBNode::~EnOBBNode() = default;

const uint16_t* EnOBBNode::GetLooseTriangles() const {
    return m_uiLooseCount ? Owner().GetLooseTriangles(m_uiLooseFirst) : nullptr;
}

void EnOBBNode::Refresh() {
    if (m_uiUpdateStamp != Owner().GetChangeCounter()) RefreshNow();
}

void EnOBBNode::RefreshNow() {
    const EnOBBRoot& kOwner = Owner();
    m_kBox.UpdateWorld(kOwner.GetRotate(), kOwner.GetTranslate(), kOwner.GetScale());
    m_uiUpdateStamp = kOwner.GetChangeCounter();
}

bool EnOBBNode::TestCollision(EnOBBNode* pOther, int32_t iDepthA, int32_t iDepthB) {
    if (!pOther) return false;
    Refresh();
    pOther->Refresh();
    if (!m_kBox.SweptOverlap(pOther->m_kBox)) return false;
    // A node without children answers for its range as a whole.
    if (iDepthA == 0 || iDepthB == 0 || !HasChildren()) return true;
    // Against a leaf, or a node left whole, only this side descends.
    if (pOther->IsLeaf() || !pOther->HasChildren())
        return m_spFirst->TestCollision(pOther, iDepthA - 1, iDepthB) ||
               m_spSecond->TestCollision(pOther, iDepthA - 1, iDepthB);
    EnOBBNode* apMine[2] = {m_spFirst.get(), m_spSecond.get()};
    EnOBBNode* apTheirs[2] = {pOther->m_spFirst.get(), pOther->m_spSecond.get()};
    for (EnOBBNode* pMine : apMine)
        for (EnOBBNode* pTheirs : apTheirs)
            if (pMine->TestCollision(pTheirs, iDepthA - 1, iDepthB - 1)) return true;
    return false;
}

int32_t EnOBBNode::FindCollisions(EnOBBNode* pOther, const Parties& kParties, int32_t iDepthA,
                                  int32_t iDepthB) {
    if (!pOther) return 0;
    Refresh();
    pOther->Refresh();
    if (!m_kBox.SweptOverlap(pOther->m_kBox)) return 0;
    if (iDepthA == 0 || iDepthB == 0 || !HasChildren()) return ReportBoxContact(pOther, kParties);
    // Only this side descends here; the other is descended once a leaf of this side is reached.
    if (m_spFirst->FindCollisions(pOther, kParties, iDepthA - 1, iDepthB) == 1) return 1;
    return m_spSecond->FindCollisions(pOther, kParties, iDepthA - 1, iDepthB) == 1 ? 1 : 0;
}

int32_t EnOBBNode::ReportBoxContact(EnOBBNode* pOther, const Parties& kParties) {
    EnCollisionRecord kRecord;
    kRecord.m_pTopA = kParties.m_pTopA;
    kRecord.m_pTopB = kParties.m_pTopB;
    kRecord.m_pObjectA = kParties.m_pGeometryA;
    kRecord.m_pObjectB = kParties.m_pGeometryB;
    const EnVector3 kZero(0.0f, 0.0f, 0.0f);
    if (Owner().GetVelocity() == kZero && pOther->Owner().GetVelocity() == kZero) {
        kRecord.m_fTime = 0.0f;
        kRecord.m_kPoint = (m_kBox.m_kWorldCenter + pOther->m_kBox.m_kWorldCenter) * 0.5f;
    } else if (!m_kBox.FindSweptContact(pOther->m_kBox, kRecord.m_fTime, kRecord.m_kPoint)) {
        return 0;
    }
    m_kBox.NormalAt(kRecord.m_kPoint, kRecord.m_kNormalA);
    pOther->m_kBox.NormalAt(kRecord.m_kPoint, kRecord.m_kNormalB);
    return EnAVObject::CallCollisionCallbacks(kRecord) ? 1 : 0;
}

int32_t EnOBBNode::FindIntersections(const EnVector3& kOrigin, const EnVector3& kDir,
                                     EnRayQuery& kQuery, bool& bHit, EnAVObject* pGeometry) {
    Refresh();
    if (!m_kBox.IntersectsRay(kOrigin, kDir)) return 0;
    if (HasChildren()) {
        if (m_spFirst->FindIntersections(kOrigin, kDir, kQuery, bHit, pGeometry) == 1) return 1;
        return m_spSecond->FindIntersections(kOrigin, kDir, kQuery, bHit, pGeometry) == 1 ? 1 : 0;
    }
    // A node left whole answers for its triangles one by one.
    const uint16_t* pusTriangle = GetLooseTriangles();
    for (uint32_t i = 0; i < m_uiLooseCount; i++)
        if (PickTriangle(Owner(), pusTriangle[i], kOrigin, kDir, kQuery, pGeometry)) bHit = true;
    return 0;
}

bool EnOBBNode::PickTriangle(const EnOBBRoot& kOwner, uint16_t usTriangle, const EnVector3& kOrigin,
                             const EnVector3& kDir, EnRayQuery& kQuery, EnAVObject* pGeometry) {
    const EnVector3 *pP0, *pP1, *pP2;
    if (!kOwner.GetWorldTriangle(usTriangle, pP0, pP1, pP2)) return false;
    EnVector3 kPoint;
    float fDistance, fU, fV;
    if (!EnTriBasedGeom::IntersectRayTriangle(kOrigin, kDir, *pP0, *pP1, *pP2, kQuery.m_bFrontOnly,
                                              kPoint, fDistance, fU, fV))
        return false;
    auto spHit = std::make_unique<EnRayHit>();
    spHit->m_spObject = pGeometry;
    spHit->m_kPoint = kPoint;
    spHit->m_fDistance = fDistance;
    spHit->m_usTriangle = usTriangle;
    kOwner.GetTriangleIndices(usTriangle, spHit->m_ausVertex[0], spHit->m_ausVertex[1],
                              spHit->m_ausVertex[2]);
    if (kQuery.m_bWantNormal) {
        EnVector3 kNormal = (*pP1 - *pP0).Cross(*pP2 - *pP0);
        kNormal.Unitize();
        spHit->m_kNormal = kNormal;
    }
    kQuery.AddHit(std::move(spHit));
    return true;
}
