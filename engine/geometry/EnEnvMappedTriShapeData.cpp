#include "engine/geometry/EnEnvMappedTriShapeData.h"

#include "engine/core/EnViewerStrings.h"

EN_IMPLEMENT_RTTI(EnEnvMappedTriShapeData, EnTriShapeData);
EN_IMPLEMENT_STREAM(EnEnvMappedTriShapeData);

void EnEnvMappedTriShapeData::AppendMemberStrings(EnTArray<char*>& kStrings) const {
    EnTriShapeData::AppendMemberStrings(kStrings);
    kStrings.Add(MakeViewerTitle("EnEnvMappedTriShapeData"));
}
