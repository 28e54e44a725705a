#pragma once
#include <cstdint>

#include "engine/geometry/EnParticlesData.h"
#include "engine/geometry/EnTriBasedGeom.h"

// Draws a set of point particles, of which only the leading active ones are alive; the
// renderer expands them into sprites. To the triangle queries each particle is a degenerate
// triangle at its position; rays never hit particles and they never get a collision tree.
class EnParticles : public EnTriBasedGeom {
    EN_DECLARE_RTTI;
    EN_DECLARE_STREAM;

public:
    EnParticles() = default;
    // Makes the data (all particles alive), taking the arrays over (new[]).
    EnParticles(uint16_t usCount, EnVector3* pVertex, EnVector3* pNormal, EnColorRGBA* pColor);
    explicit EnParticles(EnParticlesData* pModelData) : EnTriBasedGeom(pModelData) {}

    EnObject* CloneObject() override;
    void AppendMemberStrings(EnTArray<char*>& kStrings) const override;
    void UpdateWorldVertices() override;
    void UpdateWorldNormals() override;
    void Draw(EnCamera* pCamera) override;
    bool FindIntersections(const EnVector3& kOrigin, const EnVector3& kDir,
                           EnRayQuery& kQuery) override;
    // A recomputed model bound covers the active particles only.
    void ComputeWorldBound() override;

    // The particle's own point, three times.
    void GetTriangleModelPoints(uint16_t usTriangle, EnVector3*& pP0, EnVector3*& pP1,
                                EnVector3*& pP2) const override;
    void GetTriangleWorldPoints(uint16_t usTriangle, EnVector3*& pP0, EnVector3*& pP1,
                                EnVector3*& pP2) const override;
    // Particles have no index triples: the outputs are left as they were.
    void GetTriangleVertexIndices(uint16_t usTriangle, uint16_t& usI0, uint16_t& usI1,
                                  uint16_t& usI2) const override;

    EnParticlesData* GetParticlesData() const {
        return static_cast<EnParticlesData*>(m_spModelData.Get());
    }

protected:
    const EnTypeRecord* GetDataType() const override;
    uint16_t GetActiveParticles() const {
        return GetParticlesData() ? GetParticlesData()->GetActiveCount() : 0;
    }
    // The draw after the accumulator's offer: planes, transform, the particles, statistics.
    void DrawParticleData(EnCamera* pCamera, bool bOfferToAccumulator);
};
