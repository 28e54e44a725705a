#include "engine/geometry/EnTriBasedGeom.h"

#include <cmath>
#include <memory>
#include <vector>

#include "engine/core/EnCamera.h"
#include "engine/core/EnCollisionVolume.h"
#include "engine/core/EnDrawRecord.h"
#include "engine/core/EnNode.h"
#include "engine/core/EnRayHit.h"
#include "engine/core/EnRayQuery.h"
#include "engine/core/EnTimeController.h"
#include "engine/core/EnViewerStrings.h"
#include "engine/geometry/EnOBBRoot.h"
#include "engine/geometry/TrianglePair.h"
#include "engine/render/EnRender.h"

EN_IMPLEMENT_RTTI(EnTriBasedGeom, EnGeometry);
EN_IMPLEMENT_ABSTRACT_STREAM(EnTriBasedGeom);

namespace {

struct DrawStatistics {
    uint32_t uiObjects = 0;
    uint32_t uiTriangles = 0;
    uint32_t uiVertices = 0;
};
constinit DrawStatistics s_kStatistics;

void ReadDrawCounters(uint32_t& uiObjects, uint32_t& uiTriangles, uint32_t& uiVertices) {
    EnTriBasedGeom::GetStatistics(uiObjects, uiTriangles, uiVertices);
}

// A record an accumulator queued: the first controller's pre-draw step, then the object's draw
// through the camera of the collection under way.
void DrawQueuedGeometry(EnDrawRecord& kRecord, EnRender& kRenderer) {
    EnGeometry* pGeometry = kRecord.m_pGeometry;
    if (!pGeometry) return;
    if (EnTimeController* pController = pGeometry->GetFirstController()) pController->PreDraw();
    EnAccumulator* pAccumulator = kRenderer.GetAccumulator();
    EnCamera* pCamera = pAccumulator ? pAccumulator->GetCamera() : nullptr;
    if (pCamera) pGeometry->Draw(pCamera);
}

// The camera reads the draw counters and queued records are drawn through the geometry's own
// draw, both known only here.
[[maybe_unused]] const bool s_bHooksInstalled = [] {
    EnCamera::SetDrawCounterReader(&ReadDrawCounters);
    SetDrawQueuedRecordFunction(&DrawQueuedGeometry);
    return true;
}();

template <class T>
T Interpolate(const T& k0, const T& k1, const T& k2, float fW0, float fU, float fV) {
    return k0 * fW0 + k1 * fU + k2 * fV;
}

}  // namespace

EnTriBasedGeom::~EnTriBasedGeom() {
    DestroyCollisionTree();
}

const EnTypeRecord* EnTriBasedGeom::GetDataType() const {
    return &EnTriBasedGeomData::ms_RTTI;
}

void EnTriBasedGeom::CopyMembers(EnTriBasedGeom* pCopy) {
    EnGeometry::CopyMembers(pCopy);
    // Trees are never shared: the copy builds its own over the same data.
    if (m_pOBBRoot) pCopy->CreateCollisionTree(1);
}

void EnTriBasedGeom::AppendMemberStrings(EnTArray<char*>& kStrings) const {
    EnGeometry::AppendMemberStrings(kStrings);
    kStrings.Add(MakeViewerTitle("EnTriBasedGeom"));
    kStrings.Add(MakeViewerPointer("m_pOBBRoot", m_pOBBRoot));
}

void EnTriBasedGeom::DestroyCollisionTree() {
    delete m_pOBBRoot;
    m_pOBBRoot = nullptr;
}

void EnTriBasedGeom::BuildCollisionTree(int32_t iThreshold) {
    if (m_pOBBRoot) return;
    const EnTriBasedGeomData* pData = GetTriData();
    const EnVector3* pVertex = GetVertices();
    if (!pData || !pVertex) return;
    // The tree keeps its own copy of the vertex indices, so every kind hands them over in the
    // same form, whatever its own layout.
    const uint16_t usTriangles = pData->GetTriangleCount();
    std::vector<uint16_t> kList(3 * size_t(usTriangles));
    for (uint16_t t = 0; t < usTriangles; t++)
        GetTriangleVertexIndices(t, kList[3 * t], kList[3 * t + 1], kList[3 * t + 2]);
    m_pOBBRoot =
        EnOBBRoot::Create(usTriangles, kList.data(), pVertex, GetDataVertexCount(), iThreshold)
            .release();
}

