#include "engine/geometry/EnLinesData.h"

#include <cstring>

#include "engine/core/EnStream.h"
#include "engine/core/EnViewerStrings.h"

EN_IMPLEMENT_RTTI(EnLinesData, EnGeometryData);
EN_IMPLEMENT_STREAM(EnLinesData);

EnLinesData::EnLinesData(uint16_t usVertices, EnVector3* pVertex, EnColorRGBA* pColor,
                         EnVector2* pTexture, uint8_t* pucFlags)
    : EnGeometryData(usVertices, pVertex, nullptr, pColor, pTexture), m_pFlags(pucFlags) {
    if (!m_pFlags) {
        m_pFlags = new uint8_t[usVertices];
        for (uint32_t i = 0; i < usVertices; i++) m_pFlags[i] = (i & 1) ? 0 : 1;
    }
}

EnLinesData::~EnLinesData() {
    delete[] m_pFlags;
}

void EnLinesData::LoadFromStream(EnStream& kStream) {
    EnGeometryData::LoadFromStream(kStream);
    if (!kStream.CheckCount(m_usVertices, 1)) return;
    m_pFlags = new uint8_t[m_usVertices];
    kStream.ReadBytes(m_pFlags, m_usVertices);
}

void EnLinesData::SaveToStream(EnStream& kStream) {
    EnGeometryData::SaveToStream(kStream);
    if (m_pFlags) {
        kStream.WriteBytes(m_pFlags, m_usVertices);
    } else {
        // The record always holds one byte per vertex; data without flags joins nothing.
        for (uint32_t i = 0; i < m_usVertices; i++) kStream.WriteU8(0);
    }
}

bool EnLinesData::EqualsObject(const EnObject* pObject) const {
    if (!EnGeometryData::EqualsObject(pObject)) return false;
    const auto* pOther = static_cast<const EnLinesData*>(pObject);
    if (!m_pFlags || !pOther->m_pFlags) return m_pFlags == pOther->m_pFlags;
    return std::memcmp(m_pFlags, pOther->m_pFlags, m_usVertices) == 0;
}

void EnLinesData::AppendMemberStrings(EnTArray<char*>& kStrings) const {
    EnGeometryData::AppendMemberStrings(kStrings);
    kStrings.Add(MakeViewerTitle("EnLinesData"));
    kStrings.Add(MakeViewerPointer("m_pFlags", m_pFlags));
}
