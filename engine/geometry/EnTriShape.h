#pragma once
#include <cstdint>

#include "engine/geometry/EnTriBasedGeom.h"
#include "engine/geometry/EnTriShapeData.h"

// The ordinary mesh of the engine: a scene object that draws an indexed triangle list.
class EnTriShape : public EnTriBasedGeom {
    EN_DECLARE_RTTI;
    EN_DECLARE_STREAM;

public:
    EnTriShape() = default;
    // Makes the data from the arrays, taking them over (new[]).
    EnTriShape(uint16_t usVertices, EnVector3* pVertex, EnVector3* pNormal, EnColorRGBA* pColor,
               EnVector2* pTexture, uint16_t usTriangles, uint16_t* pusTriList);
    explicit EnTriShape(EnTriShapeData* pModelData) : EnTriBasedGeom(pModelData) {}

    EnObject* CloneObject() override;
    // The scene-object links, then the check that the skin controllers' vertex entries lie
    // among the data's vertices.
    void LinkFromStream(EnStream& kStream) override;
    void AppendMemberStrings(EnTArray<char*>& kStrings) const override;
    // Offers the object to the accumulator, then draws the triangle list, tells the controllers
    // the draw is done and counts it.
    void Draw(EnCamera* pCamera) override;
    // The oriented-box collision tree over the triangles, made once.
    void CreateCollisionTree(int32_t iThreshold) override { BuildCollisionTree(iThreshold); }

    void GetTriangleModelPoints(uint16_t usTriangle, EnVector3*& pP0, EnVector3*& pP1,
                                EnVector3*& pP2) const override;
    void GetTriangleWorldPoints(uint16_t usTriangle, EnVector3*& pP0, EnVector3*& pP1,
                                EnVector3*& pP2) const override;
    void GetTriangleVertexIndices(uint16_t usTriangle, uint16_t& usI0, uint16_t& usI1,
                                  uint16_t& usI2) const override;

    // Orders two vertices by the stored bytes of the fields the mask selects (bit 0 position,
    // 1 normal, 2 colour, 3 texture coordinates; absent arrays are skipped): -1, 0 or 1.
    virtual int CompareVertices(uint16_t usA, uint16_t usB, uint32_t uiMask) const;
    // Rebuilds every present array for usNewCount vertices: old vertex i moves to auiMap[i],
    // or is dropped when that is 0xFFFFFFFF (targets past the new count are dropped too). The
    // caller rewrites the triangle list. Returns the data.
    virtual EnGeometryData* RemapVertices(uint16_t usNewCount, const uint32_t* puiMap);

    EnTriShapeData* GetShapeData() const {
        return static_cast<EnTriShapeData*>(m_spModelData.Get());
    }

    static constexpr uint32_t DROP_VERTEX = 0xFFFFFFFF;

protected:
    const EnTypeRecord* GetDataType() const override;
    // Draws the data and counts the given amounts; the draw steps the shape kinds share.
    void DrawShape(EnCamera* pCamera, bool bNotifyControllers, uint32_t uiTriangles,
                   uint32_t uiVertices);
};
