#pragma once
#include "engine/geometry/EnLight.h"

// Light from a point, falling off with distance d as 1 / (c0 + c1 d + c2 d^2).
class EnPointLight : public EnLight {
    EN_DECLARE_RTTI;
    EN_DECLARE_STREAM;

public:
    EnPointLight() = default;
    ~EnPointLight() override;

    EnObject* CloneObject() override;
    void LoadFromStream(EnStream& kStream) override;
    void SaveToStream(EnStream& kStream) override;
    bool EqualsObject(const EnObject* pObject) const override;
    void AppendMemberStrings(EnTArray<char*>& kStrings) const override;
    // The world transform; the renderer learns of the move through the revision.
    void ComputeWorldTransform() override;
    EffectType GetEffectType() const override { return POINT_LIGHT; }

    float GetConstantAttenuation() const { return m_fAtten0; }
    void SetConstantAttenuation(float fValue) { m_fAtten0 = fValue; }
    float GetLinearAttenuation() const { return m_fAtten1; }
    void SetLinearAttenuation(float fValue) { m_fAtten1 = fValue; }
    float GetQuadraticAttenuation() const { return m_fAtten2; }
    void SetQuadraticAttenuation(float fValue) { m_fAtten2 = fValue; }

protected:
    void CopyMembers(EnPointLight* pCopy);

    float m_fAtten0 = 0.0f;
    float m_fAtten1 = 1.0f;
    float m_fAtten2 = 0.0f;
};
