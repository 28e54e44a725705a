#include "engine/d3d/EnD3DRenderStateManager.h"

#include <cmath>

#include "engine/core/EnMaterialProperty.h"
#include "engine/core/EnMatrix3.h"
#include "engine/core/EnPropertyState.h"
#include "engine/core/EnStencilProperty.h"
#include "engine/core/EnTextureModeProperty.h"
#include "engine/core/EnVector3.h"
#include "engine/core/EnZBufferProperty.h"
#include "engine/d3d/EnD3DRender.h"

using namespace plat::gfx;

namespace {

constexpr Blend s_aeBlend[EnAlphaProperty::ALPHA_MAX_MODES] = {
    Blend::One,       Blend::Zero,         Blend::SrcColor,    Blend::InvSrcColor,
    Blend::DestColor, Blend::InvDestColor, Blend::SrcAlpha,    Blend::InvSrcAlpha,
    Blend::DestAlpha, Blend::InvDestAlpha, Blend::SrcAlphaSat,
};

constexpr Cmp s_aeAlphaTest[EnAlphaProperty::TEST_MAX_MODES] = {
    Cmp::Always,  Cmp::Less,     Cmp::Equal,        Cmp::LessEqual,
    Cmp::Greater, Cmp::NotEqual, Cmp::GreaterEqual, Cmp::Never,
};

// Stencil tests and actions are listed in the device's own order.
constexpr Cmp s_aeStencilTest[EnStencilProperty::TEST_MAX] = {
    Cmp::Never,   Cmp::Less,     Cmp::Equal,        Cmp::LessEqual,
    Cmp::Greater, Cmp::NotEqual, Cmp::GreaterEqual, Cmp::Always,
};

constexpr StencilOp s_aeStencilAction[EnStencilProperty::ACTION_MAX] = {
    StencilOp::Keep,    StencilOp::Zero,    StencilOp::Replace,
    StencilOp::IncrSat, StencilOp::DecrSat, StencilOp::Invert,
};

uint32_t ColorByte(float f) {
    // Truncated like the device's own conversion, but kept within the byte.
    const float fScaled = f * 255.0f;
    if (!(fScaled > 0.0f)) return 0;
    if (fScaled >= 255.0f) return 255;
    return uint32_t(fScaled);
}

bool FlagBit0(const EnPropertyState* pState, int32_t iType) {
    const EnProperty* pProperty = pState->GetProperty(iType);
    return pProperty && pProperty->GetFlagBit(0);
}

}  // namespace

Blend EnD3DRenderStateManager::BlendFactor(uint32_t uiFunction) {
    return uiFunction < EnAlphaProperty::ALPHA_MAX_MODES ? s_aeBlend[uiFunction] : Blend::One;
}

Cmp EnD3DRenderStateManager::AlphaTest(uint32_t uiFunction) {
    return uiFunction < EnAlphaProperty::TEST_MAX_MODES ? s_aeAlphaTest[uiFunction] : Cmp::Always;
}

EnD3DRenderStateManager::EnD3DRenderStateManager(Device* pDevice, const DeviceDesc& kDesc)
    : m_spDevice(Ref<Device>::Share(pDevice)), m_kDesc(kDesc) {}

EnD3DRenderStateManager::~EnD3DRenderStateManager() = default;

EnD3DRenderStateManager* EnD3DRenderStateManager::Create(Device* pDevice, const DeviceDesc& kDesc,
                                                         bool bHardware, bool bZBuffer,
                                                         bool bStencil) {
    EnD3DRender::LogMessage("(Creation): Attempting to create render state manager");
    if (!pDevice) return nullptr;
    auto* pManager = new EnD3DRenderStateManager(pDevice, kDesc);
    if (bHardware) pManager->m_uiFlags |= FLAG_HARDWARE;
    pManager->ReadDeviceCaps();
    if (bStencil) pManager->m_uiFlags |= FLAG_STENCIL;
    if (bZBuffer) pManager->m_uiFlags |= FLAG_ZBUFFER;
    pManager->SetDefaultStates();
    EnD3DRender::LogMessage("(Creation): Render state manager creation succeeded");
    return pManager;
}

