#include "engine/geometry/EnAmbientLight.h"

#include "engine/core/EnViewerStrings.h"

EN_IMPLEMENT_RTTI(EnAmbientLight, EnLight);
EN_IMPLEMENT_STREAM(EnAmbientLight);

EnAmbientLight::~EnAmbientLight() {
    AnnounceDestruction();
}

EnObject* EnAmbientLight::CloneObject() {
    auto* pCopy = new EnAmbientLight;
    CopyMembers(pCopy);
    return pCopy;
}

void EnAmbientLight::AppendMemberStrings(EnTArray<char*>& kStrings) const {
    EnLight::AppendMemberStrings(kStrings);
    kStrings.Add(MakeViewerTitle("EnAmbientLight"));
}
