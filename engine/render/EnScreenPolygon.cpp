#include "engine/render/EnScreenPolygon.h"

#include <new>

#include "engine/core/EnColorRGBA.h"
#include "engine/core/EnProperty.h"
#include "engine/core/EnPropertyState.h"
#include "engine/core/EnStream.h"
#include "engine/core/EnViewerStrings.h"
#include "engine/render/EnRender.h"

EN_IMPLEMENT_RTTI(EnScreenPolygon, EnObject);
EN_IMPLEMENT_STREAM(EnScreenPolygon);

EnScreenPolygon::EnScreenPolygon() : m_spPropertyState(new EnPropertyState) {}

EnScreenPolygon::EnScreenPolygon(uint16_t usVertices, const EnVector3* pVertex,
                                 const EnVector2* pTexture, const EnColorRGBA* pColor)
    : m_spPropertyState(new EnPropertyState) {
    CopyArrays(usVertices, pVertex, pTexture, pColor);
}

EnScreenPolygon::~EnScreenPolygon() = default;

void EnScreenPolygon::CopyArrays(uint16_t usVertices, const EnVector3* pVertex,
                                 const EnVector2* pTexture, const EnColorRGBA* pColor) {
    // Without positions there is nothing to draw; keep the polygon empty rather than read
    // through a null array.
    m_usVertices = pVertex ? usVertices : 0;
    m_pVertex.reset();
    m_pTexture.reset();
    m_pColor.reset();
    if (m_usVertices == 0) return;
    m_pVertex.reset(new EnVector3[m_usVertices]);
    for (uint16_t i = 0; i < m_usVertices; i++) m_pVertex[i] = pVertex[i];
    if (pTexture) {
        m_pTexture.reset(new EnVector2[m_usVertices]);
        for (uint16_t i = 0; i < m_usVertices; i++) m_pTexture[i] = pTexture[i];
    }
    if (pColor) {
        m_pColor.reset(new EnColorRGBA[m_usVertices]);
        for (uint16_t i = 0; i < m_usVertices; i++) m_pColor[i] = pColor[i];
    }
}

void EnScreenPolygon::Draw(EnRender& kRenderer) {
    kRenderer.SetPropertyState(m_spPropertyState);
    kRenderer.SetEffectState(nullptr);
    kRenderer.DrawScreenPolygon(m_usVertices, m_pVertex.get(), m_pTexture.get(), m_pColor.get());
}

EnObject* EnScreenPolygon::CloneObject() {
    EnScreenPolygon* pCopy =
        new EnScreenPolygon(m_usVertices, m_pVertex.get(), m_pTexture.get(), m_pColor.get());
    // The copy gets a state of its own that shares this one's property objects.
    if (m_spPropertyState) pCopy->m_spPropertyState = new EnPropertyState(*m_spPropertyState);
    return pCopy;
}

void EnScreenPolygon::LoadFromStream(EnStream& kStream) {
    EnObject::LoadFromStream(kStream);
    uint16_t usVertices = 0;
    if (!kStream.ReadU16(usVertices) || !kStream.CheckCount(usVertices, 12)) return;
    m_usVertices = usVertices;
    m_pVertex.reset(new EnVector3[usVertices]());
    for (uint16_t i = 0; i < usVertices; i++) {
        if (!kStream.ReadF32(m_pVertex[i].x) || !kStream.ReadF32(m_pVertex[i].y) ||
            !kStream.ReadF32(m_pVertex[i].z))
            return;
    }

    uint32_t uiTextureFlag = 0;
    if (!kStream.ReadU32(uiTextureFlag)) return;
    if (uiTextureFlag) {
        if (!kStream.CheckCount(usVertices, 8)) return;
        m_pTexture.reset(new EnVector2[usVertices]());
        for (uint16_t i = 0; i < usVertices; i++) {
            if (!kStream.ReadF32(m_pTexture[i].x) || !kStream.ReadF32(m_pTexture[i].y)) return;
        }
    }

    uint32_t uiColorFlag = 0;
    if (!kStream.ReadU32(uiColorFlag)) return;
    if (uiColorFlag) {
        if (!kStream.CheckCount(usVertices, 16)) return;
        m_pColor.reset(new EnColorRGBA[usVertices]());
        for (uint16_t i = 0; i < usVertices; i++) {
            EnColorRGBA& kColor = m_pColor[i];
            if (!kStream.ReadF32(kColor.r) || !kStream.ReadF32(kColor.g) ||
                !kStream.ReadF32(kColor.b) || !kStream.ReadF32(kColor.a))
                return;
        }
    }

    uint32_t uiProperties = 0;
    if (!kStream.ReadU32(uiProperties) || !kStream.CheckCount(uiProperties, 4)) return;
    LinkRecord* pRecord = kStream.GetLinkRecord<LinkRecord>();
    std::unique_ptr<uint32_t[]> puiIDs(new uint32_t[uiProperties > 0 ? uiProperties : 1]);
    for (uint32_t i = 0; i < uiProperties; i++)
        if (!kStream.ReadLinkID(puiIDs[i])) return;
    if (pRecord) {
        pRecord->m_uiPropertyCount = uiProperties;
        pRecord->m_puiPropertyIDs = std::move(puiIDs);
    }
}

