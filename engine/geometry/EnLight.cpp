#include "engine/geometry/EnLight.h"

#include "engine/core/EnStream.h"
#include "engine/core/EnViewerStrings.h"

EN_IMPLEMENT_RTTI(EnLight, EnDynamicEffect);
EN_IMPLEMENT_ABSTRACT_STREAM(EnLight);

EnLight::EnLight() {
    // A light is not a thing in space: its own bound has no extent.
    m_worldBound.SetRadius(0.0f);
}

void EnLight::CopyMembers(EnLight* pCopy) {
    EnDynamicEffect::CopyMembers(pCopy);
    pCopy->m_fDimmer = m_fDimmer;
    pCopy->m_amb = m_amb;
    pCopy->m_diff = m_diff;
    pCopy->m_spec = m_spec;
}

void EnLight::LoadFromStream(EnStream& kStream) {
    EnDynamicEffect::LoadFromStream(kStream);
    kStream.ReadF32(m_fDimmer);
    m_amb.Load(kStream);
    m_diff.Load(kStream);
    m_spec.Load(kStream);
}

void EnLight::SaveToStream(EnStream& kStream) {
    EnDynamicEffect::SaveToStream(kStream);
    kStream.WriteF32(m_fDimmer);
    m_amb.Save(kStream);
    m_diff.Save(kStream);
    m_spec.Save(kStream);
}

bool EnLight::EqualsObject(const EnObject* pObject) const {
    if (!EnDynamicEffect::EqualsObject(pObject)) return false;
    const auto* pOther = static_cast<const EnLight*>(pObject);
    return m_fDimmer == pOther->m_fDimmer && m_amb == pOther->m_amb && m_diff == pOther->m_diff &&
           m_spec == pOther->m_spec;
}

void EnLight::AppendMemberStrings(EnTArray<char*>& kStrings) const {
    EnDynamicEffect::AppendMemberStrings(kStrings);
    kStrings.Add(MakeViewerTitle("EnLight"));
    kStrings.Add(MakeViewerFloat("m_fDimmer", m_fDimmer));
    kStrings.Add(m_amb.MakeViewerString("m_amb"));
    kStrings.Add(m_diff.MakeViewerString("m_diff"));
    kStrings.Add(m_spec.MakeViewerString("m_spec"));
}
