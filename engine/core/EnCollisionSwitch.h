#pragma once
#include <cstdint>

#include "engine/core/EnNode.h"

// A node that turns collision tests and picking for its subtree on or off.
class EnCollisionSwitch : public EnNode {
    EN_DECLARE_RTTI;
    EN_DECLARE_STREAM;

public:
    // m_bPropagate, flags bit 5; set in a new node.
    static constexpr uint16_t PROPAGATE_COLLISIONS_MASK = 0x0020;

    EnCollisionSwitch();
    ~EnCollisionSwitch() override;

    EnObject* CloneObject() override;
    bool EqualsObject(const EnObject* pObject) const override;
    void AppendMemberStrings(EnTArray<char*>& kStrings) const override;
    bool TestCollision(float fTime, const EnCollisionQuery& kThis,
                       const EnCollisionQuery& kOther) override;
    int32_t FindCollisions(float fTime, const EnCollisionQuery& kThis,
                           const EnCollisionQuery& kOther) override;
    bool FindIntersections(const EnVector3& kOrigin, const EnVector3& kDir,
                           EnRayQuery& kQuery) override;

    bool GetPropagate() const { return (m_usFlags & PROPAGATE_COLLISIONS_MASK) != 0; }
    void SetPropagate(bool bPropagate) {
        m_usFlags = uint16_t(bPropagate ? (m_usFlags | PROPAGATE_COLLISIONS_MASK)
                                        : (m_usFlags & ~PROPAGATE_COLLISIONS_MASK));
    }
};
