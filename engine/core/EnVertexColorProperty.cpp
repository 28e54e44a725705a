#include "engine/core/EnVertexColorProperty.h"

#include "engine/core/EnFormatString.h"
#include "engine/core/EnStream.h"
#include "engine/core/EnViewerStrings.h"

EN_IMPLEMENT_RTTI(EnVertexColorProperty, EnProperty);
EN_IMPLEMENT_STREAM(EnVertexColorProperty);

EnPointer<EnVertexColorProperty> GetDefaultVertexColorProperty() {
    static const EnPointer<EnVertexColorProperty> s_spDefault(new EnVertexColorProperty);
    return s_spDefault;
}

namespace {
EnProperty* DefaultInstance() {
    return GetDefaultVertexColorProperty();
}
// The default is made at start-up and registered for the property states.
[[maybe_unused]] const bool s_bDefaultRegistered =
    EnProperty::RegisterDefault(EnVertexColorProperty::TYPE, &DefaultInstance) && DefaultInstance();

char* MakeNamedViewerString(const char* pcLabel, uint32_t uiValue, const char* const* ppcNames,
                            uint32_t uiNames) {
    if (uiValue < uiNames) return EnFormatNewString("%s = %s", pcLabel, ppcNames[uiValue]);
    return EnFormatNewString("%s = UNKNOWN(%u)", pcLabel, uiValue);
}
}  // namespace

EnVertexColorProperty::EnVertexColorProperty() = default;

EnVertexColorProperty::~EnVertexColorProperty() = default;

EnObject* EnVertexColorProperty::CloneObject() {
    auto* pCopy = new EnVertexColorProperty;
    CopyMembers(pCopy);
    pCopy->m_eSource = m_eSource;
    pCopy->m_eLighting = m_eLighting;
    return pCopy;
}

void EnVertexColorProperty::LoadFromStream(EnStream& kStream) {
    EnProperty::LoadFromStream(kStream);
    kStream.ReadU32(m_eSource);
    kStream.ReadU32(m_eLighting);
}

void EnVertexColorProperty::SaveToStream(EnStream& kStream) {
    EnProperty::SaveToStream(kStream);
    kStream.WriteU32(m_eSource);
    kStream.WriteU32(m_eLighting);
}

bool EnVertexColorProperty::EqualsObject(const EnObject* pObject) const {
    if (!EnProperty::EqualsObject(pObject)) return false;
    const auto* pOther = static_cast<const EnVertexColorProperty*>(pObject);
    return m_eSource == pOther->m_eSource && m_eLighting == pOther->m_eLighting;
}

void EnVertexColorProperty::AppendMemberStrings(EnTArray<char*>& kStrings) const {
    static constexpr const char* SOURCES[SOURCE_MAX_MODES] = {"SOURCE_IGNORE", "SOURCE_EMISSIVE",
                                                              "SOURCE_AMB_DIFF"};
    static constexpr const char* LIGHTINGS[LIGHTING_MAX_MODES] = {"LIGHTING_E", "LIGHTING_E_A_D"};
    EnProperty::AppendMemberStrings(kStrings);
    kStrings.Add(MakeViewerTitle("EnVertexColorProperty"));
    kStrings.Add(MakeNamedViewerString("m_eSource", m_eSource, SOURCES, SOURCE_MAX_MODES));
    kStrings.Add(MakeNamedViewerString("m_eLighting", m_eLighting, LIGHTINGS, LIGHTING_MAX_MODES));
}
