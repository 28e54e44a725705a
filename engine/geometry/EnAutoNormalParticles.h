#pragma once
#include "engine/geometry/EnParticles.h"

// Particles lit as camera-facing sprites: before every draw the normal of each active
// particle is turned to face the camera.
class EnAutoNormalParticles : public EnParticles {
    EN_DECLARE_RTTI;
    EN_DECLARE_STREAM;

public:
    EnAutoNormalParticles() = default;
    explicit EnAutoNormalParticles(EnParticlesData* pModelData) : EnParticles(pModelData) {}

    EnObject* CloneObject() override;
    void AppendMemberStrings(EnTArray<char*>& kStrings) const override;
    // When the accumulator does not keep the object: every active particle's normal becomes
    // the negated camera direction (the normals are made if the data has none), then the
    // particles are drawn.
    void Draw(EnCamera* pCamera) override;
};
