#pragma once
#include <cstdint>

#include "engine/geometry/EnTriBasedGeomData.h"

// The data of a set of triangle strips: each strip's length (a strip of L indices holds L - 2
// triangles) and all strips' vertex indices, strip after strip. The list holds
// m_usTriangles + 2 x m_usStrips indices, which is also the sum of the lengths.
class EnTriStripsData : public EnTriBasedGeomData {
    EN_DECLARE_RTTI;
    EN_DECLARE_STREAM;

public:
    EnTriStripsData() = default;
    // Takes every array over (new[]).
    EnTriStripsData(uint16_t usVertices, EnVector3* pVertex, EnVector3* pNormal,
                    EnColorRGBA* pColor, EnVector2* pTexture, uint16_t usTriangles,
                    uint16_t usStrips, uint16_t* pusStripLengths, uint16_t* pusStripLists);
    ~EnTriStripsData() override;

    EnObject* CloneObject() override { return this; }
    void LoadFromStream(EnStream& kStream) override;
    void SaveToStream(EnStream& kStream) override;
    bool EqualsObject(const EnObject* pObject) const override;
    void AppendMemberStrings(EnTArray<char*>& kStrings) const override;
    // Face normals of every strip triangle summed at its vertices, then unit.
    void ComputeNormals() override;

    uint16_t GetStripCount() const { return m_usStrips; }
    uint16_t* GetStripLengths() const { return m_pStripLengths; }
    uint16_t* GetStripLists() const { return m_pStripLists; }
    // Entries of the index list: triangles + 2 x strips, in 32 bits.
    uint32_t GetStripListLength() const { return uint32_t(m_usTriangles) + 2u * m_usStrips; }

    // Whether the strips fit the arrays: every length at least 2, the lengths summing to the
    // list length and every index below the vertex count.
    bool HasValidStrips() const;

protected:
    uint16_t m_usStrips = 0;
    uint16_t* m_pStripLengths = nullptr;
    uint16_t* m_pStripLists = nullptr;
};
