#include "engine/geometry/EnTriStripData.h"

#include <algorithm>

#include "engine/core/EnStream.h"
#include "engine/core/EnViewerStrings.h"
#include "engine/geometry/EnFastNormal.h"

EN_IMPLEMENT_RTTI(EnTriStripData, EnTriBasedGeomData);
EN_IMPLEMENT_STREAM(EnTriStripData);

EnTriStripData::EnTriStripData(EnVector3* pVertex, EnVector3* pNormal, EnColorRGBA* pColor,
                               EnVector2* pTexture, uint16_t usTriangles)
    : EnTriBasedGeomData(uint16_t(usTriangles + 2), pVertex, pNormal, pColor, pTexture,
                         usTriangles),
      m_usActiveTris(usTriangles) {}

void EnTriStripData::SetActiveVertexCount(uint16_t usCount) {
    if (usCount < 3)
        m_usActiveTris = 0;
    else if (usCount >= m_usVertices)
        m_usActiveTris = m_usTriangles;
    else
        m_usActiveTris = std::min<uint16_t>(uint16_t(usCount - 2), m_usTriangles);
}

uint16_t EnTriStripData::GetActiveVertexCount() const {
    return m_usActiveTris == 0 ? 0 : uint16_t(m_usActiveTris + 2);
}

void EnTriStripData::SetActiveTriangleCount(uint16_t usCount) {
    m_usActiveTris = std::min(usCount, m_usTriangles);
}

void EnTriStripData::LoadFromStream(EnStream& kStream) {
    EnTriBasedGeomData::LoadFromStream(kStream);
    if (!kStream.ReadU16(m_usActiveTris)) return;
    // Triangle k reads vertices k to k + 2, so the vertices must reach two past the triangles.
    const bool bFits = m_usTriangles == 0 || uint32_t(m_usTriangles) + 2 <= m_usVertices;
    if (!bFits || m_usActiveTris > m_usTriangles) kStream.MarkRecordInvalid();
}

void EnTriStripData::SaveToStream(EnStream& kStream) {
    EnTriBasedGeomData::SaveToStream(kStream);
    kStream.WriteU16(m_usActiveTris);
}

bool EnTriStripData::EqualsObject(const EnObject* pObject) const {
    // The active count is not part of the comparison.
    return EnTriBasedGeomData::EqualsObject(pObject);
}

void EnTriStripData::AppendMemberStrings(EnTArray<char*>& kStrings) const {
    EnTriBasedGeomData::AppendMemberStrings(kStrings);
    kStrings.Add(MakeViewerTitle("EnTriStripData"));
}

void EnTriStripData::ComputeNormals() {
    if (!m_pVertex) return;
    CreateNormals(true);
    const EnVector3* v = m_pVertex;
    uint32_t uiActive = m_usActiveTris;
    // Never past the vertices, whatever the counts say.
    if (uiActive + 2 > m_usVertices) uiActive = m_usVertices >= 2 ? m_usVertices - 2u : 0u;
    uint32_t k = 0;
    for (; k + 1 < uiActive; k += 2) {
        // The odd triangle's edges are taken in reverse order, so both face the same way.
        const EnVector3 kEven = EnFastUnit((v[k + 1] - v[k]).Cross(v[k + 2] - v[k + 1]));
        const EnVector3 kOdd = EnFastUnit((v[k + 3] - v[k + 2]).Cross(v[k + 2] - v[k + 1]));
        m_pNormal[k] += kEven;
        m_pNormal[k + 1] += kEven;
        m_pNormal[k + 2] += kEven;
        m_pNormal[k + 1] += kOdd;
        m_pNormal[k + 2] += kOdd;
        m_pNormal[k + 3] += kOdd;
    }
    if (k < uiActive) {
        const EnVector3 kEven = EnFastUnit((v[k + 1] - v[k]).Cross(v[k + 2] - v[k + 1]));
        m_pNormal[k] += kEven;
        m_pNormal[k + 1] += kEven;
        m_pNormal[k + 2] += kEven;
    }
    EnFastUnitizeArray(m_pNormal, std::min<uint32_t>(GetActiveVertexCount(), m_usVertices));
}