void EnTriBasedGeom::DestroyWorldVertices() {
    if (m_pOBBRoot) m_pOBBRoot->SetWorldVertices(nullptr, 0);
    EnGeometry::DestroyWorldVertices();
}

void EnTriBasedGeom::SetGeometryData(EnGeometryData* pModelData) {
    EnGeometry::SetGeometryData(pModelData);
    DestroyCollisionTree();
}

void EnTriBasedGeom::ClearStatistics() {
    s_kStatistics = DrawStatistics();
}

void EnTriBasedGeom::GetStatistics(uint32_t& uiObjects, uint32_t& uiTriangles,
                                   uint32_t& uiVertices) {
    uiObjects = s_kStatistics.uiObjects;
    uiTriangles = s_kStatistics.uiTriangles;
    uiVertices = s_kStatistics.uiVertices;
}

void EnTriBasedGeom::AddStatistics(uint32_t uiObjects, uint32_t uiTriangles, uint32_t uiVertices) {
    s_kStatistics.uiObjects += uiObjects;
    s_kStatistics.uiTriangles += uiTriangles;
    s_kStatistics.uiVertices += uiVertices;
}

EnRender* EnTriBasedGeom::BeginDraw(EnCamera* pCamera, bool bOfferToAccumulator) {
    EnRender* pRenderer = pCamera ? pCamera->GetRenderer() : nullptr;
    if (!pRenderer || !m_spModelData) return nullptr;
    if (bOfferToAccumulator && pRenderer->DrawViaAccumulator(this)) return nullptr;
    pCamera->SubmitActivePlanes();
    pRenderer->SetModelTransform(m_worldTranslate, m_worldRotate, m_worldScale);
    return pRenderer;
}

void EnTriBasedGeom::ModelPointsOf(uint16_t usI0, uint16_t usI1, uint16_t usI2, EnVector3*& pP0,
                                   EnVector3*& pP1, EnVector3*& pP2) const {
    EnVector3* pVertex = GetVertices();
    const uint16_t usCount = GetDataVertexCount();
    if (!pVertex || usI0 >= usCount || usI1 >= usCount || usI2 >= usCount) {
        pP0 = pP1 = pP2 = nullptr;
        return;
    }
    pP0 = pVertex + usI0;
    pP1 = pVertex + usI1;
    pP2 = pVertex + usI2;
}

void EnTriBasedGeom::WorldPointsOf(uint16_t usI0, uint16_t usI1, uint16_t usI2, EnVector3*& pP0,
                                   EnVector3*& pP1, EnVector3*& pP2) const {
    const uint16_t usCount = GetWorldVertexCapacity();
    if (usI0 >= usCount || usI1 >= usCount || usI2 >= usCount) {
        pP0 = pP1 = pP2 = nullptr;
        return;
    }
    pP0 = m_pWorldVertex + usI0;
    pP1 = m_pWorldVertex + usI1;
    pP2 = m_pWorldVertex + usI2;
}

