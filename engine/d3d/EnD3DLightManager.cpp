#include "engine/d3d/EnD3DLightManager.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#include "engine/core/EnTextureModeProperty.h"
#include "engine/core/EnVertexColorProperty.h"
#include "engine/geometry/EnDirectionalLight.h"
#include "engine/geometry/EnDynamicEffectState.h"
#include "engine/geometry/EnLight.h"
#include "engine/geometry/EnPointLight.h"
#include "engine/geometry/EnSpotLight.h"

using namespace plat::gfx;

namespace {

constexpr float kPi = 3.14159265358979323846f;

Vector3 ToVector(const EnVector3& v) {
    return {v.x, v.y, v.z};
}

ColorValue Scaled(const EnColorRGB& kColor, float fDimmer) {
    return {fDimmer * kColor.r, fDimmer * kColor.g, fDimmer * kColor.b, 0.0f};
}

uint32_t AmbientByte(float f) {
    // Several ambient lights may add up past 1: the sum saturates at full intensity.
    const float fScaled = f * 255.0f;
    if (!(fScaled > 0.0f)) return 0;
    if (fScaled >= 255.0f) return 255;
    return uint32_t(fScaled);
}

}  // namespace

EnD3DLightManager::EnD3DLightManager(Device* pDevice) : m_spDevice(Ref<Device>::Share(pDevice)) {
    m_spDevice->SetRenderState(RenderState::Ambient, 0u);
    m_spDevice->SetRenderState(RenderState::Lighting, 0u);
    m_spDevice->SetRenderState(RenderState::EmissiveMaterialSource, MaterialSource::Material);
    m_spDevice->SetRenderState(RenderState::AmbientMaterialSource, MaterialSource::Material);
    m_spDevice->SetRenderState(RenderState::DiffuseMaterialSource, MaterialSource::Material);
}

EnD3DLightManager::~EnD3DLightManager() {
    for (EnTMapIterator pos = m_kRecords.GetFirstPos(); pos;) {
        uint32_t uiIndex;
        EnD3DLightRecord* pRecord;
        m_kRecords.GetNext(pos, uiIndex, pRecord);
        delete pRecord;
    }
    m_kRecords.RemoveAll();
}

bool EnD3DLightManager::FillLightRecord(EnD3DLightRecord& kRecord, const EnLight& kLight) {
    if (kRecord.m_bFilled && kRecord.m_uiRevision == kLight.GetRevision()) return false;
    kRecord.m_bFilled = true;
    kRecord.m_uiRevision = kLight.GetRevision();
    Light& kOut = kRecord.m_kLight;
    kOut = Light{};
    switch (kLight.GetEffectType()) {
        case EnDynamicEffect::DIRECTIONAL_LIGHT: {
            const auto& kDirectional = static_cast<const EnDirectionalLight&>(kLight);
            kOut.type = LightType::Directional;
            kOut.direction = ToVector(kDirectional.GetWorldDirection());
            break;
        }
        case EnDynamicEffect::POINT_LIGHT:
        case EnDynamicEffect::SPOT_LIGHT: {
            const auto& kPoint = static_cast<const EnPointLight&>(kLight);
            kOut.type = LightType::Point;
            kOut.position = ToVector(kPoint.GetWorldTranslate());
            kOut.attenuation0 = kPoint.GetConstantAttenuation();
            kOut.attenuation1 = kPoint.GetLinearAttenuation();
            kOut.attenuation2 = kPoint.GetQuadraticAttenuation();
            kOut.range = std::sqrt(std::numeric_limits<float>::max());
            if (kLight.GetEffectType() == EnDynamicEffect::SPOT_LIGHT) {
                const auto& kSpot = static_cast<const EnSpotLight&>(kLight);
                kOut.type = LightType::Spot;
                kOut.direction = ToVector(kSpot.GetWorldDirection());
                // The engine's angle is the cone's half angle in degrees.
                kOut.theta = kOut.phi = kSpot.GetSpotAngle() * kPi / 90.0f;
                kOut.falloff = kSpot.GetSpotExponent();
            }
            break;
        }
        default:
            break;
    }
    const float fDimmer = kLight.GetDimmer();
    kOut.diffuse = Scaled(kLight.GetDiffuseColor(), fDimmer);
    kOut.specular = Scaled(kLight.GetSpecularColor(), fDimmer);
    kOut.ambient = Scaled(kLight.GetAmbientColor(), fDimmer);
    return true;
}

void EnD3DLightManager::SetDeviceLighting(bool bOn) {
    if (m_bLighting == bOn) return;
    m_bLighting = bOn;
    m_spDevice->SetRenderState(RenderState::Lighting, bOn ? 1u : 0u);
}

void EnD3DLightManager::SetSourceMode(uint32_t uiMode) {
    if (m_uiSourceMode == uiMode) return;
    m_uiSourceMode = uiMode;
    m_spDevice->SetRenderState(RenderState::EmissiveMaterialSource, uiMode == SOURCE_EMISSIVE
                                                                        ? MaterialSource::Color1
                                                                        : MaterialSource::Material);
    const MaterialSource eAmbDiff =
        uiMode == SOURCE_AMB_DIFF ? MaterialSource::Color1 : MaterialSource::Material;
    m_spDevice->SetRenderState(RenderState::AmbientMaterialSource, eAmbDiff);
    m_spDevice->SetRenderState(RenderState::DiffuseMaterialSource, eAmbDiff);
}

