#include "engine/geometry/EnOBBLeaf.h"

#include <algorithm>

#include "engine/core/EnAVObject.h"
#include "engine/core/EnCollisionRecord.h"
#include "engine/geometry/EnOBBRoot.h"
#include "engine/geometry/EnTriangleSweep.h"

EnOBBLeaf::EnOBBLeaf(EnOBBRoot& kOwner, uint16_t usTriangle, const EnVector3& kP0,
                     const EnVector3& kP1, const EnVector3& kP2)
    : EnOBBNode(kOwner), m_usTriangle(usTriangle) {
    EnVector3 kCenter = (kP0 + kP1 + kP2) * 0.33333334f;

    EnVector3 akAxis[3];
    akAxis[0] = kP1 - kP0;
    akAxis[0].Unitize();
    const EnVector3 kEdge = kP2 - kP0;
    akAxis[1] = kEdge - akAxis[0] * kEdge.Dot(akAxis[0]);
    akAxis[1].Unitize();
    akAxis[2] = akAxis[0].Cross(akAxis[1]);
    if (akAxis[0].SqrLength() == 0.0f || akAxis[1].SqrLength() == 0.0f) {
        // Too thin to give a frame of its own: an axis-aligned box still holds it, where a box
        // with a missing axis would overlap anything in that direction.
        akAxis[0] = EnVector3::UNIT_X;
        akAxis[1] = EnVector3::UNIT_Y;
        akAxis[2] = EnVector3::UNIT_Z;
    }

    float afLow[3] = {0, 0, 0}, afHigh[3] = {0, 0, 0};
    for (const EnVector3* pPoint : {&kP0, &kP1, &kP2}) {
        const EnVector3 kDiff = *pPoint - kCenter;
        for (int k = 0; k < 3; k++) {
            const float f = kDiff.Dot(akAxis[k]);
            afLow[k] = std::min(afLow[k], f);
            afHigh[k] = std::max(afHigh[k], f);
        }
    }
    for (int k = 0; k < 3; k++) {
        kCenter += akAxis[k] * (0.5f * (afLow[k] + afHigh[k]));
        m_kBox.m_akModelAxis[k] = akAxis[k];
        m_kBox.m_afModelExtent[k] = 0.5f * (afHigh[k] - afLow[k]);
    }
    m_kBox.m_kModelCenter = kCenter;
    m_kBox.UpdateWorld(EnMatrix3::IDENTITY, EnVector3(0.0f, 0.0f, 0.0f), 1.0f);
}

bool EnOBBLeaf::TestCollision(EnOBBNode* pOther, int32_t iDepthA, int32_t iDepthB) {
    if (!pOther) return false;
    Refresh();
    pOther->Refresh();
    if (!m_kBox.SweptOverlap(pOther->GetBox())) return false;
    if (pOther->IsLeaf() || iDepthB == 0 || !pOther->HasChildren()) return true;
    // A leaf cannot descend: the other side does.
    return TestCollision(pOther->GetFirstChild(), iDepthA, iDepthB - 1) ||
           TestCollision(pOther->GetSecondChild(), iDepthA, iDepthB - 1);
}

int32_t EnOBBLeaf::FindCollisions(EnOBBNode* pOther, const Parties& kParties, int32_t iDepthA,
                                  int32_t iDepthB) {
    if (!pOther) return 0;
    Refresh();
    pOther->Refresh();
    if (!m_kBox.SweptOverlap(pOther->GetBox())) return 0;
    if (!pOther->IsLeaf()) {
        if (iDepthB == 0 || !pOther->HasChildren()) return ReportBoxContact(pOther, kParties);
        if (FindCollisions(pOther->GetFirstChild(), kParties, iDepthA, iDepthB - 1) == 1) return 1;
        return FindCollisions(pOther->GetSecondChild(), kParties, iDepthA, iDepthB - 1) == 1 ? 1
                                                                                             : 0;
    }
    if (iDepthA >= 0 || iDepthB >= 0) return ReportBoxContact(pOther, kParties);

    const EnOBBLeaf& kOtherLeaf = static_cast<const EnOBBLeaf&>(*pOther);
    EnCollisionRecord kRecord;
    if (!FindTriangleContact(*this, kOtherLeaf, kRecord.m_fTime, kRecord.m_kPoint)) return 0;
    kRecord.m_pTopA = kParties.m_pTopA;
    kRecord.m_pTopB = kParties.m_pTopB;
    kRecord.m_pObjectA = kParties.m_pGeometryA;
    kRecord.m_pObjectB = kParties.m_pGeometryB;
    m_kBox.NormalAt(kRecord.m_kPoint, kRecord.m_kNormalA);
    kOtherLeaf.m_kBox.NormalAt(kRecord.m_kPoint, kRecord.m_kNormalB);
    return EnAVObject::CallCollisionCallbacks(kRecord) ? 1 : 0;
}

int32_t EnOBBLeaf::FindIntersections(const EnVector3& kOrigin, const EnVector3& kDir,
                                     EnRayQuery& kQuery, bool& bHit, EnAVObject* pGeometry) {
    Refresh();
    // Every leaf reached is tested and the search goes on, so the hit flag gathers them all.
    if (PickTriangle(Owner(), m_usTriangle, kOrigin, kDir, kQuery, pGeometry)) bHit = true;
    return 0;
}

bool EnOBBLeaf::FindTriangleContact(const EnOBBLeaf& kA, const EnOBBLeaf& kB, float& fTime,
                                    EnVector3& kPoint) {
    const EnOBBRoot& kOwnerA = kA.Owner();
    const EnOBBRoot& kOwnerB = kB.Owner();
    const EnVector3 *pA0, *pA1, *pA2, *pB0, *pB1, *pB2;
    if (!kOwnerA.GetWorldTriangle(kA.m_usTriangle, pA0, pA1, pA2) ||
        !kOwnerB.GetWorldTriangle(kB.m_usTriangle, pB0, pB1, pB2))
        return false;
    return FindSweptTriangleContact(kOwnerA.GetTimeStep(), kOwnerA.GetVelocity(), *pA0, *pA1, *pA2,
                                    kOwnerB.GetVelocity(), *pB0, *pB1, *pB2, fTime, kPoint);
}
