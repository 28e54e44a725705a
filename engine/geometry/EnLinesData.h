#pragma once
#include <cstdint>

#include "engine/geometry/EnGeometryData.h"

// The data of line segments between consecutive vertices: byte i of the connect flags says
// whether a segment joins vertex i to vertex i + 1. Lines have no normals.
class EnLinesData : public EnGeometryData {
    EN_DECLARE_RTTI;
    EN_DECLARE_STREAM;

public:
    EnLinesData() = default;
    // Without flags the vertices form separate pairs (0-1, 2-3, ...). Arrays taken over.
    EnLinesData(uint16_t usVertices, EnVector3* pVertex, EnColorRGBA* pColor, EnVector2* pTexture,
                uint8_t* pucFlags);
    ~EnLinesData() override;

    EnObject* CloneObject() override { return this; }
    void LoadFromStream(EnStream& kStream) override;
    void SaveToStream(EnStream& kStream) override;
    bool EqualsObject(const EnObject* pObject) const override;
    void AppendMemberStrings(EnTArray<char*>& kStrings) const override;
    void ComputeNormals() override {}

    uint8_t* GetFlags() const { return m_pFlags; }

protected:
    uint8_t* m_pFlags = nullptr;
};
