#include "engine/core/EnFogProperty.h"

#include "engine/core/EnFormatString.h"
#include "engine/core/EnStream.h"
#include "engine/core/EnViewerStrings.h"

EN_IMPLEMENT_RTTI(EnFogProperty, EnProperty);
EN_IMPLEMENT_STREAM(EnFogProperty);

EnPointer<EnFogProperty> GetDefaultFogProperty() {
    static const EnPointer<EnFogProperty> s_spDefault(new EnFogProperty);
    return s_spDefault;
}

namespace {
EnProperty* DefaultInstance() {
    return GetDefaultFogProperty();
}
// The default is made at start-up and registered for the property states.
[[maybe_unused]] const bool s_bDefaultRegistered =
    EnProperty::RegisterDefault(EnFogProperty::TYPE, &DefaultInstance) && DefaultInstance();

constexpr uint16_t COMPARED_BITS = EnFogProperty::FOG_MASK | EnFogProperty::FOG_FUNC_MASK;
}  // namespace

EnFogProperty::EnFogProperty() {
    SetFog(false);
    SetFogFunction(FOG_Z_LINEAR);
}

EnFogProperty::~EnFogProperty() = default;

EnObject* EnFogProperty::CloneObject() {
    auto* pCopy = new EnFogProperty;
    CopyMembers(pCopy);
    pCopy->m_fDepth = m_fDepth;
    pCopy->m_color = m_color;
    return pCopy;
}

void EnFogProperty::LoadFromStream(EnStream& kStream) {
    EnProperty::LoadFromStream(kStream);
    kStream.ReadF32(m_fDepth);
    m_color.Load(kStream);
}

void EnFogProperty::SaveToStream(EnStream& kStream) {
    EnProperty::SaveToStream(kStream);
    kStream.WriteF32(m_fDepth);
    m_color.Save(kStream);
}

bool EnFogProperty::EqualsObject(const EnObject* pObject) const {
    if (!EnProperty::EqualsObject(pObject)) return false;
    const auto* pOther = static_cast<const EnFogProperty*>(pObject);
    return ((m_usFlags ^ pOther->m_usFlags) & COMPARED_BITS) == 0 && m_fDepth == pOther->m_fDepth &&
           m_color == pOther->m_color;
}

void EnFogProperty::AppendMemberStrings(EnTArray<char*>& kStrings) const {
    static constexpr const char* FUNCTIONS[FOG_MAX_MODES] = {"FOG_Z_LINEAR", "FOG_RANGE_SQ",
                                                             "FOG_VERTEX_ALPHA"};
    EnProperty::AppendMemberStrings(kStrings);
    kStrings.Add(MakeViewerTitle("EnFogProperty"));
    kStrings.Add(MakeViewerBool("m_bFog", GetFog()));
    kStrings.Add(MakeViewerFloat("m_fDepth", m_fDepth));
    const uint32_t uiFunction = GetFogFunction();
    if (uiFunction < FOG_MAX_MODES)
        kStrings.Add(EnFormatNewString("%s = %s", "m_uiFunc", FUNCTIONS[uiFunction]));
    else
        kStrings.Add(EnFormatNewString("%s = UNKNOWN(%u)", "m_uiFunc", uiFunction));
    kStrings.Add(m_color.MakeViewerString("m_color"));
}
