// The texture pipeline at draw time: the textures of a draw become stage records, the records
// are packed into passes of one or two stages, and each pass sets the device's stages.
#include <algorithm>

#include "engine/core/EnPropertyState.h"
#include "engine/core/EnTextureModeProperty.h"
#include "engine/d3d/EnD3DRenderStateManager.h"
#include "engine/d3d/EnD3DTextureManager.h"
#include "engine/d3d/EnD3DTexturePipeline.h"
#include "engine/d3d/EnDDBufferImage.h"
#include "engine/geometry/EnMultiTextureProperty.h"
#include "engine/geometry/EnTextureProperty.h"

using namespace plat::gfx;

namespace {

using AM = EnTextureModeProperty;

constexpr uint32_t OP(TextureOp eOp) {
    return uint32_t(eOp);
}

uint32_t ValidClamp(uint32_t uiClamp) {
    return uiClamp < AM::CLAMP_MAX_MODES ? uiClamp : uint32_t(AM::WRAP_S_WRAP_T);
}

uint32_t ValidFilter(uint32_t uiFilter) {
    return uiFilter < AM::FILTER_MAX_MODES ? uiFilter : uint32_t(AM::FILTER_NEAREST);
}

bool IsBufferImage(const EnImage* pImage) {
    return pImage && pImage->GetTypeRecord() == &EnDDBufferImage::ms_RTTI;
}

}  // namespace

void EnD3DTexturePipeline::SendStage(uint32_t uiStage, StageState eState, uint32_t uiValue) {
    if (uiStage >= kMaxTextureStages) return;
    uint32_t* puiCache = m_aauiStageCache[uiStage];
    puiCache[uint32_t(eState)] = uiValue;
    // The device keeps the combined and the separate addressing states in step.
    if (eState == StageState::Address) {
        puiCache[uint32_t(StageState::AddressU)] = uiValue;
        puiCache[uint32_t(StageState::AddressV)] = uiValue;
    } else if (eState == StageState::AddressU) {
        puiCache[uint32_t(StageState::Address)] = uiValue;
    }
    m_spDevice->SetTextureStageState(uiStage, eState, uiValue);
}

void EnD3DTexturePipeline::SetStage(uint32_t uiStage, StageState eState, uint32_t uiValue) {
    if (uiStage >= kMaxTextureStages) return;
    if (m_aauiStageCache[uiStage][uint32_t(eState)] != uiValue) SendStage(uiStage, eState, uiValue);
}

void EnD3DTexturePipeline::SetStageTexture(uint32_t uiStage, Surface* pSurface, bool bChanged) {
    if (uiStage >= 2) {
        m_spDevice->SetTexture(uiStage, pSurface);
        return;
    }
    if (!bChanged && pSurface == m_apStageSurface[uiStage]) return;
    m_spDevice->SetTexture(uiStage, pSurface);
    m_apStageSurface[uiStage] = pSurface;
}

void EnD3DTexturePipeline::SetStageOperations(uint32_t uiStage, uint32_t uiApply, bool bTexture,
                                              bool bVertexColor) {
    uint32_t uiColor, uiAlpha;
    if (!bTexture) {
        // The vertex colour alone (argument 2 of stage 0).
        uiColor = uiAlpha = OP(TextureOp::SelectArg2);
    } else if (bVertexColor) {
        uiColor = m_aauiStage0Op[uiApply % APPLY_MODES][0];
        uiAlpha = m_aauiStage0Op[uiApply % APPLY_MODES][1];
    } else {
        uiColor = uiAlpha = OP(TextureOp::SelectArg1);
    }
    SetStage(uiStage, StageState::ColorOp, uiColor);
    SetStage(uiStage, StageState::AlphaOp, uiAlpha);
}

void EnD3DTexturePipeline::DisableStage(uint32_t uiStage) {
    SetStage(uiStage, StageState::ColorOp, OP(TextureOp::Disable));
    SetStage(uiStage, StageState::AlphaOp, OP(TextureOp::Disable));
}

