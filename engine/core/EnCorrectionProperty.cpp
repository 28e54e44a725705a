#include "engine/core/EnCorrectionProperty.h"

#include "engine/core/EnViewerStrings.h"

EN_IMPLEMENT_RTTI(EnCorrectionProperty, EnProperty);
EN_IMPLEMENT_STREAM(EnCorrectionProperty);

EnPointer<EnCorrectionProperty> GetDefaultCorrectionProperty() {
    static const EnPointer<EnCorrectionProperty> s_spDefault(new EnCorrectionProperty);
    return s_spDefault;
}

namespace {
EnProperty* DefaultInstance() {
    return GetDefaultCorrectionProperty();
}
// The default is made at start-up and registered for the property states.
[[maybe_unused]] const bool s_bDefaultRegistered =
    EnProperty::RegisterDefault(EnCorrectionProperty::TYPE, &DefaultInstance) && DefaultInstance();
}  // namespace

EnCorrectionProperty::EnCorrectionProperty() {
    SetFlagBit(1, 0);
}

EnCorrectionProperty::~EnCorrectionProperty() = default;

EnObject* EnCorrectionProperty::CloneObject() {
    auto* pCopy = new EnCorrectionProperty;
    CopyMembers(pCopy);
    return pCopy;
}

bool EnCorrectionProperty::EqualsObject(const EnObject* pObject) const {
    return EnFlagPropertyEquals(pObject);
}

void EnCorrectionProperty::AppendMemberStrings(EnTArray<char*>& kStrings) const {
    EnProperty::AppendMemberStrings(kStrings);
    kStrings.Add(MakeViewerTitle("EnCorrectionProperty"));
    kStrings.Add(MakeViewerBool("m_bCorrect", GetCorrection()));
}
