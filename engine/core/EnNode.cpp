#include "engine/core/EnNode.h"

#include <cstdio>
#include <vector>

#include "engine/core/EnCamera.h"
#include "engine/core/EnEffectLink.h"
#include "engine/core/EnPropertyState.h"
#include "engine/core/EnRayQuery.h"
#include "engine/core/EnStream.h"
#include "engine/core/EnViewerStrings.h"

EN_IMPLEMENT_RTTI(EnNode, EnAVObject);
EN_IMPLEMENT_STREAM(EnNode);

namespace {

EnAVObject* EffectObject(EnDynamicEffect* pEffect) {
    auto pfnAsObject = EnEffectLink::Get().pfnAsObject;
    return pEffect && pfnAsObject ? pfnAsObject(pEffect) : nullptr;
}

std::vector<EnDynamicEffect*> EffectsInOrder(const EnTInlineList<EnDynamicEffect*>& kList) {
    std::vector<EnDynamicEffect*> kEffects;
    for (EnTListIterator pos = kList.GetHeadPos(); pos;) {
        EnDynamicEffect* pEffect = kList.GetNext(pos);
        if (pEffect) kEffects.push_back(pEffect);
    }
    return kEffects;
}

}  // namespace

EnNode::EnNode() {
    m_usFlags |= VISUAL_MASK;
}

EnNode::~EnNode() {
    while (!m_effectList.IsEmpty()) {
        EnDynamicEffect* pEffect = m_effectList.GetHead();
        m_effectList.Remove(pEffect);
        if (auto pfnDetach = EnEffectLink::Get().pfnDetachAffectedNode) pfnDetach(pEffect, this);
    }
    for (uint32_t i = 0; i < m_children.GetSize(); i++) {
        if (EnAVObject* pChild = m_children.GetAt(i)) pChild->m_pParent = nullptr;
    }
    m_children.RemoveAll();
}

EnObject* EnNode::CloneObject() {
    EnNode* pCopy = new EnNode;
    CopyMembers(pCopy);
    return pCopy;
}

void EnNode::CopyMembers(EnNode* pCopy) {
    EnAVObject::CopyMembers(pCopy);
    for (uint32_t i = 0; i < m_children.GetSize(); i++) {
        EnAVObject* pChild = m_children.GetAt(i);
        if (!pChild) continue;
        if (EnAVObject* pChildCopy = EnDynamicCast(EnAVObject, pChild->CloneObject()))
            pCopy->ReplaceChildAt(i, pChildCopy);
    }
}

void EnNode::CloneFixup(EnObject* pCopy) {
    EnAVObject::CloneFixup(pCopy);
    EnNode* pNodeCopy = EnDynamicCast(EnNode, pCopy);
    if (!pNodeCopy) return;

    // An effect cloned with the subtree is replaced by its copy; one outside the subtree is
    // shared, and then affects both nodes. From the last to the first keeps the list order.
    const EnEffectLink& kLink = EnEffectLink::Get();
    std::vector<EnDynamicEffect*> kEffects = EffectsInOrder(m_effectList);
    for (auto it = kEffects.rbegin(); it != kEffects.rend(); ++it) {
        EnDynamicEffect* pEffect = *it;
        EnAVObject* pObject = EffectObject(pEffect);
        EnObject* pObjectCopy = pObject ? pObject->GetCloneCopy() : nullptr;
        if (pObjectCopy && kLink.pfnFromObject) {
            if (EnDynamicEffect* pEffectCopy = kLink.pfnFromObject(pObjectCopy))
                pEffect = pEffectCopy;
        }
        pNodeCopy->AttachEffect(pEffect);
    }

    for (uint32_t i = 0; i < m_children.GetSize(); i++) {
        if (EnAVObject* pChild = m_children.GetAt(i)) pChild->CloneFixup(pNodeCopy->GetAt(i));
    }
}

void EnNode::CloneCleanup() {
    EnAVObject::CloneCleanup();
    for (uint32_t i = 0; i < m_children.GetSize(); i++) {
        if (EnAVObject* pChild = m_children.GetAt(i)) pChild->CloneCleanup();
    }
}

