#pragma once
#include <cstdint>
#include <vector>

#include "engine/core/EnAVObject.h"
#include "engine/core/EnPointer.h"
#include "engine/core/EnTArray.h"
#include "engine/core/EnTInlineList.h"

class EnDynamicEffect;

// The interior node of the scene graph: an ordered array of children (slots may be empty, and
// removing a child never moves the others, so switch and level-of-detail nodes can rely on the
// indexes) and the dynamic effects the node hands down to its subtree. It drives the recursive
// passes: update, property and effect states, culled drawing, collision and ray queries,
// cloning and streaming.
class EnNode : public EnAVObject {
    EN_DECLARE_RTTI;
    EN_DECLARE_STREAM;

public:
    struct LinkRecord : EnAVObject::LinkRecord {
        std::vector<uint32_t> m_kChildIDs;
        std::vector<uint32_t> m_kEffectIDs;
    };

    EnNode();
    ~EnNode() override;

    EnObject* CloneObject() override;
    void CloneFixup(EnObject* pCopy) override;
    void CloneCleanup() override;
    void LoadFromStream(EnStream& kStream) override;
    void LinkFromStream(EnStream& kStream) override;
    bool RegisterForSave(EnStream& kStream) override;
    void SaveToStream(EnStream& kStream) override;
    bool EqualsObject(const EnObject* pObject) const override;
    void AppendMemberStrings(EnTArray<char*>& kStrings) const override;

    void BakeTransform(const EnMatrix3& kRotate, const EnVector3& kTranslate,
                       bool bInParentSpace) override;
    void CreateWorldVertices() override;
    void UpdateWorldVertices() override;
    void DestroyWorldVertices() override;
    void CreateWorldNormals() override;
    void UpdateWorldNormals() override;
    void DestroyWorldNormals() override;
    EnAVObject* FindObjectByName(const char* pcName) override;
    void CreateCollisionTree(int32_t iArgument) override;
    void DestroyCollisionTree() override;
    void UpdateSubtree(float fTime) override;
    // True when at least one child was visual at the last update.
    bool IsVisualObject() const override { return (m_usFlags & VISUAL_MASK) != 0; }
    void UpdatePropertyState(EnPropertyState* pState) override;
    void UpdateEffectState(EnDynamicEffectState* pState) override;
    void Draw(EnCamera* pCamera) override;
    bool TestCollision(float fTime, const EnCollisionQuery& kThis,
                       const EnCollisionQuery& kOther) override;
    int32_t FindCollisions(float fTime, const EnCollisionQuery& kThis,
                           const EnCollisionQuery& kOther) override;
    bool FindIntersections(const EnVector3& kOrigin, const EnVector3& kDir,
                           EnRayQuery& kQuery) override;
    // Copies and merges the current world bounds of the visual children.
    void ComputeWorldBound() override;

    // Attaches a child (the node holds a reference; a child of another node moves here): at
    // the used size, or with bFirstFreeSlot into the first empty slot. Null is ignored.
    virtual void AddChild(EnAVObject* pChild, bool bFirstFreeSlot = false);
    // The removed child, or null when it is not a child of this node.
    virtual EnPointer<EnAVObject> RemoveChild(EnAVObject* pChild);
    virtual EnPointer<EnAVObject> RemoveChildAt(uint32_t uiIndex);
    // Stores the child at the index (growing the array to reach it); the child that was there.
    virtual EnPointer<EnAVObject> ReplaceChildAt(uint32_t uiIndex, EnAVObject* pChild);
    // This node's bound from its children's, then the ancestors' up to the root.
    virtual void PropagateBoundUpward();

    // Used size of the child array, empty slots included.
    uint32_t GetArrayCount() const { return m_children.GetSize(); }
    uint32_t GetChildCount() const { return m_children.GetEffectiveSize(); }
    EnAVObject* GetAt(uint32_t uiIndex) const {
        return uiIndex < m_children.GetSize() ? m_children.GetAt(uiIndex).Get() : nullptr;
    }

    // The two-sided link with an effect: the node lists the effect and the effect the node.
    void AttachEffect(EnDynamicEffect* pEffect);
    void DetachEffect(EnDynamicEffect* pEffect);
    void DetachAllEffects();
    // Effects of the node, newest first; not counted (the effects know the node in turn).
    const EnTInlineList<EnDynamicEffect*>& GetEffectList() const { return m_effectList; }
    bool HasEffects() const { return !m_effectList.IsEmpty(); }
    bool HasEffect(EnDynamicEffect* pEffect) const;

protected:
    // Fills the EnNode part of a copy: the EnAVObject part, then a clone of each child at its
    // own index.
    void CopyMembers(EnNode* pCopy);
    // Copies and merges the world bounds of the visual children into this node's world bound
    // and sets or clears the visual flag; false when no child was visual.
    bool MergeChildBounds();
    // Updates every child in index order, merging the visual children's bounds as it goes.
    void UpdateChildren(float fTime);
    void SetVisual(bool bVisual) {
        m_usFlags = uint16_t(bVisual ? (m_usFlags | VISUAL_MASK) : (m_usFlags & ~VISUAL_MASK));
    }
    // The loader's check that an object may become a child here: an EnAVObject that is not
    // this node or one of its ancestors (which would close a cycle).
    bool IsAcceptableChild(const EnAVObject* pChild) const;

    EnTArray<EnPointer<EnAVObject>> m_children{1, 1};
    EnTInlineList<EnDynamicEffect*> m_effectList;
};
