#include "engine/geometry/EnOBBRoot.h"

#include <cmath>
#include <new>

#include "engine/geometry/EnOBBLeaf.h"
#include "engine/geometry/EnOBBNode.h"

namespace {

bool IsFinite(const EnVector3& v) {
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

}  // namespace

std::unique_ptr<EnOBBRoot> EnOBBRoot::Create(uint16_t usTriangles, const uint16_t* pusTriList,
                                             const EnVector3* pModelVertex, uint16_t usVertices,
                                             int32_t iThreshold) {
    if (usTriangles == 0 || !pusTriList || !pModelVertex) return nullptr;
    std::unique_ptr<EnOBBRoot> spRoot(new (std::nothrow) EnOBBRoot);
    if (!spRoot) return nullptr;
    spRoot->m_kTriList.assign(pusTriList, pusTriList + 3 * size_t(usTriangles));

    // A triangle without area has no plane for the contact routines to work in and would give
    // its box no axes: it takes no part in the tree.
    std::vector<uint32_t> kUsable;
    kUsable.reserve(usTriangles);
    for (uint32_t t = 0; t < usTriangles; t++) {
        const uint16_t* pusIndex = pusTriList + 3 * t;
        if (pusIndex[0] >= usVertices || pusIndex[1] >= usVertices || pusIndex[2] >= usVertices)
            continue;
        const EnVector3& p0 = pModelVertex[pusIndex[0]];
        const EnVector3& p1 = pModelVertex[pusIndex[1]];
        const EnVector3& p2 = pModelVertex[pusIndex[2]];
        if (!IsFinite(p0) || !IsFinite(p1) || !IsFinite(p2)) continue;
        const EnVector3 kCross = (p1 - p0).Cross(p2 - p0);
        if (kCross.x == 0.0f && kCross.y == 0.0f && kCross.z == 0.0f) continue;
        if (!IsFinite(kCross)) continue;  // coordinates too large to measure an area with
        kUsable.push_back(t);
    }
    if (kUsable.empty()) return nullptr;

    EnOBBRoot& kRoot = *spRoot;
    if (kUsable.size() == 1) {
        const uint16_t* pusIndex = pusTriList + 3 * kUsable[0];
        kRoot.m_spTop.reset(new (std::nothrow)
                                EnOBBLeaf(kRoot, uint16_t(kUsable[0]), pModelVertex[pusIndex[0]],
                                          pModelVertex[pusIndex[1]], pModelVertex[pusIndex[2]]));
    } else {
        kRoot.m_spTop.reset(new (std::nothrow) EnOBBNode(
            kRoot, kUsable.data(), uint32_t(kUsable.size()), pModelVertex, iThreshold));
    }
    if (!kRoot.m_spTop) return nullptr;
    return spRoot;
}

EnOBBRoot::~EnOBBRoot() = default;

void EnOBBRoot::SetWorldTransform(const EnMatrix3& kRotate, const EnVector3& kTranslate,
                                  float fScale) {
    if (kTranslate.x == m_kTranslate.x && kTranslate.y == m_kTranslate.y &&
        kTranslate.z == m_kTranslate.z && fScale == m_fScale && kRotate == m_kRotate)
        return;
    m_kRotate = kRotate;
    m_kTranslate = kTranslate;
    m_fScale = fScale;
    m_bDirty = true;
    m_uiChangeCounter++;
}

void EnOBBRoot::SetWorldVertices(const EnVector3* pWorldVertex, uint16_t usCount) {
    m_pWorldVertex = pWorldVertex;
    m_usWorldVertices = pWorldVertex ? usCount : 0;
}

bool EnOBBRoot::GetWorldTriangle(uint16_t usTriangle, const EnVector3*& pP0, const EnVector3*& pP1,
                                 const EnVector3*& pP2) const {
    const size_t uiBase = 3 * size_t(usTriangle);
    if (!m_pWorldVertex || uiBase + 3 > m_kTriList.size()) return false;
    const uint16_t usI0 = m_kTriList[uiBase], usI1 = m_kTriList[uiBase + 1],
                   usI2 = m_kTriList[uiBase + 2];
    if (usI0 >= m_usWorldVertices || usI1 >= m_usWorldVertices || usI2 >= m_usWorldVertices)
        return false;
    pP0 = m_pWorldVertex + usI0;
    pP1 = m_pWorldVertex + usI1;
    pP2 = m_pWorldVertex + usI2;
    return true;
}

void EnOBBRoot::GetTriangleIndices(uint16_t usTriangle, uint16_t& usI0, uint16_t& usI1,
                                   uint16_t& usI2) const {
    const size_t uiBase = 3 * size_t(usTriangle);
    if (uiBase + 3 > m_kTriList.size()) {
        usI0 = usI1 = usI2 = 0;
        return;
    }
    usI0 = m_kTriList[uiBase];
    usI1 = m_kTriList[uiBase + 1];
    usI2 = m_kTriList[uiBase + 2];
}

uint32_t EnOBBRoot::AddLooseTriangles(const uint32_t* puiTriangles, uint32_t uiCount) {
    const uint32_t uiFirst = uint32_t(m_kLoose.size());
    for (uint32_t i = 0; i < uiCount; i++) m_kLoose.push_back(uint16_t(puiTriangles[i]));
    return uiFirst;
}

bool EnOBBRoot::TestCollision(EnOBBRoot* pOther, int32_t iDepthA, int32_t iDepthB) {
    if (!pOther || pOther == this || !m_spTop || !pOther->m_spTop) return false;
    for (EnOBBRoot* pRoot : {this, pOther}) {
        if (!pRoot->m_bDirty) continue;
        pRoot->m_bDirty = false;
        pRoot->m_spTop->RefreshNow();
    }
    return m_spTop->TestCollision(pOther->m_spTop.get(), iDepthA, iDepthB);
}

int32_t EnOBBRoot::FindCollisions(EnOBBRoot* pOther, EnAVObject* pTopA, EnAVObject* pTopB,
                                  EnAVObject* pGeometryA, EnAVObject* pGeometryB, int32_t iDepthA,
                                  int32_t iDepthB) {
    if (!pOther || pOther == this || !m_spTop || !pOther->m_spTop) return 0;
    EnOBBNode::Parties kParties;
    kParties.m_pTopA = pTopA;
    kParties.m_pTopB = pTopB;
    kParties.m_pGeometryA = pGeometryA;
    kParties.m_pGeometryB = pGeometryB;
    return m_spTop->FindCollisions(pOther->m_spTop.get(), kParties, iDepthA, iDepthB);
}

int32_t EnOBBRoot::FindIntersections(const EnVector3& kOrigin, const EnVector3& kDir,
                                     EnRayQuery& kQuery, bool& bHit, EnAVObject* pGeometry) {
    bHit = false;
    if (!m_spTop) return 0;
    return m_spTop->FindIntersections(kOrigin, kDir, kQuery, bHit, pGeometry);
}
