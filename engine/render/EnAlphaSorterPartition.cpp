// The geometric work of the alpha sorter's build: the planar test, halving of shapes that are
// not planar, and the division of a shape by a plane with shared cut vertices.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "engine/core/EnSystem.h"
#include "engine/core/EnTMap.h"
#include "engine/render/EnAlphaSorter.h"

namespace {

constexpr uint32_t NO_VERTEX = 0xFFFFFFFF;

// A shape's vertex attributes and triangles in growable arrays. Indices are 32-bit here: cut
// vertices may take a shape past the 16-bit counts of its data, which only the finished
// pieces must fit.
struct WorkMesh {
    std::vector<EnVector3> kPosition;
    std::vector<EnVector3> kNormal;                // empty when the shape has none
    std::vector<EnColorRGBA> kColor;               // empty when the shape has none
    std::vector<std::vector<EnVector2>> kTexture;  // one array per texture set
    std::vector<uint32_t> kTriangle;               // three indices per triangle

    uint32_t TriangleCount() const { return uint32_t(kTriangle.size() / 3); }

    // False when the shape has no data, or its triangle list leaves its vertices.
    bool Load(const EnTriShape* pShape) {
        const EnTriShapeData* pData = pShape ? pShape->GetShapeData() : nullptr;
        if (!pData || !pData->GetVertices() || !pData->HasValidIndices()) return false;
        const uint16_t usVertices = pData->GetVertexCount();
        kPosition.assign(pData->GetVertices(), pData->GetVertices() + usVertices);
        if (const EnVector3* pNormal = pData->GetNormals())
            kNormal.assign(pNormal, pNormal + usVertices);
        if (const EnColorRGBA* pColor = pData->GetColors())
            kColor.assign(pColor, pColor + usVertices);
        for (uint16_t s = 0; s < pData->GetTextureSets(); s++) {
            const EnVector2* pSet = pData->GetTextureSet(s);
            if (!pSet) break;
            kTexture.emplace_back(pSet, pSet + usVertices);
        }
        const uint32_t uiTriangles =
            std::min<uint32_t>(pData->GetActiveTriangleCount(), pData->GetTriListLength() / 3);
        kTriangle.assign(pData->GetTriList(), pData->GetTriList() + 3 * uiTriangles);
        return true;
    }

    // A new vertex at the fraction t of the way from vertex a to vertex b.
    uint32_t AddBetween(uint32_t a, uint32_t b, float t) {
        const uint32_t uiNew = uint32_t(kPosition.size());
        kPosition.push_back(kPosition[a] + t * (kPosition[b] - kPosition[a]));
        if (!kNormal.empty()) {
            EnVector3 kN = kNormal[a] + t * (kNormal[b] - kNormal[a]);
            const float fLength = kN.Length();
            if (fLength >= EnAlphaSorter::DEGENERATE_LENGTH) kN = kN / fLength;
            kNormal.push_back(kN);
        }
        if (!kColor.empty()) {
            const EnColorRGBA& kA = kColor[a];
            const EnColorRGBA& kB = kColor[b];
            kColor.push_back({kA.r + t * (kB.r - kA.r), kA.g + t * (kB.g - kA.g),
                              kA.b + t * (kB.b - kA.b), kA.a + t * (kB.a - kA.a)});
        }
        for (std::vector<EnVector2>& kSet : kTexture) {
            const EnVector2 kA = kSet[a];
            const EnVector2 kB = kSet[b];
            kSet.push_back({kA.x + t * (kB.x - kA.x), kA.y + t * (kB.y - kA.y)});
        }
        return uiNew;
    }

