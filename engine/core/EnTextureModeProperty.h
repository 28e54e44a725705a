#pragma once
#include <cstdint>

#include "engine/core/EnPointer.h"
#include "engine/core/EnProperty.h"

// How the base texture of the objects below it is applied, filtered and addressed (fields of
// the flags word), plus two mipmap parameters that the renderer interprets. The filter and
// clamp texts are shared with the multi-texture property and the texture effect.
class EnTextureModeProperty : public EnProperty {
    EN_DECLARE_RTTI;
    EN_DECLARE_STREAM;

public:
    static constexpr int32_t TYPE = TEXTURE_MODE;

    enum ApplyMode : uint32_t {
        APPLY_REPLACE = 0,
        APPLY_DECAL = 1,
        APPLY_MODULATE = 2,
        APPLY_HILIGHT = 3,
        APPLY_HILIGHT2 = 4,
        APPLY_MAX_MODES = 5,
    };
    enum FilterMode : uint32_t {
        FILTER_NEAREST = 0,
        FILTER_BILERP = 1,
        FILTER_TRILERP = 2,
        FILTER_NEAREST_MIPNEAREST = 3,
        FILTER_NEAREST_MIPLERP = 4,
        FILTER_BILERP_MIPNEAREST = 5,
        FILTER_MAX_MODES = 6,
    };
    enum ClampMode : uint32_t {
        CLAMP_S_CLAMP_T = 0,
        CLAMP_S_WRAP_T = 1,
        WRAP_S_CLAMP_T = 2,
        WRAP_S_WRAP_T = 3,
        CLAMP_MAX_MODES = 4,
    };

    static constexpr uint16_t APPLY_MASK = 0x0007;
    static constexpr uint16_t APPLY_POS = 0;
    static constexpr uint16_t FILTER_MASK = 0x0038;
    static constexpr uint16_t FILTER_POS = 3;
    static constexpr uint16_t CLAMP_MASK = 0x00C0;
    static constexpr uint16_t CLAMP_POS = 6;

    EnTextureModeProperty();
    ~EnTextureModeProperty() override;

    EnObject* CloneObject() override;
    void LoadFromStream(EnStream& kStream) override;
    void SaveToStream(EnStream& kStream) override;
    bool EqualsObject(const EnObject* pObject) const override;
    void AppendMemberStrings(EnTArray<char*>& kStrings) const override;
    int32_t GetPropertyType() const override { return TYPE; }

    ApplyMode GetApplyMode() const {
        return ApplyMode(GetFlagField(APPLY_MASK >> APPLY_POS, APPLY_POS));
    }
    void SetApplyMode(ApplyMode eMode) { SetFlagField(eMode, APPLY_MASK >> APPLY_POS, APPLY_POS); }
    FilterMode GetFilterMode() const {
        return FilterMode(GetFlagField(FILTER_MASK >> FILTER_POS, FILTER_POS));
    }
    void SetFilterMode(FilterMode eMode) {
        SetFlagField(eMode, FILTER_MASK >> FILTER_POS, FILTER_POS);
    }
    ClampMode GetClampMode() const {
        return ClampMode(GetFlagField(CLAMP_MASK >> CLAMP_POS, CLAMP_POS));
    }
    void SetClampMode(ClampMode eMode) { SetFlagField(eMode, CLAMP_MASK >> CLAMP_POS, CLAMP_POS); }
    int16_t GetLValue() const { return m_sL; }
    void SetLValue(int16_t sL) { m_sL = sL; }
    int16_t GetKValue() const { return m_sK; }
    void SetKValue(int16_t sK) { m_sK = sK; }

    // New[] dump lines "label = APPLY_...", "label = FILTER_..." and "label = ..._S_..._T".
    static char* MakeApplyViewerString(const char* pcLabel, uint32_t uiApply);
    static char* MakeFilterViewerString(const char* pcLabel, uint32_t uiFilter);
    static char* MakeClampViewerString(const char* pcLabel, uint32_t uiClamp);

protected:
    int16_t m_sL = 0;
    int16_t m_sK = -75;
};

// The shared default instance: a plain new EnTextureModeProperty.
EnPointer<EnTextureModeProperty> GetDefaultTextureModeProperty();