bool EnTriBasedGeom::IntersectRayTriangle(const EnVector3& kOrigin, const EnVector3& kDir,
                                          const EnVector3& kP0, const EnVector3& kP1,
                                          const EnVector3& kP2, bool bFrontOnly, EnVector3& kPoint,
                                          float& fDistance, float& fU, float& fV) {
    EnPlaneEquation kPlane;
    kPlane.SetFromPoints(kP0, kP1, kP2);
    const float fDen = kPlane.m_normal.Dot(kDir);
    if (bFrontOnly && fDen > 1e-5f) return false;
    if (std::fabs(fDen) <= 1e-5f) return false;

    const float fT = -(kPlane.m_normal.Dot(kOrigin) - kPlane.m_fConstant) / fDen;
    if (fT < 0.0f) return false;
    const EnVector3 kHit = kOrigin + fT * kDir;

    const EnVector3 kE1 = kP1 - kP0;
    const EnVector3 kE2 = kP2 - kP0;
    const EnVector3 kW = kHit - kP0;
    const float fD11 = kE1.Dot(kE1);
    const float fD22 = kE2.Dot(kE2);
    const float fD12 = kE1.Dot(kE2);
    if (fD11 == 0.0f || fD22 == 0.0f) return false;
    const float fK = 1.0f - fD12 * fD12 / (fD11 * fD22);
    if (std::fabs(fK) < 1e-5f) return false;

    const float fW1 = kW.Dot(kE1);
    const float fW2 = kW.Dot(kE2);
    const float fUPrime = fW1 / fD11 - (fD12 / fD11) * (fW2 / fD22);
    const float fVPrime = fW2 / fD22 - (fD12 / fD22) * (fW1 / fD11);
    if (fUPrime < 0.0f || fVPrime < 0.0f) return false;
    const float fAbsK = std::fabs(fK);
    if (fUPrime + fVPrime > fAbsK) return false;

    kPoint = kHit;
    fDistance = fT;
    fU = fUPrime / fAbsK;
    fV = fVPrime / fAbsK;
    return true;
}

bool EnTriBasedGeom::FindIntersections(const EnVector3& kOrigin, const EnVector3& kDir,
                                       EnRayQuery& kQuery) {
    if (kQuery.m_bObserveAppCulled && GetAppCulled()) return false;
    if (!RayIntersectsBound(kOrigin, kDir)) return false;

    if (kQuery.m_uiTestMode == 0) {
        auto spHit = std::make_unique<EnRayHit>();
        spHit->m_spObject = this;
        kQuery.AddHit(std::move(spHit));
        return true;
    }

    if (kQuery.m_bUseOBBTrees && GetPropagationMode() == USE_OBBS) {
        CreateCollisionTree(1);
        if (!m_pOBBRoot) return false;
        m_pOBBRoot->SetWorldTransform(m_worldRotate, m_worldTranslate, m_worldScale);
        PrepareWorldVertices();
        bool bHit = false;
        m_pOBBRoot->FindIntersections(kOrigin, kDir, kQuery, bHit, this);
        return bHit;
    }

    EnTriBasedGeomData* pData = GetTriData();
    if (!pData || !pData->GetVertices()) return false;

    // Into model space; dividing by the scale keeps distances those of the world ray.
    const float fInvScale = 1.0f / m_worldScale;
    const EnVector3 kModelOrigin =
        m_worldRotate.TransposeTimesVector(kOrigin - m_worldTranslate) * fInvScale;
    const EnVector3 kModelDir = m_worldRotate.TransposeTimesVector(kDir) * fInvScale;
    const bool bWorld = kQuery.m_uiCoordinateMode == 1;

    const EnVector2* pTexture = pData->GetTextureSet(0);
    const EnVector3* pNormal = pData->GetNormals();
    const EnColorRGBA* pColor = pData->GetColors();
    const EnVector3* pVertex = pData->GetVertices();
    const uint16_t usVertices = pData->GetVertexCount();

    bool bHit = false;
    const uint16_t usTriangles = pData->GetActiveTriangleCount();
    for (uint16_t usTri = 0; usTri < usTriangles; usTri++) {
        uint16_t ausIndex[3] = {0, 0, 0};
        GetTriangleVertexIndices(usTri, ausIndex[0], ausIndex[1], ausIndex[2]);
        if (ausIndex[0] >= usVertices || ausIndex[1] >= usVertices || ausIndex[2] >= usVertices)
            continue;
        const EnVector3& kP0 = pVertex[ausIndex[0]];
        const EnVector3& kP1 = pVertex[ausIndex[1]];
        const EnVector3& kP2 = pVertex[ausIndex[2]];

        EnVector3 kPoint;
        float fDistance = 0.0f, fU = 0.0f, fV = 0.0f;
        if (!IntersectRayTriangle(kModelOrigin, kModelDir, kP0, kP1, kP2, kQuery.m_bFrontOnly,
                                  kPoint, fDistance, fU, fV))
            continue;

        const float fW0 = 1.0f - fU - fV;
        auto spHit = std::make_unique<EnRayHit>();
        spHit->m_spObject = this;
        spHit->m_kPoint =
            bWorld ? m_worldRotate * (m_worldScale * kPoint) + m_worldTranslate : kPoint;
        spHit->m_fDistance = fDistance;
        spHit->m_usTriangle = usTri;
        for (int i = 0; i < 3; i++) spHit->m_ausVertex[i] = ausIndex[i];

        if (kQuery.m_bWantTexture && pTexture) {
            const EnVector2 kUV = Interpolate(pTexture[ausIndex[0]], pTexture[ausIndex[1]],
                                              pTexture[ausIndex[2]], fW0, fU, fV);
            spHit->m_afTexture[0] = kUV.x;
            spHit->m_afTexture[1] = kUV.y;
        }
        if (kQuery.m_bWantNormal) {
            EnVector3 kNormal;
            if (kQuery.m_bSmoothNormal && pNormal) {
                kNormal = Interpolate(pNormal[ausIndex[0]], pNormal[ausIndex[1]],
                                      pNormal[ausIndex[2]], fW0, fU, fV);
            } else {
                kNormal = (kP1 - kP0).Cross(kP2 - kP0);
                kNormal.Unitize();
            }
            spHit->m_kNormal = bWorld ? m_worldRotate * kNormal : kNormal;
        }
        EnColorRGBA kColor = EnColorRGBA::WHITE;
        if (kQuery.m_bWantColor && pColor)
            kColor = Interpolate(pColor[ausIndex[0]], pColor[ausIndex[1]], pColor[ausIndex[2]], fW0,
                                 fU, fV);
        spHit->m_afColor[0] = kColor.r;
        spHit->m_afColor[1] = kColor.g;
        spHit->m_afColor[2] = kColor.b;
        spHit->m_afColor[3] = kColor.a;

        kQuery.AddHit(std::move(spHit));
        bHit = true;
        if (kQuery.StopsAtFirstHit()) break;
    }
    return bHit;
}

