#include "engine/core/EnTransparentProperty.h"

#include "engine/core/EnStream.h"
#include "engine/core/EnViewerStrings.h"

EN_IMPLEMENT_RTTI(EnTransparentProperty, EnProperty);
EN_IMPLEMENT_STREAM(EnTransparentProperty);

EnPointer<EnTransparentProperty> GetDefaultTransparentProperty() {
    static const EnPointer<EnTransparentProperty> s_spDefault(new EnTransparentProperty);
    return s_spDefault;
}

namespace {
EnProperty* DefaultInstance() {
    return GetDefaultTransparentProperty();
}
// The default is made at start-up and registered for the property states.
[[maybe_unused]] const bool s_bDefaultRegistered =
    EnProperty::RegisterDefault(EnTransparentProperty::TYPE, &DefaultInstance) && DefaultInstance();
}  // namespace

EnTransparentProperty::EnTransparentProperty() = default;

EnTransparentProperty::~EnTransparentProperty() = default;

EnObject* EnTransparentProperty::CloneObject() {
    auto* pCopy = new EnTransparentProperty;
    CopyMembers(pCopy);
    pCopy->m_uiColor = m_uiColor;
    return pCopy;
}

void EnTransparentProperty::LoadFromStream(EnStream& kStream) {
    EnProperty::LoadFromStream(kStream);
    kStream.ReadU32(m_uiColor);
}

void EnTransparentProperty::SaveToStream(EnStream& kStream) {
    EnProperty::SaveToStream(kStream);
    kStream.WriteU32(m_uiColor);
}

bool EnTransparentProperty::EqualsObject(const EnObject* pObject) const {
    if (!EnProperty::EqualsObject(pObject)) return false;
    const auto* pOther = static_cast<const EnTransparentProperty*>(pObject);
    return ((m_usFlags ^ pOther->m_usFlags) & TRANSPARENT_MASK) == 0 &&
           m_uiColor == pOther->m_uiColor;
}

void EnTransparentProperty::AppendMemberStrings(EnTArray<char*>& kStrings) const {
    EnProperty::AppendMemberStrings(kStrings);
    kStrings.Add(MakeViewerTitle("EnTransparentProperty"));
    kStrings.Add(MakeViewerBool("m_bTransparent", GetTransparent()));
    kStrings.Add(MakeViewerUInt("m_uiColor", m_uiColor));
}
