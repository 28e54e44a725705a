#include "engine/geometry/EnTriangles.h"

#include "engine/core/EnViewerStrings.h"
#include "engine/render/EnRender.h"

EN_IMPLEMENT_RTTI(EnTriangles, EnTriBasedGeom);
EN_IMPLEMENT_STREAM(EnTriangles);

const EnTypeRecord* EnTriangles::GetDataType() const {
    return &EnTrianglesData::ms_RTTI;
}

EnObject* EnTriangles::CloneObject() {
    auto* pCopy = new EnTriangles;
    CopyMembers(pCopy);
    return pCopy;
}

void EnTriangles::AppendMemberStrings(EnTArray<char*>& kStrings) const {
    EnTriBasedGeom::AppendMemberStrings(kStrings);
    kStrings.Add(MakeViewerTitle("EnTriangles"));
}

void EnTriangles::Draw(EnCamera* pCamera) {
    EnRender* pRenderer = BeginDraw(pCamera);
    if (!pRenderer) return;
    EnTrianglesData* pData = GetTrianglesData();
    pRenderer->DrawTriangles(pData, m_worldBound);
    AddStatistics(1, pData->GetActiveTriangleCount(), pData->GetActiveVertexCount());
}

void EnTriangles::GetTriangleVertexIndices(uint16_t usTriangle, uint16_t& usI0, uint16_t& usI1,
                                           uint16_t& usI2) const {
    // Taken in 32 bits: a triangle whose vertices lie past 65535 has none.
    const uint32_t uiFirst = 3u * usTriangle;
    if (uiFirst + 2 > 0xFFFF) {
        usI0 = usI1 = usI2 = 0;
        return;
    }
    usI0 = uint16_t(uiFirst);
    usI1 = uint16_t(uiFirst + 1);
    usI2 = uint16_t(uiFirst + 2);
}

void EnTriangles::GetTriangleModelPoints(uint16_t usTriangle, EnVector3*& pP0, EnVector3*& pP1,
                                         EnVector3*& pP2) const {
    const uint32_t uiFirst = 3u * usTriangle;
    if (uiFirst + 2 > 0xFFFF) {
        pP0 = pP1 = pP2 = nullptr;
        return;
    }
    ModelPointsOf(uint16_t(uiFirst), uint16_t(uiFirst + 1), uint16_t(uiFirst + 2), pP0, pP1, pP2);
}

void EnTriangles::GetTriangleWorldPoints(uint16_t usTriangle, EnVector3*& pP0, EnVector3*& pP1,
                                         EnVector3*& pP2) const {
    const uint32_t uiFirst = 3u * usTriangle;
    if (uiFirst + 2 > 0xFFFF) {
        pP0 = pP1 = pP2 = nullptr;
        return;
    }
    WorldPointsOf(uint16_t(uiFirst), uint16_t(uiFirst + 1), uint16_t(uiFirst + 2), pP0, pP1, pP2);
}
