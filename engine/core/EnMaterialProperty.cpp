#include "engine/core/EnMaterialProperty.h"

#include "engine/core/EnStream.h"
#include "engine/core/EnViewerStrings.h"

EN_IMPLEMENT_RTTI(EnMaterialProperty, EnProperty);
EN_IMPLEMENT_STREAM(EnMaterialProperty);

namespace {
// Indices start at 1 and are never reused; renderers key their material caches on them.
constinit uint32_t s_uiNextIndex = 1;
}  // namespace

EnPointer<EnMaterialProperty> GetDefaultMaterialProperty() {
    static const EnPointer<EnMaterialProperty> s_spDefault(new EnMaterialProperty);
    return s_spDefault;
}

namespace {
EnProperty* DefaultInstance() {
    return GetDefaultMaterialProperty();
}
// The default is made at start-up and registered for the property states.
[[maybe_unused]] const bool s_bDefaultRegistered =
    EnProperty::RegisterDefault(EnMaterialProperty::TYPE, &DefaultInstance) && DefaultInstance();
}  // namespace

EnMaterialProperty::EnMaterialProperty() : m_uiIndex(s_uiNextIndex++) {
    SetChanged(true);
}

EnMaterialProperty::~EnMaterialProperty() = default;

EnObject* EnMaterialProperty::CloneObject() {
    auto* pCopy = new EnMaterialProperty;
    CopyMembers(pCopy);
    pCopy->m_amb = m_amb;
    pCopy->m_diff = m_diff;
    pCopy->m_spec = m_spec;
    pCopy->m_emit = m_emit;
    pCopy->m_fShine = m_fShine;
    pCopy->m_fAlpha = m_fAlpha;
    return pCopy;
}

void EnMaterialProperty::LoadFromStream(EnStream& kStream) {
    EnProperty::LoadFromStream(kStream);
    m_amb.Load(kStream);
    m_diff.Load(kStream);
    m_spec.Load(kStream);
    m_emit.Load(kStream);
    kStream.ReadF32(m_fShine);
    kStream.ReadF32(m_fAlpha);
    // A shine of 1 or less (or not a number) is no usable exponent; such files mean the
    // default.
    if (!(m_fShine > 1.0f)) m_fShine = 4.0f;
}

void EnMaterialProperty::SaveToStream(EnStream& kStream) {
    EnProperty::SaveToStream(kStream);
    m_amb.Save(kStream);
    m_diff.Save(kStream);
    m_spec.Save(kStream);
    m_emit.Save(kStream);
    kStream.WriteF32(m_fShine);
    kStream.WriteF32(m_fAlpha);
}

bool EnMaterialProperty::EqualsObject(const EnObject* pObject) const {
    if (!EnProperty::EqualsObject(pObject)) return false;
    const auto* pOther = static_cast<const EnMaterialProperty*>(pObject);
    return m_amb == pOther->m_amb && m_diff == pOther->m_diff && m_spec == pOther->m_spec &&
           m_emit == pOther->m_emit && m_fShine == pOther->m_fShine && m_fAlpha == pOther->m_fAlpha;
}

void EnMaterialProperty::AppendMemberStrings(EnTArray<char*>& kStrings) const {
    EnProperty::AppendMemberStrings(kStrings);
    kStrings.Add(MakeViewerTitle("EnMaterialProperty"));
    kStrings.Add(m_amb.MakeViewerString("m_amb"));
    kStrings.Add(m_diff.MakeViewerString("m_diff"));
    kStrings.Add(m_spec.MakeViewerString("m_spec"));
    kStrings.Add(m_emit.MakeViewerString("m_emit"));
    kStrings.Add(MakeViewerFloat("m_fShine", m_fShine));
    kStrings.Add(MakeViewerFloat("m_fAlpha", m_fAlpha));
}
