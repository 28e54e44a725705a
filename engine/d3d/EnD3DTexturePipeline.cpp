// Creation of the texture pipeline: the capability tables read from the device description and
// the probe of which pairs of texture formats the device draws in one pass.
#include "engine/d3d/EnD3DTexturePipeline.h"

#include <cstdio>
#include <cstring>

#include "engine/core/EnTextureModeProperty.h"
#include "engine/d3d/EnD3DRender.h"
#include "engine/d3d/EnD3DRenderStateManager.h"
#include "engine/d3d/EnD3DTextureManager.h"
#include "engine/d3d/EnD3DVertexBufferPool.h"
#include "engine/geometry/EnRawImageData.h"
#include "platform/gfx/VertexFormat.h"

using namespace plat::gfx;

namespace {

constexpr uint32_t OP(TextureOp eOp) {
    return uint32_t(eOp);
}
constexpr uint32_t FILTER(TextureFilter eFilter) {
    return uint32_t(eFilter);
}
constexpr uint32_t ADDRESS(TextureAddress eAddress) {
    return uint32_t(eAddress);
}

void LogCount(const char* pcFormat, uint32_t uiCount) {
    char acText[160];
    std::snprintf(acText, sizeof acText, pcFormat, uiCount);
    EnD3DRender::LogMessage(acText);
}

}  // namespace

EnD3DTexturePipeline::EnD3DTexturePipeline(Device* pDevice, const DeviceDesc& kDesc,
                                           EnD3DRenderStateManager* pRenderStates,
                                           EnD3DTextureManager* pTextures)
    : m_spDevice(Ref<Device>::Share(pDevice)),
      m_kDesc(kDesc),
      m_pRenderStates(pRenderStates),
      m_pTextures(pTextures) {
    if (m_pRenderStates) m_pRenderStates->AddReference();
    // Taking over a shared manager starts from no textures at all.
    if (m_pTextures) m_pTextures->ReleaseTextures(nullptr, true, -1);

    const uint32_t uiClamp = ADDRESS(TextureAddress::Clamp), uiWrap = ADDRESS(TextureAddress::Wrap);
    const uint32_t aauiAddress[4][2] = {
        {uiClamp, uiClamp}, {uiClamp, uiWrap}, {uiWrap, uiClamp}, {uiWrap, uiWrap}};
    std::memcpy(m_aauiAddress, aauiAddress, sizeof m_aauiAddress);
    m_auiStage1Op[EnD3DStageRecord::KIND_ADD] = OP(TextureOp::Add);
    m_auiStage1Op[EnD3DStageRecord::KIND_DECAL] = OP(TextureOp::BlendTextureAlpha);
    m_auiStage1Op[EnD3DStageRecord::KIND_MODULATE] = OP(TextureOp::Modulate);
    m_auiStage1Op[EnD3DStageRecord::KIND_MODULATE2X] = OP(TextureOp::Modulate2X);

    // How a later pass of each kind is blended into what the earlier passes drew.
    struct Blend {
        bool m_bOn;
        EnAlphaProperty::AlphaFunction m_eSource, m_eDest;
    };
    const Blend akBlend[EnD3DStageRecord::KIND_COUNT] = {
        {true, EnAlphaProperty::ALPHA_ONE, EnAlphaProperty::ALPHA_ONE},
        {true, EnAlphaProperty::ALPHA_SRCALPHA, EnAlphaProperty::ALPHA_INVSRCALPHA},
        {true, EnAlphaProperty::ALPHA_ZERO, EnAlphaProperty::ALPHA_SRCCOLOR},
        {false, EnAlphaProperty::ALPHA_SRCALPHA, EnAlphaProperty::ALPHA_INVSRCALPHA},
    };
    for (uint32_t k = 0; k < EnD3DStageRecord::KIND_COUNT; k++) {
        m_aspBlend[k] = new EnAlphaProperty;
        m_aspBlend[k]->SetAlphaBlending(akBlend[k].m_bOn);
        m_aspBlend[k]->SetSrcBlendMode(akBlend[k].m_eSource);
        m_aspBlend[k]->SetDestBlendMode(akBlend[k].m_eDest);
    }
    for (auto& auiStage : m_aauiStageCache)
        for (uint32_t& ui : auiStage) ui = UNKNOWN;

    m_apfnGenerate[0] = &EnD3DTexturePipeline::GenerateParallelCoords;
    m_apfnGenerate[1] = &EnD3DTexturePipeline::GeneratePerspectiveCoords;
    m_apfnGenerate[2] = &EnD3DTexturePipeline::GenerateSphereMapCoords;

    m_kEmpty.m_uiKind = EnD3DStageRecord::KIND_MODULATE;
    for (uint32_t i = 0; i < MAX_RECORDS; i++) {
        m_akLight[i].m_uiKind = m_akClippedLight[i].m_uiKind = EnD3DStageRecord::KIND_ADD;
        m_akShadow[i].m_uiKind = m_akClippedShadow[i].m_uiKind = EnD3DStageRecord::KIND_MODULATE;
    }
    m_kEnvironment.m_uiKind = EnD3DStageRecord::KIND_ADD;
    m_kFog.m_uiKind = EnD3DStageRecord::KIND_DECAL;

    // The clipping texture: black below the plane, white above it.
    EnPointer<EnRawImageData> spClip = new EnRawImageData(EnRawImageData::FORMAT_RGB, 2, 1);
    if (uint8_t* pPixels = spClip->GetPixels()) {
        std::memset(pPixels, 0, 3);
        std::memset(pPixels + 3, 0xff, 3);
    }
    m_spClipImage = EnImage::CreateFromRawData(spClip, EnImage::OPTION_OFF, EnImage::TEX_DEFAULT,
                                               EnImage::OPTION_OFF);
    for (uint32_t i = 0; i < MAX_RECORDS; i++) {
        for (EnD3DStageRecord* pClip : {&m_akLightClip[i], &m_akShadowClip[i]}) {
            pClip->m_spImage = m_spClipImage;
            pClip->m_uiFilter = 0;
            pClip->m_uiAddressU = pClip->m_uiAddressV = uiClamp;
            pClip->m_uiTexCoord = TexCoordGen::CameraSpacePosition;
            pClip->m_kTransform = Matrix();
            pClip->m_bVertexColor = false;
        }
        m_akLightClip[i].m_uiKind = EnD3DStageRecord::KIND_MODULATE;
        m_akShadowClip[i].m_uiKind = EnD3DStageRecord::KIND_ADD;
    }
}

