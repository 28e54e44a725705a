#include "engine/core/EnSortAdjustNode.h"

#include <cstring>

#include "engine/core/EnCamera.h"
#include "engine/core/EnStream.h"
#include "engine/render/EnRender.h"

EN_IMPLEMENT_RTTI(EnSortAdjustNode, EnNode);
EN_IMPLEMENT_STREAM(EnSortAdjustNode);

namespace {

// The accumulator classes live with the renderer, above this library: a link is checked by
// the class names of its type records instead of by the accumulator's own record.
EnAccumulator* AsAccumulator(EnObject* pObject) {
    if (!pObject) return nullptr;
    for (const EnTypeRecord* pRecord = pObject->GetTypeRecord(); pRecord;
         pRecord = pRecord->GetBaseType())
        if (std::strcmp(pRecord->GetName(), "EnAccumulator") == 0)
            return static_cast<EnAccumulator*>(pObject);
    return nullptr;
}

}  // namespace

EnSortAdjustNode::EnSortAdjustNode() = default;

EnSortAdjustNode::~EnSortAdjustNode() = default;

EnObject* EnSortAdjustNode::CloneObject() {
    EnSortAdjustNode* pCopy = new EnSortAdjustNode;
    CopyMembers(pCopy);
    pCopy->m_eSortMode = m_eSortMode;
    if (m_spAccumulator) pCopy->m_spAccumulator = AsAccumulator(m_spAccumulator->CloneObject());
    return pCopy;
}

void EnSortAdjustNode::LoadFromStream(EnStream& kStream) {
    EnNode::LoadFromStream(kStream);
    int32_t iMode = 0;
    kStream.ReadI32(iMode);
    m_eSortMode = SortingMode(iMode);
    // Files before 3.01 have no accumulator field.
    uint32_t uiAccumulatorID = 0;
    if (kStream.IsVersionAtLeast("3.01")) kStream.ReadLinkID(uiAccumulatorID);
    if (auto* pRecord = kStream.GetLinkRecord<LinkRecord>())
        pRecord->m_uiAccumulatorID = uiAccumulatorID;
}

void EnSortAdjustNode::LinkFromStream(EnStream& kStream) {
    EnNode::LinkFromStream(kStream);
    auto* pRecord = kStream.GetLinkRecord<LinkRecord>();
    if (!pRecord || pRecord->m_uiAccumulatorID == 0) return;
    EnObject* pObject = kStream.FindLink(pRecord->m_uiAccumulatorID);
    if (!pObject) return;
    EnAccumulator* pAccumulator = AsAccumulator(pObject);
    if (!pAccumulator) {
        kStream.MarkRecordInvalid();
        return;
    }
    m_spAccumulator = pAccumulator;
}

bool EnSortAdjustNode::RegisterForSave(EnStream& kStream) {
    if (!EnNode::RegisterForSave(kStream)) return false;
    if (m_spAccumulator) m_spAccumulator->RegisterForSave(kStream);
    return true;
}

void EnSortAdjustNode::SaveToStream(EnStream& kStream) {
    EnNode::SaveToStream(kStream);
    kStream.WriteI32(m_eSortMode);
    kStream.WriteLinkID(m_spAccumulator);
}

bool EnSortAdjustNode::EqualsObject(const EnObject* pObject) const {
    if (!EnNode::EqualsObject(pObject)) return false;
    const auto* pOther = EnDynamicCast(EnSortAdjustNode, pObject);
    if (!pOther || m_eSortMode != pOther->m_eSortMode) return false;
    if (!m_spAccumulator || !pOther->m_spAccumulator)
        return !m_spAccumulator && !pOther->m_spAccumulator;
    return m_spAccumulator->EqualsObject(pOther->m_spAccumulator);
}

void EnSortAdjustNode::Draw(EnCamera* pCamera) {
    EnRender* pRenderer = pCamera ? pCamera->GetRenderer() : nullptr;
    if (!pRenderer) {
        EnNode::Draw(pCamera);
        return;
    }

    EnPointer<EnAccumulator> spSaved = pRenderer->GetAccumulator();
    switch (m_eSortMode) {
        case SORTING_OFF:
            pRenderer->SetAccumulator(nullptr);
            EnNode::Draw(pCamera);
            break;
        case SORTING_SUBSORT:
            pRenderer->SetAccumulator(m_spAccumulator);
            if (m_spAccumulator && m_spAccumulator->BeginCollect(pCamera)) {
                EnNode::Draw(pCamera);
                m_spAccumulator->EndCollect();
            } else {
                pRenderer->SetAccumulator(nullptr);
                EnNode::Draw(pCamera);
            }
            break;
        default:
            EnNode::Draw(pCamera);
            break;
    }
    pRenderer->SetAccumulator(spSaved);
}
