#include "engine/geometry/EnTriShapeDynamicData.h"

#include <algorithm>

#include "engine/core/EnStream.h"
#include "engine/core/EnViewerStrings.h"

EN_IMPLEMENT_RTTI(EnTriShapeDynamicData, EnTriShapeData);
EN_IMPLEMENT_STREAM(EnTriShapeDynamicData);

EnTriShapeDynamicData::EnTriShapeDynamicData(uint16_t usVertices, EnVector3* pVertex,
                                             EnVector3* pNormal, EnColorRGBA* pColor,
                                             EnVector2* pTexture, uint16_t usTriangles,
                                             uint16_t* pusTriList, uint16_t usActiveVertices,
                                             uint16_t usActiveTriangles)
    : EnTriShapeData(std::min(usActiveVertices, usVertices), pVertex, pNormal, pColor, pTexture,
                     std::min(usActiveTriangles, usTriangles), pusTriList) {
    m_usVertices = usVertices;
    m_usTriangles = usTriangles;
    m_uiTriListLength = 3u * usTriangles;
    m_usActiveVertices = std::min(usActiveVertices, usVertices);
    m_usActiveTriangles = std::min(usActiveTriangles, usTriangles);
}

void EnTriShapeDynamicData::SetActiveVertexCount(uint16_t usCount) {
    m_usActiveVertices = std::min(usCount, m_usVertices);
}

void EnTriShapeDynamicData::SetActiveTriangleCount(uint16_t usCount) {
    m_usActiveTriangles = std::min(usCount, m_usTriangles);
}

void EnTriShapeDynamicData::LoadFromStream(EnStream& kStream) {
    EnTriShapeData::LoadFromStream(kStream);
    if (!kStream.ReadU16(m_usActiveVertices) || !kStream.ReadU16(m_usActiveTriangles)) return;
    if (m_usActiveVertices > m_usVertices || m_usActiveTriangles > m_usTriangles)
        kStream.MarkRecordInvalid();
}

void EnTriShapeDynamicData::SaveToStream(EnStream& kStream) {
    EnTriShapeData::SaveToStream(kStream);
    kStream.WriteU16(m_usActiveVertices);
    kStream.WriteU16(m_usActiveTriangles);
}

bool EnTriShapeDynamicData::EqualsObject(const EnObject* pObject) const {
    if (!EnTriShapeData::EqualsObject(pObject)) return false;
    const auto* pOther = static_cast<const EnTriShapeDynamicData*>(pObject);
    return m_usActiveVertices == pOther->m_usActiveVertices &&
           m_usActiveTriangles == pOther->m_usActiveTriangles;
}

void EnTriShapeDynamicData::AppendMemberStrings(EnTArray<char*>& kStrings) const {
    EnTriShapeData::AppendMemberStrings(kStrings);
    kStrings.Add(MakeViewerTitle("EnTriShapeDynamicData"));
    kStrings.Add(MakeViewerUShort("m_usActiveVertices", m_usActiveVertices));
    kStrings.Add(MakeViewerUShort("m_usActiveTriangles", m_usActiveTriangles));
}
