#pragma once
#include <cstdint>

#include "engine/core/EnPointer.h"
#include "engine/core/EnTList.h"
#include "engine/core/EnTMap.h"
#include "engine/d3d/EnD3DLightRecord.h"
#include "platform/gfx/Device.h"
#include "platform/gfx/Ref.h"

class EnDynamicEffectState;
class EnLight;
class EnTextureModeProperty;
class EnVertexColorProperty;

// Turns the engine lights that reach an object into device lights, switches device lighting
// on or off for each draw, chooses the material colour sources from the object's vertex
// colour property and sends the summed colour of the ambient lights as the device's ambient
// colour. The light set is rebuilt only when the effect state (or the use of lights) changes
// between draws; a light is converted again only when its revision moves.
class EnD3DLightManager {
public:
    // Which material colours come from the vertex colour.
    enum SourceMode : uint32_t {
        SOURCE_MATERIAL = 0,  // none
        SOURCE_EMISSIVE = 1,  // the emissive colour
        SOURCE_AMB_DIFF = 2,  // the ambient and diffuse colours
    };
    // Lights dimmed below this are left off.
    static constexpr float MIN_DIMMER = 0.01f;

    explicit EnD3DLightManager(plat::gfx::Device* pDevice);
    ~EnD3DLightManager();
    EnD3DLightManager(const EnD3DLightManager&) = delete;
    EnD3DLightManager& operator=(const EnD3DLightManager&) = delete;

    void SetLighting(EnDynamicEffectState* pEffects, bool bHasTexture,
                     const EnTextureModeProperty* pTextureMode,
                     const EnVertexColorProperty* pVertexColor);
    // Switches every light off and forgets the last effect state (a scene opens).
    void DisableAllLights();
    // Forgets a light that is being destroyed.
    void RemoveLight(EnLight* pLight);
    // Converts the light into the record; false when the record is up to date already.
    static bool FillLightRecord(EnD3DLightRecord& kRecord, const EnLight& kLight);

    bool IsLightingOn() const { return m_bLighting; }
    bool IsUsingLights() const { return m_bUseLights; }
    uint32_t GetSourceMode() const { return m_uiSourceMode; }
    uint32_t GetAmbient() const { return m_uiAmbient; }
    uint32_t GetEnabledCount() const { return m_kEnabled.GetCount(); }
    uint32_t GetRecordCount() const { return m_kRecords.GetCount(); }
    uint32_t GetApplyMode() const { return m_uiApplyMode; }

private:
    void SetDeviceLighting(bool bOn);
    void SetSourceMode(uint32_t uiMode);
    void RebuildLights(EnDynamicEffectState* pEffects);

    EnTMap<uint32_t, EnD3DLightRecord*> m_kRecords{37};
    EnTList<EnLight*> m_kEnabled{2};
    plat::gfx::Ref<plat::gfx::Device> m_spDevice;
    // Held, so that a new state can never turn up at the address of the one remembered.
    EnPointer<EnDynamicEffectState> m_spLastEffects;
    bool m_bLastUseLights = false;
    bool m_bHaveLast = false;
    uint32_t m_uiApplyMode = 0;
    bool m_bLighting = false;
    bool m_bUseLights = false;
    uint32_t m_uiSourceMode = SOURCE_MATERIAL;
    uint32_t m_uiAmbient = 0;
};
