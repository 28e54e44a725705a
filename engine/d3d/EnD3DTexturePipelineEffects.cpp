// The texture pipeline's texture effects and stage defaults: the camera frame, the coordinate
// generators of projected and environment textures, the effect records and their clipping
// planes, the stage defaults, the unsupported-feature check and transformed vertices for
// drawing with more generated coordinates than the device has stages for.
#include <algorithm>

#include "engine/core/EnFogProperty.h"
#include "engine/core/EnPropertyState.h"
#include "engine/d3d/EnD3DTextureManager.h"
#include "engine/d3d/EnD3DTexturePipeline.h"
#include "engine/d3d/EnD3DVertexBufferPool.h"
#include "engine/geometry/EnDynamicEffectState.h"
#include "engine/geometry/EnMultiTextureProperty.h"
#include "engine/geometry/EnTextureEffect.h"
#include "platform/gfx/VertexFormat.h"

using namespace plat::gfx;

namespace {

constexpr uint32_t OP(TextureOp eOp) {
    return uint32_t(eOp);
}

}  // namespace

void EnD3DTexturePipeline::SetCameraMatrix(const EnVector3& kA, const EnVector3& kB,
                                           const EnVector3& kC, float fX, float fY, float fZ) {
    m_kCameraRotate.SetColumns(kC, kB, kA);
    m_kCameraTranslate = EnVector3(fX, fY, fZ);
    // Generated coordinates are made for one camera: a new one needs them made again.
    ForgetEffectState();
}

void EnD3DTexturePipeline::BeginFrame() {
    ForgetEffectState();
    m_uiFrameFlags = 0;
}

void EnD3DTexturePipeline::ForgetEffectState() {
    m_spLastEffects = nullptr;
    m_bEffectsValid = false;
}

void EnD3DTexturePipeline::GenerateParallelCoords(const EnMatrix3& kProj, const EnVector3& kTrans,
                                                  EnD3DStageRecord& kRecord) const {
    // A camera-space position p is first taken back to the world (R p + T) and then through
    // the effect's projection: A (R p + T) + t. Row vectors carry the transpose of A R.
    const EnMatrix3 kAR = kProj * m_kCameraRotate;
    const EnVector3 kOffset = kProj * m_kCameraTranslate + kTrans;
    Matrix& kM = kRecord.m_kTransform;
    kM = Matrix::Identity();
    for (uint32_t i = 0; i < 3; i++)
        for (uint32_t j = 0; j < 3; j++) kM.m[i][j] = kAR.GetEntry(j, i);
    kM.m[3][0] = kOffset.x;
    kM.m[3][1] = kOffset.y;
    kM.m[3][2] = kOffset.z;
    kRecord.m_uiTexCoord = TexCoordGen::CameraSpacePosition;
    kRecord.m_bProjected = false;
}

void EnD3DTexturePipeline::GeneratePerspectiveCoords(const EnMatrix3& kProj,
                                                     const EnVector3& kTrans,
                                                     EnD3DStageRecord& kRecord) const {
    GenerateParallelCoords(kProj, kTrans, kRecord);
    kRecord.m_bProjected = true;
}

void EnD3DTexturePipeline::GenerateSphereMapCoords(const EnMatrix3&, const EnVector3&,
                                                   EnD3DStageRecord& kRecord) const {
    // u = 0.5 z + 0.5 and v = 0.5 y + 0.5 of the camera-space reflection vector.
    static const float s_aafRows[4][3] = {{0, 0, 0}, {0, 0.5f, 0}, {0.5f, 0, 0}, {0.5f, 0.5f, 0}};
    Matrix& kM = kRecord.m_kTransform;
    kM = Matrix::Identity();
    for (uint32_t i = 0; i < 4; i++)
        for (uint32_t j = 0; j < 3; j++) kM.m[i][j] = s_aafRows[i][j];
    kRecord.m_uiTexCoord = TexCoordGen::CameraSpaceReflectionVector;
    kRecord.m_bProjected = false;
}

