#include "engine/geometry/EnEnvMappedTriShape.h"

#include "engine/core/EnCamera.h"
#include "engine/core/EnViewerStrings.h"
#include "engine/render/EnRender.h"

EN_IMPLEMENT_RTTI(EnEnvMappedTriShape, EnTriShape);
EN_IMPLEMENT_STREAM(EnEnvMappedTriShape);

EnEnvMappedTriShape::EnEnvMappedTriShape() = default;

EnEnvMappedTriShape::EnEnvMappedTriShape(EnTriShapeData* pModelData) : EnTriShape(pModelData) {
    CreateWorldNormals();
}

EnEnvMappedTriShape::~EnEnvMappedTriShape() = default;

EnObject* EnEnvMappedTriShape::CloneObject() {
    auto* pCopy = new EnEnvMappedTriShape;
    CopyMembers(pCopy);
    pCopy->CreateWorldNormals();
    return pCopy;
}

void EnEnvMappedTriShape::LinkFromStream(EnStream& kStream) {
    EnTriShape::LinkFromStream(kStream);
    CreateWorldNormals();
}

void EnEnvMappedTriShape::AppendMemberStrings(EnTArray<char*>& kStrings) const {
    EnTriShape::AppendMemberStrings(kStrings);
    kStrings.Add(MakeViewerTitle("EnEnvMappedTriShape"));
}

void EnEnvMappedTriShape::ComputeEnvMapCoords(const EnVector3& kEye) {
    EnGeometryData* pData = GetGeometryData();
    if (!pData) return;
    EnVector3 kDir = kEye - m_worldBound.GetCenter();
    const float fLength = kDir.Length();
    kDir = fLength > 1e-6f ? kDir * (1.0f / fLength) : EnVector3::ZERO;

    if (!m_pWorldNormal) CreateWorldNormals();
    UpdateWorldNormals();
    EnVector2* pTexture = pData->GetTextureSet(0);
    if (!m_pWorldNormal || !pTexture) return;
    uint32_t uiCount = pData->GetVertexCount();
    if (uiCount > m_usWorldNormalCapacity) uiCount = m_usWorldNormalCapacity;
    for (uint32_t i = 0; i < uiCount; i++) {
        const EnVector3& kNormal = m_pWorldNormal[i];
        const EnVector3 kReflect = kDir - 2.0f * kDir.Dot(kNormal) * kNormal;
        // The reflection's x picks the front or back half of the map, z runs across it.
        const float fU =
            kReflect.x >= 0.0f ? (1.0f - kReflect.z) * 0.25f : (kReflect.z + 3.0f) * 0.25f;
        pTexture[i] = EnVector2(fU, (kReflect.y + 1.0f) * 0.5f);
    }
    pData->BumpRevision();
}

void EnEnvMappedTriShape::Draw(EnCamera* pCamera) {
    EnRender* pRenderer = pCamera ? pCamera->GetRenderer() : nullptr;
    EnTriShapeData* pData = GetShapeData();
    if (!pRenderer || !pData) return;
    if (pRenderer->DrawViaAccumulator(this)) return;
    ComputeEnvMapCoords(pCamera->GetWorldLocation());
    EnRender* pDrawing = BeginDraw(pCamera, false);
    if (!pDrawing) return;
    pDrawing->DrawTriShape(pData, m_worldBound);
    AddStatistics(1, pData->GetTriangleCount(), pData->GetVertexCount());
}
