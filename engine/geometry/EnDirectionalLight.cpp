#include "engine/geometry/EnDirectionalLight.h"

#include "engine/core/EnViewerStrings.h"

EN_IMPLEMENT_RTTI(EnDirectionalLight, EnLight);
EN_IMPLEMENT_STREAM(EnDirectionalLight);

EnDirectionalLight::~EnDirectionalLight() {
    AnnounceDestruction();
}

EnObject* EnDirectionalLight::CloneObject() {
    auto* pCopy = new EnDirectionalLight;
    CopyMembers(pCopy);
    pCopy->m_wDir = m_wDir;
    return pCopy;
}

void EnDirectionalLight::AppendMemberStrings(EnTArray<char*>& kStrings) const {
    EnLight::AppendMemberStrings(kStrings);
    kStrings.Add(MakeViewerTitle("EnDirectionalLight"));
}

void EnDirectionalLight::ComputeWorldTransform() {
    EnLight::ComputeWorldTransform();
    m_wDir = m_worldRotate.GetColumn(0);
    IncrementRevision();
}
