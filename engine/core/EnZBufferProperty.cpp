#include "engine/core/EnZBufferProperty.h"

#include "engine/core/EnViewerStrings.h"

EN_IMPLEMENT_RTTI(EnZBufferProperty, EnProperty);
EN_IMPLEMENT_STREAM(EnZBufferProperty);

EnPointer<EnZBufferProperty> GetDefaultZBufferProperty() {
    static const EnPointer<EnZBufferProperty> s_spDefault(new EnZBufferProperty);
    return s_spDefault;
}

namespace {
EnProperty* DefaultInstance() {
    return GetDefaultZBufferProperty();
}
// The default is made at start-up and registered for the property states.
[[maybe_unused]] const bool s_bDefaultRegistered =
    EnProperty::RegisterDefault(EnZBufferProperty::TYPE, &DefaultInstance) && DefaultInstance();
}  // namespace

EnZBufferProperty::EnZBufferProperty() = default;

EnZBufferProperty::~EnZBufferProperty() = default;

EnObject* EnZBufferProperty::CloneObject() {
    auto* pCopy = new EnZBufferProperty;
    CopyMembers(pCopy);
    return pCopy;
}

bool EnZBufferProperty::EqualsObject(const EnObject* pObject) const {
    if (!EnProperty::EqualsObject(pObject)) return false;
    const auto* pOther = static_cast<const EnZBufferProperty*>(pObject);
    const uint16_t usBits = ZBUFFER_TEST_MASK | ZBUFFER_WRITE_MASK;
    return ((m_usFlags ^ pOther->m_usFlags) & usBits) == 0;
}

void EnZBufferProperty::AppendMemberStrings(EnTArray<char*>& kStrings) const {
    EnProperty::AppendMemberStrings(kStrings);
    kStrings.Add(MakeViewerTitle("EnZBufferProperty"));
    kStrings.Add(MakeViewerBool("m_bZTest", GetZBufferTest()));
    kStrings.Add(MakeViewerBool("m_bZWrite", GetZBufferWrite()));
}
