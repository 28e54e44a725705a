#include "engine/geometry/EnTriShapeData.h"

#include <cstring>

#include "engine/core/EnStream.h"
#include "engine/core/EnViewerStrings.h"
#include "engine/geometry/EnFastNormal.h"

EN_IMPLEMENT_RTTI(EnTriShapeData, EnTriBasedGeomData);
EN_IMPLEMENT_STREAM(EnTriShapeData);

void EnTriShapeData::SharedNormalGroup::Set(uint16_t usCount, uint16_t* pusIndices) {
    delete[] m_pusIndices;
    m_usCount = usCount;
    m_pusIndices = pusIndices;
}

EnTriShapeData::EnTriShapeData(uint16_t usVertices, EnVector3* pVertex, EnVector3* pNormal,
                               EnColorRGBA* pColor, EnVector2* pTexture, uint16_t usTriangles,
                               uint16_t* pusTriList)
    : EnTriBasedGeomData(usVertices, pVertex, pNormal, pColor, pTexture, usTriangles),
      m_uiTriListLength(3u * usTriangles),
      m_pTriList(pusTriList) {}

EnTriShapeData::~EnTriShapeData() {
    delete[] m_pTriList;
    delete[] m_pSharedNormalGroups;
}

void EnTriShapeData::SetTriangleList(uint16_t* pusTriList) {
    m_pTriList = pusTriList;
    m_uiTriListLength = 3u * m_usTriangles;
}

void EnTriShapeData::ReplaceTriangleList(uint16_t usTriangles, uint16_t* pusTriList) {
    if (pusTriList != m_pTriList) delete[] m_pTriList;
    m_usTriangles = usTriangles;
    SetTriangleList(pusTriList);
}

void EnTriShapeData::SetSharedNormalGroups(uint16_t usCount, SharedNormalGroup* pGroups) {
    if (pGroups != m_pSharedNormalGroups) delete[] m_pSharedNormalGroups;
    m_pSharedNormalGroups = pGroups;
    m_usSharedNormalGroups = pGroups ? usCount : 0;
}

bool EnTriShapeData::GetTriangleIndices(uint16_t usTriangle, uint16_t& usI0, uint16_t& usI1,
                                        uint16_t& usI2) const {
    const uint32_t uiFirst = 3u * usTriangle;
    if (!m_pTriList || uiFirst + 3 > m_uiTriListLength) return false;
    usI0 = m_pTriList[uiFirst];
    usI1 = m_pTriList[uiFirst + 1];
    usI2 = m_pTriList[uiFirst + 2];
    return true;
}

bool EnTriShapeData::HasValidIndices() const {
    if (m_uiTriListLength < 3u * m_usTriangles) return false;
    if (m_uiTriListLength > 0 && !m_pTriList) return false;
    for (uint32_t i = 0; i < m_uiTriListLength; i++)
        if (m_pTriList[i] >= m_usVertices) return false;
    for (uint16_t g = 0; g < m_usSharedNormalGroups; g++) {
        const SharedNormalGroup& kGroup = m_pSharedNormalGroups[g];
        if (kGroup.m_usCount > 0 && !kGroup.m_pusIndices) return false;
        for (uint16_t i = 0; i < kGroup.m_usCount; i++)
            if (kGroup.m_pusIndices[i] >= m_usVertices) return false;
    }
    return true;
}

void EnTriShapeData::LoadFromStream(EnStream& kStream) {
    EnTriBasedGeomData::LoadFromStream(kStream);
    if (!kStream.ReadU32(m_uiTriListLength)) return;
    if (m_uiTriListLength > 0) {
        if (!kStream.CheckCount(m_uiTriListLength, sizeof(uint16_t))) return;
        m_pTriList = new uint16_t[m_uiTriListLength];
        if (!kStream.ReadU16Array(m_pTriList, m_uiTriListLength)) return;
    }
    // Shared-normal groups arrived after version 3.05.
    if (std::strcmp(kStream.GetFileVersion(), "3.05") > 0) {
        uint16_t usGroups = 0;
        if (!kStream.ReadU16(usGroups)) return;
        if (usGroups > 0) {
            if (!kStream.CheckCount(usGroups, sizeof(uint16_t))) return;
            m_pSharedNormalGroups = new SharedNormalGroup[usGroups];
            m_usSharedNormalGroups = usGroups;
            for (uint16_t g = 0; g < usGroups; g++) {
                uint16_t usCount = 0;
                if (!kStream.ReadU16(usCount)) return;
                if (usCount == 0) continue;
                if (!kStream.CheckCount(usCount, sizeof(uint16_t))) return;
                auto* pusIndices = new uint16_t[usCount];
                m_pSharedNormalGroups[g].Set(usCount, pusIndices);
                if (!kStream.ReadU16Array(pusIndices, usCount)) return;
            }
        }
    }
    if (!HasValidIndices()) kStream.MarkRecordInvalid();
}

