#include "engine/geometry/StripifyScene.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include "engine/core/EnNode.h"
#include "engine/core/EnSystem.h"
#include "engine/core/EnTimeController.h"
#include "engine/geometry/EnTriShape.h"
#include "engine/geometry/EnTriStrips.h"
#include "engine/geometry/TriangleStripifier.h"

namespace {

template <class T>
T* CopyArray(const T* pSource, uint32_t uiCount) {
    if (!pSource || uiCount == 0) return nullptr;
    T* pCopy = new T[uiCount];
    std::memcpy(pCopy, pSource, sizeof(T) * uiCount);
    return pCopy;
}

template <class TOut, class TIn>
TOut* NewArrayOf(const std::vector<TIn>& kValues) {
    if (kValues.empty()) return nullptr;
    TOut* pArray = new TOut[kValues.size()];
    for (size_t i = 0; i < kValues.size(); i++) pArray[i] = TOut(kValues[i]);
    return pArray;
}

void ReportDegenerateTriangles(const EnTriShape& kShape, uint32_t uiDropped) {
    char acText[96];
    std::snprintf(acText, sizeof(acText),
                  "Warning: %d degenerate triangles deleted from EnTriShape \"", int(uiDropped));
    EnOutputDebugString(acText);
    if (kShape.GetName()) EnOutputDebugString(kShape.GetName());
    EnOutputDebugString("\".\n");
}

// Strip data over copies of the shape data's arrays (the shared default colours stay shared).
EnPointer<EnTriStripsData> MakeStripsData(const EnTriShapeData& kData,
                                          const TriangleStripifier& kStrips) {
    const uint16_t usVertices = kData.GetVertexCount();
    EnVector3* pVertex = CopyArray(kData.GetVertices(), usVertices);
    EnVector3* pNormal = CopyArray(kData.GetNormals(), usVertices);
    EnColorRGBA* pColor =
        kData.UsesDefaultColors() ? nullptr : CopyArray(kData.GetColors(), usVertices);
    EnVector2* pTexture = CopyArray(kData.GetTextures(), kData.GetTextureCount());

    EnPointer<EnTriStripsData> spStrips = new EnTriStripsData(
        usVertices, pVertex, pNormal, pColor, pTexture, uint16_t(kStrips.GetKeptTriangleCount()),
        uint16_t(kStrips.GetStripCount()), NewArrayOf<uint16_t>(kStrips.GetStripLengths()),
        NewArrayOf<uint16_t>(kStrips.GetStripIndices()));
    if (pTexture) spStrips->SetTextureSets(kData.GetTextureSets());
    if (kData.UsesDefaultColors()) spStrips->UseDefaultColors();
    spStrips->SetBound(kData.GetBound());
    return spStrips;
}

}  // namespace

void StripifyScene(EnNode* pRoot, bool bRunOn) {
    if (!pRoot) return;
    StripifiedDataMap kMap(37);
    StripifyNode(pRoot, kMap, bRunOn);
}

bool CanStripify(const EnAVObject* pObject) {
    if (!EnIsExactKindOf(EnTriShape, pObject) || pObject->GetFirstController()) return false;
    const EnTriShapeData* pData = static_cast<const EnTriShape*>(pObject)->GetShapeData();
    return EnIsExactKindOf(EnTriShapeData, pData) && pData->HasValidIndices();
}

void StripifyNode(EnNode* pNode, StripifiedDataMap& kMap, bool bRunOn) {
    if (!pNode) return;
    for (uint32_t i = 0; i < pNode->GetArrayCount(); i++) {
        EnAVObject* pChild = pNode->GetAt(i);
        if (!pChild) continue;
        if (auto* pChildNode = EnDynamicCast(EnNode, pChild)) {
            StripifyNode(pChildNode, kMap, bRunOn);
            continue;
        }
        if (!CanStripify(pChild)) continue;

        auto* pShape = static_cast<EnTriShape*>(pChild);
        EnTriShapeData* pData = pShape->GetShapeData();
        EnPointer<EnTriStrips> spNew;
        StripifiedData kFound;
        if (kMap.GetAt(pData, kFound)) {
            if (!kFound.m_spStrips) continue;
            spNew = new EnTriStrips(kFound.m_spStrips);
            TransferObjectState(spNew, pShape);
        } else {
            spNew = ConvertTriShape(pShape, bRunOn);
            kMap.SetAt(pData, {pData, spNew ? spNew->GetStripsData() : nullptr});
            if (!spNew) continue;
        }
        // The node hands the shape back; it goes with this reference unless others hold it.
        EnPointer<EnAVObject> spOld = pNode->ReplaceChildAt(i, spNew);
    }
}

EnPointer<EnTriStrips> ConvertTriShape(EnTriShape* pShape, bool bRunOn) {
    if (!CanStripify(pShape)) return nullptr;
    const EnTriShapeData& kData = *pShape->GetShapeData();
    const uint16_t usTriangles = kData.GetTriangleCount();
    const TriangleStripifier kStrips(kData.GetTriList(), usTriangles, bRunOn);
    // The strip data's counts and lengths are 16-bit; such a mesh is kept as a triangle list.
    if (!kStrips.FitsStripsData()) return nullptr;

    if (kStrips.GetKeptTriangleCount() != usTriangles)
        ReportDegenerateTriangles(*pShape, usTriangles - kStrips.GetKeptTriangleCount());

    EnPointer<EnTriStrips> spNew = new EnTriStrips(MakeStripsData(kData, kStrips));
    TransferObjectState(spNew, pShape);
    return spNew;
}

void TransferObjectState(EnAVObject* pNew, EnAVObject* pShape) {
    if (!pNew || !pShape || pNew == pShape) return;
    pNew->SetName(pShape->GetName());
    // The whole flags word carries the collision mode as well as the culled flag.
    pNew->SetFlags(pShape->GetFlags());
    pNew->SetAppCulled(pShape->GetAppCulled());
    pNew->CopyLocalTransform(*pShape);

    // Attaching puts each property at the head, so the last one goes first.
    std::vector<EnProperty*> kProperties;
    const auto& kList = pShape->GetPropertyList();
    for (EnTListIterator pos = kList.GetHeadPos(); pos;) {
        if (EnProperty* pProperty = kList.GetNext(pos)) kProperties.push_back(pProperty);
    }
    for (auto it = kProperties.rbegin(); it != kProperties.rend(); ++it) pNew->AttachProperty(*it);

    pNew->SetExtraData(pShape->GetFirstExtraData());
    pShape->SetExtraData(nullptr);

    RetargetControllers(pNew, pShape->GetFirstController());
}

void RetargetControllers(EnObjectNET* pNew, EnTimeController* pController) {
    if (!pNew) return;
    // Each controller moves to the head of the new chain; held here while it moves.
    std::vector<EnPointer<EnTimeController>> kChain;
    for (EnTimeController* p = pController; p; p = p->GetNext()) kChain.push_back(p);
    for (auto it = kChain.rbegin(); it != kChain.rend(); ++it) (*it)->SetTarget(pNew);
}
