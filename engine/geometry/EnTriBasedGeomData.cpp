#include "engine/geometry/EnTriBasedGeomData.h"

#include "engine/core/EnStream.h"
#include "engine/core/EnViewerStrings.h"

EN_IMPLEMENT_RTTI(EnTriBasedGeomData, EnGeometryData);
EN_IMPLEMENT_ABSTRACT_STREAM(EnTriBasedGeomData);

EnTriBasedGeomData::EnTriBasedGeomData(uint16_t usVertices, EnVector3* pVertex, EnVector3* pNormal,
                                       EnColorRGBA* pColor, EnVector2* pTexture,
                                       uint16_t usTriangles)
    : EnGeometryData(usVertices, pVertex, pNormal, pColor, pTexture), m_usTriangles(usTriangles) {}

void EnTriBasedGeomData::LoadFromStream(EnStream& kStream) {
    EnGeometryData::LoadFromStream(kStream);
    kStream.ReadU16(m_usTriangles);
}

void EnTriBasedGeomData::SaveToStream(EnStream& kStream) {
    EnGeometryData::SaveToStream(kStream);
    kStream.WriteU16(m_usTriangles);
}

bool EnTriBasedGeomData::EqualsObject(const EnObject* pObject) const {
    if (!EnGeometryData::EqualsObject(pObject)) return false;
    return m_usTriangles == static_cast<const EnTriBasedGeomData*>(pObject)->m_usTriangles;
}

void EnTriBasedGeomData::AppendMemberStrings(EnTArray<char*>& kStrings) const {
    EnGeometryData::AppendMemberStrings(kStrings);
    kStrings.Add(MakeViewerTitle("EnTriBasedGeomData"));
    kStrings.Add(MakeViewerUShort("m_usTriangles", m_usTriangles));
}
