#pragma once
#include <cstdint>
#include <memory>
#include <vector>

#include "engine/core/EnMatrix3.h"
#include "engine/core/EnVector3.h"

class EnAVObject;
class EnOBBNode;
struct EnRayQuery;

// The oriented-box collision tree of one triangle geometry: the tree's top node, the
// geometry's world transform as last handed over (with a change counter that tells the nodes
// when their world boxes are stale), and the time step and world velocity of the query under
// way. Leaves name their triangles by number; the tree keeps its own copy of the triangles'
// vertex indices and reads world points from the array the geometry hands it for each query,
// so it never holds on to the geometry's arrays between queries.
class EnOBBRoot {
public:
    // A tree over the triangles of the list (3 vertex indices each) whose indices lie below the
    // vertex count and whose area is not zero: a single leaf for one such triangle, a top node
    // built down to ranges of at most the threshold (in triangle-number distance) for more.
    // Null when no triangle qualifies: a tree over nothing is no tree.
    static std::unique_ptr<EnOBBRoot> Create(uint16_t usTriangles, const uint16_t* pusTriList,
                                             const EnVector3* pModelVertex, uint16_t usVertices,
                                             int32_t iThreshold);
    virtual ~EnOBBRoot();
    EnOBBRoot(const EnOBBRoot&) = delete;
    EnOBBRoot& operator=(const EnOBBRoot&) = delete;

    // Whether any box pair of the two trees overlaps over the time step, searched down to the
    // depths given (a negative depth reaches the leaves). False against itself.
    virtual bool TestCollision(EnOBBRoot* pOther, int32_t iDepthA, int32_t iDepthB);
    // Reports every contact to the collision callbacks (triangle contacts when both depths are
    // negative, box contacts otherwise) until a callback asks to stop: then 1, else 0. Nothing
    // against itself.
    virtual int32_t FindCollisions(EnOBBRoot* pOther, EnAVObject* pTopA, EnAVObject* pTopB,
                                   EnAVObject* pGeometryA, EnAVObject* pGeometryB, int32_t iDepthA,
                                   int32_t iDepthB);
    // Appends a hit to the query for every triangle the world ray meets, in tree order;
    // bHit is set when there was one. Always 0: the search visits every box the ray meets.
    virtual int32_t FindIntersections(const EnVector3& kOrigin, const EnVector3& kDir,
                                      EnRayQuery& kQuery, bool& bHit, EnAVObject* pGeometry);

    // Takes the geometry's world transform; an unchanged one changes nothing, so no box is
    // recomputed.
    void SetWorldTransform(const EnMatrix3& kRotate, const EnVector3& kTranslate, float fScale);
    const EnMatrix3& GetRotate() const { return m_kRotate; }
    const EnVector3& GetTranslate() const { return m_kTranslate; }
    float GetScale() const { return m_fScale; }
    uint32_t GetChangeCounter() const { return m_uiChangeCounter; }
    bool IsDirty() const { return m_bDirty; }

    void SetTimeStep(float fTime) { m_fTimeStep = fTime; }
    float GetTimeStep() const { return m_fTimeStep; }
    void SetVelocity(const EnVector3& kVelocity) { m_kVelocity = kVelocity; }
    const EnVector3& GetVelocity() const { return m_kVelocity; }

    // The geometry's current world vertices, for the triangle tests of the next queries; null
    // detaches them (the leaves then meet nothing).
    void SetWorldVertices(const EnVector3* pWorldVertex, uint16_t usCount);
    // The world points of triangle t; false when the tree has no world vertices for it.
    bool GetWorldTriangle(uint16_t usTriangle, const EnVector3*& pP0, const EnVector3*& pP1,
                          const EnVector3*& pP2) const;
    // The vertex indices of triangle t as the tree was built over them.
    void GetTriangleIndices(uint16_t usTriangle, uint16_t& usI0, uint16_t& usI1,
                            uint16_t& usI2) const;
    uint16_t GetTriangleCount() const { return uint16_t(m_kTriList.size() / 3); }

    EnOBBNode* GetTop() const { return m_spTop.get(); }

    // Triangle numbers of nodes that were left without children, kept so that a ray search
    // can still reach those triangles.
    uint32_t AddLooseTriangles(const uint32_t* puiTriangles, uint32_t uiCount);
    const uint16_t* GetLooseTriangles(uint32_t uiFirst) const { return m_kLoose.data() + uiFirst; }

private:
    EnOBBRoot() = default;

    float m_fTimeStep = 0.0f;
    std::unique_ptr<EnOBBNode> m_spTop;
    bool m_bDirty = false;
    EnVector3 m_kVelocity{0.0f, 0.0f, 0.0f};
    EnMatrix3 m_kRotate{1.0f, 0.0f, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f, 0.0f, 1.0f};
    EnVector3 m_kTranslate{0.0f, 0.0f, 0.0f};
    float m_fScale = 1.0f;
    uint32_t m_uiChangeCounter = 0;

    std::vector<uint16_t> m_kTriList;
    std::vector<uint16_t> m_kLoose;
    const EnVector3* m_pWorldVertex = nullptr;
    uint16_t m_usWorldVertices = 0;
};