EnD3DTexturePipeline::~EnD3DTexturePipeline() {
    if (m_spDevice) {
        m_spDevice->SetTexture(0, nullptr);
        m_spDevice->SetTexture(1, nullptr);
    }
    if (m_pRenderStates) m_pRenderStates->ReleaseReference();
    m_spVertexPool.reset();
}

EnD3DTexturePipeline* EnD3DTexturePipeline::Create(Device* pDevice, const DeviceDesc& kDesc,
                                                   EnD3DRenderStateManager* pRenderStates,
                                                   EnD3DTextureManager* pTextures, bool) {
    EnD3DRender::LogMessage("(Creation): Attempting to create texture pipeline manager");
    if (!pDevice || !pRenderStates || !pTextures) return nullptr;
    std::unique_ptr<EnD3DTexturePipeline> spPipeline(
        new EnD3DTexturePipeline(pDevice, kDesc, pRenderStates, pTextures));
    Ref<Graphics3D> spD3D;
    if (Succeeded(pDevice->GetGraphics3D(spD3D.Put())) && spD3D)
        spPipeline->m_spVertexPool =
            std::make_unique<EnD3DVertexBufferPool>(spD3D.Get(), pDevice, true);
    spPipeline->ReadCaps();
    if (!spPipeline->InitializeMultitexture(false)) return nullptr;
    EnD3DRender::LogMessage("(Creation): Texture pipeline manager creation succeeded");
    return spPipeline.release();
}

