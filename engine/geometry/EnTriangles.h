#pragma once
#include <cstdint>

#include "engine/geometry/EnTriBasedGeom.h"
#include "engine/geometry/EnTrianglesData.h"

// Draws unindexed triangles: triangle i is vertices 3i, 3i + 1, 3i + 2.
class EnTriangles : public EnTriBasedGeom {
    EN_DECLARE_RTTI;
    EN_DECLARE_STREAM;

public:
    EnTriangles() = default;
    explicit EnTriangles(EnTrianglesData* pModelData) : EnTriBasedGeom(pModelData) {}

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

    EnTrianglesData* GetTrianglesData() const {
        return static_cast<EnTrianglesData*>(m_spModelData.Get());
    }

protected:
    const EnTypeRecord* GetDataType() const override;
};
