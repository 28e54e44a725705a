#include "engine/geometry/EnTriStrips.h"

#include "engine/core/EnViewerStrings.h"
#include "engine/render/EnRender.h"

EN_IMPLEMENT_RTTI(EnTriStrips, EnTriBasedGeom);
EN_IMPLEMENT_STREAM(EnTriStrips);

const EnTypeRecord* EnTriStrips::GetDataType() const {
    return &EnTriStripsData::ms_RTTI;
}

EnObject* EnTriStrips::CloneObject() {
    auto* pCopy = new EnTriStrips;
    CopyMembers(pCopy);
    return pCopy;
}

void EnTriStrips::AppendMemberStrings(EnTArray<char*>& kStrings) const {
    EnTriBasedGeom::AppendMemberStrings(kStrings);
    kStrings.Add(MakeViewerTitle("EnTriStrips"));
}

void EnTriStrips::Draw(EnCamera* pCamera) {
    EnRender* pRenderer = BeginDraw(pCamera);
    if (!pRenderer) return;
    EnTriStripsData* pData = GetStripsData();
    pRenderer->DrawTriStrips(pData, m_worldBound);
    AddStatistics(1, pData->GetTriangleCount(), pData->GetVertexCount());
}

void EnTriStrips::GetTriangleVertexIndices(uint16_t usTriangle, uint16_t& usI0, uint16_t& usI1,
                                           uint16_t& usI2) const {
    usI0 = usI1 = usI2 = 0;
    const EnTriStripsData* pData = GetStripsData();
    if (!pData || !pData->GetStripLengths() || !pData->GetStripLists()) return;
    const uint16_t* pusLengths = pData->GetStripLengths();
    const uint16_t* pusList = pData->GetStripLists();
    const uint32_t uiStrips = pData->GetStripCount();
    const uint32_t uiListLength = pData->GetStripListLength();

    // The cursor belongs to this object, so walkers of different objects (or threads drawing
    // different objects) do not disturb each other; it is keyed by the data it walked.
    StripCursor& kCursor = m_kCursor;
    if (kCursor.m_pData == pData && kCursor.m_usDataID == pData->GetDataID() &&
        kCursor.m_uiLastTriangle + 1 == usTriangle) {
        kCursor.m_uiPosition++;
    } else {
        kCursor.m_pData = pData;
        kCursor.m_usDataID = pData->GetDataID();
        kCursor.m_uiStrip = 0;
        kCursor.m_uiStripStart = 0;
        kCursor.m_uiPosition = usTriangle;
    }
    kCursor.m_uiLastTriangle = usTriangle;

    while (kCursor.m_uiStrip < uiStrips) {
        const uint32_t uiLength = pusLengths[kCursor.m_uiStrip];
        const uint32_t uiTriangles = uiLength >= 2 ? uiLength - 2 : 0;
        if (kCursor.m_uiPosition < uiTriangles) break;
        kCursor.m_uiPosition -= uiTriangles;
        kCursor.m_uiStripStart += uiLength;
        kCursor.m_uiStrip++;
    }
    const uint32_t p = kCursor.m_uiPosition;
    if (kCursor.m_uiStrip >= uiStrips || kCursor.m_uiStripStart + p + 2 >= uiListLength) {
        // Past the last strip: the next question starts the walk afresh.
        kCursor.m_pData = nullptr;
        return;
    }
    const uint16_t* s = pusList + kCursor.m_uiStripStart;
    if (p & 1) {
        usI0 = s[p + 1];
        usI1 = s[p];
    } else {
        usI0 = s[p];
        usI1 = s[p + 1];
    }
    usI2 = s[p + 2];
}

void EnTriStrips::GetTriangleModelPoints(uint16_t usTriangle, EnVector3*& pP0, EnVector3*& pP1,
                                         EnVector3*& pP2) const {
    uint16_t usI0, usI1, usI2;
    GetTriangleVertexIndices(usTriangle, usI0, usI1, usI2);
    const EnTriStripsData* pData = GetStripsData();
    if (!pData || usTriangle >= pData->GetTriangleCount()) {
        pP0 = pP1 = pP2 = nullptr;
        return;
    }
    ModelPointsOf(usI0, usI1, usI2, pP0, pP1, pP2);
}

void EnTriStrips::GetTriangleWorldPoints(uint16_t usTriangle, EnVector3*& pP0, EnVector3*& pP1,
                                         EnVector3*& pP2) const {
    uint16_t usI0, usI1, usI2;
    GetTriangleVertexIndices(usTriangle, usI0, usI1, usI2);
    const EnTriStripsData* pData = GetStripsData();
    if (!pData || usTriangle >= pData->GetTriangleCount()) {
        pP0 = pP1 = pP2 = nullptr;
        return;
    }
    WorldPointsOf(usI0, usI1, usI2, pP0, pP1, pP2);
}
