#pragma once
#include <cstdint>

#include "engine/core/EnNode.h"
#include "engine/core/EnPlaneEquation.h"

// A node with two children split by a plane: child 0 lies on the plane's positive side, child
// 1 on the negative side. The child on the camera's side is drawn last, so blended geometry
// composes back to front.
class EnBSPNode : public EnNode {
    EN_DECLARE_RTTI;
    EN_DECLARE_STREAM;

public:
    EnBSPNode();
    ~EnBSPNode() override;

    EnObject* CloneObject() override;
    void LoadFromStream(EnStream& kStream) override;
    void SaveToStream(EnStream& kStream) override;
    bool EqualsObject(const EnObject* pObject) const override;
    void AppendMemberStrings(EnTArray<char*>& kStrings) const override;
    // The plane moves with the geometry below the node.
    void BakeTransform(const EnMatrix3& kRotate, const EnVector3& kTranslate,
                       bool bInParentSpace) override;
    void Draw(EnCamera* pCamera) override;
    // The world transform, then the world plane.
    void ComputeWorldTransform() override;

    const EnPlaneEquation& GetModelPlane() const { return m_modelPlane; }
    void SetModelPlane(const EnPlaneEquation& kPlane) { m_modelPlane = kPlane; }
    const EnPlaneEquation& GetWorldPlane() const { return m_worldPlane; }
    // 1 for a camera on the positive side, 2 on the negative side; a camera on the plane is
    // classified by its viewing direction the same way, 0 when that is undecided too.
    int WhichSide(const EnVector3& kCameraLoc, const EnVector3& kCameraDir) const;
    // Culls and draws the children in the order for the side (2: child 1 first).
    void DrawForSide(EnCamera* pCamera, int iSide);

protected:
    EnPlaneEquation m_modelPlane;
    EnPlaneEquation m_worldPlane;
};
