#include "engine/geometry/EnSpotLight.h"

#include "engine/core/EnStream.h"
#include "engine/core/EnViewerStrings.h"

EN_IMPLEMENT_RTTI(EnSpotLight, EnPointLight);
EN_IMPLEMENT_STREAM(EnSpotLight);

EnSpotLight::~EnSpotLight() {
    AnnounceDestruction();
}

EnObject* EnSpotLight::CloneObject() {
    auto* pCopy = new EnSpotLight;
    CopyMembers(pCopy);
    pCopy->m_fSpotAngle = m_fSpotAngle;
    pCopy->m_fSpotExponent = m_fSpotExponent;
    pCopy->m_wDir = m_wDir;
    return pCopy;
}

void EnSpotLight::LoadFromStream(EnStream& kStream) {
    EnPointLight::LoadFromStream(kStream);
    kStream.ReadF32(m_fSpotAngle);
    kStream.ReadF32(m_fSpotExponent);
}

void EnSpotLight::SaveToStream(EnStream& kStream) {
    EnPointLight::SaveToStream(kStream);
    kStream.WriteF32(m_fSpotAngle);
    kStream.WriteF32(m_fSpotExponent);
}

bool EnSpotLight::EqualsObject(const EnObject* pObject) const {
    if (!EnPointLight::EqualsObject(pObject)) return false;
    const auto* pOther = static_cast<const EnSpotLight*>(pObject);
    return m_fSpotAngle == pOther->m_fSpotAngle && m_fSpotExponent == pOther->m_fSpotExponent;
}

void EnSpotLight::AppendMemberStrings(EnTArray<char*>& kStrings) const {
    EnPointLight::AppendMemberStrings(kStrings);
    kStrings.Add(MakeViewerTitle("EnSpotLight"));
    kStrings.Add(m_wDir.MakeViewerString("m_wDir"));
    kStrings.Add(MakeViewerFloat("m_fSpotAngle", m_fSpotAngle));
    kStrings.Add(MakeViewerFloat("m_fSpotExponent", m_fSpotExponent));
}

void EnSpotLight::ComputeWorldTransform() {
    EnPointLight::ComputeWorldTransform();
    m_wDir = m_worldRotate.GetColumn(0);
    IncrementRevision();
}