// Collision queries. A side's query carries two words for the tree search: the third
// (m_iTreeArgument) is how deep the search may go into that side's tree (negative: down to the
// triangles), the fourth (m_iMarker) the leaf-size threshold the tree is built with.

namespace {

int PropagationOf(const EnAVObject* pObject) {
    return (pObject->GetFlags() >> EnAVObject::PROPAGATE_POS) & 3;
}

// The volume owner's world volume brought to its current world transform; null without one.
EnCollisionVolume* RefreshedWorldVolume(EnAVObject* pOwner) {
    EnCollisionVolume* pModel = pOwner->GetCollisionVolume();
    EnCollisionVolume* pWorld = pOwner->GetWorldCollisionVolume();
    if (!pModel || !pWorld) return nullptr;
    pWorld->UpdateWorld(*pModel, pOwner->GetWorldRotate(), pOwner->GetWorldTranslate(),
                        pOwner->GetWorldScale());
    return pWorld;
}

// Each triangle of one object, in world space, against the other object's world volume.
bool TestTrianglesAgainstVolume(float fTime, EnTriBasedGeom* pTriangles, EnAVObject* pOwner) {
    EnCollisionVolume* pVolume = RefreshedWorldVolume(pOwner);
    const EnTriBasedGeomData* pData = pTriangles->GetTriData();
    if (!pVolume || !pData) return false;
    const uint16_t usCount = pData->GetActiveTriangleCount();
    for (uint16_t t = 0; t < usCount; t++) {
        EnVector3 *p0, *p1, *p2;
        pTriangles->GetTriangleWorldPoints(t, p0, p1, p2);
        if (!p0 || !p1 || !p2) continue;
        if (TestTriangleAgainstVolume(fTime, *pVolume, pOwner->GetWorldVelocity(), *p0, *p1, *p2,
                                      pTriangles->GetWorldVelocity()))
            return true;
    }
    return false;
}

// The reporting form: the first contact fills the record (whose side A is the triangles'
// object when bTrianglesAreA) and goes to the callbacks.
int32_t FindTrianglesAgainstVolume(float fTime, EnTriBasedGeom* pTriangles, EnAVObject* pOwner,
                                   EnCollisionRecord& kRecord, bool bTrianglesAreA) {
    EnCollisionVolume* pVolume = RefreshedWorldVolume(pOwner);
    const EnTriBasedGeomData* pData = pTriangles->GetTriData();
    if (!pVolume || !pData) return 0;
    EnVector3& kVolumeNormal = bTrianglesAreA ? kRecord.m_kNormalB : kRecord.m_kNormalA;
    EnVector3& kTriangleNormal = bTrianglesAreA ? kRecord.m_kNormalA : kRecord.m_kNormalB;
    const uint16_t usCount = pData->GetActiveTriangleCount();
    for (uint16_t t = 0; t < usCount; t++) {
        EnVector3 *p0, *p1, *p2;
        pTriangles->GetTriangleWorldPoints(t, p0, p1, p2);
        if (!p0 || !p1 || !p2) continue;
        if (FindTriangleVolumeIntersections(fTime, *pVolume, pOwner->GetWorldVelocity(), *p0, *p1,
                                            *p2, pTriangles->GetWorldVelocity(), kRecord.m_fTime,
                                            kRecord.m_kPoint, true, kVolumeNormal, kTriangleNormal))
            return EnAVObject::CallCollisionCallbacks(kRecord) ? 1 : 0;
    }
    return 0;
}

}  // namespace

