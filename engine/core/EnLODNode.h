#pragma once
#include <cstdint>
#include <memory>
#include <vector>

#include "engine/core/EnSwitchNode.h"
#include "engine/core/EnVector3.h"

// A switch node that picks its child each frame from the camera's distance: child i is shown
// while the distance lies in [near, far) of range i. The distance is measured to child 0's
// bound centre, or, with m_bPositionInRange, to each range's own centre. The camera's
// m_fLODAdjust scales it, so a value above 1 switches to coarser children earlier.
class EnLODNode : public EnSwitchNode {
    EN_DECLARE_RTTI;
    EN_DECLARE_STREAM;

public:
    // Flags bit 6: each range carries its own centre.
    static constexpr uint16_t POSITION_IN_RANGE_MASK = 0x0040;

    struct Range {
        float m_fNear = 0.0f;
        float m_fWorldNear = 0.0f;
        float m_fFar = 0.0f;
        float m_fWorldFar = 0.0f;
        EnVector3 m_kLoc{0.0f, 0.0f, 0.0f};       // model space
        EnVector3 m_kWorldLoc{0.0f, 0.0f, 0.0f};  // world space

        bool operator==(const Range&) const = default;
    };

    EnLODNode();
    ~EnLODNode() override;

    EnObject* CloneObject() override;
    void LoadFromStream(EnStream& kStream) override;
    void SaveToStream(EnStream& kStream) override;
    bool EqualsObject(const EnObject* pObject) const override;
    void AppendMemberStrings(EnTArray<char*>& kStrings) const override;

    bool TestCollision(float fTime, const EnCollisionQuery& kThis,
                       const EnCollisionQuery& kOther) override;
    int32_t FindCollisions(float fTime, const EnCollisionQuery& kThis,
                           const EnCollisionQuery& kOther) override;
    // Chooses the active child from the camera's position, then the switch's pre-draw.
    void PreDraw(EnCamera* pCamera) override;
    // The world transform, then each range's world centre and world distances.
    void ComputeWorldTransform() override;

    // A new range {near, far, centre at the origin} for the child index; the array grows as
    // needed and a range already there is replaced.
    void SetRange(float fNear, float fFar, uint32_t uiIndex);
    // Null when the index has no range.
    Range* GetRange(uint32_t uiIndex) const {
        return uiIndex < m_ranges.size() ? m_ranges[uiIndex].get() : nullptr;
    }
    uint32_t GetRangeCount() const { return uint32_t(m_ranges.size()); }
    void SetRangeCenter(uint32_t uiIndex, const EnVector3& kLoc);
    bool GetPositionInRange() const { return (m_usFlags & POSITION_IN_RANGE_MASK) != 0; }
    void SetPositionInRange(bool bInRange) {
        m_usFlags = uint16_t(bInRange ? (m_usFlags | POSITION_IN_RANGE_MASK)
                                      : (m_usFlags & ~POSITION_IN_RANGE_MASK));
    }

    // The level choice for a camera at the location with the adjustment: sets the index of
    // the last child whose range holds the distance (-1 when none) and runs the switch's
    // pre-draw once per match.
    void SelectLevel(EnCamera* pCamera, const EnVector3& kCameraLoc, float fLODAdjust);

protected:
    void CopyMembers(EnLODNode* pCopy);
    int32_t OfferRangedChildren(float fTime, const EnCollisionQuery& kThis,
                                const EnCollisionQuery& kOther, bool bFind);

    std::vector<std::unique_ptr<Range>> m_ranges;  // entry i belongs to child i
};
