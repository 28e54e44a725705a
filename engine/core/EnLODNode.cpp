#include "engine/core/EnLODNode.h"

#include <algorithm>

#include "engine/core/EnCamera.h"
#include "engine/core/EnFormatString.h"
#include "engine/core/EnStream.h"
#include "engine/core/EnViewerStrings.h"

EN_IMPLEMENT_RTTI(EnLODNode, EnSwitchNode);
EN_IMPLEMENT_STREAM(EnLODNode);

namespace {
constexpr uint32_t RANGE_RECORD_BYTES = 5 * 4;  // near, far, loc
// A child index without a range is written as this empty range (the count stays honest), and
// compares as it: neither holds any distance, and a saved node must equal its loaded copy.
const EnLODNode::Range NO_RANGE;
}

EnLODNode::EnLODNode() = default;

EnLODNode::~EnLODNode() = default;

EnObject* EnLODNode::CloneObject() {
    EnLODNode* pCopy = new EnLODNode;
    CopyMembers(pCopy);
    return pCopy;
}

void EnLODNode::CopyMembers(EnLODNode* pCopy) {
    EnSwitchNode::CopyMembers(pCopy);
    pCopy->m_ranges.clear();
    for (const auto& spRange : m_ranges)
        pCopy->m_ranges.push_back(spRange ? std::make_unique<Range>(*spRange) : nullptr);
}

void EnLODNode::SetRange(float fNear, float fFar, uint32_t uiIndex) {
    if (uiIndex >= m_ranges.size()) m_ranges.resize(size_t(uiIndex) + 1);
    auto spRange = std::make_unique<Range>();
    spRange->m_fNear = spRange->m_fWorldNear = fNear;
    spRange->m_fFar = spRange->m_fWorldFar = fFar;
    m_ranges[uiIndex] = std::move(spRange);
}

void EnLODNode::SetRangeCenter(uint32_t uiIndex, const EnVector3& kLoc) {
    if (Range* pRange = GetRange(uiIndex)) pRange->m_kLoc = kLoc;
}

void EnLODNode::LoadFromStream(EnStream& kStream) {
    EnSwitchNode::LoadFromStream(kStream);
    int32_t iCount = 0;
    if (!kStream.ReadI32(iCount)) return;
    if (iCount < 0) {
        kStream.MarkRecordInvalid();
        return;
    }
    if (!kStream.CheckCount(uint32_t(iCount), RANGE_RECORD_BYTES)) return;
    m_ranges.clear();
    m_ranges.reserve(size_t(iCount));
    for (int32_t i = 0; i < iCount; i++) {
        auto spRange = std::make_unique<Range>();
        Range& kRange = *spRange;
        if (!kStream.ReadF32(kRange.m_fNear) || !kStream.ReadF32(kRange.m_fFar) ||
            !kRange.m_kLoc.Load(kStream))
            return;
        kRange.m_fWorldNear = kRange.m_fNear;
        kRange.m_fWorldFar = kRange.m_fFar;
        kRange.m_kWorldLoc = kRange.m_kLoc;
        m_ranges.push_back(std::move(spRange));
    }
}

void EnLODNode::SaveToStream(EnStream& kStream) {
    EnSwitchNode::SaveToStream(kStream);
    kStream.WriteI32(int32_t(m_ranges.size()));
    for (const auto& spRange : m_ranges) {
        const Range& kRange = spRange ? *spRange : NO_RANGE;
        kStream.WriteF32(kRange.m_fNear);
        kStream.WriteF32(kRange.m_fFar);
        kRange.m_kLoc.Save(kStream);
    }
}

bool EnLODNode::EqualsObject(const EnObject* pObject) const {
    if (!EnSwitchNode::EqualsObject(pObject)) return false;
    const auto* pOther = EnDynamicCast(EnLODNode, pObject);
    if (!pOther || m_ranges.size() != pOther->m_ranges.size()) return false;
    for (size_t i = 0; i < m_ranges.size(); i++) {
        const Range& kRange = m_ranges[i] ? *m_ranges[i] : NO_RANGE;
        const Range& kOtherRange = pOther->m_ranges[i] ? *pOther->m_ranges[i] : NO_RANGE;
        if (kRange.m_fNear != kOtherRange.m_fNear || kRange.m_fFar != kOtherRange.m_fFar ||
            !(kRange.m_kLoc == kOtherRange.m_kLoc))
            return false;
    }
    return GetPositionInRange() == pOther->GetPositionInRange();
}

