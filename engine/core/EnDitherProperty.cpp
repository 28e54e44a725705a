#include "engine/core/EnDitherProperty.h"

#include "engine/core/EnViewerStrings.h"

EN_IMPLEMENT_RTTI(EnDitherProperty, EnProperty);
EN_IMPLEMENT_STREAM(EnDitherProperty);

EnPointer<EnDitherProperty> GetDefaultDitherProperty() {
    static const EnPointer<EnDitherProperty> s_spDefault(new EnDitherProperty);
    return s_spDefault;
}

namespace {
EnProperty* DefaultInstance() {
    return GetDefaultDitherProperty();
}
// The default is made at start-up and registered for the property states.
[[maybe_unused]] const bool s_bDefaultRegistered =
    EnProperty::RegisterDefault(EnDitherProperty::TYPE, &DefaultInstance) && DefaultInstance();
}  // namespace

EnDitherProperty::EnDitherProperty() {
    SetFlagBit(0, 0);
}

EnDitherProperty::~EnDitherProperty() = default;

EnObject* EnDitherProperty::CloneObject() {
    auto* pCopy = new EnDitherProperty;
    CopyMembers(pCopy);
    return pCopy;
}

bool EnDitherProperty::EqualsObject(const EnObject* pObject) const {
    return EnFlagPropertyEquals(pObject);
}

void EnDitherProperty::AppendMemberStrings(EnTArray<char*>& kStrings) const {
    EnProperty::AppendMemberStrings(kStrings);
    kStrings.Add(MakeViewerTitle("EnDitherProperty"));
    kStrings.Add(MakeViewerBool("m_bDither", GetDithering()));
}