    // A new shape of the listed triangles with only the vertices they use, numbered in order
    // of first use. Null when there are no triangles, or too many vertices or triangles for
    // the data's 16-bit counts.
    EnPointer<EnTriShape> MakePiece(const std::vector<uint32_t>& kTriangles) const {
        if (kTriangles.empty() || kTriangles.size() > 0xFFFF) return nullptr;
        std::vector<uint32_t> kNewIndex(kPosition.size(), NO_VERTEX);
        std::vector<uint32_t> kOldIndex;
        for (uint32_t uiTriangle : kTriangles) {
            for (int j = 0; j < 3; j++) {
                const uint32_t uiVertex = kTriangle[3 * uiTriangle + j];
                if (kNewIndex[uiVertex] != NO_VERTEX) continue;
                kNewIndex[uiVertex] = uint32_t(kOldIndex.size());
                kOldIndex.push_back(uiVertex);
            }
        }
        if (kOldIndex.size() > 0xFFFF) return nullptr;

        const uint16_t usVertices = uint16_t(kOldIndex.size());
        const uint16_t usTriangles = uint16_t(kTriangles.size());
        const uint16_t usSets = uint16_t(kTexture.size());
        auto* pPosition = new EnVector3[usVertices];
        EnVector3* pNormal = kNormal.empty() ? nullptr : new EnVector3[usVertices];
        EnColorRGBA* pColor = kColor.empty() ? nullptr : new EnColorRGBA[usVertices];
        EnVector2* pTexture = usSets ? new EnVector2[uint32_t(usVertices) * usSets] : nullptr;
        for (uint16_t i = 0; i < usVertices; i++) {
            const uint32_t uiOld = kOldIndex[i];
            pPosition[i] = kPosition[uiOld];
            if (pNormal) pNormal[i] = kNormal[uiOld];
            if (pColor) pColor[i] = kColor[uiOld];
            for (uint16_t s = 0; s < usSets; s++)
                pTexture[uint32_t(s) * usVertices + i] = kTexture[s][uiOld];
        }
        auto* pList = new uint16_t[3u * usTriangles];
        for (uint32_t t = 0; t < usTriangles; t++)
            for (int j = 0; j < 3; j++)
                pList[3 * t + j] = uint16_t(kNewIndex[kTriangle[3 * kTriangles[t] + j]]);

        EnPointer<EnTriShape> spPiece =
            new EnTriShape(usVertices, pPosition, pNormal, pColor, pTexture, usTriangles, pList);
        if (usSets > 1) spPiece->GetShapeData()->SetTextureSets(usSets);
        return spPiece;
    }
};

int Sign(float f) {
    return f > 0.0f ? 1 : (f < 0.0f ? -1 : 0);
}

// A length made a unit vector, or zero when it is too short to have a direction.
EnVector3 UnitOrZero(const EnVector3& kV) {
    const float fLength = kV.Length();
    if (fLength < EnAlphaSorter::DEGENERATE_LENGTH) return EnVector3::ZERO;
    return kV / fLength;
}

// A piece of a divided object takes the object's place and properties. Its world transform
// and bound are the object's too: the piece is drawn and picked outside the scene graph,
// where no update would compute them.
void TakePlaceOf(EnTriShape* pPiece, const EnTriShape* pObject) {
    pPiece->SetLocalTranslate(pObject->GetLocalTranslate());
    pPiece->SetLocalRotate(pObject->GetLocalRotate());
    const float fScale = std::fabs(pObject->GetLocalScale());
    if (fScale > 0.0f) pPiece->SetLocalScale(fScale);
    std::vector<EnProperty*> kProperties;
    const auto& kList = pObject->GetPropertyList();
    for (EnTListIterator pos = kList.GetHeadPos(); pos;) kProperties.push_back(kList.GetNext(pos));
    for (auto it = kProperties.rbegin(); it != kProperties.rend(); ++it)
        pPiece->AttachProperty(*it);

    pPiece->SetWorldTranslate(pObject->GetWorldTranslate());
    pPiece->SetWorldRotate(pObject->GetWorldRotate());
    pPiece->SetWorldScale(pObject->GetWorldScale());
    pPiece->ComputeWorldBound();
}

}  // namespace

bool EnAlphaSorter::IsPlanar(const EnTriShape* pShape) {
    const EnTriShapeData* pData = pShape ? pShape->GetShapeData() : nullptr;
    // Nothing to halve: a shape of one triangle (or none) is sorted as it is.
    if (!pData || !pData->GetVertices() || pData->GetActiveTriangleCount() < 2) return true;
    EnVector3* pP0 = nullptr;
    EnVector3* pP1 = nullptr;
    EnVector3* pP2 = nullptr;
    pShape->GetTriangleModelPoints(0, pP0, pP1, pP2);
    if (!pP0 || !pP1 || !pP2) return true;

    const EnVector3 kU = UnitOrZero(*pP1 - *pP0);
    const EnVector3 kN = UnitOrZero(kU.Cross(*pP2 - *pP0));
    const EnVector3 kV = kU.Cross(kN);

    const EnVector3* pVertex = pData->GetVertices();
    const EnVector3 kOrigin = pVertex[0];
    float afMin[3] = {0.0f, 0.0f, 0.0f};
    float afMax[3] = {0.0f, 0.0f, 0.0f};
    for (uint16_t i = 1; i < pData->GetVertexCount(); i++) {
        const EnVector3 kD = pVertex[i] - kOrigin;
        const float afAlong[3] = {kD.Dot(kU), kD.Dot(kV), kD.Dot(kN)};
        for (int a = 0; a < 3; a++) {
            afMin[a] = std::min(afMin[a], afAlong[a]);
            afMax[a] = std::max(afMax[a], afAlong[a]);
        }
    }
    float afExtent[3];
    for (int a = 0; a < 3; a++) afExtent[a] = 0.5f * (afMax[a] - afMin[a]);
    const float fLength = std::sqrt(afExtent[0] * afExtent[0] + afExtent[1] * afExtent[1] +
                                    afExtent[2] * afExtent[2]);
    for (float fExtent : afExtent)
        if (std::fabs(fExtent) <= PLANARITY_FACTOR * fLength) return true;
    return false;
}

