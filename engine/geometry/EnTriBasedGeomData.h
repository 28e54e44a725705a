#pragma once
#include <cstdint>

#include "engine/geometry/EnGeometryData.h"

// Base of the data of everything drawn as triangles: adds the triangle count, the capacity of
// the kinds that draw only a leading part of their triangles.
class EnTriBasedGeomData : public EnGeometryData {
    EN_DECLARE_RTTI;
    EN_DECLARE_STREAM;

public:
    EnTriBasedGeomData() = default;
    EnTriBasedGeomData(uint16_t usVertices, EnVector3* pVertex, EnVector3* pNormal,
                       EnColorRGBA* pColor, EnVector2* pTexture, uint16_t usTriangles);

    void LoadFromStream(EnStream& kStream) override;
    void SaveToStream(EnStream& kStream) override;
    bool EqualsObject(const EnObject* pObject) const override;
    void AppendMemberStrings(EnTArray<char*>& kStrings) const override;

    virtual void SetActiveTriangleCount(uint16_t usCount) { (void)usCount; }
    virtual uint16_t GetActiveTriangleCount() const { return m_usTriangles; }

    uint16_t GetTriangleCount() const { return m_usTriangles; }

protected:
    uint16_t m_usTriangles = 0;
};