bool EnD3DTexturePipeline::MakeEffectStage(EnTextureEffect* pEffect, EnD3DStageRecord& kRecord,
                                           uint32_t uiSlots) {
    if (!pEffect || m_uiEffectRecords + uiSlots > MAX_RECORDS) return false;
    if (!pEffect->GetSwitch() || !pEffect->GetImage() || !m_pTextures) return false;
    const uint32_t uiFormat = m_pTextures->GetImageFormatIndex(pEffect->GetImage());
    if (uiFormat >= EnD3DTextureManager::FORMAT_NONE) return false;
    const uint32_t uiMode = pEffect->GetCoordMode();
    if (uiMode > EnTextureEffect::SPHERE_MAP) return false;
    (this->*m_apfnGenerate[uiMode])(pEffect->GetWorldProjectionMatrix(),
                                    pEffect->GetWorldProjectionTranslation(), kRecord);
    kRecord.m_spImage = pEffect->GetImage();
    kRecord.m_uiFormat = uiFormat;
    kRecord.m_pSource = pEffect;
    kRecord.m_uiFilter =
        pEffect->GetTextureFilter() < FILTER_MODES ? uint32_t(pEffect->GetTextureFilter()) : 0;
    const uint32_t uiClamp = pEffect->GetTextureClamp() < 4
                                 ? uint32_t(pEffect->GetTextureClamp())
                                 : uint32_t(EnTextureEffect::WRAP_S_WRAP_T);
    kRecord.m_uiAddressU = m_aauiAddress[uiClamp][0];
    kRecord.m_uiAddressV = m_aauiAddress[uiClamp][1];
    kRecord.m_bVertexColor = false;
    m_uiEffectRecords += uiSlots;
    return true;
}

void EnD3DTexturePipeline::SetClipPlane(EnD3DStageRecord& kClip, const EnTextureEffect& kEffect,
                                        bool bShadow) const {
    // u = s (n . (R p + t) - d) + 0.5 over the camera-space position p, with s = 1 for a light
    // (white on the lit side) and -1 for a shadow (white where it must not fall).
    const EnPlaneEquation& kPlane = kEffect.GetWorldClippingPlane();
    const float fSign = bShadow ? -1.0f : 1.0f;
    const EnVector3 kN = m_kCameraRotate.TransposeTimesVector(kPlane.m_normal);
    Matrix& kM = kClip.m_kTransform;
    kM = Matrix();
    kM.m[0][0] = fSign * kN.x;
    kM.m[1][0] = fSign * kN.y;
    kM.m[2][0] = fSign * kN.z;
    kM.m[3][0] = fSign * (kPlane.m_normal.Dot(m_kCameraTranslate) - kPlane.m_fConstant) + 0.5f;
    kClip.m_pSource = &kEffect;
    kClip.m_uiFormat = m_pTextures ? m_pTextures->GetImageFormatIndex(m_spClipImage)
                                   : uint32_t(EnD3DTextureManager::FORMAT_NONE);
}

