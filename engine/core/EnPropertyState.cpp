#include "engine/core/EnPropertyState.h"

#include <atomic>

#include "engine/core/EnAlphaProperty.h"
#include "engine/core/EnAssert.h"
#include "engine/core/EnCorrectionProperty.h"
#include "engine/core/EnDitherProperty.h"
#include "engine/core/EnFogProperty.h"
#include "engine/core/EnMaterialProperty.h"
#include "engine/core/EnShadeProperty.h"
#include "engine/core/EnSpecularProperty.h"
#include "engine/core/EnStencilProperty.h"
#include "engine/core/EnTextureModeProperty.h"
#include "engine/core/EnTransparentProperty.h"
#include "engine/core/EnVertexColorProperty.h"
#include "engine/core/EnWireframeProperty.h"
#include "engine/core/EnZBufferProperty.h"

namespace {
std::atomic<uint32_t> s_uiLiveStates{0};
}  // namespace

EnPropertyState::EnPropertyState() {
    s_uiLiveStates.fetch_add(1, std::memory_order_relaxed);
    FillWithDefaults();
}

EnPropertyState::EnPropertyState(const EnPropertyState& kOther) {
    s_uiLiveStates.fetch_add(1, std::memory_order_relaxed);
    for (int32_t i = 0; i < EnProperty::MAX_TYPES; i++) m_aspProperty[i] = kOther.m_aspProperty[i];
}

EnPropertyState::~EnPropertyState() {
    s_uiLiveStates.fetch_sub(1, std::memory_order_relaxed);
}

int32_t EnPropertyState::ReleaseReference() {
    int32_t iRefCount = --m_iRefCount;
    EN_ASSERT(iRefCount >= 0);
    if (iRefCount == 0) delete this;
    return iRefCount;
}

uint32_t EnPropertyState::GetLiveCount() {
    return s_uiLiveStates.load(std::memory_order_relaxed);
}

void EnPropertyState::FillWithDefaults() {
    for (int32_t i = 0; i < EnProperty::MAX_TYPES; i++)
        m_aspProperty[i] = EnProperty::GetDefault(i);
}

void EnPropertyState::SetProperty(EnProperty* pProperty) {
    if (!pProperty) return;
    int32_t iType = pProperty->GetPropertyType();
    if (iType < 0 || iType >= EnProperty::MAX_TYPES) return;
    m_aspProperty[iType] = pProperty;
}

EnAlphaProperty* EnPropertyState::GetAlpha() const {
    return Get<EnAlphaProperty>();
}
EnCorrectionProperty* EnPropertyState::GetCorrection() const {
    return Get<EnCorrectionProperty>();
}
EnFogProperty* EnPropertyState::GetFog() const {
    return Get<EnFogProperty>();
}
EnMaterialProperty* EnPropertyState::GetMaterial() const {
    return Get<EnMaterialProperty>();
}
EnShadeProperty* EnPropertyState::GetShade() const {
    return Get<EnShadeProperty>();
}
EnTextureModeProperty* EnPropertyState::GetTextureMode() const {
    return Get<EnTextureModeProperty>();
}
EnTransparentProperty* EnPropertyState::GetTransparent() const {
    return Get<EnTransparentProperty>();
}
EnWireframeProperty* EnPropertyState::GetWireframe() const {
    return Get<EnWireframeProperty>();
}
EnZBufferProperty* EnPropertyState::GetZBuffer() const {
    return Get<EnZBufferProperty>();
}
EnDitherProperty* EnPropertyState::GetDither() const {
    return Get<EnDitherProperty>();
}
EnVertexColorProperty* EnPropertyState::GetVertexColor() const {
    return Get<EnVertexColorProperty>();
}
EnSpecularProperty* EnPropertyState::GetSpecular() const {
    return Get<EnSpecularProperty>();
}
EnStencilProperty* EnPropertyState::GetStencil() const {
    return Get<EnStencilProperty>();
}

EnMaterialProperty* EnPropertyState::GetMaterialProperty() const {
    EnMaterialProperty* pMaterial = GetMaterial();
    if (pMaterial && pMaterial->GetChanged()) {
        pMaterial->SetChanged(false);
        pMaterial->SetRevision(pMaterial->GetRevision() + 1);
    }
    return pMaterial;
}
