#pragma once
#include "engine/geometry/EnTriShapeData.h"

// The data of an environment-mapped shape: a triangle list of its own class name.
class EnEnvMappedTriShapeData : public EnTriShapeData {
    EN_DECLARE_RTTI;
    EN_DECLARE_STREAM;

public:
    EnEnvMappedTriShapeData() = default;
    EnEnvMappedTriShapeData(uint16_t usVertices, EnVector3* pVertex, EnVector3* pNormal,
                            EnColorRGBA* pColor, EnVector2* pTexture, uint16_t usTriangles,
                            uint16_t* pusTriList)
        : EnTriShapeData(usVertices, pVertex, pNormal, pColor, pTexture, usTriangles, pusTriList) {}

    void AppendMemberStrings(EnTArray<char*>& kStrings) const override;
};
