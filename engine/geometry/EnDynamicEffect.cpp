#include "engine/geometry/EnDynamicEffect.h"

#include <algorithm>
#include <cstdio>

#include "engine/core/EnEffectLink.h"
#include "engine/core/EnNode.h"
#include "engine/core/EnStream.h"
#include "engine/core/EnViewerStrings.h"
#include "engine/geometry/EnDynamicEffectState.h"
#include "engine/render/EnRender.h"

EN_IMPLEMENT_RTTI(EnDynamicEffect, EnAVObject);
EN_IMPLEMENT_ABSTRACT_STREAM(EnDynamicEffect);

namespace {

uint32_t s_uiNextIndex = 0;

EnDynamicEffectState* MergeEffects(EnDynamicEffectState* pState, const EnNode& kNode, bool bCopy) {
    if (!kNode.HasEffects()) {
        if (pState) pState->AddReference();
        return pState;
    }
    EnDynamicEffectState* pResult =
        !pState ? new EnDynamicEffectState : (bCopy ? pState->Copy() : pState);
    for (EnTListIterator pos = kNode.GetEffectList().GetHeadPos(); pos;)
        pResult->AddEffect(kNode.GetEffectList().GetNext(pos));
    pResult->AddReference();
    return pResult;
}

// Nodes reach effects and effect states only through these entry points.
[[maybe_unused]] const bool s_bEffectLinkInstalled = [] {
    EnEffectLink& kLink = EnEffectLink::Get();
    kLink.pfnAsObject = [](EnDynamicEffect* pEffect) -> EnAVObject* { return pEffect; };
    kLink.pfnFromObject = [](EnObject* pObject) -> EnDynamicEffect* {
        return EnDynamicCast(EnDynamicEffect, pObject);
    };
    kLink.pfnAttachAffectedNode = [](EnDynamicEffect* pEffect, EnNode* pNode) {
        if (pEffect) pEffect->AttachAffectedNode(pNode);
    };
    kLink.pfnDetachAffectedNode = [](EnDynamicEffect* pEffect, EnNode* pNode) {
        if (pEffect) pEffect->DetachAffectedNode(pNode);
    };
    kLink.pfnMergeEffects = &MergeEffects;
    kLink.pfnReleaseState = [](EnDynamicEffectState* pState) {
        if (pState) pState->ReleaseReference();
    };
    kLink.pfnClearSharedState = &EnDynamicEffectState::ClearSharedState;
    return true;
}();

}  // namespace

EnDynamicEffect::EnDynamicEffect() : m_uiIndex(s_uiNextIndex++) {}

EnDynamicEffect::~EnDynamicEffect() {
    DetachAllAffectedNodes();
}

void EnDynamicEffect::AnnounceDestruction() {
    if (m_bAnnounced) return;
    m_bAnnounced = true;
    EnRender::BroadcastEffectDestroyed(this);
}

bool EnDynamicEffect::AffectsNode(const EnNode* pNode) const {
    for (EnTListIterator pos = m_kAffectedNodes.GetHeadPos(); pos;)
        if (m_kAffectedNodes.GetNext(pos) == pNode) return true;
    return false;
}

void EnDynamicEffect::AttachAffectedNode(EnNode* pNode) {
    if (!pNode || AffectsNode(pNode)) return;
    m_kAffectedNodes.AddHead(pNode);
    pNode->AttachEffect(this);
}

void EnDynamicEffect::DetachAffectedNode(EnNode* pNode) {
    if (!pNode || !AffectsNode(pNode)) return;
    m_kAffectedNodes.Remove(pNode);
    pNode->DetachEffect(this);
}

void EnDynamicEffect::DetachAllAffectedNodes() {
    while (!m_kAffectedNodes.IsEmpty()) {
        EnNode* pNode = m_kAffectedNodes.GetHead();
        pNode->DetachEffect(this);
        // A node that did not list the effect leaves our side to us.
        if (m_kAffectedNodes.GetHead() == pNode) m_kAffectedNodes.Remove(pNode);
    }
}

void EnDynamicEffect::CopyMembers(EnDynamicEffect* pCopy) {
    EnAVObject::CopyMembers(pCopy);
    pCopy->m_uiReserved = m_uiReserved;
    pCopy->m_uiRevision = m_uiRevision;
}