void EnD3DTexturePipeline::SetEffectState(EnDynamicEffectState* pEffects) {
    if (m_bEffectsValid && pEffects == m_spLastEffects.Get()) return;
    for (uint32_t i = 0; i < MAX_RECORDS; i++) {
        m_akLight[i].m_spImage = m_akClippedLight[i].m_spImage = nullptr;
        m_akShadow[i].m_spImage = m_akClippedShadow[i].m_spImage = nullptr;
    }
    m_kEnvironment.m_spImage = m_kFog.m_spImage = nullptr;
    m_uiLights = m_uiClippedLights = m_uiShadows = m_uiClippedShadows = 0;
    m_uiEffectRecords = 0;
    m_bEnvironment = m_bFog = false;
    // A missing state clears the records but is not remembered.
    m_spLastEffects = pEffects;
    m_bEffectsValid = pEffects != nullptr;
    if (!pEffects) return;

    for (EnTextureEffect* pLight : pEffects->GetProjectedLights()) {
        if (pLight->GetClippingPlaneEnable()) {
            if (m_uiClippedLights < MAX_RECORDS &&
                MakeEffectStage(pLight, m_akClippedLight[m_uiClippedLights], 2)) {
                SetClipPlane(m_akLightClip[m_uiClippedLights], *pLight, false);
                m_uiClippedLights++;
            }
        } else if (m_uiLights < MAX_RECORDS && MakeEffectStage(pLight, m_akLight[m_uiLights], 1)) {
            m_uiLights++;
        }
    }
    for (EnTextureEffect* pShadow : pEffects->GetProjectedShadows()) {
        if (pShadow->GetClippingPlaneEnable()) {
            if (m_uiClippedShadows < MAX_RECORDS &&
                MakeEffectStage(pShadow, m_akClippedShadow[m_uiClippedShadows], 2)) {
                SetClipPlane(m_akShadowClip[m_uiClippedShadows], *pShadow, true);
                m_uiClippedShadows++;
            }
        } else if (m_uiShadows < MAX_RECORDS &&
                   MakeEffectStage(pShadow, m_akShadow[m_uiShadows], 1)) {
            m_uiShadows++;
        }
    }
    if (EnTextureEffect* pEnvironment = pEffects->GetEnvironmentMap())
        m_bEnvironment = MakeEffectStage(pEnvironment, m_kEnvironment, 1);
    if (EnTextureEffect* pFog = pEffects->GetFogMap()) m_bFog = MakeEffectStage(pFog, m_kFog, 1);
}

void EnD3DTexturePipeline::ResetStages() {
    const uint32_t uiWrap = uint32_t(TextureAddress::Wrap);
    const uint32_t uiSelect = OP(TextureOp::SelectArg1), uiDisable = OP(TextureOp::Disable);
    struct StageDefaults {
        uint32_t m_uiOp, m_uiArg1, m_uiArg2, m_uiTexCoord;
    };
    const StageDefaults akStage[3] = {
        {uiSelect, TextureArg::Texture, TextureArg::Diffuse, 0},
        {uiDisable, TextureArg::Texture, TextureArg::Current, 1},
        {uiDisable, TextureArg::Current, TextureArg::Diffuse, 0},
    };
    for (uint32_t s = 0; s < 3; s++) {
        const StageDefaults& k = akStage[s];
        SendStage(s, StageState::ColorOp, k.m_uiOp);
        SendStage(s, StageState::ColorArg1, k.m_uiArg1);
        SendStage(s, StageState::ColorArg2, k.m_uiArg2);
        SendStage(s, StageState::AlphaOp, k.m_uiOp);
        SendStage(s, StageState::AlphaArg1, k.m_uiArg1);
        SendStage(s, StageState::AlphaArg2, k.m_uiArg2);
        SendStage(s, StageState::TexCoordIndex, k.m_uiTexCoord);
        SendStage(s, StageState::Address, uiWrap);
        SendStage(s, StageState::MagFilter, m_aauiFilter[0][FILTER_MAG]);
        SendStage(s, StageState::MinFilter, m_aauiFilter[0][FILTER_MIN]);
        SendStage(s, StageState::MipFilter, m_aauiFilter[0][FILTER_MIP]);
        SendStage(s, StageState::TextureTransformFlags, TextureTransform::Disable);
    }
    SendStage(3, StageState::ColorOp, uiDisable);
    SendStage(3, StageState::AlphaOp, uiDisable);
    for (uint32_t s = 0; s < 2; s++) {
        m_aspStageImage[s] = nullptr;
        SetStageTexture(s, nullptr, true);
    }
    m_spDevice->SetRenderState(RenderState::Wrap0, 0u);
    m_spDevice->SetRenderState(RenderState::Wrap1, 0u);
}

