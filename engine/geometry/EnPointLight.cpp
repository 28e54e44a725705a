#include "engine/geometry/EnPointLight.h"

#include "engine/core/EnStream.h"
#include "engine/core/EnViewerStrings.h"

EN_IMPLEMENT_RTTI(EnPointLight, EnLight);
EN_IMPLEMENT_STREAM(EnPointLight);

EnPointLight::~EnPointLight() {
    AnnounceDestruction();
}

void EnPointLight::CopyMembers(EnPointLight* pCopy) {
    EnLight::CopyMembers(pCopy);
    pCopy->m_fAtten0 = m_fAtten0;
    pCopy->m_fAtten1 = m_fAtten1;
    pCopy->m_fAtten2 = m_fAtten2;
}

EnObject* EnPointLight::CloneObject() {
    auto* pCopy = new EnPointLight;
    CopyMembers(pCopy);
    return pCopy;
}

void EnPointLight::LoadFromStream(EnStream& kStream) {
    EnLight::LoadFromStream(kStream);
    kStream.ReadF32(m_fAtten0);
    kStream.ReadF32(m_fAtten1);
    kStream.ReadF32(m_fAtten2);
}

void EnPointLight::SaveToStream(EnStream& kStream) {
    EnLight::SaveToStream(kStream);
    kStream.WriteF32(m_fAtten0);
    kStream.WriteF32(m_fAtten1);
    kStream.WriteF32(m_fAtten2);
}

bool EnPointLight::EqualsObject(const EnObject* pObject) const {
    if (!EnLight::EqualsObject(pObject)) return false;
    const auto* pOther = static_cast<const EnPointLight*>(pObject);
    return m_fAtten0 == pOther->m_fAtten0 && m_fAtten1 == pOther->m_fAtten1 &&
           m_fAtten2 == pOther->m_fAtten2;
}

void EnPointLight::AppendMemberStrings(EnTArray<char*>& kStrings) const {
    EnLight::AppendMemberStrings(kStrings);
    kStrings.Add(MakeViewerTitle("EnPointLight"));
    kStrings.Add(MakeViewerFloat("m_fAtten0", m_fAtten0));
    kStrings.Add(MakeViewerFloat("m_fAtten1", m_fAtten1));
    kStrings.Add(MakeViewerFloat("m_fAtten2", m_fAtten2));
}

void EnPointLight::ComputeWorldTransform() {
    EnLight::ComputeWorldTransform();
    IncrementRevision();
}
