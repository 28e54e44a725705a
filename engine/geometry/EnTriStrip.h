#pragma once
#include <cstdint>

#include "engine/geometry/EnTriBasedGeom.h"
#include "engine/geometry/EnTriStripData.h"

// Draws one triangle strip over its data's vertices in order, with an adjustable active
// length. Triangle i is vertices i, i + 1, i + 2, with the last two swapped for odd i so that
// every triangle faces the same way, and its points come in that same order.
class EnTriStrip : public EnTriBasedGeom {
    EN_DECLARE_RTTI;
    EN_DECLARE_STREAM;

public:
    EnTriStrip() = default;
    // Makes the data (usTriangles + 2 vertices), taking the arrays over (new[]).
    EnTriStrip(EnVector3* pVertex, EnVector3* pNormal, EnColorRGBA* pColor, EnVector2* pTexture,
               uint16_t usTriangles);
    explicit EnTriStrip(EnTriStripData* pModelData) : EnTriBasedGeom(pModelData) {}

    EnObject* CloneObject() override;
    void AppendMemberStrings(EnTArray<char*>& kStrings) const override;
    void Draw(EnCamera* pCamera) override;
    // The oriented-box collision tree over the triangles, made once.
    void CreateCollisionTree(int32_t iThreshold) override { BuildCollisionTree(iThreshold); }

    void GetTriangleModelPoints(uint16_t usTriangle, EnVector3*& pP0, EnVector3*& pP1,
                                EnVector3*& pP2) const override;
    void GetTriangleWorldPoints(uint16_t usTriangle, EnVector3*& pP0, EnVector3*& pP1,
                                EnVector3*& pP2) const override;
    void GetTriangleVertexIndices(uint16_t usTriangle, uint16_t& usI0, uint16_t& usI1,
                                  uint16_t& usI2) const override;

    EnTriStripData* GetStripData() const {
        return static_cast<EnTriStripData*>(m_spModelData.Get());
    }

protected:
    const EnTypeRecord* GetDataType() const override;
};
