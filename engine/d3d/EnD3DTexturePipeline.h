#pragma once
#include <cstdint>

#include "engine/core/EnVector3.h"
#include "platform/gfx/Device.h"
#include "platform/gfx/Ref.h"

class EnD3DRenderStateManager;
class EnD3DTextureManager;
class EnDynamicEffectState;
class EnPropertyState;

// Spreads the textures of a draw (the base texture, multi-texture maps, texture effects) over
// the device's texture stages and rendering passes, and sets those stages. The renderer asks
// it to build the passes of every draw and then to apply them one by one, drawing after each.
// This pipeline has only the base pass: it draws every object once with the vertex colour
// (lit or not) and no texture.
class EnD3DTexturePipeline {
public:
    // Null when the pipeline cannot be made; it holds a reference to the render state manager.
    static EnD3DTexturePipeline* Create(plat::gfx::Device* pDevice,
                                        const plat::gfx::DeviceDesc& kDesc,
                                        EnD3DRenderStateManager* pRenderStates,
                                        EnD3DTextureManager* pTextures, bool bHardware);
    ~EnD3DTexturePipeline();
    EnD3DTexturePipeline(const EnD3DTexturePipeline&) = delete;
    EnD3DTexturePipeline& operator=(const EnD3DTexturePipeline&) = delete;

    // Probes the device for single-pass multitexture modes.
    bool InitializeMultitexture(bool bProbe);
    // The per-frame flag word; the renderer clears it when a scene opens.
    void ClearFrameFlags() { m_uiFrameFlags = 0; }
    uint32_t GetFrameFlags() const { return m_uiFrameFlags; }
    // Forgets the inputs of the last draw, so that the next one sets its stages afresh.
    void BeginFrame();
    // The camera frame for projected textures and clipping planes: rotation columns c, b, a
    // (in that order) and translation (x, y, z).
    void SetCameraMatrix(const EnVector3& kA, const EnVector3& kB, const EnVector3& kC, float fX,
                         float fY, float fZ);
    // Plans the passes of one draw; true when it takes more than one pass.
    bool BuildPasses(EnPropertyState* pState, EnDynamicEffectState* pEffects, bool bHasNormals,
                     uint32_t uiTextureSets);
    // Sets the stages of the next pass; true while further passes remain.
    bool ApplyNextPass();
    // Features of the states that the pipeline cannot show (0: all of them).
    uint32_t GetUnsupportedFeatures(EnPropertyState* pState, EnDynamicEffectState* pEffects);

    const EnVector3& GetCameraTranslation() const { return m_kCameraTranslate; }
    const EnVector3& GetCameraColumn(uint32_t uiColumn) const { return m_akCameraColumn[uiColumn]; }

private:
    EnD3DTexturePipeline(plat::gfx::Device* pDevice, EnD3DRenderStateManager* pRenderStates,
                         EnD3DTextureManager* pTextures);
    void SetStage(uint32_t uiStage, plat::gfx::StageState eState, uint32_t uiValue);

    plat::gfx::Ref<plat::gfx::Device> m_spDevice;
    EnD3DRenderStateManager* m_pRenderStates;  // counted
    EnD3DTextureManager* m_pTextures;
    uint32_t m_uiFrameFlags = 0;
    EnVector3 m_akCameraColumn[3] = {EnVector3::UNIT_X, EnVector3::UNIT_Y, EnVector3::UNIT_Z};
    EnVector3 m_kCameraTranslate = EnVector3::ZERO;
    bool m_bBaseStagesSet = false;
};
