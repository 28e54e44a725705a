#include "engine/core/EnCamera.h"

#include <cstring>

#include "engine/core/EnFormatString.h"
#include "engine/core/EnNode.h"
#include "engine/core/EnStream.h"
#include "engine/core/EnViewerStrings.h"
#include "engine/render/EnAccumulator.h"
#include "engine/render/EnRender.h"
#include "engine/render/EnScreenPolygon.h"
#include "platform/sys/Clock.h"

// The camera sits in the engine core, below the renderer library; it reaches
// the renderer, its accumulator and the screen polygons only through their
// virtual operations and inline members, so the core links without them.

EN_IMPLEMENT_RTTI(EnCamera, EnAVObject);
EN_IMPLEMENT_STREAM(EnCamera);

namespace {

constinit EnCamera::DrawCounterReader s_pfnReadCounters = nullptr;

EnCameraStatistics& Statistics() {
    static EnCameraStatistics s_kStatistics;
    return s_kStatistics;
}

struct CounterSample {
    int64_t m_iTicks = 0;
    uint32_t m_uiObjects = 0;
    uint32_t m_uiTriangles = 0;
    uint32_t m_uiVertices = 0;
};

CounterSample Sample() {
    CounterSample kSample;
    if (s_pfnReadCounters)
        s_pfnReadCounters(kSample.m_uiObjects, kSample.m_uiTriangles, kSample.m_uiVertices);
    kSample.m_iTicks = plat::Clock::PerformanceCounter();
    return kSample;
}

// A link of the class named (or a class derived from it), without needing that
// class's type record, which lives in a library above this one.
EnObject* FindLinkOfKind(EnStream& kStream, uint32_t uiLinkID, const char* pcClassName) {
    EnObject* pObject = kStream.FindLink(uiLinkID);
    if (!pObject) return nullptr;
    for (const EnTypeRecord* pRecord = pObject->GetTypeRecord(); pRecord;
         pRecord = pRecord->GetBaseType()) {
        if (std::strcmp(pRecord->GetName(), pcClassName) == 0) return pObject;
    }
    kStream.MarkRecordInvalid();
    return nullptr;
}

// The unit vector of v, zero when v is too short to have a direction.
EnVector3 Unit(EnVector3 kV) {
    kV.Unitize();
    return kV;
}

float Row(const float afRow[4], const EnVector3& kP) {
    return afRow[0] * kP.x + afRow[1] * kP.y + afRow[2] * kP.z + afRow[3];
}

void SetRow(float afRow[4], const EnVector3& kV, float fOffset) {
    afRow[0] = kV.x;
    afRow[1] = kV.y;
    afRow[2] = kV.z;
    afRow[3] = fOffset;
}

float Clamp(float f, float fLow, float fHigh) {
    return f < fLow ? fLow : (f > fHigh ? fHigh : f);
}

}  // namespace

EnCamera::EnCamera() {
    for (uint32_t i = 0; i < FRUSTUM_PLANES; i++) m_cullingPlanes.SetAtGrow(i, &m_frustumPlanes[i]);
    GrowActivePlanes(FRUSTUM_PLANES);
    ComputeWorldTransform();
    m_worldBound.SetCenter(m_wLoc);
}

EnCamera::~EnCamera() {
    m_spScene = nullptr;
    m_spRenderer = nullptr;
    m_screenPolygons.RemoveAll();
}

void EnCamera::GrowActivePlanes(uint32_t uiCapacity) {
    m_pActivePlanes.reset(new EnPlaneEquation*[uiCapacity]());
    m_uiActivePlaneCapacity = uiCapacity;
}

void EnCamera::SetViewFrustum(const EnFrustum& kFrustum) {
    m_frustum = kFrustum;
    UpdateWorldData();
}

void EnCamera::SetRenderer(EnRender* pRenderer) {
    m_spRenderer = pRenderer;
}

void EnCamera::ComputeWorldTransform() {
    EnAVObject::ComputeWorldTransform();
    UpdateWorldData();
}

