#include "tools/demodata/DemoMesh.h"

#include <algorithm>
#include <cmath>

#include "engine/geometry/EnTriShape.h"
#include "engine/geometry/EnTriStrips.h"
#include "engine/geometry/EnTriStripsData.h"

namespace {

constexpr float TWO_PI = 6.28318530718f;

EnVector3 Unit(EnVector3 v) {
    v.Unitize();
    return v;
}

template <class T>
T* CopyToNewArray(const std::vector<T>& kValues) {
    T* pArray = new T[kValues.size()];
    std::copy(kValues.begin(), kValues.end(), pArray);
    return pArray;
}

}  // namespace

uint16_t DemoMesh::AddVertex(const EnVector3& kPosition, const EnVector3& kNormal,
                             const EnColorRGBA& kColor, const EnVector2& kTexture) {
    m_kPositions.push_back(kPosition);
    m_kNormals.push_back(kNormal);
    m_kColors.push_back(kColor);
    m_kTextures.push_back(kTexture);
    return uint16_t(m_kPositions.size() - 1);
}

void DemoMesh::AddTriangle(uint16_t a, uint16_t b, uint16_t c) {
    m_kTriangles.insert(m_kTriangles.end(), {a, b, c});
}

void DemoMesh::AddQuad(const EnVector3& kOrigin, const EnVector3& kU, const EnVector3& kV,
                       const EnColorRGBA& kColor, float fTextureSize, uint32_t uiSplitU,
                       uint32_t uiSplitV) {
    uiSplitU = std::max(uiSplitU, 1u);
    uiSplitV = std::max(uiSplitV, 1u);
    const EnVector3 kNormal = Unit(kU.Cross(kV));
    const float fULength = kU.Length() / fTextureSize, fVLength = kV.Length() / fTextureSize;
    const uint32_t uiFirst = GetVertexCount();
    for (uint32_t j = 0; j <= uiSplitV; ++j) {
        const float t = float(j) / float(uiSplitV);
        for (uint32_t i = 0; i <= uiSplitU; ++i) {
            const float s = float(i) / float(uiSplitU);
            AddVertex(kOrigin + kU * s + kV * t, kNormal, kColor,
                      EnVector2(s * fULength, (1.0f - t) * fVLength));
        }
    }
    const uint32_t uiRow = uiSplitU + 1;
    for (uint32_t j = 0; j < uiSplitV; ++j)
        for (uint32_t i = 0; i < uiSplitU; ++i) {
            const uint16_t a = uint16_t(uiFirst + j * uiRow + i), b = uint16_t(a + 1);
            const uint16_t d = uint16_t(a + uiRow), c = uint16_t(d + 1);
            AddTriangle(a, b, c);
            AddTriangle(a, c, d);
        }
}

void DemoMesh::AddBox(const EnVector3& kMin, const EnVector3& kMax, const EnColorRGBA& kColor,
                      float fTextureSize, float fCellSize) {
    const float dx = kMax.x - kMin.x, dy = kMax.y - kMin.y, dz = kMax.z - kMin.z;
    auto cells = [fCellSize](float fLength) {
        return uint32_t(std::max(1.0f, std::ceil(fLength / fCellSize)));
    };
    const EnVector3 X(dx, 0, 0), Y(0, dy, 0), Z(0, 0, dz);
    const float x0 = kMin.x, y0 = kMin.y, z0 = kMin.z, x1 = kMax.x, y1 = kMax.y, z1 = kMax.z;
    AddQuad({x0, y0, z0}, X, Z, kColor, fTextureSize, cells(dx), cells(dz));   // -y
    AddQuad({x1, y1, z0}, -X, Z, kColor, fTextureSize, cells(dx), cells(dz));  // +y
    AddQuad({x0, y1, z0}, -Y, Z, kColor, fTextureSize, cells(dy), cells(dz));  // -x
    AddQuad({x1, y0, z0}, Y, Z, kColor, fTextureSize, cells(dy), cells(dz));   // +x
    AddQuad({x0, y0, z1}, X, Y, kColor, fTextureSize, cells(dx), cells(dy));   // top
}

