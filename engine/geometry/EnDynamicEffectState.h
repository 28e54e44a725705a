#pragma once
#include <cstdint>
#include <vector>

#include "engine/core/EnPointer.h"

class EnDynamicEffect;
class EnLight;
class EnTextureEffect;

// The dynamic effects that reach one drawable object, sorted the way the renderer consumes
// them: lights, projected lights, projected shadows, one environment map and one fog map.
// Equal states are shared between objects, so states are compared often; every list is kept in
// ascending order of the effects' m_uiIndex (as signed values), which makes copying and
// comparing single linear passes. The state does not hold references on its effects: an effect
// reaches objects only while it is attached to their nodes.
//
// Reference-counted like an engine object (EnPointer works on it): the count starts at 0 and
// the last release deletes the state.
class EnDynamicEffectState {
public:
    EnDynamicEffectState() = default;
    EnDynamicEffectState(const EnDynamicEffectState&) = delete;
    EnDynamicEffectState& operator=(const EnDynamicEffectState&) = delete;
    virtual ~EnDynamicEffectState() = default;

    void AddReference() { ++m_iRefCount; }
    int32_t ReleaseReference();
    int32_t GetRefCount() const { return m_iRefCount; }

    // Lights go to the light list, texture effects by their texture mode; an environment or
    // fog map replaces the one held before. Null and effects already present are ignored.
    void AddEffect(EnDynamicEffect* pEffect);
    // A new state (count 0) with the same effects in the same order.
    EnDynamicEffectState* Copy() const;
    // The same maps and the same effects at every position of every list; false for null.
    bool Equals(const EnDynamicEffectState* pOther) const;

    const std::vector<EnLight*>& GetLights() const { return m_kLights; }
    const std::vector<EnTextureEffect*>& GetProjectedLights() const { return m_kProjLights; }
    const std::vector<EnTextureEffect*>& GetProjectedShadows() const { return m_kProjShadows; }
    EnTextureEffect* GetEnvironmentMap() const { return m_pEnvMap; }
    EnTextureEffect* GetFogMap() const { return m_pFogMap; }

    // The last state handed out during an effect pass, so that consecutive geometry objects
    // whose states are equal share one state object. The pass empties it at its start and end.
    static EnDynamicEffectState* GetSharedState();
    static void SetSharedState(EnDynamicEffectState* pState);
    static void ClearSharedState();

private:
    template <class T>
    static void SortedInsert(std::vector<T*>& kList, T* pEffect);

    int32_t m_iRefCount = 0;
    std::vector<EnLight*> m_kLights;
    std::vector<EnTextureEffect*> m_kProjLights;
    std::vector<EnTextureEffect*> m_kProjShadows;
    EnTextureEffect* m_pEnvMap = nullptr;
    EnTextureEffect* m_pFogMap = nullptr;
};
