#include "engine/core/EnSpecularProperty.h"

#include "engine/core/EnViewerStrings.h"

EN_IMPLEMENT_RTTI(EnSpecularProperty, EnProperty);
EN_IMPLEMENT_STREAM(EnSpecularProperty);

EnPointer<EnSpecularProperty> GetDefaultSpecularProperty() {
    static const EnPointer<EnSpecularProperty> s_spDefault(new EnSpecularProperty);
    return s_spDefault;
}

namespace {
EnProperty* DefaultInstance() {
    return GetDefaultSpecularProperty();
}
// The default is made at start-up and registered for the property states.
[[maybe_unused]] const bool s_bDefaultRegistered =
    EnProperty::RegisterDefault(EnSpecularProperty::TYPE, &DefaultInstance) && DefaultInstance();
}  // namespace

EnSpecularProperty::EnSpecularProperty() {
    SetFlagBit(0, 0);
}

EnSpecularProperty::~EnSpecularProperty() = default;

EnObject* EnSpecularProperty::CloneObject() {
    auto* pCopy = new EnSpecularProperty;
    CopyMembers(pCopy);
    return pCopy;
}

bool EnSpecularProperty::EqualsObject(const EnObject* pObject) const {
    return EnFlagPropertyEquals(pObject);
}

void EnSpecularProperty::AppendMemberStrings(EnTArray<char*>& kStrings) const {
    EnProperty::AppendMemberStrings(kStrings);
    kStrings.Add(MakeViewerTitle("EnSpecularProperty"));
    kStrings.Add(MakeViewerBool("m_bSpec", GetSpecular()));
}
