#pragma once
#include <cstdint>

#include "engine/core/EnBoundSphere.h"
#include "engine/geometry/EnGeometry.h"

class EnCamera;
class EnTriShape;

// The stand-in that the alpha sorter puts into the scene graph in place of each blended
// triangle shape it takes over. It keeps the shape's transforms, bound and properties, so
// culling, picking and the property and effect passes treat it exactly as they treated the
// shape; but when the scene walk draws it, it draws nothing and only notes that it is visible
// this frame and which culling planes were still active. The sorter then draws the real shape
// (or its pieces) in back-to-front order with the proxy's transform and states.
//
// The game's scene files never hold proxies (the sorter makes them after loading), so no
// create function is entered in the loader map at start-up; a program that wants to read
// saved proxies back calls RegisterLoader itself.
class EnAlphaProxy : public EnGeometry {
    EN_DECLARE_RTTI;
    EN_DECLARE_STREAM;

public:
    EnAlphaProxy();
    // Takes the shape's local and world transforms, world bound, the bound of its data and its
    // properties (the same property objects, in the same order).
    explicit EnAlphaProxy(EnTriShape* pShape);
    ~EnAlphaProxy() override;

    // Clones share the proxy: the sorter's records name this object.
    EnObject* CloneObject() override { return this; }
    void LoadFromStream(EnStream& kStream) override;
    void SaveToStream(EnStream& kStream) override;
    bool EqualsObject(const EnObject* pObject) const override;
    void AppendMemberStrings(EnTArray<char*>& kStrings) const override;

    // Records the camera's plane mask and marks the proxy drawn; nothing reaches the renderer.
    void Draw(EnCamera* pCamera) override;
    // The renderer's states belong to whatever draws next; the proxy lends none.
    void PreDraw(EnCamera* pCamera) override { (void)pCamera; }
    // A proxy has no vertices of its own, so there are no world arrays to mark.
    void ComputeWorldTransform() override;
    // The model bound carried into the world by the world transform.
    void ComputeWorldBound() override;

    bool IsDrawn() const { return m_bDrawn; }
    void ClearDrawn() { m_bDrawn = false; }
    // The camera's four-word culling-plane mask at the moment the proxy was drawn.
    const uint32_t* GetPlaneMask() const { return m_auiPlaneMask; }
    const EnBoundSphere& GetModelBound() const { return m_modelBound; }
    void SetModelBound(const EnBoundSphere& kBound) { m_modelBound = kBound; }

protected:
    uint32_t m_auiPlaneMask[4] = {0, 0, 0, 0};
    EnBoundSphere m_modelBound;
    bool m_bDrawn = false;
};
