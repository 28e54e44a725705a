#include "engine/core/EnObjectNET.h"

#include <cstring>

#include "engine/core/EnCloneExtraData.h"
#include "engine/core/EnStream.h"
#include "engine/core/EnTimeController.h"
#include "engine/core/EnViewerStrings.h"

EN_IMPLEMENT_RTTI(EnObjectNET, EnObject);
EN_IMPLEMENT_ABSTRACT_STREAM(EnObjectNET);

namespace {
std::unique_ptr<char[]> CopyText(const char* pcText, const char* pcSuffix = "") {
    if (!pcText) return nullptr;
    size_t uiLength = std::strlen(pcText);
    size_t uiSuffix = std::strlen(pcSuffix);
    std::unique_ptr<char[]> sp(new char[uiLength + uiSuffix + 1]);
    std::memcpy(sp.get(), pcText, uiLength);
    std::memcpy(sp.get() + uiLength, pcSuffix, uiSuffix + 1);
    return sp;
}

bool IsCloneMarker(const EnExtraData* pExtra) {
    return EnIsExactKindOf(EnCloneExtraData, pExtra);
}

uint32_t ControllerChainLength(const EnTimeController* pController) {
    uint32_t uiLength = 0;
    for (; pController; pController = pController->GetNext()) uiLength++;
    return uiLength;
}
}  // namespace

EnObjectNET::EnObjectNET() = default;

EnObjectNET::~EnObjectNET() {
    m_spExtraData = nullptr;
    for (EnTimeController* pController = m_spControllers; pController;
         pController = pController->GetNext()) {
        pController->ForgetTarget(this);
    }
    m_spControllers = nullptr;
}

void EnObjectNET::SetName(const char* pcName) {
    m_pName = CopyText(pcName);
}

void EnObjectNET::AddExtraData(EnExtraData* pExtra) {
    if (!pExtra) return;
    pExtra->SetNext(m_spExtraData);
    m_spExtraData = pExtra;
}

void EnObjectNET::SetExtraData(EnExtraData* pExtra) {
    m_spExtraData = pExtra;
}

void EnObjectNET::RemoveExtraData(EnExtraData* pExtra) {
    if (!pExtra || !m_spExtraData) return;
    if (m_spExtraData == pExtra) {
        // Held across the unhooking: the chain's reference may be the only one.
        EnPointer<EnExtraData> spKeep(pExtra);
        m_spExtraData = pExtra->GetNext();
        pExtra->SetNext(nullptr);
        return;
    }
    for (EnExtraData* p = m_spExtraData; p->GetNext(); p = p->GetNext()) {
        if (p->GetNext() == pExtra) {
            EnPointer<EnExtraData> spKeep(pExtra);
            p->SetNext(pExtra->GetNext());
            pExtra->SetNext(nullptr);
            return;
        }
    }
}

EnExtraData* EnObjectNET::FindExtraData(const EnTypeRecord* pRecord) const {
    for (EnExtraData* p = m_spExtraData; p; p = p->GetNext())
        if (p->IsKindOf(pRecord)) return p;
    return nullptr;
}

void EnObjectNET::AddController(EnTimeController* pController) {
    if (!pController) return;
    pController->SetNext(m_spControllers);
    m_spControllers = pController;
}

void EnObjectNET::RemoveController(EnTimeController* pController) {
    if (!pController || !m_spControllers) return;
    if (m_spControllers == pController) {
        EnPointer<EnTimeController> spKeep(pController);
        m_spControllers = pController->GetNext();
        pController->SetNext(nullptr);
        return;
    }
    for (EnTimeController* p = m_spControllers; p->GetNext(); p = p->GetNext()) {
        if (p->GetNext() == pController) {
            EnPointer<EnTimeController> spKeep(pController);
            p->SetNext(pController->GetNext());
            pController->SetNext(nullptr);
            return;
        }
    }
}

EnObject* EnObjectNET::GetCloneCopy() const {
    if (!IsCloneMarker(m_spExtraData)) return nullptr;
    return static_cast<EnCloneExtraData*>(m_spExtraData.Get())->GetClone();
}

