#pragma once
#include "engine/geometry/EnLight.h"

// Light that reaches every surface alike, from no direction.
class EnAmbientLight : public EnLight {
    EN_DECLARE_RTTI;
    EN_DECLARE_STREAM;

public:
    EnAmbientLight() = default;
    ~EnAmbientLight() override;

    EnObject* CloneObject() override;
    void AppendMemberStrings(EnTArray<char*>& kStrings) const override;
    EffectType GetEffectType() const override { return AMBIENT_LIGHT; }
};