void EnScreenPolygon::LinkFromStream(EnStream& kStream) {
    EnObject::LinkFromStream(kStream);
    LinkRecord* pRecord = kStream.GetLinkRecord<LinkRecord>();
    if (!pRecord || !m_spPropertyState) return;
    // Last to first, so that of two properties of one type the earlier entry wins.
    for (uint32_t i = pRecord->m_uiPropertyCount; i-- > 0;) {
        EnProperty* pProperty = kStream.FindLink<EnProperty>(pRecord->m_puiPropertyIDs[i]);
        if (pProperty) m_spPropertyState->SetProperty(pProperty);
    }
}

bool EnScreenPolygon::RegisterForSave(EnStream& kStream) {
    if (!EnObject::RegisterForSave(kStream)) return false;
    if (m_spPropertyState) {
        for (uint32_t i = 0; i < PROPERTY_SLOTS; i++) {
            if (EnProperty* pProperty = m_spPropertyState->GetProperty(int32_t(i)))
                pProperty->RegisterForSave(kStream);
        }
    }
    return true;
}

void EnScreenPolygon::SaveToStream(EnStream& kStream) {
    EnObject::SaveToStream(kStream);
    kStream.WriteU16(m_usVertices);
    for (uint16_t i = 0; i < m_usVertices; i++) {
        kStream.WriteF32(m_pVertex[i].x);
        kStream.WriteF32(m_pVertex[i].y);
        kStream.WriteF32(m_pVertex[i].z);
    }
    kStream.WriteU32(m_pTexture ? 1 : 0);
    if (m_pTexture) {
        for (uint16_t i = 0; i < m_usVertices; i++) {
            kStream.WriteF32(m_pTexture[i].x);
            kStream.WriteF32(m_pTexture[i].y);
        }
    }
    kStream.WriteU32(m_pColor ? 1 : 0);
    if (m_pColor) {
        for (uint16_t i = 0; i < m_usVertices; i++) {
            kStream.WriteF32(m_pColor[i].r);
            kStream.WriteF32(m_pColor[i].g);
            kStream.WriteF32(m_pColor[i].b);
            kStream.WriteF32(m_pColor[i].a);
        }
    }
    kStream.WriteU32(PROPERTY_SLOTS);
    for (uint32_t i = 0; i < PROPERTY_SLOTS; i++)
        kStream.WriteLinkID(m_spPropertyState ? m_spPropertyState->GetProperty(int32_t(i))
                                              : nullptr);
}

bool EnScreenPolygon::EqualsObject(const EnObject* pObject) const {
    if (!EnObject::EqualsObject(pObject)) return false;
    const EnScreenPolygon* pOther = EnDynamicCast(EnScreenPolygon, pObject);
    if (!pOther || m_usVertices != pOther->m_usVertices) return false;
    for (uint16_t i = 0; i < m_usVertices; i++)
        if (!(m_pVertex[i] == pOther->m_pVertex[i])) return false;
    if (!m_pTexture != !pOther->m_pTexture) return false;
    if (m_pTexture) {
        for (uint16_t i = 0; i < m_usVertices; i++)
            if (!(m_pTexture[i] == pOther->m_pTexture[i])) return false;
    }
    if (!m_pColor != !pOther->m_pColor) return false;
    if (m_pColor) {
        for (uint16_t i = 0; i < m_usVertices; i++) {
            const EnColorRGBA& kA = m_pColor[i];
            const EnColorRGBA& kB = pOther->m_pColor[i];
            if (kA.r != kB.r || kA.g != kB.g || kA.b != kB.b || kA.a != kB.a) return false;
        }
    }
    if (!m_spPropertyState != !pOther->m_spPropertyState) return false;
    if (m_spPropertyState) {
        for (uint32_t i = 0; i < PROPERTY_SLOTS; i++) {
            if (m_spPropertyState->GetProperty(int32_t(i)) !=
                pOther->m_spPropertyState->GetProperty(int32_t(i)))
                return false;
        }
    }
    return true;
}

void EnScreenPolygon::AppendMemberStrings(EnTArray<char*>& kStrings) const {
    EnObject::AppendMemberStrings(kStrings);
    kStrings.Add(MakeViewerTitle("EnScreenPolygon"));
    kStrings.Add(MakeViewerUShort("m_usVertices", m_usVertices));
    kStrings.Add(MakeViewerPointer("m_pVertex", m_pVertex.get()));
    kStrings.Add(MakeViewerPointer("m_pTexture", m_pTexture.get()));
    kStrings.Add(MakeViewerPointer("m_pColor", m_pColor.get()));
    if (!m_spPropertyState) return;
    for (uint32_t i = 0; i < PROPERTY_SLOTS; i++) {
        const EnProperty* pProperty = m_spPropertyState->GetProperty(int32_t(i));
        if (pProperty) kStrings.Add(MakeViewerPointer(pProperty->GetClassName(), pProperty));
    }
}
