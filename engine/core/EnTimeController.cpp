#include "engine/core/EnTimeController.h"

#include <cmath>

#include "engine/core/EnAVObject.h"
#include "engine/core/EnFormatString.h"
#include "engine/core/EnNode.h"
#include "engine/core/EnObjectNET.h"
#include "engine/core/EnStream.h"
#include "engine/core/EnViewerStrings.h"

EN_IMPLEMENT_RTTI(EnTimeController, EnObject);
EN_IMPLEMENT_ABSTRACT_STREAM(EnTimeController);

namespace {

bool IsInChain(const EnObjectNET* pTarget, const EnTimeController* pController) {
    for (const EnTimeController* p = pTarget->GetFirstController(); p; p = p->GetNext())
        if (p == pController) return true;
    return false;
}

}  // namespace

EnTimeController::EnTimeController() = default;

EnTimeController::~EnTimeController() = default;

void EnTimeController::Start() {
    SetActive(true);
    m_fStartTime = UNSET_TIME;
    m_fLastTime = UNSET_TIME;
}

void EnTimeController::StartAt(float fTime) {
    SetActive(true);
    m_fStartTime = fTime;
    m_fLastTime = UNSET_TIME;
}

void EnTimeController::Stop() {
    SetActive(false);
    m_fStartTime = UNSET_TIME;
    m_fLastTime = UNSET_TIME;
}

void EnTimeController::SetTarget(EnObjectNET* pTarget) {
    if (pTarget == m_pTarget) return;
    // Leaving the old chain may drop the last reference to this controller.
    EnPointer<EnTimeController> spSelf(this);
    if (m_pTarget && m_pTarget->GetFirstController()) m_pTarget->RemoveController(this);
    m_pTarget = pTarget;
    if (m_pTarget && !IsInChain(m_pTarget, this)) m_pTarget->AddController(this);
}

void EnTimeController::OnNextInChain() {
    if (m_spNext) m_spNext->OnNextInChain();
}

float EnTimeController::ScaleTime(float fTime) {
    m_fLastTime = fTime;

    float fKey;
    if (GetAnimType() == APP_INIT) {
        if (m_fStartTime == UNSET_TIME) m_fStartTime = fTime;
        fKey = fTime - m_fStartTime + m_fLoKeyTime;
    } else {
        fKey = fTime;
    }
    fKey = fKey * m_fFrequency + m_fPhase;

    // The wrap keeps fmod's sign: a negative scaled time wraps below the range and is clamped
    // to its start below. Stored animations were authored against exactly this mapping.
    const float fSpan = m_fHiKeyTime - m_fLoKeyTime;
    const uint16_t usCycle = uint16_t((m_usFlags & CYCLETYPE_MASK) >> CYCLETYPE_POS);
    if (usCycle == LOOP || usCycle == REVERSE) {
        const float fWrapped = fSpan != 0.0f ? std::fmod(fKey, fSpan) + m_fLoKeyTime : m_fLoKeyTime;
        if (usCycle == REVERSE && fSpan != 0.0f) {
            const float fPasses = std::trunc(fKey / fSpan);
            const bool bOdd = std::fabs(std::fmod(fPasses, 2.0f)) == 1.0f;
            fKey = bOdd ? m_fHiKeyTime - fWrapped + m_fLoKeyTime : fWrapped;
        } else {
            fKey = fWrapped;
        }
    }

    if (fKey > m_fHiKeyTime)
        fKey = m_fHiKeyTime;
    else if (fKey < m_fLoKeyTime)
        fKey = m_fLoKeyTime;
    return fKey;
}

uint32_t EnTimeController::GetChainLength(const EnTimeController* pController) {
    uint32_t uiLength = 0;
    for (; pController; pController = pController->GetNext()) uiLength++;
    return uiLength;
}

void EnTimeController::StartAnimations(EnObjectNET* pObject, float fTime) {
    if (!pObject) return;
    for (EnTimeController* p = pObject->GetFirstController(); p; p = p->GetNext())
        p->StartAt(fTime);
    if (auto* pAVObject = EnDynamicCast(EnAVObject, pObject)) {
        const auto& kProperties = pAVObject->GetPropertyList();
        for (EnTListIterator pos = kProperties.GetHeadPos(); pos;) {
            EnProperty* pProperty = kProperties.GetNext(pos);
            if (!pProperty) continue;
            for (EnTimeController* p = pProperty->GetFirstController(); p; p = p->GetNext())
                p->StartAt(fTime);
        }
    }
    if (auto* pNode = EnDynamicCast(EnNode, pObject)) {
        for (uint32_t i = 0; i < pNode->GetArrayCount(); i++)
            if (EnAVObject* pChild = pNode->GetAt(i)) StartAnimations(pChild, fTime);
    }
}

void EnTimeController::StopAnimations(EnObjectNET* pObject) {
    if (!pObject) return;
    for (EnTimeController* p = pObject->GetFirstController(); p; p = p->GetNext()) p->Stop();
    if (auto* pAVObject = EnDynamicCast(EnAVObject, pObject)) {
        const auto& kProperties = pAVObject->GetPropertyList();
        for (EnTListIterator pos = kProperties.GetHeadPos(); pos;) {
            EnProperty* pProperty = kProperties.GetNext(pos);
            if (!pProperty) continue;
            for (EnTimeController* p = pProperty->GetFirstController(); p; p = p->GetNext())
                p->Stop();
        }
    }
    if (auto* pNode = EnDynamicCast(EnNode, pObject)) {
        for (uint32_t i = 0; i < pNode->GetArrayCount(); i++)
            if (EnAVObject* pChild = pNode->GetAt(i)) StopAnimations(pChild);
    }
}

