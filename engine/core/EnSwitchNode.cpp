#include "engine/core/EnSwitchNode.h"

#include "engine/core/EnRayQuery.h"
#include "engine/core/EnStream.h"
#include "engine/core/EnViewerStrings.h"

EN_IMPLEMENT_RTTI(EnSwitchNode, EnNode);
EN_IMPLEMENT_STREAM(EnSwitchNode);

EnSwitchNode::EnSwitchNode() = default;

EnSwitchNode::~EnSwitchNode() = default;

EnObject* EnSwitchNode::CloneObject() {
    EnSwitchNode* pCopy = new EnSwitchNode;
    CopyMembers(pCopy);
    return pCopy;
}

void EnSwitchNode::CopyMembers(EnSwitchNode* pCopy) {
    EnNode::CopyMembers(pCopy);
    pCopy->m_iIndex = m_iIndex;
}

void EnSwitchNode::LoadFromStream(EnStream& kStream) {
    EnNode::LoadFromStream(kStream);
    kStream.ReadI32(m_iIndex);
}

void EnSwitchNode::SaveToStream(EnStream& kStream) {
    EnNode::SaveToStream(kStream);
    kStream.WriteI32(m_iIndex);
}

bool EnSwitchNode::EqualsObject(const EnObject* pObject) const {
    if (!EnNode::EqualsObject(pObject)) return false;
    const auto* pOther = EnDynamicCast(EnSwitchNode, pObject);
    return pOther && m_iIndex == pOther->m_iIndex &&
           GetUpdateOnlyActive() == pOther->GetUpdateOnlyActive();
}

void EnSwitchNode::AppendMemberStrings(EnTArray<char*>& kStrings) const {
    EnNode::AppendMemberStrings(kStrings);
    kStrings.Add(MakeViewerTitle("EnSwitchNode"));
    kStrings.Add(MakeViewerInt("m_iIndex", m_iIndex));
    kStrings.Add(MakeViewerBool("m_bUpdateOnlyActive", GetUpdateOnlyActive()));
    kStrings.Add(m_modelBound.MakeViewerString("m_modelBound"));
}

EnPointer<EnAVObject> EnSwitchNode::GetActiveChild() const {
    if (m_iIndex < 0) return nullptr;
    return GetAt(uint32_t(m_iIndex));
}

void EnSwitchNode::UpdateSubtree(float fTime) {
    ComputeWorldTransform();
    m_fSavedTime = fTime;
    if (GetUpdateOnlyActive()) {
        if (m_iIndex < 0) return;
        // The children are brought up to date when drawn (PreDraw), one generation at a time.
        m_uiUpdateStamp++;
    } else {
        for (uint32_t i = 0; i < m_children.GetSize(); i++)
            if (EnAVObject* pChild = m_children.GetAt(i)) pChild->UpdateSubtree(fTime);
        RecomputeModelBound();
    }
    ApplyModelBound();
}

void EnSwitchNode::RecomputeModelBound() {
    bool bVisual = false;
    for (uint32_t i = 0; i < m_children.GetSize(); i++) {
        EnAVObject* pChild = m_children.GetAt(i);
        if (!pChild || !pChild->IsVisualObject()) continue;
        const EnBoundSphere& kWorld = pChild->GetWorldBound();
        EnBoundSphere kModel;
        kModel.m_center =
            m_worldRotate.TransposeTimesVector(kWorld.m_center - m_worldTranslate) / m_worldScale;
        kModel.m_fRadius = kWorld.m_fRadius / m_worldScale;
        if (bVisual)
            m_modelBound.Merge(kModel);
        else
            m_modelBound = kModel;
        bVisual = true;
    }
    SetVisual(bVisual);
}

void EnSwitchNode::ApplyModelBound() {
    m_worldBound.Transform(m_modelBound, m_worldRotate, m_worldTranslate, m_worldScale);
}

void EnSwitchNode::PropagateBoundUpward() {
    RecomputeModelBound();
    ApplyModelBound();
    if (m_pParent) m_pParent->PropagateBoundUpward();
}

void EnSwitchNode::UpdateChildLate(uint32_t uiIndex) {
    EnAVObject* pChild = GetAt(uiIndex);
    if (!pChild || m_childStamps.GetAt(uiIndex) == m_uiUpdateStamp) return;
    m_childStamps.SetAtGrow(uiIndex, m_uiUpdateStamp);
    pChild->UpdateSubtree(m_fSavedTime);
}

