#pragma once
#include <cstdint>
#include <memory>

#include "engine/geometry/EnOBBBox.h"

class EnAVObject;
class EnOBBRoot;
struct EnRayQuery;

// An inner node of an oriented-box collision tree: a box over a range of the geometry's
// triangles and two children that split the range, or none when the range was left whole
// (its box then answers for all its triangles). Both children are present or both absent.
class EnOBBNode {
public:
    // Who a contact is reported for: the objects where the two sides' queries started and the
    // two geometries whose trees are searched.
    struct Parties {
        EnAVObject* m_pTopA = nullptr;
        EnAVObject* m_pTopB = nullptr;
        EnAVObject* m_pGeometryA = nullptr;
        EnAVObject* m_pGeometryB = nullptr;
    };

    // The top node over two or more triangles (numbers into the owner's triangle list): a box
    // fitted to them, split top-down by their centroids while a range spans at least the
    // threshold, one leaf per triangle of a range split to one.
    EnOBBNode(EnOBBRoot& kOwner, const uint32_t* puiTriangles, uint32_t uiCount,
              const EnVector3* pModelVertex, int32_t iThreshold);
    virtual ~EnOBBNode();
    EnOBBNode(const EnOBBNode&) = delete;
    EnOBBNode& operator=(const EnOBBNode&) = delete;

    virtual bool IsLeaf() const { return false; }
    // Whether this box and the other (or boxes below them, within the depths) overlap over
    // the time step.
    virtual bool TestCollision(EnOBBNode* pOther, int32_t iDepthA, int32_t iDepthB);
    // The reporting search; 1 as soon as a callback asks to stop, else 0.
    virtual int32_t FindCollisions(EnOBBNode* pOther, const Parties& kParties, int32_t iDepthA,
                                   int32_t iDepthB);
    // The ray against the boxes and triangles below; 0 always, so every box is visited.
    virtual int32_t FindIntersections(const EnVector3& kOrigin, const EnVector3& kDir,
                                      EnRayQuery& kQuery, bool& bHit, EnAVObject* pGeometry);

    const EnOBBBox& GetBox() const { return m_kBox; }
    EnOBBNode* GetFirstChild() const { return m_spFirst.get(); }
    EnOBBNode* GetSecondChild() const { return m_spSecond.get(); }
    bool HasChildren() const { return m_spFirst && m_spSecond; }
    // The owner's change counter for which the world box was last computed.
    uint32_t GetUpdateStamp() const { return m_uiUpdateStamp; }
    // Recomputes the world box from the owner's transform when the owner changed since.
    void Refresh();
    // Recomputes it whatever the stamp says.
    void RefreshNow();
    // The triangles of a node left without children.
    uint32_t GetLooseCount() const { return m_uiLooseCount; }
    const uint16_t* GetLooseTriangles() const;

protected:
    // An empty node of the owner's tree, to be built or to become a leaf.
    explicit EnOBBNode(EnOBBRoot& kOwner);

    // A contact between this box and the other one, reported to the callbacks.
    int32_t ReportBoxContact(EnOBBNode* pOther, const Parties& kParties);
    // The ray against one triangle of the owner; a hit is appended to the query.
    static bool PickTriangle(const EnOBBRoot& kOwner, uint16_t usTriangle, const EnVector3& kOrigin,
                             const EnVector3& kDir, EnRayQuery& kQuery, EnAVObject* pGeometry);
    EnOBBRoot& Owner() const { return *m_kBox.m_pOwner; }

    EnOBBBox m_kBox;
    std::unique_ptr<EnOBBNode> m_spFirst;
    std::unique_ptr<EnOBBNode> m_spSecond;
    uint32_t m_uiUpdateStamp = 0;
    uint32_t m_uiLooseFirst = 0;
    uint32_t m_uiLooseCount = 0;

private:
    class Builder;
};