void EnNode::LoadFromStream(EnStream& kStream) {
    EnAVObject::LoadFromStream(kStream);
    auto* pRecord = kStream.GetLinkRecord<LinkRecord>();

    uint32_t uiCount = 0;
    if (!kStream.ReadU32(uiCount) || !kStream.CheckCount(uiCount, 4)) return;
    for (uint32_t i = 0; i < uiCount; i++) {
        uint32_t uiID = 0;
        if (!kStream.ReadLinkID(uiID)) return;
        if (pRecord) pRecord->m_kChildIDs.push_back(uiID);
    }

    if (!kStream.ReadU32(uiCount) || !kStream.CheckCount(uiCount, 4)) return;
    for (uint32_t i = 0; i < uiCount; i++) {
        uint32_t uiID = 0;
        if (!kStream.ReadLinkID(uiID)) return;
        if (pRecord) pRecord->m_kEffectIDs.push_back(uiID);
    }
}

void EnNode::LinkFromStream(EnStream& kStream) {
    EnAVObject::LinkFromStream(kStream);
    auto* pRecord = kStream.GetLinkRecord<LinkRecord>();
    if (!pRecord) return;

    const std::vector<uint32_t>& kChildIDs = pRecord->m_kChildIDs;
    for (uint32_t i = 0; i < kChildIDs.size(); i++) {
        EnAVObject* pChild = kStream.FindLink<EnAVObject>(kChildIDs[i]);
        if (!pChild) continue;
        if (!IsAcceptableChild(pChild)) {
            kStream.MarkRecordInvalid();
            return;
        }
        ReplaceChildAt(i, pChild);
    }
    // Empty slots at the end are part of the saved array too.
    if (!kChildIDs.empty() && m_children.GetSize() < kChildIDs.size())
        m_children.SetAtGrow(uint32_t(kChildIDs.size() - 1), nullptr);

    const EnEffectLink& kLink = EnEffectLink::Get();
    const std::vector<uint32_t>& kEffectIDs = pRecord->m_kEffectIDs;
    for (size_t i = kEffectIDs.size(); i-- > 0;) {
        EnObject* pObject = kStream.FindLink(kEffectIDs[i]);
        if (!pObject) continue;
        EnDynamicEffect* pEffect = kLink.pfnFromObject ? kLink.pfnFromObject(pObject) : nullptr;
        if (!pEffect) {
            kStream.MarkRecordInvalid();
            return;
        }
        AttachEffect(pEffect);
    }
}

bool EnNode::RegisterForSave(EnStream& kStream) {
    if (!EnAVObject::RegisterForSave(kStream)) return false;
    for (uint32_t i = 0; i < m_children.GetSize(); i++) {
        if (EnAVObject* pChild = m_children.GetAt(i)) pChild->RegisterForSave(kStream);
    }
    for (EnDynamicEffect* pEffect : EffectsInOrder(m_effectList)) {
        if (EnAVObject* pObject = EffectObject(pEffect)) pObject->RegisterForSave(kStream);
    }
    return true;
}

void EnNode::SaveToStream(EnStream& kStream) {
    EnAVObject::SaveToStream(kStream);
    kStream.WriteU32(m_children.GetSize());
    for (uint32_t i = 0; i < m_children.GetSize(); i++)
        kStream.WriteLinkID(m_children.GetAt(i).Get());
    std::vector<EnDynamicEffect*> kEffects = EffectsInOrder(m_effectList);
    kStream.WriteU32(uint32_t(kEffects.size()));
    for (EnDynamicEffect* pEffect : kEffects) kStream.WriteLinkID(EffectObject(pEffect));
}

bool EnNode::EqualsObject(const EnObject* pObject) const {
    if (!EnAVObject::EqualsObject(pObject)) return false;
    const EnNode* pOther = EnDynamicCast(EnNode, pObject);
    if (!pOther) return false;
    if (IsVisualObject() != pOther->IsVisualObject()) return false;

    if (m_children.GetSize() != pOther->m_children.GetSize()) return false;
    for (uint32_t i = 0; i < m_children.GetSize(); i++) {
        const EnAVObject* pChild = m_children.GetAt(i);
        const EnAVObject* pOtherChild = pOther->m_children.GetAt(i);
        if (!pChild || !pOtherChild) {
            if (pChild || pOtherChild) return false;
            continue;
        }
        if (!pChild->EqualsObject(pOtherChild)) return false;
    }

    std::vector<EnDynamicEffect*> kEffects = EffectsInOrder(m_effectList);
    std::vector<EnDynamicEffect*> kOtherEffects = EffectsInOrder(pOther->m_effectList);
    if (kEffects.size() != kOtherEffects.size()) return false;
    for (size_t i = 0; i < kEffects.size(); i++) {
        const EnAVObject* pEffect = EffectObject(kEffects[i]);
        if (!pEffect || !pEffect->EqualsObject(EffectObject(kOtherEffects[i]))) return false;
    }
    return true;
}

