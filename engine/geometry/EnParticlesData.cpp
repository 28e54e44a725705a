#include "engine/geometry/EnParticlesData.h"

#include <algorithm>

#include "engine/core/EnStream.h"
#include "engine/core/EnViewerStrings.h"

EN_IMPLEMENT_RTTI(EnParticlesData, EnTriBasedGeomData);
EN_IMPLEMENT_STREAM(EnParticlesData);

EnParticlesData::EnParticlesData(uint16_t usCount, EnVector3* pVertex, EnVector3* pNormal,
                                 EnColorRGBA* pColor)
    : EnTriBasedGeomData(usCount, pVertex, pNormal, pColor, nullptr, usCount),
      m_usActive(usCount),
      m_pSizes(new float[usCount]) {
    std::fill_n(m_pSizes, usCount, 1.0f);
}

EnParticlesData::~EnParticlesData() {
    delete[] m_pSizes;
}

void EnParticlesData::SetActiveCount(uint16_t usActive) {
    m_usActive = std::min(usActive, m_usVertices);
}

void EnParticlesData::LoadFromStream(EnStream& kStream) {
    EnTriBasedGeomData::LoadFromStream(kStream);
    uint32_t uiPresent = 0;
    if (!kStream.ReadF32(m_fRadius) || !kStream.ReadU16(m_usActive) || !kStream.ReadU32(uiPresent))
        return;
    if (uiPresent != 0 && !kStream.CheckCount(m_usVertices, sizeof(float))) return;
    m_pSizes = new float[m_usVertices];
    if (uiPresent != 0) {
        if (!kStream.ReadF32Array(m_pSizes, m_usVertices)) return;
    } else {
        std::fill_n(m_pSizes, m_usVertices, 1.0f);
    }
    // Particle i is vertex i, also as a triangle.
    if (m_usActive > m_usVertices || m_usTriangles > m_usVertices) kStream.MarkRecordInvalid();
}

void EnParticlesData::SaveToStream(EnStream& kStream) {
    EnTriBasedGeomData::SaveToStream(kStream);
    kStream.WriteF32(m_fRadius);
    kStream.WriteU16(m_usActive);
    kStream.WriteU32(m_pSizes ? 1 : 0);
    if (m_pSizes) kStream.WriteF32Array(m_pSizes, m_usVertices);
}

bool EnParticlesData::EqualsObject(const EnObject* pObject) const {
    if (!EnTriBasedGeomData::EqualsObject(pObject)) return false;
    const auto* pOther = static_cast<const EnParticlesData*>(pObject);
    if (m_fRadius != pOther->m_fRadius || m_usActive != pOther->m_usActive) return false;
    if (!m_pSizes || !pOther->m_pSizes) return m_pSizes == pOther->m_pSizes;
    return std::equal(m_pSizes, m_pSizes + m_usVertices, pOther->m_pSizes);
}

void EnParticlesData::AppendMemberStrings(EnTArray<char*>& kStrings) const {
    EnTriBasedGeomData::AppendMemberStrings(kStrings);
    kStrings.Add(MakeViewerTitle("EnParticlesData"));
    kStrings.Add(MakeViewerFloat("m_fRadius", m_fRadius));
    kStrings.Add(MakeViewerUShort("m_usActive", m_usActive));
    kStrings.Add(MakeViewerPointer("m_pSizes", m_pSizes));
}