void EnD3DTexturePipeline::BuildFilterTable() {
    using FM = EnTextureModeProperty;
    namespace TF = TextureFilterCapBits;
    const uint32_t uiPoint = FILTER(TextureFilter::Point), uiLinear = FILTER(TextureFilter::Linear);
    const uint32_t uiNone = FILTER(TextureFilter::None);
    for (auto& auiMode : m_aauiFilter) {
        auiMode[FILTER_MIN] = auiMode[FILTER_MAG] = uiPoint;
        auiMode[FILTER_MIP] = uiNone;
    }
    auto warn = [] {
        EnD3DRender::LogWarning("(Creation): Device does not support texture filtering");
    };
    const uint32_t uiCaps = m_kDesc.triCaps.textureFilterCaps;
    const uint32_t uiPerStage = TF::MinfPoint | TF::MinfLinear | TF::MinfAnisotropic |
                                TF::MipfPoint | TF::MipfLinear | TF::MagfPoint | TF::MagfLinear |
                                TF::MagfAnisotropic | TF::MagfAFlatCubic | TF::MagfGaussianCubic;
    // The modes that filter within a level.
    const uint32_t auiWithin[] = {FM::FILTER_BILERP, FM::FILTER_TRILERP,
                                  FM::FILTER_BILERP_MIPNEAREST};
    if (uiCaps & uiPerStage) {
        const uint32_t uiMag = (uiCaps & TF::MagfLinear)  ? uiLinear
                               : (uiCaps & TF::MagfPoint) ? uiPoint
                                                          : 0;
        if (!uiMag) warn();
        const uint32_t uiMin = (uiCaps & TF::MinfLinear)  ? uiLinear
                               : (uiCaps & TF::MinfPoint) ? uiPoint
                                                          : 0;
        if (!uiMin) warn();
        for (uint32_t uiMode : auiWithin) {
            if (uiMag) m_aauiFilter[uiMode][FILTER_MAG] = uiMag;
            if (uiMin) m_aauiFilter[uiMode][FILTER_MIN] = uiMin;
        }
        if (uiCaps & TF::MipfLinear) {
            m_aauiFilter[FM::FILTER_TRILERP][FILTER_MIP] = uiLinear;
            m_aauiFilter[FM::FILTER_NEAREST_MIPLERP][FILTER_MIP] = uiLinear;
            m_aauiFilter[FM::FILTER_NEAREST_MIPNEAREST][FILTER_MIP] = uiPoint;
            m_aauiFilter[FM::FILTER_BILERP_MIPNEAREST][FILTER_MIP] = uiPoint;
        } else if (uiCaps & TF::MipfPoint) {
            for (uint32_t uiMode : {FM::FILTER_TRILERP, FM::FILTER_NEAREST_MIPLERP,
                                    FM::FILTER_NEAREST_MIPNEAREST, FM::FILTER_BILERP_MIPNEAREST})
                m_aauiFilter[uiMode][FILTER_MIP] = uiPoint;
        }
        return;
    }

    // Devices that only describe themselves with the older, combined filter bits.
    const bool bLinear = (uiCaps & TF::Linear) != 0;
    if (!bLinear && !(uiCaps & TF::Nearest)) warn();
    for (uint32_t uiMode : auiWithin)
        m_aauiFilter[uiMode][FILTER_MIN] = m_aauiFilter[uiMode][FILTER_MAG] =
            bLinear ? uiLinear : uiPoint;
    m_aauiFilter[FM::FILTER_NEAREST_MIPNEAREST][FILTER_MIP] =
        (uiCaps & TF::MipNearest) ? uiPoint : uiNone;
    const uint32_t uiMipNearest = (uiCaps & TF::MipLinear) ? uiPoint : uiNone;
    m_aauiFilter[FM::FILTER_BILERP_MIPNEAREST][FILTER_MIP] = uiMipNearest;
    m_aauiFilter[FM::FILTER_NEAREST_MIPLERP][FILTER_MIP] =
        (uiCaps & TF::LinearMipNearest) ? uiLinear : uiMipNearest;
    m_aauiFilter[FM::FILTER_TRILERP][FILTER_MIP] =
        (uiCaps & TF::LinearMipLinear) ? uiLinear : uiMipNearest;
}

