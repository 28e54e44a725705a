#include "engine/geometry/EnTriShapeSkinController.h"

#include "engine/geometry/EnTriShape.h"

EN_IMPLEMENT_RTTI(EnTriShapeSkinController, EnSkinController);
EN_IMPLEMENT_STREAM(EnTriShapeSkinController);

EnTriShapeSkinController::~EnTriShapeSkinController() = default;

EnTriShape* EnTriShapeSkinController::GetShape() const {
    return EnDynamicCast(EnTriShape, static_cast<EnObject*>(m_pTarget));
}

bool EnTriShapeSkinController::IsTargetTypeValid() const {
    return GetShape() != nullptr;
}

uint16_t EnTriShapeSkinController::GetTargetVertexCount() const {
    EnTriShape* pShape = GetShape();
    EnGeometryData* pData = pShape ? pShape->GetGeometryData() : nullptr;
    return pData ? pData->GetVertexCount() : 0;
}

EnSkinController* EnTriShapeSkinController::CreateEmptyController() const {
    return new EnTriShapeSkinController;
}

void EnTriShapeSkinController::Update(float fTime) {
    if (!GetActive() || fTime == m_fLastTime) return;
    m_fLastTime = fTime;
    EnTriShape* pShape = GetShape();
    EnGeometryData* pData = pShape ? pShape->GetGeometryData() : nullptr;
    if (!pData) return;
    // Bounds need the target, which a freshly loaded controller may have met only now.
    ComputeBoneBounds();
    EnBoundSphere kBound = pData->GetBound();
    if (ComputeSkinBound(kBound)) pData->SetBound(kBound);
    m_bDeformPending = true;
}

void EnTriShapeSkinController::PreDraw() {
    if (!m_bDeformPending) return;
    EnTriShape* pShape = GetShape();
    EnGeometryData* pData = pShape ? pShape->GetGeometryData() : nullptr;
    if (!pData || !pData->GetVertices()) return;
    Deform(pData->GetVertices());
    if (GetRecomputeNormals() && pData->GetNormals()) pShape->ComputeNormals();
    pData->BumpRevision();
}

void EnTriShapeSkinController::OnNextInChain() {
    EnSkinController::OnNextInChain();
    m_bDeformPending = false;
}
