#include "engine/core/EnBSPNode.h"

#include "engine/core/EnCamera.h"
#include "engine/core/EnStream.h"
#include "engine/core/EnViewerStrings.h"

EN_IMPLEMENT_RTTI(EnBSPNode, EnNode);
EN_IMPLEMENT_STREAM(EnBSPNode);

EnBSPNode::EnBSPNode() {
    // Exactly the two sides of the plane.
    m_children.SetSize(2);
    m_children.SetGrowBy(0);
}

EnBSPNode::~EnBSPNode() = default;

EnObject* EnBSPNode::CloneObject() {
    EnBSPNode* pCopy = new EnBSPNode;
    CopyMembers(pCopy);
    pCopy->m_modelPlane = m_modelPlane;
    return pCopy;
}

void EnBSPNode::LoadFromStream(EnStream& kStream) {
    EnNode::LoadFromStream(kStream);
    m_modelPlane.Load(kStream);
}

void EnBSPNode::SaveToStream(EnStream& kStream) {
    EnNode::SaveToStream(kStream);
    m_modelPlane.Save(kStream);
}

bool EnBSPNode::EqualsObject(const EnObject* pObject) const {
    if (!EnNode::EqualsObject(pObject)) return false;
    const auto* pOther = EnDynamicCast(EnBSPNode, pObject);
    return pOther && m_modelPlane == pOther->m_modelPlane;
}

void EnBSPNode::AppendMemberStrings(EnTArray<char*>& kStrings) const {
    EnNode::AppendMemberStrings(kStrings);
    kStrings.Add(MakeViewerTitle("EnBSPNode"));
    kStrings.Add(m_modelPlane.MakeViewerString("m_modelPlane"));
    kStrings.Add(m_worldPlane.MakeViewerString("m_worldPlane"));
}

void EnBSPNode::ComputeWorldTransform() {
    EnNode::ComputeWorldTransform();
    const EnVector3 kNormal = m_worldRotate * m_modelPlane.m_normal;
    m_worldPlane.m_normal = kNormal;
    m_worldPlane.m_fConstant =
        m_worldScale * m_modelPlane.m_fConstant + kNormal.Dot(m_worldTranslate);
}

void EnBSPNode::BakeTransform(const EnMatrix3& kRotate, const EnVector3& kTranslate,
                              bool bInParentSpace) {
    EnMatrix3 kLocalRotate = kRotate;
    EnVector3 kLocalTranslate = kTranslate;
    if (bInParentSpace) {
        const EnMatrix3& L = m_localRotate;
        const EnVector3& t = m_localTranslate;
        kLocalRotate = L.TransposeTimes(kRotate) * L;
        kLocalTranslate = L.TransposeTimesVector(kRotate * t + kTranslate - t) / m_fLocalScale;
    }
    // Normals move with the inverse transpose; a singular rotation leaves the plane's
    // direction as it was.
    EnMatrix3 kInverse;
    if (kLocalRotate.Inverse(kInverse))
        m_modelPlane.m_normal = kInverse.TransposeTimesVector(m_modelPlane.m_normal);
    m_modelPlane.m_fConstant += m_modelPlane.m_normal.Dot(kLocalTranslate);
    for (uint32_t i = 0; i < m_children.GetSize(); i++)
        if (EnAVObject* pChild = m_children.GetAt(i))
            pChild->BakeTransform(kLocalRotate, kLocalTranslate, true);
}

int EnBSPNode::WhichSide(const EnVector3& kCameraLoc, const EnVector3& kCameraDir) const {
    const float fLoc = m_worldPlane.m_normal.Dot(kCameraLoc) - m_worldPlane.m_fConstant;
    if (fLoc < 0.0f) return 2;
    if (fLoc > 0.0f) return 1;
    const float fDir = m_worldPlane.m_normal.Dot(kCameraDir) - m_worldPlane.m_fConstant;
    if (fDir < 0.0f) return 2;
    if (fDir > 0.0f) return 1;
    return 0;
}

void EnBSPNode::DrawForSide(EnCamera* pCamera, int iSide) {
    EnAVObject* pFirst = GetAt(0);
    EnAVObject* pSecond = GetAt(1);
    if (iSide == 2) std::swap(pFirst, pSecond);
    if (pFirst) pFirst->CullAndDraw(pCamera);
    if (pSecond) pSecond->CullAndDraw(pCamera);
}

void EnBSPNode::Draw(EnCamera* pCamera) {
    int iSide = 0;
    if (pCamera) iSide = WhichSide(pCamera->GetWorldLocation(), pCamera->GetWorldDirection());
    DrawForSide(pCamera, iSide);
}
