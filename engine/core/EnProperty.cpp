#include "engine/core/EnProperty.h"

#include "engine/core/EnStream.h"
#include "engine/core/EnTimeController.h"
#include "engine/core/EnViewerStrings.h"

EN_IMPLEMENT_RTTI(EnProperty, EnObjectNET);
EN_IMPLEMENT_ABSTRACT_STREAM(EnProperty);

namespace {
// Constant-initialised, so registrations from any unit's start-up code find it ready.
constinit EnProperty::DefaultFunction s_apfnDefaults[EnProperty::MAX_TYPES] = {};
}  // namespace

EnProperty::EnProperty() = default;

EnProperty::~EnProperty() = default;

bool EnProperty::RegisterDefault(int32_t iType, DefaultFunction pfnDefault) {
    if (iType < 0 || iType >= MAX_TYPES) return false;
    s_apfnDefaults[iType] = pfnDefault;
    return true;
}

EnProperty* EnProperty::GetDefault(int32_t iType) {
    if (iType < 0 || iType >= MAX_TYPES || !s_apfnDefaults[iType]) return nullptr;
    return s_apfnDefaults[iType]();
}

void EnProperty::SetFlagBit(uint32_t uiValue, uint32_t uiBit) {
    if (uiBit >= 16) return;
    const uint16_t usBit = uint16_t(1u << uiBit);
    m_usFlags = uint16_t(uiValue ? (m_usFlags | usBit) : (m_usFlags & ~usBit));
}

void EnProperty::SetFlagField(uint32_t uiValue, uint32_t uiMask, uint32_t uiShift) {
    if (uiShift >= 16) return;
    const uint32_t uiField = (uiMask << uiShift) & 0xFFFF;
    m_usFlags = uint16_t((m_usFlags & ~uiField) | ((uiValue & uiMask) << uiShift & uiField));
}

uint32_t EnProperty::GetFlagField(uint32_t uiMask, uint32_t uiShift) const {
    if (uiShift >= 16) return 0;
    return (uint32_t(m_usFlags) >> uiShift) & uiMask;
}

void EnProperty::CopyMembers(EnProperty* pCopy) {
    CopyMembersForClone(pCopy);
    pCopy->m_usFlags = m_usFlags;
}

void EnProperty::UpdateControllers(float fTime) {
    for (EnTimeController* p = m_spControllers; p; p = p->GetNext()) p->Update(fTime);
}

void EnProperty::LoadFromStream(EnStream& kStream) {
    EnObjectNET::LoadFromStream(kStream);
    kStream.ReadU16(m_usFlags);
}

void EnProperty::SaveToStream(EnStream& kStream) {
    EnObjectNET::SaveToStream(kStream);
    kStream.WriteU16(m_usFlags);
}

bool EnProperty::EqualsObject(const EnObject* pObject) const {
    return EnObjectNET::EqualsObject(pObject);
}

bool EnProperty::EnFlagPropertyEquals(const EnObject* pObject) const {
    if (!EnProperty::EqualsObject(pObject)) return false;
    const auto* pOther = static_cast<const EnProperty*>(pObject);
    return ((m_usFlags ^ pOther->m_usFlags) & 1) == 0;
}

void EnProperty::AppendMemberStrings(EnTArray<char*>& kStrings) const {
    EnObjectNET::AppendMemberStrings(kStrings);
    kStrings.Add(MakeViewerTitle("EnProperty"));
}
