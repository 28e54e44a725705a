#pragma once
#include "engine/core/EnVector3.h"
#include "engine/geometry/EnLight.h"

// Light from infinitely far away along the light's own +X axis, the same direction everywhere.
class EnDirectionalLight : public EnLight {
    EN_DECLARE_RTTI;
    EN_DECLARE_STREAM;

public:
    EnDirectionalLight() = default;
    ~EnDirectionalLight() override;

    EnObject* CloneObject() override;
    void AppendMemberStrings(EnTArray<char*>& kStrings) const override;
    // The world transform, then the world direction (the first column of the rotation).
    void ComputeWorldTransform() override;
    EffectType GetEffectType() const override { return DIRECTIONAL_LIGHT; }

    const EnVector3& GetWorldDirection() const { return m_wDir; }

protected:
    EnVector3 m_wDir{1.0f, 0.0f, 0.0f};
};