void EnD3DTexturePipeline::SetCoordinates(uint32_t uiStage, const EnD3DStageRecord& kRecord) {
    if (kRecord.GeneratesCoordinates()) {
        m_spDevice->SetTransform(TextureTransformState(uiStage), kRecord.m_kTransform);
        SetStage(uiStage, StageState::TextureTransformFlags,
                 kRecord.m_bProjected ? m_uiProjectedFlags : TextureTransform::Count2);
    } else {
        SetStage(uiStage, StageState::TextureTransformFlags, TextureTransform::Disable);
    }
    SetStage(uiStage, StageState::TexCoordIndex, kRecord.m_uiTexCoord);
}

void EnD3DTexturePipeline::SetFilter(uint32_t uiStage, uint32_t uiFilter, bool bMipmapped,
                                     bool bTrilinear) {
    uiFilter = ValidFilter(uiFilter);
    if (!bMipmapped) {
        if (uiFilter == AM::FILTER_NEAREST_MIPNEAREST || uiFilter == AM::FILTER_NEAREST_MIPLERP)
            uiFilter = AM::FILTER_NEAREST;
        else if (uiFilter == AM::FILTER_TRILERP || uiFilter == AM::FILTER_BILERP_MIPNEAREST)
            uiFilter = AM::FILTER_BILERP;
    } else if (!bTrilinear) {
        if (uiFilter == AM::FILTER_TRILERP)
            uiFilter = AM::FILTER_BILERP_MIPNEAREST;
        else if (uiFilter == AM::FILTER_NEAREST_MIPLERP)
            uiFilter = AM::FILTER_NEAREST_MIPNEAREST;
    }
    SetStage(uiStage, StageState::MagFilter, m_aauiFilter[uiFilter][FILTER_MAG]);
    SetStage(uiStage, StageState::MinFilter, m_aauiFilter[uiFilter][FILTER_MIN]);
    SetStage(uiStage, StageState::MipFilter, m_aauiFilter[uiFilter][FILTER_MIP]);
}

void EnD3DTexturePipeline::SetAddressing(uint32_t uiStage, const EnD3DStageRecord& kRecord) {
    if (m_uiFlags & FLAG_INDEPENDENT_UV) {
        SetStage(uiStage, StageState::AddressU, kRecord.m_uiAddressU);
        SetStage(uiStage, StageState::AddressV, kRecord.m_uiAddressV);
    } else {
        SetStage(uiStage, StageState::Address, kRecord.m_uiAddressU);
    }
}

EnD3DStageRecord* EnD3DTexturePipeline::MakeStage(EnImage* pImage, uint32_t uiClamp,
                                                  uint32_t uiFilter, uint32_t uiKind,
                                                  uint32_t uiTexCoord, const EnObject* pSource) {
    if (!pImage || m_uiStageCount >= MAX_RECORDS || !m_pTextures) return nullptr;
    const uint32_t uiFormat = m_pTextures->GetImageFormatIndex(pImage);
    if (uiFormat >= EnD3DTextureManager::FORMAT_NONE) return nullptr;
    EnD3DStageRecord& kRecord = m_akStage[m_uiStageCount++];
    kRecord = EnD3DStageRecord();
    kRecord.m_spImage = pImage;
    kRecord.m_uiFormat = uiFormat;
    kRecord.m_uiFilter = ValidFilter(uiFilter);
    kRecord.m_uiAddressU = m_aauiAddress[ValidClamp(uiClamp)][0];
    kRecord.m_uiAddressV = m_aauiAddress[ValidClamp(uiClamp)][1];
    kRecord.m_uiKind = uiKind;
    kRecord.m_uiTexCoord = uiTexCoord;
    kRecord.m_pSource = pSource;
    kRecord.m_bProjected = false;
    kRecord.m_bVertexColor = false;
    return &kRecord;
}

