#pragma once
#include <cstdint>

#include "engine/geometry/EnTriBasedGeomData.h"

// The data of one triangle strip whose vertices are simply the data's vertices in order
// (no index list): m_usVertices = m_usTriangles + 2. Only the leading m_usActiveTris
// triangles are drawn.
class EnTriStripData : public EnTriBasedGeomData {
    EN_DECLARE_RTTI;
    EN_DECLARE_STREAM;

public:
    EnTriStripData() = default;
    // usTriangles triangles over usTriangles + 2 vertices, all active; arrays taken over.
    EnTriStripData(EnVector3* pVertex, EnVector3* pNormal, EnColorRGBA* pColor, EnVector2* pTexture,
                   uint16_t usTriangles);

    EnObject* CloneObject() override { return this; }
    void LoadFromStream(EnStream& kStream) override;
    void SaveToStream(EnStream& kStream) override;
    bool EqualsObject(const EnObject* pObject) const override;
    void AppendMemberStrings(EnTArray<char*>& kStrings) const override;
    // Face normals of the active triangles summed at their vertices, then unit.
    void ComputeNormals() override;

    // Fewer than 3 vertices make no triangle; the count is capped at the strip's size.
    void SetActiveVertexCount(uint16_t usCount) override;
    uint16_t GetActiveVertexCount() const override;
    void SetActiveTriangleCount(uint16_t usCount) override;
    uint16_t GetActiveTriangleCount() const override { return m_usActiveTris; }

protected:
    uint16_t m_usActiveTris = 0;
};
