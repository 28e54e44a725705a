#include "engine/geometry/EnTrianglesData.h"

#include <algorithm>

#include "engine/core/EnStream.h"
#include "engine/core/EnViewerStrings.h"
#include "engine/geometry/EnFastNormal.h"

EN_IMPLEMENT_RTTI(EnTrianglesData, EnTriBasedGeomData);
EN_IMPLEMENT_STREAM(EnTrianglesData);

EnTrianglesData::EnTrianglesData(uint16_t usVertices, EnVector3* pVertex, EnVector3* pNormal,
                                 EnColorRGBA* pColor, EnVector2* pTexture, uint16_t usTriangles)
    : EnTriBasedGeomData(usVertices, pVertex, pNormal, pColor, pTexture,
                         // Triangles past the vertices would be read out of the arrays.
                         uint16_t(std::min<uint32_t>(usTriangles, usVertices / 3u))) {
    m_usActiveTris = m_usTriangles;
}

void EnTrianglesData::SetActiveVertexCount(uint16_t usCount) {
    SetActiveTriangleCount(uint16_t(usCount / 3));
}

void EnTrianglesData::SetActiveTriangleCount(uint16_t usCount) {
    m_usActiveTris = std::min(usCount, m_usTriangles);
}

void EnTrianglesData::LoadFromStream(EnStream& kStream) {
    EnTriBasedGeomData::LoadFromStream(kStream);
    if (!kStream.ReadU16(m_usActiveTris)) return;
    if (3u * m_usTriangles > m_usVertices || m_usActiveTris > m_usTriangles)
        kStream.MarkRecordInvalid();
}

void EnTrianglesData::SaveToStream(EnStream& kStream) {
    EnTriBasedGeomData::SaveToStream(kStream);
    kStream.WriteU16(m_usActiveTris);
}

void EnTrianglesData::AppendMemberStrings(EnTArray<char*>& kStrings) const {
    EnTriBasedGeomData::AppendMemberStrings(kStrings);
    kStrings.Add(MakeViewerTitle("EnTrianglesData"));
}

void EnTrianglesData::ComputeNormals() {
    if (!m_pVertex) return;
    CreateNormals(true);
    const uint32_t uiTriangles = std::min<uint32_t>(m_usTriangles, m_usVertices / 3u);
    for (uint32_t i = 0; i < uiTriangles; i++) {
        const EnVector3* v = m_pVertex + 3 * i;
        const EnVector3 kNormal = EnFastFaceNormal(v[0], v[1], v[2]);
        m_pNormal[3 * i] = kNormal;
        m_pNormal[3 * i + 1] = kNormal;
        m_pNormal[3 * i + 2] = kNormal;
    }
}
