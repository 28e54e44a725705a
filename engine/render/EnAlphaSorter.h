#pragma once
#include <cstdint>
#include <memory>

#include "engine/core/EnAVObject.h"
#include "engine/core/EnPlaneEquation.h"
#include "engine/core/EnPointer.h"
#include "engine/core/EnTStringMap.h"
#include "engine/geometry/EnTriShape.h"
#include "engine/render/EnAlphaProxy.h"

class EnCamera;
class EnNode;
struct EnRayQuery;

// Draws the alpha-blended triangle shapes of a static scene back to front from any camera
// position. All the sorting is done once, in BuildTree: each blended shape leaves the scene
// graph for a binary space partitioning tree (cut into pieces where the tree's planes cross
// it) and an EnAlphaProxy takes its place in the graph. While the scene is drawn the proxies
// only note that they are visible; the sorter, drawn after the scene in the same frame, walks
// the tree from the camera's far side to its near side and draws the pieces of the visible
// proxies with the proxies' transforms and states.
//
// The game's own sorter derives from this class and from BSPTree; it may replace Draw,
// BuildTree (calling this one first), CreateTree, and the tree's NewProxyNode, NewSubtree,
// Build, Partition and Draw.
//
// Like the proxy, the sorter is made by the program, not read from scene files by class name:
// its create function is entered in the loader map only by an explicit RegisterLoader.
class EnAlphaSorter : public EnAVObject {
    EN_DECLARE_RTTI;
    EN_DECLARE_STREAM;

public:
    // Options in the scene object's flags word, both set by the constructor. With the first,
    // shapes whose alpha property asks to stay out of the sorter stay in the scene graph; with
    // the second clear, billboard nodes and everything below them are left alone.
    static constexpr uint16_t OBSERVE_NO_SORTER_MASK = 0x0008;
    static constexpr uint16_t SORT_BILLBOARDS_MASK = 0x0010;

    // Names of scene objects to leave alone, each with everything below it.
    using ExclusionMap = EnTStringMap<int32_t>;

    // One piece of geometry in the tree and the proxy whose state it draws with. Records form
    // chains; a record owns the rest of its chain.
    class ProxyNode {
    public:
        ProxyNode(EnTriShape* pObject, EnAlphaProxy* pProxy, std::unique_ptr<ProxyNode> spNext);
        ProxyNode(const ProxyNode&) = delete;
        ProxyNode& operator=(const ProxyNode&) = delete;
        // Destroys the rest of the chain one record at a time, however long it is.
        virtual ~ProxyNode();

        EnPointer<EnTriShape> m_spObject;
        EnPointer<EnAlphaProxy> m_spProxy;
        std::unique_ptr<ProxyNode> m_spNext;
    };

    // A node of the partitioning tree: a splitting plane (a point p is in front when
    // normal . p - constant > 0), the chain of pieces that lie in the plane, and the subtrees
    // of what lies in front of it and behind it. Subtrees are owned. Every walk over the tree
    // keeps its own stack, so a tree as deep as the number of shapes costs no deep recursion.
    class BSPTree {
    public:
        BSPTree();
        BSPTree(const BSPTree&) = delete;
        BSPTree& operator=(const BSPTree&) = delete;
        // Deletes the chain, then the subtrees.
        virtual ~BSPTree();

        // A new record holding the object and the proxy, chained in front of spNext.
        virtual std::unique_ptr<ProxyNode> NewProxyNode(EnTriShape* pObject, EnAlphaProxy* pProxy,
                                                        std::unique_ptr<ProxyNode> spNext);
        // A new empty node of the tree's own kind.
        virtual std::unique_ptr<BSPTree> NewSubtree();
        // Builds this node and everything below it from a chain of records: the first
        // record's first triangle gives the plane, the others are partitioned by it.
        virtual void Build(std::unique_ptr<ProxyNode> spList);
        // Draws the pieces whose proxies were drawn this frame, far side first.
        virtual void Draw(EnCamera* pCamera);

        // Divides an object by a world plane into what lies in front of it, behind it and in
        // it (each null when empty), using the proxy's world transform to carry the plane into
        // the object's model space. An object that does not straddle the plane comes back
        // whole, as itself.
        virtual void Partition(EnTriShape* pObject, const EnAlphaProxy* pProxy,
                               const EnPlaneEquation& kPlane, EnPointer<EnTriShape>& spFront,
                               EnPointer<EnTriShape>& spBack, EnPointer<EnTriShape>& spOn);