void EnCamera::ComputeWorldBound() {
    m_worldBound.SetCenter(m_worldTranslate);
}

void EnCamera::UpdateWorldData() {
    m_wLoc = m_worldTranslate;
    m_wDir = m_worldRotate.GetColumn(0);
    m_wUp = m_worldRotate.GetColumn(1);
    m_wRight = m_worldRotate.GetColumn(2);

    const EnVector3& d = m_wDir;
    const EnVector3& u = m_wUp;
    const EnVector3& r = m_wRight;
    const EnVector3& p = m_wLoc;
    const EnFrustum& f = m_frustum;
    m_frustumPlanes[NEAR_PLANE] = EnPlaneEquation(d, p + f.m_fNear * d);
    m_frustumPlanes[FAR_PLANE] = EnPlaneEquation(-d, p + f.m_fFar * d);
    m_frustumPlanes[LEFT_PLANE] = EnPlaneEquation(Unit((d + f.m_fLeft * r).Cross(u)), p);
    m_frustumPlanes[RIGHT_PLANE] = EnPlaneEquation(Unit((d + f.m_fRight * r).Cross(-u)), p);
    m_frustumPlanes[TOP_PLANE] = EnPlaneEquation(Unit((d + f.m_fTop * u).Cross(r)), p);
    m_frustumPlanes[BOTTOM_PLANE] = EnPlaneEquation(Unit((d + f.m_fBottom * u).Cross(-r)), p);

    const float kx = 1.0f / (f.m_fRight - f.m_fLeft);
    const float ky = 1.0f / (f.m_fTop - f.m_fBottom);
    const float kz = f.m_fFar / (f.m_fFar - f.m_fNear);
    const float e = -d.Dot(p);
    const float gx = -r.Dot(p);
    const float gy = -u.Dot(p);
    m_fScreenScaleX = 2.0f * kx;
    m_fScreenScaleY = 2.0f * ky;
    const float fSumX = (f.m_fRight + f.m_fLeft) * kx;
    const float fSumY = (f.m_fTop + f.m_fBottom) * ky;
    SetRow(m_worldToScreen[0], 2.0f * kx * r - fSumX * d, 2.0f * kx * gx - fSumX * e);
    SetRow(m_worldToScreen[1], 2.0f * ky * u - fSumY * d, 2.0f * ky * gy - fSumY * e);
    SetRow(m_worldToScreen[2], kz * d, kz * e - kz * f.m_fNear);
    SetRow(m_worldToScreen[3], d, e);
}

bool EnCamera::AimAt(const EnVector3& kTarget, const EnVector3& kUp) {
    EnVector3 b = m_wLoc - kTarget;
    if (b.SqrLength() < 1e-10f) return false;
    b.Unitize();
    EnVector3 s = Unit(kUp.Cross(b));
    if (s.SqrLength() < 0.5f) return false;
    EnVector3 v = Unit(b.Cross(s));
    if (v.SqrLength() < 0.5f) return false;

    if (EnAVObject* pParent = GetParent()) {
        const EnMatrix3& kParent = pParent->GetWorldRotate();
        b = kParent.TransposeTimesVector(b);
        s = kParent.TransposeTimesVector(s);
        v = kParent.TransposeTimesVector(v);
    }
    // Columns (direction, up, right) = (-b, v, s): the camera's +X looks at the
    // target.
    EnMatrix3 kRotate;
    kRotate.SetColumns(-b, v, s);
    m_localRotate = kRotate;
    ComputeWorldTransform();
    ComputeWorldBound();
    return true;
}