void EnD3DLightManager::SetLighting(EnDynamicEffectState* pEffects, bool bHasTexture,
                                    const EnTextureModeProperty* pTextureMode,
                                    const EnVertexColorProperty* pVertexColor) {
    m_uiApplyMode = pTextureMode ? uint32_t(pTextureMode->GetApplyMode())
                                 : uint32_t(EnTextureModeProperty::APPLY_MODULATE);
    if (bHasTexture && m_uiApplyMode == EnTextureModeProperty::APPLY_REPLACE) {
        SetDeviceLighting(false);
        return;
    }

    const uint32_t uiSource = pVertexColor ? uint32_t(pVertexColor->GetSourceMode())
                                           : EnVertexColorProperty::SOURCE_IGNORE;
    const uint32_t uiLighting = pVertexColor ? uint32_t(pVertexColor->GetLightingMode())
                                             : EnVertexColorProperty::LIGHTING_E_A_D;
    bool bLighting = true;
    if (uiLighting == EnVertexColorProperty::LIGHTING_E) {
        m_bUseLights = false;
        if (uiSource == EnVertexColorProperty::SOURCE_EMISSIVE) {
            // Emissive vertex colours with no lights: the colours pass unlit.
            SetSourceMode(SOURCE_EMISSIVE);
            bLighting = false;
        } else {
            SetSourceMode(SOURCE_MATERIAL);
        }
    } else {
        m_bUseLights = true;
        SetSourceMode(uiSource == EnVertexColorProperty::SOURCE_EMISSIVE   ? SOURCE_EMISSIVE
                      : uiSource == EnVertexColorProperty::SOURCE_AMB_DIFF ? SOURCE_AMB_DIFF
                                                                           : SOURCE_MATERIAL);
    }
    SetDeviceLighting(bLighting);
    if (!bLighting) return;

    if (!m_bHaveLast || pEffects != m_spLastEffects || m_bUseLights != m_bLastUseLights) {
        RebuildLights(pEffects);
        m_spLastEffects = pEffects;
        m_bLastUseLights = m_bUseLights;
        m_bHaveLast = true;
    }
}

void EnD3DLightManager::RebuildLights(EnDynamicEffectState* pEffects) {
    while (!m_kEnabled.IsEmpty()) {
        EnLight* pLight = m_kEnabled.RemoveHead();
        m_spDevice->LightEnable(pLight->GetIndex(), false);
    }

    float afAmbient[3] = {0.0f, 0.0f, 0.0f};
    if (m_bUseLights && pEffects) {
        for (EnLight* pLight : pEffects->GetLights()) {
            if (!pLight || !pLight->GetSwitch() || pLight->GetDimmer() < MIN_DIMMER) continue;
            if (pLight->GetEffectType() == EnDynamicEffect::AMBIENT_LIGHT) {
                const EnColorRGB& kAmbient = pLight->GetAmbientColor();
                const float fDimmer = pLight->GetDimmer();
                afAmbient[0] += fDimmer * kAmbient.r;
                afAmbient[1] += fDimmer * kAmbient.g;
                afAmbient[2] += fDimmer * kAmbient.b;
                continue;
            }
            const uint32_t uiIndex = pLight->GetIndex();
            EnD3DLightRecord* pRecord = nullptr;
            if (!m_kRecords.GetAt(uiIndex, pRecord) || !pRecord) {
                pRecord = new EnD3DLightRecord;
                pRecord->m_uiIndex = uiIndex;
                m_kRecords.SetAt(uiIndex, pRecord);
            }
            if (FillLightRecord(*pRecord, *pLight))
                m_spDevice->SetLight(uiIndex, pRecord->m_kLight);
            m_spDevice->LightEnable(uiIndex, true);
            m_kEnabled.AddTail(pLight);
        }
    }

    const uint32_t uiAmbient = 0xff000000u | AmbientByte(afAmbient[0]) << 16 |
                               AmbientByte(afAmbient[1]) << 8 | AmbientByte(afAmbient[2]);
    if (uiAmbient != m_uiAmbient) {
        m_uiAmbient = uiAmbient;
        m_spDevice->SetRenderState(RenderState::Ambient, uiAmbient);
    }
}

void EnD3DLightManager::DisableAllLights() {
    while (!m_kEnabled.IsEmpty()) {
        EnLight* pLight = m_kEnabled.RemoveHead();
        m_spDevice->LightEnable(pLight->GetIndex(), false);
    }
    m_spLastEffects = nullptr;
    m_bHaveLast = false;
}

void EnD3DLightManager::RemoveLight(EnLight* pLight) {
    if (!pLight) return;
    const uint32_t uiIndex = pLight->GetIndex();
    EnD3DLightRecord* pRecord = nullptr;
    if (m_kRecords.GetAt(uiIndex, pRecord)) {
        m_kRecords.RemoveAt(uiIndex);
        delete pRecord;
    }
    m_spDevice->LightEnable(uiIndex, false);
    m_kEnabled.Remove(pLight);
}
