#include "engine/render/EnAlphaAccumulator.h"

#include "engine/core/EnAlphaProperty.h"
#include "engine/core/EnCamera.h"
#include "engine/core/EnPropertyState.h"
#include "engine/render/EnRender.h"

EN_IMPLEMENT_RTTI(EnAlphaAccumulator, EnClusterAccumulator);
EN_IMPLEMENT_STREAM(EnAlphaAccumulator);

EnObject* EnAlphaAccumulator::CloneObject() {
    EnAlphaAccumulator* pCopy = new EnAlphaAccumulator;
    pCopy->m_bObserveNoSortHint = m_bObserveNoSortHint;
    return pCopy;
}

bool EnAlphaAccumulator::CollectObject(EnGeometry* pGeometry) {
    // The object has just lent its states to the renderer, so the renderer's property state
    // is the one it will draw with.
    EnRender* pRenderer = m_pCamera ? m_pCamera->GetRenderer() : nullptr;
    EnPropertyState* pState = pRenderer ? pRenderer->GetPropertyState() : nullptr;
    const EnAlphaProperty* pAlpha = pState ? pState->GetAlpha() : nullptr;
    if (!pAlpha) return false;
    const uint16_t usFlags = pAlpha->GetFlags();
    if (!(usFlags & EnAlphaProperty::ALPHA_BLEND_MASK)) return false;
    if (m_bObserveNoSortHint && (usFlags & EnAlphaProperty::NO_SORTER_MASK)) return false;
    return QueueObject(pGeometry);
}