void EnTriBasedGeom::PrepareWorldVertices() {
    CreateWorldVertices();
    UpdateWorldVertices();
    if (m_pOBBRoot) m_pOBBRoot->SetWorldVertices(m_pWorldVertex, GetWorldVertexCapacity());
}

EnOBBRoot* EnTriBasedGeom::PrepareCollisionTree(float fTime, int32_t iThreshold) {
    if (!m_pOBBRoot) CreateCollisionTree(iThreshold);
    if (!m_pOBBRoot) return nullptr;
    m_pOBBRoot->SetTimeStep(fTime);
    m_pOBBRoot->SetVelocity(m_worldVelocity);
    m_pOBBRoot->SetWorldTransform(m_worldRotate, m_worldTranslate, m_worldScale);
    PrepareWorldVertices();
    return m_pOBBRoot;
}

bool EnTriBasedGeom::EnsureCollisionVolume() {
    if (GetCollisionVolume()) return true;
    auto spVolume = CallTriangleVolumeHook(GetDataVertexCount(), GetVertices());
    if (!spVolume) return false;
    SetCollisionVolume(std::move(spVolume));
    return GetCollisionVolume() != nullptr;
}

bool EnTriBasedGeom::TestTrianglesAgainstTriangles(float fTime, EnTriBasedGeom* pOther) {
    const EnTriBasedGeomData* pMine = GetTriData();
    const EnTriBasedGeomData* pTheirs = pOther->GetTriData();
    if (!pMine || !pTheirs) return false;
    const uint16_t usMine = pMine->GetActiveTriangleCount();
    const uint16_t usTheirs = pTheirs->GetActiveTriangleCount();
    for (uint16_t i = 0; i < usMine; i++) {
        EnVector3 *p0, *p1, *p2;
        GetTriangleWorldPoints(i, p0, p1, p2);
        if (!p0 || !p1 || !p2) continue;
        for (uint16_t j = 0; j < usTheirs; j++) {
            EnVector3 *q0, *q1, *q2;
            pOther->GetTriangleWorldPoints(j, q0, q1, q2);
            if (!q0 || !q1 || !q2) continue;
            TrianglePair kPair(p0, p1, p2, &m_worldVelocity, q0, q1, q2, &pOther->m_worldVelocity);
            if (kPair.Test(fTime)) return true;
        }
    }
    return false;
}

