#include "engine/geometry/EnGeometry.h"

#include "engine/core/EnCamera.h"
#include "engine/core/EnProcessor.h"
#include "engine/core/EnStream.h"
#include "engine/core/EnViewerStrings.h"
#include "engine/render/EnRender.h"

EN_IMPLEMENT_RTTI(EnGeometry, EnAVObject);
EN_IMPLEMENT_ABSTRACT_STREAM(EnGeometry);

EnGeometry::EnGeometry() = default;

EnGeometry::EnGeometry(EnGeometryData* pModelData) : m_spModelData(pModelData) {}

EnGeometry::~EnGeometry() {
    m_spModelData = nullptr;
    delete[] m_pWorldVertex;
    delete[] m_pWorldNormal;
    m_spEffectState = nullptr;
    m_spPropertyState = nullptr;
}

const EnTypeRecord* EnGeometry::GetDataType() const {
    return &EnGeometryData::ms_RTTI;
}

void EnGeometry::CopyMembers(EnGeometry* pCopy) {
    EnAVObject::CopyMembers(pCopy);
    if (m_spModelData)
        pCopy->SetGeometryData(EnDynamicCast(EnGeometryData, m_spModelData->CloneObject()));
}

void EnGeometry::LoadFromStream(EnStream& kStream) {
    EnAVObject::LoadFromStream(kStream);
    if (auto* pRecord = kStream.GetLinkRecord<LinkRecord>())
        kStream.ReadLinkID(pRecord->m_uiDataID);
}

void EnGeometry::LinkFromStream(EnStream& kStream) {
    EnAVObject::LinkFromStream(kStream);
    auto* pRecord = kStream.GetLinkRecord<LinkRecord>();
    if (!pRecord) return;
    EnObject* pObject = kStream.FindLink(pRecord->m_uiDataID);
    if (pObject && !pObject->IsKindOf(GetDataType())) {
        // Every per-triangle access of a kind reads its own data layout: another kind of data
        // would be read out of its bounds.
        kStream.MarkRecordInvalid();
        return;
    }
    m_spModelData = static_cast<EnGeometryData*>(pObject);
}

bool EnGeometry::RegisterForSave(EnStream& kStream) {
    if (!EnAVObject::RegisterForSave(kStream)) return false;
    if (m_spModelData) m_spModelData->RegisterForSave(kStream);
    return true;
}

void EnGeometry::SaveToStream(EnStream& kStream) {
    EnAVObject::SaveToStream(kStream);
    kStream.WriteLinkID(m_spModelData);
}

bool EnGeometry::EqualsObject(const EnObject* pObject) const {
    if (!EnAVObject::EqualsObject(pObject)) return false;
    const EnGeometryData* pOtherData = static_cast<const EnGeometry*>(pObject)->m_spModelData;
    if (!m_spModelData || !pOtherData) return !m_spModelData && !pOtherData;
    return m_spModelData->EqualsObject(pOtherData);
}

void EnGeometry::AppendMemberStrings(EnTArray<char*>& kStrings) const {
    EnAVObject::AppendMemberStrings(kStrings);
    kStrings.Add(MakeViewerTitle("EnGeometry"));
}

void EnGeometry::BakeTransform(const EnMatrix3& kRotate, const EnVector3& kTranslate,
                               bool bInParentSpace) {
    if (!m_spModelData) return;
    EnMatrix3 kMatrix = kRotate;
    EnVector3 kOffset = kTranslate;
    if (bInParentSpace) {
        // (R, t) acts in the parent's space; in the object's own frame it is
        // L^T R L and L^T (R T + t - T) / s, with L orthonormal.
        const EnMatrix3& L = m_localRotate;
        const EnVector3& T = m_localTranslate;
        kMatrix = L.TransposeTimes(kRotate * L);
        kOffset = L.TransposeTimesVector(kRotate * T + kTranslate - T) / m_fLocalScale;
    }
    EnMatrix3 kInverse;
    kMatrix.Inverse(kInverse);
    const EnMatrix3 kNormalMatrix = kInverse.Transpose();

    const uint16_t usCount = m_spModelData->GetActiveVertexCount();
    if (EnVector3* pVertex = m_spModelData->GetVertices())
        for (uint16_t i = 0; i < usCount; i++) pVertex[i] = kMatrix * pVertex[i] + kOffset;
    if (EnVector3* pNormal = m_spModelData->GetNormals())
        for (uint16_t i = 0; i < usCount; i++) pNormal[i] = kNormalMatrix * pNormal[i];
    if (EnVector3* pVertex = m_spModelData->GetVertices())
        m_spModelData->GetBound().ComputeFromPoints(usCount, pVertex);
}

EnVector3* EnGeometry::CreateWorldVertexArray() {
    if (m_pWorldVertex) return m_pWorldVertex;
    m_usWorldVertexCapacity = GetDataVertexCount();
    // Zeroed: entries past the active vertices are never transformed but may still be read.
    m_pWorldVertex = new EnVector3[m_usWorldVertexCapacity]();
    m_bWorldVertexDirty = true;
    return m_pWorldVertex;
}

EnVector3* EnGeometry::CreateWorldNormalArray() {
    if (m_pWorldNormal) return m_pWorldNormal;
    m_usWorldNormalCapacity = GetDataVertexCount();
    m_pWorldNormal = new EnVector3[m_usWorldNormalCapacity]();
    m_bWorldNormalDirty = true;
    return m_pWorldNormal;
}