void EnCamera::RenderFrame() {
    EnCameraStatistics& kStats = Statistics();
    const CounterSample kStart = Sample();
    kStats.m_iFrameStart = kStart.m_iTicks;
    if (!m_spRenderer) return;
    // The scene may drop the last other reference to the renderer while it draws.
    EnPointer<EnRender> spRenderer = m_spRenderer;

    spRenderer->SetViewFromCamera(m_wLoc, m_wDir, m_wUp, m_wRight, m_frustum, m_port);
    spRenderer->OpenScene(this);

    if (m_spScene && m_spScene->IsVisualObject()) {
        EnPointer<EnAccumulator> spHeld = spRenderer->GetAccumulator();
        if (spHeld && !spHeld->BeginCollect(this)) spRenderer->SetAccumulator(nullptr);
        m_spScene->CullAndDraw(this);
        if (EnAccumulator* pAccumulator = spRenderer->GetAccumulator()) pAccumulator->EndCollect();
        if (spRenderer->GetAccumulator() != spHeld) spRenderer->SetAccumulator(spHeld);
    }
    const CounterSample kScene = Sample();

    for (const EnPointer<EnScreenPolygon>& spPolygon : m_screenPolygons) {
        if (spPolygon) spPolygon->Draw(*spRenderer);
    }
    const CounterSample kPolygons = Sample();

    spRenderer->CloseScene();
    const CounterSample kClose = Sample();

    kStats.m_iSceneTicks = kScene.m_iTicks - kStart.m_iTicks;
    kStats.m_uiSceneObjects = kScene.m_uiObjects - kStart.m_uiObjects;
    kStats.m_uiSceneTriangles = kScene.m_uiTriangles - kStart.m_uiTriangles;
    kStats.m_uiSceneVertices = kScene.m_uiVertices - kStart.m_uiVertices;
    kStats.m_iScreenPolygonTicks = kPolygons.m_iTicks - kScene.m_iTicks;
    kStats.m_uiScreenPolygonObjects = kPolygons.m_uiObjects - kScene.m_uiObjects;
    kStats.m_uiScreenPolygonTriangles = kPolygons.m_uiTriangles - kScene.m_uiTriangles;
    kStats.m_uiScreenPolygonVertices = kPolygons.m_uiVertices - kScene.m_uiVertices;
    kStats.m_iCloseTicks = kClose.m_iTicks - kPolygons.m_iTicks;
    kStats.m_uiCloseObjects = kClose.m_uiObjects - kPolygons.m_uiObjects;
    kStats.m_uiCloseTriangles = kClose.m_uiTriangles - kPolygons.m_uiTriangles;
    kStats.m_uiCloseVertices = kClose.m_uiVertices - kPolygons.m_uiVertices;
}

void EnCamera::ClearViewport(uint32_t uiFlags) {
    if (m_spRenderer) m_spRenderer->ClearBuffers(&m_port, uiFlags);
}

void EnCamera::PresentFrame() {
    if (m_spRenderer) m_spRenderer->DisplayFrame();
}

void EnCamera::AttachScreenPolygon(EnScreenPolygon* pPolygon) {
    if (pPolygon) m_screenPolygons.AddFirstEmpty(pPolygon);
}

void EnCamera::RemoveScreenPolygon(EnScreenPolygon* pPolygon) {
    if (!pPolygon) return;
    for (uint32_t i = 0; i < m_screenPolygons.GetSize(); i++) {
        if (m_screenPolygons.GetAt(i) == pPolygon) {
            m_screenPolygons.RemoveAt(i);
            return;
        }
    }
}

uint32_t EnCamera::AddCullingPlane(const EnPlaneEquation& kPlane) {
    if (m_uiCullingPlaneCount >= MAX_CULLING_PLANES) return UINT32_MAX;
    m_extraPlanes.push_back(std::make_unique<EnPlaneEquation>(kPlane));
    const uint32_t uiIndex = m_uiCullingPlaneCount++;
    m_cullingPlanes.SetAtGrow(uiIndex, m_extraPlanes.back().get());
    return uiIndex;
}

void EnCamera::RemoveExtraCullingPlanes() {
    for (uint32_t i = FRUSTUM_PLANES; i < m_uiCullingPlaneCount; i++) {
        m_cullingPlanes.RemoveAt(i);
        ClearPlaneMaskBit(i);
    }
    m_uiCullingPlaneCount = FRUSTUM_PLANES;
    m_extraPlanes.clear();
}