bool EnD3DTexturePipeline::IsClipRecord(const EnD3DStageRecord* pRecord) const {
    return (pRecord >= m_akLightClip && pRecord < m_akLightClip + MAX_RECORDS) ||
           (pRecord >= m_akShadowClip && pRecord < m_akShadowClip + MAX_RECORDS);
}

bool EnD3DTexturePipeline::CanPair(const EnD3DStageRecord& kA, const EnD3DStageRecord& kB) const {
    // Surfaces the frame buffers own live in one memory, which a device with separate texture
    // memories cannot put on both stages.
    if ((m_uiFlags & FLAG_SEPARATE_MEMORIES) &&
        (IsBufferImage(kA.m_spImage) || IsBufferImage(kB.m_spImage)))
        return false;
    if (!(m_uiFlags & FLAG_PAIR_ADDRESSING) &&
        (kA.m_uiAddressU != kB.m_uiAddressU || kA.m_uiAddressV != kB.m_uiAddressV))
        return false;
    return (GetMultitextureEntry(kB.m_uiKind, kA.m_uiFormat, kB.m_uiFormat) & TABLE_SINGLE_PASS) !=
           0;
}

void EnD3DTexturePipeline::ClearPasses() {
    std::fill(std::begin(m_apPass), std::end(m_apPass), nullptr);
    std::fill(std::begin(m_aucPassStages), std::end(m_aucPassStages), 0);
    m_uiPassRecords = m_uiPassCount = m_uiNextRecord = m_uiNextPass = 0;
    m_bClippedEffectPass = false;
}

void EnD3DTexturePipeline::AddPass(EnD3DStageRecord* pA, EnD3DStageRecord* pB) {
    const uint32_t uiRecords = pB ? 2 : 1;
    if (m_uiPassRecords + uiRecords > m_uiMaxRecords || m_uiPassCount >= MAX_RECORDS) return;
    m_apPass[m_uiPassRecords++] = pA;
    if (pB) m_apPass[m_uiPassRecords++] = pB;
    m_aucPassStages[m_uiPassCount++] = uint8_t(uiRecords);
    if (IsClipRecord(pA) || IsClipRecord(pB)) m_bClippedEffectPass = true;
}

uint32_t EnD3DTexturePipeline::AddPair(EnD3DStageRecord* pA, EnD3DStageRecord* pB, bool bTogether) {
    const uint32_t uiRoom = m_uiMaxRecords > m_uiPassRecords ? m_uiMaxRecords - m_uiPassRecords : 0;
    if (uiRoom == 0) return 0;
    if (!pB) {
        if (!pA) return 0;
        AddPass(pA);
        return 1;
    }
    if (!pA) {
        if (bTogether) return 0;
        AddPass(pB);
        return 2;
    }
    if (uiRoom >= 2) {
        if (CanPair(*pA, *pB)) {
            AddPass(pA, pB);
            return 3;
        }
        AddPass(pA);
        if (bTogether) return 1;
        AddPass(pB);
        return 3;
    }
    AddPass(pA);
    return 1;
}

uint32_t EnD3DTexturePipeline::AddEffectPair(EnD3DStageRecord* pA, EnD3DStageRecord* pB) {
    const uint32_t uiRoom = m_uiMaxRecords > m_uiPassRecords ? m_uiMaxRecords - m_uiPassRecords : 0;
    if (uiRoom == 0) return 0;
    if (uiRoom == 1) {
        AddPass(pA);
        return 1;
    }
    if (CanPair(*pA, *pB)) {
        AddPass(pA, pB);
    } else {
        AddPass(pA);
        AddPass(pB);
    }
    return 2;
}

