#pragma once
#include <cstdint>

#include "engine/geometry/EnTriBasedGeomData.h"

// The data of point particles: each vertex is one particle with its own size factor, all
// sharing one radius; only the leading m_usActive particles are alive. It counts one
// (degenerate) triangle per particle.
class EnParticlesData : public EnTriBasedGeomData {
    EN_DECLARE_RTTI;
    EN_DECLARE_STREAM;

public:
    // Radius 1, no particle alive, no sizes.
    EnParticlesData() = default;
    // usCount particles, all alive, each of size 1; arrays taken over (new[]).
    EnParticlesData(uint16_t usCount, EnVector3* pVertex, EnVector3* pNormal, EnColorRGBA* pColor);
    ~EnParticlesData() override;

    EnObject* CloneObject() override { return this; }
    void LoadFromStream(EnStream& kStream) override;
    void SaveToStream(EnStream& kStream) override;
    bool EqualsObject(const EnObject* pObject) const override;
    void AppendMemberStrings(EnTArray<char*>& kStrings) const override;
    void ComputeNormals() override {}

    float GetRadius() const { return m_fRadius; }
    void SetRadius(float fRadius) { m_fRadius = fRadius; }
    uint16_t GetActiveCount() const { return m_usActive; }
    // Capped at the number of particles.
    void SetActiveCount(uint16_t usActive);
    float* GetSizes() const { return m_pSizes; }

protected:
    float m_fRadius = 1.0f;
    uint16_t m_usActive = 0;
    float* m_pSizes = nullptr;
};
