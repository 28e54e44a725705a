#pragma once
#include "engine/core/EnMatrix3.h"
#include "engine/core/EnVector3.h"

class EnOBBRoot;

// An oriented box of a collision tree, kept twice: as fitted to its triangles in model space,
// and placed in the world with its tree's current transform. The swept tests read the time
// step and the velocity of each box's tree (its owner), which the geometry stores there before
// every query. Axes are unit length and right-handed; half-extents are never negative.
class EnOBBBox {
public:
    EnVector3 m_kModelCenter{0.0f, 0.0f, 0.0f};
    EnVector3 m_akModelAxis[3] = {EnVector3(1, 0, 0), EnVector3(0, 1, 0), EnVector3(0, 0, 1)};
    float m_afModelExtent[3] = {0.0f, 0.0f, 0.0f};
    EnVector3 m_kWorldCenter{0.0f, 0.0f, 0.0f};
    EnVector3 m_akWorldAxis[3] = {EnVector3(1, 0, 0), EnVector3(0, 1, 0), EnVector3(0, 0, 1)};
    float m_afWorldExtent[3] = {0.0f, 0.0f, 0.0f};
    EnOBBRoot* m_pOwner = nullptr;  // not owned

    // The world part := the model part rotated, uniformly scaled and translated.
    void UpdateWorld(const EnMatrix3& kRotate, const EnVector3& kTranslate, float fScale);

    // True when no separating axis exists over the time step: on none of the fifteen axes are
    // the two world boxes apart both at the start and at the end of this box's owner's time
    // step, with the other box moving at the difference of the owners' velocities.
    bool SweptOverlap(const EnOBBBox& kOther) const;
    // The first contact of the two moving boxes: the time within the step at which the last
    // separated axis closed (0 when they overlap at the start) and a point of the touching
    // features in world space at that time. False when an axis keeps them apart.
    bool FindSweptContact(const EnOBBBox& kOther, float& fTime, EnVector3& kPoint) const;
    // The outward direction of the world box at a point: the normal of a flat box's plane,
    // otherwise the gradient of the box's ellipsoidal distance, unit length (zero at the
    // centre).
    void NormalAt(const EnVector3& kPoint, EnVector3& kNormal) const;
    // Whether the ray's line meets the world box at a non-negative parameter.
    bool IntersectsRay(const EnVector3& kOrigin, const EnVector3& kDir) const;
};
