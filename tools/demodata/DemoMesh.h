#pragma once
#include <cstdint>
#include <vector>

#include "engine/core/EnColorRGBA.h"
#include "engine/core/EnVector2.h"
#include "engine/core/EnVector3.h"

class EnTriShape;
class EnTriStrips;

// Collects the vertices and triangles (or strips) of one piece of demo geometry and hands them
// to the engine's geometry classes. Which arrays the result carries is fixed at construction;
// the others are dropped. Front faces go counter-clockwise as seen from in front of them, and
// their normals point that way.
class DemoMesh {
public:
    DemoMesh(bool bNormals, bool bColors, bool bTextures)
        : m_bNormals(bNormals), m_bColors(bColors), m_bTextures(bTextures) {}

    uint16_t AddVertex(const EnVector3& kPosition, const EnVector3& kNormal,
                       const EnColorRGBA& kColor, const EnVector2& kTexture);
    void AddTriangle(uint16_t a, uint16_t b, uint16_t c);

    // The parallelogram from kOrigin along kU and kV, its front towards kU x kV, split into
    // uiSplitU x uiSplitV cells (more vertices for per-vertex light and fog). Texture u runs
    // along kU and v down kV (v = 0 at the far edge, where a picture's top row goes), one
    // repeat every fTextureSize units.
    void AddQuad(const EnVector3& kOrigin, const EnVector3& kU, const EnVector3& kV,
                 const EnColorRGBA& kColor, float fTextureSize, uint32_t uiSplitU = 1,
                 uint32_t uiSplitV = 1);
    // A box without its bottom face, with cells of at most fCellSize units on every face.
    void AddBox(const EnVector3& kMin, const EnVector3& kMax, const EnColorRGBA& kColor,
                float fTextureSize, float fCellSize);
    // A cone's mantle (no base) with smooth normals, uiSides around.
    void AddCone(const EnVector3& kBase, float fRadius, float fHeight, uint32_t uiSides,
                 const EnColorRGBA& kColor);

    // One triangle strip: the vertices already added, in strip order. The first triangle
    // decides the facing; the strips hold every vertex index given.
    void AddStrip(const std::vector<uint16_t>& kIndices);

    uint32_t GetVertexCount() const { return uint32_t(m_kPositions.size()); }
    uint32_t GetTriangleCount() const { return uint32_t(m_kTriangles.size() / 3); }

    // The engine objects; null when the mesh is empty or too large for 16-bit counts.
    EnTriShape* MakeShape() const;
    EnTriStrips* MakeStrips() const;

private:
    bool FitsSixteenBits() const;
    void FillArrays(EnVector3*& pPositions, EnVector3*& pNormals, EnColorRGBA*& pColors,
                    EnVector2*& pTextures) const;

    bool m_bNormals;
    bool m_bColors;
    bool m_bTextures;
    std::vector<EnVector3> m_kPositions;
    std::vector<EnVector3> m_kNormals;
    std::vector<EnColorRGBA> m_kColors;
    std::vector<EnVector2> m_kTextures;
    std::vector<uint16_t> m_kTriangles;
    std::vector<uint16_t> m_kStripLengths;
    std::vector<uint16_t> m_kStripIndices;
};
