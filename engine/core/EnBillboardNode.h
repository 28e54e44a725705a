#pragma once
#include <cstdint>

#include "engine/core/EnNode.h"

// A node that turns itself toward the camera every frame before its subtree is drawn: about
// its up axis, rigidly with the camera's frame, or facing the viewer with its horizontal axis
// kept level. The game's floating name tags derive from it.
class EnBillboardNode : public EnNode {
    EN_DECLARE_RTTI;
    EN_DECLARE_STREAM;

public:
    // m_eMode, flags bits 5-6.
    enum FaceMode : uint16_t {
        ALWAYS_FACE_CAMERA = 0,
        ROTATE_ABOUT_UP = 1,
        RIGID_FACE_CAMERA = 2,
    };
    static constexpr uint16_t MODE_MASK = 0x0060;
    static constexpr uint16_t MODE_POS = 5;

    EnBillboardNode();
    ~EnBillboardNode() override;

    EnObject* CloneObject() override;
    bool EqualsObject(const EnObject* pObject) const override;
    void AppendMemberStrings(EnTArray<char*>& kStrings) const override;
    void UpdateSubtree(float fTime) override;
    // Turns the node toward the camera, then updates the subtree with the saved time.
    void PreDraw(EnCamera* pCamera) override;
    // Re-centres the bound on the node's origin, large enough for any orientation.
    void ComputeWorldBound() override;

    FaceMode GetMode() const { return FaceMode((m_usFlags & MODE_MASK) >> MODE_POS); }
    void SetMode(FaceMode eMode) {
        m_usFlags =
            uint16_t((m_usFlags & ~MODE_MASK) | ((uint16_t(eMode) << MODE_POS) & MODE_MASK));
    }
    float GetSavedTime() const { return m_fSavedTime; }

    // The camera-facing world transform for a camera at the location with the viewing frame
    // (direction, up, right), from the parent's world transform and the local one.
    void FaceCamera(const EnVector3& kCameraLoc, const EnVector3& kCameraDir,
                    const EnVector3& kCameraUp, const EnVector3& kCameraRight);

protected:
    float m_fSavedTime = 0.0f;
};