bool EnD3DTexturePipeline::IsEffectUnplaced(const EnTextureEffect* pEffect, bool& bPlane,
                                            bool& bPerspective) const {
    if (!pEffect || !pEffect->GetSwitch() || !pEffect->GetImage()) return false;
    uint32_t uiAt = m_uiPassRecords;
    for (uint32_t i = 0; i < m_uiPassRecords; i++) {
        if (m_apPass[i]->m_pSource == pEffect && !IsClipRecord(m_apPass[i])) {
            uiAt = i;
            break;
        }
    }
    if (uiAt == m_uiPassRecords) return true;
    if (pEffect->GetCoordMode() == EnTextureEffect::WORLD_PERSPECTIVE) bPerspective = true;
    if (!pEffect->GetClippingPlaneEnable()) return false;
    const EnD3DStageRecord* pClips = pEffect->GetTextureMode() == EnTextureEffect::PROJECTED_SHADOW
                                         ? m_akShadowClip
                                         : m_akLightClip;
    const bool bLast = uiAt + 1 >= m_uiPassRecords;
    if (bLast || m_apPass[uiAt + 1] < pClips || m_apPass[uiAt + 1] >= pClips + MAX_RECORDS)
        bPlane = true;
    return false;
}

uint32_t EnD3DTexturePipeline::GetUnsupportedFeatures(EnPropertyState* pState,
                                                      EnDynamicEffectState* pEffects) {
    // The stages the draw would get, with every coordinate set and normals it could have.
    BuildPasses(pState, pEffects, true, 8);
    uint32_t uiMask = 0;
    auto held = [this](const EnImage* pImage) {
        for (uint32_t i = 0; i < m_uiPassRecords; i++)
            if (m_apPass[i]->m_spImage.Get() == pImage) return true;
        return false;
    };
    const EnMultiTextureProperty* pMulti = pState ? pState->GetMultiTexture() : nullptr;
    if (pMulti && pMulti != GetDefaultMultiTextureProperty().Get()) {
        static const uint32_t s_auiRole[4] = {UNSUPPORTED_DARK_MAP, UNSUPPORTED_DETAIL_MAP,
                                              UNSUPPORTED_GLOSS_MAP, UNSUPPORTED_GLOW_OR_DECAL_MAP};
        for (uint32_t uiSlot = 0; uiSlot < pMulti->GetSlotCount(); uiSlot++) {
            const EnMultiTextureProperty::Map* pMap = pMulti->GetMap(uiSlot);
            if (pMap && pMap->m_spImage && !held(pMap->m_spImage))
                uiMask |= s_auiRole[std::min(uiSlot, 3u)];
        }
    }
    if (pEffects) {
        bool bPlane = false, bPerspective = false;
        if (IsEffectUnplaced(pEffects->GetEnvironmentMap(), bPlane, bPerspective))
            uiMask |= UNSUPPORTED_ENVIRONMENT_MAP;
        if (IsEffectUnplaced(pEffects->GetFogMap(), bPlane, bPerspective))
            uiMask |= UNSUPPORTED_FOG_MAP;
        for (const EnTextureEffect* pLight : pEffects->GetProjectedLights())
            if (IsEffectUnplaced(pLight, bPlane, bPerspective))
                uiMask |= UNSUPPORTED_PROJECTED_LIGHT;
        for (const EnTextureEffect* pShadow : pEffects->GetProjectedShadows())
            if (IsEffectUnplaced(pShadow, bPlane, bPerspective))
                uiMask |= UNSUPPORTED_PROJECTED_SHADOW;
        if (bPerspective && !(m_uiFlags & FLAG_PROJECTED)) uiMask |= UNSUPPORTED_PERSPECTIVE;
        if (bPlane) uiMask |= UNSUPPORTED_CLIPPING_PLANE;
    }
    const uint32_t uiClamp = uint32_t(TextureAddress::Clamp);
    for (uint32_t i = 0; i < m_uiPassRecords; i++) {
        const EnD3DStageRecord& kRecord = *m_apPass[i];
        if (!(m_uiFlags & FLAG_INDEPENDENT_UV) && kRecord.m_uiAddressU != kRecord.m_uiAddressV)
            uiMask |= UNSUPPORTED_UV_ADDRESSING;
        if (!(m_uiFlags & FLAG_DECAL_ALPHA) &&
            (kRecord.m_uiAddressU == uiClamp || kRecord.m_uiAddressV == uiClamp))
            uiMask |= UNSUPPORTED_CLAMP;
        // The record of a draw without textures has nothing to come from.
        if (!kRecord.m_pSource && &kRecord != &m_kEmpty) uiMask |= UNSUPPORTED_NO_SOURCE;
    }
    if (m_uiPassCount > 1) {
        uiMask |= UNSUPPORTED_MULTIPASS;
        const EnAlphaProperty* pAlpha = pState ? pState->GetAlpha() : nullptr;
        if (pAlpha && pAlpha->GetAlphaBlending()) uiMask |= UNSUPPORTED_MULTIPASS_BLEND;
        const EnFogProperty* pFog = pState ? pState->GetFog() : nullptr;
        if (pFog && pFog->GetFog()) uiMask |= UNSUPPORTED_MULTIPASS_FOG;
    }
    const uint32_t uiCrowded = UNSUPPORTED_PROJECTED_LIGHT | UNSUPPORTED_PROJECTED_SHADOW |
                               UNSUPPORTED_FOG_MAP | UNSUPPORTED_DARK_MAP | UNSUPPORTED_DETAIL_MAP |
                               UNSUPPORTED_GLOW_OR_DECAL_MAP | 0x20000 | 0x40000;
    if ((uiMask & uiCrowded) && m_uiPassRecords >= MAX_RECORDS)
        uiMask |= UNSUPPORTED_TOO_MANY_STAGES;
    // The next draw assigns its stages afresh.
    BeginFrame();
    return uiMask;
}