void EnObjectNET::CopyMembersForClone(EnObjectNET* pCopy) {
    switch (GetCloneNameMode()) {
        case 1:
            pCopy->m_pName = CopyText(m_pName.get());
            break;
        case 2:
            if (m_pName) pCopy->m_pName = CopyText(m_pName.get(), "$");
            break;
        default:
            break;
    }

    for (EnExtraData* p = m_spExtraData; p; p = p->GetNext()) {
        if (IsCloneMarker(p)) continue;
        if (EnExtraData* pClone = p->CloneSingle()) pCopy->AddExtraData(pClone);
    }

    // The mark goes on before the controllers are copied: their copies find their new target
    // through it.
    if (!IsCloneMarker(m_spExtraData)) AddExtraData(new EnCloneExtraData(pCopy));

    if (m_spControllers)
        pCopy->m_spControllers = static_cast<EnTimeController*>(m_spControllers->CloneObject());
}

void EnObjectNET::CloneFixup(EnObject* pCopy) {
    EnObject::CloneFixup(pCopy);
    if (m_spControllers && pCopy) {
        auto* pCopyNET = static_cast<EnObjectNET*>(pCopy);
        m_spControllers->CloneFixup(pCopyNET->m_spControllers);
    }
}

void EnObjectNET::CloneCleanup() {
    EnObject::CloneCleanup();
    if (IsCloneMarker(m_spExtraData)) RemoveExtraData(m_spExtraData);
}

void EnObjectNET::LoadFromStream(EnStream& kStream) {
    EnObject::LoadFromStream(kStream);
    char* pcName = nullptr;
    if (!kStream.LoadCString(pcName)) return;
    m_pName.reset(pcName);
    uint32_t uiExtraDataID = 0;
    uint32_t uiControllerID = 0;
    kStream.ReadLinkID(uiExtraDataID);
    kStream.ReadLinkID(uiControllerID);
    if (auto* pRecord = kStream.GetLinkRecord<LinkRecord>()) {
        pRecord->m_uiExtraDataID = uiExtraDataID;
        pRecord->m_uiControllerID = uiControllerID;
    }
}

void EnObjectNET::LinkFromStream(EnStream& kStream) {
    EnObject::LinkFromStream(kStream);
    auto* pRecord = kStream.GetLinkRecord<LinkRecord>();
    if (!pRecord) return;
    if (pRecord->m_uiExtraDataID)
        m_spExtraData = kStream.FindLink<EnExtraData>(pRecord->m_uiExtraDataID);
    if (pRecord->m_uiControllerID)
        m_spControllers = kStream.FindLink<EnTimeController>(pRecord->m_uiControllerID);
}

bool EnObjectNET::RegisterForSave(EnStream& kStream) {
    if (!EnObject::RegisterForSave(kStream)) return false;
    if (m_spExtraData) m_spExtraData->RegisterForSave(kStream);
    if (m_spControllers) m_spControllers->RegisterForSave(kStream);
    return true;
}

void EnObjectNET::SaveToStream(EnStream& kStream) {
    EnObject::SaveToStream(kStream);
    kStream.SaveCString(m_pName.get());
    kStream.WriteLinkID(m_spExtraData);
    kStream.WriteLinkID(m_spControllers);
}

bool EnObjectNET::EqualsObject(const EnObject* pObject) const {
    if (!EnObject::EqualsObject(pObject)) return false;
    // Equal class names: the other object is of this object's class.
    const auto* pOther = static_cast<const EnObjectNET*>(pObject);

    const char* pcA = m_pName.get();
    const char* pcB = pOther->m_pName.get();
    if (!pcA != !pcB) return false;
    if (pcA && std::strcmp(pcA, pcB) != 0) return false;

    if (EnExtraData::GetChainLength(m_spExtraData) !=
        EnExtraData::GetChainLength(pOther->m_spExtraData))
        return false;
    for (const EnExtraData *pA = m_spExtraData, *pB = pOther->m_spExtraData; pA;
         pA = pA->GetNext(), pB = pB->GetNext())
        if (!pA->EqualsSingle(pB)) return false;

    if (ControllerChainLength(m_spControllers) != ControllerChainLength(pOther->m_spControllers))
        return false;
    for (const EnTimeController *pA = m_spControllers, *pB = pOther->m_spControllers; pA;
         pA = pA->GetNext(), pB = pB->GetNext())
        if (!pA->EqualsObject(pB)) return false;
    return true;
}

void EnObjectNET::AppendMemberStrings(EnTArray<char*>& kStrings) const {
    EnObject::AppendMemberStrings(kStrings);
    kStrings.Add(MakeViewerTitle("EnObjectNET"));
    kStrings.Add(MakeViewerString("m_pName", m_pName.get()));
    for (const EnExtraData* p = m_spExtraData; p; p = p->GetNext())
        p->AppendMemberStrings(kStrings);
    for (const EnTimeController* p = m_spControllers; p; p = p->GetNext())
        p->AppendMemberStrings(kStrings);
}
