#include "engine/geometry/EnAutoNormalParticles.h"

#include <algorithm>

#include "engine/core/EnCamera.h"
#include "engine/core/EnViewerStrings.h"
#include "engine/render/EnRender.h"

EN_IMPLEMENT_RTTI(EnAutoNormalParticles, EnParticles);
EN_IMPLEMENT_STREAM(EnAutoNormalParticles);

EnObject* EnAutoNormalParticles::CloneObject() {
    auto* pCopy = new EnAutoNormalParticles;
    CopyMembers(pCopy);
    return pCopy;
}

void EnAutoNormalParticles::AppendMemberStrings(EnTArray<char*>& kStrings) const {
    EnParticles::AppendMemberStrings(kStrings);
    kStrings.Add(MakeViewerTitle("EnAutoNormalParticles"));
}

void EnAutoNormalParticles::Draw(EnCamera* pCamera) {
    EnRender* pRenderer = pCamera ? pCamera->GetRenderer() : nullptr;
    EnParticlesData* pData = GetParticlesData();
    if (!pRenderer || !pData) return;
    if (pRenderer->DrawViaAccumulator(this)) return;
    pData->CreateNormals(false);
    const EnVector3 kFacing = -pCamera->GetWorldDirection();
    const uint16_t usActive = std::min(pData->GetActiveCount(), pData->GetVertexCount());
    std::fill_n(pData->GetNormals(), usActive, kFacing);
    DrawParticleData(pCamera, false);
}