bool EnCamera::SubmitActivePlanes() {
    if (m_uiActivePlaneCapacity < m_uiCullingPlaneCount)
        GrowActivePlanes(m_uiCullingPlaneCount + FRUSTUM_PLANES);
    uint32_t uiCount = 0;
    uint32_t uiFrustumCount = 0;
    uint32_t uiFrustumBits = 0;
    for (uint32_t i = 0; i < m_uiCullingPlaneCount; i++) {
        if (IsPlaneMasked(i)) continue;
        m_pActivePlanes[uiCount++] = m_cullingPlanes.GetAt(i);
        if (i < FRUSTUM_PLANES) {
            uiFrustumBits |= 1u << i;
            uiFrustumCount++;
        }
    }
    if (!m_spRenderer) return false;
    if (uiCount == 0) return m_spRenderer->SetClipPlanes(nullptr, 0, 0, 0);
    return m_spRenderer->SetClipPlanes(m_pActivePlanes.get(), uiCount, uiFrustumCount,
                                       uiFrustumBits);
}

void EnCamera::DrawRecordWithMask(EnDrawRecord& kRecord) {
    uint32_t auiSaved[4];
    for (int i = 0; i < 4; i++) auiSaved[i] = m_planeMask[i];
    SetPlaneMask(kRecord.m_auiPlaneMask);
    // Held across the draw: the record's object may release the camera's last
    // other holder.
    EnPointer<EnRender> spRenderer = m_spRenderer;
    if (spRenderer) spRenderer->BeginCameraDraw(*this, kRecord);
    SetPlaneMask(auiSaved);
}

void EnCamera::ProjectObjectBound(EnAVObject* pObject, EnVector3& kA, EnVector3& kB) const {
    if (!pObject) {
        kA = kB = EnVector3::ZERO;
        return;
    }
    ProjectBoundToScreen(pObject->GetWorldBound(), kA, kB);
}

void EnCamera::ProjectBoundToScreen(const EnBoundSphere& kSphere, EnVector3& kA,
                                    EnVector3& kB) const {
    const EnVector3& c = kSphere.m_center;
    const float s = kSphere.m_fRadius;
    const float fNear = m_frustum.m_fNear;
    const float fRange = m_frustum.m_fFar - fNear;
    const EnVector3 t = c - m_wLoc;
    const float fDepth = t.Dot(m_wDir) - fNear;
    kA.z = (fDepth - s) / fRange;
    kB.z = (fDepth + s) / fRange;

    bool bBehind = false;
    auto Project = [&](const EnVector3& kPoint, uint32_t uiRow) {
        const float fW = Row(m_worldToScreen[3], kPoint);
        if (fW <= 1e-5f) {
            bBehind = true;
            return 0.0f;
        }
        return Row(m_worldToScreen[uiRow], kPoint) / fW;
    };
    const EnVector3 h = Unit(t.Cross(m_wUp));
    kA.x = Project(c - s * h, 0);
    kB.x = Project(c + s * h, 0);
    const EnVector3 v = Unit(t.Cross(m_wRight));
    kA.y = Project(c - s * v, 1);
    kB.y = Project(c + s * v, 1);
    if (bBehind) {
        // Part of the sphere lies behind the eye: it may cover any part of the
        // screen.
        kA.x = kA.y = -1.0f;
        kB.x = kB.y = 1.0f;
    }
    kA.x = Clamp(kA.x, -1.0f, 1.0f);
    kA.y = Clamp(kA.y, -1.0f, 1.0f);
    kB.x = Clamp(kB.x, -1.0f, 1.0f);
    kB.y = Clamp(kB.y, -1.0f, 1.0f);
    kA.z = Clamp(kA.z, 0.0f, 1.0f);
    kB.z = Clamp(kB.z, 0.0f, 1.0f);
}

bool EnCamera::WorldToScreen(const EnVector3& kPoint, float& fX, float& fY, float& fZ) const {
    const float fW = Row(m_worldToScreen[3], kPoint);
    if (fW <= 1e-5f) return false;
    fX = Row(m_worldToScreen[0], kPoint) / fW;
    fY = Row(m_worldToScreen[1], kPoint) / fW;
    fZ = Row(m_worldToScreen[2], kPoint) / fW;
    return true;
}

