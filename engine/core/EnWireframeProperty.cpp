#include "engine/core/EnWireframeProperty.h"

#include "engine/core/EnViewerStrings.h"

EN_IMPLEMENT_RTTI(EnWireframeProperty, EnProperty);
EN_IMPLEMENT_STREAM(EnWireframeProperty);

EnPointer<EnWireframeProperty> GetDefaultWireframeProperty() {
    static const EnPointer<EnWireframeProperty> s_spDefault(new EnWireframeProperty);
    return s_spDefault;
}

namespace {
EnProperty* DefaultInstance() {
    return GetDefaultWireframeProperty();
}
// The default is made at start-up and registered for the property states.
[[maybe_unused]] const bool s_bDefaultRegistered =
    EnProperty::RegisterDefault(EnWireframeProperty::TYPE, &DefaultInstance) && DefaultInstance();
}  // namespace

EnWireframeProperty::EnWireframeProperty() {
    SetFlagBit(0, 0);
}

EnWireframeProperty::~EnWireframeProperty() = default;

EnObject* EnWireframeProperty::CloneObject() {
    auto* pCopy = new EnWireframeProperty;
    CopyMembers(pCopy);
    return pCopy;
}

bool EnWireframeProperty::EqualsObject(const EnObject* pObject) const {
    return EnFlagPropertyEquals(pObject);
}

void EnWireframeProperty::AppendMemberStrings(EnTArray<char*>& kStrings) const {
    EnProperty::AppendMemberStrings(kStrings);
    kStrings.Add(MakeViewerTitle("EnWireframeProperty"));
    kStrings.Add(MakeViewerBool("m_bWireframe", GetWireframe()));
}