void EnNode::AppendMemberStrings(EnTArray<char*>& kStrings) const {
    EnAVObject::AppendMemberStrings(kStrings);
    kStrings.Add(MakeViewerTitle("EnNode"));
    kStrings.Add(MakeViewerBool("m_bVisual", IsVisualObject()));
    int iIndex = 0;
    for (EnDynamicEffect* pEffect : EffectsInOrder(m_effectList)) {
        char acLabel[32];
        std::snprintf(acLabel, sizeof(acLabel), "effect[%d]", iIndex++);
        kStrings.Add(MakeViewerPointer(acLabel, EffectObject(pEffect)));
    }
}

void EnNode::BakeTransform(const EnMatrix3& kRotate, const EnVector3& kTranslate,
                           bool bInParentSpace) {
    if (!bInParentSpace) {
        for (uint32_t i = 0; i < m_children.GetSize(); i++) {
            if (EnAVObject* pChild = m_children.GetAt(i))
                pChild->BakeTransform(kRotate, kTranslate, true);
        }
        return;
    }
    // The rigid motion given in the parent's frame, seen from this node's frame.
    const EnMatrix3& L = m_localRotate;
    const EnVector3& t = m_localTranslate;
    const EnMatrix3 kLocalRotate = L.TransposeTimes(kRotate) * L;
    const EnVector3 kLocalTranslate =
        L.TransposeTimesVector(kRotate * t + kTranslate - t) / m_fLocalScale;
    for (uint32_t i = 0; i < m_children.GetSize(); i++) {
        if (EnAVObject* pChild = m_children.GetAt(i))
            pChild->BakeTransform(kLocalRotate, kLocalTranslate, true);
    }
}

void EnNode::CreateWorldVertices() {
    for (uint32_t i = 0; i < m_children.GetSize(); i++)
        if (EnAVObject* pChild = m_children.GetAt(i)) pChild->CreateWorldVertices();
}

void EnNode::UpdateWorldVertices() {
    for (uint32_t i = 0; i < m_children.GetSize(); i++)
        if (EnAVObject* pChild = m_children.GetAt(i)) pChild->UpdateWorldVertices();
}

void EnNode::DestroyWorldVertices() {
    for (uint32_t i = 0; i < m_children.GetSize(); i++)
        if (EnAVObject* pChild = m_children.GetAt(i)) pChild->DestroyWorldVertices();
}

void EnNode::CreateWorldNormals() {
    for (uint32_t i = 0; i < m_children.GetSize(); i++)
        if (EnAVObject* pChild = m_children.GetAt(i)) pChild->CreateWorldNormals();
}

void EnNode::UpdateWorldNormals() {
    for (uint32_t i = 0; i < m_children.GetSize(); i++)
        if (EnAVObject* pChild = m_children.GetAt(i)) pChild->UpdateWorldNormals();
}

void EnNode::DestroyWorldNormals() {
    for (uint32_t i = 0; i < m_children.GetSize(); i++)
        if (EnAVObject* pChild = m_children.GetAt(i)) pChild->DestroyWorldNormals();
}

void EnNode::CreateCollisionTree(int32_t iArgument) {
    for (uint32_t i = 0; i < m_children.GetSize(); i++)
        if (EnAVObject* pChild = m_children.GetAt(i)) pChild->CreateCollisionTree(iArgument);
}

void EnNode::DestroyCollisionTree() {
    for (uint32_t i = 0; i < m_children.GetSize(); i++)
        if (EnAVObject* pChild = m_children.GetAt(i)) pChild->DestroyCollisionTree();
}

EnAVObject* EnNode::FindObjectByName(const char* pcName) {
    if (EnAVObject* pFound = EnAVObject::FindObjectByName(pcName)) return pFound;
    for (uint32_t i = 0; i < m_children.GetSize(); i++) {
        EnAVObject* pChild = m_children.GetAt(i);
        if (!pChild) continue;
        if (EnAVObject* pFound = pChild->FindObjectByName(pcName)) return pFound;
    }
    return nullptr;
}

void EnNode::UpdateSubtree(float fTime) {
    RunControllers(fTime);
    ComputeWorldTransform();
    UpdateChildren(fTime);
}

