#pragma once

#include "engine/core/EnMatrix3.h"
#include "engine/core/EnNode.h"
#include "engine/core/EnVector3.h"

// A node of a skinning hierarchy: besides its world transform it keeps its transform relative
// to the root bone of its hierarchy (the skin transform), which skin controllers deform
// their meshes with. The skin transform is made by the update and never stored.
class EnBone : public EnNode {
    EN_DECLARE_RTTI;
    EN_DECLARE_STREAM;

public:
    EnBone();
    ~EnBone() override;

    EnObject* CloneObject() override;
    // The node's update with the skin transform made between the world transform and the
    // children.
    void UpdateSubtree(float fTime) override;

    const EnMatrix3& GetSkinRotate() const { return m_skinRotate; }
    const EnVector3& GetSkinTranslate() const { return m_skinTranslate; }
    float GetSkinScale() const { return m_fSkinScale; }
    // The skin transform from the parent bone's (when the parent is exactly a bone) and the
    // local transform; a bone under anything else is the root of its hierarchy.
    void UpdateSkinTransform();

protected:
    EnMatrix3 m_skinRotate{1.0f, 0.0f, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f, 0.0f, 1.0f};
    EnVector3 m_skinTranslate{0.0f, 0.0f, 0.0f};
    float m_fSkinScale = 1.0f;
};
