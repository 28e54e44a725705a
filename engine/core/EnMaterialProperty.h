#pragma once
#include <cstdint>

#include "engine/core/EnColorRGB.h"
#include "engine/core/EnPointer.h"
#include "engine/core/EnProperty.h"

// The lighting material of the objects below it: ambient, diffuse, specular and emissive
// colours, shine (specular exponent) and opacity. For the renderer's caches it also carries a
// process-wide unique index and a revision that rises each time a changed material is fetched
// for drawing (EnPropertyState::GetMaterialProperty). Bit 0 of the flags word is the changed
// flag; every setter of a value raises it.
class EnMaterialProperty : public EnProperty {
    EN_DECLARE_RTTI;
    EN_DECLARE_STREAM;

public:
    static constexpr int32_t TYPE = MATERIAL;
    static constexpr uint16_t CHANGED_MASK = 0x0001;

    EnMaterialProperty();
    ~EnMaterialProperty() override;

    // The copy has its own new index and revision 1.
    EnObject* CloneObject() override;
    void LoadFromStream(EnStream& kStream) override;
    void SaveToStream(EnStream& kStream) override;
    // The values only: index, revision and flags word do not count.
    bool EqualsObject(const EnObject* pObject) const override;
    void AppendMemberStrings(EnTArray<char*>& kStrings) const override;
    int32_t GetPropertyType() const override { return TYPE; }

    const EnColorRGB& GetAmbientColor() const { return m_amb; }
    void SetAmbientColor(const EnColorRGB& kColor) {
        m_amb = kColor;
        SetChanged(true);
    }
    const EnColorRGB& GetDiffuseColor() const { return m_diff; }
    void SetDiffuseColor(const EnColorRGB& kColor) {
        m_diff = kColor;
        SetChanged(true);
    }
    const EnColorRGB& GetSpecularColor() const { return m_spec; }
    void SetSpecularColor(const EnColorRGB& kColor) {
        m_spec = kColor;
        SetChanged(true);
    }
    const EnColorRGB& GetEmittance() const { return m_emit; }
    void SetEmittance(const EnColorRGB& kColor) {
        m_emit = kColor;
        SetChanged(true);
    }
    float GetShineness() const { return m_fShine; }
    void SetShineness(float fShine) {
        m_fShine = fShine;
        SetChanged(true);
    }
    float GetAlpha() const { return m_fAlpha; }
    void SetAlpha(float fAlpha) {
        m_fAlpha = fAlpha;
        SetChanged(true);
    }

    bool GetChanged() const { return (m_usFlags & CHANGED_MASK) != 0; }
    void SetChanged(bool bChanged) { SetFlagBit(bChanged, 0); }
    uint32_t GetIndex() const { return m_uiIndex; }
    uint32_t GetRevision() const { return m_uiRevision; }
    void SetRevision(uint32_t uiRevision) { m_uiRevision = uiRevision; }

protected:
    uint32_t m_uiIndex;
    EnColorRGB m_amb{0.5f, 0.5f, 0.5f};
    EnColorRGB m_diff{0.5f, 0.5f, 0.5f};
    EnColorRGB m_spec{0.0f, 0.0f, 0.0f};
    EnColorRGB m_emit{0.0f, 0.0f, 0.0f};
    float m_fShine = 4.0f;
    float m_fAlpha = 1.0f;
    uint32_t m_uiRevision = 1;
};

// The shared default instance: a plain new EnMaterialProperty.
EnPointer<EnMaterialProperty> GetDefaultMaterialProperty();
