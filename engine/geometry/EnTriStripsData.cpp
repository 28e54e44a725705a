#include "engine/geometry/EnTriStripsData.h"

#include <cstring>

#include "engine/core/EnStream.h"
#include "engine/core/EnViewerStrings.h"
#include "engine/geometry/EnFastNormal.h"

EN_IMPLEMENT_RTTI(EnTriStripsData, EnTriBasedGeomData);
EN_IMPLEMENT_STREAM(EnTriStripsData);

EnTriStripsData::EnTriStripsData(uint16_t usVertices, EnVector3* pVertex, EnVector3* pNormal,
                                 EnColorRGBA* pColor, EnVector2* pTexture, uint16_t usTriangles,
                                 uint16_t usStrips, uint16_t* pusStripLengths,
                                 uint16_t* pusStripLists)
    : EnTriBasedGeomData(usVertices, pVertex, pNormal, pColor, pTexture, usTriangles),
      m_usStrips(usStrips),
      m_pStripLengths(pusStripLengths),
      m_pStripLists(pusStripLists) {}

EnTriStripsData::~EnTriStripsData() {
    delete[] m_pStripLengths;
    delete[] m_pStripLists;
}

bool EnTriStripsData::HasValidStrips() const {
    if (m_usStrips == 0) return m_usTriangles == 0;
    if (!m_pStripLengths || !m_pStripLists) return false;
    uint32_t uiSum = 0;
    for (uint16_t s = 0; s < m_usStrips; s++) {
        // A strip of two indices holds no triangle; fewer would hold a negative number.
        if (m_pStripLengths[s] < 2) return false;
        uiSum += m_pStripLengths[s];
    }
    const uint32_t uiLength = GetStripListLength();
    if (uiSum != uiLength) return false;
    for (uint32_t i = 0; i < uiLength; i++)
        if (m_pStripLists[i] >= m_usVertices) return false;
    return true;
}

void EnTriStripsData::LoadFromStream(EnStream& kStream) {
    EnTriBasedGeomData::LoadFromStream(kStream);
    if (!kStream.ReadU16(m_usStrips)) return;
    if (m_usStrips > 0) {
        if (!kStream.CheckCount(m_usStrips, sizeof(uint16_t))) return;
        m_pStripLengths = new uint16_t[m_usStrips];
        if (!kStream.ReadU16Array(m_pStripLengths, m_usStrips)) return;
        // The list length comes from the counts, taken in 32 bits.
        const uint32_t uiLength = GetStripListLength();
        if (!kStream.CheckCount(uiLength, sizeof(uint16_t))) return;
        m_pStripLists = new uint16_t[uiLength];
        if (!kStream.ReadU16Array(m_pStripLists, uiLength)) return;
    }
    if (!HasValidStrips()) kStream.MarkRecordInvalid();
}

void EnTriStripsData::SaveToStream(EnStream& kStream) {
    EnTriBasedGeomData::SaveToStream(kStream);
    kStream.WriteU16(m_usStrips);
    if (m_usStrips == 0 || !m_pStripLengths || !m_pStripLists) return;
    kStream.WriteU16Array(m_pStripLengths, m_usStrips);
    kStream.WriteU16Array(m_pStripLists, GetStripListLength());
}

bool EnTriStripsData::EqualsObject(const EnObject* pObject) const {
    if (!EnTriBasedGeomData::EqualsObject(pObject)) return false;
    const auto* pOther = static_cast<const EnTriStripsData*>(pObject);
    if (m_usStrips != pOther->m_usStrips) return false;
    if (m_usStrips == 0) return true;
    if (!m_pStripLengths || !pOther->m_pStripLengths || !m_pStripLists || !pOther->m_pStripLists)
        return m_pStripLengths == pOther->m_pStripLengths && m_pStripLists == pOther->m_pStripLists;
    return std::memcmp(m_pStripLengths, pOther->m_pStripLengths, m_usStrips * sizeof(uint16_t)) ==
               0 &&
           std::memcmp(m_pStripLists, pOther->m_pStripLists,
                       GetStripListLength() * sizeof(uint16_t)) == 0;
}

void EnTriStripsData::AppendMemberStrings(EnTArray<char*>& kStrings) const {
    EnTriBasedGeomData::AppendMemberStrings(kStrings);
    kStrings.Add(MakeViewerTitle("EnTriStripsData"));
    kStrings.Add(MakeViewerUShort("m_usStrips", m_usStrips));
    kStrings.Add(MakeViewerPointer("m_pStripLengths", m_pStripLengths));
    kStrings.Add(MakeViewerPointer("m_pStripLists", m_pStripLists));
}

void EnTriStripsData::ComputeNormals() {
    if (!m_pVertex) return;
    CreateNormals(true);
    if (m_pStripLengths && m_pStripLists) {
        const uint32_t uiListLength = GetStripListLength();
        uint32_t uiStart = 0;
        for (uint16_t s = 0; s < m_usStrips; s++) {
            const uint32_t uiLength = m_pStripLengths[s];
            if (uiStart + uiLength > uiListLength) break;
            const uint16_t* pusStrip = m_pStripLists + uiStart;
            for (uint32_t k = 2; k < uiLength; k++) {
                // Odd triangles are taken with their last two indices swapped, so that every
                // triangle of the strip faces the same way.
                const uint16_t usA = pusStrip[k - 2];
                const uint16_t usB = (k & 1) ? pusStrip[k] : pusStrip[k - 1];
                const uint16_t usC = (k & 1) ? pusStrip[k - 1] : pusStrip[k];
                if (usA >= m_usVertices || usB >= m_usVertices || usC >= m_usVertices) continue;
                const EnVector3 kNormal =
                    EnFastFaceNormal(m_pVertex[usA], m_pVertex[usB], m_pVertex[usC]);
                m_pNormal[usA] += kNormal;
                m_pNormal[usB] += kNormal;
                m_pNormal[usC] += kNormal;
            }
            uiStart += uiLength;
        }
    }
    EnFastUnitizeArray(m_pNormal, m_usVertices);
}
