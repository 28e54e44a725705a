#pragma once
#include "engine/core/EnColorRGB.h"
#include "engine/geometry/EnDynamicEffect.h"

// Base of the lights: a dimmer and the ambient, diffuse and specular colours. The renderer
// receives the lights through the effect state of each object it draws.
class EnLight : public EnDynamicEffect {
    EN_DECLARE_RTTI;
    EN_DECLARE_STREAM;

public:
    EnLight();

    void LoadFromStream(EnStream& kStream) override;
    void SaveToStream(EnStream& kStream) override;
    bool EqualsObject(const EnObject* pObject) const override;
    void AppendMemberStrings(EnTArray<char*>& kStrings) const override;

    float GetDimmer() const { return m_fDimmer; }
    void SetDimmer(float fDimmer) { m_fDimmer = fDimmer; }
    const EnColorRGB& GetAmbientColor() const { return m_amb; }
    void SetAmbientColor(const EnColorRGB& kColor) { m_amb = kColor; }
    const EnColorRGB& GetDiffuseColor() const { return m_diff; }
    void SetDiffuseColor(const EnColorRGB& kColor) { m_diff = kColor; }
    const EnColorRGB& GetSpecularColor() const { return m_spec; }
    void SetSpecularColor(const EnColorRGB& kColor) { m_spec = kColor; }

protected:
    // Fills the EnLight part of a copy (and the effect part below it).
    void CopyMembers(EnLight* pCopy);

    float m_fDimmer = 1.0f;
    EnColorRGB m_amb{1.0f, 1.0f, 1.0f};
    EnColorRGB m_diff{1.0f, 1.0f, 1.0f};
    EnColorRGB m_spec{1.0f, 1.0f, 1.0f};
};
