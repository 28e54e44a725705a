#include "engine/core/EnStencilProperty.h"

#include "engine/core/EnFormatString.h"
#include "engine/core/EnStream.h"
#include "engine/core/EnViewerStrings.h"

EN_IMPLEMENT_RTTI(EnStencilProperty, EnProperty);
EN_IMPLEMENT_STREAM(EnStencilProperty);

EnPointer<EnStencilProperty> GetDefaultStencilProperty() {
    static const EnPointer<EnStencilProperty> s_spDefault(new EnStencilProperty);
    return s_spDefault;
}

namespace {
EnProperty* DefaultInstance() {
    return GetDefaultStencilProperty();
}
// The default is made at start-up and registered for the property states.
[[maybe_unused]] const bool s_bDefaultRegistered =
    EnProperty::RegisterDefault(EnStencilProperty::TYPE, &DefaultInstance) && DefaultInstance();

char* MakeNamedViewerString(const char* pcLabel, uint32_t uiValue, const char* const* ppcNames,
                            uint32_t uiNames) {
    if (!pcLabel) pcLabel = "";
    if (uiValue < uiNames) return EnFormatNewString("%s = %s", pcLabel, ppcNames[uiValue]);
    return EnFormatNewString("%s = UNKNOWN(%u)", pcLabel, uiValue);
}
}  // namespace

EnStencilProperty::EnStencilProperty() = default;

EnStencilProperty::~EnStencilProperty() = default;

char* EnStencilProperty::MakeTestViewerString(const char* pcLabel, uint32_t uiTest) {
    static constexpr const char* NAMES[TEST_MAX] = {
        "TEST_NEVER",   "TEST_LESS",     "TEST_EQUAL",        "TEST_LESSEQUAL",
        "TEST_GREATER", "TEST_NOTEQUAL", "TEST_GREATEREQUAL", "TEST_ALWAYS"};
    return MakeNamedViewerString(pcLabel, uiTest, NAMES, TEST_MAX);
}

char* EnStencilProperty::MakeActionViewerString(const char* pcLabel, uint32_t uiAction) {
    static constexpr const char* NAMES[ACTION_MAX] = {"ACTION_KEEP",      "ACTION_ZERO",
                                                      "ACTION_REPLACE",   "ACTION_INCREMENT",
                                                      "ACTION_DECREMENT", "ACTION_INVERT"};
    return MakeNamedViewerString(pcLabel, uiAction, NAMES, ACTION_MAX);
}

EnObject* EnStencilProperty::CloneObject() {
    auto* pCopy = new EnStencilProperty;
    CopyMembers(pCopy);
    pCopy->m_bEnable = m_bEnable;
    pCopy->m_eTest = m_eTest;
    pCopy->m_uiRef = m_uiRef;
    pCopy->m_uiMask = m_uiMask;
    pCopy->m_eFailAct = m_eFailAct;
    pCopy->m_eZFailAct = m_eZFailAct;
    pCopy->m_ePassAct = m_ePassAct;
    return pCopy;
}

void EnStencilProperty::LoadFromStream(EnStream& kStream) {
    EnProperty::LoadFromStream(kStream);
    kStream.ReadU8(m_bEnable);
    kStream.ReadU32(m_eTest);
    kStream.ReadU32(m_uiRef);
    kStream.ReadU32(m_uiMask);
    kStream.ReadU32(m_eFailAct);
    kStream.ReadU32(m_eZFailAct);
    kStream.ReadU32(m_ePassAct);
}

void EnStencilProperty::SaveToStream(EnStream& kStream) {
    EnProperty::SaveToStream(kStream);
    kStream.WriteU8(m_bEnable);
    kStream.WriteU32(m_eTest);
    kStream.WriteU32(m_uiRef);
    kStream.WriteU32(m_uiMask);
    kStream.WriteU32(m_eFailAct);
    kStream.WriteU32(m_eZFailAct);
    kStream.WriteU32(m_ePassAct);
}

bool EnStencilProperty::EqualsObject(const EnObject* pObject) const {
    if (!EnProperty::EqualsObject(pObject)) return false;
    const auto* pOther = static_cast<const EnStencilProperty*>(pObject);
    return m_bEnable == pOther->m_bEnable && m_eTest == pOther->m_eTest &&
           m_uiRef == pOther->m_uiRef && m_uiMask == pOther->m_uiMask &&
           m_eFailAct == pOther->m_eFailAct && m_eZFailAct == pOther->m_eZFailAct &&
           m_ePassAct == pOther->m_ePassAct;
}

void EnStencilProperty::AppendMemberStrings(EnTArray<char*>& kStrings) const {
    EnProperty::AppendMemberStrings(kStrings);
    kStrings.Add(MakeViewerTitle("EnStencilProperty"));
    kStrings.Add(MakeViewerByte("m_bEnable", m_bEnable));
    kStrings.Add(MakeViewerUInt("m_uiRef", m_uiRef));
    kStrings.Add(MakeViewerUInt("m_uiMask", m_uiMask));
    kStrings.Add(MakeTestViewerString("m_eTest", m_eTest));
    kStrings.Add(MakeActionViewerString("m_eFailAct", m_eFailAct));
    kStrings.Add(MakeActionViewerString("m_eZFailAct", m_eZFailAct));
    kStrings.Add(MakeActionViewerString("m_ePassAct", m_ePassAct));
}