void EnTriShapeData::SaveToStream(EnStream& kStream) {
    EnTriBasedGeomData::SaveToStream(kStream);
    kStream.WriteU32(m_uiTriListLength);
    if (m_uiTriListLength > 0 && m_pTriList) kStream.WriteU16Array(m_pTriList, m_uiTriListLength);
    kStream.WriteU16(m_usSharedNormalGroups);
    for (uint16_t g = 0; g < m_usSharedNormalGroups; g++) {
        const SharedNormalGroup& kGroup = m_pSharedNormalGroups[g];
        kStream.WriteU16(kGroup.m_usCount);
        if (kGroup.m_usCount > 0) kStream.WriteU16Array(kGroup.m_pusIndices, kGroup.m_usCount);
    }
}

bool EnTriShapeData::EqualsObject(const EnObject* pObject) const {
    if (!EnTriBasedGeomData::EqualsObject(pObject)) return false;
    const auto* pOther = static_cast<const EnTriShapeData*>(pObject);
    if (m_uiTriListLength != pOther->m_uiTriListLength) return false;
    if (m_uiTriListLength == 0) return true;
    if (!m_pTriList || !pOther->m_pTriList) return m_pTriList == pOther->m_pTriList;
    return std::memcmp(m_pTriList, pOther->m_pTriList, m_uiTriListLength * sizeof(uint16_t)) == 0;
}

void EnTriShapeData::AppendMemberStrings(EnTArray<char*>& kStrings) const {
    EnTriBasedGeomData::AppendMemberStrings(kStrings);
    kStrings.Add(MakeViewerTitle("EnTriShapeData"));
    kStrings.Add(MakeViewerUInt("m_uiTriListLength", m_uiTriListLength));
    kStrings.Add(MakeViewerPointer("m_pTriList", m_pTriList));
}

void EnTriShapeData::ComputeNormals() {
    if (!m_pVertex) return;
    CreateNormals(true);
    const bool bGroups = m_pSharedNormalGroups && m_usSharedNormalGroups == m_usVertices;
    const uint16_t usTriangles = GetActiveTriangleCount();
    for (uint16_t t = 0; t < usTriangles; t++) {
        uint16_t ausIndex[3];
        if (!GetTriangleIndices(t, ausIndex[0], ausIndex[1], ausIndex[2])) break;
        if (ausIndex[0] >= m_usVertices || ausIndex[1] >= m_usVertices ||
            ausIndex[2] >= m_usVertices)
            continue;
        // Every face counts the same, whatever its area or the angle it makes at the vertex.
        const EnVector3 kNormal = EnFastFaceNormal(m_pVertex[ausIndex[0]], m_pVertex[ausIndex[1]],
                                                   m_pVertex[ausIndex[2]]);
        for (uint16_t usIndex : ausIndex) {
            m_pNormal[usIndex] += kNormal;
            if (!bGroups) continue;
            const SharedNormalGroup& kGroup = m_pSharedNormalGroups[usIndex];
            for (int32_t i = int32_t(kGroup.m_usCount) - 1; i >= 0; i--) {
                const uint16_t usShared = kGroup.m_pusIndices[i];
                if (usShared < m_usVertices) m_pNormal[usShared] += kNormal;
            }
        }
    }
    uint32_t uiActive = GetActiveVertexCount();
    if (uiActive > m_usVertices) uiActive = m_usVertices;
    EnFastUnitizeArray(m_pNormal, uiActive);
}