void EnD3DTexturePipeline::ReadCaps() {
    BuildFilterTable();
    const PrimitiveCaps& kTri = m_kDesc.triCaps;
    if (kTri.textureAddressCaps & TextureAddressCapBits::IndependentUV)
        m_uiFlags |= FLAG_INDEPENDENT_UV;
    if (kTri.textureBlendCaps & TextureBlendCapBits::DecalAlpha) m_uiFlags |= FLAG_DECAL_ALPHA;
    if (kTri.textureCaps & TextureCapBits::Projected) m_uiFlags |= FLAG_PROJECTED;
    m_uiProjectedFlags = (m_uiFlags & FLAG_PROJECTED)
                             ? TextureTransform::Count3 | TextureTransform::Projected
                             : TextureTransform::Count2;

    using AM = EnTextureModeProperty;
    const uint32_t uiSelect = OP(TextureOp::SelectArg1), uiModulate = OP(TextureOp::Modulate);
    m_aauiStage0Op[AM::APPLY_REPLACE][0] = uiSelect;
    m_aauiStage0Op[AM::APPLY_REPLACE][1] = uiSelect;
    m_aauiStage0Op[AM::APPLY_DECAL][0] =
        (m_uiFlags & FLAG_DECAL_ALPHA) ? OP(TextureOp::BlendTextureAlpha) : uiSelect;
    m_aauiStage0Op[AM::APPLY_DECAL][1] = uiSelect;
    m_aauiStage0Op[AM::APPLY_MODULATE][0] = uiModulate;
    m_aauiStage0Op[AM::APPLY_MODULATE][1] =
        (kTri.textureBlendCaps & TextureBlendCapBits::ModulateAlpha) ? uiModulate : uiSelect;
    for (uint32_t uiApply : {AM::APPLY_HILIGHT, AM::APPLY_HILIGHT2}) {
        m_aauiStage0Op[uiApply][0] = uiModulate;
        m_aauiStage0Op[uiApply][1] = uiSelect;
    }
}

uint8_t EnD3DTexturePipeline::TwoPassValue(uint32_t uiKind) const {
    if (uiKind == EnD3DStageRecord::KIND_MODULATE2X || !m_pRenderStates) return 0;
    const EnAlphaProperty* pBlend = m_aspBlend[uiKind];
    const uint32_t uiSource = pBlend->GetSrcBlendMode(), uiDest = pBlend->GetDestBlendMode();
    const bool bSource = (m_pRenderStates->GetSupportedSourceBlends() >> uiSource) & 1u;
    const bool bDest = (m_pRenderStates->GetSupportedDestBlends() >> uiDest) & 1u;
    return bSource && bDest ? TABLE_TWO_PASS : 0;
}

void EnD3DTexturePipeline::FillTableWithoutProbe() {
    for (uint32_t k = 0; k < EnD3DStageRecord::KIND_COUNT; k++) {
        const uint8_t ucValue = TwoPassValue(k);
        for (auto& aucRow : m_aaaucMultitexture[k])
            for (uint8_t& uc : aucRow) uc = ucValue;
    }
}

