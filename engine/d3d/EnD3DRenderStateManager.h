#pragma once
#include <cstdint>

#include "engine/core/EnAlphaProperty.h"
#include "engine/core/EnFogProperty.h"
#include "engine/core/EnPointer.h"
#include "engine/d3d/EnD3DMaterialCache.h"
#include "platform/gfx/Device.h"
#include "platform/gfx/Ref.h"

class EnMatrix3;
class EnPropertyState;
class EnVector3;

// Turns the property state of each drawn object into device render states, keeping a copy of
// every state it has set so that a state goes to the device only when its value changes. The
// alpha and fog properties are skipped whole when the same property object is applied twice
// in a row; materials are converted once per revision and set only when they change. One per
// renderer; the renderer and the texture pipeline share it by reference count.
class EnD3DRenderStateManager {
public:
    // m_uiFlags.
    enum : uint32_t {
        FLAG_PIXEL_FOG = 0x01,  // per-pixel (table) fog in w
        FLAG_HARDWARE = 0x02,
        FLAG_STENCIL = 0x04,  // a stencil buffer is present
        FLAG_ZBUFFER = 0x08,
        FLAG_WBUFFER = 0x10,
    };
    // GetUnsupportedFeatures bits.
    enum : uint32_t {
        UNSUPPORTED_BLEND = 0x2,
        UNSUPPORTED_APPLY_MODE = 0x4,
        UNSUPPORTED_STENCIL = 0x200000,
    };

    // Reads the device caps and sends the default states; one reference.
    static EnD3DRenderStateManager* Create(plat::gfx::Device* pDevice,
                                           const plat::gfx::DeviceDesc& kDesc, bool bHardware,
                                           bool bZBuffer, bool bStencil);
    EnD3DRenderStateManager(plat::gfx::Device* pDevice, const plat::gfx::DeviceDesc& kDesc);
    ~EnD3DRenderStateManager();
    EnD3DRenderStateManager(const EnD3DRenderStateManager&) = delete;
    EnD3DRenderStateManager& operator=(const EnD3DRenderStateManager&) = delete;

    void AddReference() { ++m_uiRefCount; }
    void ReleaseReference() {
        if (--m_uiRefCount == 0) delete this;
    }
    uint32_t GetRefCount() const { return m_uiRefCount; }

    void ReadDeviceCaps();
    void SetDefaultStates();
    // Forgets the last alpha and fog properties, so that the first object of a frame sends them.
    void BeginFrame();
    void UpdateRenderStates(EnPropertyState* pState);
    // Blending and alpha test of one property alone, skipped when it is the property applied
    // last; the texture pipeline blends its later passes through it.
    void ApplyAlphaProperty(EnAlphaProperty* pAlpha) { ApplyAlpha(pAlpha); }
    uint32_t GetUnsupportedFeatures(EnPropertyState* pState) const;
    // Normals are renormalised only for a scale visibly away from 1.
    void UpdateNormalizeNormals(float fScale, const EnMatrix3& kRotate,
                                const EnVector3& kTranslate);

    // The camera's depth range, which linear fog is measured against.
    void SetCameraRange(float fNear, float fFar, float fRange);
    // Linear fog reaches the amount f at the far plane; values not above 0 become 0.00001.
    void SetMaxFogValue(float fValue);
    float GetMaxFogValue() const { return m_fMaxFogValue; }
    float GetFogEndFactor() const { return m_fFogEndFactor; }

    uint32_t GetFlags() const { return m_uiFlags; }
    uint32_t GetSupportedSourceBlends() const { return m_uiSourceBlends; }
    uint32_t GetSupportedDestBlends() const { return m_uiDestBlends; }
    // The value last sent for a state (the cache).
    uint32_t GetCachedState(plat::gfx::RenderState eState) const {
        return m_auiState[uint32_t(eState)];
    }
    const EnD3DMaterialCache& GetMaterialCache() const { return m_kMaterials; }

    // Engine alpha function to device blend factor; engine alpha test to device comparison.
    static plat::gfx::Blend BlendFactor(uint32_t uiFunction);
    static plat::gfx::Cmp AlphaTest(uint32_t uiFunction);

private:
    // Sends the state when its value differs from the one last sent.
    void SetState(plat::gfx::RenderState eState, uint32_t uiValue);
    // Sends the state whatever was sent before.
    void SendState(plat::gfx::RenderState eState, uint32_t uiValue);
    void ApplyAlpha(EnAlphaProperty* pAlpha);
    void ApplyFog(EnFogProperty* pFog);

    uint32_t m_uiRefCount = 1;
    plat::gfx::Ref<plat::gfx::Device> m_spDevice;
    plat::gfx::DeviceDesc m_kDesc;
    uint32_t m_uiFlags = 0;
    uint32_t m_uiSourceBlends = 0;
    uint32_t m_uiDestBlends = 0;
    uint32_t m_auiState[uint32_t(plat::gfx::RenderState::Count)] = {};
    // Held, so that a new property can never turn up at the address of the one remembered.
    EnPointer<EnAlphaProperty> m_spLastAlpha;
    EnPointer<EnFogProperty> m_spLastFog;
    float m_fFogStart = -1.0f;
    float m_fFogEnd = -1.0f;
    float m_fNear = 0.0f;
    float m_fFar = 0.0f;
    float m_fRange = 0.0f;
    float m_fFogEndFactor = 0.0f;
    float m_fMaxFogValue = 1.0f;
    bool m_bStencilOn = false;
    EnD3DMaterialCache m_kMaterials;
};
