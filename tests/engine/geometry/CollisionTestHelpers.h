#pragma once
// Shared pieces of the collision tests: shapes from plain vertex and index lists, random
// triangles, and an independent double-precision judge of whether two triangles clearly
// intersect at one instant.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <vector>

#include "engine/core/EnPointer.h"
#include "engine/core/EnVector3.h"
#include "engine/geometry/EnTriShape.h"
#include "tests/engine/geometry/GeometryTestHelpers.h"

using Triangle = std::array<EnVector3, 3>;

inline EnPointer<EnTriShape> MakeShape(const std::vector<EnVector3>& kVertices,
                                       const std::vector<uint16_t>& kIndices) {
    return new EnTriShape(uint16_t(kVertices.size()), NewArray(kVertices), nullptr, nullptr,
                          nullptr, uint16_t(kIndices.size() / 3), NewArray(kIndices));
}

// A shape of separate triangles (three vertices each).
inline EnPointer<EnTriShape> MakeSoup(const std::vector<Triangle>& kTriangles) {
    std::vector<EnVector3> kVertices;
    std::vector<uint16_t> kIndices;
    for (const Triangle& t : kTriangles)
        for (const EnVector3& p : t) {
            kIndices.push_back(uint16_t(kVertices.size()));
            kVertices.push_back(p);
        }
    return MakeShape(kVertices, kIndices);
}

// A triangle of roughly the given size around the centre, never thinner than a sliver.
inline Triangle RandomTriangle(RandomSource& kRandom, const EnVector3& kCenter, float fSize) {
    for (;;) {
        Triangle t = {kCenter + kRandom.Vector(fSize), kCenter + kRandom.Vector(fSize),
                      kCenter + kRandom.Vector(fSize)};
        const float fArea2 = (t[1] - t[0]).Cross(t[2] - t[0]).Length();
        if (fArea2 > 0.05f * fSize * fSize) return t;
    }
}

struct Vec3d {
    double x, y, z;
    Vec3d(double a, double b, double c) : x(a), y(b), z(c) {}
    explicit Vec3d(const EnVector3& v) : x(v.x), y(v.y), z(v.z) {}
    Vec3d operator+(const Vec3d& o) const { return {x + o.x, y + o.y, z + o.z}; }
    Vec3d operator-(const Vec3d& o) const { return {x - o.x, y - o.y, z - o.z}; }
    Vec3d operator*(double f) const { return {x * f, y * f, z * f}; }
    double Dot(const Vec3d& o) const { return x * o.x + y * o.y + z * o.z; }
    Vec3d Cross(const Vec3d& o) const {
        return {y * o.z - z * o.y, z * o.x - x * o.z, x * o.y - y * o.x};
    }
    double Length() const { return std::sqrt(Dot(*this)); }
};

// Whether an edge of one triangle passes through the inside of the other, with a margin: its
// ends lie apart from the plane by more than fDistance (relative to the triangles' size) and
// the crossing lies inside by more than fInside in barycentric terms. Pairs that only touch
// or graze are not judged intersecting, so float rounding in the code under test cannot
// decide a comparison.
inline bool EdgePiercesTriangle(const Vec3d& e0, const Vec3d& e1, const Vec3d (&q)[3],
                                double fDistance, double fInside) {
    const Vec3d n = (q[1] - q[0]).Cross(q[2] - q[0]);
    const double fLen = n.Length();
    if (fLen == 0.0) return false;
    const double d0 = (e0 - q[0]).Dot(n) / fLen, d1 = (e1 - q[0]).Dot(n) / fLen;
    if (!((d0 > fDistance && d1 < -fDistance) || (d0 < -fDistance && d1 > fDistance))) return false;
    const Vec3d x = e0 + (e1 - e0) * (d0 / (d0 - d1));
    // Barycentric coordinates from sub-triangle areas against the normal.
    const double b0 = (q[1] - x).Cross(q[2] - x).Dot(n) / (fLen * fLen);
    const double b1 = (q[2] - x).Cross(q[0] - x).Dot(n) / (fLen * fLen);
    const double b2 = 1.0 - b0 - b1;
    return b0 > fInside && b1 > fInside && b2 > fInside;
}

inline bool ClearlyIntersect(const Triangle& kA, const Triangle& kB, double fScale) {
    const Vec3d a[3] = {Vec3d(kA[0]), Vec3d(kA[1]), Vec3d(kA[2])};
    const Vec3d b[3] = {Vec3d(kB[0]), Vec3d(kB[1]), Vec3d(kB[2])};
    const double fDistance = 1e-3 * fScale, fInside = 1e-3;
    const int kEdges[3][2] = {{0, 1}, {1, 2}, {2, 0}};
    for (const auto& e : kEdges) {
        if (EdgePiercesTriangle(a[e[0]], a[e[1]], b, fDistance, fInside)) return true;
        if (EdgePiercesTriangle(b[e[0]], b[e[1]], a, fDistance, fInside)) return true;
    }
    return false;
}

inline Triangle Moved(const Triangle& t, const EnVector3& kVelocity, float fTime) {
    return {t[0] + kVelocity * fTime, t[1] + kVelocity * fTime, t[2] + kVelocity * fTime};
}

inline double SegmentDistance(const Vec3d& p, const Vec3d& a, const Vec3d& b) {
    const Vec3d ab = b - a;
    const double fLen2 = ab.Dot(ab);
    double s = fLen2 > 0.0 ? (p - a).Dot(ab) / fLen2 : 0.0;
    s = s < 0.0 ? 0.0 : (s > 1.0 ? 1.0 : s);
    return (p - (a + ab * s)).Length();
}

// Distance from a point to a triangle (its inside, edges and corners), in double.
inline double TriangleDistance(const EnVector3& kPoint, const Triangle& t) {
    const Vec3d p(kPoint), a(t[0]), b(t[1]), c(t[2]);
    const Vec3d n = (b - a).Cross(c - a);
    const double fLen2 = n.Dot(n);
    if (fLen2 > 0.0) {
        const double d = (p - a).Dot(n) / fLen2;
        const Vec3d x = p - n * d;
        const double b0 = (b - x).Cross(c - x).Dot(n), b1 = (c - x).Cross(a - x).Dot(n),
                     b2 = (a - x).Cross(b - x).Dot(n);
        if (b0 >= 0 && b1 >= 0 && b2 >= 0) return std::fabs(d) * std::sqrt(fLen2);
    }
    return std::min({SegmentDistance(p, a, b), SegmentDistance(p, b, c), SegmentDistance(p, c, a)});
}