bool EnD3DTexturePipeline::InitializeMultitexture(bool bProbe) {
    ResetStages();
    m_uiFlags |= FLAG_PAIR_TRILINEAR | FLAG_STAGE1_TRILINEAR | FLAG_PAIR_ADDRESSING;
    m_uiFlags &= ~(FLAG_SEPARATE_MEMORIES | FLAG_VERTEX_LAST);
    SetStageTexture(0, nullptr, true);
    SetStageTexture(1, nullptr, true);
    m_aspStageImage[0] = m_aspStageImage[1] = nullptr;
    SetStage(0, StageState::ColorOp, OP(TextureOp::SelectArg2));
    SetStage(0, StageState::AlphaOp, OP(TextureOp::SelectArg2));

    if (!(m_kDesc.textureOpCaps & TextureOpCapBit(TextureOp::SelectArg2))) {
        uint32_t uiPasses = 0;
        if (Failed(m_spDevice->ValidateDevice(&uiPasses))) {
            EnD3DRender::LogWarning("(Creation): Device cannot support required SELECTARG2 mode");
            EnD3DRender::LogError(
                "Creation failed: 3D Device cannot support required capabilities");
            return false;
        }
    }

    const bool bMultitexture =
        m_kDesc.maxTextureBlendStages >= 2 && m_kDesc.maxSimultaneousTextures >= 2;
    if (bMultitexture && (m_kDesc.devCaps & DevCapBits::SeparateTextureMemories))
        m_uiFlags |= FLAG_SEPARATE_MEMORIES;
    if (!bMultitexture || !bProbe) {
        FillTableWithoutProbe();
        ResetStages();
        return true;
    }
    const bool bResult = Probe();
    ResetStages();
    return bResult;
}

bool EnD3DTexturePipeline::DrawProbeQuad() {
    // Two triangles over a few pixels in the top left corner of the target, colours and
    // coordinates zero: only whether the device validates the stages matters.
    struct ProbeVertex {
        float x, y, z, rhw;
        uint32_t diffuse, specular;
        float u, v;
    };
    static const ProbeVertex s_akQuad[6] = {
        {0, 0, 0.5f, 1, 0, 0, 0, 0}, {2, 0, 0.5f, 1, 0, 0, 0, 0}, {2, 2, 0.5f, 1, 0, 0, 0, 0},
        {0, 0, 0.5f, 1, 0, 0, 0, 0}, {2, 2, 0.5f, 1, 0, 0, 0, 0}, {0, 2, 0.5f, 1, 0, 0, 0, 0},
    };
    static_assert(sizeof(ProbeVertex) ==
                  VertexFormat::Stride(VertexFormat::XyzRhw | VertexFormat::Diffuse |
                                       VertexFormat::Specular | VertexFormat::Tex1));
    m_spDevice->BeginScene();
    m_spDevice->DrawPrimitive(
        PrimitiveType::TriangleList,
        VertexFormat::XyzRhw | VertexFormat::Diffuse | VertexFormat::Specular | VertexFormat::Tex1,
        s_akQuad, 6, 0);
    m_spDevice->EndScene();
    uint32_t uiPasses = 0;
    return Succeeded(m_spDevice->ValidateDevice(&uiPasses)) && uiPasses < 2;
}