void DemoMesh::AddCone(const EnVector3& kBase, float fRadius, float fHeight, uint32_t uiSides,
                       const EnColorRGBA& kColor) {
    const uint32_t uiFirst = GetVertexCount();
    const EnVector3 kApex = kBase + EnVector3(0, 0, fHeight);
    auto normalAt = [&](float fAngle) {
        return Unit(EnVector3(std::cos(fAngle) * fHeight, std::sin(fAngle) * fHeight, fRadius));
    };
    for (uint32_t i = 0; i <= uiSides; ++i) {
        const float a = TWO_PI * float(i) / float(uiSides);
        AddVertex(kBase + EnVector3(std::cos(a) * fRadius, std::sin(a) * fRadius, 0), normalAt(a),
                  kColor, EnVector2(float(i) / float(uiSides), 1.0f));
    }
    for (uint32_t i = 0; i < uiSides; ++i) {
        const float a = TWO_PI * (float(i) + 0.5f) / float(uiSides);
        const uint16_t uiApex =
            AddVertex(kApex, normalAt(a), kColor, EnVector2((float(i) + 0.5f) / float(uiSides), 0));
        AddTriangle(uint16_t(uiFirst + i), uint16_t(uiFirst + i + 1), uiApex);
    }
}

void DemoMesh::AddStrip(const std::vector<uint16_t>& kIndices) {
    if (kIndices.size() < 3) return;
    m_kStripLengths.push_back(uint16_t(kIndices.size()));
    m_kStripIndices.insert(m_kStripIndices.end(), kIndices.begin(), kIndices.end());
}

bool DemoMesh::FitsSixteenBits() const {
    uint32_t uiStripTriangles = 0;
    for (uint16_t usLength : m_kStripLengths) uiStripTriangles += usLength - 2u;
    return !m_kPositions.empty() && m_kPositions.size() <= 0xFFFF &&
           m_kTriangles.size() / 3 <= 0xFFFF && uiStripTriangles <= 0xFFFF &&
           m_kStripLengths.size() <= 0xFFFF;
}

void DemoMesh::FillArrays(EnVector3*& pPositions, EnVector3*& pNormals, EnColorRGBA*& pColors,
                          EnVector2*& pTextures) const {
    pPositions = CopyToNewArray(m_kPositions);
    pNormals = m_bNormals ? CopyToNewArray(m_kNormals) : nullptr;
    pColors = m_bColors ? CopyToNewArray(m_kColors) : nullptr;
    pTextures = m_bTextures ? CopyToNewArray(m_kTextures) : nullptr;
}

EnTriShape* DemoMesh::MakeShape() const {
    if (!FitsSixteenBits() || m_kTriangles.empty()) return nullptr;
    EnVector3 *pPositions, *pNormals;
    EnColorRGBA* pColors;
    EnVector2* pTextures;
    FillArrays(pPositions, pNormals, pColors, pTextures);
    return new EnTriShape(uint16_t(m_kPositions.size()), pPositions, pNormals, pColors, pTextures,
                          uint16_t(m_kTriangles.size() / 3), CopyToNewArray(m_kTriangles));
}

EnTriStrips* DemoMesh::MakeStrips() const {
    if (!FitsSixteenBits() || m_kStripLengths.empty()) return nullptr;
    uint32_t uiTriangles = 0;
    for (uint16_t usLength : m_kStripLengths) uiTriangles += usLength - 2u;
    EnVector3 *pPositions, *pNormals;
    EnColorRGBA* pColors;
    EnVector2* pTextures;
    FillArrays(pPositions, pNormals, pColors, pTextures);
    auto* pData =
        new EnTriStripsData(uint16_t(m_kPositions.size()), pPositions, pNormals, pColors, pTextures,
                            uint16_t(uiTriangles), uint16_t(m_kStripLengths.size()),
                            CopyToNewArray(m_kStripLengths), CopyToNewArray(m_kStripIndices));
    return new EnTriStrips(pData);
}