void EnLODNode::AppendMemberStrings(EnTArray<char*>& kStrings) const {
    EnSwitchNode::AppendMemberStrings(kStrings);
    kStrings.Add(MakeViewerTitle("EnLODNode"));
    kStrings.Add(MakeViewerBool("m_bPositionInRange", GetPositionInRange()));
    for (const auto& spRange : m_ranges) {
        if (!spRange) continue;
        const Range& r = *spRange;
        kStrings.Add(EnFormatNewString("N=%f,WN=%f,F=%f,WF=%f, loc=(%f,%f,%f)", double(r.m_fNear),
                                       double(r.m_fWorldNear), double(r.m_fFar),
                                       double(r.m_fWorldFar), double(r.m_kLoc.x),
                                       double(r.m_kLoc.y), double(r.m_kLoc.z)));
    }
}

void EnLODNode::ComputeWorldTransform() {
    EnSwitchNode::ComputeWorldTransform();
    for (const auto& spRange : m_ranges) {
        if (!spRange) continue;
        spRange->m_kWorldLoc = m_worldRotate * (m_worldScale * spRange->m_kLoc) + m_worldTranslate;
        spRange->m_fWorldNear = spRange->m_fNear * m_worldScale;
        spRange->m_fWorldFar = spRange->m_fFar * m_worldScale;
    }
}

void EnLODNode::PreDraw(EnCamera* pCamera) {
    if (!pCamera) return;
    SelectLevel(pCamera, pCamera->GetWorldLocation(), pCamera->GetLODAdjust());
}

void EnLODNode::SelectLevel(EnCamera* pCamera, const EnVector3& kCameraLoc, float fLODAdjust) {
    const uint32_t uiCount = m_children.GetSize();
    if (uiCount == 0) return;
    const float fAdjust2 = fLODAdjust * fLODAdjust;

    float fDist2 = 0.0f;
    if (!GetPositionInRange()) {
        if (GetUpdateOnlyActive()) UpdateChildLate(0);
        // Without a child 0 the node's own bound stands in for it.
        EnAVObject* pFirst = GetAt(0);
        const EnVector3 kCenter = pFirst ? pFirst->GetWorldBound().m_center : m_worldBound.m_center;
        const EnVector3 kDiff = kCenter - kCameraLoc;
        fDist2 = kDiff.Dot(kDiff) * fAdjust2;
    }

    m_iIndex = -1;
    // Every matching range runs the switch's pre-draw; with overlapping ranges the last match
    // stays active. A child without a range is never chosen.
    for (uint32_t i = 0; i < uiCount; i++) {
        const Range* pRange = GetRange(i);
        if (!pRange) continue;
        if (GetPositionInRange()) {
            const EnVector3 kDiff = pRange->m_kWorldLoc - kCameraLoc;
            fDist2 = kDiff.Dot(kDiff) * fAdjust2;
        }
        if (pRange->m_fWorldNear * pRange->m_fWorldNear <= fDist2 &&
            fDist2 < pRange->m_fWorldFar * pRange->m_fWorldFar) {
            m_iIndex = int32_t(i);
            EnSwitchNode::PreDraw(pCamera);
        }
    }
}

int32_t EnLODNode::OfferRangedChildren(float fTime, const EnCollisionQuery& kThis,
                                       const EnCollisionQuery& kOther, bool bFind) {
    EnAVObject* pOther = kOther.m_pObject;
    if (!pOther) return 0;
    const uint32_t uiCount = std::min<uint32_t>(m_children.GetSize(), GetRangeCount());
    for (uint32_t i = 0; i < uiCount; i++) {
        EnAVObject* pChild = m_children.GetAt(i);
        if (!pChild || !GetRange(i)) continue;
        EnCollisionQuery kChild = kThis.WithObject(pChild);
        kChild.m_iMarker = 0;
        if (bFind) {
            if (pOther->FindCollisions(fTime, kOther, kChild) == 1) return 1;
        } else if (pOther->TestCollision(fTime, kOther, kChild)) {
            return 1;
        }
    }
    return 0;
}

bool EnLODNode::TestCollision(float fTime, const EnCollisionQuery& kThis,
                              const EnCollisionQuery& kOther) {
    if (GetUpdateOnlyActive()) return OfferActiveChild(fTime, kThis, kOther, false) != 0;
    return OfferRangedChildren(fTime, kThis, kOther, false) != 0;
}

int32_t EnLODNode::FindCollisions(float fTime, const EnCollisionQuery& kThis,
                                  const EnCollisionQuery& kOther) {
    if (GetUpdateOnlyActive()) return OfferActiveChild(fTime, kThis, kOther, true);
    return OfferRangedChildren(fTime, kThis, kOther, true);
}