void EnD3DTexturePipeline::ProbeConfiguration(bool bVertexLast, Surface* const apStage0[7],
                                              Surface* const apStage1[7],
                                              uint8_t aaaucTable[4][8][8], uint32_t auiCounts[3]) {
    using AM = EnTextureModeProperty;
    bool bFirstSingle = true;
    for (uint32_t uiKind = 0; uiKind < EnD3DStageRecord::KIND_COUNT; uiKind++) {
        if (m_aauiStageCache[1][uint32_t(StageState::ColorOp)] == OP(TextureOp::Disable))
            SetStage(1, StageState::AlphaOp, OP(TextureOp::SelectArg2));
        SetStage(1, StageState::ColorOp, m_auiStage1Op[uiKind]);
        const uint8_t ucTwoPass = TwoPassValue(uiKind);
        for (uint32_t a = 0; a < 8; a++) {
            for (uint32_t b = 0; b < 8; b++) {
                uint8_t& ucEntry = aaaucTable[uiKind][a][b];
                if (a == 7 || b == 7 || !apStage0[a] || !apStage1[b]) {
                    ucEntry = 0;
                    continue;
                }
                SetStageTexture(0, apStage0[a], true);
                SetStageTexture(1, apStage1[b], true);
                if (bVertexLast) {
                    SetStageOperations(2, AM::APPLY_MODULATE, true, true);
                    SetStageOperations(0, AM::APPLY_REPLACE, true, true);
                } else {
                    SetStageOperations(0, AM::APPLY_MODULATE, true, true);
                }
                if (DrawProbeQuad()) {
                    ucEntry = TABLE_SINGLE_PASS | ucTwoPass;
                    auiCounts[0]++;
                    if (bFirstSingle) {
                        bFirstSingle = false;
                        const uint32_t uiLinear = FILTER(TextureFilter::Linear);
                        SetStage(1, StageState::MagFilter, uiLinear);
                        SetStage(1, StageState::MinFilter, uiLinear);
                        SetStage(1, StageState::MipFilter, uiLinear);
                        uint32_t uiPasses = 0;
                        if (Failed(m_spDevice->ValidateDevice(&uiPasses)) || uiPasses >= 2)
                            m_uiFlags &= ~FLAG_STAGE1_TRILINEAR;
                        SetStage(1, StageState::MagFilter, FILTER(TextureFilter::Point));
                        SetStage(1, StageState::MinFilter, FILTER(TextureFilter::Point));
                        SetStage(1, StageState::MipFilter, FILTER(TextureFilter::None));
                    }
                } else {
                    ucEntry = ucTwoPass;
                    auiCounts[ucTwoPass ? 1 : 2]++;
                }
            }
        }
    }
}

bool EnD3DTexturePipeline::ProbePairs(bool bVertexLast) {
    using AM = EnTextureModeProperty;
    for (uint32_t uiKind = 0; uiKind < EnD3DStageRecord::KIND_COUNT; uiKind++) {
        if (!(m_aaaucMultitexture[uiKind][1][1] & TABLE_SINGLE_PASS)) continue;
        if (m_aauiStageCache[1][uint32_t(StageState::ColorOp)] == OP(TextureOp::Disable))
            SetStage(1, StageState::AlphaOp, OP(TextureOp::SelectArg2));
        SetStage(1, StageState::ColorOp, m_auiStage1Op[uiKind]);
        SetStageOperations(0, bVertexLast ? AM::APPLY_REPLACE : AM::APPLY_MODULATE, true, true);
        if (!DrawProbeQuad()) return false;
    }
    return true;
}

