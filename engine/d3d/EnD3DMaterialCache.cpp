#include "engine/d3d/EnD3DMaterialCache.h"

#include "engine/core/EnMaterialProperty.h"

EnD3DMaterialCache::EnD3DMaterialCache() {
    auto* pDefault = static_cast<EnMaterialProperty*>(EnProperty::GetDefault(EnProperty::MATERIAL));
    if (pDefault) {
        auto* pRecord = new EnD3DMaterialRecord;
        Fill(*pRecord, *pDefault);
        m_kRecords.SetAt(pDefault->GetIndex(), pRecord);
        m_pCurrent = pRecord;
    }
    m_bDirty = true;
}

EnD3DMaterialCache::~EnD3DMaterialCache() {
    for (EnTMapIterator pos = m_kRecords.GetFirstPos(); pos;) {
        uint32_t uiIndex;
        EnD3DMaterialRecord* pRecord;
        m_kRecords.GetNext(pos, uiIndex, pRecord);
        delete pRecord;
    }
    m_kRecords.RemoveAll();
}

void EnD3DMaterialCache::Fill(EnD3DMaterialRecord& kRecord, const EnMaterialProperty& kMaterial) {
    const float fAlpha = kMaterial.GetAlpha();
    auto color = [fAlpha](const EnColorRGB& c) {
        return plat::gfx::ColorValue{c.r, c.g, c.b, fAlpha};
    };
    kRecord.m_kMaterial.diffuse = color(kMaterial.GetDiffuseColor());
    kRecord.m_kMaterial.ambient = color(kMaterial.GetAmbientColor());
    kRecord.m_kMaterial.specular = color(kMaterial.GetSpecularColor());
    kRecord.m_kMaterial.emissive = color(kMaterial.GetEmittance());
    kRecord.m_kMaterial.power = kMaterial.GetShineness();
    kRecord.m_uiRevision = kMaterial.GetRevision();
}

void EnD3DMaterialCache::Select(EnMaterialProperty* pMaterial) {
    if (!pMaterial) return;
    EnD3DMaterialRecord* pRecord = nullptr;
    if (!m_kRecords.GetAt(pMaterial->GetIndex(), pRecord) || !pRecord) {
        pRecord = new EnD3DMaterialRecord;
        Fill(*pRecord, *pMaterial);
        m_kRecords.SetAt(pMaterial->GetIndex(), pRecord);
        m_bDirty = true;
    } else if (pRecord->m_uiRevision != pMaterial->GetRevision()) {
        Fill(*pRecord, *pMaterial);
        m_bDirty = true;
    }
    if (pRecord != m_pCurrent) {
        m_pCurrent = pRecord;
        m_bDirty = true;
    }
}

const EnD3DMaterialRecord* EnD3DMaterialCache::TakeDirty() {
    if (!m_bDirty || !m_pCurrent) return nullptr;
    m_bDirty = false;
    return m_pCurrent;
}
