#pragma once
#include <cstdint>

#include "engine/core/EnColorRGB.h"
#include "engine/core/EnPointer.h"
#include "engine/core/EnProperty.h"

// Distance fog for the objects below it: on/off and the fog function live in the flags word,
// the depth and the fog colour beside it.
class EnFogProperty : public EnProperty {
    EN_DECLARE_RTTI;
    EN_DECLARE_STREAM;

public:
    static constexpr int32_t TYPE = FOG;

    enum FogFunction : uint32_t {
        FOG_Z_LINEAR = 0,
        FOG_RANGE_SQ = 1,
        FOG_VERTEX_ALPHA = 2,
        FOG_MAX_MODES = 3,
    };

    static constexpr uint16_t FOG_MASK = 0x0002;
    static constexpr uint16_t FOG_FUNC_MASK = 0x0018;
    static constexpr uint16_t FOG_FUNC_POS = 3;

    EnFogProperty();
    ~EnFogProperty() override;

    EnObject* CloneObject() override;
    void LoadFromStream(EnStream& kStream) override;
    void SaveToStream(EnStream& kStream) override;
    bool EqualsObject(const EnObject* pObject) const override;
    void AppendMemberStrings(EnTArray<char*>& kStrings) const override;
    int32_t GetPropertyType() const override { return TYPE; }

    bool GetFog() const { return (m_usFlags & FOG_MASK) != 0; }
    void SetFog(bool bFog) { SetFlagBit(bFog, 1); }
    FogFunction GetFogFunction() const {
        return FogFunction(GetFlagField(FOG_FUNC_MASK >> FOG_FUNC_POS, FOG_FUNC_POS));
    }
    void SetFogFunction(FogFunction eFunction) {
        SetFlagField(eFunction, FOG_FUNC_MASK >> FOG_FUNC_POS, FOG_FUNC_POS);
    }
    float GetDepth() const { return m_fDepth; }
    void SetDepth(float fDepth) { m_fDepth = fDepth; }
    const EnColorRGB& GetFogColor() const { return m_color; }
    void SetFogColor(const EnColorRGB& kColor) { m_color = kColor; }

protected:
    float m_fDepth = 1.0f;
    EnColorRGB m_color;
};

// The shared default instance: a plain new EnFogProperty.
EnPointer<EnFogProperty> GetDefaultFogProperty();
