#pragma once
#include <cstdint>

#include "engine/geometry/EnTriBasedGeomData.h"

// The data of unindexed triangles: vertices 3i, 3i + 1 and 3i + 2 form triangle i, so every
// triangle owns its vertices and is lit flat. Only the leading m_usActiveTris are drawn.
class EnTrianglesData : public EnTriBasedGeomData {
    EN_DECLARE_RTTI;
    EN_DECLARE_STREAM;

public:
    EnTrianglesData() = default;
    // usTriangles triangles over (at least) 3 x usTriangles vertices, all active.
    EnTrianglesData(uint16_t usVertices, EnVector3* pVertex, EnVector3* pNormal,
                    EnColorRGBA* pColor, EnVector2* pTexture, uint16_t usTriangles);

    EnObject* CloneObject() override { return this; }
    void LoadFromStream(EnStream& kStream) override;
    void SaveToStream(EnStream& kStream) override;
    void AppendMemberStrings(EnTArray<char*>& kStrings) const override;
    // Each triangle's face normal on its three vertices (all triangles, not only the active).
    void ComputeNormals() override;

    // usCount / 3 triangles become active.
    void SetActiveVertexCount(uint16_t usCount) override;
    uint16_t GetActiveVertexCount() const override { return uint16_t(3u * m_usActiveTris); }
    // Capped at the triangle count.
    void SetActiveTriangleCount(uint16_t usCount) override;
    uint16_t GetActiveTriangleCount() const override { return m_usActiveTris; }

protected:
    uint16_t m_usActiveTris = 0;
};