void EnAlphaSorter::SplitInTwo(const EnTriShape* pShape, EnPointer<EnTriShape>& spFirst,
                               EnPointer<EnTriShape>& spSecond) {
    spFirst = nullptr;
    spSecond = nullptr;
    WorkMesh kMesh;
    if (!kMesh.Load(pShape)) return;
    const uint32_t uiTriangles = kMesh.TriangleCount();
    if (uiTriangles < 2) return;
    std::vector<uint32_t> kFirst;
    std::vector<uint32_t> kSecond;
    for (uint32_t t = 0; t < uiTriangles; t++)
        (t < uiTriangles / 2 ? kFirst : kSecond).push_back(t);
    spFirst = kMesh.MakePiece(kFirst);
    spSecond = kMesh.MakePiece(kSecond);
    if (!spFirst || !spSecond) {
        spFirst = nullptr;
        spSecond = nullptr;
    }
}

void EnAlphaSorter::BSPTree::Partition(EnTriShape* pObject, const EnAlphaProxy* pProxy,
                                       const EnPlaneEquation& kPlane,
                                       EnPointer<EnTriShape>& spFront,
                                       EnPointer<EnTriShape>& spBack, EnPointer<EnTriShape>& spOn) {
    spFront = nullptr;
    spBack = nullptr;
    spOn = nullptr;
    if (!pObject) return;

    // The plane in the object's model space, where the distances are measured.
    EnMatrix3 kRotate = EnMatrix3::IDENTITY;
    EnVector3 kTranslate = EnVector3::ZERO;
    float fScale = 1.0f;
    if (pProxy) {
        kRotate = pProxy->GetWorldRotate();
        kTranslate = pProxy->GetWorldTranslate();
        fScale = pProxy->GetWorldScale();
    }
    const EnTriShapeData* pData = pObject->GetShapeData();
    if (fScale == 0.0f || !pData || !pData->GetVertices() || !pData->HasValidIndices()) {
        // A shape collapsed to a point, or one whose triangles cannot be read, cannot be cut;
        // it stays with this node.
        spOn = pObject;
        return;
    }
    const EnVector3 kNormal = kRotate.TransposeTimesVector(kPlane.m_normal);
    const float fConstant = (kPlane.m_fConstant - kPlane.m_normal.Dot(kTranslate)) / fScale;
    // A mirroring scale turns the model-space distances round; the sides are the world's.
    const float fSide = fScale < 0.0f ? -1.0f : 1.0f;

    // Most objects lie wholly on one side: they are classified from their own vertices,
    // without a working copy.
    const uint16_t usVertices = pData->GetVertexCount();
    const EnVector3* pVertex = pData->GetVertices();
    std::vector<float> kDistance(usVertices);
    bool bAnyInFront = false;
    bool bAnyBehind = false;
    for (uint16_t i = 0; i < usVertices; i++) {
        float fD = fSide * (kNormal.Dot(pVertex[i]) - fConstant);
        if (fD > DISTANCE_TOLERANCE)
            bAnyInFront = true;
        else if (fD < -DISTANCE_TOLERANCE)
            bAnyBehind = true;
        else
            fD = 0.0f;
        kDistance[i] = fD;
    }
    if (!bAnyInFront && !bAnyBehind) {
        spOn = pObject;
        return;
    }
    if (!bAnyInFront) {
        spBack = pObject;
        return;
    }
    if (!bAnyBehind) {
        spFront = pObject;
        return;
    }
    WorkMesh kMesh;
    kMesh.Load(pObject);

    // Cut vertices are kept per edge, so the two triangles on either side of a cut edge share
    // one new vertex there. Keys are made of the shape's own 16-bit indices.
    EnTMap<uint32_t, uint32_t> kEdges(37);
    auto CutEdge = [&](uint32_t a, uint32_t b) {
        const uint32_t uiKey = (std::max(a, b) << 16) | std::min(a, b);
        uint32_t uiVertex = 0;
        if (kEdges.GetAt(uiKey, uiVertex)) return uiVertex;
        const float t = kDistance[a] / (kDistance[a] - kDistance[b]);
        uiVertex = kMesh.AddBetween(a, b, t);
        kDistance.push_back(0.0f);
        kEdges.SetAt(uiKey, uiVertex);
        return uiVertex;
    };

    const uint32_t uiTriangles = kMesh.TriangleCount();
    std::vector<int> kSide(uiTriangles, 0);
    for (uint32_t t = 0; t < uiTriangles; t++) {
        const uint32_t auiV[3] = {kMesh.kTriangle[3 * t], kMesh.kTriangle[3 * t + 1],
                                  kMesh.kTriangle[3 * t + 2]};
        const float afD[3] = {kDistance[auiV[0]], kDistance[auiV[1]], kDistance[auiV[2]]};
        const bool bCut =
            afD[0] * afD[1] < 0.0f || afD[0] * afD[2] < 0.0f || afD[2] * afD[1] < 0.0f;
        if (!bCut) {
            kSide[t] =
                afD[0] != 0.0f ? Sign(afD[0]) : (afD[1] != 0.0f ? Sign(afD[1]) : Sign(afD[2]));
            continue;
        }

        // Every new triangle keeps the winding of the one it comes from: each is taken
        // around the original outline in the original order.
        auto Store = [&](uint32_t uiSlot, uint32_t a, uint32_t b, uint32_t c, int iSide) {
            if (uiSlot == NO_VERTEX) {
                kMesh.kTriangle.insert(kMesh.kTriangle.end(), {a, b, c});
                kSide.push_back(iSide);
                return;
            }
            kMesh.kTriangle[3 * uiSlot] = a;
            kMesh.kTriangle[3 * uiSlot + 1] = b;
            kMesh.kTriangle[3 * uiSlot + 2] = c;
            kSide[uiSlot] = iSide;
        };
        int iOnPlane = -1;
        for (int j = 0; j < 3; j++)
            if (afD[j] == 0.0f) iOnPlane = j;
        if (iOnPlane >= 0) {
            // Through the vertex on the plane and the cut of the opposite edge.
            const uint32_t a = auiV[iOnPlane];
            const uint32_t b = auiV[(iOnPlane + 1) % 3];
            const uint32_t c = auiV[(iOnPlane + 2) % 3];
            const int iSideB = Sign(afD[(iOnPlane + 1) % 3]);
            const int iSideC = Sign(afD[(iOnPlane + 2) % 3]);
            const uint32_t m = CutEdge(b, c);
            Store(t, a, b, m, iSideB);
            Store(NO_VERTEX, a, m, c, iSideC);
        } else {
            // One vertex alone on its side: a triangle there, a quad of two on the other.
            const int iLone =
                Sign(afD[0]) == Sign(afD[1]) ? 2 : (Sign(afD[0]) == Sign(afD[2]) ? 1 : 0);
            const uint32_t a = auiV[iLone];
            const uint32_t b = auiV[(iLone + 1) % 3];
            const uint32_t c = auiV[(iLone + 2) % 3];
            const int iSideA = Sign(afD[iLone]);
            const uint32_t mAB = CutEdge(a, b);
            const uint32_t mCA = CutEdge(c, a);
            Store(t, a, mAB, mCA, iSideA);
            Store(NO_VERTEX, mAB, b, c, -iSideA);
            Store(NO_VERTEX, mAB, c, mCA, -iSideA);
        }
    }

    std::vector<uint32_t> kFront;
    std::vector<uint32_t> kBack;
    std::vector<uint32_t> kOn;
    for (uint32_t t = 0; t < kMesh.TriangleCount(); t++)
        (kSide[t] > 0 ? kFront : (kSide[t] < 0 ? kBack : kOn)).push_back(t);
    EnPointer<EnTriShape> spNewFront = kMesh.MakePiece(kFront);
    EnPointer<EnTriShape> spNewBack = kMesh.MakePiece(kBack);
    EnPointer<EnTriShape> spNewOn = kMesh.MakePiece(kOn);
    if ((!kFront.empty() && !spNewFront) || (!kBack.empty() && !spNewBack) ||
        (!kOn.empty() && !spNewOn)) {
        // A piece would not fit the 16-bit counts of shape data: the object is kept whole
        // with this node, where it is at least drawn between the two sides.
        char acText[254];
        std::snprintf(acText, sizeof acText,
                      "EN Alpha Sorter: (Build Tree): Object \"%s\" is too large to divide.\n",
                      pObject->GetName() ? pObject->GetName() : "<unnamed>");
        EnOutputDebugString(acText);
        spOn = pObject;
        return;
    }
    for (EnTriShape* pPiece : {spNewFront.Get(), spNewBack.Get(), spNewOn.Get()})
        if (pPiece) TakePlaceOf(pPiece, pObject);
    spFront = spNewFront;
    spBack = spNewBack;
    spOn = spNewOn;
}
