#pragma once
#include "engine/core/EnVector3.h"

// The first contact of two triangles that move in straight lines during a time step, found by
// sweeping the edges of each against the other: the contact routine under the leaves of the
// oriented-box trees. Points are in world space; velocities are per unit of time.

// Barycentric coordinates of p (weights of a, b and c) in the plane of the triangle. False,
// with the coordinates left alone, when the triangle has no area to measure them by.
bool ComputeBarycentric(const EnVector3& kA, const EnVector3& kB, const EnVector3& kC,
                        const EnVector3& kP, float afCoord[3]);

// The segment a b moving by kVelocity during fTime sweeps a parallelogram; its meeting with the
// plane (N . x = fConstant) is a segment from the first crossing (fFirst, kFirst) to the last
// (fLast, kLast), fFirst <= fLast; both are the same point when the parallelogram only touches
// the plane. False when it does not reach the plane.
bool SweepSegmentAgainstPlane(float fTime, const EnVector3& kNormal, float fConstant,
                              const EnVector3& kVelocity, const EnVector3& kStart,
                              const EnVector3& kEnd, float& fFirst, EnVector3& kFirst, float& fLast,
                              EnVector3& kLast);

// Whether the moving segment meets the still triangle (with its plane N, fConstant) within the
// step; on a contact earlier than fEarliest, fEarliest and kPoint take its time and point (the
// segment's point at that time).
bool SweepSegmentAgainstTriangle(const EnVector3& kStart, const EnVector3& kEnd,
                                 const EnVector3& kQ0, const EnVector3& kQ1, const EnVector3& kQ2,
                                 const EnVector3& kNormal, float fConstant,
                                 const EnVector3& kVelocity, float fTime, float& fEarliest,
                                 EnVector3& kPoint);

// The three edges of triangle P, moving by kVelocity, against the still triangle Q, each able
// to lower fEarliest; true when any of them meets Q.
bool SweepTriangleEdges(const EnVector3& kP0, const EnVector3& kP1, const EnVector3& kP2,
                        const EnVector3& kQ0, const EnVector3& kQ1, const EnVector3& kQ2,
                        const EnVector3& kVelocity, float fTime, float& fEarliest,
                        EnVector3& kPoint);

// The first contact of triangle A moving by kVelocityA and triangle B moving by kVelocityB
// within [0, fTime]: its time and the world point at that time. False when they do not meet.
bool FindSweptTriangleContact(float fTime, const EnVector3& kVelocityA, const EnVector3& kA0,
                              const EnVector3& kA1, const EnVector3& kA2,
                              const EnVector3& kVelocityB, const EnVector3& kB0,
                              const EnVector3& kB1, const EnVector3& kB2, float& fContactTime,
                              EnVector3& kContactPoint);
