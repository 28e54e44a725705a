#include "engine/render/EnRender.h"

#include "engine/core/EnCamera.h"
#include "engine/core/EnDrawRecord.h"
#include "engine/core/EnPropertyState.h"
#include "engine/core/EnTimeController.h"
#include "engine/core/EnViewerStrings.h"
#include "engine/geometry/EnDynamicEffectState.h"
#include "engine/geometry/EnGeometry.h"
#include "engine/geometry/EnImage.h"

EN_IMPLEMENT_RTTI(EnRender, EnObject);
EN_IMPLEMENT_ABSTRACT_STREAM(EnRender);

namespace {

bool OfferImage(EnRender* pRenderer, EnImage* pImage) {
    return pRenderer->OnImageCreated(pImage);
}

// Images live in the geometry library, below this one, and reach the renderers through it.
[[maybe_unused]] const bool s_bImageOfferInstalled = [] {
    EnImage::ms_pfnOfferImage = &OfferImage;
    return true;
}();

}  // namespace

EnTList<EnRender*>& EnRender::LiveRenderers() {
    // Two nodes per block: a program has one or two renderers. Function-local so that images
    // and lights made during start-up can broadcast before this unit's statics exist.
    static EnTList<EnRender*> s_kRenderers(2);
    return s_kRenderers;
}

EnRender::EnRender() {
    LiveRenderers().AddTail(this);
}

EnRender::~EnRender() {
    EnImage::RemoveRenderer(this);
    LiveRenderers().Remove(this);
    m_spEffectState = nullptr;
    m_spPropertyState = nullptr;
    m_spAccumulator = nullptr;
}

void EnRender::AppendMemberStrings(EnTArray<char*>& kStrings) const {
    EnObject::AppendMemberStrings(kStrings);
    kStrings.Add(MakeViewerTitle("EnRender"));
}

uint32_t EnRender::QueryUnsupportedFeatures(EnPropertyState*, EnDynamicEffectState*) {
    return UNSUPPORTED_UNKNOWN;
}

void EnRender::SetStencilClear(uint32_t) {}

float EnRender::GetMaxFogValue() {
    return 1.0f;
}

void EnRender::SetMaxFogValue(float) {}

bool EnRender::GetTextureMemory(uint32_t&, uint32_t&) {
    return false;
}

bool EnRender::GetTextureStatistics(uint32_t&, uint32_t&, uint32_t, uint32_t&, uint32_t&) {
    return false;
}

uint32_t EnRender::GetTextureManagerValue() {
    return 0;
}

bool EnRender::PrepareImageSurface(EnImage*) {
    return true;
}

bool EnRender::OnImageCreated(EnImage*) {
    return true;
}

uint32_t EnRender::OpenScene(EnCamera*) {
    return 0;
}

void EnRender::CloseScene() {}

void EnRender::OnDynamicEffectDestroyed(EnDynamicEffect*) {}

void EnRender::OnGeometryDataDestroyed(EnGeometryData*) {}

void EnRender::SetPropertyState(EnPropertyState* pState) {
    m_spPropertyState = pState;
}

void EnRender::SetEffectState(EnDynamicEffectState* pState) {
    m_spEffectState = pState;
}

void EnRender::BeginCameraDraw(EnCamera& kCamera, EnDrawRecord& kRecord) {
    EnGeometry* pGeometry = kRecord.m_pGeometry;
    if (!pGeometry) return;

    // Held across the draw so that whatever the draw does to the fields, the renderer ends
    // with exactly what it had.
    EnPointer<EnAccumulator> spAccumulator = m_spAccumulator;
    m_spAccumulator = nullptr;
    EnPointer<EnDynamicEffectState> spEffectState = m_spEffectState;
    m_spEffectState = pGeometry->GetEffectState();
    EnPointer<EnPropertyState> spPropertyState = m_spPropertyState;
    m_spPropertyState = pGeometry->GetPropertyState();

    if (EnTimeController* pController = pGeometry->GetFirstController()) pController->PreDraw();
    pGeometry->Draw(&kCamera);

    m_spPropertyState = spPropertyState;
    m_spEffectState = spEffectState;
    m_spAccumulator = spAccumulator;
}

void EnRender::BroadcastEffectDestroyed(EnDynamicEffect* pEffect) {
    EnTList<EnRender*>& kList = LiveRenderers();
    for (EnTListIterator pos = kList.GetHeadPos(); pos;) {
        EnRender* pRenderer = kList.GetNext(pos);
        if (!pRenderer) break;
        pRenderer->OnDynamicEffectDestroyed(pEffect);
    }
}

void EnRender::BroadcastDataDestroyed(EnGeometryData* pData) {
    EnTList<EnRender*>& kList = LiveRenderers();
    for (EnTListIterator pos = kList.GetHeadPos(); pos;) {
        EnRender* pRenderer = kList.GetNext(pos);
        if (!pRenderer) break;
        pRenderer->OnGeometryDataDestroyed(pData);
    }
}

uint32_t EnRender::GetLiveRendererCount() {
    return LiveRenderers().GetCount();
}
