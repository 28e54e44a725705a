#pragma once
#include <cstdint>

#include "engine/geometry/EnGeometry.h"
#include "engine/geometry/EnLinesData.h"

// Draws line segments between consecutive vertices as its data's connect flags say. Lines are
// not triangle geometry: they take part in collision and ray searches through their bound only.
class EnLines : public EnGeometry {
    EN_DECLARE_RTTI;
    EN_DECLARE_STREAM;

public:
    EnLines() = default;
    // Makes the data, taking the arrays over (new[]); null flags give separate pairs.
    EnLines(uint16_t usVertices, EnVector3* pVertex, EnColorRGBA* pColor, EnVector2* pTexture,
            uint8_t* pucFlags);
    explicit EnLines(EnLinesData* pModelData) : EnGeometry(pModelData) {}

    EnObject* CloneObject() override;
    void AppendMemberStrings(EnTArray<char*>& kStrings) const override;
    void Draw(EnCamera* pCamera) override;

    EnLinesData* GetLinesData() const { return static_cast<EnLinesData*>(m_spModelData.Get()); }

protected:
    const EnTypeRecord* GetDataType() const override;
};
