#include "engine/core/EnCollisionSwitch.h"

#include "engine/core/EnRayQuery.h"
#include "engine/core/EnViewerStrings.h"

EN_IMPLEMENT_RTTI(EnCollisionSwitch, EnNode);
EN_IMPLEMENT_STREAM(EnCollisionSwitch);

EnCollisionSwitch::EnCollisionSwitch() {
    SetPropagate(true);
}

EnCollisionSwitch::~EnCollisionSwitch() = default;

EnObject* EnCollisionSwitch::CloneObject() {
    EnCollisionSwitch* pCopy = new EnCollisionSwitch;
    CopyMembers(pCopy);
    return pCopy;
}

bool EnCollisionSwitch::EqualsObject(const EnObject* pObject) const {
    if (!EnNode::EqualsObject(pObject)) return false;
    const auto* pOther = EnDynamicCast(EnCollisionSwitch, pObject);
    return pOther && GetPropagate() == pOther->GetPropagate();
}

void EnCollisionSwitch::AppendMemberStrings(EnTArray<char*>& kStrings) const {
    EnNode::AppendMemberStrings(kStrings);
    kStrings.Add(MakeViewerTitle("EnCollisionSwitch"));
    kStrings.Add(MakeViewerBool("m_bPropagate", GetPropagate()));
}

bool EnCollisionSwitch::TestCollision(float fTime, const EnCollisionQuery& kThis,
                                      const EnCollisionQuery& kOther) {
    return GetPropagate() && EnNode::TestCollision(fTime, kThis, kOther);
}

int32_t EnCollisionSwitch::FindCollisions(float fTime, const EnCollisionQuery& kThis,
                                          const EnCollisionQuery& kOther) {
    return GetPropagate() ? EnNode::FindCollisions(fTime, kThis, kOther) : 0;
}

bool EnCollisionSwitch::FindIntersections(const EnVector3& kOrigin, const EnVector3& kDir,
                                          EnRayQuery& kQuery) {
    if (kQuery.m_bObserveAppCulled && GetAppCulled()) return false;
    return GetPropagate() && EnNode::FindIntersections(kOrigin, kDir, kQuery);
}
