#pragma once
#include <cstdint>
#include <memory>

#include "engine/core/EnAlphaProperty.h"
#include "engine/core/EnMatrix3.h"
#include "engine/core/EnPointer.h"
#include "engine/core/EnVector3.h"
#include "engine/d3d/EnD3DStageRecord.h"
#include "engine/geometry/EnDynamicEffectState.h"
#include "platform/gfx/Device.h"
#include "platform/gfx/Ref.h"
#include "platform/gfx/VertexBuffer.h"

class EnD3DRenderStateManager;
class EnD3DTextureManager;
class EnD3DVertexBufferPool;
class EnImage;
class EnPropertyState;
class EnTextureEffect;

// Spreads the textures of one draw (the base texture with its texture mode, the maps of a
// multi-texture property and the texture effects that reach the object) over the device's
// texture stages and rendering passes, and sets those stages. At creation it reads the device's
// filtering, addressing and blending capabilities and probes which pairs of texture formats
// it can draw in one pass; for each draw the renderer asks it to build the passes and then to
// apply them one by one, drawing after each. Passes after the first are blended into the frame
// buffer by the kind of their first texture. Every stage state goes through a cache and is
// sent only when it changes.
class EnD3DTexturePipeline {
public:
    // m_uiFlags.
    enum : uint32_t {
        FLAG_INDEPENDENT_UV = 0x001,     // U and V addressing may differ on one stage
        FLAG_PAIR_TRILINEAR = 0x002,     // trilinear filtering in a two-texture pass
        FLAG_SEPARATE_MEMORIES = 0x004,  // the two stages take textures from separate memories
        FLAG_VERTEX_LAST = 0x008,        // the vertex colour is combined in stage 2
        FLAG_STAGE1_TRILINEAR = 0x010,   // stage 1 takes its own trilinear filter
        FLAG_PAIR_ADDRESSING = 0x020,    // the two stages of a pass may address differently
        FLAG_DECAL_ALPHA = 0x080,        // decal by texture alpha
        FLAG_PROJECTED = 0x100,          // projected texture coordinates
    };
    // Multitexture table entries.
    enum : uint8_t { TABLE_SINGLE_PASS = 0x80, TABLE_TWO_PASS = 2 };
    // Bits of GetUnsupportedFeatures.
    enum : uint32_t {
        UNSUPPORTED_MULTIPASS = 0x1,
        UNSUPPORTED_MULTIPASS_BLEND = 0x8,
        UNSUPPORTED_CLAMP = 0x10,
        UNSUPPORTED_UV_ADDRESSING = 0x20,
        UNSUPPORTED_MULTIPASS_FOG = 0x40,
        UNSUPPORTED_NO_SOURCE = 0x80,
        UNSUPPORTED_TOO_MANY_STAGES = 0x100,
        UNSUPPORTED_PROJECTED_LIGHT = 0x200,
        UNSUPPORTED_PROJECTED_SHADOW = 0x400,
        UNSUPPORTED_ENVIRONMENT_MAP = 0x800,
        UNSUPPORTED_FOG_MAP = 0x1000,
        UNSUPPORTED_DARK_MAP = 0x2000,
        UNSUPPORTED_DETAIL_MAP = 0x4000,
        UNSUPPORTED_GLOSS_MAP = 0x8000,
        UNSUPPORTED_GLOW_OR_DECAL_MAP = 0x10000,
        UNSUPPORTED_PERSPECTIVE = 0x80000,
        UNSUPPORTED_CLIPPING_PLANE = 0x100000,
    };
    static constexpr uint32_t MAX_RECORDS = 8;
    static constexpr uint32_t FILTER_MODES = 6;
    static constexpr uint32_t APPLY_MODES = 5;

    // Null when the device cannot do what the pipeline needs; it holds a reference to the
    // render state manager and keeps the texture manager for its textures.
    static EnD3DTexturePipeline* Create(plat::gfx::Device* pDevice,
                                        const plat::gfx::DeviceDesc& kDesc,
                                        EnD3DRenderStateManager* pRenderStates,
                                        EnD3DTextureManager* pTextures, bool bHardware);
    ~EnD3DTexturePipeline();
    EnD3DTexturePipeline(const EnD3DTexturePipeline&) = delete;
    EnD3DTexturePipeline& operator=(const EnD3DTexturePipeline&) = delete;

