#pragma once
#include "engine/geometry/EnParticlesData.h"

// The data of particles whose normals face the camera; the same record as any particles'.
class EnAutoNormalParticlesData : public EnParticlesData {
    EN_DECLARE_RTTI;
    EN_DECLARE_STREAM;

public:
    EnAutoNormalParticlesData() = default;
    EnAutoNormalParticlesData(uint16_t usCount, EnVector3* pVertex, EnVector3* pNormal,
                              EnColorRGBA* pColor)
        : EnParticlesData(usCount, pVertex, pNormal, pColor) {}

    void AppendMemberStrings(EnTArray<char*>& kStrings) const override;
};
