#pragma once
#include <cstdint>

#include "engine/geometry/EnTriShapeData.h"

// Triangle-list data whose arrays are sized for a maximum while only a leading part (the
// active vertices and triangles) is drawn, so the amount of geometry can change from frame to
// frame without reallocating. The active triangles' indices must stay below the active vertex
// count; the counts themselves never exceed the arrays.
class EnTriShapeDynamicData : public EnTriShapeData {
    EN_DECLARE_RTTI;
    EN_DECLARE_STREAM;

public:
    EnTriShapeDynamicData() = default;
    // The arrays hold usVertices vertices and usTriangles triangles, of which the leading
    // usActiveVertices and usActiveTriangles are in use; the bound covers the active vertices.
    EnTriShapeDynamicData(uint16_t usVertices, EnVector3* pVertex, EnVector3* pNormal,
                          EnColorRGBA* pColor, EnVector2* pTexture, uint16_t usTriangles,
                          uint16_t* pusTriList, uint16_t usActiveVertices,
                          uint16_t usActiveTriangles);

    void LoadFromStream(EnStream& kStream) override;
    void SaveToStream(EnStream& kStream) override;
    bool EqualsObject(const EnObject* pObject) const override;
    void AppendMemberStrings(EnTArray<char*>& kStrings) const override;

    // Both counts are capped at the arrays' sizes.
    void SetActiveVertexCount(uint16_t usCount) override;
    uint16_t GetActiveVertexCount() const override { return m_usActiveVertices; }
    void SetActiveTriangleCount(uint16_t usCount) override;
    uint16_t GetActiveTriangleCount() const override { return m_usActiveTriangles; }

protected:
    uint16_t m_usActiveVertices = 0;
    uint16_t m_usActiveTriangles = 0;
};
