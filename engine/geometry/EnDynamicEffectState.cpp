#include "engine/geometry/EnDynamicEffectState.h"

#include "engine/core/EnAssert.h"
#include "engine/geometry/EnLight.h"
#include "engine/geometry/EnTextureEffect.h"

namespace {

EnPointer<EnDynamicEffectState>& SharedState() {
    static EnPointer<EnDynamicEffectState> s_spShared;
    return s_spShared;
}

}  // namespace

int32_t EnDynamicEffectState::ReleaseReference() {
    const int32_t iRefCount = --m_iRefCount;
    EN_ASSERT(iRefCount >= 0);
    if (iRefCount == 0) delete this;
    return iRefCount;
}

template <class T>
void EnDynamicEffectState::SortedInsert(std::vector<T*>& kList, T* pEffect) {
    // Keys compare as signed values, so the order is the one every state of the program shares.
    const int32_t iKey = int32_t(pEffect->GetIndex());
    auto it = kList.begin();
    while (it != kList.end() && int32_t((*it)->GetIndex()) < iKey) ++it;
    if (it != kList.end() && int32_t((*it)->GetIndex()) == iKey) return;
    kList.insert(it, pEffect);
}

void EnDynamicEffectState::AddEffect(EnDynamicEffect* pEffect) {
    if (!pEffect) return;
    if (pEffect->IsLight()) {
        SortedInsert(m_kLights, static_cast<EnLight*>(pEffect));
        return;
    }
    auto* pTexture = EnDynamicCast(EnTextureEffect, pEffect);
    if (!pTexture) return;
    switch (pTexture->GetTextureMode()) {
        case EnTextureEffect::PROJECTED_LIGHT:
            SortedInsert(m_kProjLights, pTexture);
            break;
        case EnTextureEffect::PROJECTED_SHADOW:
            SortedInsert(m_kProjShadows, pTexture);
            break;
        case EnTextureEffect::ENVIRONMENT_MAP:
            m_pEnvMap = pTexture;
            break;
        case EnTextureEffect::FOG_MAP:
            m_pFogMap = pTexture;
            break;
        default:
            break;
    }
}

EnDynamicEffectState* EnDynamicEffectState::Copy() const {
    auto* pCopy = new EnDynamicEffectState;
    pCopy->m_kLights = m_kLights;
    pCopy->m_kProjLights = m_kProjLights;
    pCopy->m_kProjShadows = m_kProjShadows;
    pCopy->m_pEnvMap = m_pEnvMap;
    pCopy->m_pFogMap = m_pFogMap;
    return pCopy;
}

bool EnDynamicEffectState::Equals(const EnDynamicEffectState* pOther) const {
    if (!pOther) return false;
    return m_pEnvMap == pOther->m_pEnvMap && m_pFogMap == pOther->m_pFogMap &&
           m_kLights == pOther->m_kLights && m_kProjLights == pOther->m_kProjLights &&
           m_kProjShadows == pOther->m_kProjShadows;
}

EnDynamicEffectState* EnDynamicEffectState::GetSharedState() {
    return SharedState();
}

void EnDynamicEffectState::SetSharedState(EnDynamicEffectState* pState) {
    SharedState() = pState;
}

void EnDynamicEffectState::ClearSharedState() {
    SharedState() = nullptr;
}