void EnD3DRenderStateManager::ReadDeviceCaps() {
    const uint32_t uiRaster = m_kDesc.triCaps.rasterCaps;
    if ((uiRaster & RasterCapBits::FogTable) && (uiRaster & RasterCapBits::WFog)) {
        m_uiFlags |= FLAG_PIXEL_FOG;
        EnD3DRender::LogMessage("(Creation): Device supports per-pixel z-based fog");
    }
    if (uiRaster & RasterCapBits::WBuffer) m_uiFlags |= FLAG_WBUFFER;
    m_uiSourceBlends = m_uiDestBlends = 0;
    for (uint32_t i = 0; i < EnAlphaProperty::ALPHA_MAX_MODES; i++) {
        const uint32_t uiBit = BlendCapBit(s_aeBlend[i]);
        if (m_kDesc.triCaps.srcBlendCaps & uiBit) m_uiSourceBlends |= 1u << i;
        if (m_kDesc.triCaps.destBlendCaps & uiBit) m_uiDestBlends |= 1u << i;
    }
}

void EnD3DRenderStateManager::SendState(RenderState eState, uint32_t uiValue) {
    m_auiState[uint32_t(eState)] = uiValue;
    m_spDevice->SetRenderState(eState, uiValue);
}

void EnD3DRenderStateManager::SetState(RenderState eState, uint32_t uiValue) {
    if (m_auiState[uint32_t(eState)] != uiValue) SendState(eState, uiValue);
}

void EnD3DRenderStateManager::SetDefaultStates() {
    const bool bPixelFog = (m_uiFlags & FLAG_PIXEL_FOG) != 0;
    SendState(RenderState::CullMode, uint32_t(Cull::Cw));
    SendState(RenderState::MonoEnable, 0);
    SendState(RenderState::LastPixel, 0);
    SendState(RenderState::StippleEnable, 0);
    SendState(RenderState::StippledAlpha, 0);
    SendState(RenderState::AntiAlias, 0);
    SendState(RenderState::FillMode, uint32_t(Fill::Solid));
    SendState(RenderState::TexturePerspective, 1);
    SendState(RenderState::ShadeMode, uint32_t(Shade::Gouraud));
    SendState(RenderState::ColorKeyEnable, 0);
    SendState(RenderState::AlphaBlendEnable, 0);
    SendState(RenderState::SrcBlend, uint32_t(Blend::SrcAlpha));
    SendState(RenderState::DestBlend, uint32_t(Blend::InvSrcAlpha));
    SendState(RenderState::AlphaTestEnable, 0);
    SendState(RenderState::AlphaFunc, uint32_t(Cmp::Always));
    SendState(RenderState::AlphaRef, 0);
    SendState(RenderState::ZFunc, uint32_t(Cmp::Always));
    SendState(RenderState::ZWriteEnable, 0);
    SendState(RenderState::DitherEnable, 0);
    SendState(RenderState::SpecularEnable, 0);
    SendState(RenderState::FogEnable, 0);
    SendState(RenderState::FogTableMode, uint32_t(bPixelFog ? FogMode::Linear : FogMode::None));
    SendState(RenderState::FogVertexMode, uint32_t(FogMode::Linear));
    SendState(RenderState::RangeFogEnable, 0);
    SendState(RenderState::FogColor, 0);
    SendState(RenderState::NormalizeNormals, 0);
    SendState(RenderState::ZEnable,
              uint32_t((m_uiFlags & FLAG_WBUFFER) ? ZBufferType::UseW : ZBufferType::True));
    m_auiState[uint32_t(RenderState::FogStart)] = FloatBits(m_fFogStart);
    m_auiState[uint32_t(RenderState::FogEnd)] = FloatBits(m_fFogEnd);
}

void EnD3DRenderStateManager::BeginFrame() {
    m_spLastAlpha = nullptr;
    m_spLastFog = nullptr;
}

void EnD3DRenderStateManager::SetCameraRange(float fNear, float fFar, float fRange) {
    m_fNear = fNear;
    m_fFar = fFar;
    m_fRange = fRange;
}