const EnCameraStatistics& EnCamera::GetStatistics() {
    return Statistics();
}

EnCamera::DrawCounterReader EnCamera::SetDrawCounterReader(DrawCounterReader pfnReader) {
    DrawCounterReader pfnOld = s_pfnReadCounters;
    s_pfnReadCounters = pfnReader;
    return pfnOld;
}

void EnCamera::CopyCameraMembers(EnCamera* pCopy) {
    CopyMembers(pCopy);
    pCopy->m_worldRotate = m_worldRotate;
    pCopy->m_worldTranslate = m_worldTranslate;
    pCopy->m_worldScale = m_worldScale;
    pCopy->m_worldBound = m_worldBound;
    for (int i = 0; i < 4; i++)
        for (int j = 0; j < 4; j++) pCopy->m_worldToScreen[i][j] = m_worldToScreen[i][j];
    pCopy->m_fScreenScaleX = m_fScreenScaleX;
    pCopy->m_fScreenScaleY = m_fScreenScaleY;
    pCopy->m_wLoc = m_wLoc;
    pCopy->m_wDir = m_wDir;
    pCopy->m_wUp = m_wUp;
    pCopy->m_wRight = m_wRight;
    pCopy->m_frustum = m_frustum;
    pCopy->m_port = m_port;
    pCopy->m_fLODAdjust = m_fLODAdjust;
    for (uint32_t i = 0; i < FRUSTUM_PLANES; i++) pCopy->m_frustumPlanes[i] = m_frustumPlanes[i];
    for (const auto& spPlane : m_extraPlanes) pCopy->AddCullingPlane(*spPlane);
    // The scene and renderer are shared; each screen polygon gets a copy of its
    // own.
    pCopy->m_spScene = m_spScene;
    pCopy->m_spRenderer = m_spRenderer;
    for (uint32_t i = 0; i < m_screenPolygons.GetSize(); i++) {
        EnScreenPolygon* pPolygon = m_screenPolygons.GetAt(i);
        if (!pPolygon) continue;
        pCopy->m_screenPolygons.SetAtGrow(i, static_cast<EnScreenPolygon*>(pPolygon->MakeClone()));
    }
}

EnObject* EnCamera::CloneObject() {
    EnCamera* pCopy = new EnCamera;
    CopyCameraMembers(pCopy);
    return pCopy;
}

void EnCamera::LoadFromStream(EnStream& kStream) {
    EnAVObject::LoadFromStream(kStream);
    float afFrustum[6];
    float afPort[4];
    if (!kStream.ReadF32Array(afFrustum, 6) || !kStream.ReadF32Array(afPort, 4) ||
        !kStream.ReadF32(m_fLODAdjust))
        return;
    m_frustum = {afFrustum[0], afFrustum[1], afFrustum[2],
                 afFrustum[3], afFrustum[4], afFrustum[5]};
    m_port = {afPort[0], afPort[1], afPort[2], afPort[3]};

    LinkRecord* pRecord = kStream.GetLinkRecord<LinkRecord>();
    uint32_t uiSceneID = 0;
    uint32_t uiRendererID = 0;
    uint32_t uiPolygons = 0;
    if (!kStream.ReadLinkID(uiSceneID) || !kStream.ReadLinkID(uiRendererID) ||
        !kStream.ReadU32(uiPolygons) || !kStream.CheckCount(uiPolygons, 4))
        return;
    std::vector<uint32_t> kIDs(uiPolygons);
    for (uint32_t& uiID : kIDs)
        if (!kStream.ReadLinkID(uiID)) return;
    if (pRecord) {
        pRecord->m_uiSceneID = uiSceneID;
        pRecord->m_uiRendererID = uiRendererID;
        pRecord->m_kPolygonIDs = std::move(kIDs);
    }
    UpdateWorldData();
}