VertexBuffer* EnD3DTexturePipeline::PrepareTransformedVertices(bool bLit, bool bClip,
                                                               uint32_t uiVertices,
                                                               uint32_t uiStagesUsed,
                                                               VertexBuffer* pSource) {
    if (!m_spVertexPool || !pSource || uiVertices == 0) return nullptr;
    uint32_t uiUsed = std::min<uint32_t>(uiStagesUsed, kMaxTextureStages);
    EnD3DStageRecord kFirst = m_uiPassRecords ? *m_apPass[0] : m_kEmpty;
    auto setUp = [this](uint32_t uiStage, const EnD3DStageRecord& kRecord) {
        SetCoordinates(uiStage, kRecord);
        SetAddressing(uiStage, kRecord);
        SetFilter(uiStage, kRecord.m_uiFilter, false, true);
        SetStage(uiStage, StageState::ColorOp, OP(TextureOp::SelectArg1));
    };
    for (uint32_t s = 0; s < uiUsed; s++) {
        EnD3DStageRecord kStage = kFirst;
        kStage.m_uiTexCoord = s;
        setUp(s, kStage);
    }
    // Every generated coordinate becomes a set of its own in the transformed vertices.
    for (uint32_t i = 0; i < m_uiPassRecords; i++) {
        EnD3DStageRecord& kRecord = *m_apPass[i];
        if (!kRecord.GeneratesCoordinates()) continue;
        if (uiUsed >= kMaxTextureStages) {
            kRecord.m_uiTexCoord = kMaxTextureStages - 1;
            break;
        }
        setUp(uiUsed, kRecord);
        kRecord.m_uiTexCoord = uiUsed;
        uiUsed++;
    }
    if (uiUsed < kMaxTextureStages &&
        m_aauiStageCache[uiUsed][uint32_t(StageState::ColorOp)] != OP(TextureOp::Disable))
        SetStage(uiUsed, StageState::ColorOp, OP(TextureOp::Disable));

    const uint32_t uiFVF = VertexFormat::XyzRhw | VertexFormat::Diffuse | VertexFormat::Specular |
                           VertexFormat::Tex(std::max(uiUsed, 1u));
    VertexBuffer* pBuffer = m_spVertexPool->GetVertexBuffer(uiFVF, uiVertices);
    Result eResult = Result::Generic;
    if (pBuffer)
        eResult =
            pBuffer->ProcessVertices(VertexOpBits::Transform | (bLit ? VertexOpBits::Light : 0) |
                                         (bClip ? VertexOpBits::Clip : 0),
                                     0, uiVertices, pSource, 0, m_spDevice.Get(), 0);
    SetStage(1, StageState::ColorOp, OP(TextureOp::Disable));
    SetStage(2, StageState::ColorOp, OP(TextureOp::Disable));
    return Succeeded(eResult) ? pBuffer : nullptr;
}
