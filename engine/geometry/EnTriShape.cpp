#include "engine/geometry/EnTriShape.h"

#include <algorithm>
#include <cstring>

#include "engine/core/EnCamera.h"
#include "engine/core/EnTimeController.h"
#include "engine/core/EnViewerStrings.h"
#include "engine/core/EnStream.h"
#include "engine/geometry/EnSkinController.h"
#include "engine/render/EnRender.h"

EN_IMPLEMENT_RTTI(EnTriShape, EnTriBasedGeom);
EN_IMPLEMENT_STREAM(EnTriShape);

EnTriShape::EnTriShape(uint16_t usVertices, EnVector3* pVertex, EnVector3* pNormal,
                       EnColorRGBA* pColor, EnVector2* pTexture, uint16_t usTriangles,
                       uint16_t* pusTriList)
    : EnTriBasedGeom(new EnTriShapeData(usVertices, pVertex, pNormal, pColor, pTexture, usTriangles,
                                        pusTriList)) {}

const EnTypeRecord* EnTriShape::GetDataType() const {
    return &EnTriShapeData::ms_RTTI;
}

EnObject* EnTriShape::CloneObject() {
    auto* pCopy = new EnTriShape;
    CopyMembers(pCopy);
    return pCopy;
}

void EnTriShape::LinkFromStream(EnStream& kStream) {
    EnTriBasedGeom::LinkFromStream(kStream);
    EnGeometryData* pData = GetGeometryData();
    if (kStream.HasFailed() || !pData) return;
    for (EnTimeController* p = GetFirstController(); p; p = p->GetNext()) {
        auto* pSkin = EnDynamicCast(EnSkinController, p);
        if (pSkin && !pSkin->HasValidIndices(pData->GetVertexCount())) {
            kStream.MarkRecordInvalid();
            return;
        }
    }
}

void EnTriShape::AppendMemberStrings(EnTArray<char*>& kStrings) const {
    EnTriBasedGeom::AppendMemberStrings(kStrings);
    kStrings.Add(MakeViewerTitle("EnTriShape"));
}

void EnTriShape::DrawShape(EnCamera* pCamera, bool bNotifyControllers, uint32_t uiTriangles,
                           uint32_t uiVertices) {
    EnRender* pRenderer = BeginDraw(pCamera);
    if (!pRenderer) return;
    pRenderer->DrawTriShape(GetShapeData(), m_worldBound);
    if (bNotifyControllers)
        if (EnTimeController* pController = GetFirstController()) pController->OnNextInChain();
    AddStatistics(1, uiTriangles, uiVertices);
}

void EnTriShape::Draw(EnCamera* pCamera) {
    EnTriShapeData* pData = GetShapeData();
    if (!pData) return;
    DrawShape(pCamera, true, pData->GetActiveTriangleCount(), pData->GetActiveVertexCount());
}

void EnTriShape::GetTriangleVertexIndices(uint16_t usTriangle, uint16_t& usI0, uint16_t& usI1,
                                          uint16_t& usI2) const {
    const EnTriShapeData* pData = GetShapeData();
    if (!pData || !pData->GetTriangleIndices(usTriangle, usI0, usI1, usI2)) usI0 = usI1 = usI2 = 0;
}

void EnTriShape::GetTriangleModelPoints(uint16_t usTriangle, EnVector3*& pP0, EnVector3*& pP1,
                                        EnVector3*& pP2) const {
    uint16_t usI0, usI1, usI2;
    const EnTriShapeData* pData = GetShapeData();
    if (!pData || !pData->GetTriangleIndices(usTriangle, usI0, usI1, usI2)) {
        pP0 = pP1 = pP2 = nullptr;
        return;
    }
    ModelPointsOf(usI0, usI1, usI2, pP0, pP1, pP2);
}

void EnTriShape::GetTriangleWorldPoints(uint16_t usTriangle, EnVector3*& pP0, EnVector3*& pP1,
                                        EnVector3*& pP2) const {
    uint16_t usI0, usI1, usI2;
    const EnTriShapeData* pData = GetShapeData();
    if (!pData || !pData->GetTriangleIndices(usTriangle, usI0, usI1, usI2)) {
        pP0 = pP1 = pP2 = nullptr;
        return;
    }
    WorldPointsOf(usI0, usI1, usI2, pP0, pP1, pP2);
}

