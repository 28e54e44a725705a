#pragma once
// Shapes and triangle geometry shared by the alpha sorter's tests.
#include <cstdint>
#include <vector>

#include "engine/core/EnMatrix3.h"
#include "engine/core/EnPointer.h"
#include "engine/core/EnVector3.h"
#include "engine/geometry/EnTriShape.h"

namespace alpha_test {

struct Triangle {
    EnVector3 p[3];

    // Half the cross product: its length is the area, its direction follows the winding.
    EnVector3 VectorArea() const { return 0.5f * (p[1] - p[0]).Cross(p[2] - p[0]); }
    double Area() const { return VectorArea().Length(); }
    EnVector3 Centroid() const { return (p[0] + p[1] + p[2]) / 3.0f; }
};

// Which per-vertex arrays a test shape gets. Colours and texture coordinates are affine in the
// position (r, g, b = x, y, z; u = x + y, v = z per set, set s shifted by s), so that
// interpolated values can be checked against the position of the vertex that carries them.
struct Attributes {
    bool bNormals = false;
    bool bColors = false;
    uint16_t usTextureSets = 0;
};

inline EnColorRGBA ColorAt(const EnVector3& p) {
    return {p.x, p.y, p.z, 0.5f};
}
inline EnVector2 TextureAt(const EnVector3& p, uint16_t usSet) {
    return {p.x + p.y + float(usSet), p.z};
}

inline EnPointer<EnTriShape> MakeShape(const std::vector<EnVector3>& kPositions,
                                       const std::vector<uint16_t>& kTriangles,
                                       const Attributes& kAttributes = {}) {
    const uint16_t usVertices = uint16_t(kPositions.size());
    auto* pVertex = new EnVector3[usVertices];
    for (uint16_t i = 0; i < usVertices; i++) pVertex[i] = kPositions[i];
    EnVector3* pNormal = nullptr;
    if (kAttributes.bNormals) {
        pNormal = new EnVector3[usVertices];
        for (uint16_t i = 0; i < usVertices; i++) pNormal[i] = EnVector3(0.0f, 0.0f, 1.0f);
    }
    EnColorRGBA* pColor = nullptr;
    if (kAttributes.bColors) {
        pColor = new EnColorRGBA[usVertices];
        for (uint16_t i = 0; i < usVertices; i++) pColor[i] = ColorAt(kPositions[i]);
    }
    const uint16_t usSets = kAttributes.usTextureSets;
    EnVector2* pTexture = nullptr;
    if (usSets) {
        pTexture = new EnVector2[uint32_t(usVertices) * usSets];
        for (uint16_t s = 0; s < usSets; s++)
            for (uint16_t i = 0; i < usVertices; i++)
                pTexture[uint32_t(s) * usVertices + i] = TextureAt(kPositions[i], s);
    }
    auto* pList = new uint16_t[kTriangles.size()];
    for (size_t i = 0; i < kTriangles.size(); i++) pList[i] = kTriangles[i];
    EnPointer<EnTriShape> spShape = new EnTriShape(usVertices, pVertex, pNormal, pColor, pTexture,
                                                   uint16_t(kTriangles.size() / 3), pList);
    if (usSets > 1) spShape->GetShapeData()->SetTextureSets(usSets);
    return spShape;
}

// A square of two triangles in the plane x = fX, centred on (fX, fY, fZ), wound so that its
// normal points along +x (or -x with bFacingBack).
inline EnPointer<EnTriShape> MakeQuadAtX(float fX, float fHalf = 1.0f, float fY = 0.0f,
                                         float fZ = 0.0f, bool bFacingBack = false) {
    std::vector<EnVector3> kPositions = {{fX, fY - fHalf, fZ - fHalf},
                                         {fX, fY + fHalf, fZ - fHalf},
                                         {fX, fY + fHalf, fZ + fHalf},
                                         {fX, fY - fHalf, fZ + fHalf}};
    std::vector<uint16_t> kTriangles = {0, 1, 2, 0, 2, 3};
    if (bFacingBack) kTriangles = {0, 2, 1, 0, 3, 2};
    return MakeShape(kPositions, kTriangles);
}

// The triangles of a shape's data, carried into the world by (rotate, translate, scale).
inline std::vector<Triangle> TrianglesOf(const EnTriShapeData* pData,
                                         const EnMatrix3& kRotate = EnMatrix3::IDENTITY,
                                         const EnVector3& kTranslate = EnVector3::ZERO,
                                         float fScale = 1.0f) {
    std::vector<Triangle> kOut;
    if (!pData) return kOut;
    for (uint16_t t = 0; t < pData->GetTriangleCount(); t++) {
        uint16_t ausIndex[3];
        if (!pData->GetTriangleIndices(t, ausIndex[0], ausIndex[1], ausIndex[2])) continue;
        Triangle kTriangle;
        for (int j = 0; j < 3; j++)
            kTriangle.p[j] = kRotate * (pData->GetVertices()[ausIndex[j]] * fScale) + kTranslate;
        kOut.push_back(kTriangle);
    }
    return kOut;
}

inline std::vector<Triangle> TrianglesOf(const EnTriShape* pShape) {
    return TrianglesOf(pShape ? pShape->GetShapeData() : nullptr);
}

// Where the segment from the origin to the end meets the triangle, as a fraction of the
// segment in (0, 1); negative when it does not.
inline double SegmentHit(const EnVector3& kOrigin, const EnVector3& kEnd, const Triangle& kTri) {
    const double dx = kEnd.x - kOrigin.x, dy = kEnd.y - kOrigin.y, dz = kEnd.z - kOrigin.z;
    const double e1[3] = {kTri.p[1].x - kTri.p[0].x, kTri.p[1].y - kTri.p[0].y,
                          kTri.p[1].z - kTri.p[0].z};
    const double e2[3] = {kTri.p[2].x - kTri.p[0].x, kTri.p[2].y - kTri.p[0].y,
                          kTri.p[2].z - kTri.p[0].z};
    const double h[3] = {dy * e2[2] - dz * e2[1], dz * e2[0] - dx * e2[2], dx * e2[1] - dy * e2[0]};
    const double a = e1[0] * h[0] + e1[1] * h[1] + e1[2] * h[2];
    if (a > -1e-12 && a < 1e-12) return -1.0;
    const double f = 1.0 / a;
    const double s[3] = {kOrigin.x - kTri.p[0].x, kOrigin.y - kTri.p[0].y, kOrigin.z - kTri.p[0].z};
    const double u = f * (s[0] * h[0] + s[1] * h[1] + s[2] * h[2]);
    if (u < 0.0 || u > 1.0) return -1.0;
    const double q[3] = {s[1] * e1[2] - s[2] * e1[1], s[2] * e1[0] - s[0] * e1[2],
                         s[0] * e1[1] - s[1] * e1[0]};
    const double v = f * (dx * q[0] + dy * q[1] + dz * q[2]);
    if (v < 0.0 || u + v > 1.0) return -1.0;
    const double t = f * (e2[0] * q[0] + e2[1] * q[1] + e2[2] * q[2]);
    return t > 0.0 && t < 1.0 ? t : -1.0;
}

}  // namespace alpha_test
