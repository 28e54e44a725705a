#include "engine/core/EnBone.h"

EN_IMPLEMENT_RTTI(EnBone, EnNode);
EN_IMPLEMENT_STREAM(EnBone);

EnBone::EnBone() = default;

EnBone::~EnBone() = default;

EnObject* EnBone::CloneObject() {
    EnBone* pCopy = new EnBone;
    // The node copy leaves the clone marker on this bone, through which skin controllers
    // being cloned find the copy.
    CopyMembers(pCopy);
    pCopy->m_skinRotate = m_skinRotate;
    pCopy->m_skinTranslate = m_skinTranslate;
    pCopy->m_fSkinScale = m_fSkinScale;
    return pCopy;
}

void EnBone::UpdateSkinTransform() {
    // Only a parent that is exactly a bone continues the hierarchy.
    const EnBone* pParent =
        EnIsExactKindOf(EnBone, m_pParent) ? static_cast<const EnBone*>(m_pParent) : nullptr;
    if (pParent) {
        m_skinRotate = pParent->m_skinRotate * m_localRotate;
        m_skinTranslate = pParent->m_fSkinScale * (pParent->m_skinRotate * m_localTranslate) +
                          pParent->m_skinTranslate;
        m_fSkinScale = m_fLocalScale * pParent->m_fSkinScale;
    } else {
        m_skinRotate = m_localRotate;
        m_skinTranslate = m_localTranslate;
        m_fSkinScale = m_fLocalScale;
    }
}

void EnBone::UpdateSubtree(float fTime) {
    RunControllers(fTime);
    ComputeWorldTransform();
    UpdateSkinTransform();
    UpdateChildren(fTime);
}
