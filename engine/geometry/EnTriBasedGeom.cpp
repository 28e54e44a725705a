#include "engine/geometry/EnTriBasedGeom.h"

#include <cmath>
#include <memory>

#include "engine/core/EnCamera.h"
#include "engine/core/EnDrawRecord.h"
#include "engine/core/EnRayHit.h"
#include "engine/core/EnRayQuery.h"
#include "engine/core/EnTimeController.h"
#include "engine/core/EnViewerStrings.h"
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
    // Trees are built by the collision code, which is not part of this library yet: until
    // then no object ever holds one.
    m_pOBBRoot = nullptr;
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
        // The tree search belongs to the collision code; without a tree nothing is hit.
        return false;
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
