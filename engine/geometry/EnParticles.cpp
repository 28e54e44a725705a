#include "engine/geometry/EnParticles.h"

#include "engine/core/EnViewerStrings.h"
#include "engine/render/EnRender.h"

EN_IMPLEMENT_RTTI(EnParticles, EnTriBasedGeom);
EN_IMPLEMENT_STREAM(EnParticles);

EnParticles::EnParticles(uint16_t usCount, EnVector3* pVertex, EnVector3* pNormal,
                         EnColorRGBA* pColor)
    : EnTriBasedGeom(new EnParticlesData(usCount, pVertex, pNormal, pColor)) {}

const EnTypeRecord* EnParticles::GetDataType() const {
    return &EnParticlesData::ms_RTTI;
}

EnObject* EnParticles::CloneObject() {
    auto* pCopy = new EnParticles;
    CopyMembers(pCopy);
    return pCopy;
}

void EnParticles::AppendMemberStrings(EnTArray<char*>& kStrings) const {
    EnTriBasedGeom::AppendMemberStrings(kStrings);
    kStrings.Add(MakeViewerTitle("EnParticles"));
}

void EnParticles::UpdateWorldVertices() {
    TransformWorldVertices(GetActiveParticles());
}

void EnParticles::UpdateWorldNormals() {
    RotateWorldNormals(GetActiveParticles());
}

void EnParticles::DrawParticleData(EnCamera* pCamera, bool bOfferToAccumulator) {
    EnRender* pRenderer = BeginDraw(pCamera, bOfferToAccumulator);
    if (!pRenderer) return;
    EnParticlesData* pData = GetParticlesData();
    pRenderer->DrawParticles(pData, m_worldBound);
    AddStatistics(1, pData->GetActiveCount(), pData->GetActiveCount());
}

void EnParticles::Draw(EnCamera* pCamera) {
    DrawParticleData(pCamera, true);
}

bool EnParticles::FindIntersections(const EnVector3&, const EnVector3&, EnRayQuery&) {
    return false;
}

void EnParticles::ComputeWorldBound() {
    if (!m_spModelData) return;
    RefreshModelBound(GetActiveParticles());
    m_worldBound.Transform(m_spModelData->GetBound(), m_worldRotate, m_worldTranslate,
                           m_worldScale);
}

void EnParticles::GetTriangleModelPoints(uint16_t usTriangle, EnVector3*& pP0, EnVector3*& pP1,
                                         EnVector3*& pP2) const {
    ModelPointsOf(usTriangle, usTriangle, usTriangle, pP0, pP1, pP2);
}

void EnParticles::GetTriangleWorldPoints(uint16_t usTriangle, EnVector3*& pP0, EnVector3*& pP1,
                                         EnVector3*& pP2) const {
    WorldPointsOf(usTriangle, usTriangle, usTriangle, pP0, pP1, pP2);
}

void EnParticles::GetTriangleVertexIndices(uint16_t, uint16_t&, uint16_t&, uint16_t&) const {}