int32_t EnTriBasedGeom::FindTrianglesAgainstTriangles(float fTime, EnTriBasedGeom* pOther,
                                                      EnCollisionRecord& kRecord) {
    const EnTriBasedGeomData* pMine = GetTriData();
    const EnTriBasedGeomData* pTheirs = pOther->GetTriData();
    if (!pMine || !pTheirs) return 0;
    const uint16_t usMine = pMine->GetActiveTriangleCount();
    const uint16_t usTheirs = pTheirs->GetActiveTriangleCount();
    for (uint16_t i = 0; i < usMine; i++) {
        EnVector3 *p0, *p1, *p2;
        GetTriangleWorldPoints(i, p0, p1, p2);
        if (!p0 || !p1 || !p2) continue;
        for (uint16_t j = 0; j < usTheirs; j++) {
            EnVector3 *q0, *q1, *q2;
            pOther->GetTriangleWorldPoints(j, q0, q1, q2);
            if (!q0 || !q1 || !q2) continue;
            TrianglePair kPair(p0, p1, p2, &m_worldVelocity, q0, q1, q2, &pOther->m_worldVelocity);
            if (kPair.Find(fTime, kRecord.m_fTime, kRecord.m_kPoint, true, kRecord.m_kNormalA,
                           kRecord.m_kNormalB))
                return CallCollisionCallbacks(kRecord) ? 1 : 0;
        }
    }
    return 0;
}

bool EnTriBasedGeom::TestCollision(float fTime, const EnCollisionQuery& kThis,
                                   const EnCollisionQuery& kOther) {
    EnAVObject* pOther = kOther.m_pObject;
    if (!pOther || !TestBoundCollision(fTime, pOther)) return false;
    const int iMine = PropagationOf(this);

    // A volume made for one of the objects when it has none; without a volume kind that can
    // make one, the bounds having met is the answer.
    auto RetestWithVolume = [&](EnTriBasedGeom* pMaker) {
        if (pMaker->GetCollisionVolume() || !pMaker->EnsureCollisionVolume()) return true;
        return TestBoundCollision(fTime, pOther);
    };

    if (EnNode* pNode = EnDynamicCast(EnNode, pOther)) {
        if (PropagationOf(pNode) != NONE) return pNode->TestCollision(fTime, kOther, kThis);
        switch (iMine) {
            case NONE:
                return true;
            case USE_TRIANGLES:
                PrepareWorldVertices();
                return TestTrianglesAgainstVolume(fTime, this, pNode);
            case USE_OBBS:
                return RetestWithVolume(this);
            default:
                // The fourth, unnamed mode asks for no collision of any kind: answering true
                // would report contacts nothing asked for.
                return false;
        }
    }

    auto* pGeom = EnDynamicCast(EnTriBasedGeom, pOther);
    if (!pGeom) return true;
    const int iTheirs = PropagationOf(pGeom);
    if (iMine > USE_OBBS || iTheirs > USE_OBBS) return false;
    switch (iMine * 3 + iTheirs) {
        case NONE * 3 + NONE:
            return true;
        case NONE * 3 + USE_TRIANGLES:
            pGeom->PrepareWorldVertices();
            return TestTrianglesAgainstVolume(fTime, pGeom, this);
        case NONE * 3 + USE_OBBS:
            return RetestWithVolume(pGeom);
        case USE_TRIANGLES * 3 + NONE:
            PrepareWorldVertices();
            return TestTrianglesAgainstVolume(fTime, this, pGeom);
        case USE_TRIANGLES * 3 + USE_TRIANGLES:
            PrepareWorldVertices();
            pGeom->PrepareWorldVertices();
            return TestTrianglesAgainstTriangles(fTime, pGeom);
        case USE_TRIANGLES * 3 + USE_OBBS:
            PrepareWorldVertices();
            pGeom->EnsureCollisionVolume();
            return TestTrianglesAgainstVolume(fTime, this, pGeom);
        case USE_OBBS * 3 + NONE:
            return RetestWithVolume(this);
        case USE_OBBS * 3 + USE_TRIANGLES:
            pGeom->PrepareWorldVertices();
            EnsureCollisionVolume();
            return TestTrianglesAgainstVolume(fTime, pGeom, this);
        default: {
            EnOBBRoot* pMine = PrepareCollisionTree(fTime, kThis.m_iMarker);
            EnOBBRoot* pTheirs = pGeom->PrepareCollisionTree(fTime, kOther.m_iMarker);
            if (!pMine || !pTheirs) return false;
            return pMine->TestCollision(pTheirs, kThis.m_iTreeArgument, kOther.m_iTreeArgument);
        }
    }
}