        // Clears the drawn mark of every proxy in the tree: this node's chain first, then the
        // front subtree and then the back subtree, the same at every level.
        void ClearDrawnMarks();
        // Ray search over every record; hits name the proxies' parent nodes.
        bool FindIntersections(const EnVector3& kOrigin, const EnVector3& kDir, EnRayQuery& kQuery);

        const EnPlaneEquation& GetPlane() const { return m_plane; }
        const ProxyNode* GetChain() const { return m_spChain.get(); }
        BSPTree* GetFront() const { return m_spFront.get(); }
        BSPTree* GetBack() const { return m_spBack.get(); }
        // Records in this node and below.
        uint32_t GetRecordCount() const;

    protected:
        // One node's share of Build: takes the plane and the chain's first record, sorts the
        // pieces of the others into the two lists and this node's chain.
        void SplitList(std::unique_ptr<ProxyNode> spList, std::unique_ptr<ProxyNode>& spFront,
                       std::unique_ptr<ProxyNode>& spBack);
        // Draws this node's chain alone.
        void DrawChain(EnCamera* pCamera);

        EnPlaneEquation m_plane;
        std::unique_ptr<ProxyNode> m_spChain;
        std::unique_ptr<BSPTree> m_spFront;
        std::unique_ptr<BSPTree> m_spBack;
    };

    // Constants of the tree building, in model units where they are lengths.
    static constexpr float DISTANCE_TOLERANCE = 0.001f;
    static constexpr float PLANARITY_FACTOR = 1e-5f;
    static constexpr float DEGENERATE_LENGTH = 1e-6f;
    static constexpr float PLANE_NORMAL_MIN_LENGTH = 0.99999f;

    EnAlphaSorter();
    ~EnAlphaSorter() override;

    // The sorter is shared, never copied.
    EnObject* CloneObject() override { return this; }
    void LoadFromStream(EnStream& kStream) override;
    void SaveToStream(EnStream& kStream) override;
    bool EqualsObject(const EnObject* pObject) const override;
    void AppendMemberStrings(EnTArray<char*>& kStrings) const override;
    // Draws the tree for the camera, then clears every drawn mark. The renderer ends with the
    // property and effect states it had before.
    void Draw(EnCamera* pCamera) override;
    bool FindIntersections(const EnVector3& kOrigin, const EnVector3& kDir,
                           EnRayQuery& kQuery) override;

    // Takes the blended triangle shapes of the scene into a new tree, leaving proxies in their
    // places. A tree built before is deleted (its proxies stay in the scene and draw nothing).
    virtual void BuildTree(EnAVObject* pScene, float fTime, const ExclusionMap* pExclude);
    virtual std::unique_ptr<BSPTree> CreateTree();

    BSPTree* GetTree() const { return m_pTree.get(); }
    bool GetObserveNoSorter() const { return (m_usFlags & OBSERVE_NO_SORTER_MASK) != 0; }
    void SetObserveNoSorter(bool bObserve);
    bool GetSortBillboards() const { return (m_usFlags & SORT_BILLBOARDS_MASK) != 0; }
    void SetSortBillboards(bool bSort);

    // Whether the shape is flat enough to be sorted as one unit: its vertices' extent along
    // one axis of the frame of its first triangle is negligible next to the others.
    static bool IsPlanar(const EnTriShape* pShape);
    // The first half of the shape's triangles and the rest as two new shapes, each with only
    // the vertices its triangles use. Both null when the shape has fewer than two triangles.
    static void SplitInTwo(const EnTriShape* pShape, EnPointer<EnTriShape>& spFirst,
                           EnPointer<EnTriShape>& spSecond);
    // Whether a scene object is a blended triangle shape the sorter takes.
    bool IsSelectable(const EnAVObject* pObject) const;

protected:
    // Calls the visitor with (parent, child index, shape) for every shape the sorter selects
    // below the scene, in depth-first child order.
    template <class Visitor>
    void ForEachSelected(EnAVObject* pScene, const ExclusionMap* pExclude, Visitor&& fnVisit);
    // Replaces a shape that is not planar, in its parent, by a node of planar pieces.
    void SplitIntoPlanarPieces(EnNode* pParent, uint32_t uiIndex, EnTriShape* pShape);
    static void UpdateScene(EnAVObject* pScene, float fTime);

    std::unique_ptr<BSPTree> m_pTree;
};
