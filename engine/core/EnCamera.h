#pragma once
#include <cstdint>
#include <memory>
#include <vector>

#include "engine/core/EnAVObject.h"
#include "engine/core/EnDrawRecord.h"
#include "engine/core/EnFrustum.h"
#include "engine/core/EnPlaneEquation.h"
#include "engine/core/EnPointer.h"
#include "engine/core/EnRect.h"
#include "engine/core/EnTArray.h"
#include "engine/core/EnVector3.h"
#include "engine/render/EnScreenPolygon.h"

class EnBoundSphere;
class EnRender;

// Performance-counter samples and drawn-object counts of the last EnCamera::RenderFrame, split
// into the scene draw (culling, drawing and the accumulator's deferred draw), the screen
// polygons and the closing of the scene. The game's per-frame statistics read them.
struct EnCameraStatistics {
    int64_t m_iFrameStart = 0;  // counter at the start of the frame
    int64_t m_iSceneTicks = 0;
    int64_t m_iScreenPolygonTicks = 0;
    int64_t m_iCloseTicks = 0;
    uint32_t m_uiSceneObjects = 0;
    uint32_t m_uiSceneTriangles = 0;
    uint32_t m_uiSceneVertices = 0;
    uint32_t m_uiScreenPolygonObjects = 0;
    uint32_t m_uiScreenPolygonTriangles = 0;
    uint32_t m_uiScreenPolygonVertices = 0;
    uint32_t m_uiCloseObjects = 0;
    uint32_t m_uiCloseTriangles = 0;
    uint32_t m_uiCloseVertices = 0;
};

// The scene object through which a frame is drawn. Its world rotation is the viewing frame:
// the camera looks along its local +X axis, with +Y up and +Z to the right. It keeps a view
// frustum and a viewport, the world viewing vectors, six world frustum planes (near, far, left,
// right, top, bottom; the inside is the positive side of each) plus optional extra culling
// planes, a world-to-screen transform, the scene it draws, the renderer that draws it and the
// screen polygons drawn over the scene.
class EnCamera : public EnAVObject {
    EN_DECLARE_RTTI;
    EN_DECLARE_STREAM;

public:
    enum : uint32_t {
        NEAR_PLANE = 0,
        FAR_PLANE = 1,
        LEFT_PLANE = 2,
        RIGHT_PLANE = 3,
        TOP_PLANE = 4,
        BOTTOM_PLANE = 5,
        FRUSTUM_PLANES = 6,
        MAX_CULLING_PLANES = 128,  // one bit each in the plane mask
    };

    // Reads the engine's running counts of drawn objects, triangles and vertices; installed by
    // the geometry library, which keeps them. Without one the counts read as 0.
    using DrawCounterReader = void (*)(uint32_t& uiObjects, uint32_t& uiTriangles,
                                       uint32_t& uiVertices);

    EnCamera();
    ~EnCamera() override;

    EnObject* CloneObject() override;
    void LoadFromStream(EnStream& kStream) override;
    void LinkFromStream(EnStream& kStream) override;
    bool RegisterForSave(EnStream& kStream) override;
    void SaveToStream(EnStream& kStream) override;
    bool EqualsObject(const EnObject* pObject) const override;
    void AppendMemberStrings(EnTArray<char*>& kStrings) const override;

    // The world transform, then the world vectors, frustum planes and world-to-screen rows.
    void ComputeWorldTransform() override;
    // The world bound's centre follows the camera; its radius is left alone.
    void ComputeWorldBound() override;

    // Turns the camera to look at a world point with the given up direction. False, and no
    // change, when the point is the camera's own position or up lies along the viewing line.
    bool AimAt(const EnVector3& kTarget, const EnVector3& kUp);

    // Draws one frame: view, scene (culled, blended objects deferred to the renderer's
    // accumulator), screen polygons, close. Nothing without a renderer.
    void RenderFrame();
    // Clears the renderer's buffers over the viewport (EnRender::CLEAR_* flags).
    void ClearViewport(uint32_t uiFlags);
    // Presents the finished frame.
    void PresentFrame();
    void SwapBuffers() { PresentFrame(); }

    // Screen polygons, drawn in array order after the scene.
    void AttachScreenPolygon(EnScreenPolygon* pPolygon);
    void RemoveScreenPolygon(EnScreenPolygon* pPolygon);
    uint32_t GetScreenPolygonSlots() const { return m_screenPolygons.GetSize(); }
    EnScreenPolygon* GetScreenPolygonAt(uint32_t uiIndex) const {
        return m_screenPolygons.GetAt(uiIndex);
    }

    // Culling. Planes whose mask bit is set need not be tested for the object now being drawn.
    uint32_t GetCullingPlaneCount() const { return m_uiCullingPlaneCount; }
    const EnPlaneEquation& GetCullingPlane(uint32_t uiIndex) const {
        return *m_cullingPlanes.GetAt(uiIndex);
    }
    const EnPlaneEquation& GetFrustumPlane(uint32_t uiIndex) const {
        return m_frustumPlanes[uiIndex];
    }
    // Adds an extra world culling plane (a copy) after the frustum planes; its index, or
    // UINT32_MAX when the mask has no bit left for it.
    uint32_t AddCullingPlane(const EnPlaneEquation& kPlane);
    void RemoveExtraCullingPlanes();
    bool IsPlaneMasked(uint32_t uiIndex) const {
        return uiIndex < MAX_CULLING_PLANES && (m_planeMask[uiIndex >> 5] >> (uiIndex & 31)) & 1u;
    }
    void SetPlaneMaskBit(uint32_t uiIndex) {
        if (uiIndex < MAX_CULLING_PLANES) m_planeMask[uiIndex >> 5] |= 1u << (uiIndex & 31);
    }
    void ClearPlaneMaskBit(uint32_t uiIndex) {
        if (uiIndex < MAX_CULLING_PLANES) m_planeMask[uiIndex >> 5] &= ~(1u << (uiIndex & 31));
    }
    const uint32_t* GetPlaneMask() const { return m_planeMask; }
    void SetPlaneMask(const uint32_t auiMask[4]) {
        for (int i = 0; i < 4; i++) m_planeMask[i] = auiMask[i];
    }
    // Hands the renderer the culling planes whose mask bit is clear; every geometry draw calls
    // it. Answers the renderer's result (false without a renderer).
    bool SubmitActivePlanes();