bool EnD3DTexturePipeline::Probe() {
    using AM = EnTextureModeProperty;
    Ref<Surface> aspStage0[7], aspStage1[7];
    Surface* apStage0[7] = {};
    Surface* apStage1[7] = {};
    const int32_t iSecondMemory = (m_uiFlags & FLAG_SEPARATE_MEMORIES) ? 1 : -1;
    for (uint32_t i = 0; i < 7; i++) {
        aspStage0[i] = m_pTextures->CreateBlankTexture(i, -1);
        aspStage1[i] = m_pTextures->CreateBlankTexture(i, iSecondMemory);
        apStage0[i] = aspStage0[i].Get();
        apStage1[i] = aspStage1[i].Get();
    }
    SetStage(0, StageState::TexCoordIndex, 0);
    SetStage(1, StageState::TexCoordIndex, 0);

    uint8_t aaaaucTable[2][4][8][8] = {};
    uint32_t aauiCounts[2][3] = {};
    ProbeConfiguration(false, apStage0, apStage1, aaaaucTable[0], aauiCounts[0]);
    if (aauiCounts[0][0])
        LogCount("(Creation): Device supports vertex-firstsingle pass multitexturing: %u modes",
                 aauiCounts[0][0]);
    if (!(m_uiFlags & FLAG_VERTEX_LAST) &&
        m_kDesc.maxTextureBlendStages > m_kDesc.maxSimultaneousTextures) {
        EnD3DRender::LogMessage("(Creation): - trying single-pass vertex-last");
        m_uiFlags |= FLAG_VERTEX_LAST;
        ProbeConfiguration(true, apStage0, apStage1, aaaaucTable[1], aauiCounts[1]);
        if (aauiCounts[1][0])
            LogCount("(Creation): Device supports vertex-lastsingle pass multitexturing: %u modes",
                     aauiCounts[1][0]);
    }

    const uint32_t uiFirst = aauiCounts[0][0], uiLast = aauiCounts[1][0];
    bool bVertexLast = false;
    if (uiFirst > uiLast) {
        EnD3DRender::LogMessage(
            "(Creation): Device supports more single-pass vertex-first than vertex-last modes");
    } else if (uiFirst == 0 && uiLast == 0) {
        EnD3DRender::LogMessage("(Creation): Device supports no single-pass modes");
    } else if (uiFirst == uiLast) {
        EnD3DRender::LogMessage(
            "(Creation): Device supports an equal number ofsingle-pass vertex-first and "
            "vertex-last modes");
    } else {
        EnD3DRender::LogMessage(
            "(Creation): Device supports more single-pass vertex-last than vertex-first modes");
        bVertexLast = true;
    }
    if (bVertexLast)
        m_uiFlags |= FLAG_VERTEX_LAST;
    else
        m_uiFlags &= ~FLAG_VERTEX_LAST;
    std::memcpy(m_aaaucMultitexture, aaaaucTable[bVertexLast], sizeof m_aaaucMultitexture);
    const uint32_t* puiCounts = aauiCounts[bVertexLast];
    LogCount("(Creation): Number of available single-pass multitexture modes: %u", puiCounts[0]);
    LogCount("(Creation): Number of available multi-pass multitexture modes: %u", puiCounts[1]);
    LogCount("(Creation): Number of available invalid multitexture modes: %u", puiCounts[2]);

    // Independent addressing and trilinear filtering across the two stages of a pass.
    if (apStage0[1] && apStage1[1]) {
        SetStageTexture(0, apStage0[1], true);
        SetStageTexture(1, apStage1[1], true);
        SetStageOperations(0, bVertexLast ? AM::APPLY_REPLACE : AM::APPLY_MODULATE, true, true);
        SetStage(2, StageState::ColorOp, OP(TextureOp::Disable));
        SetStage(2, StageState::AlphaOp, OP(TextureOp::Disable));
        SetStage(0, StageState::Address, ADDRESS(TextureAddress::Wrap));
        SetStage(1, StageState::Address, ADDRESS(TextureAddress::Clamp));
        if (!ProbePairs(bVertexLast)) m_uiFlags &= ~FLAG_PAIR_ADDRESSING;
        SetStage(0, StageState::Address, ADDRESS(TextureAddress::Wrap));
        SetStage(1, StageState::Address, ADDRESS(TextureAddress::Wrap));
        if (m_kDesc.triCaps.textureFilterCaps & TextureFilterCapBits::MipfLinear) {
            const uint32_t uiLinear = FILTER(TextureFilter::Linear);
            for (uint32_t s = 0; s < 2; s++) {
                SetStage(s, StageState::MagFilter, uiLinear);
                SetStage(s, StageState::MinFilter, uiLinear);
                SetStage(s, StageState::MipFilter, uiLinear);
            }
            if (!ProbePairs(bVertexLast)) m_uiFlags &= ~FLAG_PAIR_TRILINEAR;
        }
    }
    if (!(m_uiFlags & FLAG_PAIR_TRILINEAR))
        EnD3DRender::LogMessage("(Creation): Device cannot do trilerp in multitexture mode");
    if (!(m_uiFlags & FLAG_PAIR_ADDRESSING)) {
        EnD3DRender::LogMessage(
            "(Creation): Device cannot do independent texture addressing inmultitexture mode");
        EnD3DRender::LogMessage("(Creation): EN D3D Renderer will multipass these cases");
    }

    SetStageTexture(0, nullptr, true);
    SetStageTexture(1, nullptr, true);
    return true;
}