void EnCamera::LinkFromStream(EnStream& kStream) {
    EnAVObject::LinkFromStream(kStream);
    LinkRecord* pRecord = kStream.GetLinkRecord<LinkRecord>();
    if (!pRecord) return;
    m_spScene = kStream.FindLink<EnAVObject>(pRecord->m_uiSceneID);
    m_spRenderer =
        static_cast<EnRender*>(FindLinkOfKind(kStream, pRecord->m_uiRendererID, "EnRender"));
    for (uint32_t uiID : pRecord->m_kPolygonIDs) {
        EnObject* pPolygon = FindLinkOfKind(kStream, uiID, "EnScreenPolygon");
        if (pPolygon) m_screenPolygons.Add(static_cast<EnScreenPolygon*>(pPolygon));
    }
}

bool EnCamera::RegisterForSave(EnStream& kStream) {
    if (!EnAVObject::RegisterForSave(kStream)) return false;
    if (m_spScene) m_spScene->RegisterForSave(kStream);
    for (const EnPointer<EnScreenPolygon>& spPolygon : m_screenPolygons)
        if (spPolygon) spPolygon->RegisterForSave(kStream);
    return true;
}

void EnCamera::SaveToStream(EnStream& kStream) {
    EnAVObject::SaveToStream(kStream);
    const float afFields[11] = {m_frustum.m_fLeft,   m_frustum.m_fRight, m_frustum.m_fTop,
                                m_frustum.m_fBottom, m_frustum.m_fNear,  m_frustum.m_fFar,
                                m_port.m_left,       m_port.m_right,     m_port.m_top,
                                m_port.m_bottom,     m_fLODAdjust};
    kStream.WriteF32Array(afFields, 11);
    kStream.WriteLinkID(m_spScene);
    // Renderers are never saved, so this is always "none"; the field keeps the
    // layout.
    kStream.WriteLinkID(m_spRenderer);
    kStream.WriteU32(m_screenPolygons.GetSize());
    for (const EnPointer<EnScreenPolygon>& spPolygon : m_screenPolygons)
        kStream.WriteLinkID(spPolygon);
}

bool EnCamera::EqualsObject(const EnObject* pObject) const {
    if (!EnAVObject::EqualsObject(pObject)) return false;
    const EnCamera* pOther = EnDynamicCast(EnCamera, pObject);
    if (!pOther) return false;
    if (!(m_frustum == pOther->m_frustum) || !(m_port == pOther->m_port) ||
        m_fLODAdjust != pOther->m_fLODAdjust)
        return false;
    if (m_screenPolygons.GetSize() != pOther->m_screenPolygons.GetSize()) return false;
    for (uint32_t i = 0; i < m_screenPolygons.GetSize(); i++) {
        const EnScreenPolygon* pA = m_screenPolygons.GetAt(i);
        const EnScreenPolygon* pB = pOther->m_screenPolygons.GetAt(i);
        if (!pA || !pB) {
            if (pA != pB) return false;
            continue;
        }
        if (!pA->EqualsObject(pB)) return false;
    }
    return true;
}

void EnCamera::AppendMemberStrings(EnTArray<char*>& kStrings) const {
    EnAVObject::AppendMemberStrings(kStrings);
    kStrings.Add(MakeViewerTitle("EnCamera"));
    kStrings.Add(EnFormatNewString("%s = (N=%f,F=%f,L=%f,R=%f,T=%f,B=%f)", "m_frustum",
                                   m_frustum.m_fNear, m_frustum.m_fFar, m_frustum.m_fLeft,
                                   m_frustum.m_fRight, m_frustum.m_fTop, m_frustum.m_fBottom));
    kStrings.Add(EnFormatNewString("%s = (L=%f,R=%f,T=%f,B=%f)", "m_port", m_port.m_left,
                                   m_port.m_right, m_port.m_top, m_port.m_bottom));
    kStrings.Add(m_wLoc.MakeViewerString("m_wLoc"));
    kStrings.Add(m_wDir.MakeViewerString("m_wDir"));
    kStrings.Add(m_wUp.MakeViewerString("m_wUp"));
    kStrings.Add(m_wRight.MakeViewerString("m_wRight"));
}