bool EnD3DTexturePipeline::BuildPasses(EnPropertyState* pState, EnDynamicEffectState* pEffects,
                                       bool bHasNormals, uint32_t uiTextureSets) {
    SetEffectState(pEffects);
    m_uiStageCount = 0;
    ClearPasses();
    m_uiMaxRecords = MAX_RECORDS;

    const EnTextureModeProperty* pMode = pState ? pState->GetTextureMode() : nullptr;
    const EnTextureProperty* pTexture = pState ? pState->GetTexture() : nullptr;
    EnMultiTextureProperty* pMulti = pState ? pState->GetMultiTexture() : nullptr;
    m_uiApplyMode = pMode ? uint32_t(pMode->GetApplyMode()) : uint32_t(AM::APPLY_MODULATE);
    if (m_uiApplyMode >= APPLY_MODES) m_uiApplyMode = AM::APPLY_MODULATE;
    const uint32_t uiFilter = pMode ? uint32_t(pMode->GetFilterMode()) : 0;
    const uint32_t uiClamp = pMode ? uint32_t(pMode->GetClampMode()) : uint32_t(AM::WRAP_S_WRAP_T);
    const bool bVertexColor = m_uiApplyMode != AM::APPLY_REPLACE;
    EnD3DStageRecord* pBase = MakeStage(pTexture ? pTexture->GetImage() : nullptr, uiClamp,
                                        uiFilter, EnD3DStageRecord::KIND_MODULATE, 0, pTexture);
    m_kEmpty.m_bVertexColor = true;

    const uint32_t uiLights = m_uiLights + m_uiClippedLights;
    const bool bEffects = m_uiEffectRecords > 0;
    const bool bMaps = pMulti && pMulti != GetDefaultMultiTextureProperty().Get();
    if (!bEffects && !bMaps) {
        if (pBase) {
            pBase->m_bVertexColor = bVertexColor;
            AddPass(pBase);
        } else {
            AddPass(&m_kEmpty);
        }
        m_uiNextRecord = m_uiNextPass = 0;
        return false;
    }

    EnD3DStageRecord* apMap[EnMultiTextureProperty::ROLE_SLOTS - 1] = {};
    const uint32_t auiKind[4] = {EnD3DStageRecord::KIND_MODULATE, EnD3DStageRecord::KIND_MODULATE2X,
                                 EnD3DStageRecord::KIND_MODULATE, EnD3DStageRecord::KIND_ADD};
    if (bMaps && uiTextureSets > 0) {
        for (uint32_t uiRole = 0; uiRole < 4; uiRole++) {
            const EnMultiTextureProperty::Map* pMap = pMulti->GetMap(uiRole);
            if (!pMap) continue;
            apMap[uiRole] =
                MakeStage(pMap->m_spImage, pMap->m_eClamp, pMap->m_eFilter, auiKind[uiRole],
                          std::min(pMap->m_uiTexCoord, uiTextureSets - 1), pMulti);
        }
    }
    EnD3DStageRecord* pDark = apMap[EnMultiTextureProperty::DARK_MAP];
    EnD3DStageRecord* pDetail = apMap[EnMultiTextureProperty::DETAIL_MAP];
    EnD3DStageRecord* pGloss = apMap[EnMultiTextureProperty::GLOSS_MAP];
    EnD3DStageRecord* pGlow = apMap[EnMultiTextureProperty::GLOW_MAP];

    // The base texture and its detail; the draw's vertex colour goes with the base.
    auto addBaseWithDetail = [&] {
        if (AddPair(pBase, pDetail, true) == 0)
            AddPass(&m_kEmpty);
        else if (pBase)
            pBase->m_bVertexColor = bVertexColor;
    };
    if (uiLights == 0) {
        if (pDetail) {
            if (pDark) AddPass(pDark);
            addBaseWithDetail();
        } else {
            switch (AddPair(pBase, pDark, false)) {
                case 0:
                    AddPass(&m_kEmpty);
                    break;
                case 2:
                    pDark->m_bVertexColor = bVertexColor;
                    break;
                default:
                    pBase->m_bVertexColor = bVertexColor;
                    break;
            }
        }
    } else {
        // Projected lights accumulate with the dark map first; the base multiplies them later.
        m_uiMaxRecords = MAX_RECORDS - 1;
        if (pDark) pDark->m_uiKind = EnD3DStageRecord::KIND_ADD;
        if (m_uiLights > 0) {
            uint32_t i = 0;
            if (pDark) {
                AddPair(pDark, &m_akLight[0], false);
                i = 1;
            }
            for (; i < m_uiLights; i += 2) {
                if (i + 1 < m_uiLights)
                    AddEffectPair(&m_akLight[i], &m_akLight[i + 1]);
                else
                    AddPass(&m_akLight[i]);
            }
        } else if (pDark) {
            AddPass(pDark);
        }
        for (uint32_t i = 0; i < m_uiClippedLights; i++)
            AddPair(&m_akClippedLight[i], &m_akLightClip[i], true);
        m_uiMaxRecords = MAX_RECORDS;
        addBaseWithDetail();
    }

    if (bMaps && uiTextureSets > 0) {
        for (uint32_t uiSlot = EnMultiTextureProperty::DECAL_MAP; uiSlot < pMulti->GetSlotCount();
             uiSlot++) {
            const EnMultiTextureProperty::Map* pMap = pMulti->GetMap(uiSlot);
            if (!pMap || m_uiPassRecords >= m_uiMaxRecords) continue;
            EnD3DStageRecord* pDecal = MakeStage(
                pMap->m_spImage, pMap->m_eClamp, pMap->m_eFilter, EnD3DStageRecord::KIND_DECAL,
                std::min(pMap->m_uiTexCoord, uiTextureSets - 1), pMulti);
            if (!pDecal) continue;
            pDecal->m_bVertexColor = bVertexColor;
            AddPass(pDecal);
        }
    }

    for (uint32_t i = 0; i < m_uiShadows; i += 2) {
        if (i + 1 < m_uiShadows)
            AddEffectPair(&m_akShadow[i], &m_akShadow[i + 1]);
        else
            AddPass(&m_akShadow[i]);
    }
    for (uint32_t i = 0; i < m_uiClippedShadows; i++)
        AddPair(&m_akClippedShadow[i], &m_akShadowClip[i], true);

    if (!m_bEnvironment || !bHasNormals) {
        if (pGlow) AddPass(pGlow);
    } else if (pGloss) {
        AddPair(&m_kEnvironment, pGloss, true);
        if (pGlow) AddPass(pGlow);
    } else if (!pGlow) {
        AddPass(&m_kEnvironment);
    } else {
        AddPair(pGlow, &m_kEnvironment, true);
    }
    if (m_bFog) AddPass(&m_kFog);

    if (m_uiPassRecords == 0) AddPass(&m_kEmpty);
    m_uiNextRecord = m_uiNextPass = 0;
    return m_uiPassCount > 1 && !m_bClippedEffectPass;
}

