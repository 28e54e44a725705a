#pragma once
#include <cstdint>

#include "engine/core/EnBoundSphere.h"
#include "engine/core/EnNode.h"
#include "engine/core/EnTArray.h"

// A node that shows one child at a time; the others stay attached but are neither drawn nor,
// with m_bUpdateOnlyActive, updated. Level-of-detail and flip-book nodes build on it.
class EnSwitchNode : public EnNode {
    EN_DECLARE_RTTI;
    EN_DECLARE_STREAM;

public:
    // Flags bit 5: only the active child is updated, late, when it is about to be drawn.
    static constexpr uint16_t UPDATE_ONLY_ACTIVE_MASK = 0x0020;

    EnSwitchNode();
    ~EnSwitchNode() override;

    EnObject* CloneObject() override;
    void LoadFromStream(EnStream& kStream) override;
    void SaveToStream(EnStream& kStream) override;
    bool EqualsObject(const EnObject* pObject) const override;
    void AppendMemberStrings(EnTArray<char*>& kStrings) const override;

    void UpdateSubtree(float fTime) override;
    void Draw(EnCamera* pCamera) override;
    bool TestCollision(float fTime, const EnCollisionQuery& kThis,
                       const EnCollisionQuery& kOther) override;
    int32_t FindCollisions(float fTime, const EnCollisionQuery& kThis,
                           const EnCollisionQuery& kOther) override;
    bool FindIntersections(const EnVector3& kOrigin, const EnVector3& kDir,
                           EnRayQuery& kQuery) override;
    void PreDraw(EnCamera* pCamera) override;
    void AddChild(EnAVObject* pChild, bool bFirstFreeSlot = false) override;
    EnPointer<EnAVObject> RemoveChild(EnAVObject* pChild) override;
    EnPointer<EnAVObject> RemoveChildAt(uint32_t uiIndex) override;
    EnPointer<EnAVObject> ReplaceChildAt(uint32_t uiIndex, EnAVObject* pChild) override;
    void PropagateBoundUpward() override;

    // -1 shows nothing.
    void SetIndex(int32_t iIndex) { m_iIndex = iIndex; }
    int32_t GetIndex() const { return m_iIndex; }
    // The child at the index, or null when the index is out of range or the slot empty.
    EnPointer<EnAVObject> GetActiveChild() const;
    bool GetUpdateOnlyActive() const { return (m_usFlags & UPDATE_ONLY_ACTIVE_MASK) != 0; }
    void SetUpdateOnlyActive(bool bOnlyActive) {
        m_usFlags = uint16_t(bOnlyActive ? (m_usFlags | UPDATE_ONLY_ACTIVE_MASK)
                                         : (m_usFlags & ~UPDATE_ONLY_ACTIVE_MASK));
    }
    // Bound of the visual children in the node's own space.
    const EnBoundSphere& GetModelBound() const { return m_modelBound; }
    float GetSavedTime() const { return m_fSavedTime; }
    uint32_t GetUpdateStamp() const { return m_uiUpdateStamp; }
    // Generation at which the child at the index was last updated; 0 = never.
    uint32_t GetChildStamp(uint32_t uiIndex) const { return m_childStamps.GetAt(uiIndex); }

protected:
    void CopyMembers(EnSwitchNode* pCopy);
    // Brings the visual children's world bounds into model space and merges them; sets or
    // clears the visual flag.
    void RecomputeModelBound();
    // World bound := model bound moved by the world transform.
    void ApplyModelBound();
    // Updates the child at the index with the saved time unless it is up to date already.
    void UpdateChildLate(uint32_t uiIndex);
    // The switch's own collision step: the active child handed to the other side.
    int32_t OfferActiveChild(float fTime, const EnCollisionQuery& kThis,
                             const EnCollisionQuery& kOther, bool bFind);
    // The index of the child in the array, or UINT32_MAX.
    uint32_t FindChildIndex(const EnAVObject* pChild) const;

    int32_t m_iIndex = -1;
    float m_fSavedTime = 0.0f;
    uint32_t m_uiUpdateStamp = 1;
    EnTArray<uint32_t> m_childStamps{1, 1};
    EnBoundSphere m_modelBound;
};