int32_t EnTriBasedGeom::FindCollisions(float fTime, const EnCollisionQuery& kThis,
                                       const EnCollisionQuery& kOther) {
    EnAVObject* pOther = kOther.m_pObject;
    if (!pOther || !TestBoundCollision(fTime, pOther)) return 0;
    const int iMine = PropagationOf(this);

    EnCollisionRecord kRecord;
    kRecord.m_pTopA = kThis.m_pTop;
    kRecord.m_pTopB = kOther.m_pTop;
    kRecord.m_pObjectA = this;
    kRecord.m_pObjectB = pOther;
    // Where the test answers true on the bounds (or volumes) alone, the search reports the
    // bound contact.
    auto ReportBound = [&]() -> int32_t {
        if (!FindBoundCollisions(fTime, pOther, kRecord)) return 0;
        return CallCollisionCallbacks(kRecord) ? 1 : 0;
    };

    if (EnNode* pNode = EnDynamicCast(EnNode, pOther)) {
        if (PropagationOf(pNode) != NONE) return pNode->FindCollisions(fTime, kOther, kThis);
        switch (iMine) {
            case NONE:
                return ReportBound();
            case USE_TRIANGLES:
                PrepareWorldVertices();
                return FindTrianglesAgainstVolume(fTime, this, pNode, kRecord, true);
            case USE_OBBS:
                EnsureCollisionVolume();
                return ReportBound();
            default:
                return 0;
        }
    }

    auto* pGeom = EnDynamicCast(EnTriBasedGeom, pOther);
    if (!pGeom) return 0;
    const int iTheirs = PropagationOf(pGeom);
    if (iMine > USE_OBBS || iTheirs > USE_OBBS) return 0;
    switch (iMine * 3 + iTheirs) {
        case NONE * 3 + NONE:
            return ReportBound();
        case NONE * 3 + USE_TRIANGLES:
            pGeom->PrepareWorldVertices();
            return FindTrianglesAgainstVolume(fTime, pGeom, this, kRecord, false);
        case NONE * 3 + USE_OBBS:
            pGeom->EnsureCollisionVolume();
            return ReportBound();
        case USE_TRIANGLES * 3 + NONE:
            PrepareWorldVertices();
            return FindTrianglesAgainstVolume(fTime, this, pGeom, kRecord, true);
        case USE_TRIANGLES * 3 + USE_TRIANGLES:
            PrepareWorldVertices();
            pGeom->PrepareWorldVertices();
            return FindTrianglesAgainstTriangles(fTime, pGeom, kRecord);
        case USE_TRIANGLES * 3 + USE_OBBS:
            PrepareWorldVertices();
            pGeom->EnsureCollisionVolume();
            return FindTrianglesAgainstVolume(fTime, this, pGeom, kRecord, true);
        case USE_OBBS * 3 + NONE:
            EnsureCollisionVolume();
            return ReportBound();
        case USE_OBBS * 3 + USE_TRIANGLES:
            pGeom->PrepareWorldVertices();
            EnsureCollisionVolume();
            return FindTrianglesAgainstVolume(fTime, pGeom, this, kRecord, false);
        default: {
            EnOBBRoot* pMine = PrepareCollisionTree(fTime, kThis.m_iMarker);
            EnOBBRoot* pTheirs = pGeom->PrepareCollisionTree(fTime, kOther.m_iMarker);
            if (!pMine || !pTheirs) return 0;
            return pMine->FindCollisions(pTheirs, kThis.m_pTop, kOther.m_pTop, this, pGeom,
                                         kThis.m_iTreeArgument, kOther.m_iTreeArgument) == 1
                       ? 1
                       : 0;
        }
    }
}
