#include "engine/geometry/EnTriStrip.h"

#include "engine/core/EnViewerStrings.h"
#include "engine/render/EnRender.h"

EN_IMPLEMENT_RTTI(EnTriStrip, EnTriBasedGeom);
EN_IMPLEMENT_STREAM(EnTriStrip);

EnTriStrip::EnTriStrip(EnVector3* pVertex, EnVector3* pNormal, EnColorRGBA* pColor,
                       EnVector2* pTexture, uint16_t usTriangles)
    : EnTriBasedGeom(new EnTriStripData(pVertex, pNormal, pColor, pTexture, usTriangles)) {}

const EnTypeRecord* EnTriStrip::GetDataType() const {
    return &EnTriStripData::ms_RTTI;
}

EnObject* EnTriStrip::CloneObject() {
    auto* pCopy = new EnTriStrip;
    CopyMembers(pCopy);
    return pCopy;
}

void EnTriStrip::AppendMemberStrings(EnTArray<char*>& kStrings) const {
    EnTriBasedGeom::AppendMemberStrings(kStrings);
    kStrings.Add(MakeViewerTitle("EnTriStrip"));
}

void EnTriStrip::Draw(EnCamera* pCamera) {
    EnRender* pRenderer = BeginDraw(pCamera);
    if (!pRenderer) return;
    EnTriStripData* pData = GetStripData();
    pRenderer->DrawTriStrip(pData, m_worldBound);
    AddStatistics(1, pData->GetActiveTriangleCount(), pData->GetActiveVertexCount());
}

void EnTriStrip::GetTriangleVertexIndices(uint16_t usTriangle, uint16_t& usI0, uint16_t& usI1,
                                          uint16_t& usI2) const {
    usI0 = usTriangle;
    if (usTriangle & 1) {
        usI1 = uint16_t(usTriangle + 2);
        usI2 = uint16_t(usTriangle + 1);
    } else {
        usI1 = uint16_t(usTriangle + 1);
        usI2 = uint16_t(usTriangle + 2);
    }
}

void EnTriStrip::GetTriangleModelPoints(uint16_t usTriangle, EnVector3*& pP0, EnVector3*& pP1,
                                        EnVector3*& pP2) const {
    // The points follow the indices' winding, so world and model triangles face the same way
    // as the triangles the renderer draws.
    uint16_t usI0, usI1, usI2;
    GetTriangleVertexIndices(usTriangle, usI0, usI1, usI2);
    if (usTriangle >= 0xFFFE) {
        pP0 = pP1 = pP2 = nullptr;
        return;
    }
    ModelPointsOf(usI0, usI1, usI2, pP0, pP1, pP2);
}

void EnTriStrip::GetTriangleWorldPoints(uint16_t usTriangle, EnVector3*& pP0, EnVector3*& pP1,
                                        EnVector3*& pP2) const {
    uint16_t usI0, usI1, usI2;
    GetTriangleVertexIndices(usTriangle, usI0, usI1, usI2);
    if (usTriangle >= 0xFFFE) {
        pP0 = pP1 = pP2 = nullptr;
        return;
    }
    WorldPointsOf(usI0, usI1, usI2, pP0, pP1, pP2);
}