    // Fills the multitexture table: without a probe (or with fewer than two stages) from the
    // blending capabilities alone, with one by drawing and validating every pair.
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
    // Rebuilds the texture-effect records when the state differs from the last one.
    void SetEffectState(EnDynamicEffectState* pEffects);
    // The effect records are rebuilt at the next draw (an effect they came from is going).
    void ForgetEffectState();
    // Plans the passes of one draw; true when it takes more than one pass and none of them
    // holds a clipped texture effect.
    bool BuildPasses(EnPropertyState* pState, EnDynamicEffectState* pEffects, bool bHasNormals,
                     uint32_t uiTextureSets);
    // Sets the stages of the next pass; true while further passes remain.
    bool ApplyNextPass();
    // Features of the states that the pipeline cannot show (0: all of them).
    uint32_t GetUnsupportedFeatures(EnPropertyState* pState, EnDynamicEffectState* pEffects);
    // Whether an effect that wants drawing found no stage; for a placed one, bPlane says that
    // its clipping plane did not fit and bPerspective that it projects in perspective.
    bool IsEffectUnplaced(const EnTextureEffect* pEffect, bool& bPlane, bool& bPerspective) const;
    // Stage defaults of stages 0 to 2 (stage 3 off), sent whatever the caches say.
    void ResetStages();
    // Transforms (and lights) the source vertices into a pooled buffer of screen vertices,
    // with one coordinate set per generated coordinate of the active records; null on failure.
    plat::gfx::VertexBuffer* PrepareTransformedVertices(bool bLit, bool bClip, uint32_t uiVertices,
                                                        uint32_t uiStagesUsed,
                                                        plat::gfx::VertexBuffer* pSource);

    // The coordinate generators of the three coordinate modes of texture effects: from the
    // effect's world projection (matrix and translation) into a record's transform.
    void GenerateParallelCoords(const EnMatrix3& kProj, const EnVector3& kTrans,
                                EnD3DStageRecord& kRecord) const;
    void GeneratePerspectiveCoords(const EnMatrix3& kProj, const EnVector3& kTrans,
                                   EnD3DStageRecord& kRecord) const;
    void GenerateSphereMapCoords(const EnMatrix3& kProj, const EnVector3& kTrans,
                                 EnD3DStageRecord& kRecord) const;

    // What was read and planned, for the renderer and for tests.
    uint32_t GetFlags() const { return m_uiFlags; }
    uint8_t GetMultitextureEntry(uint32_t uiKind, uint32_t uiFirst, uint32_t uiSecond) const {
        return m_aaaucMultitexture[uiKind & 3][uiFirst & 7][uiSecond & 7];
    }
    // Min, mag and mip filter values of a filter mode.
    uint32_t GetFilterState(uint32_t uiMode, uint32_t uiWhich) const {
        return m_aauiFilter[uiMode % FILTER_MODES][uiWhich % 3];
    }
    uint32_t GetStage0ColorOp(uint32_t uiApply) const { return m_aauiStage0Op[uiApply % 5][0]; }
    uint32_t GetStage0AlphaOp(uint32_t uiApply) const { return m_aauiStage0Op[uiApply % 5][1]; }
    uint32_t GetCurrentApplyMode() const { return m_uiApplyMode; }
    uint32_t GetPassCount() const { return m_uiPassCount; }
    uint32_t GetPassStages(uint32_t uiPass) const {
        return uiPass < m_uiPassCount ? m_aucPassStages[uiPass] : 0;
    }
    // The records of the pass list in order (null past the end).
    const EnD3DStageRecord* GetPassRecord(uint32_t uiIndex) const {
        return uiIndex < m_uiPassRecords ? m_apPass[uiIndex] : nullptr;
    }
    uint32_t GetPassRecordCount() const { return m_uiPassRecords; }
    const EnD3DStageRecord& GetEmptyRecord() const { return m_kEmpty; }
    bool IsClipRecord(const EnD3DStageRecord* pRecord) const;
    EnAlphaProperty* GetPassBlend(uint32_t uiKind) const { return m_aspBlend[uiKind & 3]; }
    EnImage* GetClipImage() const { return m_spClipImage; }
    const EnMatrix3& GetCameraRotation() const { return m_kCameraRotate; }
    const EnVector3& GetCameraTranslation() const { return m_kCameraTranslate; }
    const EnVector3 GetCameraColumn(uint32_t uiColumn) const {
        return m_kCameraRotate.GetColumn(uiColumn % 3);
    }

private:
    enum : uint32_t { FILTER_MIN = 0, FILTER_MAG = 1, FILTER_MIP = 2 };
    static constexpr uint32_t UNKNOWN = 0xffffffffu;
    using CoordGenerator = void (EnD3DTexturePipeline::*)(const EnMatrix3&, const EnVector3&,
                                                          EnD3DStageRecord&) const;

    EnD3DTexturePipeline(plat::gfx::Device* pDevice, const plat::gfx::DeviceDesc& kDesc,
                         EnD3DRenderStateManager* pRenderStates, EnD3DTextureManager* pTextures);
    void ReadCaps();
    void BuildFilterTable();
    void FillTableWithoutProbe();
    uint8_t TwoPassValue(uint32_t uiKind) const;
    bool Probe();
    // One probe configuration; the counts of single-pass, multi-pass and invalid pairs.
    void ProbeConfiguration(bool bVertexLast, plat::gfx::Surface* const apStage0[7],
                            plat::gfx::Surface* const apStage1[7], uint8_t aaaucTable[4][8][8],
                            uint32_t auiCounts[3]);
    bool DrawProbeQuad();
    bool ProbePairs(bool bVertexLast);

