#pragma once
#include "engine/geometry/EnSkinController.h"

class EnTriShape;

// The skin controller of a triangle shape. The animation update only records the new time and
// the bound of the deformed mesh; the shape's vertices are deformed once, just before the
// shape is drawn, and only if it is drawn at all. Controller flag 0x10 asks for the normals to
// be recomputed after deforming.
class EnTriShapeSkinController : public EnSkinController {
    EN_DECLARE_RTTI;
    EN_DECLARE_STREAM;

public:
    static constexpr uint16_t RECOMPUTE_NORMALS_MASK = 0x0010;

    EnTriShapeSkinController() = default;
    ~EnTriShapeSkinController() override;

    // Active and at a new time: records the time, gives the target data the deformed mesh's
    // bound and marks the vertices for deforming.
    void Update(float fTime) override;
    // Deforms the target's vertices when marked (and the normals when asked to).
    void PreDraw() override;
    // The rest of the chain, then the mark is cleared: the shape was drawn.
    void OnNextInChain() override;
    bool IsTargetTypeValid() const override;
    uint16_t GetTargetVertexCount() const override;
    EnSkinController* CreateEmptyController() const override;

    bool IsDeformPending() const { return m_bDeformPending; }
    bool GetRecomputeNormals() const { return (m_usFlags & RECOMPUTE_NORMALS_MASK) != 0; }
    void SetRecomputeNormals(bool bRecompute) {
        m_usFlags = uint16_t(bRecompute ? (m_usFlags | RECOMPUTE_NORMALS_MASK)
                                        : (m_usFlags & ~RECOMPUTE_NORMALS_MASK));
    }

protected:
    EnTriShape* GetShape() const;

    bool m_bDeformPending = false;
};
