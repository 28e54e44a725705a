#pragma once
#include "engine/core/EnVector3.h"
#include "engine/geometry/EnPointLight.h"

// A point light that shines along its own +X axis inside a cone of the spot angle, brightest
// on the axis by the exponent.
class EnSpotLight : public EnPointLight {
    EN_DECLARE_RTTI;
    EN_DECLARE_STREAM;

public:
    EnSpotLight() = default;
    ~EnSpotLight() override;

    EnObject* CloneObject() override;
    void LoadFromStream(EnStream& kStream) override;
    void SaveToStream(EnStream& kStream) override;
    bool EqualsObject(const EnObject* pObject) const override;
    void AppendMemberStrings(EnTArray<char*>& kStrings) const override;
    // The point light's step, then the world direction (the first column of the rotation).
    void ComputeWorldTransform() override;
    EffectType GetEffectType() const override { return SPOT_LIGHT; }

    const EnVector3& GetWorldDirection() const { return m_wDir; }
    float GetSpotAngle() const { return m_fSpotAngle; }
    void SetSpotAngle(float fAngle) { m_fSpotAngle = fAngle; }
    float GetSpotExponent() const { return m_fSpotExponent; }
    void SetSpotExponent(float fExponent) { m_fSpotExponent = fExponent; }

protected:
    EnVector3 m_wDir{1.0f, 0.0f, 0.0f};
    float m_fSpotAngle = 0.0f;
    float m_fSpotExponent = 0.0f;
};