    // Deferred drawing. A record holds the geometry (one reference) and the plane mask of the
    // moment it was collected; whoever empties the queue releases the geometry and frees the
    // record. TGeometry is the geometry class, complete where accumulators collect.
    template <class TGeometry>
    EnDrawRecord* CreateDrawRecord(TGeometry* pGeometry) {
        EnDrawRecord* pRecord = new EnDrawRecord;
        if (!pRecord) return nullptr;
        if (pGeometry) pGeometry->AddReference();
        pRecord->m_pGeometry = pGeometry;
        for (int i = 0; i < 4; i++) pRecord->m_auiPlaneMask[i] = m_planeMask[i];
        return pRecord;
    }
    // Draws the record's geometry at once with the record's plane mask in place.
    void DrawRecordWithMask(EnDrawRecord& kRecord);
    void DrawDeferredRecord(EnDrawRecord& kRecord) { DrawRecordWithMask(kRecord); }

    // Screen rectangle (x, y in -1..1) and depth range (z in 0..1) of a sphere: A is the
    // minimum corner on x and z, B the maximum; see ProjectBoundToScreen for y.
    void ProjectObjectBound(EnAVObject* pObject, EnVector3& kA, EnVector3& kB) const;
    void ProjectBoundToScreen(const EnBoundSphere& kSphere, EnVector3& kA, EnVector3& kB) const;
    // The world-to-screen map of a point: x, y in -1..1 across the frustum, z 0 at the near
    // and 1 at the far distance. False when the point is on or behind the eye plane.
    bool WorldToScreen(const EnVector3& kPoint, float& fX, float& fY, float& fZ) const;

    // View.
    const EnFrustum& GetViewFrustum() const { return m_frustum; }
    void SetViewFrustum(const EnFrustum& kFrustum);
    const EnRect<float>& GetViewPort() const { return m_port; }
    void SetViewPort(const EnRect<float>& kPort) { m_port = kPort; }
    float GetLODAdjust() const { return m_fLODAdjust; }
    void SetLODAdjust(float fAdjust) { m_fLODAdjust = fAdjust; }
    const EnVector3& GetWorldLocation() const { return m_wLoc; }
    const EnVector3& GetWorldDirection() const { return m_wDir; }
    const EnVector3& GetWorldUpVector() const { return m_wUp; }
    const EnVector3& GetWorldRightVector() const { return m_wRight; }
    // Row r of the world-to-screen transform: the x, y, z weights and the offset.
    const float* GetWorldToScreenRow(uint32_t uiRow) const { return m_worldToScreen[uiRow]; }
    float GetScreenScaleX() const { return m_fScreenScaleX; }
    float GetScreenScaleY() const { return m_fScreenScaleY; }

    EnAVObject* GetScene() const { return m_spScene; }
    void SetScene(EnAVObject* pScene) { m_spScene = pScene; }
    EnRender* GetRenderer() const { return m_spRenderer; }
    void SetRenderer(EnRender* pRenderer);

    static const EnCameraStatistics& GetStatistics();
    static DrawCounterReader SetDrawCounterReader(DrawCounterReader pfnReader);

protected:
    struct LinkRecord : EnAVObject::LinkRecord {
        uint32_t m_uiSceneID = 0;
        uint32_t m_uiRendererID = 0;
        std::vector<uint32_t> m_kPolygonIDs;
    };

    void UpdateWorldData();
    void CopyCameraMembers(EnCamera* pCopy);
    void GrowActivePlanes(uint32_t uiCapacity);

    float m_worldToScreen[4][4] = {};
    float m_fScreenScaleX = 0.0f;
    float m_fScreenScaleY = 0.0f;
    EnVector3 m_wLoc{0.0f, 0.0f, 0.0f};
    EnVector3 m_wDir{1.0f, 0.0f, 0.0f};
    EnVector3 m_wUp{0.0f, 1.0f, 0.0f};
    EnVector3 m_wRight{0.0f, 0.0f, 1.0f};
    EnFrustum m_frustum;
    EnRect<float> m_port{0.0f, 1.0f, 1.0f, 0.0f};
    EnPointer<EnAVObject> m_spScene;
    EnTArray<EnPointer<EnScreenPolygon>> m_screenPolygons{5, 5};
    EnPointer<EnRender> m_spRenderer;
    EnTArray<EnPlaneEquation*> m_cullingPlanes{6, 3};
    uint32_t m_uiCullingPlaneCount = FRUSTUM_PLANES;
    EnPlaneEquation m_frustumPlanes[FRUSTUM_PLANES];
    std::vector<std::unique_ptr<EnPlaneEquation>> m_extraPlanes;  // owned, after the frustum
    uint32_t m_planeMask[4] = {0, 0, 0, 0};
    std::unique_ptr<EnPlaneEquation*[]> m_pActivePlanes;
    uint32_t m_uiActivePlaneCapacity = 0;
    float m_fLODAdjust = 1.0f;
};