void EnD3DRenderStateManager::SetMaxFogValue(float fValue) {
    if (!(fValue > 0.0f)) fValue = 0.00001f;
    m_fMaxFogValue = fValue;
    m_fFogEndFactor = 1.0f / fValue - 1.0f;
}

void EnD3DRenderStateManager::ApplyAlpha(EnAlphaProperty* pAlpha) {
    if (!pAlpha || pAlpha == m_spLastAlpha) return;
    m_spLastAlpha = pAlpha;
    const bool bBlend = pAlpha->GetAlphaBlending();
    SetState(RenderState::AlphaBlendEnable, bBlend);
    if (bBlend) {
        SetState(RenderState::SrcBlend, uint32_t(BlendFactor(pAlpha->GetSrcBlendMode())));
        SetState(RenderState::DestBlend, uint32_t(BlendFactor(pAlpha->GetDestBlendMode())));
    }
    const bool bTest = pAlpha->GetAlphaTesting();
    SetState(RenderState::AlphaTestEnable, bTest);
    if (bTest) {
        SetState(RenderState::AlphaFunc, uint32_t(AlphaTest(pAlpha->GetTestMode())));
        SetState(RenderState::AlphaRef, pAlpha->GetAlphaTestRef());
    }
}

void EnD3DRenderStateManager::ApplyFog(EnFogProperty* pFog) {
    if (!pFog || pFog == m_spLastFog) return;
    m_spLastFog = pFog;
    if (!pFog->GetFog()) {
        SetState(RenderState::FogEnable, 0);
        return;
    }
    SetState(RenderState::FogEnable, 1);
    const float fDepth = pFog->GetDepth() * (m_fFar - m_fNear);
    const float fStart = m_fFar - fDepth;
    const float fEnd = m_fFar + fDepth * m_fFogEndFactor;
    if (fStart != m_fFogStart) {
        m_fFogStart = fStart;
        SendState(RenderState::FogStart, FloatBits(fStart));
    }
    if (fEnd != m_fFogEnd) {
        m_fFogEnd = fEnd;
        SendState(RenderState::FogEnd, FloatBits(fEnd));
    }
    const bool bPixelFog = (m_uiFlags & FLAG_PIXEL_FOG) != 0;
    const bool bRangeOn = m_auiState[uint32_t(RenderState::RangeFogEnable)] != 0;
    switch (pFog->GetFogFunction()) {
        case EnFogProperty::FOG_Z_LINEAR:
            if (bRangeOn) {
                if (bPixelFog) {
                    SetState(RenderState::FogTableMode, uint32_t(FogMode::Linear));
                    SetState(RenderState::FogVertexMode, uint32_t(FogMode::None));
                } else {
                    SetState(RenderState::FogVertexMode, uint32_t(FogMode::Linear));
                }
            }
            SetState(RenderState::RangeFogEnable, 0);
            break;
        case EnFogProperty::FOG_RANGE_SQ:
            // Range fog is a vertex fog: the per-pixel table is switched off for it.
            if (!bRangeOn && bPixelFog) {
                SetState(RenderState::FogTableMode, uint32_t(FogMode::None));
                SetState(RenderState::FogVertexMode, uint32_t(FogMode::Linear));
            }
            SetState(RenderState::RangeFogEnable, 1);
            break;
        default:
            // Fog by vertex alpha cannot be shown.
            SetState(RenderState::FogEnable, 0);
            break;
    }
}