bool EnD3DTexturePipeline::ApplyNextPass() {
    if (m_uiNextPass >= m_uiPassCount) {
        // Nothing planned (no BuildPasses yet): the vertex colour alone.
        SetStageTexture(0, nullptr, false);
        m_aspStageImage[0] = nullptr;
        SetStageOperations(0, m_uiApplyMode, false, true);
        DisableStage(1);
        return false;
    }
    const uint32_t uiPass = m_uiNextPass;
    EnD3DStageRecord& kFirst = *m_apPass[m_uiNextRecord];
    const bool bFirstPass = uiPass == 0;
    const bool bVertexLast = (m_uiFlags & FLAG_VERTEX_LAST) != 0;
    Surface* pSurface = nullptr;
    bool bChanged = false, bMipmapped = false;

    if (m_aucPassStages[uiPass] == 1) {
        if (m_aauiStageCache[1][uint32_t(StageState::ColorOp)] != OP(TextureOp::Disable)) {
            DisableStage(1);
            DisableStage(2);
            SetStageTexture(1, nullptr, false);
            m_aspStageImage[1] = nullptr;
        }
        if (!bFirstPass && m_pRenderStates)
            m_pRenderStates->ApplyAlphaProperty(m_aspBlend[kFirst.m_uiKind & 3]);
        const bool bTexture =
            m_pTextures && m_pTextures->GetTexture(-1, kFirst.m_spImage, m_aspStageImage[0],
                                                   pSurface, bChanged, bMipmapped);
        if (bTexture) {
            SetStageTexture(0, pSurface, bChanged);
            SetCoordinates(0, kFirst);
            SetFilter(0, kFirst.m_uiFilter, bMipmapped, true);
            SetAddressing(0, kFirst);
        } else {
            SetStageTexture(0, nullptr, bChanged);
            m_aspStageImage[0] = nullptr;
        }
        SetStageOperations(0, m_uiApplyMode, bTexture, kFirst.m_bVertexColor);
        m_uiNextRecord += 1;
    } else {
        EnD3DStageRecord& kSecond = *m_apPass[m_uiNextRecord + 1];
        if (!bFirstPass && m_pRenderStates)
            m_pRenderStates->ApplyAlphaProperty(m_aspBlend[kFirst.m_uiKind & 3]);
        const bool bVertexColor = kFirst.m_bVertexColor || kSecond.m_bVertexColor;
        const bool bTrilinear = (m_uiFlags & FLAG_PAIR_TRILINEAR) != 0;

        const bool bTexture0 =
            m_pTextures && m_pTextures->GetTexture(0, kFirst.m_spImage, m_aspStageImage[0],
                                                   pSurface, bChanged, bMipmapped);
        SetStageTexture(0, bTexture0 ? pSurface : nullptr, bChanged);
        if (bTexture0) {
            SetCoordinates(0, kFirst);
            SetFilter(0, kFirst.m_uiFilter, bMipmapped, bTrilinear);
            SetAddressing(0, kFirst);
        } else {
            m_aspStageImage[0] = nullptr;
        }

        const bool bTexture1 =
            m_pTextures && m_pTextures->GetTexture(1, kSecond.m_spImage, m_aspStageImage[1],
                                                   pSurface, bChanged, bMipmapped);
        SetStageTexture(1, bTexture1 ? pSurface : nullptr, bChanged);
        if (bTexture1) {
            if (m_aauiStageCache[1][uint32_t(StageState::ColorOp)] == OP(TextureOp::Disable))
                SetStage(1, StageState::AlphaOp, OP(TextureOp::SelectArg2));
            SetStage(1, StageState::ColorOp, m_auiStage1Op[kSecond.m_uiKind & 3]);
            SetCoordinates(1, kSecond);
            SetAddressing(1, kSecond);
            SetFilter(1,
                      (m_uiFlags & FLAG_STAGE1_TRILINEAR) ? kSecond.m_uiFilter : kFirst.m_uiFilter,
                      bMipmapped, bTrilinear);
        } else {
            // A second texture that cannot be had leaves the pass to its first one, rather
            // than combining a texture the stage does not hold.
            DisableStage(1);
            m_aspStageImage[1] = nullptr;
        }

        if (bVertexLast && bTexture1) {
            SetStageOperations(0, AM::APPLY_REPLACE, bTexture0, true);
            if (bVertexColor)
                SetStageOperations(2, m_uiApplyMode, true, true);
            else
                SetStageOperations(2, m_uiApplyMode, true, false);
        } else {
            SetStageOperations(0, m_uiApplyMode, bTexture0, bVertexColor);
        }
        m_uiNextRecord += 2;
    }
    m_uiNextPass++;
    return m_uiNextPass < m_uiPassCount;
}
