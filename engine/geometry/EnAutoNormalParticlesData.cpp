#include "engine/geometry/EnAutoNormalParticlesData.h"

#include "engine/core/EnViewerStrings.h"

EN_IMPLEMENT_RTTI(EnAutoNormalParticlesData, EnParticlesData);
EN_IMPLEMENT_STREAM(EnAutoNormalParticlesData);

void EnAutoNormalParticlesData::AppendMemberStrings(EnTArray<char*>& kStrings) const {
    EnParticlesData::AppendMemberStrings(kStrings);
    kStrings.Add(MakeViewerTitle("EnAutoNormalParticlesData"));
}
