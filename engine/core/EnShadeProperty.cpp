#include "engine/core/EnShadeProperty.h"

#include "engine/core/EnViewerStrings.h"

EN_IMPLEMENT_RTTI(EnShadeProperty, EnProperty);
EN_IMPLEMENT_STREAM(EnShadeProperty);

EnPointer<EnShadeProperty> GetDefaultShadeProperty() {
    static const EnPointer<EnShadeProperty> s_spDefault(new EnShadeProperty);
    return s_spDefault;
}

namespace {
EnProperty* DefaultInstance() {
    return GetDefaultShadeProperty();
}
// The default is made at start-up and registered for the property states.
[[maybe_unused]] const bool s_bDefaultRegistered =
    EnProperty::RegisterDefault(EnShadeProperty::TYPE, &DefaultInstance) && DefaultInstance();
}  // namespace

EnShadeProperty::EnShadeProperty() {
    SetFlagBit(1, 0);
}

EnShadeProperty::~EnShadeProperty() = default;

EnObject* EnShadeProperty::CloneObject() {
    auto* pCopy = new EnShadeProperty;
    CopyMembers(pCopy);
    return pCopy;
}

bool EnShadeProperty::EqualsObject(const EnObject* pObject) const {
    return EnFlagPropertyEquals(pObject);
}

void EnShadeProperty::AppendMemberStrings(EnTArray<char*>& kStrings) const {
    EnProperty::AppendMemberStrings(kStrings);
    kStrings.Add(MakeViewerTitle("EnShadeProperty"));
    kStrings.Add(MakeViewerBool("m_bSmooth", GetSmooth()));
}
