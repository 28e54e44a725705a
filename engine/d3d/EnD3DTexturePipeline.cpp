#include "engine/d3d/EnD3DTexturePipeline.h"

#include "engine/d3d/EnD3DRender.h"
#include "engine/d3d/EnD3DRenderStateManager.h"

using namespace plat::gfx;

EnD3DTexturePipeline::EnD3DTexturePipeline(Device* pDevice, EnD3DRenderStateManager* pRenderStates,
                                           EnD3DTextureManager* pTextures)
    : m_spDevice(Ref<Device>::Share(pDevice)),
      m_pRenderStates(pRenderStates),
      m_pTextures(pTextures) {
    if (m_pRenderStates) m_pRenderStates->AddReference();
}

EnD3DTexturePipeline::~EnD3DTexturePipeline() {
    if (m_pRenderStates) m_pRenderStates->ReleaseReference();
}

EnD3DTexturePipeline* EnD3DTexturePipeline::Create(Device* pDevice, const DeviceDesc&,
                                                   EnD3DRenderStateManager* pRenderStates,
                                                   EnD3DTextureManager* pTextures, bool) {
    EnD3DRender::LogMessage("(Creation): Attempting to create texture pipeline manager");
    if (!pDevice) return nullptr;
    auto* pPipeline = new EnD3DTexturePipeline(pDevice, pRenderStates, pTextures);
    if (!pPipeline->InitializeMultitexture(false)) {
        delete pPipeline;
        return nullptr;
    }
    EnD3DRender::LogMessage("(Creation): Texture pipeline manager creation succeeded");
    return pPipeline;
}

bool EnD3DTexturePipeline::InitializeMultitexture(bool) {
    return true;
}

void EnD3DTexturePipeline::BeginFrame() {
    m_bBaseStagesSet = false;
}

void EnD3DTexturePipeline::SetCameraMatrix(const EnVector3& kA, const EnVector3& kB,
                                           const EnVector3& kC, float fX, float fY, float fZ) {
    m_akCameraColumn[0] = kC;
    m_akCameraColumn[1] = kB;
    m_akCameraColumn[2] = kA;
    m_kCameraTranslate = EnVector3(fX, fY, fZ);
}

bool EnD3DTexturePipeline::BuildPasses(EnPropertyState*, EnDynamicEffectState*, bool, uint32_t) {
    return false;
}

void EnD3DTexturePipeline::SetStage(uint32_t uiStage, StageState eState, uint32_t uiValue) {
    m_spDevice->SetTextureStageState(uiStage, eState, uiValue);
}

bool EnD3DTexturePipeline::ApplyNextPass() {
    // The base pass: stage 0 passes the vertex colour on, everything after it is off.
    if (!m_bBaseStagesSet) {
        m_spDevice->SetTexture(0, nullptr);
        SetStage(0, StageState::ColorOp, uint32_t(TextureOp::SelectArg1));
        SetStage(0, StageState::ColorArg1, TextureArg::Diffuse);
        SetStage(0, StageState::AlphaOp, uint32_t(TextureOp::SelectArg1));
        SetStage(0, StageState::AlphaArg1, TextureArg::Diffuse);
        SetStage(1, StageState::ColorOp, uint32_t(TextureOp::Disable));
        SetStage(1, StageState::AlphaOp, uint32_t(TextureOp::Disable));
        m_bBaseStagesSet = true;
    }
    return false;
}

uint32_t EnD3DTexturePipeline::GetUnsupportedFeatures(EnPropertyState*, EnDynamicEffectState*) {
    return 0;
}