void EnSwitchNode::PreDraw(EnCamera* pCamera) {
    EnAVObject::PreDraw(pCamera);
    if (m_iIndex >= 0 && GetUpdateOnlyActive()) UpdateChildLate(uint32_t(m_iIndex));
}

void EnSwitchNode::Draw(EnCamera* pCamera) {
    if (m_iIndex < 0) return;
    if (EnAVObject* pChild = GetAt(uint32_t(m_iIndex))) pChild->CullAndDraw(pCamera);
}

int32_t EnSwitchNode::OfferActiveChild(float fTime, const EnCollisionQuery& kThis,
                                       const EnCollisionQuery& kOther, bool bFind) {
    EnAVObject* pActive = m_iIndex >= 0 ? GetAt(uint32_t(m_iIndex)) : nullptr;
    EnAVObject* pOther = kOther.m_pObject;
    if (!pActive || !pOther) return 0;
    EnCollisionQuery kActive = kThis.WithObject(pActive);
    kActive.m_iMarker = -1;
    if (bFind) return pOther->FindCollisions(fTime, kOther, kActive);
    return pOther->TestCollision(fTime, kOther, kActive) ? 1 : 0;
}

bool EnSwitchNode::TestCollision(float fTime, const EnCollisionQuery& kThis,
                                 const EnCollisionQuery& kOther) {
    if (!GetUpdateOnlyActive()) return EnNode::TestCollision(fTime, kThis, kOther);
    return OfferActiveChild(fTime, kThis, kOther, false) != 0;
}

int32_t EnSwitchNode::FindCollisions(float fTime, const EnCollisionQuery& kThis,
                                     const EnCollisionQuery& kOther) {
    if (!GetUpdateOnlyActive()) return EnNode::FindCollisions(fTime, kThis, kOther);
    return OfferActiveChild(fTime, kThis, kOther, true);
}

bool EnSwitchNode::FindIntersections(const EnVector3& kOrigin, const EnVector3& kDir,
                                     EnRayQuery& kQuery) {
    if (kQuery.m_bObserveAppCulled && GetAppCulled()) return false;
    if (!RayIntersectsBound(kOrigin, kDir)) return false;
    if (kQuery.m_uiTestMode == 0 && kQuery.m_uiStopMode == 1) {
        auto spHit = std::make_unique<EnRayHit>();
        spHit->m_spObject = this;
        kQuery.AddHit(std::move(spHit));
        return true;
    }
    EnAVObject* pActive = m_iIndex >= 0 ? GetAt(uint32_t(m_iIndex)) : nullptr;
    if (!pActive) return false;
    if (kQuery.StopsAtFirstHit() && kQuery.HasHit()) return true;
    return pActive->FindIntersections(kOrigin, kDir, kQuery);
}

uint32_t EnSwitchNode::FindChildIndex(const EnAVObject* pChild) const {
    for (uint32_t i = 0; i < m_children.GetSize(); i++)
        if (m_children.GetAt(i) == pChild) return i;
    return UINT32_MAX;
}

void EnSwitchNode::AddChild(EnAVObject* pChild, bool bFirstFreeSlot) {
    if (!pChild) return;
    m_uiUpdateStamp = 1;
    EnNode::AddChild(pChild, bFirstFreeSlot);
    // The new child has never been updated in this node, wherever its slot is.
    uint32_t uiIndex = FindChildIndex(pChild);
    if (uiIndex != UINT32_MAX) m_childStamps.SetAtGrow(uiIndex, 0);
}

EnPointer<EnAVObject> EnSwitchNode::RemoveChild(EnAVObject* pChild) {
    uint32_t uiIndex = FindChildIndex(pChild);
    if (pChild && uiIndex != UINT32_MAX) {
        m_uiUpdateStamp = 1;
        m_childStamps.RemoveAt(uiIndex);
    }
    return EnNode::RemoveChild(pChild);
}

EnPointer<EnAVObject> EnSwitchNode::RemoveChildAt(uint32_t uiIndex) {
    if (uiIndex < m_children.GetSize() && m_children.GetAt(uiIndex)) {
        m_uiUpdateStamp = 1;
        m_childStamps.RemoveAt(uiIndex);
    }
    return EnNode::RemoveChildAt(uiIndex);
}

EnPointer<EnAVObject> EnSwitchNode::ReplaceChildAt(uint32_t uiIndex, EnAVObject* pChild) {
    m_uiUpdateStamp = 1;
    EnPointer<EnAVObject> spOld = EnNode::ReplaceChildAt(uiIndex, pChild);
    m_childStamps.SetAtGrow(uiIndex, 0);
    return spOld;
}
