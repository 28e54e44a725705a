#pragma once
#include <cstdint>

#include "engine/geometry/EnOBBNode.h"

// A leaf of an oriented-box collision tree: the flat box of one triangle, named by its number
// in the owner's triangle list. Only leaves test triangles against triangles.
class EnOBBLeaf : public EnOBBNode {
public:
    // The box of triangle t with the given model points: its first edge and the in-plane
    // perpendicular as axes (axis-aligned when the triangle is too thin to give them), fitted
    // around the three points.
    EnOBBLeaf(EnOBBRoot& kOwner, uint16_t usTriangle, const EnVector3& kP0, const EnVector3& kP1,
              const EnVector3& kP2);

    bool IsLeaf() const override { return true; }
    bool TestCollision(EnOBBNode* pOther, int32_t iDepthA, int32_t iDepthB) override;
    int32_t FindCollisions(EnOBBNode* pOther, const Parties& kParties, int32_t iDepthA,
                           int32_t iDepthB) override;
    int32_t FindIntersections(const EnVector3& kOrigin, const EnVector3& kDir, EnRayQuery& kQuery,
                              bool& bHit, EnAVObject* pGeometry) override;

    uint16_t GetTriangle() const { return m_usTriangle; }

    // The first contact of the two leaves' triangles, each moving with its owner's velocity
    // during A's owner's time step: its time and world point. False when they do not meet or
    // a tree has no world points for its triangle.
    static bool FindTriangleContact(const EnOBBLeaf& kA, const EnOBBLeaf& kB, float& fTime,
                                    EnVector3& kPoint);

private:
    uint16_t m_usTriangle;
};
