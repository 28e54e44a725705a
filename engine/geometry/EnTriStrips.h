#pragma once
#include <cstdint>

#include "engine/geometry/EnTriBasedGeom.h"
#include "engine/geometry/EnTriStripsData.h"

// Draws any number of triangle strips whose indices its data holds; the stripifier turns
// triangle lists into this form when a track loads. Strips never get a collision tree.
class EnTriStrips : public EnTriBasedGeom {
    EN_DECLARE_RTTI;
    EN_DECLARE_STREAM;

public:
    EnTriStrips() = default;
    explicit EnTriStrips(EnTriStripsData* pModelData) : EnTriBasedGeom(pModelData) {}

    EnObject* CloneObject() override;
    void AppendMemberStrings(EnTArray<char*>& kStrings) const override;
    void Draw(EnCamera* pCamera) override;

    void GetTriangleModelPoints(uint16_t usTriangle, EnVector3*& pP0, EnVector3*& pP1,
                                EnVector3*& pP2) const override;
    void GetTriangleWorldPoints(uint16_t usTriangle, EnVector3*& pP0, EnVector3*& pP1,
                                EnVector3*& pP2) const override;
    // Walks the strips to triangle i. Asking in order (0, 1, 2, ...) costs constant time per
    // triangle through a cursor kept per object; random access walks from the first strip.
    // Odd triangles of a strip swap their first two indices, so all face the same way. A
    // triangle past the data's gives three zeros.
    void GetTriangleVertexIndices(uint16_t usTriangle, uint16_t& usI0, uint16_t& usI1,
                                  uint16_t& usI2) const override;

    EnTriStripsData* GetStripsData() const {
        return static_cast<EnTriStripsData*>(m_spModelData.Get());
    }

protected:
    const EnTypeRecord* GetDataType() const override;

    // The strip walk's position: the data walked (by identity and data ID), the last triangle
    // asked for, the current strip, the position in it and where the strip starts in the list.
    struct StripCursor {
        const EnTriStripsData* m_pData = nullptr;
        uint16_t m_usDataID = 0;
        uint32_t m_uiLastTriangle = UINT32_MAX;
        uint32_t m_uiStrip = 0;
        uint32_t m_uiPosition = 0;
        uint32_t m_uiStripStart = 0;
    };
    mutable StripCursor m_kCursor;
};