void EnNode::UpdateChildren(float fTime) {
    bool bVisual = false;
    for (uint32_t i = 0; i < m_children.GetSize(); i++) {
        EnAVObject* pChild = m_children.GetAt(i);
        if (!pChild) continue;
        pChild->UpdateSubtree(fTime);
        if (!pChild->IsVisualObject()) continue;
        if (bVisual)
            m_worldBound.Merge(pChild->GetWorldBound());
        else
            m_worldBound = pChild->GetWorldBound();
        bVisual = true;
    }
    // Without a visual child the node keeps its last bound.
    SetVisual(bVisual);
}

bool EnNode::MergeChildBounds() {
    bool bVisual = false;
    for (uint32_t i = 0; i < m_children.GetSize(); i++) {
        EnAVObject* pChild = m_children.GetAt(i);
        if (!pChild || !pChild->IsVisualObject()) continue;
        if (bVisual)
            m_worldBound.Merge(pChild->GetWorldBound());
        else
            m_worldBound = pChild->GetWorldBound();
        bVisual = true;
    }
    SetVisual(bVisual);
    return bVisual;
}

void EnNode::ComputeWorldBound() {
    MergeChildBounds();
}

void EnNode::UpdatePropertyState(EnPropertyState* pState) {
    EnPointer<EnPropertyState> spMerged = MergePropertyState(pState, true);
    for (uint32_t i = 0; i < m_children.GetSize(); i++)
        if (EnAVObject* pChild = m_children.GetAt(i)) pChild->UpdatePropertyState(spMerged);
}

void EnNode::UpdateEffectState(EnDynamicEffectState* pState) {
    const EnEffectLink& kLink = EnEffectLink::Get();
    EnDynamicEffectState* pMerged = pState;
    const bool bMerge = kLink.pfnMergeEffects && kLink.pfnReleaseState;
    if (bMerge) pMerged = kLink.pfnMergeEffects(pState, *this, true);
    for (uint32_t i = 0; i < m_children.GetSize(); i++)
        if (EnAVObject* pChild = m_children.GetAt(i)) pChild->UpdateEffectState(pMerged);
    if (bMerge && pMerged) kLink.pfnReleaseState(pMerged);
}

void EnNode::Draw(EnCamera* pCamera) {
    if (!IsVisualObject()) return;
    for (uint32_t i = 0; i < m_children.GetSize(); i++)
        if (EnAVObject* pChild = m_children.GetAt(i)) pChild->CullAndDraw(pCamera);
}

bool EnNode::TestCollision(float fTime, const EnCollisionQuery& kThis,
                           const EnCollisionQuery& kOther) {
    EnAVObject* pOther = kOther.m_pObject;
    if (!TestBoundCollision(fTime, pOther)) return false;
    if (GetPropagationMode() != NONE) {
        for (uint32_t i = 0; i < m_children.GetSize(); i++) {
            EnAVObject* pChild = m_children.GetAt(i);
            if (pChild && pChild->TestCollision(fTime, kThis.WithObject(pChild), kOther))
                return true;
        }
        return false;
    }
    if (pOther->GetPropagationMode() != NONE) return pOther->TestCollision(fTime, kOther, kThis);
    // Neither side looks further: the bounds meeting is the answer.
    return true;
}

int32_t EnNode::FindCollisions(float fTime, const EnCollisionQuery& kThis,
                               const EnCollisionQuery& kOther) {
    EnAVObject* pOther = kOther.m_pObject;
    if (!TestBoundCollision(fTime, pOther)) return 0;
    if (GetPropagationMode() != NONE) {
        for (uint32_t i = 0; i < m_children.GetSize(); i++) {
            EnAVObject* pChild = m_children.GetAt(i);
            if (pChild && pChild->FindCollisions(fTime, kThis.WithObject(pChild), kOther) == 1)
                return 1;
        }
        return 0;
    }
    if (pOther->GetPropagationMode() != NONE) return pOther->FindCollisions(fTime, kOther, kThis);

    EnCollisionRecord kRecord;
    if (!FindBoundCollisions(fTime, pOther, kRecord)) return 0;
    kRecord.m_pTopA = kThis.m_pTop;
    kRecord.m_pTopB = kOther.m_pTop;
    kRecord.m_pObjectA = this;
    kRecord.m_pObjectB = pOther;
    return CallCollisionCallbacks(kRecord) ? 1 : 0;
}

