#pragma once
#include <cstdint>

#include "engine/core/EnPointer.h"
#include "engine/core/EnProperty.h"

// Which material term the per-vertex colours of the objects below it stand in for, and which
// terms lighting combines.
class EnVertexColorProperty : public EnProperty {
    EN_DECLARE_RTTI;
    EN_DECLARE_STREAM;

public:
    static constexpr int32_t TYPE = VERTEX_COLOR;

    enum SourceVertexMode : uint32_t {
        SOURCE_IGNORE = 0,
        SOURCE_EMISSIVE = 1,
        SOURCE_AMB_DIFF = 2,
        SOURCE_MAX_MODES = 3,
    };
    enum LightingMode : uint32_t {
        LIGHTING_E = 0,
        LIGHTING_E_A_D = 1,
        LIGHTING_MAX_MODES = 2,
    };

    EnVertexColorProperty();
    ~EnVertexColorProperty() override;

    EnObject* CloneObject() override;
    void LoadFromStream(EnStream& kStream) override;
    void SaveToStream(EnStream& kStream) override;
    bool EqualsObject(const EnObject* pObject) const override;
    void AppendMemberStrings(EnTArray<char*>& kStrings) const override;
    int32_t GetPropertyType() const override { return TYPE; }

    SourceVertexMode GetSourceMode() const { return SourceVertexMode(m_eSource); }
    void SetSourceMode(SourceVertexMode eSource) { m_eSource = eSource; }
    LightingMode GetLightingMode() const { return LightingMode(m_eLighting); }
    void SetLightingMode(LightingMode eLighting) { m_eLighting = eLighting; }

protected:
    // Kept as the file's 32-bit words, so that values without a name survive a round trip.
    uint32_t m_eSource = SOURCE_IGNORE;
    uint32_t m_eLighting = LIGHTING_E_A_D;
};

// The shared default instance: a plain new EnVertexColorProperty.
EnPointer<EnVertexColorProperty> GetDefaultVertexColorProperty();