void EnD3DRenderStateManager::UpdateRenderStates(EnPropertyState* pState) {
    if (!pState) return;
    SetState(RenderState::FillMode,
             uint32_t(FlagBit0(pState, EnProperty::WIREFRAME) ? Fill::Wireframe : Fill::Solid));
    SetState(RenderState::TexturePerspective, FlagBit0(pState, EnProperty::CORRECTION));
    SetState(RenderState::ShadeMode,
             uint32_t(FlagBit0(pState, EnProperty::SHADE) ? Shade::Gouraud : Shade::Flat));
    SetState(RenderState::ColorKeyEnable, FlagBit0(pState, EnProperty::TRANSPARENT));

    ApplyAlpha(pState->GetAlpha());

    if (const EnZBufferProperty* pZ = pState->GetZBuffer()) {
        SetState(RenderState::ZFunc, uint32_t(pZ->GetZBufferTest() ? Cmp::LessEqual : Cmp::Always));
        SetState(RenderState::ZWriteEnable, pZ->GetZBufferWrite());
    }

    EnFogProperty* pFog = pState->GetFog();
    ApplyFog(pFog);
    if (pFog) {
        const EnColorRGB& kColor = pFog->GetFogColor();
        SetState(RenderState::FogColor,
                 ColorByte(kColor.r) << 16 | ColorByte(kColor.g) << 8 | ColorByte(kColor.b));
    }

    SetState(RenderState::DitherEnable, FlagBit0(pState, EnProperty::DITHER));
    SetState(RenderState::SpecularEnable, FlagBit0(pState, EnProperty::SPECULAR));

    if (const EnStencilProperty* pStencil = pState->GetStencil()) {
        if (pStencil->GetStencilOn()) {
            auto test = [](uint32_t u) {
                return u < EnStencilProperty::TEST_MAX ? s_aeStencilTest[u] : Cmp::Always;
            };
            auto action = [](uint32_t u) {
                return u < EnStencilProperty::ACTION_MAX ? s_aeStencilAction[u] : StencilOp::Keep;
            };
            m_bStencilOn = true;
            SendState(RenderState::StencilEnable, 1);
            SendState(RenderState::StencilFunc, uint32_t(test(pStencil->GetStencilFunction())));
            SendState(RenderState::StencilRef, pStencil->GetStencilReference());
            SendState(RenderState::StencilMask, pStencil->GetStencilMask());
            SendState(RenderState::StencilFail, uint32_t(action(pStencil->GetStencilFailAction())));
            SendState(RenderState::StencilZFail,
                      uint32_t(action(pStencil->GetStencilPassZFailAction())));
            SendState(RenderState::StencilPass, uint32_t(action(pStencil->GetStencilPassAction())));
        } else if (m_bStencilOn) {
            m_bStencilOn = false;
            SendState(RenderState::StencilEnable, 0);
        }
    }

    m_kMaterials.Select(pState->GetMaterialProperty());
    if (const EnD3DMaterialRecord* pRecord = m_kMaterials.TakeDirty())
        m_spDevice->SetMaterial(pRecord->m_kMaterial);
}

uint32_t EnD3DRenderStateManager::GetUnsupportedFeatures(EnPropertyState* pState) const {
    if (!pState) return 0;
    uint32_t uiMask = 0;
    if (const EnAlphaProperty* pAlpha = pState->GetAlpha()) {
        if (pAlpha->GetAlphaBlending()) {
            const uint32_t uiSrc = pAlpha->GetSrcBlendMode();
            const uint32_t uiDest = pAlpha->GetDestBlendMode();
            const bool bSrc = uiSrc < 32 && (m_uiSourceBlends >> uiSrc & 1u);
            const bool bDest = uiDest < 32 && (m_uiDestBlends >> uiDest & 1u);
            if (!bSrc || !bDest) uiMask |= UNSUPPORTED_BLEND;
        }
    }
    if (const EnTextureModeProperty* pMode = pState->GetTextureMode()) {
        const uint32_t uiApply = pMode->GetApplyMode();
        if (uiApply == EnTextureModeProperty::APPLY_HILIGHT ||
            uiApply == EnTextureModeProperty::APPLY_HILIGHT2 ||
            (uiApply == EnTextureModeProperty::APPLY_MODULATE &&
             !(m_kDesc.triCaps.textureBlendCaps & TextureBlendCapBits::Modulate)))
            uiMask |= UNSUPPORTED_APPLY_MODE;
    }
    if (const EnStencilProperty* pStencil = pState->GetStencil())
        if (pStencil->GetStencilOn() && !(m_uiFlags & FLAG_STENCIL)) uiMask |= UNSUPPORTED_STENCIL;
    return uiMask;
}

void EnD3DRenderStateManager::UpdateNormalizeNormals(float fScale, const EnMatrix3&,
                                                     const EnVector3&) {
    SetState(RenderState::NormalizeNormals, (fScale >= 0.99f && fScale <= 1.01f) ? 0u : 1u);
}