namespace {

// -1, 0 or 1 like a byte-wise memory comparison.
int CompareBytes(const void* pA, const void* pB, size_t uiSize) {
    const int iResult = std::memcmp(pA, pB, uiSize);
    return iResult < 0 ? -1 : (iResult > 0 ? 1 : 0);
}

}  // namespace

int EnTriShape::CompareVertices(uint16_t usA, uint16_t usB, uint32_t uiMask) const {
    const EnTriShapeData* pData = GetShapeData();
    if (!pData) return 0;
    const uint16_t usCount = pData->GetVertexCount();
    if (usA >= usCount || usB >= usCount) return 0;
    int iResult = 0;
    if ((uiMask & 1) && pData->GetVertices())
        iResult =
            CompareBytes(&pData->GetVertices()[usA], &pData->GetVertices()[usB], sizeof(EnVector3));
    if (iResult == 0 && (uiMask & 2) && pData->GetNormals())
        iResult =
            CompareBytes(&pData->GetNormals()[usA], &pData->GetNormals()[usB], sizeof(EnVector3));
    if (iResult == 0 && (uiMask & 4) && pData->GetColors())
        iResult =
            CompareBytes(&pData->GetColors()[usA], &pData->GetColors()[usB], sizeof(EnColorRGBA));
    if ((uiMask & 8) && pData->GetTextures()) {
        for (uint16_t s = 0; iResult == 0 && s < pData->GetTextureSets(); s++) {
            const EnVector2* pSet = pData->GetTextureSet(s);
            iResult = CompareBytes(&pSet[usA], &pSet[usB], sizeof(EnVector2));
        }
    }
    return iResult;
}

EnGeometryData* EnTriShape::RemapVertices(uint16_t usNewCount, const uint32_t* puiMap) {
    EnTriShapeData* pData = GetShapeData();
    if (!pData || !puiMap) return pData;
    const uint16_t usOldCount = pData->GetVertexCount();
    const uint16_t usSets = pData->GetTextureSets();

    auto* pVertex = new EnVector3[usNewCount];
    std::fill_n(pVertex, usNewCount, EnVector3::ZERO);
    EnVector3* pNormal = nullptr;
    if (pData->GetNormals()) {
        pNormal = new EnVector3[usNewCount];
        std::fill_n(pNormal, usNewCount, EnVector3::ZERO);
    }
    EnColorRGBA* pColor = pData->GetColors() ? new EnColorRGBA[usNewCount]() : nullptr;
    EnVector2* pTexture = nullptr;
    const uint32_t uiNewTextures = uint32_t(usNewCount) * usSets;
    if (pData->GetTextures() && usSets > 0) {
        pTexture = new EnVector2[uiNewTextures];
        std::fill_n(pTexture, uiNewTextures, EnVector2::ZERO);
    }

    for (uint16_t i = 0; i < usOldCount; i++) {
        const uint32_t uiTarget = puiMap[i];
        if (uiTarget == DROP_VERTEX || uiTarget >= usNewCount) continue;
        if (pData->GetVertices()) pVertex[uiTarget] = pData->GetVertices()[i];
        if (pNormal) pNormal[uiTarget] = pData->GetNormals()[i];
        if (pColor) pColor[uiTarget] = pData->GetColors()[i];
        for (uint16_t s = 0; pTexture && s < usSets; s++)
            pTexture[uint32_t(s) * usNewCount + uiTarget] = pData->GetTextureSet(s)[i];
    }

    const bool bSharedColors = pData->UsesDefaultColors();
    pData->ReplaceArrays(usNewCount, pVertex, pNormal, pColor, pTexture);
    pData->SetTextureSets(pTexture ? usSets : 0);
    // Data that drew with the shared colours keeps doing so at its new size.
    if (bSharedColors) pData->UseDefaultColors();
    return pData;
}