void EnTimeController::CopyMembers(EnTimeController* pCopy) {
    pCopy->m_usFlags = m_usFlags;
    pCopy->m_fFrequency = m_fFrequency;
    pCopy->m_fPhase = m_fPhase;
    pCopy->m_fLoKeyTime = m_fLoKeyTime;
    pCopy->m_fHiKeyTime = m_fHiKeyTime;
    pCopy->m_fStartTime = m_fStartTime;
    pCopy->m_fLastTime = m_fLastTime;

    // A target that is being cloned hands over its copy through its clone marker; a target
    // outside the clone is shared (the copy is not entered in its chain).
    if (m_pTarget) {
        auto* pTargetCopy = EnDynamicCast(EnObjectNET, m_pTarget->GetCloneCopy());
        pCopy->m_pTarget = pTargetCopy ? pTargetCopy : m_pTarget;
    }

    if (m_spNext) pCopy->m_spNext = EnDynamicCast(EnTimeController, m_spNext->CloneObject());
}

void EnTimeController::CloneFixup(EnObject* pCopy) {
    EnObject::CloneFixup(pCopy);
    auto* pControllerCopy = EnDynamicCast(EnTimeController, pCopy);
    if (m_spNext && pControllerCopy) m_spNext->CloneFixup(pControllerCopy->m_spNext);
}

void EnTimeController::LoadFromStream(EnStream& kStream) {
    EnObject::LoadFromStream(kStream);
    auto* pRecord = kStream.GetLinkRecord<LinkRecord>();
    uint32_t uiNextID = 0;
    kStream.ReadLinkID(uiNextID);
    kStream.ReadU16(m_usFlags);
    kStream.ReadF32(m_fFrequency);
    kStream.ReadF32(m_fPhase);
    kStream.ReadF32(m_fLoKeyTime);
    kStream.ReadF32(m_fHiKeyTime);
    uint32_t uiTargetID = 0;
    kStream.ReadLinkID(uiTargetID);
    if (pRecord) {
        pRecord->m_uiNextID = uiNextID;
        pRecord->m_uiTargetID = uiTargetID;
    }
}

void EnTimeController::LinkFromStream(EnStream& kStream) {
    EnObject::LinkFromStream(kStream);
    auto* pRecord = kStream.GetLinkRecord<LinkRecord>();
    if (!pRecord) return;
    if (pRecord->m_uiNextID != 0) {
        EnTimeController* pNext = kStream.FindLink<EnTimeController>(pRecord->m_uiNextID);
        // A chain that comes back to this controller would never end.
        for (EnTimeController* p = pNext; p; p = p->GetNext()) {
            if (p == this) {
                kStream.MarkRecordInvalid();
                return;
            }
        }
        m_spNext = pNext;
    }
    if (pRecord->m_uiTargetID != 0)
        m_pTarget = kStream.FindLink<EnObjectNET>(pRecord->m_uiTargetID);
}

bool EnTimeController::RegisterForSave(EnStream& kStream) {
    if (!EnObject::RegisterForSave(kStream)) return false;
    if (m_spNext) m_spNext->RegisterForSave(kStream);
    return true;
}

void EnTimeController::SaveToStream(EnStream& kStream) {
    EnObject::SaveToStream(kStream);
    kStream.WriteLinkID(m_spNext);
    kStream.WriteU16(m_usFlags);
    kStream.WriteF32(m_fFrequency);
    kStream.WriteF32(m_fPhase);
    kStream.WriteF32(m_fLoKeyTime);
    kStream.WriteF32(m_fHiKeyTime);
    kStream.WriteLinkID(m_pTarget);
}

bool EnTimeController::EqualsObject(const EnObject* pObject) const {
    if (!EnObject::EqualsObject(pObject)) return false;
    const auto* pOther = EnDynamicCast(EnTimeController, pObject);
    if (!pOther) return false;
    const uint16_t usMask = ANIMTYPE_MASK | CYCLETYPE_MASK;
    return (m_usFlags & usMask) == (pOther->m_usFlags & usMask) &&
           m_fFrequency == pOther->m_fFrequency && m_fPhase == pOther->m_fPhase &&
           m_fLoKeyTime == pOther->m_fLoKeyTime && m_fHiKeyTime == pOther->m_fHiKeyTime &&
           (m_pTarget != nullptr) == (pOther->m_pTarget != nullptr);
}

void EnTimeController::AppendMemberStrings(EnTArray<char*>& kStrings) const {
    EnObject::AppendMemberStrings(kStrings);
    kStrings.Add(MakeViewerTitle("EnTimeController"));
    kStrings.Add(MakeViewerFloat("m_fFrequency", m_fFrequency));
    kStrings.Add(MakeViewerFloat("m_fPhase", m_fPhase));
    kStrings.Add(MakeViewerFloat("m_fLoKeyTime", m_fLoKeyTime));
    kStrings.Add(MakeViewerFloat("m_fHiKeyTime", m_fHiKeyTime));
    kStrings.Add(MakeViewerFloat("m_fStartTime", m_fStartTime));
    kStrings.Add(MakeViewerFloat("m_fLastTime", m_fLastTime));
    kStrings.Add(MakeViewerPointer("m_pTarget", m_pTarget));
    kStrings.Add(EnFormatNewString(GetAnimType() == APP_INIT ? "%s = APP_INIT" : "%s = APP_TIME",
                                   "anim type"));
    const char* pcCycle = "%s = CLAMP";
    if (GetCycleType() == LOOP) pcCycle = "%s = LOOP";
    if (GetCycleType() == REVERSE) pcCycle = "%s = REVERSE";
    kStrings.Add(EnFormatNewString(pcCycle, "cycle type"));
}