    // Stage state through the cache; Send sends whatever the cache says.
    void SetStage(uint32_t uiStage, plat::gfx::StageState eState, uint32_t uiValue);
    void SendStage(uint32_t uiStage, plat::gfx::StageState eState, uint32_t uiValue);
    void SetStageOperations(uint32_t uiStage, uint32_t uiApply, bool bTexture, bool bVertexColor);
    void SetStageTexture(uint32_t uiStage, plat::gfx::Surface* pSurface, bool bChanged);
    void SetCoordinates(uint32_t uiStage, const EnD3DStageRecord& kRecord);
    void SetFilter(uint32_t uiStage, uint32_t uiFilter, bool bMipmapped, bool bTrilinear);
    void SetAddressing(uint32_t uiStage, const EnD3DStageRecord& kRecord);
    void DisableStage(uint32_t uiStage);

    EnD3DStageRecord* MakeStage(EnImage* pImage, uint32_t uiClamp, uint32_t uiFilter,
                                uint32_t uiKind, uint32_t uiTexCoord, const EnObject* pSource);
    bool MakeEffectStage(EnTextureEffect* pEffect, EnD3DStageRecord& kRecord, uint32_t uiSlots);
    void SetClipPlane(EnD3DStageRecord& kClip, const EnTextureEffect& kEffect, bool bShadow) const;
    bool CanPair(const EnD3DStageRecord& kA, const EnD3DStageRecord& kB) const;
    void AddPass(EnD3DStageRecord* pA, EnD3DStageRecord* pB = nullptr);
    uint32_t AddPair(EnD3DStageRecord* pA, EnD3DStageRecord* pB, bool bTogether);
    uint32_t AddEffectPair(EnD3DStageRecord* pA, EnD3DStageRecord* pB);
    void ClearPasses();

    plat::gfx::Ref<plat::gfx::Device> m_spDevice;
    plat::gfx::DeviceDesc m_kDesc;
    uint32_t m_uiFlags = 0;
    uint32_t m_uiApplyMode = 2;
    uint32_t m_aauiAddress[4][2];
    uint32_t m_aauiFilter[FILTER_MODES][3];
    uint32_t m_aauiStage0Op[APPLY_MODES][2];
    uint32_t m_auiStage1Op[EnD3DStageRecord::KIND_COUNT];
    uint8_t m_aaaucMultitexture[4][8][8] = {};
    EnD3DRenderStateManager* m_pRenderStates;  // counted
    EnD3DTextureManager* m_pTextures;
    EnPointer<EnAlphaProperty> m_aspBlend[EnD3DStageRecord::KIND_COUNT];
    uint32_t m_aauiStageCache[plat::gfx::kMaxTextureStages][uint32_t(plat::gfx::StageState::Count)];
    EnPointer<EnImage> m_aspStageImage[2];
    plat::gfx::Surface* m_apStageSurface[2] = {};  // compared only
    uint32_t m_uiMaxRecords = MAX_RECORDS;
    uint32_t m_uiProjectedFlags = plat::gfx::TextureTransform::Count2;
    uint32_t m_uiFrameFlags = 0;
    std::unique_ptr<EnD3DVertexBufferPool> m_spVertexPool;

    // Records of the property state's textures.
    EnD3DStageRecord m_akStage[MAX_RECORDS];
    uint32_t m_uiStageCount = 0;
    EnD3DStageRecord m_kEmpty;
    // Texture-effect records.
    EnD3DStageRecord m_akLight[MAX_RECORDS];
    EnD3DStageRecord m_akClippedLight[MAX_RECORDS];
    EnD3DStageRecord m_akLightClip[MAX_RECORDS];
    EnD3DStageRecord m_akShadow[MAX_RECORDS];
    EnD3DStageRecord m_akClippedShadow[MAX_RECORDS];
    EnD3DStageRecord m_akShadowClip[MAX_RECORDS];
    EnD3DStageRecord m_kEnvironment;
    EnD3DStageRecord m_kFog;
    uint32_t m_uiLights = 0, m_uiClippedLights = 0, m_uiShadows = 0, m_uiClippedShadows = 0;
    uint32_t m_uiEffectRecords = 0;
    bool m_bEnvironment = false;
    bool m_bFog = false;
    EnPointer<EnImage> m_spClipImage;
    EnMatrix3 m_kCameraRotate{1.0f, 0.0f, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f, 0.0f, 1.0f};
    EnVector3 m_kCameraTranslate = EnVector3::ZERO;
    CoordGenerator m_apfnGenerate[3];

    // The pass list.
    EnD3DStageRecord* m_apPass[MAX_RECORDS] = {};
    uint8_t m_aucPassStages[MAX_RECORDS] = {};
    uint32_t m_uiPassRecords = 0;
    uint32_t m_uiPassCount = 0;
    uint32_t m_uiNextRecord = 0;
    uint32_t m_uiNextPass = 0;
    bool m_bClippedEffectPass = false;
    // Held, so that a new state can never turn up at the address of the one remembered.
    EnPointer<EnDynamicEffectState> m_spLastEffects;
    bool m_bEffectsValid = false;
};