void EnGeometry::TransformWorldVertices(uint16_t usCount) {
    if (!m_pWorldVertex || !m_bWorldVertexDirty || !m_spModelData) return;
    const EnVector3* pVertex = m_spModelData->GetVertices();
    if (!pVertex) return;
    // Data edited behind the object's back may have grown past the world array.
    if (usCount > m_usWorldVertexCapacity) usCount = m_usWorldVertexCapacity;
    if (usCount > m_spModelData->GetVertexCount()) usCount = m_spModelData->GetVertexCount();
    EnTransformPoints(usCount, pVertex, m_pWorldVertex, m_worldRotate, m_worldScale,
                      m_worldTranslate);
    m_bWorldVertexDirty = false;
}

void EnGeometry::RotateWorldNormals(uint16_t usCount) {
    if (!m_pWorldNormal || !m_bWorldNormalDirty || !m_spModelData) return;
    const EnVector3* pNormal = m_spModelData->GetNormals();
    if (!pNormal) return;
    if (usCount > m_usWorldNormalCapacity) usCount = m_usWorldNormalCapacity;
    if (usCount > m_spModelData->GetVertexCount()) usCount = m_spModelData->GetVertexCount();
    EnRotateVectors(usCount, pNormal, m_pWorldNormal, m_worldRotate);
    m_bWorldNormalDirty = false;
}

void EnGeometry::UpdateWorldVertices() {
    TransformWorldVertices(GetDataActiveVertexCount());
}

void EnGeometry::UpdateWorldNormals() {
    RotateWorldNormals(GetDataActiveVertexCount());
}

void EnGeometry::DestroyWorldVertices() {
    delete[] m_pWorldVertex;
    m_pWorldVertex = nullptr;
    m_usWorldVertexCapacity = 0;
    m_bWorldVertexDirty = false;
}

void EnGeometry::DestroyWorldNormals() {
    delete[] m_pWorldNormal;
    m_pWorldNormal = nullptr;
    m_usWorldNormalCapacity = 0;
    m_bWorldNormalDirty = false;
}

void EnGeometry::UpdatePropertyState(EnPropertyState* pState) {
    m_spPropertyState = MergePropertyState(pState, true);
}

void EnGeometry::UpdateEffectState(EnDynamicEffectState* pState) {
    // Consecutive objects under the same effects share one state object.
    EnDynamicEffectState* pShared = EnDynamicEffectState::GetSharedState();
    if (pState && pShared && pShared != pState && pShared->Equals(pState)) {
        m_spEffectState = pShared;
        return;
    }
    m_spEffectState = pState;
    if (pState) EnDynamicEffectState::SetSharedState(pState);
}

void EnGeometry::PreDraw(EnCamera* pCamera) {
    EnAVObject::PreDraw(pCamera);
    EnRender* pRenderer = pCamera ? pCamera->GetRenderer() : nullptr;
    if (!pRenderer) return;
    if (m_spPropertyState) pRenderer->SetPropertyState(m_spPropertyState);
    pRenderer->SetEffectState(m_spEffectState);
}

void EnGeometry::ComputeWorldTransform() {
    EnAVObject::ComputeWorldTransform();
    m_bWorldVertexDirty = true;
    m_bWorldNormalDirty = true;
}

void EnGeometry::RefreshModelBound(uint16_t usCount) {
    EnBoundSphere& kBound = m_spModelData->GetBound();
    if (!kBound.GetFlag()) return;
    const EnVector3* pVertex = m_spModelData->GetVertices();
    if (usCount > m_spModelData->GetVertexCount()) usCount = m_spModelData->GetVertexCount();
    kBound.ComputeFromPoints(pVertex ? usCount : 0, pVertex);
}

void EnGeometry::ComputeWorldBound() {
    if (!m_spModelData) return;
    RefreshModelBound(m_spModelData->GetActiveVertexCount());
    m_worldBound.Transform(m_spModelData->GetBound(), m_worldRotate, m_worldTranslate,
                           m_worldScale);
}

EnVector3* EnGeometry::GetVertices() const {
    return m_spModelData ? m_spModelData->GetVertices() : nullptr;
}

EnVector3* EnGeometry::GetNormals() const {
    return m_spModelData ? m_spModelData->GetNormals() : nullptr;
}

EnColorRGBA* EnGeometry::GetColors() const {
    return m_spModelData ? m_spModelData->GetColors() : nullptr;
}

EnVector2* EnGeometry::GetTextureCoords() const {
    return m_spModelData ? m_spModelData->GetTextures() : nullptr;
}

void EnGeometry::SetGeometryData(EnGeometryData* pModelData) {
    if (!pModelData) return;
    // A data object of another kind would be read out of its bounds by this kind's accessors.
    if (!EN_VERIFY(pModelData->IsKindOf(GetDataType()))) return;
    const uint16_t usOldCount = GetDataVertexCount();
    m_spModelData = pModelData;
    if (pModelData->GetVertexCount() != usOldCount) {
        if (m_pWorldVertex) {
            DestroyWorldVertices();
            CreateWorldVertexArray();
        }
        if (m_pWorldNormal) {
            DestroyWorldNormals();
            CreateWorldNormalArray();
        }
    }
    UpdateWorldVertices();
    UpdateWorldNormals();
}

void EnGeometry::ComputeNormals() {
    if (m_spModelData) m_spModelData->ComputeNormals();
}
