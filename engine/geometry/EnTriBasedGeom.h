#pragma once
#include <cstdint>

#include "engine/geometry/EnGeometry.h"
#include "engine/geometry/EnTriBasedGeomData.h"

class EnOBBRoot;
class EnRender;

// Base of every scene object drawn as triangles (triangle lists, strips, loose triangles,
// particles). Each kind answers three per-triangle questions (model points, world points,
// vertex indices), on which the ray search and the triangle collision queries are built, so
// those work the same for every kind. It also keeps the engine's draw statistics.
class EnTriBasedGeom : public EnGeometry {
    EN_DECLARE_RTTI;
    EN_DECLARE_STREAM;

public:
    EnTriBasedGeom() = default;
    explicit EnTriBasedGeom(EnTriBasedGeomData* pModelData) : EnGeometry(pModelData) {}
    ~EnTriBasedGeom() override;

    void AppendMemberStrings(EnTArray<char*>& kStrings) const override;
    void DestroyCollisionTree() override;
    // The collision tree reads the world vertices; it lets go of them with the array.
    void DestroyWorldVertices() override;
    // Collision with the other side's object over the time step, by the two objects' collision
    // modes: bounds, triangles against a collision volume, every triangle pair, or the two
    // oriented-box trees. No other object, or an undefined mode, meets nothing.
    bool TestCollision(float fTime, const EnCollisionQuery& kThis,
                       const EnCollisionQuery& kOther) override;
    // The same pairing, reporting the contacts to the collision callbacks: 1 when a callback
    // asked to stop.
    int32_t FindCollisions(float fTime, const EnCollisionQuery& kThis,
                           const EnCollisionQuery& kOther) override;
    bool FindIntersections(const EnVector3& kOrigin, const EnVector3& kDir,
                           EnRayQuery& kQuery) override;
    // The new data, then the collision tree goes (it was built over the old triangles).
    void SetGeometryData(EnGeometryData* pModelData) override;

    // Pointers to the triangle's three vertices in the model-space (or world-space) array, in
    // the triangle's winding; three nulls when the triangle or the array is not there.
    virtual void GetTriangleModelPoints(uint16_t usTriangle, EnVector3*& pP0, EnVector3*& pP1,
                                        EnVector3*& pP2) const = 0;
    virtual void GetTriangleWorldPoints(uint16_t usTriangle, EnVector3*& pP0, EnVector3*& pP1,
                                        EnVector3*& pP2) const = 0;
    virtual void GetTriangleVertexIndices(uint16_t usTriangle, uint16_t& usI0, uint16_t& usI1,
                                          uint16_t& usI2) const = 0;

    EnTriBasedGeomData* GetTriData() const {
        return static_cast<EnTriBasedGeomData*>(m_spModelData.Get());
    }
    // The oriented-box collision tree, built on demand by the kinds with triangle lists; null
    // until the collision code builds one.
    EnOBBRoot* GetOBBRoot() const { return m_pOBBRoot; }

    // Ray against a triangle (points in winding order). On a hit: the point, the distance
    // along the direction and the weights u, v of the second and third points (the first
    // weighs 1 - u - v). Parallel rays, hits behind the origin, degenerate triangles and, with
    // bFrontOnly, back faces miss.
    // Every triangle of this object against every triangle of the other, in world space,
    // moving with the two world velocities: true at the first pair that meets within the step.
    bool TestTrianglesAgainstTriangles(float fTime, EnTriBasedGeom* pOther);
    // The same, reporting the first contact (time, point, both normals) in the record to the
    // callbacks: 1 when a callback asked to stop, 0 otherwise or without a contact.
    int32_t FindTrianglesAgainstTriangles(float fTime, EnTriBasedGeom* pOther,
                                          EnCollisionRecord& kRecord);

    static bool IntersectRayTriangle(const EnVector3& kOrigin, const EnVector3& kDir,
                                     const EnVector3& kP0, const EnVector3& kP1,
                                     const EnVector3& kP2, bool bFrontOnly, EnVector3& kPoint,
                                     float& fDistance, float& fU, float& fV);

    // Objects, triangles and vertices handed to the renderer since the last clear.
    static void ClearStatistics();
    static void GetStatistics(uint32_t& uiObjects, uint32_t& uiTriangles, uint32_t& uiVertices);
    static void AddStatistics(uint32_t uiObjects, uint32_t uiTriangles, uint32_t uiVertices);

protected:
    // Fills the EnTriBasedGeom part of a copy; a source with a collision tree gives the copy
    // its own.
    void CopyMembers(EnTriBasedGeom* pCopy);
    // The oriented-box tree over the data's triangles as GetTriangleVertexIndices lists them,
    // made once (the kinds with triangle lists call it from CreateCollisionTree). An object
    // without a triangle of any area gets none.
    void BuildCollisionTree(int32_t iThreshold);
    const EnTypeRecord* GetDataType() const override;
    // The steps every triangle draw starts with: the renderer's accumulator is offered the
    // object (unless the caller did that already), then the culling planes and the model
    // transform go to the renderer. Null when the object must not be drawn now (no renderer or
    // data, or the accumulator kept it).
    EnRender* BeginDraw(EnCamera* pCamera, bool bOfferToAccumulator = true);
    // The three world points of an index triple; nulls when the world array does not reach.
    void WorldPointsOf(uint16_t usI0, uint16_t usI1, uint16_t usI2, EnVector3*& pP0,
                       EnVector3*& pP1, EnVector3*& pP2) const;
    // The same in the data's vertex array.
    void ModelPointsOf(uint16_t usI0, uint16_t usI1, uint16_t usI2, EnVector3*& pP0,
                       EnVector3*& pP1, EnVector3*& pP2) const;

    EnOBBRoot* m_pOBBRoot = nullptr;

private:
    // The world vertices, made when missing and brought up to date, and handed to the tree.
    void PrepareWorldVertices();
    // The tree, built with the threshold when missing, given this query's time step, world
    // velocity, world transform and world vertices; null when the object has none.
    EnOBBRoot* PrepareCollisionTree(float fTime, int32_t iThreshold);
    // Makes this object's collision volume from its vertices when it has none; false when it
    // still has none.
    bool EnsureCollisionVolume();
};