void EnDynamicEffect::CloneCleanup() {
    // The scene-object step removes the clone mark that the copy left at the head of the
    // extra data; the node fix-ups have found the copies through it by now.
    EnAVObject::CloneCleanup();
}

void EnDynamicEffect::LoadFromStream(EnStream& kStream) {
    EnAVObject::LoadFromStream(kStream);
    uint32_t uiCount = 0;
    if (!kStream.ReadU32(uiCount) || !kStream.CheckCount(uiCount, sizeof(uint32_t))) return;
    // The links are rebuilt by the nodes' own effect lists; the saved IDs only give the order.
    auto* pRecord = kStream.GetLinkRecord<LinkRecord>();
    for (uint32_t i = 0; i < uiCount; i++) {
        uint32_t uiID = 0;
        if (!kStream.ReadLinkID(uiID)) return;
        if (pRecord) pRecord->m_kAffectedIDs.push_back(uiID);
    }
}

void EnDynamicEffect::LinkFromStream(EnStream& kStream) {
    EnAVObject::LinkFromStream(kStream);
    m_kLoadedOrder.clear();
    if (auto* pRecord = kStream.GetLinkRecord<LinkRecord>()) {
        for (uint32_t uiID : pRecord->m_kAffectedIDs)
            if (auto* pNode = EnDynamicCast(EnNode, kStream.FindLink(uiID)))
                m_kLoadedOrder.push_back(pNode);
    }
}

void EnDynamicEffect::AfterLinks() {
    EnAVObject::AfterLinks();
    if (m_kLoadedOrder.empty()) return;
    // The nodes attached themselves in file order; put the list back in its saved order, so
    // that a saved scene loads and saves again byte for byte.
    std::vector<EnNode*> kCurrent;
    for (EnTListIterator pos = m_kAffectedNodes.GetHeadPos(); pos;)
        kCurrent.push_back(m_kAffectedNodes.GetNext(pos));
    std::vector<EnNode*> kOrdered;
    for (EnNode* pNode : m_kLoadedOrder)
        if (std::find(kCurrent.begin(), kCurrent.end(), pNode) != kCurrent.end() &&
            std::find(kOrdered.begin(), kOrdered.end(), pNode) == kOrdered.end())
            kOrdered.push_back(pNode);
    for (EnNode* pNode : kCurrent)
        if (std::find(kOrdered.begin(), kOrdered.end(), pNode) == kOrdered.end())
            kOrdered.push_back(pNode);
    m_kAffectedNodes.RemoveAll();
    for (auto it = kOrdered.rbegin(); it != kOrdered.rend(); ++it) m_kAffectedNodes.AddHead(*it);
    m_kLoadedOrder.clear();
}

void EnDynamicEffect::SaveToStream(EnStream& kStream) {
    EnAVObject::SaveToStream(kStream);
    kStream.WriteU32(m_kAffectedNodes.ItemsInList());
    // A node outside the saved graph is written as 0: loading ignores these IDs anyway.
    for (EnTListIterator pos = m_kAffectedNodes.GetHeadPos(); pos;)
        kStream.WriteU32(kStream.GetLinkID(m_kAffectedNodes.GetNext(pos)));
}

bool EnDynamicEffect::EqualsObject(const EnObject* pObject) const {
    if (!EnAVObject::EqualsObject(pObject)) return false;
    const auto* pOther = static_cast<const EnDynamicEffect*>(pObject);
    // Only the number of affected nodes counts, not which nodes they are.
    return m_kAffectedNodes.ItemsInList() == pOther->m_kAffectedNodes.ItemsInList();
}

void EnDynamicEffect::AppendMemberStrings(EnTArray<char*>& kStrings) const {
    EnAVObject::AppendMemberStrings(kStrings);
    kStrings.Add(MakeViewerTitle("EnDynamicEffect"));
    int32_t iIndex = 0;
    for (EnTListIterator pos = m_kAffectedNodes.GetHeadPos(); pos; iIndex++) {
        char acLabel[32];
        std::snprintf(acLabel, sizeof acLabel, "node[%d]", iIndex);
        kStrings.Add(MakeViewerPointer(acLabel, m_kAffectedNodes.GetNext(pos)));
    }
}