bool EnNode::FindIntersections(const EnVector3& kOrigin, const EnVector3& kDir,
                               EnRayQuery& kQuery) {
    if (kQuery.m_bObserveAppCulled && GetAppCulled()) return false;
    if (!RayIntersectsBound(kOrigin, kDir)) return false;
    if (kQuery.m_uiTestMode == 0 && kQuery.m_uiStopMode == 1) {
        auto spHit = std::make_unique<EnRayHit>();
        spHit->m_spObject = this;
        kQuery.AddHit(std::move(spHit));
        return true;
    }
    bool bFound = false;
    for (uint32_t i = 0; i < m_children.GetSize(); i++) {
        EnAVObject* pChild = m_children.GetAt(i);
        if (!pChild) continue;
        if (kQuery.StopsAtFirstHit() && kQuery.HasHit()) return true;
        if (pChild->FindIntersections(kOrigin, kDir, kQuery)) bFound = true;
    }
    return bFound;
}

bool EnNode::IsAcceptableChild(const EnAVObject* pChild) const {
    if (!pChild || pChild == this) return false;
    for (const EnAVObject* pAncestor = m_pParent; pAncestor; pAncestor = pAncestor->m_pParent)
        if (pAncestor == pChild) return false;
    return true;
}

void EnNode::AddChild(EnAVObject* pChild, bool bFirstFreeSlot) {
    if (!pChild) return;
    // A node that is this one or above it would make the graph a cycle.
    if (!EN_VERIFY(IsAcceptableChild(pChild))) return;
    EnPointer<EnAVObject> spHold(pChild);
    pChild->SetParent(this);
    if (bFirstFreeSlot)
        m_children.AddFirstEmpty(pChild);
    else
        m_children.Add(pChild);
}

EnPointer<EnAVObject> EnNode::RemoveChild(EnAVObject* pChild) {
    if (!pChild) return nullptr;
    for (uint32_t i = 0; i < m_children.GetSize(); i++) {
        if (m_children.GetAt(i) == pChild) {
            pChild->m_pParent = nullptr;
            return m_children.RemoveAt(i);
        }
    }
    return nullptr;
}

EnPointer<EnAVObject> EnNode::RemoveChildAt(uint32_t uiIndex) {
    if (uiIndex >= m_children.GetSize()) return nullptr;
    EnAVObject* pChild = m_children.GetAt(uiIndex);
    if (!pChild) return nullptr;
    pChild->m_pParent = nullptr;
    return m_children.RemoveAt(uiIndex);
}

EnPointer<EnAVObject> EnNode::ReplaceChildAt(uint32_t uiIndex, EnAVObject* pChild) {
    if (pChild && !EN_VERIFY(IsAcceptableChild(pChild))) return nullptr;
    EnPointer<EnAVObject> spHold(pChild);
    if (uiIndex >= m_children.GetSize()) {
        if (pChild) {
            pChild->SetParent(this);
            m_children.SetAtGrow(uiIndex, pChild);
        }
        return nullptr;
    }
    EnPointer<EnAVObject> spOld = m_children.GetAt(uiIndex);
    if (spOld) spOld->m_pParent = nullptr;
    if (pChild) pChild->SetParent(this);
    m_children.SetAtGrow(uiIndex, pChild);
    return spOld;
}

void EnNode::PropagateBoundUpward() {
    ComputeWorldBound();
    if (m_pParent) m_pParent->PropagateBoundUpward();
}

bool EnNode::HasEffect(EnDynamicEffect* pEffect) const {
    for (EnTListIterator pos = m_effectList.GetHeadPos(); pos;)
        if (m_effectList.GetNext(pos) == pEffect) return true;
    return false;
}

void EnNode::AttachEffect(EnDynamicEffect* pEffect) {
    if (!pEffect || HasEffect(pEffect)) return;
    m_effectList.AddHead(pEffect);
    if (auto pfnAttach = EnEffectLink::Get().pfnAttachAffectedNode) pfnAttach(pEffect, this);
}

void EnNode::DetachEffect(EnDynamicEffect* pEffect) {
    if (!pEffect || !HasEffect(pEffect)) return;
    m_effectList.Remove(pEffect);
    if (auto pfnDetach = EnEffectLink::Get().pfnDetachAffectedNode) pfnDetach(pEffect, this);
}

void EnNode::DetachAllEffects() {
    while (!m_effectList.IsEmpty()) DetachEffect(m_effectList.GetHead());
}
